// Limiter curve, level probe, range mapping, scalar helpers and layout codes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "dsp/limiter.h"
#include "dsp/noise.h"
#include "dsp_test_util.h"

using dsp_test::bits_of;
using dsp_test::ulps;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

float limit(const limiter& l, float x) {
  limiter_process(&l, &x, 1);
  return x;
}

float mapped(float in_lo, float in_hi, float out_lo, float out_hi, float e, float x) {
  float out = -12345.0f;
  EXPECT_EQ(map_curve(in_lo, in_hi, out_lo, out_hi, e, x, &out), 0);
  return out;
}

}  // namespace

// Init: threshold 1, slope 1, transparent at any level.
TEST(LimiterCurve, InitIsTransparent) {
  limiter l;
  ASSERT_EQ(limiter_init(&l), 0);
  EXPECT_EQ(l.threshold, 1.0f);
  EXPECT_EQ(l.slope, 1.0f);
  for (float x : {0.3f, 1.0f, 2.5f, -7.0f, 100.0f}) EXPECT_EQ(limit(l, x), x);
}

// 0 dB threshold: a hard clip at +-1.
TEST(LimiterCurve, ZeroDecibelsIsAHardClip) {
  limiter l;
  limiter_init(&l);
  ASSERT_EQ(limiter_set_threshold(&l, 0.0f), 0);
  EXPECT_EQ(l.threshold, 1.0f);
  EXPECT_EQ(l.slope, 0.0f);
  EXPECT_EQ(limit(l, 1.5f), 1.0f);
  EXPECT_EQ(limit(l, -2.0f), -1.0f);
  EXPECT_EQ(limit(l, 0.3f), 0.3f);
  EXPECT_EQ(limit(l, 1.0f), 1.0f);
  EXPECT_EQ(limit(l, -1.0f), -1.0f);
  std::vector<float> b(256);
  noise_set_uniform_seed(317u);
  noise_white_process(b.data(), 256);
  for (float& v : b) v *= 3.0f;
  ASSERT_EQ(limiter_process(&l, b.data(), 256), 0);
  for (float v : b) ASSERT_LE(std::fabs(v), 1.0f);
}

// -6 dB, ratio 4: t = 0.5011872, 1.0 becomes 0.62589037.
TEST(LimiterCurve, ThresholdAndRatio) {
  limiter l;
  limiter_init(&l);
  ASSERT_EQ(limiter_set(&l, -6.0f, 4.0f), 0);
  EXPECT_NEAR(l.threshold, 0.5011872f, ulps(0.5011872f));
  EXPECT_EQ(l.threshold, static_cast<float>(std::pow(10.0, -6.0 * 0.05)));
  EXPECT_EQ(l.slope, 0.25f);
  EXPECT_NEAR(limit(l, 1.0f), 0.62589037f, ulps(0.62589037f));
  EXPECT_NEAR(limit(l, -1.0f), -0.62589037f, ulps(0.62589037f));
  EXPECT_EQ(limit(l, 0.5f), 0.5f);
}

// Ratio 0 (or not above the smallest normal, or NaN): slope 1000000.
TEST(LimiterCurve, ZeroRatioGivesASteepSlope) {
  limiter l;
  limiter_init(&l);
  for (float r : {0.0f, -2.0f, 1e-39f, NaN}) {
    limiter_set(&l, 0.0f, r);
    EXPECT_EQ(l.slope, 1000000.0f) << r;
  }
  EXPECT_EQ(limit(l, 1.5f), 500001.0f);  // the excess is amplified
}

// Odd-symmetric and continuous at the threshold.
TEST(LimiterCurve, OddSymmetricAndContinuous) {
  limiter l;
  limiter_init(&l);
  limiter_set(&l, -3.0f, 2.5f);
  const float t = l.threshold;
  for (float x : {0.1f, 0.7f, 0.9f, 1.3f, 4.0f}) EXPECT_EQ(limit(l, -x), -limit(l, x)) << x;
  EXPECT_EQ(limit(l, t), t);
  EXPECT_NEAR(limit(l, std::nextafter(t, 2.0f)), t, 1e-7);
  EXPECT_NEAR(limit(l, -std::nextafter(t, 2.0f)), -t, 1e-7);
}

// Init: null rejected, counter 0, period 64.
TEST(LevelProbe, InitDefaults) {
  EXPECT_EQ(level_probe_init(nullptr), 4);
  level_probe p{5, 7};
  ASSERT_EQ(level_probe_init(&p), 0);
  EXPECT_EQ(p.counter, 0);
  EXPECT_EQ(p.period, 64);
}

