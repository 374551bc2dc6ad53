#pragma once
// The rain plug-in's parameter table as the host shows it: name, label,
// description, range and default of each of the 36 host parameters, with the
// engine parameter it drives and the unit conversion. The plug-in builds its
// descriptors from it; the documentation generator reads it too.

#include "fmod_studio/adapter.h"

#define F(name, label, desc, min, max, def, index, conv) \
  {FMOD_DSP_PARAMETER_TYPE_FLOAT, name, label, desc, min, max, def, nullptr, index, conv}

// Host index i drives engine index i - 1.
inline const host_param PLUVESSA_HOST_PARAMS[36] = {
    F("GlobalGain", "dB", "Global Gain", -80, 10, 0, ENGINE_INDEX_GAIN, CONV_DB),
    F("GlobalStrength", "%", "Manual Control of rain strength", 0, 100, 24, 0, CONV_PERCENT),
    F("AutoToManual", "%", "Mix between manual control and automatic control of rain strength",
      0, 100, 100, 1, CONV_PERCENT),
    F("GlobalMax", "%", "Maximum Amplitude for the automatic control of rain strength", 0, 100,
      55, 2, CONV_PERCENT),
    F("GlobalRate", "%", "Variation Rate for the automatic control of rain strength", 0, 100, 57,
      3, CONV_PERCENT),
    F("GlobalAttack", "%", "Attack time ratio for the automatic control of rain strength", 0, 100,
      0, 4, CONV_PERCENT),
    F("GlobalMin", "%", "Minimum Amplitude for the automatic control of rain strength", 0, 100,
      18, 5, CONV_PERCENT),
    F("RumbleLevel", "dB", "Main Level of the Rumble", -80, 10, -7.33f, 6, CONV_DB),
    F("RumbleDensity", "%", "Rumble Density (unused when density is driven by the rain behavior)",
      0, 100, 30, 7, CONV_PERCENT),
    F("RumbleNotchQ", "%", "Rumble Notch Q factor", 0, 100, 15, 8, CONV_PERCENT),
    F("RumbleHiCut", "Hz", "Rumble highcut filter frequency", 50, 20000, 8057, 9, CONV_NONE),
    F("RumbleLoCut", "Hz", "Rumble lowcut filter frequency", 50, 600, 221, 10, CONV_NONE),
    F("RumbleCoupl", "%", "Mix between global rain behavior and local Rumble behavior", 0, 100,
      100, 11, CONV_PERCENT),
    F("ShowerLevel", "dB", "Main level of the Shower", -80, 10, 0, 12, CONV_DB),
    F("ShowerColor", "Hz", "Shower Color)", 300, 1500, 362, 13, CONV_NONE),
    F("ShowerLoCut", "Hz", "Shower lowcut filter frequency", 50, 20000, 988, 14, CONV_NONE),
    F("ShowerHiCut", "Hz", "Shower highcut filter frequency", 50, 20000, 1229, 15, CONV_NONE),
    F("Liquid1Level", "dB", "Main Level of Liquid 1", -80, 10, -8.56f, 16, CONV_DB),
    F("Liquid1Density", "%", "Amount of Drops per time unit for Liquid 1", 0, 100, 71, 17,
      CONV_PERCENT),
    F("Liquid1Color", "Hz", "Drops Color for Liquid 1", 10, 5000, 179, 18, CONV_NONE),
    F("Liquid1Visc", "Hz", "Drops Viscosity  for Liquid 1", 0.5f, 400, 177, 19, CONV_NONE),
    F("Liquid1Min", "%", "Drops Tone low bound for Liquid 1", 0, 100, 62, 20, CONV_PERCENT),
    F("Liquid1Max", "%", "Drops Tone high bound  for Liquid 1", 0, 100, 100, 21, CONV_PERCENT),
    F("Liquid1LoCut", "Hz", "Liquid 1 lowcut filter frequency", 250, 1600, 395, 22, CONV_NONE),
    F("Liquid1HiCut", "Hz", "Liquid 1 highcut filter frequency", 4000, 6000, 4049, 23, CONV_NONE),
    F("Liquid2Level", "dB", "Main Level of Liquid 2", -80, 10, -100, 24, CONV_DB),
    F("Liquid2Density", "%", "Amount of Drops per time unit for Liquid 2", 0, 100, 0, 25,
      CONV_PERCENT),
    F("Liquid2Color", "Hz", "Drops Color for Liquid 2", 10, 5000, 500, 26, CONV_NONE),
    F("Liquid2Visc", "Hz", "Drops Viscosity  for Liquid 2", 0.5f, 400, 1, 27, CONV_NONE),
    F("Liquid2Min", "%", "Drops Tone low bound for Liquid 2", 0, 100, 100, 28, CONV_PERCENT),
    F("Liquid2Max", "%", "Drops Tone high bound  for Liquid 2", 0, 100, 100, 29, CONV_PERCENT),
    F("Liquid2LoCut", "Hz", "Liquid 2 lowcut filter frequency", 250, 1600, 380, 30, CONV_NONE),
    F("Liquid2HiCut", "Hz", "Liquid 2 highcut filter frequency", 4000, 6000, 4500, 31, CONV_NONE),
    F("LFE", "dB", "Main Level of the Low Frequency Effect", -80, 10, 0, 32, CONV_DB),
    F("LFECut", "Hz", "Low Frequency Effect highcut filter frequency", 20, 400, 120, 33,
      CONV_NONE),
    {FMOD_DSP_PARAMETER_TYPE_INT, "Format", "", "Speaker Setup", 0, 3, 1, FORMAT_NAMES,
     ENGINE_INDEX_FORMAT, CONV_FORMAT},
};

#undef F
