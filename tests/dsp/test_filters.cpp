// The biquad in both forms, the band filter, the resonator and the one-pole
// filter.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dsp/filters.h"
#include "dsp/noise.h"
#include "dsp_test_util.h"
#include "filter_test_util.h"

using dsp_test::amplitude_at;
using dsp_test::bits_of;
using dsp_test::response;
using dsp_test::ulps;
using namespace filter_test;
// Init: null rejected, pass-through, cleared history, denormal mode set.
TEST(Biquad, InitClearsAndSetsDenormalMode) {
  EXPECT_EQ(biquad_init(nullptr), 4);
  biquad f = running_lowpass();
  dsp_test::denormal_mode_clear();
  EXPECT_EQ(biquad_init(&f), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  expect_pass_through(f);
  EXPECT_EQ(f.x1, 0.0f);
  EXPECT_EQ(f.x2, 0.0f);
  EXPECT_EQ(f.y1, 0.0f);
  EXPECT_EQ(f.y2, 0.0f);
}

// A fresh record copies its input.
TEST(Biquad, FreshRecordCopiesItsInput) {
  biquad f;
  biquad_init(&f);
  std::vector<float> x = white(256, 5u), y = x;
  EXPECT_EQ(biquad_process(&f, y.data(), 256), 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(bits_of(y[i]), bits_of(x[i])) << i;
}

// Odd n: the last sample is left untouched, history from the last pair.
TEST(Biquad, OddLengthLeavesTheLastSample) {
  biquad a = running_lowpass(), b = running_lowpass();
  float five[5] = {0.5f, -0.25f, 0.75f, 0.1f, 0.9f};
  float four[4] = {0.5f, -0.25f, 0.75f, 0.1f};
  EXPECT_EQ(biquad_process(&a, five, 5), 0);
  biquad_process(&b, four, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(five[i], four[i]);
  EXPECT_EQ(five[4], 0.9f);
  expect_same_record(a, b);
  float one[1] = {0.3f};
  const biquad before = a;
  biquad_process(&a, one, 1);
  EXPECT_EQ(one[0], 0.3f);
  expect_same_record(a, before);
}

// One call equals the same block fed two samples at a time.
TEST(Biquad, OneCallEqualsPairsOfSamples) {
  biquad a = running_lowpass(), b = running_lowpass();
  std::vector<float> x = white(512, 9u), y = x;
  biquad_process(&a, x.data(), 512);
  for (int i = 0; i < 512; i += 2) biquad_process(&b, y.data() + i, 2);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(bits_of(x[i]), bits_of(y[i])) << i;
  expect_same_record(a, b);
}

// The _to form equals the in-place form and keeps its input.
TEST(Biquad, ToFormEqualsInPlace) {
  biquad a = running_lowpass(), b = running_lowpass();
  const std::vector<float> x = white(256, 11u);
  std::vector<float> in = x, out(256), inplace = x;
  EXPECT_EQ(biquad_process_to(&a, in.data(), out.data(), 256), 0);
  biquad_process(&b, inplace.data(), 256);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(bits_of(out[i]), bits_of(inplace[i])) << i;
    ASSERT_EQ(bits_of(in[i]), bits_of(x[i])) << i;
  }
  expect_same_record(a, b);
}

// A redesign keeps the history: the old response rings on.
TEST(Biquad, RedesignKeepsTheHistory) {
  biquad f;
  biquad_init(&f);
  biquad_design_q_db(&f, FILTER_BANDPASS_GAIN, 0.0f, 1000.0f, 5.0f, 48000.0f);
  std::vector<float> x = white(64, 13u);
  biquad_process(&f, x.data(), 64);
  const biquad before = f;
  biquad_design_q_db(&f, FILTER_BANDPASS_GAIN, 0.0f, 1200.0f, 5.0f, 48000.0f);
  EXPECT_EQ(f.x1, before.x1);
  EXPECT_EQ(f.x2, before.x2);
  EXPECT_EQ(f.y1, before.y1);
  EXPECT_EQ(f.y2, before.y2);
  float silence[2] = {0.0f, 0.0f};
  biquad_process(&f, silence, 2);
  EXPECT_NE(silence[0], 0.0f);
}

// A sine comes out scaled by |H| of the stored coefficients.
TEST(Biquad, SineIsScaledByTheResponse) {
  biquad f;
  biquad_init(&f);
  biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, 1000.0f, 2.0f, 48000.0f);
  for (double hz : {200.0, 1000.0, 4000.0}) {
    biquad g = f;
    const double got =
        measured_gain([&](float* b, int n) { biquad_process(&g, b, n); }, hz, 48000.0);
    EXPECT_NEAR(got, gain_of(f, hz, 48000.0), 1e-3) << hz;
  }
}

// Init: pass-through, cleared delay line, denormal mode set.
TEST(BiquadDf2, InitClearsAndSetsDenormalMode) {
  biquad_df2 f = running_df2();
  dsp_test::denormal_mode_clear();
  EXPECT_EQ(biquad_df2_init(&f), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  expect_pass_through(f);
  EXPECT_EQ(f.w1, 0.0f);
  EXPECT_EQ(f.w2, 0.0f);
  std::vector<float> x = white(128, 3u), y = x;
  biquad_df2_process(&f, y.data(), 128);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(bits_of(y[i]), bits_of(x[i])) << i;
}

// Odd n: the last sample is left untouched.
TEST(BiquadDf2, OddLengthLeavesTheLastSample) {
  biquad_df2 a = running_df2(), b = running_df2();
  float five[5] = {0.5f, -0.25f, 0.75f, 0.1f, 0.9f};
  float four[4] = {0.5f, -0.25f, 0.75f, 0.1f};
  biquad_df2_process(&a, five, 5);
  biquad_df2_process(&b, four, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(five[i], four[i]);
  EXPECT_EQ(five[4], 0.9f);
  EXPECT_EQ(a.w1, b.w1);
  EXPECT_EQ(a.w2, b.w2);
}

// One call equals the same block fed two samples at a time.
TEST(BiquadDf2, OneCallEqualsPairsOfSamples) {
  biquad_df2 a = running_df2(), b = running_df2();
  std::vector<float> x = white(512, 21u), y = x;
  biquad_df2_process(&a, x.data(), 512);
  for (int i = 0; i < 512; i += 2) biquad_df2_process(&b, y.data() + i, 2);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(bits_of(x[i]), bits_of(y[i])) << i;
}

// Same impulse response as the direct form I with the same design.
TEST(BiquadDf2, ImpulseResponseMatchesDirectFormOne) {
  biquad a;
  biquad_df2 b;
  biquad_init(&a);
  biquad_df2_init(&b);
  biquad_design_q_db(&a, FILTER_PEAKING, 9.0f, 1500.0f, 4.0f, 48000.0f);
  biquad_df2_design_q(&b, FILTER_PEAKING, 9.0f, 1500.0f, 4.0f, 48000.0f);
  std::vector<float> x(1024, 0.0f), y;
  x[0] = 1.0f;
  y = x;
  biquad_process(&a, x.data(), 1024);
  biquad_df2_process(&b, y.data(), 1024);
  for (int i = 0; i < 1024; ++i) ASSERT_NEAR(x[i], y[i], 1e-5) << i;
}

// A sine comes out scaled by |H| of the stored coefficients.
TEST(BiquadDf2, SineIsScaledByTheResponse) {
  biquad_df2 f;
  biquad_df2_init(&f);
  biquad_df2_design_bw(&f, FILTER_HIGHSHELF, 8.0f, 2000.0f, 1.0f, 48000.0f);
  for (double hz : {100.0, 2000.0, 10000.0}) {
    biquad_df2 g = f;
    const double got =
        measured_gain([&](float* b, int n) { biquad_df2_process(&g, b, n); }, hz, 48000.0);
    EXPECT_NEAR(got, gain_of(f, hz, 48000.0), 2e-3) << hz;
  }
}

// Init: both stages pass-through, history cleared, input copied.
TEST(BandFilter, InitPassesThrough) {
  band_filter f;
  dsp_test::denormal_mode_clear();
  EXPECT_EQ(band_filter_init(&f), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  expect_both_pass_through(f);
  for (float h : {f.x1, f.x2, f.u1, f.u2, f.u2_in, f.y1, f.y2}) EXPECT_EQ(h, 0.0f);
  std::vector<float> x = white(128, 1u), y = x;
  EXPECT_EQ(band_filter_process(&f, y.data(), 128), 0);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(bits_of(y[i]), bits_of(x[i])) << i;
}

// 20 Hz .. 20 kHz at 48 kHz, gain 1: 1 kHz passes at about unity.
TEST(BandFilter, FullBandPassesAtUnity) {
  const float fs = 48000.0f;
  band_filter f;
  band_filter_init(&f);
  ASSERT_EQ(band_filter_design(&f, 20.0f, 20000.0f, 1.0f, fs), 0);
  EXPECT_NEAR(band_gain(f, 1000.0, fs), 1.0, 0.01);
  EXPECT_NEAR(20.0 * std::log10(band_gain(f, 20.0, fs)), -3.0, 0.3);  // Q 0.7 corners
  EXPECT_NEAR(20.0 * std::log10(band_gain(f, 20000.0, fs)), -3.0, 0.3);
  const double got =
      measured_gain([&](float* b, int n) { band_filter_process(&f, b, n); }, 1000.0, fs);
  EXPECT_NEAR(got, 1.0, 0.01);
}

// Stage two's gain: D = 2 * float(20 log10 g), A = 10^(D * 0.5 * 0.05).
TEST(BandFilter, StageTwoGainRoundsThroughDecibels) {
  const float fs = 48000.0f;
  const double w = 5000.0 * 6.283185307179586 / 48000.0;
  const double cs = std::cos(w), a0 = 1.0 + std::sin(w) / 1.4;
  band_filter f;
  band_filter_init(&f);
  for (int i = 1; i <= 60; ++i) {
    const float g = 0.037f * static_cast<float>(i);
    const float d = 2.0f * static_cast<float>(20.0 * std::log10(static_cast<double>(g)));
    const double a = std::pow(10.0, static_cast<double>(d) * 0.5 * 0.05);
    ASSERT_EQ(band_filter_design(&f, 100.0f, 5000.0f, g, fs), 0);
    EXPECT_EQ(f.lp_b0, static_cast<float>((1.0 - cs) * a * 0.5 / a0)) << g;
    EXPECT_EQ(f.lp_b1, static_cast<float>((1.0 - cs) * a / a0)) << g;
  }
}

// Each stage has the fixed Q 0.7: gain 0.7 (times g) at its own corner.
TEST(BandFilter, StagesHaveTheirFixedQ) {
  const float fs = 48000.0f;
  band_filter f;
  band_filter_init(&f);
  ASSERT_EQ(band_filter_design(&f, 150.0f, 7000.0f, 0.5f, fs), 0);
  EXPECT_NEAR(std::abs(stage_gain(f.hp_b0, f.hp_b1, f.hp_b2, f.hp_c1, f.hp_c2, 150.0, fs)), 0.7,
              1e-4);
  EXPECT_NEAR(std::abs(stage_gain(f.lp_b0, f.lp_b1, f.lp_b2, f.lp_c1, f.lp_c2, 7000.0, fs)), 0.35,
              1e-4);
  EXPECT_NEAR(std::abs(stage_gain(f.hp_b0, f.hp_b1, f.hp_b2, f.hp_c1, f.hp_c2, 23999.0, fs)), 1.0,
              1e-4);
  EXPECT_NEAR(std::abs(stage_gain(f.lp_b0, f.lp_b1, f.lp_b2, f.lp_c1, f.lp_c2, 0.0, fs)), 0.5,
              1e-4);
}

// Linear gain g sets the pass-band level; gain 0 gives silence.
TEST(BandFilter, LinearGainSetsTheLevel) {
  const float fs = 48000.0f;
  band_filter f;
  band_filter_init(&f);
  ASSERT_EQ(band_filter_design(&f, 20.0f, 20000.0f, 0.5f, fs), 0);
  EXPECT_NEAR(band_gain(f, 1000.0, fs), 0.5, 0.005);
  ASSERT_EQ(band_filter_design_db(&f, 20.0f, 20000.0f, 20.0f, fs), 0);
  EXPECT_NEAR(band_gain(f, 1000.0, fs), std::pow(10.0, 0.5), 0.03);

  band_filter_init(&f);
  ASSERT_EQ(band_filter_design(&f, 20.0f, 20000.0f, 0.0f, fs), 0);
  std::vector<float> x = white(256, 2u);
  band_filter_process(&f, x.data(), 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(x[i], 0.0f) << i;
}

// An edge outside [smallest normal, fs/2] gives 5 and unit pass-through.
TEST(BandFilter, EdgeOutOfRangeGivesPassThrough) {
  const float fs = 48000.0f;
  band_filter f;
  band_filter_init(&f);
  ASSERT_EQ(band_filter_design(&f, 100.0f, 5000.0f, 1.0f, fs), 0);
  EXPECT_EQ(band_filter_design(&f, 20.0f, 30000.0f, 1.0f, fs), 5);
  expect_both_pass_through(f);
  std::vector<float> x = white(128, 4u), y = x;
  band_filter_process(&f, y.data(), 128);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(bits_of(y[i]), bits_of(x[i])) << i;

  const float bad[][2] = {
      {NaN, 1000.0f}, {20.0f, NaN}, {0.0f, 1000.0f}, {20.0f, 0.0f}, {30000.0f, 1000.0f}};
  for (const auto& e : bad) {
    ASSERT_EQ(band_filter_design(&f, 100.0f, 5000.0f, 1.0f, fs), 0);
    EXPECT_EQ(band_filter_design(&f, e[0], e[1], 1.0f, fs), 5) << e[0] << " " << e[1];
    expect_both_pass_through(f);
    ASSERT_EQ(band_filter_design(&f, 100.0f, 5000.0f, 1.0f, fs), 0);
    EXPECT_EQ(band_filter_design_db(&f, e[0], e[1], 0.0f, fs), 5) << e[0] << " " << e[1];
    expect_both_pass_through(f);
  }
  EXPECT_EQ(band_filter_design(&f, 24000.0f, 24000.0f, 1.0f, fs), 0);  // exactly fs/2
}

// Stage two's input history equals stage one's second output after each step.
TEST(BandFilter, StageTwoHistoryFollowsStageOne) {
  const float fs = 48000.0f;
  band_filter f;
  band_filter_init(&f);
  band_filter_design(&f, 300.0f, 3000.0f, 0.8f, fs);
  std::vector<float> x = white(257, 6u);
  int pos = 0;
  for (int n : {1, 2, 7, 64, 183}) {
    band_filter_process(&f, x.data() + pos, n);
    pos += n;
    EXPECT_EQ(bits_of(f.u2_in), bits_of(f.u2)) << n;
  }
}

// Equals a high-pass biquad followed by a low-pass biquad with its coefficients.
TEST(BandFilter, EqualsTwoBiquadsInSeries) {
  const float fs = 48000.0f;
  band_filter f;
  band_filter_init(&f);
  band_filter_design(&f, 150.0f, 6000.0f, 0.7f, fs);
  biquad hp{f.hp_b0, f.hp_b1, f.hp_b2, 0, 0, f.hp_c1, f.hp_c2, 0, 0};
  biquad lp{f.lp_b0, f.lp_b1, f.lp_b2, 0, 0, f.lp_c1, f.lp_c2, 0, 0};
  std::vector<float> x = white(1024, 8u), y = x;
  band_filter_process(&f, x.data(), 1024);
  biquad_process(&hp, y.data(), 1024);
  biquad_process(&lp, y.data(), 1024);
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(bits_of(x[i]), bits_of(y[i])) << i;
}

// The _to form equals the in-place form; a split block equals one call.
TEST(BandFilter, ToFormAndSplitBlocksEqualOneCall) {
  const float fs = 48000.0f;
  band_filter a, b, c;
  band_filter_init(&a);
  band_filter_design(&a, 80.0f, 9000.0f, 1.2f, fs);
  b = a;
  c = a;
  const std::vector<float> x = white(300, 10u);
  std::vector<float> in = x, out(300), inplace = x, split = x;
  EXPECT_EQ(band_filter_process_to(&a, in.data(), out.data(), 300), 0);
  band_filter_process(&b, inplace.data(), 300);
  band_filter_process(&c, split.data(), 1);
  band_filter_process(&c, split.data() + 1, 150);
  band_filter_process(&c, split.data() + 151, 149);
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(bits_of(out[i]), bits_of(inplace[i])) << i;
    ASSERT_EQ(bits_of(split[i]), bits_of(inplace[i])) << i;
    ASSERT_EQ(bits_of(in[i]), bits_of(x[i])) << i;
  }
}

// A redesign keeps the history.
TEST(BandFilter, RedesignKeepsTheHistory) {
  const float fs = 48000.0f;
  band_filter f;
  band_filter_init(&f);
  band_filter_design(&f, 80.0f, 9000.0f, 1.0f, fs);
  std::vector<float> x = white(64, 12u);
  band_filter_process(&f, x.data(), 64);
  const band_filter before = f;
  band_filter_design(&f, 200.0f, 4000.0f, 0.5f, fs);
  EXPECT_EQ(f.x1, before.x1);
  EXPECT_EQ(f.x2, before.x2);
  EXPECT_EQ(f.u1, before.u1);
  EXPECT_EQ(f.u2, before.u2);
  EXPECT_EQ(f.u2_in, before.u2_in);
  EXPECT_EQ(f.y1, before.y1);
  EXPECT_EQ(f.y2, before.y2);
  EXPECT_EQ(band_filter_design(&f, NaN, 4000.0f, 0.5f, fs), 5);
  EXPECT_EQ(f.y1, before.y1);
  EXPECT_EQ(f.u1, before.u1);
}

// Init: null rejected; g 1 and cleared history copy the input.
TEST(Resonator, InitCopiesTheInput) {
  EXPECT_EQ(resonator_init(nullptr), 4);
  resonator r{0.5f, 0.1f, 0.2f, 0.3f, 0.4f};
  dsp_test::denormal_mode_clear();
  EXPECT_EQ(resonator_init(&r), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  EXPECT_EQ(r.g, 1.0f);
  EXPECT_EQ(r.a1, 0.0f);
  EXPECT_EQ(r.a2, 0.0f);
  EXPECT_EQ(r.y1, 0.0f);
  EXPECT_EQ(r.y2, 0.0f);
  std::vector<float> x = white(64, 14u), y = x;
  EXPECT_EQ(resonator_process(&r, y.data(), 64), 0);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits_of(y[i]), bits_of(x[i])) << i;
}

// A sine comes out scaled by g / (1 + a1 z^-1 + a2 z^-2).
TEST(Resonator, SineIsScaledByTheResponse) {
  // Poles at radius 0.995 around 1 kHz at 48 kHz.
  const double rad = 0.995, w0 = 2.0 * PI * 1000.0 / 48000.0;
  const float a1 = static_cast<float>(-2.0 * rad * std::cos(w0));
  const float a2 = static_cast<float>(rad * rad);
  resonator r;
  resonator_init(&r);
  resonator_set(&r, 0.01f, a1, a2);
  for (double hz : {300.0, 1000.0, 3000.0}) {
    resonator g = r;
    const double got =
        measured_gain([&](float* b, int n) { resonator_process(&g, b, n); }, hz, 48000.0);
    const double want = 0.01 * std::abs(response(1.0, 0.0, 0.0, a1, a2, hz, 48000.0));
    EXPECT_NEAR(got, want, 1e-3 * want) << hz;
  }
}

// A gain g of 0 (or NaN) silences: exact zeros, history zero after a step.
TEST(Resonator, ZeroGainSilences) {
  // Poles at radius 0.995 around 1 kHz at 48 kHz.
  const double rad = 0.995, w0 = 2.0 * PI * 1000.0 / 48000.0;
  const float a1 = static_cast<float>(-2.0 * rad * std::cos(w0));
  const float a2 = static_cast<float>(rad * rad);
  for (float g : {0.0f, -1.0f, NaN, 1e-39f}) {
    resonator r;
    resonator_init(&r);
    resonator_set(&r, 0.01f, a1, a2);
    std::vector<float> x = white(64, 15u);
    resonator_process(&r, x.data(), 64);
    ASSERT_NE(r.y1, 0.0f);
    const float y1 = r.y1, y2 = r.y2;
    resonator_set(&r, g, a1, a2);
    EXPECT_EQ(r.g, 0.0f);
    EXPECT_EQ(r.a1, 0.0f);
    EXPECT_EQ(r.a2, 0.0f);
    EXPECT_EQ(r.y1, y1);  // set leaves history alone
    EXPECT_EQ(r.y2, y2);
    x = white(64, 16u);
    resonator_process(&r, x.data(), 64);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(x[i], 0.0f) << i;
    EXPECT_EQ(r.y1, 0.0f);
    EXPECT_EQ(r.y2, 0.0f);

    // A later positive g resonates again, starting from silence.
    resonator fresh;
    resonator_init(&fresh);
    resonator_set(&r, 0.01f, a1, a2);
    resonator_set(&fresh, 0.01f, a1, a2);
    std::vector<float> p = white(128, 17u), q = p;
    resonator_process(&r, p.data(), 128);
    resonator_process(&fresh, q.data(), 128);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(bits_of(p[i]), bits_of(q[i])) << i;
    EXPECT_NE(p[127], 0.0f);
  }
}

// Odd n leaves the last sample; a split into pairs equals one call.
TEST(Resonator, OddLengthAndPairsEqualOneCall) {
  // Poles at radius 0.995 around 1 kHz at 48 kHz.
  const double rad = 0.995, w0 = 2.0 * PI * 1000.0 / 48000.0;
  const float a1 = static_cast<float>(-2.0 * rad * std::cos(w0));
  const float a2 = static_cast<float>(rad * rad);
  resonator a, b;
  resonator_init(&a);
  resonator_set(&a, 0.05f, a1, a2);
  b = a;
  std::vector<float> x = white(65, 18u), y = x;
  const float last = x[64];
  resonator_process(&a, x.data(), 65);
  EXPECT_EQ(x[64], last);
  for (int i = 0; i < 64; i += 2) resonator_process(&b, y.data() + i, 2);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits_of(x[i]), bits_of(y[i])) << i;
  EXPECT_EQ(a.y1, b.y1);
  EXPECT_EQ(a.y2, b.y2);
}

// Init: null rejected; state and k zero, input copied.
TEST(OnePole, InitCopiesTheInput) {
  EXPECT_EQ(one_pole_init(nullptr), 4);
  one_pole p{0.5f, 0.5f};
  dsp_test::denormal_mode_clear();
  EXPECT_EQ(one_pole_init(&p), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  EXPECT_EQ(p.y1, 0.0f);
  EXPECT_EQ(p.k, 0.0f);
  std::vector<float> x = white(64, 19u), y = x;
  EXPECT_EQ(one_pole_process(&p, y.data(), 64), 0);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits_of(y[i]), bits_of(x[i])) << i;
}

// Mode 0 at fs/4: k = -(2 - sqrt 3) in single precision.
TEST(OnePole, QuarterRateCoefficient) {
  one_pole p;
  one_pole_init(&p);
  EXPECT_EQ(one_pole_design(&p, 0, 12000.0f, 48000.0f), 0);
  EXPECT_NEAR(p.k, -0.26794922f, ulps(0.26794922f));
  EXPECT_EQ(p.k, static_cast<float>(std::sqrt(3.0)) - 2.0f);
}

// Mode 0 at 400 Hz / 48 kHz: pole about 0.9490; mode 1 mirrors it.
TEST(OnePole, ModeZeroPoleAndModeOneMirror) {
  one_pole p;
  one_pole_init(&p);
  EXPECT_EQ(one_pole_design(&p, 0, 400.0f, 48000.0f), 0);
  EXPECT_NEAR(-p.k, 0.9490, 5e-5);
  const float k0 = p.k;
  EXPECT_EQ(one_pole_design(&p, 1, 400.0f, 48000.0f), 0);
  EXPECT_EQ(p.k, -k0);
}

// The coefficient: c and c*c in float, the root taken in double, then k in float.
TEST(OnePole, CoefficientArithmeticOrder) {
  one_pole p;
  one_pole_init(&p);
  for (int i = 1; i <= 60; ++i) {
    const float hz = 37.0f * static_cast<float>(i * i);
    const float c = 2.0f - static_cast<float>(
                               std::cos(static_cast<double>(hz) * 6.283185307179586 / 48000.0));
    const float r = static_cast<float>(std::sqrt(static_cast<double>(c * c) - 1.0));
    ASSERT_EQ(one_pole_design(&p, 0, hz, 48000.0f), 0);
    EXPECT_EQ(p.k, r - c) << hz;
  }
}

// Mode 0 is a leaky integrator with DC gain 1/(1 - p).
TEST(OnePole, ModeZeroIsALeakyIntegrator) {
  one_pole p;
  one_pole_init(&p);
  one_pole_design(&p, 0, 400.0f, 48000.0f);
  std::vector<float> x(4096, 1.0f);
  one_pole_process(&p, x.data(), 4096);
  const double dc = 1.0 / (1.0 + static_cast<double>(p.k));
  EXPECT_NEAR(x[4095], dc, 1e-4 * dc);
  EXPECT_LT(x[0], x[100]);
}

// A bad mode or a NaN frequency gives 5 and keeps k.
TEST(OnePole, BadModeOrNanKeepsTheCoefficient) {
  one_pole p;
  one_pole_init(&p);
  one_pole_design(&p, 0, 400.0f, 48000.0f);
  const float k = p.k;
  EXPECT_EQ(one_pole_design(&p, 2, 1000.0f, 48000.0f), 5);
  EXPECT_EQ(p.k, k);
  EXPECT_EQ(one_pole_design(&p, -1, 1000.0f, 48000.0f), 5);
  EXPECT_EQ(p.k, k);
  EXPECT_EQ(one_pole_design(&p, 0, NaN, 48000.0f), 5);
  EXPECT_EQ(p.k, k);
}

// Odd n leaves the last sample; the state carries across calls.
TEST(OnePole, OddLengthAndStateAcrossCalls) {
  one_pole a, b;
  one_pole_init(&a);
  one_pole_design(&a, 0, 1000.0f, 48000.0f);
  b = a;
  std::vector<float> x = white(65, 20u), y = x;
  const float last = x[64];
  one_pole_process(&a, x.data(), 65);
  EXPECT_EQ(x[64], last);
  for (int i = 0; i < 64; i += 2) one_pole_process(&b, y.data() + i, 2);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits_of(x[i]), bits_of(y[i])) << i;
  EXPECT_EQ(a.y1, b.y1);
  EXPECT_EQ(a.y1, x[63]);
}
