// Biquad designs, the two biquad forms, the band filter, the resonator and
// the one-pole filter.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dsp/filters.h"
#include "dsp/cpu_features.h"
#include "dsp/lanes.h"
#include "dsp/noise.h"
#include "dsp_test_util.h"

using dsp_test::amplitude_at;
using dsp_test::bits_of;
using dsp_test::response;
using dsp_test::ulps;

namespace {

constexpr double PI = 3.141592653589793;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

double gain_of(const biquad& f, double freq, double fs) {
  return std::abs(response(f.b0, f.b1, f.b2, -f.c1, -f.c2, freq, fs));
}

double gain_of(const biquad_df2& f, double freq, double fs) {
  return std::abs(response(f.b0, f.b1, f.b2, f.a1, f.a2, freq, fs));
}

// Coefficients only, compared bit for bit (history excluded).
void expect_same_coefs(const biquad& a, const biquad& b) {
  EXPECT_EQ(bits_of(a.b0), bits_of(b.b0));
  EXPECT_EQ(bits_of(a.b1), bits_of(b.b1));
  EXPECT_EQ(bits_of(a.b2), bits_of(b.b2));
  EXPECT_EQ(bits_of(a.c1), bits_of(b.c1));
  EXPECT_EQ(bits_of(a.c2), bits_of(b.c2));
}

void expect_same_coefs(const biquad_df2& a, const biquad_df2& b) {
  EXPECT_EQ(bits_of(a.b0), bits_of(b.b0));
  EXPECT_EQ(bits_of(a.b1), bits_of(b.b1));
  EXPECT_EQ(bits_of(a.b2), bits_of(b.b2));
  EXPECT_EQ(bits_of(a.a1), bits_of(b.a1));
  EXPECT_EQ(bits_of(a.a2), bits_of(b.a2));
}

void expect_same_record(const biquad& a, const biquad& b) {
  expect_same_coefs(a, b);
  EXPECT_EQ(bits_of(a.x1), bits_of(b.x1));
  EXPECT_EQ(bits_of(a.x2), bits_of(b.x2));
  EXPECT_EQ(bits_of(a.y1), bits_of(b.y1));
  EXPECT_EQ(bits_of(a.y2), bits_of(b.y2));
}

void expect_pass_through(const biquad& f) {
  EXPECT_EQ(f.b0, 1.0f);
  EXPECT_EQ(f.b1, 0.0f);
  EXPECT_EQ(f.b2, 0.0f);
  EXPECT_EQ(f.c1, 0.0f);
  EXPECT_EQ(f.c2, 0.0f);
}

void expect_pass_through(const biquad_df2& f) {
  EXPECT_EQ(f.b0, 1.0f);
  EXPECT_EQ(f.b1, 0.0f);
  EXPECT_EQ(f.b2, 0.0f);
  EXPECT_EQ(f.a1, 0.0f);
  EXPECT_EQ(f.a2, 0.0f);
}

// A designed low-pass with non-zero history, so tests can see what a design
// or a rejected call leaves in place.
biquad running_lowpass() {
  biquad f;
  biquad_init(&f);
  biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, 800.0f, 0.9f, 48000.0f);
  f.x1 = 0.25f;
  f.x2 = -0.5f;
  f.y1 = 0.125f;
  f.y2 = -0.0625f;
  return f;
}

biquad_df2 running_df2() {
  biquad_df2 f;
  biquad_df2_init(&f);
  biquad_df2_design_q(&f, FILTER_LOWPASS, 0.0f, 800.0f, 0.9f, 48000.0f);
  f.w1 = 0.25f;
  f.w2 = -0.5f;
  return f;
}

// n white-noise samples (generated in whole groups of eight).
std::vector<float> white(int n, uint32_t seed) {
  const int whole = (n + 7) / 8 * 8;
  std::vector<float> v(whole);
  noise_set_uniform_seed(seed);
  noise_white_process(v.data(), whole);
  v.resize(n);
  return v;
}

std::vector<float> sine(int n, double freq, double fs) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = static_cast<float>(std::sin(2.0 * PI * freq * i / fs));
  return v;
}

// Steady-state amplitude of a unit sine at `freq` after `process` has run
// over it: 0.2 s of settling, then 0.1 s measured (whole periods for the
// frequencies used here).
template <class Process>
double measured_gain(Process process, double freq, double fs) {
  const int settle = static_cast<int>(fs / 5), measure = static_cast<int>(fs / 10);
  std::vector<float> x = sine(settle + measure, freq, fs);
  process(x.data(), settle + measure);
  return amplitude_at(x.data() + settle, measure, freq, fs);
}

// Largest-magnitude float strictly below lim > 0.
float float_below(double lim) {
  float f = static_cast<float>(lim);
  while (static_cast<double>(f) >= lim) f = std::nextafter(f, 0.0f);
  return f;
}

}  // namespace

