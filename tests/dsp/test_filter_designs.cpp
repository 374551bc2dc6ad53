// The biquad designs of both forms and the stability of every stored design.

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

// Every design accepts exactly fs/2 and rejects above it with pass-through.
TEST(BiquadDesign, AcceptsHalfTheRateAndRejectsAbove) {
  const float fs = 48000.0f;
  biquad f = running_lowpass();
  EXPECT_EQ(biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, 24000.0f, 0.7f, fs), 0);
  EXPECT_NE(f.b1, 0.0f);
  const float above = std::nextafter(24000.0f, 1e9f);
  using Design = int (*)(biquad*, int32_t, float, float, float, float);
  for (Design d : {Design{biquad_design_q_linear}, Design{biquad_design_q_db},
                   Design{biquad_design_bw_db}}) {
    f = running_lowpass();
    EXPECT_EQ(d(&f, FILTER_LOWPASS, 1.0f, above, 0.7f, fs), 5);
    expect_pass_through(f);
    EXPECT_EQ(f.x1, 0.25f);  // history untouched
    EXPECT_EQ(f.y2, -0.0625f);
    f = running_lowpass();
    EXPECT_EQ(d(&f, FILTER_LOWPASS, 1.0f, 0.0f, 0.7f, fs), 5);
    expect_pass_through(f);
    f = running_lowpass();
    EXPECT_EQ(d(&f, FILTER_LOWPASS, 1.0f, NaN, 0.7f, fs), 5);
    expect_pass_through(f);
    EXPECT_EQ(f.y1, 0.125f);
  }
}

// A bad Q or type leaves the whole record unchanged.
TEST(BiquadDesign, BadQOrTypeLeavesTheRecord) {
  const float fs = 48000.0f;
  for (float q : {NaN, 0.0f, -1.0f, 1.17549435e-38f}) {
    biquad f = running_lowpass();
    const biquad before = f;
    EXPECT_EQ(biquad_design_q_db(&f, FILTER_HIGHPASS, 0.0f, 1000.0f, q, fs), 5);
    expect_same_record(f, before);
    EXPECT_EQ(biquad_design_q_linear(&f, FILTER_HIGHPASS, 1.0f, 1000.0f, q, fs), 5);
    expect_same_record(f, before);
  }
  for (int32_t type : {10, -1, 1000}) {
    biquad f = running_lowpass();
    const biquad before = f;
    EXPECT_EQ(biquad_design_q_db(&f, type, 0.0f, 1000.0f, 0.7f, fs), 5);
    expect_same_record(f, before);
    EXPECT_EQ(biquad_design_q_linear(&f, type, 1.0f, 1000.0f, 0.7f, fs), 5);
    expect_same_record(f, before);
    EXPECT_EQ(biquad_design_bw_db(&f, type, 0.0f, 1000.0f, 1.0f, fs), 5);
    expect_same_record(f, before);
  }
}

// A design writes coefficients only.
TEST(BiquadDesign, WritesCoefficientsOnly) {
  const float fs = 48000.0f;
  biquad f = running_lowpass();
  EXPECT_EQ(biquad_design_q_db(&f, FILTER_PEAKING, 3.0f, 2000.0f, 2.0f, fs), 0);
  EXPECT_EQ(f.x1, 0.25f);
  EXPECT_EQ(f.x2, -0.5f);
  EXPECT_EQ(f.y1, 0.125f);
  EXPECT_EQ(f.y2, -0.0625f);
}

// Gain type: 0 dB is pass-through, 6 dB stores the float nearest 10^0.15.
TEST(BiquadDesign, GainTypeStoresTheNearestFloat) {
  const float fs = 48000.0f;
  biquad f;
  biquad_init(&f);
  EXPECT_EQ(biquad_design_q_db(&f, FILTER_GAIN, 0.0f, 1000.0f, 0.7f, fs), 0);
  expect_pass_through(f);
  EXPECT_EQ(biquad_design_q_db(&f, FILTER_GAIN, 6.0f, 1000.0f, 0.7f, fs), 0);
  EXPECT_EQ(f.b0, 1.41253757f);
  EXPECT_EQ(bits_of(f.b0), 0x3FB4CE08u);
  EXPECT_EQ(f.b1, 0.0f);
  EXPECT_EQ(f.c1, 0.0f);
  EXPECT_EQ(biquad_design_q_linear(&f, FILTER_GAIN, 0.3f, 1000.0f, 0.7f, fs), 0);
  EXPECT_EQ(f.b0, 0.3f);
}

