#pragma once
// Helpers of the filter tests: responses of stored coefficients, records
// with history, test signals and measured gains.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <vector>

#include "dsp/filters.h"
#include "dsp/noise.h"
#include "dsp_test_util.h"

namespace filter_test {

using dsp_test::amplitude_at;
using dsp_test::bits_of;
using dsp_test::response;

constexpr double PI = 3.141592653589793;
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

inline double gain_of(const biquad& f, double freq, double fs) {
  return std::abs(response(f.b0, f.b1, f.b2, -f.c1, -f.c2, freq, fs));
}

inline double gain_of(const biquad_df2& f, double freq, double fs) {
  return std::abs(response(f.b0, f.b1, f.b2, f.a1, f.a2, freq, fs));
}

// Coefficients only, compared bit for bit (history excluded).
inline void expect_same_coefs(const biquad& a, const biquad& b) {
  EXPECT_EQ(bits_of(a.b0), bits_of(b.b0));
  EXPECT_EQ(bits_of(a.b1), bits_of(b.b1));
  EXPECT_EQ(bits_of(a.b2), bits_of(b.b2));
  EXPECT_EQ(bits_of(a.c1), bits_of(b.c1));
  EXPECT_EQ(bits_of(a.c2), bits_of(b.c2));
}

inline void expect_same_coefs(const biquad_df2& a, const biquad_df2& b) {
  EXPECT_EQ(bits_of(a.b0), bits_of(b.b0));
  EXPECT_EQ(bits_of(a.b1), bits_of(b.b1));
  EXPECT_EQ(bits_of(a.b2), bits_of(b.b2));
  EXPECT_EQ(bits_of(a.a1), bits_of(b.a1));
  EXPECT_EQ(bits_of(a.a2), bits_of(b.a2));
}

inline void expect_same_record(const biquad& a, const biquad& b) {
  expect_same_coefs(a, b);
  EXPECT_EQ(bits_of(a.x1), bits_of(b.x1));
  EXPECT_EQ(bits_of(a.x2), bits_of(b.x2));
  EXPECT_EQ(bits_of(a.y1), bits_of(b.y1));
  EXPECT_EQ(bits_of(a.y2), bits_of(b.y2));
}

inline void expect_pass_through(const biquad& f) {
  EXPECT_EQ(f.b0, 1.0f);
  EXPECT_EQ(f.b1, 0.0f);
  EXPECT_EQ(f.b2, 0.0f);
  EXPECT_EQ(f.c1, 0.0f);
  EXPECT_EQ(f.c2, 0.0f);
}

inline void expect_pass_through(const biquad_df2& f) {
  EXPECT_EQ(f.b0, 1.0f);
  EXPECT_EQ(f.b1, 0.0f);
  EXPECT_EQ(f.b2, 0.0f);
  EXPECT_EQ(f.a1, 0.0f);
  EXPECT_EQ(f.a2, 0.0f);
}

// A designed low-pass with non-zero history, so tests can see what a design
// or a rejected call leaves in place.
inline biquad running_lowpass() {
  biquad f;
  biquad_init(&f);
  biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, 800.0f, 0.9f, 48000.0f);
  f.x1 = 0.25f;
  f.x2 = -0.5f;
  f.y1 = 0.125f;
  f.y2 = -0.0625f;
  return f;
}

inline biquad_df2 running_df2() {
  biquad_df2 f;
  biquad_df2_init(&f);
  biquad_df2_design_q(&f, FILTER_LOWPASS, 0.0f, 800.0f, 0.9f, 48000.0f);
  f.w1 = 0.25f;
  f.w2 = -0.5f;
  return f;
}

// n white-noise samples (generated in whole groups of eight).
inline std::vector<float> white(int n, uint32_t seed) {
  const int whole = (n + 7) / 8 * 8;
  std::vector<float> v(whole);
  noise_set_uniform_seed(seed);
  noise_white_process(v.data(), whole);
  v.resize(n);
  return v;
}

inline std::vector<float> sine(int n, double freq, double fs) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = static_cast<float>(std::sin(2.0 * PI * freq * i / fs));
  return v;
}

// Steady-state amplitude of a unit sine at `freq` after `process` has run
// over it: 0.2 s of settling, then 0.1 s measured (whole periods for the
// frequencies used here).
template <class Process>
inline double measured_gain(Process process, double freq, double fs) {
  const int settle = static_cast<int>(fs / 5), measure = static_cast<int>(fs / 10);
  std::vector<float> x = sine(settle + measure, freq, fs);
  process(x.data(), settle + measure);
  return amplitude_at(x.data() + settle, measure, freq, fs);
}

// Largest-magnitude float strictly below lim > 0.
inline float float_below(double lim) {
  float f = static_cast<float>(lim);
  while (static_cast<double>(f) >= lim) f = std::nextafter(f, 0.0f);
  return f;
}

// One stage of a band filter's response at hz (feedback stored negated).
inline std::complex<double> stage_gain(float b0, float b1, float b2, float c1, float c2, double hz,
                                double sr) {
  return response(b0, b1, b2, -c1, -c2, hz, sr);
}

// The band filter's magnitude response at hz.
inline double band_gain(const band_filter& f, double hz, double sr) {
  return std::abs(stage_gain(f.hp_b0, f.hp_b1, f.hp_b2, f.hp_c1, f.hp_c2, hz, sr) *
                  stage_gain(f.lp_b0, f.lp_b1, f.lp_b2, f.lp_c1, f.lp_c2, hz, sr));
}

inline void expect_both_pass_through(const band_filter& f) {
  EXPECT_EQ(f.hp_b0, 1.0f);
  EXPECT_EQ(f.lp_b0, 1.0f);
  for (float c : {f.hp_b1, f.hp_b2, f.hp_c1, f.hp_c2, f.lp_b1, f.lp_b2, f.lp_c1, f.lp_c2})
    EXPECT_EQ(c, 0.0f);
}

}  // namespace filter_test
