// Values and names as users type them: every parameter value checked against
// the range 'params' lists, choices by name, names in any letter case with
// the nearest ones offered for a typo, options in any order.

#include "tests/tools/ostrelle_fixture.h"
#include "tools/lookup.h"
#include "tools/names.h"
#include "tools/param_values.h"
#include "tools/tool_error.h"

using namespace ostrelle_test;

namespace {

// The message a refused value gives, or "" when it is accepted.
std::string refusal(const synth_kind& k, int index, const std::string& text) {
  try {
    parse_param_value(k, index, text, "--set x");
  } catch (const tool_error& e) {
    return e.what();
  }
  return "";
}

TEST(ParamValues, EveryParameterTakesItsListedRangeAndNothingElse) {
  for (const char* engine : {"wind", "rain"}) {
    const synth_kind& k = *synth_find(engine);
    for (uint32_t i = 0; i < k.param_count; ++i) {
      const parameter_info& p = k.table[i];
      SCOPED_TRACE(p.key);
      const int idx = static_cast<int>(i);
      EXPECT_EQ(parse_param_value(k, idx, format_value(p, p.min), "x"), p.min);
      EXPECT_EQ(parse_param_value(k, idx, format_value(p, p.max), "x"), p.max);
      // Just outside each end (the next whole number for a choice), and far out.
      const float step = p.type == PARAM_CHOICE ? 1.0f : (p.max - p.min) * 0.01f + 1e-3f;
      for (const float outside : {p.min - step, p.max + step, p.max * 1e6f + 1.0f}) {
        const std::string text = format_value(p, outside);
        const std::string says = refusal(k, idx, text);
        // One line naming the key and the range that 'params' lists.
        EXPECT_NE(says.find(std::string(p.key) + " takes " + format_value(p, p.min) + ".." +
                            format_value(p, p.max)),
                  std::string::npos)
            << text << ": " << says;
        EXPECT_EQ(says.find('\n'), std::string::npos);
      }
      for (const char* junk : {"", "loud", "nan", "inf", "-inf", "1e40", "0x", "1,5"})
        EXPECT_NE(refusal(k, idx, junk), "") << junk;
    }
  }
}

TEST(ParamValues, ChoicesTakeTheirNamesInAnyCaseAndWholeNumbersOnly) {
  for (const char* engine : {"wind", "rain"}) {
    const synth_kind& k = *synth_find(engine);
    for (uint32_t i = 0; i < k.param_count; ++i) {
      const parameter_info& p = k.table[i];
      if (p.type != PARAM_CHOICE) continue;
      SCOPED_TRACE(p.key);
      for (int c = 0; c < p.choice_count; ++c) {
        std::string upper = p.choice_names[c], underscored = p.choice_names[c];
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        for (char& ch : underscored) ch = ch == ' ' ? '_' : ch;
        for (const std::string& name : {std::string(p.choice_names[c]), upper, underscored})
          EXPECT_EQ(parse_param_value(k, static_cast<int>(i), name, "x"), static_cast<float>(c))
              << name;
      }
      EXPECT_NE(refusal(k, static_cast<int>(i), "1.5").find("not a whole number"),
                std::string::npos);
    }
  }
  // A misspelt name is answered with the nearest ones.
  const synth_kind& wind = *synth_find("wind");
  EXPECT_NE(refusal(wind, param_index(wind, "backflow_shape"), "blizard").find("Blizzard"),
            std::string::npos);
}

TEST(Names, MatchAnyCaseAndSeparatorAndSuggestTheNearest) {
  const std::vector<std::string_view> names = {"Blizzard_Low", "Blizzard_Med", "Blizzard_High",
                                               "Hall", "Hall_2", "Sea Low"};
  EXPECT_EQ(name_find(names, "BLIZZARD_HIGH"), 2);
  EXPECT_EQ(name_find(names, "blizzard-high"), 2);
  EXPECT_EQ(name_find(names, "sea_low"), 5);
  EXPECT_EQ(name_find(names, "Blizzard"), -1);
  // One edit away, a swap of neighbours counting as one.
  EXPECT_EQ(name_suggestion(names, "Blizard_High"), "did you mean Blizzard_High?");
  EXPECT_EQ(name_suggestion(names, "blizzard_hihg"), "did you mean Blizzard_High?");
  // Equally near names are all offered, three at most, in list order.
  EXPECT_EQ(name_suggestion(names, "Hal"), "did you mean Hall?");
  EXPECT_EQ(name_suggestion(names, "blizzard"),
            "did you mean Blizzard_Low, Blizzard_Med or Blizzard_High?");
  // Nothing close: no suggestion rather than a wild guess.
  EXPECT_EQ(name_suggestion(names, "thunder"), "");
  EXPECT_EQ(name_suggestion(names, ""), "");
}

TEST_F(Ostrelle, OutOfRangeValuesAreRefusedWithKeyAndRange) {
  struct bad {
    std::string args, says;
  };
  const bad cases[] = {
      {"render wind -o x.wav --set global_gain=1e6", "global_gain takes 0..1"},
      {"render wind -o x.wav --set global_control=1.5", "global_control takes 0..1"},
      {"render rain -o x.wav --set rumble_hcut=25", "rumble_hcut takes 50..20000 Hz"},
      {"render rain -o x.wav --set liquid_sweep_frequency=500", "takes 0.5..400"},
      {"render wind -o x.wav --set backflow_shape=27", "backflow_shape takes 0..26"},
      {"render wind -o x.wav --set backflow_filtertype=-1", "backflow_filtertype takes 0..2"},
      {"render wind -o x.wav --set whistling_shape=1.5", "whistling_shape takes 0..2"},
      {"render wind -o x.wav --automate global_gain=0:0.5,2:3", "global_gain takes 0..1"},
      {"render wind -o x.wav --automate backflow_shape=0:0,1:40", "backflow_shape takes 0..26"},
      {"preset save rain -o x.preset --set shower_color=100", "shower_color takes 300..1500 Hz"},
      {"render wind -o x.wav --set backflow_shape=blizard", "did you mean Blizzard?"},
  };
  for (const auto& c : cases) expect_refused(c.args, c.says);
}

TEST_F(Ostrelle, NamesInAnyCaseOptionsInAnyOrder) {
  const std::string base = "--seconds 0.3 --quiet";
  ASSERT_EQ(run("render wind -o a.wav " + base +
                " --preset Blizzard_High --layout quad --set backflow_shape=10"
                " --automate gusts_shape=0:2,0.2:5")
                .status,
            0);
  // Every name in another case, choices by name, options before, between
  // and after the positional engine.
  const result r = run("render --set backflow_shape=BLIZZARD --automate gusts_shape=0:2,0.2:5 "
                       "Wind --preset blizzard_high -o b.wav " + base + " --format QUAD");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(slurp(path("a.wav")) == slurp(path("b.wav")));

  const result typo = run("render wind -o c.wav --preset Blizard_High");
  EXPECT_NE(typo.err.find("did you mean Blizzard_High?"), std::string::npos) << typo.err;
  const result engine = run("render wnid -o c.wav");
  EXPECT_NE(engine.err.find("did you mean wind?"), std::string::npos) << engine.err;
  const result key = run("render rain -o c.wav --set rumble_levl=1");
  EXPECT_NE(key.err.find("did you mean rumble_level?"), std::string::npos) << key.err;
  const result layout = run("render rain -o c.wav --layout sterep");
  EXPECT_NE(layout.err.find("did you mean stereo?"), std::string::npos) << layout.err;
}

}  // namespace