// All-pass: unit magnitude everywhere, b0 equals c1.
TEST(BiquadDesign, AllPassHasUnitMagnitude) {
  const float fs = 48000.0f;
  biquad f;
  biquad_init(&f);
  for (float fc : {50.0f, 1000.0f, 9000.0f}) {
    EXPECT_EQ(biquad_design_q_db(&f, FILTER_ALLPASS1, 0.0f, fc, 0.7f, fs), 0);
    EXPECT_EQ(bits_of(f.b0), bits_of(f.c1));
    EXPECT_EQ(f.b1, -1.0f);
    EXPECT_NEAR(f.b0, std::exp(-2.0 * PI * fc / fs), 1e-7);
    for (double hz = 10.0; hz < 24000.0; hz *= 1.37)
      EXPECT_NEAR(gain_of(f, hz, fs), 1.0, 1e-6) << hz;
  }
}

// Notch at 500 Hz: zero there, unity at DC, for any Q.
TEST(BiquadDesign, NotchIsZeroAtItsFrequency) {
  const float fs = 48000.0f;
  for (float q : {0.3f, 1.0f, 8.0f}) {
    biquad f;
    biquad_init(&f);
    EXPECT_EQ(biquad_design_q_db(&f, FILTER_NOTCH, 0.0f, 500.0f, q, fs), 0);
    EXPECT_LT(gain_of(f, 500.0, fs), 1e-3) << q;
    EXPECT_NEAR(gain_of(f, 0.0, fs), 1.0, 1e-4) << q;
  }
}

// Bandwidth 1 octave designs the same coefficients as Q 1.4142135.
TEST(BiquadDesign, OneOctaveIsQOfRootTwo) {
  const float fs = 48000.0f;
  for (int32_t type = 0; type <= 9; ++type) {
    biquad a, b;
    biquad_init(&a);
    biquad_init(&b);
    EXPECT_EQ(biquad_design_bw_db(&a, type, 4.0f, 3000.0f, 1.0f, fs), 0);
    EXPECT_EQ(biquad_design_q_db(&b, type, 4.0f, 3000.0f, 1.4142135f, fs), 0);
    expect_same_coefs(a, b);
  }
}

// The bandwidth is turned into Q = 2^(1 - B/2) rounded to float.
TEST(BiquadDesign, BandwidthBecomesQRoundedToFloat) {
  const float fs = 48000.0f;
  for (int i = 1; i <= 40; ++i) {
    const float bw = 0.075f * static_cast<float>(i);
    const float q = static_cast<float>(std::pow(2.0, 1.0 - static_cast<double>(bw) / 2.0));
    biquad a, b;
    biquad_init(&a);
    biquad_init(&b);
    ASSERT_EQ(biquad_design_bw_db(&a, FILTER_BANDPASS_GAIN, 0.0f, 1234.0f, bw, fs), 0);
    ASSERT_EQ(biquad_design_q_db(&b, FILTER_BANDPASS_GAIN, 0.0f, 1234.0f, q, fs), 0);
    expect_same_coefs(a, b);
  }
}

// Low-pass, Q 0.7071: unity at DC, -3 dB at the corner, monotonic roll-off.
TEST(BiquadDesign, LowPassResponse) {
  const float fs = 48000.0f;
  biquad f;
  biquad_init(&f);
  EXPECT_EQ(biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, 1000.0f, 0.70710678f, fs), 0);
  EXPECT_NEAR(gain_of(f, 0.0, fs), 1.0, 1e-4);
  EXPECT_NEAR(20.0 * std::log10(gain_of(f, 1000.0, fs)), -3.0103, 0.01);
  double prev = gain_of(f, 0.0, fs);
  for (double hz = 100.0; hz < 24000.0; hz += 100.0) {
    const double g = gain_of(f, hz, fs);
    EXPECT_LT(g, prev) << hz;
    prev = g;
  }
}

