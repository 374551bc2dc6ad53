#pragma once
// Helpers shared by the building-block tests: float bit access, ulp distance,
// the thread's denormal mode, and frequency responses of second-order
// filters evaluated in double from stored float coefficients.

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "dsp/simd/levels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace dsp_test {

// Every vector level this build and processor run, highest first.
inline std::vector<vector_level> vector_levels() {
  std::vector<vector_level> levels = vector_levels_supported();
  return {levels.rbegin(), levels.rend()};
}

inline const char* level_name(vector_level level) { return vector_level_name(level); }

// A generator of test signals in [-1, 1), independent of the library's seeds.
class test_noise {
 public:
  explicit test_noise(uint32_t seed) : state_(seed) {}
  float operator()() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(state_)) * 4.656613e-10f;
  }

 private:
  uint32_t state_;
};

inline uint32_t bits_of(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

inline float float_of(uint32_t b) {
  float f;
  std::memcpy(&f, &b, 4);
  return f;
}

// Distance in units in the last place between two finite floats of any sign.
inline int64_t ulp_distance(float a, float b) {
  auto ordered = [](float f) -> int64_t {
    const int32_t i = static_cast<int32_t>(bits_of(f));
    return i < 0 ? -static_cast<int64_t>(i & 0x7FFFFFFF) : static_cast<int64_t>(i);
  };
  const int64_t d = ordered(a) - ordered(b);
  return d < 0 ? -d : d;
}

// Tolerance for comparing a float against a decimal printed to ~8 digits:
// two ulps at the magnitude of the expected value.
inline float ulps(float expected, int n = 2) {
  const float a = std::fabs(expected);
  return n * (std::nextafter(a, std::numeric_limits<float>::infinity()) - a);
}

// The uniform seed whose next step (seed * 16807 mod 2^32) lands on `state`,
// through the multiplicative inverse of 16807 modulo 2^32.
inline uint32_t uniform_seed_before(uint32_t state) {
  uint32_t inv = 16807u;
  for (int i = 0; i < 5; ++i) inv *= 2u - 16807u * inv;  // Newton: doubles correct bits
  return state * inv;
}

// Clears and reports flush-to-zero / denormals-are-zero on the calling
// thread. Where the platform has no such control both are no-ops and the
// mode reads as set.
inline void denormal_mode_clear() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_setcsr(_mm_getcsr() & ~0x8040u);
#endif
}

inline bool denormal_mode_is_set() {
#if defined(__x86_64__) || defined(__i386__)
  return (_mm_getcsr() & 0x8040u) == 0x8040u;
#else
  return true;
#endif
}

// H(e^jw) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2), a not negated.
inline std::complex<double> response(double b0, double b1, double b2, double a1, double a2,
                                     double freq, double fs) {
  const double w = 2.0 * 3.141592653589793 * freq / fs;
  const std::complex<double> z1 = std::polar(1.0, -w);
  const std::complex<double> z2 = z1 * z1;
  return (b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2);
}

// Amplitude of the component at `freq` in y[0..n), n spanning whole periods.
inline double amplitude_at(const float* y, int n, double freq, double fs) {
  double re = 0.0, im = 0.0;
  for (int i = 0; i < n; ++i) {
    const double ph = 2.0 * 3.141592653589793 * freq * i / fs;
    re += y[i] * std::cos(ph);
    im += y[i] * std::sin(ph);
  }
  return 2.0 * std::sqrt(re * re + im * im) / n;
}

}  // namespace dsp_test