// Period 64 over 64-sample blocks: nothing at first, then index 0 each block.
TEST(LevelProbe, PeriodOfABlockTakesTheFirstSample) {
  std::vector<float> in(64);
  for (int i = 0; i < 64; ++i) in[i] = 100.0f + i;
  level_probe p;
  level_probe_init(&p);
  float out = -1.0f;
  ASSERT_EQ(level_probe_process(&p, in.data(), &out, 64), 0);
  EXPECT_EQ(out, -1.0f);
  std::vector<float> second(64);
  for (int i = 0; i < 64; ++i) second[i] = 200.0f + i;
  level_probe_process(&p, second.data(), &out, 64);
  EXPECT_EQ(out, 200.0f);
  out = -1.0f;
  level_probe_process(&p, in.data(), &out, 64);
  EXPECT_EQ(out, 100.0f);
  out = -1.0f;
  level_probe_process(&p, in.data(), &out, 0);
  EXPECT_EQ(out, -1.0f);
}

// Period 10: samples 10, 20, ..., 60 are taken; the last one stays.
TEST(LevelProbe, PeriodTenTakesEveryTenth) {
  std::vector<float> in(64);
  for (int i = 0; i < 64; ++i) in[i] = 100.0f + i;
  level_probe p;
  level_probe_init(&p);
  ASSERT_EQ(level_probe_set_period(&p, 10), 0);
  float out = -1.0f;
  level_probe_process(&p, in.data(), &out, 11);
  EXPECT_EQ(out, 110.0f);
  level_probe_process(&p, in.data() + 11, &out, 53);
  EXPECT_EQ(out, 160.0f);
  level_probe_process(&p, in.data(), &out, 5);  // counter 4..8: none taken
  EXPECT_EQ(out, 160.0f);
  level_probe_process(&p, in.data(), &out, 2);  // counter reaches 10 on the second
  EXPECT_EQ(out, 101.0f);
}

// in_lo = in_hi: out_lo + (out_hi - out_lo) * 0.5^e.
TEST(MapCurve, EmptyInputRangeUsesTheMiddle) {
  EXPECT_EQ(mapped(3.0f, 3.0f, 100.0f, 300.0f, 1.0f, 7.0f), 200.0f);
  EXPECT_EQ(mapped(3.0f, 3.0f, 100.0f, 300.0f, 2.0f, 7.0f), 150.0f);
  EXPECT_NEAR(mapped(3.0f, 3.0f, 100.0f, 300.0f, 0.5f, 7.0f), 100.0 + 200.0 * std::sqrt(0.5),
              3e-5);
  // A range narrower than 2^-23 counts as empty; exactly 2^-23 does not.
  EXPECT_EQ(mapped(0.0f, 1e-7f, 0.0f, 1.0f, 1.0f, 1e-7f), 0.5f);
  EXPECT_EQ(mapped(0.0f, 1.1920929e-7f, 0.0f, 1.0f, 1.0f, 1.1920929e-7f), 1.0f);
}

// Reversed range: 1 -> 300, 0 -> 10000.
TEST(MapCurve, ReversedRange) {
  EXPECT_EQ(mapped(1.0f, 0.0f, 300.0f, 10000.0f, 1.0f, 1.0f), 300.0f);
  EXPECT_EQ(mapped(1.0f, 0.0f, 300.0f, 10000.0f, 1.0f, 0.0f), 10000.0f);
  EXPECT_EQ(mapped(1.0f, 0.0f, 300.0f, 10000.0f, 1.0f, 0.5f), 5150.0f);
}

// The exponent shapes the curve; ends map to the ends.
TEST(MapCurve, ExponentShapesTheCurve) {
  EXPECT_EQ(mapped(0.0f, 1.0f, 0.0f, 100.0f, 2.0f, 0.5f), 25.0f);
  EXPECT_EQ(mapped(0.0f, 1.0f, 20.0f, 20000.0f, 3.0f, 0.5f), 2517.5f);
  for (float e : {0.3f, 1.0f, 2.7f}) {
    EXPECT_EQ(mapped(10.0f, 50.0f, -4.0f, 8.0f, e, 10.0f), -4.0f) << e;
    EXPECT_EQ(mapped(10.0f, 50.0f, -4.0f, 8.0f, e, 50.0f), 8.0f) << e;
  }
}

TEST(Limiter, ScalarOps) {
  float out = 0.0f;
  EXPECT_EQ(value_max(2.0f, 3.0f, &out), 0);
  EXPECT_EQ(out, 3.0f);
  value_max(NaN, 3.0f, &out);  // a > b fails: b
  EXPECT_EQ(out, 3.0f);
  value_max(3.0f, NaN, &out);
  EXPECT_TRUE(std::isnan(out));
  EXPECT_EQ(value_min(2.0f, 3.0f, &out), 0);
  EXPECT_EQ(out, 2.0f);
  value_min(NaN, 3.0f, &out);
  EXPECT_EQ(out, 3.0f);
  EXPECT_EQ(value_product(-1.5f, 3.0f, &out), 0);
  EXPECT_EQ(out, -4.5f);
}