// High-pass: zero at DC, unity near fs/2, -3 dB at the corner.
TEST(BiquadDesign, HighPassResponse) {
  const float fs = 48000.0f;
  biquad f;
  biquad_init(&f);
  EXPECT_EQ(biquad_design_q_db(&f, FILTER_HIGHPASS, 0.0f, 200.0f, 0.70710678f, fs), 0);
  EXPECT_LT(gain_of(f, 0.0, fs), 1e-4);
  EXPECT_NEAR(gain_of(f, 23999.0, fs), 1.0, 1e-4);
  EXPECT_NEAR(20.0 * std::log10(gain_of(f, 200.0, fs)), -3.0103, 0.01);
}

// DB designs scale pass types by 10^(dB/40); linear design by G.
TEST(BiquadDesign, GainsScalePassTypes) {
  const float fs = 48000.0f;
  biquad f;
  biquad_init(&f);
  biquad_design_q_db(&f, FILTER_LOWPASS, 6.0f, 1000.0f, 0.7f, fs);
  EXPECT_NEAR(gain_of(f, 0.0, fs), std::pow(10.0, 6.0 / 40.0), 1e-4);
  biquad_design_q_linear(&f, FILTER_LOWPASS, 0.5f, 1000.0f, 0.7f, fs);
  EXPECT_NEAR(gain_of(f, 0.0, fs), 0.5, 1e-4);
}

// Band-pass peaks: type 2 at the design gain, type 3 at Q.
TEST(BiquadDesign, BandPassPeaks) {
  const float fs = 48000.0f;
  biquad f;
  biquad_init(&f);
  biquad_design_q_linear(&f, FILTER_BANDPASS_GAIN, 0.5f, 2000.0f, 3.0f, fs);
  EXPECT_NEAR(gain_of(f, 2000.0, fs), 0.5, 1e-4);
  EXPECT_LT(gain_of(f, 500.0, fs), 0.1);
  biquad_design_q_linear(&f, FILTER_BANDPASS_Q, 0.5f, 2000.0f, 3.0f, fs);
  EXPECT_NEAR(gain_of(f, 2000.0, fs), 3.0, 1e-3);
}

// Peaking and shelves reach 10^(dB/20) where they act and unity elsewhere.
TEST(BiquadDesign, PeakingAndShelvesReachTheirGain) {
  const float fs = 48000.0f;
  const double g6 = std::pow(10.0, 6.0 / 20.0);
  biquad f;
  biquad_init(&f);
  biquad_design_q_db(&f, FILTER_PEAKING, 6.0f, 2000.0f, 2.0f, fs);
  EXPECT_NEAR(gain_of(f, 2000.0, fs), g6, 1e-3);
  EXPECT_NEAR(gain_of(f, 0.0, fs), 1.0, 1e-4);
  biquad_design_q_db(&f, FILTER_LOWSHELF, 6.0f, 200.0f, 0.7f, fs);
  EXPECT_NEAR(gain_of(f, 0.0, fs), g6, 1e-3);
  EXPECT_NEAR(gain_of(f, 12000.0, fs), 1.0, 2e-3);
  biquad_design_q_db(&f, FILTER_HIGHSHELF, 6.0f, 8000.0f, 0.7f, fs);
  EXPECT_NEAR(gain_of(f, 0.0, fs), 1.0, 1e-4);
  EXPECT_NEAR(gain_of(f, 23000.0, fs), g6, 1e-2);
}

