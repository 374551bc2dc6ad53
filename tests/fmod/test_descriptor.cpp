// The plug-in description and both parameter tables as the host reads them
// through FMODGetDSPDescription: every field of every record.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/fmod/fmod_test_util.h"

namespace {

using fmod_test::RAIN;
using fmod_test::WIND;

enum kind { FLOAT = FMOD_DSP_PARAMETER_TYPE_FLOAT, INT = FMOD_DSP_PARAMETER_TYPE_INT };

using name_list = std::vector<const char*>;

const name_list NOISE_SHAPES = {
    "Flatlands Bass", "Flatlands",   "Arctic Bass", "Forest Bass", "Forest HCut",  "Forest",
    "Arctic",         "Steppes",     "Steppes Far", "Steppes Low", "Blizzard",     "Blizzard Far",
    "Sea Low",        "Sea High",    "Woods",       "Woods Low",   "Woods Far",    "Woods Bass",
    "Woods 2",        "Noisy",       "Noisy High",  "Plains Low",  "Plains Grass", "Plains High",
    "Dessert Noise",  "Dessert Low", "Desert"};
const name_list FILTER_TYPES = {"Low Pass", "Band Pass", "All Pass"};
const name_list SMALL_SHAPES = {"Medium", "Large", "Narrow"};
const name_list FORMATS = {"Mono", "Stereo", "Quad", "5.1"};

struct expected_row {
  kind type;
  const char* name;
  const char* label;
  float min, max, def;
  name_list names;  // int rows: the value names from min
  const char* description;
};

// clang-format off
const std::vector<expected_row> WIND_ROWS = {
    {FLOAT, "GlobalGain", "dB", -80, 10, 0, {},
     "Global gain"},
    {FLOAT, "GlobalSpeed", "%", 0, 100, 100, {},
     "Simulates global wind speed"},
    {FLOAT, "AutoToManual", "%", 0, 100, 0, {},
     "Mix between manual control and automatic control of wind speed"},
    {FLOAT, "GlobalMax", "%", 0, 100, 47, {},
     "Maximum Amplitude for the automatic control of wind speed"},
    {FLOAT, "GlobalRate", "%", 0, 100, 35, {},
     "Variation Rate for the automatic control of wind speed"},
    {FLOAT, "GlobalAttack", "%", 0, 100, 49, {},
     "Attack time ratio for the automatic control of wind speed"},
    {FLOAT, "GlobalMin", "%", 0, 100, 19, {},
     "Minimum Amplitude for the automatic control of wind speed"},
    {FLOAT, "BackflowLevel", "dB", -80, 10, -13, {},
     "Main Level of the background flow"},
    {INT, "BackflowShape", "", 0, 26, 10, NOISE_SHAPES,
     "Backflow Shape"},
    {INT, "BackflowFilter", "", 0, 2, 0, FILTER_TYPES,
     "Background flow Filter type"},
    {FLOAT, "BackflowFreq", "%", 0, 100, 44, {},
     "Background flow filter frequency"},
    {FLOAT, "BackflowQ", "%", 0, 100, 14, {},
     "Background flow filter Q factor"},
    {FLOAT, "BackflowRate", "%", 0, 100, 53, {},
     "Background flow variation Rate (unused when the mix is set on \"global\")"},
    {FLOAT, "VariationRange", "%", 0, 100, 93, {},
     "Background flow variation Amplitude (unused when the mix is set on \"global\")"},
    {FLOAT, "BackflowLoCut", "Hz", 50, 20000, 50, {},
     "Background flow lowcut filter frequency"},
    {FLOAT, "BackflowHiCut", "Hz", 50, 20000, 14234, {},
     "Background flow highcut filter frequency"},
    {FLOAT, "BackflowCoupl", "%", 0, 100, 100, {},
     "Mix between global wind behavior and local Backflow behaviour - controlled by Rate and Var"},
    {FLOAT, "WhistlingLevel", "dB", -80, 10, 0, {},
     "Main Level of the Whistling"},
    {INT, "WhistlingShape", "", 0, 2, 1, SMALL_SHAPES,
     "Whistling Shape"},
    {FLOAT, "WhistlingQ", "%", 0, 100, 33, {},
     "Whistling filter Q factor"},
    {FLOAT, "WhistlingFloor", "%", 0, 100, 0.8, {},
     "Lower bound of the whistling dynamic"},
    {FLOAT, "WhistlingRate", "%", 0, 100, 59, {},
     "Whistling variation Rate  (unused when the mix is set on \"global\")"},
    {FLOAT, "WhistlingFmin", "Hz", 200, 1000, 345, {},
     "Whistling Min Frequency"},
    {FLOAT, "WhistlingFmax", "Hz", 1000, 5000, 2096, {},
     "Whistling Max Frequency"},
    {FLOAT, "WhistlingPres", "%", 0, 100, 75, {},
     "Whistling Gain/Frequency dependency - Less salient with high Floor values"},
    {FLOAT, "WhistlingLoCut", "Hz", 50, 20000, 50, {},
     "Whistling lowcut filter frequency"},
    {FLOAT, "WhistlingHiCut", "Hz", 50, 20000, 6947, {},
     "Whistling highcut filter frequency"},
    {FLOAT, "WhistlingCoupl", "%", 0, 100, 100, {},
     "Mix between global wind behavior and local Whistling behaviour - controlled by Rate"},
    {FLOAT, "GustsLevel", "dB", -80, 10, -14.3, {},
     "Main Level of the Gusts"},
    {INT, "GustsShape", "", 0, 26, 24, NOISE_SHAPES,
     "Gusts Shape"},
    {FLOAT, "GustsMax", "%", 0, 100, 77, {},
     "Gusts maximum Amplitude (unused when the mix is set on \"global\")"},
    {FLOAT, "GustsRate", "%", 0, 100, 59, {},
     "Gusts variation Rate (unused when the mix is set on \"global\")"},
    {FLOAT, "GustsAttack", "%", 0, 100, 48, {},
     "Gusts Attack time ratio (unused when the mix is set on \"global\")"},
    {FLOAT, "GustsMin", "%", 0, 100, 18, {},
     "Gusts minimum Amplitude (unused when the mix is set on \"global\")"},
    {FLOAT, "GustsLoCut", "Hz", 50, 20000, 50, {},
     "Gusts lowcut filter frequency"},
    {FLOAT, "GustsHiCut", "Hz", 50, 20000, 3007, {},
     "Gusts highcut filter frequency"},
    {FLOAT, "GustsCoupl", "%", 0, 100, 10, {},
     "Mix between global wind behavior and local Gust behaviour - controlled by Rate, Attack, Min and Max"},
    {FLOAT, "SquallsLevel", "dB", -80, 10, 0, {},
     "Main Level of the Squalls"},
    {INT, "SquallsShape", "", 0, 2, 0, SMALL_SHAPES,
     "Squalls Shape"},
    {FLOAT, "SquallsAmp", "%", 0, 100, 0, {},
     "Squalls maximum amplitude (unused when the mix is set on \"global\")"},
    {FLOAT, "SquallsRate", "%", 0, 100, 50, {},
     "Squalls variation Rate"},
    {FLOAT, "SquallsFloor", "%", 0, 100, 10, {},
     "Squalls minimum amplitude"},
    {FLOAT, "SquallsLoCut", "Hz", 50, 20000, 50, {},
     "Squalls lowcut filter frequency"},
    {FLOAT, "SquallsHiCut", "Hz", 50, 20000, 20000, {},
     "Squalls highcut filter frequency"},
    {FLOAT, "SquallsCoupl", "%", 0, 100, 0, {},
     "Mix between global wind behavior and local Squalls behaviour - controlled by Amp knob"},
    {FLOAT, "LFE", "dB", -80, 10, 0, {},
     "Main Level of the Low Frequency Effect"},
    {FLOAT, "LFECut", "Hz", 20, 400, 96, {},
     "Low Frequency Effect highcut filter frequency"},
    {INT, "Format", "", 0, 3, 1, FORMATS,
     "Speaker Setup"},
};
// clang-format on

// clang-format off
const std::vector<expected_row> RAIN_ROWS = {
    {FLOAT, "GlobalGain", "dB", -80, 10, 0, {},
     "Global Gain"},
    {FLOAT, "GlobalStrength", "%", 0, 100, 24, {},
     "Manual Control of rain strength"},
    {FLOAT, "AutoToManual", "%", 0, 100, 100, {},
     "Mix between manual control and automatic control of rain strength"},
    {FLOAT, "GlobalMax", "%", 0, 100, 55, {},
     "Maximum Amplitude for the automatic control of rain strength"},
    {FLOAT, "GlobalRate", "%", 0, 100, 57, {},
     "Variation Rate for the automatic control of rain strength"},
    {FLOAT, "GlobalAttack", "%", 0, 100, 0, {},
     "Attack time ratio for the automatic control of rain strength"},
    {FLOAT, "GlobalMin", "%", 0, 100, 18, {},
     "Minimum Amplitude for the automatic control of rain strength"},
    {FLOAT, "RumbleLevel", "dB", -80, 10, -7.33, {},
     "Main Level of the Rumble"},
    {FLOAT, "RumbleDensity", "%", 0, 100, 30, {},
     "Rumble Density (unused when density is driven by the rain behavior)"},
    {FLOAT, "RumbleNotchQ", "%", 0, 100, 15, {},
     "Rumble Notch Q factor"},
    {FLOAT, "RumbleHiCut", "Hz", 50, 20000, 8057, {},
     "Rumble highcut filter frequency"},
    {FLOAT, "RumbleLoCut", "Hz", 50, 600, 221, {},
     "Rumble lowcut filter frequency"},
    {FLOAT, "RumbleCoupl", "%", 0, 100, 100, {},
     "Mix between global rain behavior and local Rumble behavior"},
    {FLOAT, "ShowerLevel", "dB", -80, 10, 0, {},
     "Main level of the Shower"},
    {FLOAT, "ShowerColor", "Hz", 300, 1500, 362, {},
     "Shower Color)"},
    {FLOAT, "ShowerLoCut", "Hz", 50, 20000, 988, {},
     "Shower lowcut filter frequency"},
    {FLOAT, "ShowerHiCut", "Hz", 50, 20000, 1229, {},
     "Shower highcut filter frequency"},
    {FLOAT, "Liquid1Level", "dB", -80, 10, -8.56, {},
     "Main Level of Liquid 1"},
    {FLOAT, "Liquid1Density", "%", 0, 100, 71, {},
     "Amount of Drops per time unit for Liquid 1"},
    {FLOAT, "Liquid1Color", "Hz", 10, 5000, 179, {},
     "Drops Color for Liquid 1"},
    {FLOAT, "Liquid1Visc", "Hz", 0.5, 400, 177, {},
     "Drops Viscosity  for Liquid 1"},
    {FLOAT, "Liquid1Min", "%", 0, 100, 62, {},
     "Drops Tone low bound for Liquid 1"},
    {FLOAT, "Liquid1Max", "%", 0, 100, 100, {},
     "Drops Tone high bound  for Liquid 1"},
    {FLOAT, "Liquid1LoCut", "Hz", 250, 1600, 395, {},
     "Liquid 1 lowcut filter frequency"},
    {FLOAT, "Liquid1HiCut", "Hz", 4000, 6000, 4049, {},
     "Liquid 1 highcut filter frequency"},
    {FLOAT, "Liquid2Level", "dB", -80, 10, -100, {},
     "Main Level of Liquid 2"},
    {FLOAT, "Liquid2Density", "%", 0, 100, 0, {},
     "Amount of Drops per time unit for Liquid 2"},
    {FLOAT, "Liquid2Color", "Hz", 10, 5000, 500, {},
     "Drops Color for Liquid 2"},
    {FLOAT, "Liquid2Visc", "Hz", 0.5, 400, 1, {},
     "Drops Viscosity  for Liquid 2"},
    {FLOAT, "Liquid2Min", "%", 0, 100, 100, {},
     "Drops Tone low bound for Liquid 2"},
    {FLOAT, "Liquid2Max", "%", 0, 100, 100, {},
     "Drops Tone high bound  for Liquid 2"},
    {FLOAT, "Liquid2LoCut", "Hz", 250, 1600, 380, {},
     "Liquid 2 lowcut filter frequency"},
    {FLOAT, "Liquid2HiCut", "Hz", 4000, 6000, 4500, {},
     "Liquid 2 highcut filter frequency"},
    {FLOAT, "LFE", "dB", -80, 10, 0, {},
     "Main Level of the Low Frequency Effect"},
    {FLOAT, "LFECut", "Hz", 20, 400, 120, {},
     "Low Frequency Effect highcut filter frequency"},
    {INT, "Format", "", 0, 3, 1, FORMATS,
     "Speaker Setup"},
};
// clang-format on

// A fixed-size char field holds exactly the text, NUL-terminated inside it.
testing::AssertionResult field_is(const char (&field)[16], const char* text) {
  if (std::memchr(field, 0, sizeof field) == nullptr)
    return testing::AssertionFailure() << "no terminating NUL in the 16-byte field";
  if (std::strcmp(field, text) != 0)
    return testing::AssertionFailure() << "\"" << field << "\" instead of \"" << text << "\"";
  return testing::AssertionSuccess();
}

void check_table(const FMOD_DSP_DESCRIPTION* d, const std::vector<expected_row>& rows) {
  ASSERT_EQ(d->numparameters, static_cast<int>(rows.size()));
  ASSERT_NE(d->paramdesc, nullptr);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("parameter " + std::to_string(i) + " " + rows[i].name);
    const expected_row& x = rows[i];
    const FMOD_DSP_PARAMETER_DESC* p = d->paramdesc[i];
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->type, x.type);
    EXPECT_TRUE(field_is(p->name, x.name));
    EXPECT_TRUE(field_is(p->label, x.label));
    ASSERT_NE(p->description, nullptr);
    EXPECT_STREQ(p->description, x.description);
    if (x.type == FLOAT) {
      EXPECT_EQ(p->floatdesc.min, x.min);
      EXPECT_EQ(p->floatdesc.max, x.max);
      EXPECT_EQ(p->floatdesc.defaultval, x.def);
      EXPECT_EQ(p->floatdesc.mapping.type, FMOD_DSP_PARAMETER_FLOAT_MAPPING_TYPE_AUTO);
      EXPECT_EQ(p->floatdesc.mapping.piecewiselinearmapping.numpoints, 0);
      EXPECT_EQ(p->floatdesc.mapping.piecewiselinearmapping.pointparamvalues, nullptr);
      EXPECT_EQ(p->floatdesc.mapping.piecewiselinearmapping.pointpositions, nullptr);
    } else {
      EXPECT_EQ(p->intdesc.min, static_cast<int>(x.min));
      EXPECT_EQ(p->intdesc.max, static_cast<int>(x.max));
      EXPECT_EQ(p->intdesc.defaultval, static_cast<int>(x.def));
      EXPECT_EQ(p->intdesc.goestoinf, 0);
      ASSERT_EQ(x.names.size(), static_cast<std::size_t>(x.max - x.min + 1));
      ASSERT_NE(p->intdesc.valuenames, nullptr);
      for (std::size_t k = 0; k < x.names.size(); ++k) {
        ASSERT_NE(p->intdesc.valuenames[k], nullptr) << "value name " << k;
        EXPECT_STREQ(p->intdesc.valuenames[k], x.names[k]) << "value name " << k;
      }
    }
  }
}

