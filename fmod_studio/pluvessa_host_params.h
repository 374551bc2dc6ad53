#pragma once
// The rain plug-in's parameter table as the host shows it: name, label,
// description, range and default of each of the 36 host parameters, with the
// engine parameter it drives and the unit conversion. The plug-in builds its
// descriptors from it; the documentation generator reads it too.

#include "engine/pluvessa_params.h"
#include "fmod_studio/adapter.h"

// A row names the engine parameter it drives by its key.
#define F(name, label, desc, min, max, def, key, conv)                      \
  {FMOD_DSP_PARAMETER_TYPE_FLOAT, name, label, desc, min, max, def, nullptr, \
   static_cast<int>(pluvessa_param::key), conv}

inline const host_param PLUVESSA_HOST_PARAMS[36] = {
    {FMOD_DSP_PARAMETER_TYPE_FLOAT, "GlobalGain", "dB", "Global Gain", -80, 10, 0, nullptr,
     ENGINE_INDEX_GAIN, CONV_DB},
    F("GlobalStrength", "%", "Manual Control of rain strength", 0, 100, 24, global_control,
      CONV_PERCENT),
    F("AutoToManual", "%", "Mix between manual control and automatic control of rain strength", 0,
      100, 100, global_coupling_from_outside, CONV_PERCENT),
    F("GlobalMax", "%", "Maximum Amplitude for the automatic control of rain strength", 0, 100, 55,
      global_amplitude, CONV_PERCENT),
    F("GlobalRate", "%", "Variation Rate for the automatic control of rain strength", 0, 100, 57,
      global_rate, CONV_PERCENT),
    F("GlobalAttack", "%", "Attack time ratio for the automatic control of rain strength", 0, 100,
      0, global_dutycycle, CONV_PERCENT),
    F("GlobalMin", "%", "Minimum Amplitude for the automatic control of rain strength", 0, 100, 18,
      global_floor, CONV_PERCENT),
    F("RumbleLevel", "dB", "Main Level of the Rumble", -80, 10, -7.33f, rumble_level, CONV_DB),
    F("RumbleDensity", "%", "Rumble Density (unused when density is driven by the rain behavior)",
      0, 100, 30, rumble_density, CONV_PERCENT),
    F("RumbleNotchQ", "%", "Rumble Notch Q factor", 0, 100, 15, rumble_notch_q, CONV_PERCENT),
    F("RumbleHiCut", "Hz", "Rumble highcut filter frequency", 50, 20000, 8057, rumble_hcut,
      CONV_NONE),
    F("RumbleLoCut", "Hz", "Rumble lowcut filter frequency", 50, 600, 221, rumble_hp, CONV_NONE),
    F("RumbleCoupl", "%", "Mix between global rain behavior and local Rumble behavior", 0, 100, 100,
      coupling_between_global_source_and_rumble, CONV_PERCENT),
    F("ShowerLevel", "dB", "Main level of the Shower", -80, 10, 0, shower_level, CONV_DB),
    F("ShowerColor", "Hz", "Shower Color)", 300, 1500, 362, shower_color, CONV_NONE),
    F("ShowerLoCut", "Hz", "Shower lowcut filter frequency", 50, 20000, 988, shower_lc_freq,
      CONV_NONE),
    F("ShowerHiCut", "Hz", "Shower highcut filter frequency", 50, 20000, 1229, shower_hc_freq,
      CONV_NONE),
    F("Liquid1Level", "dB", "Main Level of Liquid 1", -80, 10, -8.56f, liquid_level, CONV_DB),
    F("Liquid1Density", "%", "Amount of Drops per time unit for Liquid 1", 0, 100, 71,
      liquid_drops_variance, CONV_PERCENT),
    F("Liquid1Color", "Hz", "Drops Color for Liquid 1", 10, 5000, 179, liquid_drops_color,
      CONV_NONE),
    F("Liquid1Visc", "Hz", "Drops Viscosity  for Liquid 1", 0.5f, 400, 177, liquid_sweep_frequency,
      CONV_NONE),
    F("Liquid1Min", "%", "Drops Tone low bound for Liquid 1", 0, 100, 62, liquid_freq_min,
      CONV_PERCENT),
    F("Liquid1Max", "%", "Drops Tone high bound  for Liquid 1", 0, 100, 100, liquid_freq_half_range,
      CONV_PERCENT),
    F("Liquid1LoCut", "Hz", "Liquid 1 lowcut filter frequency", 250, 1600, 395, liquid_hp_freq,
      CONV_NONE),
    F("Liquid1HiCut", "Hz", "Liquid 1 highcut filter frequency", 4000, 6000, 4049, liquid_lp_freq,
      CONV_NONE),
    F("Liquid2Level", "dB", "Main Level of Liquid 2", -80, 10, -100, liquid_2_level, CONV_DB),
    F("Liquid2Density", "%", "Amount of Drops per time unit for Liquid 2", 0, 100, 0,
      liquid_2_drops_variance, CONV_PERCENT),
    F("Liquid2Color", "Hz", "Drops Color for Liquid 2", 10, 5000, 500, liquid_2_drops_color,
      CONV_NONE),
    F("Liquid2Visc", "Hz", "Drops Viscosity  for Liquid 2", 0.5f, 400, 1, liquid_2_sweep_frequency,
      CONV_NONE),
    F("Liquid2Min", "%", "Drops Tone low bound for Liquid 2", 0, 100, 100, liquid_2_freq_min,
      CONV_PERCENT),
    F("Liquid2Max", "%", "Drops Tone high bound  for Liquid 2", 0, 100, 100,
      liquid_2_freq_half_range, CONV_PERCENT),
    F("Liquid2LoCut", "Hz", "Liquid 2 lowcut filter frequency", 250, 1600, 380, liquid_2_hp_freq,
      CONV_NONE),
    F("Liquid2HiCut", "Hz", "Liquid 2 highcut filter frequency", 4000, 6000, 4500, liquid_2_lp_freq,
      CONV_NONE),
    F("LFE", "dB", "Main Level of the Low Frequency Effect", -80, 10, 0, rain_lfe_level, CONV_DB),
    F("LFECut", "Hz", "Low Frequency Effect highcut filter frequency", 20, 400, 120,
      rain_lfe_cutoff, CONV_NONE),
    {FMOD_DSP_PARAMETER_TYPE_INT, "Format", "", "Speaker Setup", 0, 3, 1, FORMAT_NAMES,
     ENGINE_INDEX_FORMAT, CONV_FORMAT},
};

#undef F