// An ordinary design stores the cookbook values divided by a0, rounded once.
TEST(BiquadDesign, StoresCookbookValuesRoundedOnce) {
  const double f0 = 1000.0, q = static_cast<double>(0.70710678f), sr = 48000.0;
  const double w = f0 * 6.283185307179586 / sr;
  const double cs = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  const double a0 = 1.0 + alpha;
  biquad f;
  biquad_init(&f);
  ASSERT_EQ(biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, 1000.0f, 0.70710678f, 48000.0f), 0);
  EXPECT_EQ(f.b0, static_cast<float>(((1.0 - cs) / 2.0) / a0));
  EXPECT_EQ(f.b1, static_cast<float>((1.0 - cs) / a0));
  EXPECT_EQ(f.b2, static_cast<float>(((1.0 - cs) / 2.0) / a0));
  EXPECT_EQ(f.c1, -static_cast<float>((-2.0 * cs) / a0));
  EXPECT_EQ(f.c2, -static_cast<float>((1.0 - alpha) / a0));

  // Peaking at +5 dB: A = 10^(dB * 0.5 * 0.05), alpha/A in the denominator.
  const double A = std::pow(10.0, static_cast<double>(5.0f) * 0.5 * 0.05);
  const double w2 = 3000.0 * 6.283185307179586 / 44100.0;
  const double cs2 = std::cos(w2), alpha2 = std::sin(w2) / (2.0 * 2.5);
  const double p0 = 1.0 + alpha2 / A;
  ASSERT_EQ(biquad_design_q_db(&f, FILTER_PEAKING, 5.0f, 3000.0f, 2.5f, 44100.0f), 0);
  EXPECT_EQ(f.b0, static_cast<float>((1.0 + alpha2 * A) / p0));
  EXPECT_EQ(f.b1, static_cast<float>((-2.0 * cs2) / p0));
  EXPECT_EQ(f.b2, static_cast<float>((1.0 - alpha2 * A) / p0));
  EXPECT_EQ(f.c1, -static_cast<float>((-2.0 * cs2) / p0));
  EXPECT_EQ(f.c2, -static_cast<float>((1.0 - alpha2 / A) / p0));
}

// Frequency checks as the direct-form-I designs.
TEST(BiquadDf2Design, FrequencyChecksAsDirectFormOne) {
  const float fs = 48000.0f;
  biquad_df2 f = running_df2();
  EXPECT_EQ(biquad_df2_design_q(&f, FILTER_LOWPASS, 0.0f, 24000.0f, 0.7f, fs), 0);
  EXPECT_EQ(biquad_df2_design_bw(&f, FILTER_LOWPASS, 0.0f, 24000.0f, 1.0f, fs), 0);
  const float above = std::nextafter(24000.0f, 1e9f);
  for (float bad : {above, 0.0f, NaN}) {
    f = running_df2();
    EXPECT_EQ(biquad_df2_design_q(&f, FILTER_LOWPASS, 0.0f, bad, 0.7f, fs), 5);
    expect_pass_through(f);
    EXPECT_EQ(f.w1, 0.25f);
    f = running_df2();
    EXPECT_EQ(biquad_df2_design_bw(&f, FILTER_LOWPASS, 0.0f, bad, 1.0f, fs), 5);
    expect_pass_through(f);
    EXPECT_EQ(f.w2, -0.5f);
  }
}

// Bad Q, type above 9 and (bandwidth form) type 3 leave the record unchanged.
TEST(BiquadDf2Design, BadArgumentsLeaveTheRecord) {
  const float fs = 48000.0f;
  for (float q : {NaN, 0.0f, -2.0f}) {
    biquad_df2 f = running_df2();
    const biquad_df2 before = f;
    EXPECT_EQ(biquad_df2_design_q(&f, FILTER_HIGHPASS, 0.0f, 1000.0f, q, fs), 5);
    expect_same_coefs(f, before);
  }
  for (int32_t type : {10, -1}) {
    biquad_df2 f = running_df2();
    const biquad_df2 before = f;
    EXPECT_EQ(biquad_df2_design_q(&f, type, 0.0f, 1000.0f, 0.7f, fs), 5);
    expect_same_coefs(f, before);
    EXPECT_EQ(biquad_df2_design_bw(&f, type, 0.0f, 1000.0f, 1.0f, fs), 5);
    expect_same_coefs(f, before);
  }
  biquad_df2 f = running_df2();
  const biquad_df2 before = f;
  EXPECT_EQ(biquad_df2_design_bw(&f, FILTER_BANDPASS_Q, 0.0f, 1000.0f, 1.0f, fs), 5);
  expect_same_coefs(f, before);
  EXPECT_EQ(f.w1, before.w1);
  EXPECT_EQ(f.w2, before.w2);
}