void check_description(const FMOD_DSP_DESCRIPTION* d, const char* name, int numparameters) {
  EXPECT_EQ(d->pluginsdkversion, 110u);
  ASSERT_NE(std::memchr(d->name, 0, sizeof d->name), nullptr);
  EXPECT_STREQ(d->name, name);
  EXPECT_EQ(d->version, 0x00010101u);
  EXPECT_EQ(d->numinputbuffers, 0);
  EXPECT_EQ(d->numoutputbuffers, 1);
  EXPECT_NE(d->create, nullptr);
  EXPECT_NE(d->release, nullptr);
  EXPECT_NE(d->reset, nullptr);
  EXPECT_NE(d->process, nullptr);
  EXPECT_EQ(d->read, nullptr);
  EXPECT_EQ(d->setposition, nullptr);
  EXPECT_EQ(d->numparameters, numparameters);
  EXPECT_NE(d->paramdesc, nullptr);
  EXPECT_NE(d->setparameterfloat, nullptr);
  EXPECT_NE(d->setparameterint, nullptr);
  EXPECT_NE(d->getparameterfloat, nullptr);
  EXPECT_NE(d->getparameterint, nullptr);
  EXPECT_EQ(d->setparameterbool, nullptr);
  EXPECT_EQ(d->setparameterdata, nullptr);
  EXPECT_EQ(d->getparameterbool, nullptr);
  EXPECT_EQ(d->getparameterdata, nullptr);
  EXPECT_EQ(d->shouldiprocess, nullptr);
  EXPECT_EQ(d->userdata, nullptr);
  EXPECT_EQ(d->sys_register, nullptr);
  EXPECT_EQ(d->sys_deregister, nullptr);
  EXPECT_EQ(d->sys_mix, nullptr);
}