// Codes for 0..8 channels and 2^(n mod 32) - 1 beyond.
TEST(ChannelMasks, CodesOfCounts) {
  const uint32_t table[9] = {0u, 0x80000u, 3u, 11u, 51u, 55u, 63u, 1591u, 1599u};
  for (uint32_t n = 0; n <= 8; ++n) EXPECT_EQ(channel_mask_for_count(n), table[n]) << n;
  EXPECT_EQ(channel_mask_for_count(12), 4095u);
  EXPECT_EQ(channel_mask_for_count(9), 511u);
  EXPECT_EQ(channel_mask_for_count(31), 0x7FFFFFFFu);
  EXPECT_EQ(channel_mask_for_count(33), 1u);
}

// Count of a mask: set bits among the low 30.
TEST(ChannelMasks, CountOfAMask) {
  EXPECT_EQ(channel_count_of_mask(0x80000u), 1u);
  EXPECT_EQ(channel_count_of_mask(63u), 6u);
  EXPECT_EQ(channel_count_of_mask(1599u), 8u);
  EXPECT_EQ(channel_count_of_mask(0u), 0u);
  EXPECT_EQ(channel_count_of_mask(0xC0000000u), 0u);
  EXPECT_EQ(channel_count_of_mask(0x40000003u), 2u);  // bit 30: centre-second orders
  EXPECT_EQ(channel_count_of_mask(0x8000003Fu), 6u);
  EXPECT_EQ(channel_count_of_mask(0xFFFFFFFFu), 30u);
}

// A count survives the round trip through its code.
TEST(ChannelMasks, CountSurvivesTheRoundTrip) {
  for (uint32_t n = 0; n <= 30; ++n)
    EXPECT_EQ(channel_count_of_mask(channel_mask_for_count(n)), n);
}

// Exponents 1 and 2 skip pow (their powers are exact in double): the results
// must be those of the general formula, bit for bit.
TEST(Limiter, MapCurveSquareAndIdentityMatchPow) {
  uint32_t seed = 4242u;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const float x = static_cast<float>(seed >> 8) * (1.5f / 16777216.0f) - 0.25f;
    for (float e : {1.0f, 2.0f}) {
      float got;
      map_curve(0.0f, 1.0f, 300.0f, 10000.0f, e, x, &got);
      const float t = (x - 0.0f) / (1.0f - 0.0f);
      const float want =
          static_cast<float>(std::pow(static_cast<double>(t), static_cast<double>(e))) *
              (10000.0f - 300.0f) +
          300.0f;
      ASSERT_EQ(got, want) << x << " ^ " << e;
    }
  }
}

// The limiter and the level probe against their per-sample definitions: the
// limiter over random signals crossing both knees (vector groups and the
// scalar tail, odd lengths, NaN and infinities), the probe over periods and
// block lengths that put its readings anywhere in a block, or nowhere.
TEST(Limiter, BlockFormsEqualTheirPerSampleDefinitions) {
  dsp_test::test_noise rnd(99u);
  for (const float db : {-12.0f, 0.0f, 6.0f})
    for (const float ratio : {1.0f, 3.0f, 1e9f}) {
      limiter l;
      limiter_init(&l);
      limiter_set(&l, db, ratio);
      for (const int n : {1, 3, 4, 7, 64, 67}) {
        std::vector<float> block(static_cast<size_t>(n)), want;
        for (float& x : block) x = 3.0f * rnd();
        if (n > 4) block[2] = NAN, block[3] = INFINITY, block[4] = -INFINITY;
        want = block;
        for (float& x : want) {
          const float t = l.threshold, s = l.slope;
          if (x > t)
            x = (x - t) * s + t;
          else if (x < -t)
            x = (t + x) * s - t;
        }
        ASSERT_EQ(limiter_process(&l, block.data(), n), 0);
        for (int i = 0; i < n; ++i)
          ASSERT_TRUE(bits_of(block[static_cast<size_t>(i)]) ==
                          bits_of(want[static_cast<size_t>(i)]) ||
                      (std::isnan(block[static_cast<size_t>(i)]) &&
                       std::isnan(want[static_cast<size_t>(i)])))
              << db << " " << ratio << " " << n << " " << i;
      }
    }
  std::vector<float> in(64);
  for (int i = 0; i < 64; ++i) in[static_cast<size_t>(i)] = static_cast<float>(i);
  for (const int32_t period : {0, 1, 5, 63, 64, 65, 256})
    for (const int start : {0, 3, 64, 300}) {
      level_probe p;
      level_probe_init(&p);
      level_probe_set_period(&p, period);
      p.counter = start;
      int32_t counter = start;
      float out = -1.0f, want = -1.0f;
      for (int block = 0; block < 40; ++block) {
        const int n = block % 3 == 0 ? 64 : 16;
        level_probe_process(&p, in.data(), &out, n);
        for (int i = 0; i < n; ++i) {  // the definition, sample by sample
          if (counter == period) {
            want = in[static_cast<size_t>(i)];
            counter = 0;
          }
          ++counter;
        }
        ASSERT_EQ(out, want) << period << " " << start << " " << block;
        ASSERT_EQ(p.counter, counter) << period << " " << start << " " << block;
      }
    }
}