// The Q form stores the same values as the direct-form-I design, a not negated.
TEST(BiquadDf2Design, QFormMatchesDirectFormOne) {
  const float fs = 48000.0f;
  for (int32_t type = 0; type <= 9; ++type) {
    biquad a;
    biquad_df2 b;
    biquad_init(&a);
    biquad_df2_init(&b);
    ASSERT_EQ(biquad_design_q_db(&a, type, -3.0f, 700.0f, 1.3f, fs), 0);
    ASSERT_EQ(biquad_df2_design_q(&b, type, -3.0f, 700.0f, 1.3f, fs), 0);
    EXPECT_EQ(a.b0, b.b0);
    EXPECT_EQ(a.b1, b.b1);
    EXPECT_EQ(a.b2, b.b2);
    EXPECT_EQ(a.c1, -b.a1);
    EXPECT_EQ(a.c2, -b.a2);
  }
}

// Bandwidth form: 2 octaves is Q 1; gain used only by peaking and shelves.
TEST(BiquadDf2Design, BandwidthFormUsesGainOnlyForPeakingAndShelves) {
  const float fs = 48000.0f;
  biquad_df2 a, b;
  biquad_df2_init(&a);
  biquad_df2_init(&b);
  ASSERT_EQ(biquad_df2_design_bw(&a, FILTER_LOWPASS, 0.0f, 1500.0f, 2.0f, fs), 0);
  ASSERT_EQ(biquad_df2_design_q(&b, FILTER_LOWPASS, 0.0f, 1500.0f, 1.0f, fs), 0);
  expect_same_coefs(a, b);
  ASSERT_EQ(biquad_df2_design_bw(&a, FILTER_LOWPASS, 0.0f, 1500.0f, 1.0f, fs), 0);
  EXPECT_NEAR(gain_of(a, 1500.0, fs), std::sqrt(2.0), 1e-3);  // low-pass corner gain = Q

  ASSERT_EQ(biquad_df2_design_bw(&a, FILTER_GAIN, 6.0f, 1000.0f, 1.0f, fs), 0);
  expect_pass_through(a);
  ASSERT_EQ(biquad_df2_design_bw(&a, FILTER_LOWPASS, 12.0f, 1000.0f, 1.0f, fs), 0);
  EXPECT_NEAR(gain_of(a, 0.0, fs), 1.0, 1e-4);
  ASSERT_EQ(biquad_df2_design_bw(&a, FILTER_PEAKING, 6.0f, 1000.0f, 1.0f, fs), 0);
  EXPECT_NEAR(gain_of(a, 1000.0, fs), std::pow(10.0, 6.0 / 20.0), 1e-3);
  ASSERT_EQ(biquad_df2_design_bw(&a, FILTER_LOWSHELF, -6.0f, 300.0f, 1.0f, fs), 0);
  EXPECT_NEAR(gain_of(a, 0.0, fs), std::pow(10.0, -6.0 / 20.0), 1e-3);
}

// Bandwidth form keeps Q in double: 1.5 octaves, peaking +4 dB, exact values.
TEST(BiquadDf2Design, BandwidthFormKeepsQInDouble) {
  const float fs = 48000.0f;
  const double q = std::sqrt(std::pow(2.0, 1.5)) / std::pow(2.0, 0.5);
  const double A = std::pow(10.0, static_cast<double>(4.0f) * 0.5 * 0.05);
  const double w = 1234.0 * 6.283185307179586 / 48000.0;
  const double cs = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  const double a0 = 1.0 + alpha / A;
  biquad_df2 f;
  biquad_df2_init(&f);
  ASSERT_EQ(biquad_df2_design_bw(&f, FILTER_PEAKING, 4.0f, 1234.0f, 1.5f, fs), 0);
  EXPECT_EQ(f.b0, static_cast<float>((1.0 + alpha * A) / a0));
  EXPECT_EQ(f.b1, static_cast<float>((-2.0 * cs) / a0));
  EXPECT_EQ(f.b2, static_cast<float>((1.0 - alpha * A) / a0));
  EXPECT_EQ(f.a1, static_cast<float>((-2.0 * cs) / a0));
  EXPECT_EQ(f.a2, static_cast<float>((1.0 - alpha / A) / a0));
  // Band-pass (feed-forward gain 1) over a range of bandwidths: b0 follows
  // alpha = sin w / (2 Q) with Q unrounded.
  for (int i = 1; i <= 40; ++i) {
    const float bw = 0.075f * static_cast<float>(i);
    const double qb = std::sqrt(std::pow(2.0, static_cast<double>(bw))) /
                      std::pow(2.0, static_cast<double>(bw) - 1.0);
    const double ab = std::sin(w) / (2.0 * qb);
    ASSERT_EQ(biquad_df2_design_bw(&f, FILTER_BANDPASS_GAIN, 4.0f, 1234.0f, bw, fs), 0);
    EXPECT_EQ(f.b0, static_cast<float>(ab / (1.0 + ab))) << bw;
    EXPECT_EQ(f.a2, static_cast<float>((1.0 - ab) / (1.0 + ab))) << bw;
  }
}

