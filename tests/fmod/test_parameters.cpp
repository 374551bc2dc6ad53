// The parameter callbacks: unit conversions in both directions, which engine
// parameter each host index drives, rejection of wrong kinds and unknown
// indices, and "Format" with the format query.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fmod/fmod_test_util.h"

namespace {

using fmod_host::query_result;
using fmod_test::plugin_test;
using fmod_test::RAIN;
using fmod_test::WIND;

class FmodParameters : public plugin_test {
 protected:
  void SetUp() override {
    plugin_test::SetUp();
    if (HasFatalFailure()) return;
    create();
  }

  // The engine index a host index drives: i - 1, except the wind's
  // "BackflowLevel" (7 -> 7) and "BackflowShape" (8 -> 6).
  uint32_t engine_index(int host) const {
    if (GetParam() == &WIND && host == 7) return 7;
    if (GetParam() == &WIND && host == 8) return 6;
    return static_cast<uint32_t>(host - 1);
  }
  bool is_float(int i) const { return desc_->paramdesc[i]->type == FMOD_DSP_PARAMETER_TYPE_FLOAT; }
  std::string label(int i) const { return desc_->paramdesc[i]->label; }
  int format() const { return GetParam()->format_index; }

  // Every host value as the getters report it, as raw bits, plus the
  // engine's output channel count and master gain.
  std::vector<uint32_t> all_values() {
    std::vector<uint32_t> v;
    for (int i = 0; i < desc_->numparameters; ++i) {
      uint32_t bits = 0;
      if (is_float(i)) {
        float f = 0.0f;
        EXPECT_EQ(inst().get_float(i, &f), FMOD_OK) << "index " << i;
        std::memcpy(&bits, &f, 4);
      } else {
        int n = 0;
        EXPECT_EQ(inst().get_int(i, &n), FMOD_OK) << "index " << i;
        bits = static_cast<uint32_t>(n);
      }
      v.push_back(bits);
    }
    v.push_back(static_cast<uint32_t>(probe().channels(record())));
    const float g = probe().gain(record());
    uint32_t gb;
    std::memcpy(&gb, &g, 4);
    v.push_back(gb);
    return v;
  }
};

TEST_P(FmodParameters, GlobalGainFloorIsSilence) {
  for (float db : {-80.0f, -100.0f, -1000.0f}) {
    SCOPED_TRACE("dB " + std::to_string(db));
    ASSERT_EQ(inst().set_float(0, 0.0f), FMOD_OK);
    EXPECT_EQ(probe().gain(record()), 1.0f);
    ASSERT_EQ(inst().set_float(0, db), FMOD_OK);
    EXPECT_EQ(probe().gain(record()), 0.0f);
    float back = 0.0f;
    ASSERT_EQ(inst().get_float(0, &back), FMOD_OK);
    EXPECT_EQ(back, -80.0f);
  }
}

TEST_P(FmodParameters, GlobalGainIsNotClamped) {
  ASSERT_EQ(inst().set_float(0, 10.0f), FMOD_OK);
  EXPECT_FLOAT_EQ(probe().gain(record()), 3.1622777f);
  float back = 0.0f;
  ASSERT_EQ(inst().get_float(0, &back), FMOD_OK);
  EXPECT_NEAR(back, 10.0f, 1e-5f);

  ASSERT_EQ(inst().set_float(0, -6.0f), FMOD_OK);
  EXPECT_FLOAT_EQ(probe().gain(record()), 0.50118723f);
  ASSERT_EQ(inst().get_float(0, &back), FMOD_OK);
  EXPECT_NEAR(back, -6.0f, 1e-5f);

  ASSERT_EQ(inst().set_float(0, -79.9f), FMOD_OK);
  EXPECT_GT(probe().gain(record()), 0.0f);
  ASSERT_EQ(inst().get_float(0, &back), FMOD_OK);
  EXPECT_NEAR(back, -79.9f, 1e-3f);
}

// The dB conversions run through the C runtime's powf and log10f, which are
// not the same on every system: glibc's powf is one unit in the last place
// off the correctly rounded result for some values and its log10f up to two,
// where mingw-w64's round the double-precision results. Every system must
// stay within those bounds, so the gain a host's dB value sets, and the dB it
// reads back, differ between systems by no more.
TEST_P(FmodParameters, DecibelConversionsWithinAnUlpOrTwoOfTheExactValue) {
  // The floats within n units in the last place of x.
  auto near = [](float x, int n) {
    std::vector<float> v{x};
    float up = x, down = x;
    for (int k = 0; k < n; ++k) {
      up = std::nextafter(up, INFINITY);
      down = std::nextafter(down, -INFINITY);
      v.push_back(up);
      v.push_back(down);
    }
    return v;
  };
  auto one_of = [](float got, const std::vector<float>& candidates) {
    for (float c : candidates)
      if (got == c) return true;
    return false;
  };
  for (int i = 1; i <= 18000; ++i) {
    const float db = -80.0f + 90.0f * static_cast<float>(i) / 18000.0f;
    ASSERT_EQ(inst().set_float(0, db), FMOD_OK);
    const float gain = probe().gain(record());
    const float exact_gain = static_cast<float>(std::pow(10.0, static_cast<double>(db / 20.0f)));
    EXPECT_TRUE(one_of(gain, near(exact_gain, 1))) << db << " dB gave " << gain;

    // 20 x log10f(gain), log10f itself within two ulps.
    float back = 0.0f;
    ASSERT_EQ(inst().get_float(0, &back), FMOD_OK);
    std::vector<float> readings;
    for (float l : near(static_cast<float>(std::log10(static_cast<double>(gain))), 2))
      readings.push_back(20.0f * l);
    EXPECT_TRUE(one_of(back, readings)) << "gain " << gain << " read back as " << back << " dB";
    if (HasFailure()) break;  // one report, not thousands
  }
}

// A level above 0 dB reaches the engine above 1, which the engine clamps to
// 1: it reads back as 0 dB.
TEST_P(FmodParameters, LevelAboveUnityReadsBackZero) {
  const int level = 7;  // "BackflowLevel" / "RumbleLevel"
  ASSERT_EQ(label(level), "dB");
  ASSERT_EQ(inst().set_float(level, 6.0f), FMOD_OK);
  EXPECT_EQ(probe().value_float(record(), engine_index(level)), 1.0f);
  float back = -1.0f;
  ASSERT_EQ(inst().get_float(level, &back), FMOD_OK);
  EXPECT_EQ(back, 0.0f);

  ASSERT_EQ(inst().set_float(level, -80.0f), FMOD_OK);
  EXPECT_EQ(probe().value_float(record(), engine_index(level)), 0.0f);
  ASSERT_EQ(inst().get_float(level, &back), FMOD_OK);
  EXPECT_EQ(back, -80.0f);

  ASSERT_EQ(inst().set_float(level, -20.0f), FMOD_OK);
  EXPECT_FLOAT_EQ(probe().value_float(record(), engine_index(level)), 0.1f);
  ASSERT_EQ(inst().get_float(level, &back), FMOD_OK);
  EXPECT_NEAR(back, -20.0f, 1e-4f);
}

TEST_P(FmodParameters, PercentIsAFraction) {
  ASSERT_EQ(label(1), "%");
  ASSERT_EQ(inst().set_float(1, 50.0f), FMOD_OK);
  EXPECT_EQ(probe().value_float(record(), 0), 0.5f);
  float back = 0.0f;
  ASSERT_EQ(inst().get_float(1, &back), FMOD_OK);
  EXPECT_EQ(back, 50.0f);

  ASSERT_EQ(inst().set_float(1, 12.5f), FMOD_OK);
  EXPECT_EQ(probe().value_float(record(), 0), 0.125f);
  ASSERT_EQ(inst().get_float(1, &back), FMOD_OK);
  EXPECT_EQ(back, 12.5f);
}

TEST_P(FmodParameters, HertzPassUnchanged) {
  const int hz = GetParam() == &WIND ? 14 : 10;  // "BackflowLoCut" / "RumbleHiCut"
  ASSERT_EQ(label(hz), "Hz");
  ASSERT_EQ(inst().set_float(hz, 1234.5f), FMOD_OK);
  EXPECT_EQ(probe().value_float(record(), engine_index(hz)), 1234.5f);
  float back = 0.0f;
  ASSERT_EQ(inst().get_float(hz, &back), FMOD_OK);
  EXPECT_EQ(back, 1234.5f);
}

// Every float index gets its own in-range value; each must land on its own
// engine parameter and read back unchanged.
TEST_P(FmodParameters, EveryFloatIndexDrivesItsOwnEngineParameter) {
  const int n = desc_->numparameters;
  std::vector<float> host(n, 0.0f);
  for (int i = 1; i < n; ++i) {
    if (!is_float(i)) continue;
    const FMOD_DSP_PARAMETER_DESC& d = *desc_->paramdesc[i];
    const std::string unit = label(i);
    if (unit == "dB")
      host[i] = -0.5f - 0.5f * static_cast<float>(i);
    else if (unit == "%")
      host[i] = 1.0f + 1.5f * static_cast<float>(i);
    else
      host[i] = d.floatdesc.min +
                (d.floatdesc.max - d.floatdesc.min) * (0.05f + 0.019f * static_cast<float>(i));
    ASSERT_GE(host[i], d.floatdesc.min) << "index " << i;
    ASSERT_LE(host[i], d.floatdesc.max) << "index " << i;
    ASSERT_EQ(inst().set_float(i, host[i]), FMOD_OK) << "index " << i;
  }
  for (int i = 1; i < n; ++i) {
    if (!is_float(i)) continue;
    SCOPED_TRACE("index " + std::to_string(i) + " " + desc_->paramdesc[i]->name);
    const std::string unit = label(i);
    const float e = probe().value_float(record(), engine_index(i));
    float back = 0.0f;
    ASSERT_EQ(inst().get_float(i, &back), FMOD_OK);
    if (unit == "dB") {
      EXPECT_FLOAT_EQ(e, std::pow(10.0f, host[i] / 20.0f));
      EXPECT_NEAR(back, host[i], 1e-4f);
    } else if (unit == "%") {
      EXPECT_EQ(e, host[i] / 100.0f);
      EXPECT_FLOAT_EQ(back, host[i]);
    } else {
      EXPECT_EQ(e, host[i]);
      EXPECT_EQ(back, host[i]);
    }
  }
}

TEST_P(FmodParameters, IntIndicesRoundTrip) {
  struct setting {
    int host;
    int value;
  };
  std::vector<std::vector<setting>> passes;
  if (GetParam() == &WIND) {
    // Two passes with different values, so that no two indices could swap
    // unnoticed.
    passes = {{{8, 17}, {9, 1}, {18, 2}, {29, 5}, {38, 0}},
              {{8, 3}, {9, 2}, {18, 0}, {29, 22}, {38, 1}}};
  }
  for (const auto& pass : passes) {
    for (const setting& s : pass) ASSERT_EQ(inst().set_int(s.host, s.value), FMOD_OK);
    for (const setting& s : pass) {
      SCOPED_TRACE("index " + std::to_string(s.host));
      EXPECT_EQ(probe().value_int(record(), engine_index(s.host)), s.value);
      int back = -1;
      ASSERT_EQ(inst().get_int(s.host, &back), FMOD_OK);
      EXPECT_EQ(back, s.value);
    }
  }
  const int counts[4] = {1, 2, 4, 6};
  for (int choice : {3, 0, 2, 1}) {
    SCOPED_TRACE("Format " + std::to_string(choice));
    ASSERT_EQ(inst().set_int(format(), choice), FMOD_OK);
    EXPECT_EQ(probe().channels(record()), counts[choice]);
    int back = -1;
    ASSERT_EQ(inst().get_int(format(), &back), FMOD_OK);
    EXPECT_EQ(back, choice);
  }
}

// A float callback on an int index, an int callback on a float index and any
// index outside the table: FMOD_ERR_INVALID_PARAM and no change.
TEST_P(FmodParameters, WrongKindAndUnknownIndexRejected) {
  const int n = desc_->numparameters;
  // Move everything off its defaults first, so a stray write shows.
  for (int i = 1; i < n; ++i) {
    if (is_float(i)) {
      ASSERT_EQ(inst().set_float(i, desc_->paramdesc[i]->floatdesc.min), FMOD_OK);
    }
  }
  ASSERT_EQ(inst().set_int(format(), 2), FMOD_OK);
  const std::vector<uint32_t> before = all_values();

  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE("index " + std::to_string(i));
    float f = 0.0f;
    int k = 0;
    if (is_float(i)) {
      EXPECT_EQ(inst().set_int(i, 1), FMOD_ERR_INVALID_PARAM);
      EXPECT_EQ(inst().get_int(i, &k), FMOD_ERR_INVALID_PARAM);
    } else {
      EXPECT_EQ(inst().set_float(i, 1.0f), FMOD_ERR_INVALID_PARAM);
      EXPECT_EQ(inst().get_float(i, &f), FMOD_ERR_INVALID_PARAM);
    }
  }
  for (int i : {-1, n, n + 1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE("index " + std::to_string(i));
    float f = 0.0f;
    int k = 0;
    EXPECT_EQ(inst().set_float(i, 1.0f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(inst().get_float(i, &f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(inst().set_int(i, 1), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(inst().get_int(i, &k), FMOD_ERR_INVALID_PARAM);
  }
  EXPECT_EQ(all_values(), before);
}

TEST_P(FmodParameters, FormatQuery) {
  query_result q{};
  ASSERT_EQ(inst().query(&q), FMOD_OK);
  EXPECT_EQ(q.channels, 2);
  EXPECT_EQ(q.speakermode, FMOD_SPEAKERMODE_STEREO);
  EXPECT_EQ(q.mask, 0u);

  struct expected {
    int choice, channels;
    FMOD_SPEAKERMODE mode;
  };
  for (const expected& x :
       {expected{0, 1, FMOD_SPEAKERMODE_MONO}, expected{1, 2, FMOD_SPEAKERMODE_STEREO},
        expected{2, 4, FMOD_SPEAKERMODE_QUAD}, expected{3, 6, FMOD_SPEAKERMODE_5POINT1}}) {
    SCOPED_TRACE("Format " + std::to_string(x.choice));
    ASSERT_EQ(inst().set_int(format(), x.choice), FMOD_OK);
    ASSERT_EQ(inst().query(&q), FMOD_OK);
    EXPECT_EQ(q.channels, x.channels);
    EXPECT_EQ(q.speakermode, x.mode);
    EXPECT_EQ(q.mask, 0u);
  }
}

// Choices outside 0..3 are ignored: FMOD_OK and the previous choice stays.
TEST_P(FmodParameters, FormatOutOfRangeIgnored) {
  ASSERT_EQ(inst().set_int(format(), 2), FMOD_OK);
  for (int bad : {7, -1, 4, INT_MAX, INT_MIN}) {
    SCOPED_TRACE("Format " + std::to_string(bad));
    EXPECT_EQ(inst().set_int(format(), bad), FMOD_OK);
    int back = -1;
    ASSERT_EQ(inst().get_int(format(), &back), FMOD_OK);
    EXPECT_EQ(back, 2);
    EXPECT_EQ(probe().channels(record()), 4);
    query_result q{};
    ASSERT_EQ(inst().query(&q), FMOD_OK);
    EXPECT_EQ(q.channels, 4);
    EXPECT_EQ(q.speakermode, FMOD_SPEAKERMODE_QUAD);
  }
}

TEST_P(FmodParameters, QueryWithoutBufferArray) {
  EXPECT_EQ(inst().process(0, nullptr, FMOD_DSP_PROCESS_QUERY), FMOD_OK);
  EXPECT_EQ(inst().process(512, nullptr, FMOD_DSP_PROCESS_QUERY), FMOD_OK);
  EXPECT_EQ(probe().channels(record()), 2);
  EXPECT_NE(probe().initial(record()), 0u);  // a query renders nothing
}

// An engine channel count that no "Format" choice gives (only reachable
// through the engine itself): the query reports 5.1 and the "Format" getter
// leaves its output alone.
TEST_P(FmodParameters, UnlistedChannelCount) {
  probe().set_channels(record(), 3);
  query_result q{};
  ASSERT_EQ(inst().query(&q), FMOD_OK);
  EXPECT_EQ(q.channels, 6);
  EXPECT_EQ(q.speakermode, FMOD_SPEAKERMODE_5POINT1);
  EXPECT_EQ(q.mask, 0u);
  int back = 99;
  EXPECT_EQ(inst().get_int(format(), &back), FMOD_OK);
  EXPECT_EQ(back, 99);
}

INSTANTIATE_TEST_SUITE_P(Plugins, FmodParameters, testing::Values(&WIND, &RAIN),
                         fmod_test::case_name);

// The squalls' cut-offs read back their own values, not the gusts'.
TEST(FmodWindParameters, SquallsCutsIndependentOfGusts) {
  fmod_host::memory_service::get().reset_log();
  ASSERT_TRUE(WIND.library().loaded()) << WIND.library().error();
  fmod_host::plugin_instance p(WIND.library().description());
  ASSERT_EQ(p.create(), FMOD_OK);
  const int gusts_lo = 34, gusts_hi = 35, squalls_lo = 42, squalls_hi = 43;
  ASSERT_EQ(p.set_float(gusts_lo, 100.0f), FMOD_OK);
  ASSERT_EQ(p.set_float(gusts_hi, 5000.0f), FMOD_OK);
  ASSERT_EQ(p.set_float(squalls_lo, 300.0f), FMOD_OK);
  ASSERT_EQ(p.set_float(squalls_hi, 9000.0f), FMOD_OK);
  ASSERT_EQ(p.set_float(gusts_lo, 150.0f), FMOD_OK);
  ASSERT_EQ(p.set_float(gusts_hi, 4000.0f), FMOD_OK);
  float v = 0.0f;
  ASSERT_EQ(p.get_float(squalls_lo, &v), FMOD_OK);
  EXPECT_EQ(v, 300.0f);
  ASSERT_EQ(p.get_float(squalls_hi, &v), FMOD_OK);
  EXPECT_EQ(v, 9000.0f);
  ASSERT_EQ(p.get_float(gusts_lo, &v), FMOD_OK);
  EXPECT_EQ(v, 150.0f);
  ASSERT_EQ(p.get_float(gusts_hi, &v), FMOD_OK);
  EXPECT_EQ(v, 4000.0f);
  const fmod_test::engine_probe& e = WIND.probe();
  EXPECT_EQ(e.value_float(p.plugindata(), 41), 300.0f);
  EXPECT_EQ(e.value_float(p.plugindata(), 42), 9000.0f);
}

// The rain's "Liquid2Level" default lies below the range: it is silence.
TEST(FmodRainParameters, Liquid2LevelDefaultIsSilence) {
  fmod_host::memory_service::get().reset_log();
  ASSERT_TRUE(RAIN.library().loaded()) << RAIN.library().error();
  const FMOD_DSP_DESCRIPTION* d = RAIN.library().description();
  fmod_host::plugin_instance p(d);
  ASSERT_EQ(p.create(), FMOD_OK);
  const int liquid2 = 25;
  ASSERT_EQ(p.set_float(liquid2, -20.0f), FMOD_OK);
  ASSERT_EQ(p.set_float(liquid2, d->paramdesc[liquid2]->floatdesc.defaultval), FMOD_OK);
  EXPECT_EQ(RAIN.probe().value_float(p.plugindata(), 24), 0.0f);
  float v = 0.0f;
  ASSERT_EQ(p.get_float(liquid2, &v), FMOD_OK);
  EXPECT_EQ(v, -80.0f);
}

}  // namespace
