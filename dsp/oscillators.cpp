#include "dsp/oscillators.h"

#include <cmath>

#include "dsp/dsp_common.h"

namespace {

constexpr float TWO_PI_F = 6.2831855f;  // 6.2831854820251465
constexpr double PI_D = 3.141592653589793;
constexpr double TWO_PI_D = 6.283185307179586;

inline float sign_of(float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

// Parabolic sine of x in [-pi, pi], refined once.
inline float approx_sine(float x) {
  const float y = 1.2732395f * x - 0.40528473f * x * std::fabs(x);
  return 0.225f * (y * std::fabs(y) - y) + y;
}

// The increment folded into (-2 pi, 2 pi), keeping its sign.
inline float fold_increment(float inc) {
  const float q = std::fabs(inc) / TWO_PI_F;
  const float m = std::floor(q);
  return inc - sign_of(inc) * m * TWO_PI_F;
}

inline float wrap_once(float p) {
  const double d = static_cast<double>(p);
  if (d < -PI_D) return static_cast<float>(d + TWO_PI_D);
  if (d > PI_D) return static_cast<float>(d - TWO_PI_D);
  return p;
}

float normalise_phase(float p) {
  const double d = static_cast<double>(p);
  const double sgn = d > 0.0 ? 1.0 : (d < 0.0 ? -1.0 : 0.0);
  return static_cast<float>(d - std::floor(std::fabs(d) / 6.2831854820251465) * sgn *
                                    6.2831854820251465);
}

}  // namespace

int sine_osc_init(sine_osc* o, float fs) {
  if (!o) return DSP_NULL;
  o->phase = 1.5707964f;
  o->scale = static_cast<float>(TWO_PI_D / static_cast<double>(fs));
  return DSP_OK;
}

int sine_osc_process_to(sine_osc* o, const float* __restrict freq, float* __restrict out,
                        int n) {
  float phase = normalise_phase(o->phase);
  const float scale = o->scale;
  for (int i = 0; i < n; ++i) {
    const float inc = fold_increment(freq[i] * scale);
    out[i] = approx_sine(phase);
    phase = wrap_once(phase + inc);
  }
  o->phase = phase;
  return DSP_OK;
}

int sine_osc_process(sine_osc* o, float* block, int n) {
  float phase = normalise_phase(o->phase);
  const float scale = o->scale;
  for (int i = 0; i < n; ++i) {
    const float inc = fold_increment(block[i] * scale);
    block[i] = approx_sine(phase);
    phase = wrap_once(phase + inc);
  }
  o->phase = phase;
  return DSP_OK;
}

void ramp_osc_init(ramp_osc* o) {
  o->phase = 0.0f;
  o->increment = 0.0f;
}

int ramp_osc_set_freq(ramp_osc* o, float freq, float fs) {
  o->increment = freq * 2.0f / fs;
  return DSP_OK;
}

int ramp_osc_process(ramp_osc* o, float* out, int n) {
  float phase = o->phase;
  const float inc = o->increment;
  for (int i = 0; i < n; ++i) {
    out[i] = phase;
    phase += inc;
    if (phase >= 1.0f) phase = -1.0f;
  }
  o->phase = phase;
  return DSP_OK;
}
