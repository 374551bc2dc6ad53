// The two factory banks as data: categories, preset names and order, record
// headers and versions, loading, value ranges, the four reference rows, and
// the design rules each category follows (muffled insides, quiet steady room
// tones, rising families, tutorials that isolate their move).

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/preset_record.h"
#include "tests/presets/preset_test_util.h"

namespace {

using namespace preset_test;

struct category_row {
  int32_t id, kind;
  const char* name;
};

struct listed {
  int32_t category;
  std::vector<const char*> names;
};

const std::vector<category_row> WIND_CATEGORIES = {
    {0, 0, "User"},       {1, 1, "Hot Wind"}, {2, 1, "Cold Wind"},
    {3, 1, "Room Tone"},  {4, 1, "Inside"},   {5, 1, "Outside"},
    {6, 1, "FX"},         {7, 1, "Tutorial"}, {8, 1, "Room Tone Extra"},
    {10, 1, "Landmarks"}, {9, 3, "Empty"},
};

const std::vector<category_row> RAIN_CATEGORIES = {
    {0, 0, "User"},         {1, 1, "Outside"}, {2, 1, "Inside"},   {3, 1, "Strong Rain"},
    {4, 1, "Country Side"}, {5, 1, "FX"},      {6, 1, "Tutorial"}, {7, 3, "Empty"},
};

// Every wind preset in list order, by category.
const std::vector<listed> WIND_LIST = {
    {0, {"Silence"}},
    {1,
     {"Foehn_Wind_Low", "Foehn_Wind_Med", "Foehn_Wind_High", "Desert_Low", "Desert_Med",
      "Desert_High", "Dune_Low", "Dune_Med", "Dune_High", "Sand_Storm", "Summer_Mistral",
      "Hot_Dry_Low", "Hot_Dry_Med", "Hot_Dry_High"}},
    {2,
     {"Blizzard_Low", "Blizzard_Med", "Blizzard_High", "Snow_Storm", "Arctic_01", "Arctic_02",
      "Winter_Mistral", "Katabatic_Low", "Katabatic_Med", "Katabatic_High", "The_Cold_One",
      "Frost_Low", "Frost_Med", "Frost_High"}},
    {3,
     {"Office", "Room", "Underground", "Underground_2", "Ventil", "Empty_Space", "Toilet",
      "Far_Away", "Far_Away_2", "Toilet_Master"}},
    {4,
     {"Caves_Low", "Caves_High", "Windows", "Hangar", "Manor_Low", "Manor_High", "Hall", "Hall_2",
      "Airstream_Low", "Airstream_High"}},
    {5, {"Forest_Low",   "Forest_Med",   "Forest_High",  "Forest_Very_High", "Lake_01",
         "Lake_02",      "Mountain_Low", "Mountain_Med", "Mountain_High",    "Plain_Low",
         "Plain_Med",    "Plain_High",   "Valley_Low",   "Valley_Med",       "Valley_High",
         "Meadow_Low",   "Meadow_Med",   "Meadow_High",  "Seaside_Low",      "Seaside_Med",
         "Seaside_High", "Field_Low",    "Field_Med",    "Field_High"}},
    {6,
     {"Weird_Twister", "Ghibli_Wind", "Spaceship", "Radio_Interference", "Pressure_Cooker",
      "Bass_Black_Hole", "Swift_Whoosh", "Pressure", "Submarine", "Big_Dam_Far_Away"}},
    {7,
     {"Move_Global_Manual_Control", "Move_Global_Attack_Rate", "Move_Background_Var",
      "Move_Whistling_Presence", "Move_Gusts_Minmax", "Move_Squalls_Amp"}},
    {8,
     {"CaveLowMedWhistle",
      "CaveLowVeryLowWhistle",
      "CaveMedLightWhistle",
      "CaveMedVeryLowWhistle",
      "ComplexTriToneRoomTone",
      "DeadCorridorLightWhistle",
      "DeadCorridorLowWhistle",
      "DeadCorridorMedWhistle",
      "DeadCorridorSimple",
      "GenericTwoComponent",
      "GenericWithMvts",
      "HighPitchLightVent",
      "HighPitchLightVent_BckgLife",
      "LowBassNoisy",
      "LowPitchLightVent",
      "LowPitchLightVentBckgLife",
      "MedPitchLightVent",
      "MedPitchLightVentBckgLife",
      "MedVentLightMvts",
      "MedVentRegular"}},
    {10,
     {"Castaway_Beach", "Dead_Snow", "Duct_Hunt", "Eye_of_the_Cyclone", "Inside_the_Snowball",
      "Jupiter_Landing", "Lost_Water_Temple", "Sand_Cascades", "Scorched_Earth",
      "Through_the_Canyon", "Unsafe_Shelter"}},
};

// Every rain preset in list order, by category ("Country Side" comes last).
const std::vector<listed> RAIN_LIST = {
    {0, {"Silence"}},
    {1,
     {"Jungle_Low",  "Jungle_Med",  "Jungle_High",  "City_Low",     "City_Med",     "City_High",
      "Lake_Low",    "Lake_Med",    "Lake_High",    "Mountain_Low", "Mountain_Med", "Mountain_High",
      "End_Rain",    "Summer_Low",  "Summer_Med",   "Summer_High",  "Autumn",       "Winter",
      "Village_Low", "Village_Med", "Village_High", "Under_Tree"}},
    {2,
     {"Umbrella_Low", "Umbrella_Med", "Umbrella_High", "Covered_Playground_Low",
      "Covered_Playground_High", "Car_Low", "Car_High", "Log_Cabin_Low", "Log_Cabin_Med",
      "Log_Cabin_High"}},
    {3, {"Shower_Low", "Shower_Med", "Shower_High", "Monsoon_High", "Monsoon_Low", "Storm"}},
    {5,
     {"Make_Me_Wet", "Hot_Sausage", "Plane_In_The_Sky", "ET_Radio", "Psychedelic_Rain", "Geiger",
      "Pipe", "Pressure", "Plastic_Pipe", "Acid_Raindrops", "BBQ", "Interference",
      "Come_from_Outer_Space", "MicroWaves"}},
    {6,
     {"Move_Global_Manual_Control", "Move_Global_Attack_Rate", "Move_Rumble_Density",
      "Move_Shower_Color", "Move_Liquid1_Visc", "Move_Liquid2_Density"}},
    {4,
     {"Balcony_Symphony", "Cottage_Drops", "Danger_Flood", "Hardly_a_Shower", "Makeshift_Shelter",
      "Outside_Tarps", "Park_High", "Park_Med", "Park_Low", "Under_Tents", "Wet_Leaves"}},
};

const std::vector<category_row>& categories_of(bank_id b) {
  return b == bank_id::wind ? WIND_CATEGORIES : RAIN_CATEGORIES;
}
const std::vector<listed>& list_of(bank_id b) { return b == bank_id::wind ? WIND_LIST : RAIN_LIST; }

// The category whose records carry the newer version.
int32_t newer_category(bank_id b) { return b == bank_id::wind ? 10 : 4; }

class Bank : public ::testing::TestWithParam<bank_id> {};

TEST_P(Bank, CategoriesInOrder) {
  const preset_bank& bank = bank_of(GetParam());
  const auto& want = categories_of(GetParam());
  ASSERT_EQ(bank.category_count, want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(want[i].name);
    EXPECT_EQ(bank.categories[i].id, want[i].id);
    EXPECT_EQ(bank.categories[i].kind, want[i].kind);
    EXPECT_STREQ(bank.categories[i].name, want[i].name);
  }
}

TEST_P(Bank, PresetsInListOrderWithTheirCategories) {
  const preset_bank& bank = bank_of(GetParam());
  std::vector<std::pair<int32_t, const char*>> want;
  for (const auto& l : list_of(GetParam()))
    for (const char* n : l.names) want.emplace_back(l.category, n);
  ASSERT_EQ(want.size(), GetParam() == bank_id::wind ? 120u : 70u);
  ASSERT_EQ(bank.preset_count, want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(bank.presets[i].name, want[i].second);
    EXPECT_EQ(bank.presets[i].category, want[i].first) << want[i].second;
  }
}

TEST_P(Bank, NamesAreUniqueAndFound) {
  const preset_bank& bank = bank_of(GetParam());
  std::set<std::string> seen;
  for (uint32_t i = 0; i < bank.preset_count; ++i) {
    EXPECT_TRUE(seen.insert(bank.presets[i].name).second) << bank.presets[i].name;
    EXPECT_EQ(preset_bank_find(bank, bank.presets[i].name), &bank.presets[i]);
  }
  EXPECT_EQ(preset_bank_find(bank, "No_Such_Preset"), nullptr);
  EXPECT_EQ(preset_bank_find(bank, "silence"), nullptr);
}

TEST_P(Bank, EveryCategoryButEmptyHoldsPresets) {
  const preset_bank& bank = bank_of(GetParam());
  for (uint32_t c = 0; c < bank.category_count; ++c) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < bank.preset_count; ++i)
      if (bank.presets[i].category == bank.categories[c].id) ++n;
    if (bank.categories[c].kind == 3)
      EXPECT_EQ(n, 0u) << bank.categories[c].name;
    else
      EXPECT_GT(n, 0u) << bank.categories[c].name;
  }
  EXPECT_EQ(bank.presets[0].record,
            GetParam() == bank_id::wind ? VANTORA_DEFAULT_PRESET : PLUVESSA_DEFAULT_PRESET);
}