TEST(Filters, BiquadDesign) {
  const float fs = 48000.0f;
  {
    SCOPED_TRACE("every design accepts exactly fs/2 and rejects above it with pass-through");
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
  {
    SCOPED_TRACE("a bad Q or type leaves the whole record unchanged");
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
  {
    SCOPED_TRACE("a design writes coefficients only");
    biquad f = running_lowpass();
    EXPECT_EQ(biquad_design_q_db(&f, FILTER_PEAKING, 3.0f, 2000.0f, 2.0f, fs), 0);
    EXPECT_EQ(f.x1, 0.25f);
    EXPECT_EQ(f.x2, -0.5f);
    EXPECT_EQ(f.y1, 0.125f);
    EXPECT_EQ(f.y2, -0.0625f);
  }
  {
    SCOPED_TRACE("gain type: 0 dB is pass-through, 6 dB stores the float nearest 10^0.15");
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
  {
    SCOPED_TRACE("all-pass: unit magnitude everywhere, b0 equals c1");
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
  {
    SCOPED_TRACE("notch at 500 Hz: zero there, unity at DC, for any Q");
    for (float q : {0.3f, 1.0f, 8.0f}) {
      biquad f;
      biquad_init(&f);
      EXPECT_EQ(biquad_design_q_db(&f, FILTER_NOTCH, 0.0f, 500.0f, q, fs), 0);
      EXPECT_LT(gain_of(f, 500.0, fs), 1e-3) << q;
      EXPECT_NEAR(gain_of(f, 0.0, fs), 1.0, 1e-4) << q;
    }
  }
  {
    SCOPED_TRACE("bandwidth 1 octave designs the same coefficients as Q 1.4142135");
    for (int32_t type = 0; type <= 9; ++type) {
      biquad a, b;
      biquad_init(&a);
      biquad_init(&b);
      EXPECT_EQ(biquad_design_bw_db(&a, type, 4.0f, 3000.0f, 1.0f, fs), 0);
      EXPECT_EQ(biquad_design_q_db(&b, type, 4.0f, 3000.0f, 1.4142135f, fs), 0);
      expect_same_coefs(a, b);
    }
  }
  {
    SCOPED_TRACE("the bandwidth is turned into Q = 2^(1 - B/2) rounded to float");
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
  {
    SCOPED_TRACE("low-pass, Q 0.7071: unity at DC, -3 dB at the corner, monotonic roll-off");
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
  {
    SCOPED_TRACE("high-pass: zero at DC, unity near fs/2, -3 dB at the corner");
    biquad f;
    biquad_init(&f);
    EXPECT_EQ(biquad_design_q_db(&f, FILTER_HIGHPASS, 0.0f, 200.0f, 0.70710678f, fs), 0);
    EXPECT_LT(gain_of(f, 0.0, fs), 1e-4);
    EXPECT_NEAR(gain_of(f, 23999.0, fs), 1.0, 1e-4);
    EXPECT_NEAR(20.0 * std::log10(gain_of(f, 200.0, fs)), -3.0103, 0.01);
  }
  {
    SCOPED_TRACE("dB designs scale pass types by 10^(dB/40); linear design by G");
    biquad f;
    biquad_init(&f);
    biquad_design_q_db(&f, FILTER_LOWPASS, 6.0f, 1000.0f, 0.7f, fs);
    EXPECT_NEAR(gain_of(f, 0.0, fs), std::pow(10.0, 6.0 / 40.0), 1e-4);
    biquad_design_q_linear(&f, FILTER_LOWPASS, 0.5f, 1000.0f, 0.7f, fs);
    EXPECT_NEAR(gain_of(f, 0.0, fs), 0.5, 1e-4);
  }
  {
    SCOPED_TRACE("band-pass peaks: type 2 at the design gain, type 3 at Q");
    biquad f;
    biquad_init(&f);
    biquad_design_q_linear(&f, FILTER_BANDPASS_GAIN, 0.5f, 2000.0f, 3.0f, fs);
    EXPECT_NEAR(gain_of(f, 2000.0, fs), 0.5, 1e-4);
    EXPECT_LT(gain_of(f, 500.0, fs), 0.1);
    biquad_design_q_linear(&f, FILTER_BANDPASS_Q, 0.5f, 2000.0f, 3.0f, fs);
    EXPECT_NEAR(gain_of(f, 2000.0, fs), 3.0, 1e-3);
  }
  {
    SCOPED_TRACE("peaking and shelves reach 10^(dB/20) where they act and unity elsewhere");
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
  {
    SCOPED_TRACE("an ordinary design stores the cookbook values divided by a0, rounded once");
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
}

TEST(Filters, BiquadDf2Design) {
  const float fs = 48000.0f;
  {
    SCOPED_TRACE("frequency checks as the direct-form-I designs");
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
  {
    SCOPED_TRACE("bad Q, type above 9 and (bandwidth form) type 3 leave the record unchanged");
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
  {
    SCOPED_TRACE("the Q form stores the same values as the direct-form-I design, a not negated");
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
  {
    SCOPED_TRACE("bandwidth form: 2 octaves is Q 1; gain used only by peaking and shelves");
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
  {
    SCOPED_TRACE("bandwidth form keeps Q in double: 1.5 octaves, peaking +4 dB, exact values");
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
}

TEST(Filters, DesignStability) {
  {
    SCOPED_TRACE("3 Hz low-pass at 192 kHz: pole pulled inside, exactly as the rule states");
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
  {
    SCOPED_TRACE("every other low-frequency design also lands strictly inside");
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
}

TEST(Filters, Biquad) {
  {
    SCOPED_TRACE("init: null rejected, pass-through, cleared history, denormal mode set");
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
  {
    SCOPED_TRACE("a fresh record copies its input");
    biquad f;
    biquad_init(&f);
    std::vector<float> x = white(256, 5u), y = x;
    EXPECT_EQ(biquad_process(&f, y.data(), 256), 0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(bits_of(y[i]), bits_of(x[i])) << i;
  }
  {
    SCOPED_TRACE("odd n: the last sample is left untouched, history from the last pair");
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
  {
    SCOPED_TRACE("one call equals the same block fed two samples at a time");
    biquad a = running_lowpass(), b = running_lowpass();
    std::vector<float> x = white(512, 9u), y = x;
    biquad_process(&a, x.data(), 512);
    for (int i = 0; i < 512; i += 2) biquad_process(&b, y.data() + i, 2);
    for (int i = 0; i < 512; ++i) ASSERT_EQ(bits_of(x[i]), bits_of(y[i])) << i;
    expect_same_record(a, b);
  }
  {
    SCOPED_TRACE("the _to form equals the in-place form and keeps its input");
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
  {
    SCOPED_TRACE("a redesign keeps the history: the old response rings on");
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
  {
    SCOPED_TRACE("a sine comes out scaled by |H| of the stored coefficients");
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
}

TEST(Filters, BiquadDf2) {
  {
    SCOPED_TRACE("init: pass-through, cleared delay line, denormal mode set");
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
  {
    SCOPED_TRACE("odd n: the last sample is left untouched");
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
  {
    SCOPED_TRACE("one call equals the same block fed two samples at a time");
    biquad_df2 a = running_df2(), b = running_df2();
    std::vector<float> x = white(512, 21u), y = x;
    biquad_df2_process(&a, x.data(), 512);
    for (int i = 0; i < 512; i += 2) biquad_df2_process(&b, y.data() + i, 2);
    for (int i = 0; i < 512; ++i) ASSERT_EQ(bits_of(x[i]), bits_of(y[i])) << i;
  }
  {
    SCOPED_TRACE("same impulse response as the direct form I with the same design");
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
  {
    SCOPED_TRACE("a sine comes out scaled by |H| of the stored coefficients");
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
}

TEST(Filters, BandFilter) {
  const float fs = 48000.0f;
  auto stage_gain = [](float b0, float b1, float b2, float c1, float c2, double hz, double sr) {
    return response(b0, b1, b2, -c1, -c2, hz, sr);
  };
  auto band_gain = [&](const band_filter& f, double hz, double sr) {
    return std::abs(stage_gain(f.hp_b0, f.hp_b1, f.hp_b2, f.hp_c1, f.hp_c2, hz, sr) *
                    stage_gain(f.lp_b0, f.lp_b1, f.lp_b2, f.lp_c1, f.lp_c2, hz, sr));
  };
  auto expect_both_pass_through = [](const band_filter& f) {
    EXPECT_EQ(f.hp_b0, 1.0f);
    EXPECT_EQ(f.lp_b0, 1.0f);
    for (float c : {f.hp_b1, f.hp_b2, f.hp_c1, f.hp_c2, f.lp_b1, f.lp_b2, f.lp_c1, f.lp_c2})
      EXPECT_EQ(c, 0.0f);
  };
  {
    SCOPED_TRACE("init: both stages pass-through, history cleared, input copied");
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
  {
    SCOPED_TRACE("20 Hz .. 20 kHz at 48 kHz, gain 1: 1 kHz passes at about unity");
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
  {
    SCOPED_TRACE("stage two's gain: D = 2 * float(20 log10 g), A = 10^(D * 0.5 * 0.05)");
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
  {
    SCOPED_TRACE("each stage has the fixed Q 0.7: gain 0.7 (times g) at its own corner");
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
  {
    SCOPED_TRACE("linear gain g sets the pass-band level; gain 0 gives silence");
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
  {
    SCOPED_TRACE("an edge outside [smallest normal, fs/2] gives 5 and unit pass-through");
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
  {
    SCOPED_TRACE("stage two's input history equals stage one's second output after each step");
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
  {
    SCOPED_TRACE("equals a high-pass biquad followed by a low-pass biquad with its coefficients");
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
  {
    SCOPED_TRACE("the _to form equals the in-place form; a split block equals one call");
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
  {
    SCOPED_TRACE("a redesign keeps the history");
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
}

TEST(Filters, Resonator) {
  {
    SCOPED_TRACE("init: null rejected; g 1 and cleared history copy the input");
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
  // Poles at radius 0.995 around 1 kHz at 48 kHz.
  const double rad = 0.995, w0 = 2.0 * PI * 1000.0 / 48000.0;
  const float a1 = static_cast<float>(-2.0 * rad * std::cos(w0));
  const float a2 = static_cast<float>(rad * rad);
  {
    SCOPED_TRACE("a sine comes out scaled by g / (1 + a1 z^-1 + a2 z^-2)");
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
  {
    SCOPED_TRACE("g 0 (or NaN) silences: exact zeros, history zero after a step");
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
  {
    SCOPED_TRACE("odd n leaves the last sample; a split into pairs equals one call");
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
}

TEST(Filters, OnePole) {
  {
    SCOPED_TRACE("init: null rejected; state and k zero, input copied");
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
  {
    SCOPED_TRACE("mode 0 at fs/4: k = -(2 - sqrt 3) in single precision");
    one_pole p;
    one_pole_init(&p);
    EXPECT_EQ(one_pole_design(&p, 0, 12000.0f, 48000.0f), 0);
    EXPECT_NEAR(p.k, -0.26794922f, ulps(0.26794922f));
    EXPECT_EQ(p.k, static_cast<float>(std::sqrt(3.0)) - 2.0f);
  }
  {
    SCOPED_TRACE("mode 0 at 400 Hz / 48 kHz: pole about 0.9490; mode 1 mirrors it");
    one_pole p;
    one_pole_init(&p);
    EXPECT_EQ(one_pole_design(&p, 0, 400.0f, 48000.0f), 0);
    EXPECT_NEAR(-p.k, 0.9490, 5e-5);
    const float k0 = p.k;
    EXPECT_EQ(one_pole_design(&p, 1, 400.0f, 48000.0f), 0);
    EXPECT_EQ(p.k, -k0);
  }
  {
    SCOPED_TRACE("c and c*c in float, the root taken in double, then k in float");
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
  {
    SCOPED_TRACE("mode 0 is a leaky integrator with DC gain 1/(1 - p)");
    one_pole p;
    one_pole_init(&p);
    one_pole_design(&p, 0, 400.0f, 48000.0f);
    std::vector<float> x(4096, 1.0f);
    one_pole_process(&p, x.data(), 4096);
    const double dc = 1.0 / (1.0 + static_cast<double>(p.k));
    EXPECT_NEAR(x[4095], dc, 1e-4 * dc);
    EXPECT_LT(x[0], x[100]);
  }
  {
    SCOPED_TRACE("a bad mode or a NaN frequency gives 5 and keeps k");
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
  {
    SCOPED_TRACE("odd n leaves the last sample; the state carries across calls");
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
}

// Lane-parallel processing: each instance run side by side with others gives
// bit for bit what its scalar processor gives, whatever the job count (one
// to sixteen: one or two groups of four or eight lanes, one or more passes).
TEST(Filters, LanesEqualScalarProcessing) {
  for (const vector_level level : dsp_test::vector_levels()) {
    SCOPED_TRACE(dsp_test::level_name(level));
    vector_level_select(level);
    dsp_test::test_noise rnd(12345u);
    for (int count = 1; count <= 16; ++count) {
      SCOPED_TRACE(count);
      float lane_blocks[16][64], scalar_blocks[16][64];
      for (auto& b : lane_blocks)
        for (float& x : b) x = rnd();
      std::memcpy(scalar_blocks, lane_blocks, sizeof lane_blocks);

      band_filter bl[16], bs[16];
      biquad ql[16], qs[16];
      resonator rl[16], rs[16];
      biquad_df2 dl[16], ds[16];
      one_pole pl[16], ps[16];
      for (int k = 0; k < 16; ++k) {
        band_filter_init(&bl[k]);
        band_filter_design(&bl[k], 100.0f + 300.0f * k, 4000.0f + 1000.0f * k, 0.9f, 48000.0f);
        biquad_init(&ql[k]);
        biquad_design_q_db(&ql[k], k % 8, 3.0f, 500.0f + 700.0f * k, 0.7f + 0.5f * k, 48000.0f);
        resonator_init(&rl[k]);
        resonator_set(&rl[k], 0.01f * (k % 8 + 1), -1.9f + 0.05f * (k % 8), 0.92f + 0.01f * (k % 8));
        biquad_df2_init(&dl[k]);
        biquad_df2_design_q(&dl[k], FILTER_BANDPASS_GAIN, 1.0f, 50.0f * (k + 1), 0.4f, 48000.0f);
        one_pole_init(&pl[k]);
        one_pole_design(&pl[k], k % 2, 300.0f * (k + 1), 48000.0f);
        // Non-zero history, so the state hand-over is checked too.
        bl[k].y1 = ql[k].y1 = rl[k].y1 = dl[k].w1 = pl[k].y1 = 0.25f * (k + 1);
        bs[k] = bl[k];
        qs[k] = ql[k];
        rs[k] = rl[k];
        ds[k] = dl[k];
        ps[k] = pl[k];
      }
      band_filter_job bj[16];
      biquad_job qj[16];
      resonator_job rj[16];
      biquad_df2_job dj[16];
      one_pole_job pj[16];
      for (int k = 0; k < count; ++k) {
        bj[k] = {&bl[k], lane_blocks[k]};
        qj[k] = {&ql[k], lane_blocks[k]};
        rj[k] = {&rl[k], lane_blocks[k]};
        dj[k] = {&dl[k], lane_blocks[k]};
        pj[k] = {&pl[k], lane_blocks[k]};
      }
      for (int pass = 0; pass < 2; ++pass) {
        resonator_process_lanes(rj, count, 64);
        biquad_process_lanes(qj, count, 64);
        biquad_df2_process_lanes(dj, count, 64);
        one_pole_process_lanes(pj, count, 64);
        band_filter_process_lanes(bj, count, 64);
        for (int k = 0; k < count; ++k) {
          resonator_process(&rs[k], scalar_blocks[k], 64);
          biquad_process(&qs[k], scalar_blocks[k], 64);
          biquad_df2_process(&ds[k], scalar_blocks[k], 64);
          one_pole_process(&ps[k], scalar_blocks[k], 64);
          band_filter_process(&bs[k], scalar_blocks[k], 64);
        }
      }
      for (int k = 0; k < count; ++k) {
        EXPECT_EQ(0, std::memcmp(lane_blocks[k], scalar_blocks[k], sizeof lane_blocks[k])) << k;
        EXPECT_EQ(0, std::memcmp(&bl[k], &bs[k], sizeof bl[k])) << k;
        EXPECT_EQ(0, std::memcmp(&ql[k], &qs[k], sizeof ql[k])) << k;
        EXPECT_EQ(0, std::memcmp(&rl[k], &rs[k], sizeof rl[k])) << k;
        EXPECT_EQ(0, std::memcmp(&dl[k], &ds[k], sizeof dl[k])) << k;
        EXPECT_EQ(0, std::memcmp(&pl[k], &ps[k], sizeof pl[k])) << k;
      }
    }
  }
  wide_vectors_allow(true);
}

// Biquad chains of one, two and four sections, mixed in any order and up to
// sixteen jobs (several passes, groups of different lengths interleaved):
// each block and each section's state bit for bit as its sections run one
// after the other with the scalar processor.
TEST(Filters, ChainLanesEqualSectionsInSeries) {
  dsp_test::test_noise rnd(777u);
  const int lengths[16] = {2, 1, 4, 1, 1, 2, 4, 1, 2, 1, 4, 2, 1, 1, 2, 4};
  for (const int count : {1, 2, 3, 5, 7, 9, 12, 16})
    for (const vector_level level : dsp_test::vector_levels()) {
      SCOPED_TRACE(count);
      SCOPED_TRACE(dsp_test::level_name(level));
      vector_level_select(level);
      float lane_blocks[16][64], scalar_blocks[16][64];
      for (auto& b : lane_blocks)
        for (float& x : b) x = rnd();
      std::memcpy(scalar_blocks, lane_blocks, sizeof lane_blocks);
      biquad lanes[16][4], scalar[16][4];
      biquad_chain_job jobs[16];
      for (int j = 0; j < count; ++j) {
        jobs[j] = {{nullptr, nullptr, nullptr, nullptr}, lengths[j], lane_blocks[j]};
        for (int s = 0; s < lengths[j]; ++s) {
          biquad_init(&lanes[j][s]);
          biquad_design_q_db(&lanes[j][s], (j + s) % 8, 2.0f, 200.0f + 350.0f * j + 90.0f * s,
                             0.6f + 0.2f * s, 48000.0f);
          lanes[j][s].y1 = 0.1f * (s + 1);
          scalar[j][s] = lanes[j][s];
          jobs[j].f[s] = &lanes[j][s];
        }
      }
      for (int pass = 0; pass < 2; ++pass) {
        biquad_chain_process_lanes(jobs, count, 64);
        for (int j = 0; j < count; ++j)
          for (int s = 0; s < lengths[j]; ++s) biquad_process(&scalar[j][s], scalar_blocks[j], 64);
      }
      for (int j = 0; j < count; ++j) {
        EXPECT_EQ(0, std::memcmp(lane_blocks[j], scalar_blocks[j], sizeof lane_blocks[j])) << j;
        for (int s = 0; s < lengths[j]; ++s)
          EXPECT_EQ(0, std::memcmp(&lanes[j][s], &scalar[j][s], sizeof(biquad))) << j << " " << s;
      }
    }
  wide_vectors_allow(true);
}

// DF2-then-one-pole chains beside lone one-poles, in any numbers (one shared
// pass where both fit, else separate passes), at either vector width: every
// block and state as the scalar processors leave them.
TEST(Filters, DF2OnePoleChainsEqualScalarProcessing) {
  dsp_test::test_noise rnd(4711u);
  for (const vector_level level : dsp_test::vector_levels())
    for (const int chains : {0, 1, 4, 5, 9})
      for (const int poles : {0, 2, 6, 10}) {
        SCOPED_TRACE(std::to_string(chains) + " chains, " + std::to_string(poles) + " poles");
        vector_level_select(level);
        float lane_blocks[19][64], scalar_blocks[19][64];
        for (auto& b : lane_blocks)
          for (float& x : b) x = rnd();
        std::memcpy(scalar_blocks, lane_blocks, sizeof lane_blocks);
        biquad_df2 dl[9], ds[9];
        one_pole cl[9], cs[9], pl[10], ps[10];
        biquad_df2_one_pole_job cj[9];
        one_pole_job pj[10];
        for (int k = 0; k < chains; ++k) {
          biquad_df2_init(&dl[k]);
          biquad_df2_design_q(&dl[k], FILTER_BANDPASS_GAIN, 1.0f, 40.0f + 15.0f * k, 0.4f,
                              48000.0f);
          one_pole_init(&cl[k]);
          one_pole_design(&cl[k], 0, 400.0f + 50.0f * k, 48000.0f);
          dl[k].w1 = 0.1f * k;
          cl[k].y1 = -0.05f * k;
          ds[k] = dl[k];
          cs[k] = cl[k];
          cj[k] = {&dl[k], &cl[k], lane_blocks[k]};
        }
        for (int k = 0; k < poles; ++k) {
          one_pole_init(&pl[k]);
          one_pole_design(&pl[k], k % 2, 100.0f + 200.0f * k, 48000.0f);
          pl[k].y1 = 0.3f;
          ps[k] = pl[k];
          pj[k] = {&pl[k], lane_blocks[9 + k]};
        }
        for (int pass = 0; pass < 2; ++pass) {
          biquad_df2_one_pole_process_lanes(cj, chains, pj, poles, 64);
          for (int k = 0; k < chains; ++k) {
            biquad_df2_process(&ds[k], scalar_blocks[k], 64);
            one_pole_process(&cs[k], scalar_blocks[k], 64);
          }
          for (int k = 0; k < poles; ++k) one_pole_process(&ps[k], scalar_blocks[9 + k], 64);
        }
        EXPECT_EQ(0, std::memcmp(lane_blocks, scalar_blocks, sizeof lane_blocks));
        for (int k = 0; k < chains; ++k) {
          EXPECT_EQ(0, std::memcmp(&dl[k], &ds[k], sizeof dl[k])) << k;
          EXPECT_EQ(0, std::memcmp(&cl[k], &cs[k], sizeof cl[k])) << k;
        }
        for (int k = 0; k < poles; ++k)
          EXPECT_EQ(0, std::memcmp(&pl[k], &ps[k], sizeof pl[k])) << k;
      }
  wide_vectors_allow(true);
}

// The section-gate-band pass against the scalar steps (the section, then
// for gated jobs tone x (output x gain), then the band filter), with gated
// and ungated jobs mixed, in place and from a separate input, over one to
// sixteen jobs at every kernel level; the second round starts from tiny
// inputs whose filter outputs are subnormal (no flush on this thread); the
// last two are one round of eight samples and an empty block.
TEST(Filters, SectionGateBandEqualsScalarSteps) {
  dsp_test::test_noise rnd(2024u);
  for (const vector_level level : dsp_test::vector_levels())
    for (const int count : {1, 3, 4, 5, 8, 9, 16}) {
      SCOPED_TRACE(std::string(dsp_test::level_name(level)) + ", " + std::to_string(count));
      vector_level_select(level);
      float in[16][64], tone[16][64], lane_out[16][64], scalar_out[16][64];
      biquad ql[16], qs[16];
      band_filter bl[16], bs[16];
      section_band_job jobs[16];
      for (int k = 0; k < 16; ++k) {
        biquad_init(&ql[k]);
        biquad_design_q_db(&ql[k], k % 3 ? FILTER_HIGHPASS : FILTER_NOTCH, 0.0f,
                           200.0f + 300.0f * k, 0.8f, 48000.0f);
        band_filter_init(&bl[k]);
        band_filter_design(&bl[k], 100.0f + 20.0f * k, 4000.0f + 500.0f * k, 1.0f, 48000.0f);
        qs[k] = ql[k];
        bs[k] = bl[k];
      }
      for (int round = 0; round < 5; ++round) {
        const float size = round == 1 ? 1e-37f : 1.0f;
        const int n = round < 3 ? 64 : round == 3 ? 8 : 0;
        for (int k = 0; k < 16; ++k)
          for (int i = 0; i < 64; ++i) {
            in[k][i] = size * rnd();
            tone[k][i] = 0.5f + rnd();
            lane_out[k][i] = scalar_out[k][i] = rnd();
          }
        for (int k = 0; k < count; ++k) {
          const bool gated = k % 2 == 1, in_place = k % 4 == 0;
          if (in_place) {
            std::memcpy(lane_out[k], in[k], sizeof in[k]);
            std::memcpy(scalar_out[k], in[k], sizeof in[k]);  // past n: the input, untouched
          }
          jobs[k] = {&ql[k], &bl[k], in_place ? lane_out[k] : in[k], gated ? tone[k] : nullptr,
                     k % 3 ? 1.9f : 0.7f, lane_out[k]};
          float x[64];
          std::memcpy(x, in[k], sizeof x);
          biquad_process(&qs[k], x, n);
          if (gated)
            for (int i = 0; i < n; ++i) x[i] = tone[k][i] * (x[i] * jobs[k].gain);
          band_filter_process(&bs[k], x, n);
          std::memcpy(scalar_out[k], x, sizeof(float) * n);
        }
        section_band_process_lanes(jobs, count, n);
        ASSERT_EQ(0, std::memcmp(lane_out, scalar_out, sizeof lane_out)) << "round " << round;
        for (int k = 0; k < count; ++k) {
          ASSERT_EQ(0, std::memcmp(&ql[k], &qs[k], sizeof ql[k])) << k;
          ASSERT_EQ(0, std::memcmp(&bl[k], &bs[k], sizeof bl[k])) << k;
        }
      }
    }
  wide_vectors_allow(true);
}

// The control-chain pass against the scalar steps: jobs with and without a
// pre-section, of the offset and the product kind, mixed, over one to
// sixteen jobs at every kernel level; the control block as written back and
// every record's state included. With sweeps beside the chains (none, two,
// four; slow ones and ones restarting every few samples), their lines and
// phases too, and with the two multiply chains riding along in every other
// block. Three blocks of 64 samples, then one of 8, one of 4 and an empty
// one.
TEST(Filters, ControlChainsEqualScalarSteps) {
  dsp_test::test_noise rnd(99u);
  const float sweep_hz[4] = {2.0f, 9000.0f, 0.3f, 23000.0f};
  const float slope[4] = {1.5f, 0.25f, 2.0f, 0.75f}, base[4] = {4.0f, 6.5f, 3.0f, 5.0f};
  for (const vector_level level : dsp_test::vector_levels())
    for (const int count : {1, 2, 4, 6, 8, 11, 16})
      for (const int sweep_count : {-1, 0, 2, 4}) {  // -1: the pass without sweeps
        SCOPED_TRACE(std::string(dsp_test::level_name(level)) + ", " + std::to_string(count) +
                     " chains, " + std::to_string(sweep_count) + " sweeps");
        vector_level_select(level);
        float lane_control[16][64], lane_block[16][64], scalar_control[16][64],
            scalar_block[16][64];
        biquad_df2 pre_l[16], pre_s[16], post_l[16], post_s[16];
        one_pole pole_l[16], pole_s[16];
        control_chain_job jobs[16];
        ramp_osc ramp_l[4], ramp_s[4];
        float lane_line[4][64] = {}, scalar_line[4][64];
        ramp_osc_job sweeps[4];
        for (int k = 0; k < 16; ++k) {
          biquad_df2_init(&pre_l[k]);
          biquad_df2_design_q(&pre_l[k], FILTER_BANDPASS_GAIN, 1.0f, 40.0f + 10.0f * k, 0.4f,
                              48000.0f);
          biquad_df2_init(&post_l[k]);
          biquad_df2_design_bw(&post_l[k], FILTER_LOWPASS, 1.0f, 3.0f + k, 1.0f, 48000.0f);
          one_pole_init(&pole_l[k]);
          one_pole_design(&pole_l[k], 0, 300.0f + 40.0f * k, 48000.0f);
          pre_s[k] = pre_l[k];
          post_s[k] = post_l[k];
          pole_s[k] = pole_l[k];
        }
        for (int k = 0; k < 4; ++k) {
          ramp_osc_init(&ramp_l[k]);
          ramp_osc_set_freq(&ramp_l[k], sweep_hz[k], 48000.0f);
          ramp_l[k].phase = 0.3f * static_cast<float>(k) - 0.5f;
          ramp_s[k] = ramp_l[k];
          sweeps[k] = {&ramp_l[k], lane_line[k]};
        }
        for (int round = 0; round < 6; ++round) {
          const int n = round < 3 ? 64 : round == 3 ? 8 : round == 4 ? 4 : 0;
          for (int k = 0; k < 16; ++k)
            for (int i = 0; i < 64; ++i) {
              lane_control[k][i] = scalar_control[k][i] = rnd();
              lane_block[k][i] = scalar_block[k][i] = rnd();
            }
          for (int k = 0; k < count; ++k) {
            const bool with_pre = k % 3 != 1, product = k % 2 == 1;
            jobs[k] = {with_pre ? &pre_l[k] : nullptr, &pole_l[k], lane_control[k],
                       product ? 1.0f : 4.0f, product ? 0.0f : 30.0f, product, &post_l[k],
                       lane_block[k]};
            if (with_pre) biquad_df2_process(&pre_s[k], scalar_control[k], n);
            one_pole_process(&pole_s[k], scalar_control[k], n);
            for (int i = 0; i < n; ++i) {
              const float m = scalar_control[k][i];
              scalar_control[k][i] = m * jobs[k].scale;
              scalar_block[k][i] =
                  product ? m * scalar_block[k][i] : scalar_control[k][i] + jobs[k].offset;
            }
            biquad_df2_process(&post_s[k], scalar_block[k], n);
          }
          for (int k = 0; k < sweep_count; ++k) {
            std::memcpy(scalar_line[k], lane_line[k], sizeof lane_line[k]);
            ramp_osc_process(&ramp_s[k], scalar_line[k], n);
            for (int i = 0; i < n; ++i)
              scalar_line[k][i] = (scalar_line[k][i] + 1.0f) * slope[k] + base[k];
          }
          // Every other block with the two multiply chains beside the pass:
          // the values after each eight samples and the last ones.
          const bool with_multiplies = sweep_count >= 0 && round % 2 == 0;
          alignas(16) double env[2] = {0.3 + round, 0.7 / (round + 1)};
          alignas(16) const double mul[2] = {0.99991, 1.0000123};
          alignas(16) double rounds[16] = {}, want_rounds[16] = {};
          double want_env[2] = {env[0], env[1]};
          for (int i = 0; i < n; ++i) {
            for (int k = 0; k < 2; ++k) want_env[k] *= mul[k];
            if (i % 8 == 7)
              for (int k = 0; k < 2; ++k) want_rounds[2 * (i / 8) + k] = want_env[k];
          }
          const multiply_pair_job multiplies{env, mul, rounds};
          if (sweep_count < 0)
            control_chain_process_lanes(jobs, count, n);
          else
            control_chain_sweep_process_lanes(jobs, count, sweeps, sweep_count, slope, base, n,
                                              with_multiplies ? &multiplies : nullptr);
          if (with_multiplies) {
            ASSERT_EQ(0, std::memcmp(env, want_env, sizeof env)) << round;
            ASSERT_EQ(0, std::memcmp(rounds, want_rounds, sizeof rounds)) << round;
          }
          ASSERT_EQ(0, std::memcmp(lane_control, scalar_control, sizeof lane_control)) << round;
          ASSERT_EQ(0, std::memcmp(lane_block, scalar_block, sizeof lane_block)) << round;
          for (int k = 0; k < count; ++k) {
            ASSERT_EQ(0, std::memcmp(&pre_l[k], &pre_s[k], sizeof pre_l[k])) << k;
            ASSERT_EQ(0, std::memcmp(&pole_l[k], &pole_s[k], sizeof pole_l[k])) << k;
            ASSERT_EQ(0, std::memcmp(&post_l[k], &post_s[k], sizeof post_l[k])) << k;
          }
          for (int k = 0; k < sweep_count; ++k) {
            ASSERT_EQ(0, std::memcmp(lane_line[k], scalar_line[k], sizeof lane_line[k])) << k;
            ASSERT_EQ(0, std::memcmp(&ramp_l[k], &ramp_s[k], sizeof ramp_l[k])) << k;
          }
        }
      }
  wide_vectors_allow(true);
}

// The pass of three groups (resonator-then-biquad chains, lone resonators,
// biquad chains of one length) against the scalar processors, for group
// sizes from empty to full at either width, over one round of eight samples
// and over several (the small layouts' one-group pass runs the second
// sections a round behind); too many jobs or mixed chain lengths are refused
// without touching anything.
#if defined(__SSE2__)
constexpr bool PASS_OF_THREE_BUILT = true;
#else
// A build without vector kernels declines every pass (its callers run the
// scalar processors instead).
constexpr bool PASS_OF_THREE_BUILT = false;
#endif

TEST(Filters, ResonatorPassOfThreeEqualsScalarProcessing) {
  dsp_test::test_noise rnd(2024u);
  struct sizes {
    int chains, resonators, biquads, sections;
  };
  const sizes cases[] = {{4, 4, 2, 2}, {3, 2, 1, 2}, {0, 4, 4, 1}, {4, 0, 0, 4},
                         {7, 6, 2, 2}, {8, 8, 8, 1}, {1, 1, 1, 4}, {2, 4, 2, 2},
                         {1, 0, 2, 2}, {3, 3, 0, 1}, {0, 2, 1, 2}, {4, 4, 2, 1},
                         {4, 4, 3, 2}, {5, 1, 1, 2}};
  for (const vector_level level : dsp_test::vector_levels())
    for (const int n : {8, 64})
    for (const sizes& c : cases) {
      SCOPED_TRACE(std::to_string(c.chains) + "/" + std::to_string(c.resonators) + "/" +
                   std::to_string(c.biquads) + "x" + std::to_string(c.sections) + " n " +
                   std::to_string(n) + " " + dsp_test::level_name(level));
      vector_level_select(level);
      float lanes[24][64], scalar[24][64];
      for (auto& b : lanes)
        for (float& x : b) x = rnd();
      std::memcpy(scalar, lanes, sizeof lanes);
      resonator rl[16], rs[16];
      biquad ql[8][4], qs[8][4], cl[8], cs[8];
      resonator_biquad_job chain_jobs[8];
      resonator_job resonator_jobs[8];
      biquad_chain_job biquad_jobs[8];
      for (int k = 0; k < 16; ++k) {
        resonator_init(&rl[k]);
        resonator_set(&rl[k], 0.01f * (k % 8 + 1), -1.9f + 0.05f * (k % 8), 0.92f + 0.005f * k);
        rl[k].y1 = 0.1f;
        rs[k] = rl[k];
      }
      for (int k = 0; k < 8; ++k) {
        biquad_init(&cl[k]);
        biquad_design_q_db(&cl[k], FILTER_LOWPASS, 0.0f, 300.0f + 500.0f * k, 0.7f, 48000.0f);
        cs[k] = cl[k];
        for (int s = 0; s < 4; ++s) {
          biquad_init(&ql[k][s]);
          biquad_design_q_db(&ql[k][s], FILTER_LOWPASS, 0.0f, 5.0f + k + s, 0.7f, 48000.0f);
          ql[k][s].y1 = 0.2f;
          qs[k][s] = ql[k][s];
        }
      }
      for (int k = 0; k < c.chains; ++k) chain_jobs[k] = {&rl[k], &cl[k], lanes[k]};
      for (int k = 0; k < c.resonators; ++k) resonator_jobs[k] = {&rl[8 + k], lanes[8 + k]};
      for (int k = 0; k < c.biquads; ++k)
        biquad_jobs[k] = {{&ql[k][0], &ql[k][1], &ql[k][2], &ql[k][3]}, c.sections, lanes[16 + k]};
      const bool fits =
          PASS_OF_THREE_BUILT && (c.chains <= 8 && c.resonators <= 8 && c.biquads <= 8) &&
          (wide_vectors_on() || (c.chains <= 4 && c.resonators <= 4 && c.biquads <= 4));
      // Every other case with eight multiply chains beside the pass (the
      // values after each eight samples and the last ones).
      const bool with_multiplies = (&c - cases) % 2 == 0;
      alignas(32) double env[8], mul[8], rounds[64] = {}, want_rounds[64] = {};
      double want_env[8];
      for (int k = 0; k < 8; ++k) {
        env[k] = want_env[k] = 0.1 * (k + 1);
        mul[k] = 1.0 - 0.00013 * k + 0.0000071 * n;
      }
      for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 8; ++k) want_env[k] *= mul[k];
        if (i % 8 == 7)
          for (int k = 0; k < 8; ++k) want_rounds[8 * (i / 8) + k] = want_env[k];
      }
      const multiply_set_job multiplies{env, mul, rounds};
      ASSERT_EQ(resonator_pass_of_three(chain_jobs, c.chains, resonator_jobs, c.resonators,
                                        biquad_jobs, c.biquads, n,
                                        with_multiplies ? &multiplies : nullptr),
                fits);
      if (!fits) {
        EXPECT_EQ(0, std::memcmp(lanes, scalar, sizeof lanes));  // nothing ran
        for (int k = 0; k < 8; ++k) EXPECT_EQ(env[k], 0.1 * (k + 1));  // nor the multiplies
        for (const double r : rounds) EXPECT_EQ(r, 0.0);
        continue;
      }
      if (with_multiplies) {
        EXPECT_EQ(0, std::memcmp(env, want_env, sizeof env));
        EXPECT_EQ(0, std::memcmp(rounds, want_rounds, sizeof rounds));
      }
      for (int k = 0; k < c.chains; ++k) {
        resonator_process(&rs[k], scalar[k], n);
        biquad_process(&cs[k], scalar[k], n);
      }
      for (int k = 0; k < c.resonators; ++k) resonator_process(&rs[8 + k], scalar[8 + k], n);
      for (int k = 0; k < c.biquads; ++k)
        for (int s = 0; s < c.sections; ++s) biquad_process(&qs[k][s], scalar[16 + k], n);
      EXPECT_EQ(0, std::memcmp(lanes, scalar, sizeof lanes));
      EXPECT_EQ(0, std::memcmp(rl, rs, sizeof rl));
      EXPECT_EQ(0, std::memcmp(cl, cs, sizeof cl));
      EXPECT_EQ(0, std::memcmp(ql, qs, sizeof ql));
    }
  wide_vectors_allow(true);
  // Mixed chain lengths do not share a group.
  biquad f[3];
  for (auto& q : f) biquad_init(&q);
  float block[2][64] = {};
  const biquad_chain_job mixed[2] = {{{&f[0]}, 1, block[0]}, {{&f[1], &f[2]}, 2, block[1]}};
  EXPECT_FALSE(resonator_pass_of_three(nullptr, 0, nullptr, 0, mixed, 2, 64, nullptr));
}