// The probe's reading sample and its advance from that sample's value alone
// leave the output and counter that processing the whole block leaves, for
// periods below, at and above the block length (and none at all), counters
// before, at and past the period, and short blocks.
TEST(Limiter, LevelProbeReadingAndAdvanceEqualProcess) {
  std::vector<float> in(64);
  for (int i = 0; i < 64; ++i) in[i] = 1000.0f + static_cast<float>(i);
  for (const int32_t period : {-3, 0, 1, 7, 10, 63, 64, 65, 256})
    for (const int32_t counter : {0, 1, 5, 63, 64, 200, 255, 256, 300})
      for (const int n : {1, 8, 64}) {
        SCOPED_TRACE(std::to_string(period) + " " + std::to_string(counter) + " " +
                     std::to_string(n));
        level_probe whole{counter, period}, known = whole;
        float out_whole = -1.0f, out_known = -1.0f;
        const int at = level_probe_reading(&known, n);
        ASSERT_GE(at, -1);
        ASSERT_LT(at, n);
        level_probe_process(&whole, in.data(), &out_whole, n);
        level_probe_advance(&known, at >= 0 ? in[static_cast<size_t>(at)] : 5.0f, &out_known, n);
        EXPECT_EQ(out_whole, out_known);
        EXPECT_EQ(whole.counter, known.counter);
      }
}

// The output clip and the envelope gain at every kernel level against their
// definitions sample by sample: signed zeros, the thresholds themselves,
// denormals, infinities and NaN among noise; block lengths that take the
// eight-sample path and ones that do not.
TEST(Limiter, ClipAndEnvelopeGainEqualTheirDefinitionsAtEveryLevel) {
  dsp_test::test_noise rnd(4711u);
  const float specials[] = {0.0f,     -0.0f,     1.0f,      -1.0f,  0.891251f, -0.891251f,
                            1e-40f,   -1e-40f,   INFINITY,  -INFINITY, NAN,     2.5f};
  for (const vector_level level : dsp_test::vector_levels()) {
    SCOPED_TRACE(dsp_test::level_name(level));
    vector_level_select(level);
    for (const float db : {-1.0f, 0.0f, 3.0f})
      for (const int n : {4, 8, 12, 64}) {
        limiter l;
        limiter_init(&l);
        limiter_set(&l, db, 100.0f);
        const float t = l.threshold, s = l.slope;
        std::vector<float> block(static_cast<size_t>(n)), envelope(block.size());
        for (size_t i = 0; i < block.size(); ++i) {
          block[i] = 4.0f * rnd();
          envelope[i] = 3.0f * rnd();
        }
        for (size_t i = 0; i < 12 && i < block.size(); ++i) {
          envelope[i] = specials[i];
          block[block.size() - 1 - i] = specials[i];
        }
        std::vector<float> clipped = block, env = envelope, shaped = block;
        ASSERT_EQ(limiter_clip_process(&l, clipped.data(), n), 0);
        ASSERT_EQ(limiter_envelope_gain(&l, 0.7f, 0.05f, env.data(), shaped.data(), n), 0);
        for (size_t i = 0; i < block.size(); ++i) {
          float c = block[i];
          c = c > t ? t : c;
          c = c < -t ? -t : c;
          c = c == c ? c : 0.0f;
          ASSERT_EQ(bits_of(clipped[i]), bits_of(c)) << db << " " << n << " " << i;
          const float x = std::fabs(envelope[i]);
          float e = t < x ? (x - t) * s + t : (x < -t ? (t + x) * s - t : x);
          e = e * 0.7f;
          e = e > 0.05f ? e : 0.05f;
          ASSERT_EQ(bits_of(env[i]), bits_of(e)) << db << " " << n << " " << i;
          const float y = e * block[i];
          ASSERT_TRUE(bits_of(shaped[i]) == bits_of(y) || (std::isnan(shaped[i]) && std::isnan(y)))
              << db << " " << n << " " << i;
        }
      }
  }
  wide_vectors_allow(true);
}