// Header, version by category, and one entry per engine index in order.
TEST_P(Bank, RecordHeadersAndEntries) {
  const bank_id b = GetParam();
  const preset_bank& bank = bank_of(b);
  for (uint32_t i = 0; i < bank.preset_count; ++i) {
    const factory_preset& p = bank.presets[i];
    SCOPED_TRACE(p.name);
    const uint32_t version = p.category == newer_category(b) ? 0x00010101u : 0x00010100u;
    EXPECT_EQ(read_u32(p.record), version);
    EXPECT_EQ(read_u32(p.record + 4), 0x7AB9CAFEu);
    EXPECT_EQ(read_u32(p.record + 8), record_size(b));
    EXPECT_EQ(read_u32(p.record + 12), 0u);
    for (uint32_t e = 0; e < entry_count(b); ++e) EXPECT_EQ(read_u32(p.record + 16 + 8 * e), e);
  }
}

// Loading succeeds and stores exactly what the record holds: nothing is
// clamped away, so every 0..1 value is in range and every choice is valid.
TEST_P(Bank, EveryRecordLoadsExactly) {
  const bank_id b = GetParam();
  const preset_bank& bank = bank_of(b);
  const parameter_info* t = table_of(b);
  for (uint32_t i = 0; i < bank.preset_count; ++i) {
    const factory_preset& p = bank.presets[i];
    SCOPED_TRACE(p.name);
    synth s(b);
    ASSERT_EQ(s.load(p.record), 0);
    for (uint32_t e = 0; e < entry_count(b); ++e) {
      EXPECT_EQ(s.raw(e), read_u32(p.record + 20 + 8 * e)) << t[e].key;
      if (t[e].type == PARAM_CHOICE) {
        EXPECT_GE(s.value(e), 0) << t[e].key;
        EXPECT_LT(s.value(e), t[e].choice_count) << t[e].key;
      }
    }
  }
}