// The description and every parameter record, byte for byte.
struct snapshot {
  FMOD_DSP_DESCRIPTION desc;
  std::vector<FMOD_DSP_PARAMETER_DESC> records;
  explicit snapshot(const FMOD_DSP_DESCRIPTION* d) : desc(*d) {
    for (int i = 0; i < d->numparameters; ++i) records.push_back(*d->paramdesc[i]);
  }
};

void check_repeatable(fmod_host::plugin_library& lib) {
  const FMOD_DSP_DESCRIPTION* first = lib.description();
  ASSERT_NE(first, nullptr);
  const snapshot a(first);
  const FMOD_DSP_DESCRIPTION* second = lib.description();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second, first);  // one static description
  EXPECT_EQ(std::memcmp(&a.desc, second, sizeof a.desc), 0);
  ASSERT_EQ(second->numparameters, static_cast<int>(a.records.size()));
  for (int i = 0; i < second->numparameters; ++i)
    EXPECT_EQ(std::memcmp(&a.records[i], second->paramdesc[i], sizeof a.records[i]), 0)
        << "parameter record " << i;
}

TEST(FmodDescription, WindDescriptionFields) {
  ASSERT_TRUE(WIND.library().loaded()) << WIND.library().error();
  check_description(WIND.library().description(), "Ostrelle Vantora", 48);
}