// 3 Hz low-pass at 192 kHz: pole pulled inside, exactly as the rule states.
TEST(DesignStability, PoleOnTheCircleIsPulledInside) {
  const double fs = 192000.0;
  const double q = std::sqrt(std::pow(2.0, 1.0)) / std::pow(2.0, 0.0);
  const double w = 3.0 * 6.283185307179586 / fs;
  const double cs = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  const double a0 = 1.0 + alpha;
  float a1 = static_cast<float>((-2.0 * cs) / a0);
  float a2 = static_cast<float>((1.0 - alpha) / a0);
  // Plain rounding leaves this design on or outside the stability triangle.
  ASSERT_TRUE(std::fabs(a2) >= 1.0f ||
              std::fabs(static_cast<double>(a1)) >= 1.0 + static_cast<double>(a2));
  if (std::fabs(a2) >= 1.0f) a2 = std::copysign(0.99999994f, a2);
  const double lim = 1.0 + static_cast<double>(a2);
  if (std::fabs(static_cast<double>(a1)) >= lim) a1 = std::copysign(float_below(lim), a1);

  biquad_df2 f;
  biquad_df2_init(&f);
  ASSERT_EQ(biquad_df2_design_bw(&f, FILTER_LOWPASS, 0.0f, 3.0f, 1.0f, 192000.0f), 0);
  EXPECT_EQ(f.b0, static_cast<float>(((1.0 - cs) / 2.0) / a0));
  EXPECT_EQ(f.b1, static_cast<float>((1.0 - cs) / a0));
  EXPECT_EQ(f.a1, a1);
  EXPECT_EQ(f.a2, a2);
  EXPECT_LT(std::fabs(f.a2), 1.0f);
  EXPECT_LT(std::fabs(static_cast<double>(f.a1)), 1.0 + static_cast<double>(f.a2));

  // One minute of white noise at 192 kHz stays bounded.
  noise_set_uniform_seed(317u);
  float block[64];
  float peak = 0.0f;
  bool finite = true;
  for (int b = 0; b < 192000 * 60 / 64; ++b) {
    noise_white_process(block, 64);
    biquad_df2_process(&f, block, 64);
    for (float v : block) {
      finite = finite && std::isfinite(v);
      peak = std::fmax(peak, std::fabs(v));
    }
  }
  EXPECT_TRUE(finite);
  EXPECT_LT(peak, 1.0f);
  EXPECT_TRUE(std::isfinite(f.w1) && std::isfinite(f.w2));
}

// Every other low-frequency design also lands strictly inside.
TEST(DesignStability, LowFrequencyDesignsAreStrictlyStable) {
  for (float sr : {44100.0f, 96000.0f, 192000.0f}) {
    for (float hz : {0.01f, 0.3f, 2.2f, 3.0f}) {
      biquad f;
      biquad_init(&f);
      ASSERT_EQ(biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, hz, 0.7f, sr), 0);
      const double a1 = -static_cast<double>(f.c1), a2 = -static_cast<double>(f.c2);
      EXPECT_LT(std::fabs(a2), 1.0) << hz << " " << sr;
      EXPECT_LT(std::fabs(a1), 1.0 + a2) << hz << " " << sr;
      band_filter bf;
      band_filter_init(&bf);
      ASSERT_EQ(band_filter_design(&bf, hz, hz, 1.0f, sr), 0);
      const double stages[2][2] = {{bf.hp_c1, bf.hp_c2}, {bf.lp_c1, bf.lp_c2}};
      for (const auto& c : stages) {  // stored negated: a1 = -c[0], a2 = -c[1]
        EXPECT_LT(std::fabs(c[1]), 1.0) << hz << " " << sr;
        EXPECT_LT(std::fabs(c[0]), 1.0 - c[1]) << hz << " " << sr;
      }
    }
  }
}