struct host_range {
  const char* key;
  double lo, hi;
};

// The plug-ins' ranges for the parameters not on 0..1 (percent and dB
// parameters map onto 0..1; every engine level above 0 dB would be clamped).
const std::vector<host_range> WIND_HZ = {
    {"backflow_lc_freq", 50, 20000},   {"backflow_hc_freq", 50, 20000},
    {"whistling_min_freq", 200, 1000}, {"whistling_max_freq", 1000, 5000},
    {"whistling_lc_freq", 50, 20000},  {"whistling_hc_freq", 50, 20000},
    {"gusts_lc_freq", 50, 20000},      {"gusts_hc_freq", 50, 20000},
    {"squalls_lc_freq", 50, 20000},    {"squalls_hc_freq", 50, 20000},
    {"wind_lfe_freq_cutoff", 20, 400},
};
const std::vector<host_range> RAIN_HZ = {
    {"rumble_hcut", 50, 20000},
    {"rumble_hp", 50, 600},
    {"shower_color", 300, 1500},
    {"shower_lc_freq", 50, 20000},
    {"shower_hc_freq", 50, 20000},
    {"liquid_drops_color", 10, 5000},
    {"liquid_sweep_frequency", 0.5, 400},
    {"liquid_hp_freq", 250, 1600},
    {"liquid_lp_freq", 4000, 6000},
    {"liquid_2_drops_color", 10, 5000},
    {"liquid_2_sweep_frequency", 0.5, 400},
    {"liquid_2_hp_freq", 250, 1600},
    {"liquid_2_lp_freq", 4000, 6000},
    {"rain_lfe_cutoff", 20, 400},
};