TEST(FmodDescription, RainDescriptionFields) {
  ASSERT_TRUE(RAIN.library().loaded()) << RAIN.library().error();
  check_description(RAIN.library().description(), "Ostrelle Pluvessa", 36);
}

TEST(FmodDescription, WindParameterTable) {
  ASSERT_TRUE(WIND.library().loaded()) << WIND.library().error();
  ASSERT_EQ(WIND_ROWS.size(), 48u);
  check_table(WIND.library().description(), WIND_ROWS);
}

TEST(FmodDescription, RainParameterTable) {
  ASSERT_TRUE(RAIN.library().loaded()) << RAIN.library().error();
  ASSERT_EQ(RAIN_ROWS.size(), 36u);
  check_table(RAIN.library().description(), RAIN_ROWS);
}

TEST(FmodDescription, RepeatedCallsYieldIdenticalContent) {
  ASSERT_TRUE(WIND.library().loaded()) << WIND.library().error();
  ASSERT_TRUE(RAIN.library().loaded()) << RAIN.library().error();
  {
    SCOPED_TRACE("wind");
    check_repeatable(WIND.library());
  }
  {
    SCOPED_TRACE("rain");
    check_repeatable(RAIN.library());
  }
}

// A host may scribble on the records it was given; the next call of the
// entry point rebuilds them.
TEST(FmodDescription, EntryPointRebuildsTheRecords) {
  for (const fmod_test::plugin_case* c : {&WIND, &RAIN}) {
    SCOPED_TRACE(c->name);
    ASSERT_TRUE(c->library().loaded()) << c->library().error();
    FMOD_DSP_DESCRIPTION* d = c->library().description();
    const snapshot a(d);
    for (int i = 0; i < d->numparameters; ++i) {
      std::memset(d->paramdesc[i]->name, 'x', sizeof d->paramdesc[i]->name);
      d->paramdesc[i]->floatdesc.max = -1.0f;
    }
    d = c->library().description();
    for (int i = 0; i < d->numparameters; ++i)
      EXPECT_EQ(std::memcmp(&a.records[i], d->paramdesc[i], sizeof a.records[i]), 0)
          << "parameter record " << i;
  }
}

}  // namespace
