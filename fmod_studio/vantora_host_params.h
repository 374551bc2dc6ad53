#pragma once
// The wind plug-in's parameter table as the host shows it: name, label,
// description, range and default of each of the 48 host parameters, with the
// engine parameter it drives and the unit conversion. The plug-in builds its
// descriptors from it; the documentation generator reads it too.

#include "engine/vantora_params.h"
#include "fmod_studio/adapter.h"
#include "wind/shapes.h"

// The host's names of the background flow's filter types.
inline const char* const BACKFLOW_FILTER_HOST_NAMES[3] = {"Low Pass", "Band Pass", "All Pass"};

// A row names the engine parameter it drives by its key; the host's own
// order differs from the engine's ("BackflowLevel" comes before
// "BackflowShape").
#define F(name, label, desc, min, max, def, key, conv)                      \
  {FMOD_DSP_PARAMETER_TYPE_FLOAT, name, label, desc, min, max, def, nullptr, \
   static_cast<int>(vantora_param::key), conv}
#define I(name, desc, max, def, names, key, conv)                \
  {FMOD_DSP_PARAMETER_TYPE_INT, name, "", desc, 0, max, def, names, \
   static_cast<int>(vantora_param::key), conv}

inline const host_param VANTORA_HOST_PARAMS[48] = {
    {FMOD_DSP_PARAMETER_TYPE_FLOAT, "GlobalGain", "dB", "Global gain", -80, 10, 0, nullptr,
     ENGINE_INDEX_GAIN, CONV_DB},
    F("GlobalSpeed", "%", "Simulates global wind speed", 0, 100, 100, global_control, CONV_PERCENT),
    F("AutoToManual", "%", "Mix between manual control and automatic control of wind speed", 0, 100,
      0, global_coupling_from_outside, CONV_PERCENT),
    F("GlobalMax", "%", "Maximum Amplitude for the automatic control of wind speed", 0, 100, 47,
      global_amplitude, CONV_PERCENT),
    F("GlobalRate", "%", "Variation Rate for the automatic control of wind speed", 0, 100, 35,
      global_rate, CONV_PERCENT),
    F("GlobalAttack", "%", "Attack time ratio for the automatic control of wind speed", 0, 100, 49,
      global_dutycycle, CONV_PERCENT),
    F("GlobalMin", "%", "Minimum Amplitude for the automatic control of wind speed", 0, 100, 19,
      global_floor, CONV_PERCENT),
    F("BackflowLevel", "dB", "Main Level of the background flow", -80, 10, -13, backflow_level,
      CONV_DB),
    I("BackflowShape", "Backflow Shape", 26, 10, NOISE_SHAPE_HOST_NAMES, backflow_shape,
      CONV_CHOICE),
    I("BackflowFilter", "Background flow Filter type", 2, 0, BACKFLOW_FILTER_HOST_NAMES,
      backflow_filtertype, CONV_CHOICE),
    F("BackflowFreq", "%", "Background flow filter frequency", 0, 100, 44, backflow_frequency,
      CONV_PERCENT),
    F("BackflowQ", "%", "Background flow filter Q factor", 0, 100, 14, backflow_qfactor,
      CONV_PERCENT),
    F("BackflowRate", "%",
      "Background flow variation Rate (unused when the mix is set on \"global\")", 0, 100, 53,
      variation_rate, CONV_PERCENT),
    F("VariationRange", "%",
      "Background flow variation Amplitude (unused when the mix is set on \"global\")", 0, 100, 93,
      variation_range, CONV_PERCENT),
    F("BackflowLoCut", "Hz", "Background flow lowcut filter frequency", 50, 20000, 50,
      backflow_lc_freq, CONV_NONE),
    F("BackflowHiCut", "Hz", "Background flow highcut filter frequency", 50, 20000, 14234,
      backflow_hc_freq, CONV_NONE),
    F("BackflowCoupl", "%",
      "Mix between global wind behavior and local Backflow behaviour - controlled by Rate and "
      "Var",
      0, 100, 100, coupling_between_global_source_and_backflow, CONV_PERCENT),
    F("WhistlingLevel", "dB", "Main Level of the Whistling", -80, 10, 0, whistling_level, CONV_DB),
    I("WhistlingShape", "Whistling Shape", 2, 1, SMALL_SHAPE_NAMES, whistling_shape, CONV_CHOICE),
    F("WhistlingQ", "%", "Whistling filter Q factor", 0, 100, 33, whistling_qfactor, CONV_PERCENT),
    F("WhistlingFloor", "%", "Lower bound of the whistling dynamic", 0, 100, 0.8f, whistling_floor,
      CONV_PERCENT),
    F("WhistlingRate", "%", "Whistling variation Rate  (unused when the mix is set on \"global\")",
      0, 100, 59, whistling_rate, CONV_PERCENT),
    F("WhistlingFmin", "Hz", "Whistling Min Frequency", 200, 1000, 345, whistling_min_freq,
      CONV_NONE),
    F("WhistlingFmax", "Hz", "Whistling Max Frequency", 1000, 5000, 2096, whistling_max_freq,
      CONV_NONE),
    F("WhistlingPres", "%",
      "Whistling Gain/Frequency dependency - Less salient with high Floor values", 0, 100, 75,
      whistling_presence, CONV_PERCENT),
    F("WhistlingLoCut", "Hz", "Whistling lowcut filter frequency", 50, 20000, 50, whistling_lc_freq,
      CONV_NONE),
    F("WhistlingHiCut", "Hz", "Whistling highcut filter frequency", 50, 20000, 6947,
      whistling_hc_freq, CONV_NONE),
    F("WhistlingCoupl", "%",
      "Mix between global wind behavior and local Whistling behaviour - controlled by Rate", 0, 100,
      100, coupling_between_global_source_and_whistling, CONV_PERCENT),
    F("GustsLevel", "dB", "Main Level of the Gusts", -80, 10, -14.3f, gusts_level, CONV_DB),
    I("GustsShape", "Gusts Shape", 26, 24, NOISE_SHAPE_HOST_NAMES, gusts_shape, CONV_CHOICE),
    F("GustsMax", "%", "Gusts maximum Amplitude (unused when the mix is set on \"global\")", 0, 100,
      77, gusts_amplitude, CONV_PERCENT),
    F("GustsRate", "%", "Gusts variation Rate (unused when the mix is set on \"global\")", 0, 100,
      59, gusts_rate, CONV_PERCENT),
    F("GustsAttack", "%", "Gusts Attack time ratio (unused when the mix is set on \"global\")", 0,
      100, 48, gusts_dutycycle, CONV_PERCENT),
    F("GustsMin", "%", "Gusts minimum Amplitude (unused when the mix is set on \"global\")", 0, 100,
      18, gusts_floor, CONV_PERCENT),
    F("GustsLoCut", "Hz", "Gusts lowcut filter frequency", 50, 20000, 50, gusts_lc_freq, CONV_NONE),
    F("GustsHiCut", "Hz", "Gusts highcut filter frequency", 50, 20000, 3007, gusts_hc_freq,
      CONV_NONE),
    F("GustsCoupl", "%",
      "Mix between global wind behavior and local Gust behaviour - controlled by Rate, Attack, "
      "Min and Max",
      0, 100, 10, coupling_between_global_source_and_gusts, CONV_PERCENT),
    F("SquallsLevel", "dB", "Main Level of the Squalls", -80, 10, 0, squalls_level, CONV_DB),
    I("SquallsShape", "Squalls Shape", 2, 0, SMALL_SHAPE_NAMES, squalls_shape, CONV_CHOICE),
    F("SquallsAmp", "%", "Squalls maximum amplitude (unused when the mix is set on \"global\")", 0,
      100, 0, squalls_amplitude, CONV_PERCENT),
    F("SquallsRate", "%", "Squalls variation Rate", 0, 100, 50, squalls_rate, CONV_PERCENT),
    F("SquallsFloor", "%", "Squalls minimum amplitude", 0, 100, 10, squalls_floor, CONV_PERCENT),
    F("SquallsLoCut", "Hz", "Squalls lowcut filter frequency", 50, 20000, 50, squalls_lc_freq,
      CONV_NONE),
    F("SquallsHiCut", "Hz", "Squalls highcut filter frequency", 50, 20000, 20000, squalls_hc_freq,
      CONV_NONE),
    F("SquallsCoupl", "%",
      "Mix between global wind behavior and local Squalls behaviour - controlled by Amp knob", 0,
      100, 0, coupling_between_global_source_and_squalls, CONV_PERCENT),
    F("LFE", "dB", "Main Level of the Low Frequency Effect", -80, 10, 0, wind_lfe_level, CONV_DB),
    F("LFECut", "Hz", "Low Frequency Effect highcut filter frequency", 20, 400, 96,
      wind_lfe_freq_cutoff, CONV_NONE),
    {FMOD_DSP_PARAMETER_TYPE_INT, "Format", "", "Speaker Setup", 0, 3, 1, FORMAT_NAMES,
     ENGINE_INDEX_FORMAT, CONV_FORMAT},
};

#undef F
#undef I
