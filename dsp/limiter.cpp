#include "dsp/limiter.h"

#include <bit>
#include <cmath>

#include "dsp/block_kernels.h"
#include "dsp/dsp_common.h"
#include "dsp/simd/baseline.h"

int limiter_init(limiter* l) {
  l->threshold = 1.0f;
  l->slope = 1.0f;
  return DSP_OK;
}

int limiter_set_threshold(limiter* l, float db) {
  l->threshold = static_cast<float>(std::pow(10.0, static_cast<double>(db) * 0.05));
  l->slope = 0.0f;
  return DSP_OK;
}

int limiter_set(limiter* l, float db, float ratio) {
  l->threshold = static_cast<float>(std::pow(10.0, static_cast<double>(db) * 0.05));
  l->slope = ratio > SMALLEST_NORMAL ? 1.0f / ratio : 1000000.0f;
  return DSP_OK;
}

// Both knees computed for every sample and the right one selected: no branch
// to mispredict on a signal that crosses the threshold often.
int limiter_process(const limiter* l, float* block, int n) {
  using V = base_vectors;
  const float t = l->threshold, s = l->slope;
  const V::v tv = V::splat(t), sv = V::splat(s), neg_t = V::splat(-t);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    const V::v x = V::load(block + i);
    const V::v upper = V::add(V::mul(V::sub(x, tv), sv), tv);
    const V::v lower = V::sub(V::mul(V::add(tv, x), sv), tv);
    V::store(block + i, V::select(V::lt(tv, x), upper, V::select(V::lt(x, neg_t), lower, x)));
  }
  for (; i < n; ++i) {
    const float x = block[i];
    if (x > t)
      block[i] = (x - t) * s + t;
    else if (x < -t)
      block[i] = (t + x) * s - t;
  }
  return DSP_OK;
}

int limiter_clip_process(const limiter* l, float* block, int n) {
  block_kernels_now().clip(l->threshold, block, n);
  return DSP_OK;
}

int limiter_envelope_gain(const limiter* l, float amplitude, float floor, float* envelope,
                          float* block, int n) {
  block_kernels_now().envelope_gain(l->threshold, l->slope, amplitude, floor, envelope, block, n);
  return DSP_OK;
}

int level_probe_init(level_probe* p) {
  if (!p) return DSP_NULL;
  p->counter = 0;
  p->period = 64;
  return DSP_OK;
}

int level_probe_set_period(level_probe* p, int32_t period) {
  p->period = period;
  return DSP_OK;
}

int level_probe_process(level_probe* p, const float* in, float* out, int n) {
  // Most blocks hold no reading: skip the walk when the counter cannot reach
  // the period within this block.
  const int64_t first = static_cast<int64_t>(p->period) - p->counter;
  if (first < 0 || first >= n) {
    p->counter += n;
    return DSP_OK;
  }
  int32_t counter = p->counter;
  for (int i = 0; i < n; ++i) {
    if (counter == p->period) {
      *out = in[i];
      counter = 0;
    }
    ++counter;
  }
  p->counter = counter;
  return DSP_OK;
}

int level_probe_reading(const level_probe* p, int n) {
  const int64_t first = static_cast<int64_t>(p->period) - p->counter;
  if (first < 0 || first >= n) return -1;
  // Readings follow at every period after the first (a period below 1 never
  // comes round again: the restarted counter is already above it).
  if (p->period < 1) return static_cast<int>(first);
  return static_cast<int>(first + (n - 1 - first) / p->period * p->period);
}

void level_probe_advance(level_probe* p, float value, float* out, int n) {
  const int last = level_probe_reading(p, n);
  if (last < 0) {
    p->counter += n;
    return;
  }
  *out = value;
  p->counter = n - last;
}

int map_curve(float in_lo, float in_hi, float out_lo, float out_hi, float e, float x, float* out) {
  const float d = in_hi - in_lo;
  float t = 0.5f;
  if (std::fabs(static_cast<double>(d)) >= 1.1920928955078125e-7) t = (x - in_lo) / d;
  // t^1 and t^2 are exact in double (a float squared fits a double), so they
  // need no call to pow: the same value, far cheaper per sub-block.
  const double td = static_cast<double>(t);
  const double power = e == 1.0f ? td : (e == 2.0f ? td * td : std::pow(td, static_cast<double>(e)));
  *out = static_cast<float>(power) * (out_hi - out_lo) + out_lo;
  return DSP_OK;
}

int value_max(float a, float b, float* out) {
  *out = a > b ? a : b;
  return DSP_OK;
}

int value_min(float a, float b, float* out) {
  *out = a < b ? a : b;
  return DSP_OK;
}

int value_product(float a, float b, float* out) {
  *out = a * b;
  return DSP_OK;
}

uint32_t channel_mask_for_count(uint32_t count) {
  static constexpr uint32_t codes[9] = {0u, 0x80000u, 0x3u, 0xBu, 0x33u, 0x37u, 0x3Fu, 0x637u,
                                        0x63Fu};
  if (count <= 8) return codes[count];
  return (uint32_t{1} << (count % 32u)) - 1u;
}

uint32_t channel_count_of_mask(uint32_t mask) {
  return static_cast<uint32_t>(std::popcount(mask & 0x3FFFFFFFu));
}