TEST_P(Bank, ValuesWithinThePluginRanges) {
  const bank_id b = GetParam();
  const preset_bank& bank = bank_of(b);
  const parameter_info* t = table_of(b);
  const auto& hz = b == bank_id::wind ? WIND_HZ : RAIN_HZ;
  std::set<uint32_t> free_indices;
  for (const auto& r : hz) free_indices.insert(index_of(b, r.key));
  for (uint32_t e = 0; e < entry_count(b); ++e)
    if (t[e].kind == KIND_FREE) {
      EXPECT_EQ(free_indices.count(e), 1u) << t[e].key;
    }
  for (uint32_t i = 0; i < bank.preset_count; ++i) {
    const factory_preset& p = bank.presets[i];
    SCOPED_TRACE(p.name);
    synth s(b);
    ASSERT_EQ(s.load(p.record), 0);
    for (const auto& r : hz) {
      EXPECT_GE(s.get(r.key), r.lo) << r.key;
      EXPECT_LE(s.get(r.key), r.hi) << r.key;
    }
    for (uint32_t e = 0; e < entry_count(b); ++e)
      if (t[e].kind == KIND_UNIT) {
        EXPECT_GE(s.value(e), 0.0) << t[e].key;
        EXPECT_LE(s.value(e), 1.0) << t[e].key;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Banks, Bank, ::testing::Values(bank_id::wind, bank_id::rain),
                         [](const auto& info) { return std::string(bank_name(info.param)); });

// The four reference rows, value by value after loading (floats bit-exact).
struct reference_row {
  bank_id bank;
  const char* name;
  std::vector<float> values;  // engine-index order; choices as whole numbers
};

const std::vector<reference_row> REFERENCE_ROWS = {
    {bank_id::wind,
     "Silence",
     {1,           0,         0.467f,     0.349f, 0.49111113f, 0.18800001f, 10,         0.225f,
      0,           0.435f,    0.137f,     0.533f, 0.925f,      50,          14234.5f,   1,
      0.921f,      1,         0.331776f,  0.008f, 0.594f,      344.79364f,  2095.5142f, 0.752f,
      50,          6974.379f, 1,          0.192f, 24,          0.768f,      0.586f,     0.48222223f,
      0.17999999f, 50,        3007.1477f, 0,      0,           0,           0.3f,       0.5f,
      0,           50,        20000,      1,      0,           96}},
    {bank_id::wind,
     "Blizzard_High",
     {1,      0.47f,  1,           0.5f,   0.8333334f, 0.1f,       10,         0.398f,
      0,      0.639f, 0.22800004f, 0.533f, 0.925f,     871.0703f,  15980.883f, 0,
      0.621f, 1,      0.2640534f,  0.352f, 0.748f,     469.00528f, 3586.504f,  0.712f,
      50,     20000,  0.63f,       0.589f, 10,         0.856f,     0.5f,       0.8333334f,
      0.208f, 50,     20000,       0,      0.768f,     2,          0.408f,     0.08499999f,
      0.048f, 50,     20000,       0,      0,          120}},
    {bank_id::rain,
     "Silence",
     {0.23999998f, 1,           0.17599997f, 0.572f,     0.552f,     0,       0.43f,
      0.29600003f, 0.14799996f, 8075.191f,   220.71506f, 1,          1,       362.4461f,
      1228.7494f,  987.9425f,   0.373f,      0.7099296f, 179.41812f, 176.78f, 0.624f,
      1,           394.5259f,   4048.6719f,  0,          0,          500,     1,
      1,           1,           380,         4500,       0,          120}},
    {bank_id::rain,
     "Storm",
     {1,          0.33f,      0.744f, 0.636f, 0.81200004f, 0.108f,   1,         0.6f,   1,
      19623.695f, 60.64773f,  1,      0.275f, 600,         712.142f, 8901.158f, 0.472f, 1,
      185.73099f, 259.87604f, 0.68f,  1,      380,         4500,     0,         0,      500,
      1,          1,          1,      380,    4500,        0,        120}},
};

TEST(ReferenceRows, StoredExactly) {
  for (const auto& r : REFERENCE_ROWS) {
    SCOPED_TRACE(std::string(bank_name(r.bank)) + " " + r.name);
    ASSERT_EQ(r.values.size(), entry_count(r.bank));
    synth s(r.bank);
    ASSERT_EQ(s.load(preset_named(r.bank, r.name).record), 0);
    for (uint32_t e = 0; e < entry_count(r.bank); ++e) {
      const char* key = table_of(r.bank)[e].key;
      if (s.is_choice(e))
        EXPECT_EQ(static_cast<int32_t>(s.raw(e)), static_cast<int32_t>(r.values[e])) << key;
      else
        EXPECT_EQ(s.raw(e), bits_of(r.values[e])) << key << " " << s.value(e);
    }
  }
}

// ---- Design rules, read from the loaded values.

std::vector<const factory_preset*> in_category(bank_id b, int32_t id) {
  std::vector<const factory_preset*> out;
  const preset_bank& bank = bank_of(b);
  for (uint32_t i = 0; i < bank.preset_count; ++i)
    if (bank.presets[i].category == id) out.push_back(&bank.presets[i]);
  return out;
}

// Inside a building every audible wind layer is muffled.
TEST(DesignRules, WindInsideIsMuffled) {
  const char* const layers[][2] = {{"backflow_level", "backflow_hc_freq"},
                                   {"whistling_level", "whistling_hc_freq"},
                                   {"gusts_level", "gusts_hc_freq"},
                                   {"squalls_level", "squalls_hc_freq"}};
  const auto presets = in_category(bank_id::wind, 4);
  ASSERT_EQ(presets.size(), 10u);
  for (const factory_preset* p : presets) {
    synth s(bank_id::wind);
    ASSERT_EQ(s.load(p->record), 0);
    for (const auto& l : layers)
      if (s.get(l[0]) > 0.0) {
        EXPECT_LE(s.get(l[1]), 4000.0) << p->name << " " << l[1];
      }
  }
}

TEST(DesignRules, RainInsideIsMuffled) {
  const auto presets = in_category(bank_id::rain, 2);
  ASSERT_EQ(presets.size(), 10u);
  for (const factory_preset* p : presets) {
    synth s(bank_id::rain);
    ASSERT_EQ(s.load(p->record), 0);
    if (s.get("rumble_level") > 0.0) {
      EXPECT_LE(s.get("rumble_hcut"), 4000.0) << p->name;
    }
    if (s.get("shower_level") > 0.0) {
      EXPECT_LE(s.get("shower_hc_freq"), 4000.0) << p->name;
    }
  }
}

// Room tones are steady (little automatic variation of the wind speed) and
// narrow (the background flow's cuts within four octaves).
TEST(DesignRules, RoomTonesAreSteadyAndNarrow) {
  for (int32_t category : {3, 8}) {
    const auto presets = in_category(bank_id::wind, category);
    ASSERT_FALSE(presets.empty());
    for (const factory_preset* p : presets) {
      SCOPED_TRACE(p->name);
      synth s(bank_id::wind);
      ASSERT_EQ(s.load(p->record), 0);
      const double automatic =
          (1.0 - s.get("global_coupling_from_outside")) * s.get("global_amplitude");
      EXPECT_LE(automatic, 0.2);
      EXPECT_GT(s.get("backflow_level"), 0.0);
      EXPECT_LE(s.get("backflow_hc_freq"), 16.0 * s.get("backflow_lc_freq"));
    }
  }
}

// Along a family (Low, Med, High, Very_High) every voice level stays or
// rises, at least one rises, and the wind speed or rain strength the preset
// asks for rises: the manual share of the control plus the automatic share
// of the swell peak.
TEST(DesignRules, FamiliesRiseInLevelAndStrength) {
  for (bank_id b : {bank_id::wind, bank_id::rain}) {
    const std::vector<const char*> levels =
        b == bank_id::wind ? std::vector<const char*>{"backflow_level", "whistling_level",
                                                      "gusts_level", "squalls_level"}
                           : std::vector<const char*>{"rumble_level", "shower_level",
                                                      "liquid_level", "liquid_2_level"};
    const auto families = families_of(b);
    EXPECT_EQ(families.size(), b == bank_id::wind ? 17u : 13u);
    for (const family& f : families) {
      SCOPED_TRACE(std::string(bank_name(b)) + " " + f.stem);
      ASSERT_GE(f.members.size(), 2u);
      double prev_strength = -1.0;
      std::vector<double> prev_levels;
      for (const factory_preset* p : f.members) {
        SCOPED_TRACE(p->name);
        synth s(b);
        ASSERT_EQ(s.load(p->record), 0);
        const double c = s.get("global_coupling_from_outside");
        const double strength = c * s.get("global_control") + (1.0 - c) * s.get("global_amplitude");
        std::vector<double> lv;
        for (const char* k : levels) lv.push_back(s.get(k));
        if (!prev_levels.empty()) {
          EXPECT_GT(strength, prev_strength + 0.05);
          bool rose = false;
          for (size_t k = 0; k < lv.size(); ++k) {
            EXPECT_GE(lv[k], prev_levels[k]) << levels[k];
            rose = rose || lv[k] > prev_levels[k];
          }
          EXPECT_TRUE(rose);
        }
        prev_strength = strength;
        prev_levels = lv;
      }
    }
  }
}

// The tutorials set up the move they are named after.
TEST(DesignRules, WindTutorialsIsolateTheirMove) {
  synth s(bank_id::wind);
  ASSERT_EQ(s.load(preset_named(bank_id::wind, "Move_Global_Manual_Control").record), 0);
  EXPECT_EQ(s.get("global_coupling_from_outside"), 1.0);
  for (const char* k :
       {"coupling_between_global_source_and_backflow",
        "coupling_between_global_source_and_whistling", "coupling_between_global_source_and_gusts",
        "coupling_between_global_source_and_squalls"})
    EXPECT_EQ(s.get(k), 1.0) << k;

  ASSERT_EQ(s.load(preset_named(bank_id::wind, "Move_Global_Attack_Rate").record), 0);
  EXPECT_EQ(s.get("global_coupling_from_outside"), 0.0);
  EXPECT_GE(s.get("global_amplitude") - s.get("global_floor"), 0.5);
  EXPECT_EQ(s.get("coupling_between_global_source_and_backflow"), 1.0);
  EXPECT_EQ(s.get("coupling_between_global_source_and_gusts"), 1.0);

  ASSERT_EQ(s.load(preset_named(bank_id::wind, "Move_Background_Var").record), 0);
  EXPECT_EQ(s.get("coupling_between_global_source_and_backflow"), 0.0);
  EXPECT_GE(s.get("variation_range"), 0.5);

  ASSERT_EQ(s.load(preset_named(bank_id::wind, "Move_Whistling_Presence").record), 0);
  EXPECT_LT(s.get("whistling_floor"), 0.1);

  ASSERT_EQ(s.load(preset_named(bank_id::wind, "Move_Gusts_Minmax").record), 0);
  EXPECT_EQ(s.get("coupling_between_global_source_and_gusts"), 0.0);
  EXPECT_GE(s.get("gusts_amplitude") - s.get("gusts_floor"), 0.5);

  ASSERT_EQ(s.load(preset_named(bank_id::wind, "Move_Squalls_Amp").record), 0);
  EXPECT_EQ(s.get("coupling_between_global_source_and_squalls"), 0.0);
  EXPECT_LT(s.get("squalls_floor"), s.get("squalls_amplitude"));
}

TEST(DesignRules, RainTutorialsIsolateTheirMove) {
  synth s(bank_id::rain);
  ASSERT_EQ(s.load(preset_named(bank_id::rain, "Move_Global_Manual_Control").record), 0);
  EXPECT_EQ(s.get("global_coupling_from_outside"), 1.0);
  EXPECT_EQ(s.get("coupling_between_global_source_and_rumble"), 1.0);

  ASSERT_EQ(s.load(preset_named(bank_id::rain, "Move_Global_Attack_Rate").record), 0);
  EXPECT_EQ(s.get("global_coupling_from_outside"), 0.0);
  EXPECT_GE(s.get("global_amplitude") - s.get("global_floor"), 0.5);
  EXPECT_EQ(s.get("coupling_between_global_source_and_rumble"), 1.0);

  ASSERT_EQ(s.load(preset_named(bank_id::rain, "Move_Rumble_Density").record), 0);
  EXPECT_EQ(s.get("coupling_between_global_source_and_rumble"), 0.0);

  ASSERT_EQ(s.load(preset_named(bank_id::rain, "Move_Shower_Color").record), 0);
  EXPECT_GE(s.get("shower_hc_freq"), 8.0 * s.get("shower_lc_freq"));

  ASSERT_EQ(s.load(preset_named(bank_id::rain, "Move_Liquid1_Visc").record), 0);
  EXPECT_GT(s.get("liquid_freq_half_range"), 0.1);

  ASSERT_EQ(s.load(preset_named(bank_id::rain, "Move_Liquid2_Density").record), 0);
  EXPECT_GT(s.get("liquid_2_level"), 0.0);
  EXPECT_EQ(s.get("liquid_level"), 0.0);
}

}  // namespace

// A bank names its columns by parameter: each row's value lands in the entry
// of its column's parameter, the entries in index order, a choice stored as
// an integer; presets of the current category carry the current version.
TEST(PresetRecords, ColumnsPlaceEachValueAtItsParameter) {
  constexpr std::array<uint32_t, 3> columns = {2, 0, 1};
  constexpr std::array<bool, 3> choice = {true, false, false};
  constexpr preset_row<3> rows[] = {{"A", 0, {0.5f, 7, 2.0f}}, {"B", 1, {1, 2, 3}}};
  constexpr auto records = build_preset_records(rows, columns, choice, 1);
  auto word = [&](int r, int at) {
    uint32_t v;
    std::memcpy(&v, records[r].data() + at, 4);
    return v;
  };
  EXPECT_EQ(word(0, 0), PRESET_VERSION_FACTORY);
  EXPECT_EQ(word(1, 0), PRESET_VERSION_CURRENT);
  EXPECT_EQ(word(0, 8), 16u + 8u * 3u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(word(0, 16 + 8 * i), i);
  EXPECT_EQ(word(0, 20), 7u);  // parameter 0 is a choice, from the second column
  EXPECT_EQ(word(0, 28), std::bit_cast<uint32_t>(2.0f));
  EXPECT_EQ(word(0, 36), std::bit_cast<uint32_t>(0.5f));
  EXPECT_EQ(word(1, 20), 2u);
}

// Columns that miss a parameter, name one twice or name one past the table
// are refused (the banks check theirs at compile time).
TEST(PresetRecords, ColumnsMustNameEveryParameterOnce) {
  EXPECT_TRUE(columns_cover_every_parameter(std::array<uint32_t, 3>{2, 0, 1}));
  EXPECT_FALSE(columns_cover_every_parameter(std::array<uint32_t, 3>{0, 0, 1}));
  EXPECT_FALSE(columns_cover_every_parameter(std::array<uint32_t, 3>{0, 1, 3}));
}
