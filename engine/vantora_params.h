#pragma once
// The wind parameter table, one row per engine index (the master gain, index
// 46, is listed separately). It is the one place a parameter is added: the
// per-key functions, the registry rows, the by-index access, the parameter
// keys below (the sub-setters, the plug-in rows and the bank columns name
// parameters by them) and the dirty group a setter marks come from it.
//
// X(index, key, kind, voice, group, short name, long name, unit, min, max,
//   default, normalised span, normalised low, normalised getter factor,
//   choice count, choice names, description)
//
// kind: UNIT (0..1, clamped), FREE (a float stored unchanged) or CHOICE;
// voice: the voice kind whose derived values the parameter feeds (GLOBAL is
// the wind controller), whose instances its setter marks for re-design.

#include <cstdint>

#define VANTORA_PARAMETERS(X)                                                                      \
  X(0, global_control, UNIT, GLOBAL, "Global", "Speed", "GlobalControl", "", 0, 1, 1, 0, 0, 0, 0,  \
    nullptr, "Manual Control of wind speed")                                                       \
  X(1, global_coupling_from_outside, UNIT, GLOBAL, "Global", "OutCoup", "GlobalCoupling", "", 0,   \
    1, 0, 0, 0, 0, 0, nullptr, "Mix between manual control and automatic control of wind speed")   \
  X(2, global_amplitude, UNIT, GLOBAL, "Global", "Max", "GlobalMax", "", 0, 1, 1, 0, 0, 0, 0,      \
    nullptr, "Maximum Amplitude for the automatic control of wind speed")                          \
  X(3, global_rate, UNIT, GLOBAL, "Global", "Rate", "GlobalRate", "", 0, 1, 0.5f, 0, 0, 0, 0,      \
    nullptr, "Variation Rate for the automatic control of wind speed")                             \
  X(4, global_dutycycle, UNIT, GLOBAL, "Global", "Attack", "GlobalAttack", "", 0, 1, 0.8f, 0, 0,   \
    0, 0, nullptr, "Attack time ratio for the automatic control of wind speed")                    \
  X(5, global_floor, UNIT, GLOBAL, "Global", "Min", "GlobalMin", "", 0, 1, 0.1f, 0, 0, 0, 0,       \
    nullptr, "Minimum Amplitude for the automatic control of wind speed ")                         \
  X(6, backflow_shape, CHOICE, BACKFLOW, "Wind Rear Flow", "Shape", "BackShape", "", 0, 26, 0, 0,  \
    0, 0.03846154f, 27, NOISE_SHAPE_ENGINE_NAMES, "Background flow Shape")                         \
  X(7, backflow_level, UNIT, BACKFLOW, "Wind Rear Flow", "Level", "BackLevel", "", 0, 1, 0, 0, 0,  \
    0, 0, nullptr, "Main Level of the background flow")                                            \
  X(8, backflow_filtertype, CHOICE, BACKFLOW, "Wind Rear Flow", "Filter", "BackFilter", "", 0, 2,  \
    0, 0, 0, 0.5f, 3, BACKFLOW_FILTER_NAMES, "Background flow Filter type")                        \
  X(9, backflow_frequency, UNIT, BACKFLOW, "Wind Rear Flow", "Freq", "BackFrequency", "", 0, 1,    \
    0.5f, 0, 0, 0, 0, nullptr, "Background flow filter frequency")                                 \
  X(10, backflow_qfactor, UNIT, BACKFLOW, "Wind Rear Flow", "Q", "BackQFactor", "", 0, 1, 0.2f, 0, \
    0, 0, 0, nullptr, "Background flow filter Q factor")                                           \
  X(11, variation_rate, UNIT, BACKFLOW, "Wind Rear Flow", "Rate", "BackRate", "", 0, 1, 0.5f, 0,   \
    0, 0, 0, nullptr, "Background flow variation Rate (unused when the mix is set on \"global\")") \
  X(12, variation_range, UNIT, BACKFLOW, "Wind Rear Flow", "Var", "BackVariation", "", 0, 1, 0.5f, \
    0, 0, 0, 0, nullptr,                                                                           \
    "Background flow variation Amplitude (unused when the mix is set on \"global\")")              \
  X(13, backflow_lc_freq, FREE, BACKFLOW, "Wind Rear Flow", "LoCut", "BackLowCut", "Hz", 50,       \
    20000, 50, 19950, 50, 5.012531e-05f, 0, nullptr, "Background flow lowcut filter frequency")    \
  X(14, backflow_hc_freq, FREE, BACKFLOW, "Wind Rear Flow", "HiCut", "BackHighCut", "Hz", 50,      \
    20000, 20000, 19950, 50, 5.012531e-05f, 0, nullptr,                                            \
    "Background flow highcut filter frequency")                                                    \
  X(15, coupling_between_global_source_and_backflow, UNIT, BACKFLOW, "Wind Rear Flow", "BCoupl",   \
    "BackCoupling", "", 0, 1, 0, 0, 0, 0, 0, nullptr,                                              \
    "Mix between global wind behavior and local Backflow behaviour - controlled by Rate and Var")  \
  X(16, whistling_level, UNIT, WHISTLING, "Wind Whistling", "Level", "WhistlingLevel", "", 0, 1,   \
    0, 0, 0, 0, 0, nullptr, "Main Level of the Whistling")                                         \
  X(17, whistling_shape, CHOICE, WHISTLING, "Wind Whistling", "Shape", "WhistlingShape", "", 0, 2, \
    0, 0, 0, 0.5f, 3, SMALL_SHAPE_NAMES, "Whistling shape")                                        \
  X(18, whistling_qfactor, UNIT, WHISTLING, "Wind Whistling", "Q", "WhistlingQ", "", 0, 1, 0.5f,   \
    0, 0, 0, 0, nullptr, "Whistling Q factor")                                                     \
  X(19, whistling_floor, UNIT, WHISTLING, "Wind Whistling", "Floor", "WhistlingFloor", "", 0, 1,   \
    0, 0, 0, 0, 0, nullptr, "Lower bound of the whistling dynamic")                                \
  X(20, whistling_rate, UNIT, WHISTLING, "Wind Whistling", "Rate", "WhistlingRate", "", 0, 1,      \
    0.5f, 0, 0, 0, 0, nullptr,                                                                     \
    "Whistling variation Rate  (unused when the mix is set on \"global\")")                        \
  X(21, whistling_min_freq, FREE, WHISTLING, "Wind Whistling", "Fmin", "WhistlingFmin", "Hz", 200, \
    1000, 200, 800, 200, 0.00125f, 0, nullptr, "Whistling Min Frequency")                          \
  X(22, whistling_max_freq, FREE, WHISTLING, "Wind Whistling", "Fmax", "WhistlingFmax", "Hz",      \
    1000, 5000, 1000, 4000, 1000, 0.00025f, 0, nullptr, "Whistling Max Frequency")                 \
  X(23, whistling_presence, UNIT, WHISTLING, "Wind Whistling", "Presence", "WhistlingPres", "", 0, \
    1, 0.5f, 0, 0, 0, 0, nullptr,                                                                  \
    "Whistling Gain/Frequency dependency - Less salient with high Floor values")                   \
  X(24, whistling_lc_freq, FREE, WHISTLING, "Wind Whistling", "LoCut", "WhistlingLCut", "Hz", 50,  \
    20000, 50, 19950, 50, 5.012531e-05f, 0, nullptr, "Whistling lowcut filter frequency")          \
  X(25, whistling_hc_freq, FREE, WHISTLING, "Wind Whistling", "HiCut", "WhistlingHCut", "Hz", 50,  \
    20000, 20000, 19950, 50, 5.012531e-05f, 0, nullptr, "Whistling highcut filter frequency")      \
  X(26, coupling_between_global_source_and_whistling, UNIT, WHISTLING, "Wind Whistling", "WCoupl", \
    "WhistlingCoupl", "", 0, 1, 0, 0, 0, 0, 0, nullptr,                                            \
    "Mix between global wind behavior and local Whistling behaviour - controlled by Rate")         \
  X(27, gusts_level, UNIT, GUSTS, "Wind Gusts", "Level", "GustsLevel", "", 0, 1, 0, 0, 0, 0, 0,    \
    nullptr, "Main Level of the Gusts")                                                            \
  X(28, gusts_shape, CHOICE, GUSTS, "Wind Gusts", "Shape", "GustsShape", "", 0, 26, 0, 0, 0,       \
    0.03846154f, 27, NOISE_SHAPE_ENGINE_NAMES, "Gusts Shapes")                                     \
  X(29, gusts_amplitude, UNIT, GUSTS, "Wind Gusts", "Max", "GustsMax", "", 0, 1, 1, 0, 0, 0, 0,    \
    nullptr, "Gusts maximum Amplitude (unused when the mix is set on \"global\")")                 \
  X(30, gusts_rate, UNIT, GUSTS, "Wind Gusts", "Rate", "GustsRate", "", 0, 1, 0.5f, 0, 0, 0, 0,    \
    nullptr, "Gusts variation Rate (unused when the mix is set on \"global\")")                    \
  X(31, gusts_dutycycle, UNIT, GUSTS, "Wind Gusts", "Attack", "GustsAttack", "", 0, 1, 0.8f, 0, 0, \
    0, 0, nullptr, "Gusts Attack time ratio (unused when the mix is set on \"global\")")           \
  X(32, gusts_floor, UNIT, GUSTS, "Wind Gusts", "Min", "GustsMin", "", 0, 1, 0.1f, 0, 0, 0, 0,     \
    nullptr, "Gusts minimum Amplitude (unused when the mix is set on \"global\")")                 \
  X(33, gusts_lc_freq, FREE, GUSTS, "Wind Gusts", "LoCut", "GustsLowCut", "Hz", 50, 20000, 50,     \
    19950, 50, 5.012531e-05f, 0, nullptr, "Gusts lowcut filter frequency")                         \
  X(34, gusts_hc_freq, FREE, GUSTS, "Wind Gusts", "HiCut", "GustsHighCut", "Hz", 50, 20000, 20000, \
    19950, 50, 5.012531e-05f, 0, nullptr, "Gusts highcut filter frequency")                        \
  X(35, coupling_between_global_source_and_gusts, UNIT, GUSTS, "Wind Gusts", "GCoupl",             \
    "GustsCoupling", "", 0, 1, 0, 0, 0, 0, 0, nullptr,                                             \
    "Mix between global wind behavior and local Gust behaviour - controlled by Rate, Attack, "     \
    "Min and Max")                                                                                 \
  X(36, squalls_level, UNIT, SQUALLS, "Wind Squalls", "Level", "SquallsLevel", "", 0, 1, 0, 0, 0,  \
    0, 0, nullptr, "Main Level of the Squalls")                                                    \
  X(37, squalls_shape, CHOICE, SQUALLS, "Wind Squalls", "Shape", "SquallsShape", "", 0, 2, 0, 0,   \
    0, 0.5f, 3, SMALL_SHAPE_NAMES, "Squalls Shape")                                                \
  X(38, squalls_amplitude, UNIT, SQUALLS, "Wind Squalls", "Amp", "SquallsAmp", "", 0, 1, 1, 0, 0,  \
    0, 0, nullptr, "Squalls maximum amplitude (unused when the mix is set on \"global\")")         \
  X(39, squalls_rate, UNIT, SQUALLS, "Wind Squalls", "Rate", "SquallsRate", "", 0, 1, 0.5f, 0, 0,  \
    0, 0, nullptr, "Squalls variation Rate")                                                       \
  X(40, squalls_floor, UNIT, SQUALLS, "Wind Squalls", "Floor", "SquallsFloor", "", 0, 1, 0.1f, 0,  \
    0, 0, 0, nullptr, "Squalls minimum amplitude")                                                 \
  X(41, squalls_lc_freq, FREE, SQUALLS, "Wind Squalls", "LoCut", "SquallsLowCut", "Hz", 50, 20000, \
    50, 19950, 50, 5.012531e-05f, 0, nullptr, "Squalls lowcut filter frequency")                   \
  X(42, squalls_hc_freq, FREE, SQUALLS, "Wind Squalls", "HiCut", "SquallsHighCut", "Hz", 50,       \
    20000, 20000, 19950, 50, 5.012531e-05f, 0, nullptr, "Squalls highcut filter frequency")        \
  X(43, coupling_between_global_source_and_squalls, UNIT, SQUALLS, "Wind Squalls", "SCoupl",       \
    "SquallsCoupling", "", 0, 1, 0, 0, 0, 0, 0, nullptr,                                           \
    "Mix between global wind behavior and local Squalls behaviour - controlled by Amp knob")       \
  X(44, wind_lfe_level, UNIT, LFE, "Wind LFE", "LFE", "WindLFE", "", 0, 1, 0, 0, 0, 0, 0, nullptr, \
    "Main Level of the Low Frequency Effect")                                                      \
  X(45, wind_lfe_freq_cutoff, FREE, LFE, "Wind LFE", "LFECut", "WindLFEHighCut", "Hz", 20, 400,    \
    120, 380, 20, 0.002631579f, 0, nullptr, "Low Frequency Effect highcut filter frequency")

// The parameter keys, by engine index: vantora_param::backflow_level is 7.
enum class vantora_param : uint32_t {
#define VANTORA_PARAM_KEY(index, key, ...) key,
  VANTORA_PARAMETERS(VANTORA_PARAM_KEY)
#undef VANTORA_PARAM_KEY
  global_gain,  // the master gain, last
};

inline constexpr uint32_t VANTORA_PARAM_COUNT =
    static_cast<uint32_t>(vantora_param::global_gain) + 1;
inline constexpr uint32_t VANTORA_GAIN_INDEX = VANTORA_PARAM_COUNT - 1;

// Each row's index is its place in the table.
#define VANTORA_PARAM_PLACE(index, key, ...)                          \
  static_assert(static_cast<uint32_t>(vantora_param::key) == (index), \
                "wind parameter " #key ": its index is not its place in the table");
VANTORA_PARAMETERS(VANTORA_PARAM_PLACE)
#undef VANTORA_PARAM_PLACE
