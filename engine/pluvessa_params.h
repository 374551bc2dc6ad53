#pragma once
// The rain parameter table, one row per engine index (the master gain, index
// 34, is listed separately). It is the one place a parameter is added: the
// per-key functions, the registry rows, the by-index access, the parameter
// keys below (the sub-setters, the plug-in rows and the bank columns name
// parameters by them) and the dirty group a setter marks come from it.
//
// X(index, key, kind, voice, group, short name, long name, unit, min, max,
//   default, normalised span, normalised low, normalised getter factor,
//   description)
//
// kind: UNIT (0..1, clamped) or FREE (a float stored unchanged); the rain
// has no choice parameters. voice: the voice kind whose derived values the
// parameter feeds (GLOBAL is the rain controller; LIQUID_1 and LIQUID_2 the
// two drop layers), whose instances its setter marks for re-design.

#include <cstdint>

#define PLUVESSA_PARAMETERS(X)                                                                     \
  X(0, global_control, UNIT, GLOBAL, "Global", "Strength", "GlobalControl", "", 0, 1, 1, 0, 0, 0,  \
    "Manual Control of rain strength")                                                             \
  X(1, global_coupling_from_outside, UNIT, GLOBAL, "Global", "OutCoup", "GlobalCoupling", "", 0,   \
    1, 0, 0, 0, 0, "Mix between manual control and automatic control of rain strength")            \
  X(2, global_amplitude, UNIT, GLOBAL, "Global", "Max", "GlobalMax", "", 0, 1, 1, 0, 0, 0,         \
    "Maximum Amplitude for the automatic control of rain strength")                                \
  X(3, global_rate, UNIT, GLOBAL, "Global", "Rate", "GlobalRate", "", 0, 1, 0.5f, 0, 0, 0,         \
    "Variation Rate for the automatic control of rain strength")                                   \
  X(4, global_dutycycle, UNIT, GLOBAL, "Global", "Attack", "GlobalAttack", "", 0, 1, 0.8f, 0, 0,   \
    0, "Attack time ratio for the automatic control of rain strength")                             \
  X(5, global_floor, UNIT, GLOBAL, "Global", "Min", "GlobalMin", "", 0, 1, 0.1f, 0, 0, 0,          \
    "Minimum Amplitude for the automatic control of rain strength")                                \
  X(6, rumble_level, UNIT, RUMBLE, "Rain Rumble", "Level", "RumbleLevel", "", 0, 1, 0, 0, 0, 0,    \
    "Main Level of the Rumble")                                                                    \
  X(7, rumble_density, UNIT, RUMBLE, "Rain Rumble", "Density", "RumbleDensity", "", 0, 1, 0.6f, 0, \
    0, 0, "Rumble Density (unused when density is driven by the rain behavior)")                   \
  X(8, rumble_notch_q, UNIT, RUMBLE, "Rain Rumble", "NotchQ", "RumbleNotchQ", "", 0, 1, 1, 0, 0,   \
    0, "Rumble Notch Q factor")                                                                    \
  X(9, rumble_hcut, FREE, RUMBLE, "Rain Rumble", "HiCut", "RumbleHighCut", "Hz", 50, 20000, 15000, \
    14000, 6000, 7.142857e-05f, "Rumble highcut filter frequency")                                 \
  X(10, rumble_hp, FREE, RUMBLE, "Rain Rumble", "LoCut", "RumbleLowCut", "Hz", 50, 600, 250, 550,  \
    50, 0.0018181818f, "Rumble lowcut filter frequency")                                           \
  X(11, coupling_between_global_source_and_rumble, UNIT, RUMBLE, "Rain Rumble", "RCoupl",          \
    "RumbleCoupling", "", 0, 1, 0, 0, 0, 0,                                                        \
    "Mix between global rain behavior and local Rumble behavior: setting it to \"global\" will "   \
    "make the Density knob ineffective as it will be set by the external source")                  \
  X(12, shower_level, UNIT, SHOWER, "Rain Shower", "Lvl", "ShowerLevel", "", 0, 1, 0, 0, 0, 0,     \
    "Main level of the Shower")                                                                    \
  X(13, shower_color, FREE, SHOWER, "Rain Shower", "Color", "ShowerColor", "Hz", 300, 1500, 600,   \
    1200, 300, 0.0008333333f, "Shower Color")                                                      \
  X(14, shower_lc_freq, FREE, SHOWER, "Rain Shower", "LoCut", "ShowerLowCut", "Hz", 50, 20000, 50, \
    19950, 50, 5.012531e-05f, "Shower lowcut filter frequency")                                    \
  X(15, shower_hc_freq, FREE, SHOWER, "Rain Shower", "HiCut", "ShowerHighCut", "Hz", 50, 20000,    \
    10000, 19950, 50, 5.012531e-05f, "Shower highcut filter frequency")                            \
  X(16, liquid_level, UNIT, LIQUID_1, "Rain Liquid 1", "Level", "LiquidLevel", "", 0, 1, 0, 0, 0,  \
    0, "Main Level of Liquid 1")                                                                   \
  X(17, liquid_drops_variance, UNIT, LIQUID_1, "Rain Liquid 1", "Density", "L1DropsDensity", "",   \
    0, 1, 0, 0, 0, 0, "Amount of Drops per time unit for Liquid 1")                                \
  X(18, liquid_drops_color, FREE, LIQUID_1, "Rain Liquid 1", "Color", "L1DropsColor", "Hz", 10,    \
    5000, 500, 4990, 10, 0.0002004008f, "Drops Color for Liquid 1")                                \
  X(19, liquid_sweep_frequency, FREE, LIQUID_1, "Rain Liquid 1", "Visc.", "LiquidViscosity", "",   \
    0.5f, 400, 1, 399.5f, 0.5f, 0.002503129f, "Drops Viscosity  for Liquid 1")                     \
  X(20, liquid_freq_min, UNIT, LIQUID_1, "Rain Liquid 1", "Min", "LiquidMin", "", 0, 1, 1, 0, 0,   \
    0, "Drops Tone low bound for Liquid 1")                                                        \
  X(21, liquid_freq_half_range, UNIT, LIQUID_1, "Rain Liquid 1", "Max", "LiquidMax", "", 0, 1, 1,  \
    0, 0, 0, "Drops Tone high bound  for Liquid 1")                                                \
  X(22, liquid_hp_freq, FREE, LIQUID_1, "Rain Liquid 1", "LoCut", "LiquidLowCut", "Hz", 250, 1600, \
    380, 1350, 250, 0.0007407407f, "Liquid 1 lowcut filter frequency")                             \
  X(23, liquid_lp_freq, FREE, LIQUID_1, "Rain Liquid 1", "HiCut", "LiquidHighCut", "Hz", 4000,     \
    6000, 4500, 2000, 4000, 0.0005f, "Liquid 1 highcut filter frequency")                          \
  X(24, liquid_2_level, UNIT, LIQUID_2, "Rain Liquid 2", "Level", "Liquid2Level", "", 0, 1, 0, 0,  \
    0, 0, "Main Level of Liquid 2")                                                                \
  X(25, liquid_2_drops_variance, UNIT, LIQUID_2, "Rain Liquid 2", "Density", "L2DropsDensity", "", \
    0, 1, 0, 0, 0, 0, "Amount of Drops per time unit for Liquid 2")                                \
  X(26, liquid_2_drops_color, FREE, LIQUID_2, "Rain Liquid 2", "Color", "L2DropsColor", "Hz", 10,  \
    5000, 500, 4990, 10, 0.0002004008f, "Drops Color for Liquid 2")                                \
  X(27, liquid_2_sweep_frequency, FREE, LIQUID_2, "Rain Liquid 2", "Visc.", "Liquid2Visc", "",     \
    0.5f, 400, 1, 399.5f, 0.5f, 0.002503129f, "Drops Viscosity  for Liquid 2")                     \
  X(28, liquid_2_freq_min, UNIT, LIQUID_2, "Rain Liquid 2", "Min", "Liquid2Min", "", 0, 1, 1, 0,   \
    0, 0, "Drops Tone low bound for Liquid 2")                                                     \
  X(29, liquid_2_freq_half_range, UNIT, LIQUID_2, "Rain Liquid 2", "Max", "Liquid2Max", "", 0, 1,  \
    1, 0, 0, 0, "Drops Tone high bound  for Liquid 2")                                             \
  X(30, liquid_2_hp_freq, FREE, LIQUID_2, "Rain Liquid 2", "LoCut", "Liquid2LowCut", "Hz", 250,    \
    1600, 380, 1350, 250, 0.0007407407f, "Liquid 2 lowcut filter frequency")                       \
  X(31, liquid_2_lp_freq, FREE, LIQUID_2, "Rain Liquid 2", "HiCut", "Liquid2HighCut", "Hz", 4000,  \
    6000, 4500, 2000, 4000, 0.0005f, "Liquid 2 highcut filter frequency")                          \
  X(32, rain_lfe_level, UNIT, LFE, "Rain LFE", "LFE", "LFELevel", "", 0, 1, 0, 0, 0, 0,            \
    "Main Level of the Low Frequency Effect")                                                      \
  X(33, rain_lfe_cutoff, FREE, LFE, "Rain LFE", "LFECut", "RainLFEHighCut", "Hz", 20, 400, 120,    \
    380, 20, 0.002631579f, "Low Frequency Effect highcut filter frequency")

// The parameter keys, by engine index: pluvessa_param::rumble_level is 6.
enum class pluvessa_param : uint32_t {
#define PLUVESSA_PARAM_KEY(index, key, ...) key,
  PLUVESSA_PARAMETERS(PLUVESSA_PARAM_KEY)
#undef PLUVESSA_PARAM_KEY
  global_gain,  // the master gain, last
};

inline constexpr uint32_t PLUVESSA_PARAM_COUNT =
    static_cast<uint32_t>(pluvessa_param::global_gain) + 1;

// Each row's index is its place in the table.
#define PLUVESSA_PARAM_PLACE(index, key, ...)                          \
  static_assert(static_cast<uint32_t>(pluvessa_param::key) == (index), \
                "rain parameter " #key ": its index is not its place in the table");
PLUVESSA_PARAMETERS(PLUVESSA_PARAM_PLACE)
#undef PLUVESSA_PARAM_PLACE
