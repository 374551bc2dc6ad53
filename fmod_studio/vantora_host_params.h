#pragma once
// The wind plug-in's parameter table as the host shows it: name, label,
// description, range and default of each of the 48 host parameters, with the
// engine parameter it drives and the unit conversion. The plug-in builds its
// descriptors from it; the documentation generator reads it too.

#include "fmod_studio/adapter.h"
#include "wind/shapes.h"

// The host's names of the background flow's filter types.
inline const char* const BACKFLOW_FILTER_HOST_NAMES[3] = {"Low Pass", "Band Pass",
                                                          "All Pass"};

#define F(name, label, desc, min, max, def, index, conv) \
  {FMOD_DSP_PARAMETER_TYPE_FLOAT, name, label, desc, min, max, def, nullptr, index, conv}
#define I(name, desc, max, def, names, index, conv) \
  {FMOD_DSP_PARAMETER_TYPE_INT, name, "", desc, 0, max, def, names, index, conv}

// Host index i drives engine index i - 1, except "BackflowLevel" (7 -> 7) and
// "BackflowShape" (8 -> 6).
inline const host_param VANTORA_HOST_PARAMS[48] = {
    F("GlobalGain", "dB", "Global gain", -80, 10, 0, ENGINE_INDEX_GAIN, CONV_DB),
    F("GlobalSpeed", "%", "Simulates global wind speed", 0, 100, 100, 0, CONV_PERCENT),
    F("AutoToManual", "%", "Mix between manual control and automatic control of wind speed", 0,
      100, 0, 1, CONV_PERCENT),
    F("GlobalMax", "%", "Maximum Amplitude for the automatic control of wind speed", 0, 100, 47,
      2, CONV_PERCENT),
    F("GlobalRate", "%", "Variation Rate for the automatic control of wind speed", 0, 100, 35, 3,
      CONV_PERCENT),
    F("GlobalAttack", "%", "Attack time ratio for the automatic control of wind speed", 0, 100,
      49, 4, CONV_PERCENT),
    F("GlobalMin", "%", "Minimum Amplitude for the automatic control of wind speed", 0, 100, 19,
      5, CONV_PERCENT),
    F("BackflowLevel", "dB", "Main Level of the background flow", -80, 10, -13, 7, CONV_DB),
    I("BackflowShape", "Backflow Shape", 26, 10, NOISE_SHAPE_HOST_NAMES, 6, CONV_CHOICE),
    I("BackflowFilter", "Background flow Filter type", 2, 0, BACKFLOW_FILTER_HOST_NAMES, 8,
      CONV_CHOICE),
    F("BackflowFreq", "%", "Background flow filter frequency", 0, 100, 44, 9, CONV_PERCENT),
    F("BackflowQ", "%", "Background flow filter Q factor", 0, 100, 14, 10, CONV_PERCENT),
    F("BackflowRate", "%",
      "Background flow variation Rate (unused when the mix is set on \"global\")", 0, 100, 53, 11,
      CONV_PERCENT),
    F("VariationRange", "%",
      "Background flow variation Amplitude (unused when the mix is set on \"global\")", 0, 100,
      93, 12, CONV_PERCENT),
    F("BackflowLoCut", "Hz", "Background flow lowcut filter frequency", 50, 20000, 50, 13,
      CONV_NONE),
    F("BackflowHiCut", "Hz", "Background flow highcut filter frequency", 50, 20000, 14234, 14,
      CONV_NONE),
    F("BackflowCoupl", "%",
      "Mix between global wind behavior and local Backflow behaviour - controlled by Rate and "
      "Var",
      0, 100, 100, 15, CONV_PERCENT),
    F("WhistlingLevel", "dB", "Main Level of the Whistling", -80, 10, 0, 16, CONV_DB),
    I("WhistlingShape", "Whistling Shape", 2, 1, SMALL_SHAPE_NAMES, 17, CONV_CHOICE),
    F("WhistlingQ", "%", "Whistling filter Q factor", 0, 100, 33, 18, CONV_PERCENT),
    F("WhistlingFloor", "%", "Lower bound of the whistling dynamic", 0, 100, 0.8f, 19,
      CONV_PERCENT),
    F("WhistlingRate", "%",
      "Whistling variation Rate  (unused when the mix is set on \"global\")", 0, 100, 59, 20,
      CONV_PERCENT),
    F("WhistlingFmin", "Hz", "Whistling Min Frequency", 200, 1000, 345, 21, CONV_NONE),
    F("WhistlingFmax", "Hz", "Whistling Max Frequency", 1000, 5000, 2096, 22, CONV_NONE),
    F("WhistlingPres", "%",
      "Whistling Gain/Frequency dependency - Less salient with high Floor values", 0, 100, 75, 23,
      CONV_PERCENT),
    F("WhistlingLoCut", "Hz", "Whistling lowcut filter frequency", 50, 20000, 50, 24, CONV_NONE),
    F("WhistlingHiCut", "Hz", "Whistling highcut filter frequency", 50, 20000, 6947, 25,
      CONV_NONE),
    F("WhistlingCoupl", "%",
      "Mix between global wind behavior and local Whistling behaviour - controlled by Rate", 0,
      100, 100, 26, CONV_PERCENT),
    F("GustsLevel", "dB", "Main Level of the Gusts", -80, 10, -14.3f, 27, CONV_DB),
    I("GustsShape", "Gusts Shape", 26, 24, NOISE_SHAPE_HOST_NAMES, 28, CONV_CHOICE),
    F("GustsMax", "%", "Gusts maximum Amplitude (unused when the mix is set on \"global\")", 0,
      100, 77, 29, CONV_PERCENT),
    F("GustsRate", "%", "Gusts variation Rate (unused when the mix is set on \"global\")", 0, 100,
      59, 30, CONV_PERCENT),
    F("GustsAttack", "%", "Gusts Attack time ratio (unused when the mix is set on \"global\")", 0,
      100, 48, 31, CONV_PERCENT),
    F("GustsMin", "%", "Gusts minimum Amplitude (unused when the mix is set on \"global\")", 0,
      100, 18, 32, CONV_PERCENT),
    F("GustsLoCut", "Hz", "Gusts lowcut filter frequency", 50, 20000, 50, 33, CONV_NONE),
    F("GustsHiCut", "Hz", "Gusts highcut filter frequency", 50, 20000, 3007, 34, CONV_NONE),
    F("GustsCoupl", "%",
      "Mix between global wind behavior and local Gust behaviour - controlled by Rate, Attack, "
      "Min and Max",
      0, 100, 10, 35, CONV_PERCENT),
    F("SquallsLevel", "dB", "Main Level of the Squalls", -80, 10, 0, 36, CONV_DB),
    I("SquallsShape", "Squalls Shape", 2, 0, SMALL_SHAPE_NAMES, 37, CONV_CHOICE),
    F("SquallsAmp", "%", "Squalls maximum amplitude (unused when the mix is set on \"global\")",
      0, 100, 0, 38, CONV_PERCENT),
    F("SquallsRate", "%", "Squalls variation Rate", 0, 100, 50, 39, CONV_PERCENT),
    F("SquallsFloor", "%", "Squalls minimum amplitude", 0, 100, 10, 40, CONV_PERCENT),
    F("SquallsLoCut", "Hz", "Squalls lowcut filter frequency", 50, 20000, 50, 41, CONV_NONE),
    F("SquallsHiCut", "Hz", "Squalls highcut filter frequency", 50, 20000, 20000, 42, CONV_NONE),
    F("SquallsCoupl", "%",
      "Mix between global wind behavior and local Squalls behaviour - controlled by Amp knob", 0,
      100, 0, 43, CONV_PERCENT),
    F("LFE", "dB", "Main Level of the Low Frequency Effect", -80, 10, 0, 44, CONV_DB),
    F("LFECut", "Hz", "Low Frequency Effect highcut filter frequency", 20, 400, 96, 45,
      CONV_NONE),
    I("Format", "Speaker Setup", 3, 1, FORMAT_NAMES, ENGINE_INDEX_FORMAT, CONV_FORMAT),
};

#undef F
#undef I
