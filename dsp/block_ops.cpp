#include "dsp/block_ops.h"

#include <cstdint>
#include <cstring>

#include "dsp/dsp_common.h"

int block_abs(float* block, int n) {
  for (int i = 0; i < n; ++i) {
    uint32_t bits;
    std::memcpy(&bits, &block[i], 4);
    bits &= 0x7FFFFFFFu;
    std::memcpy(&block[i], &bits, 4);
  }
  return DSP_OK;
}

int block_add(const float* __restrict src, float* __restrict dst, int n) {
  for (int i = 0; i < n; ++i) dst[i] = dst[i] + src[i];
  return DSP_OK;
}

int block_scale(float k, float* block, int n) {
  for (int i = 0; i < n; ++i) block[i] = block[i] * k;
  return DSP_OK;
}

int block_scale_to(float k, const float* __restrict in, float* __restrict out, int n) {
  for (int i = 0; i < n; ++i) out[i] = in[i] * k;
  return DSP_OK;
}

int block_max(float k, float* block, int n) {
  for (int i = 0; i < n; ++i) block[i] = block[i] > k ? block[i] : k;
  return DSP_OK;
}

int block_multiply(const float* a, float* b, int n) {
  for (int i = 0; i < n; ++i) b[i] = a[i] * b[i];
  return DSP_OK;
}

int block_multiply_to(const float* a, const float* b, float* __restrict out, int n) {
  for (int i = 0; i < n; ++i) out[i] = b[i] * a[i];
  return DSP_OK;
}

int block_offset(float k, float* block, int n) {
  for (int i = 0; i < n; ++i) block[i] = block[i] + k;
  return DSP_OK;
}

int block_offset_to(float k, const float* __restrict in, float* __restrict out, int n) {
  for (int i = 0; i < n; ++i) out[i] = in[i] + k;
  return DSP_OK;
}

int block_exp(float* block, int n) {
  for (int i = 0; i < n; ++i) {
    float x = block[i];
    x = x < 88.37626f ? x : 88.37626f;
    x = x > -88.37626f ? x : -88.37626f;
    const float t = x * 1.442695f + 0.5f;
    float nf = static_cast<float>(static_cast<int32_t>(t));
    nf = t < nf ? nf - 1.0f : nf;
    const float r = x - nf * 0.693359375f - nf * -0.00021219444f;
    float p = 0.00019875691f * r + 0.0013981999f;
    p = p * r + 0.008333452f;
    p = p * r + 0.041665796f;
    p = p * r + 0.16666666f;
    p = p * r + 0.5f;
    const float y = p * (r * r) + r + 1.0f;
    // 2^n: n + 127 in the exponent field, zero mantissa (n = -127 gives 0).
    const uint32_t bits = static_cast<uint32_t>(static_cast<int32_t>(nf) + 127) << 23;
    float pow2;
    std::memcpy(&pow2, &bits, 4);
    block[i] = y * pow2;
  }
  return DSP_OK;
}

int gain_ramp_init(gain_ramp_state* s) {
  if (!s) return DSP_NULL;
  s->gain = 0.0f;
  denormal_mode_set();
  return DSP_OK;
}

int gain_ramp(gain_ramp_state* s, float g, float* block, int n) {
  denormal_mode_set();
  const float step = (g - s->gain) / static_cast<float>(n);
  float gains[4];
  gains[0] = s->gain + step;
  gains[1] = gains[0] + step;
  gains[2] = gains[1] + step;
  gains[3] = gains[2] + step;
  const float step4 = 4.0f * step;
  for (int i = 0; i < n; i += 4) {
    for (int j = 0; j < 4; ++j) {
      block[i + j] = block[i + j] * gains[j];
      gains[j] = gains[j] + step4;
    }
  }
  s->gain = g;
  return DSP_OK;
}

int mix_interleaved(const float* const* sources, int num_sources, float* out, int num_channels,
                    const float* matrix, int frames) {
  for (int c = 0; c < num_channels; ++c) {
    for (int s = 0; s < num_sources; ++s) {
      const float k = matrix[c * num_sources + s];
      const float* src = sources[s];
      for (int f = 0; f < frames; ++f) out[f * num_channels + c] += k * src[f];
    }
  }
  return DSP_OK;
}

int mix_deinterleaved(const float* const* sources, int num_sources, float* const* channels,
                      int num_channels, const float* matrix, int frames) {
  for (int c = 0; c < num_channels; ++c) {
    float* dst = channels[c];
    for (int f = 0; f < frames; ++f) dst[f] = 0.0f;
    for (int s = 0; s < num_sources; ++s) {
      const float k = matrix[c * num_sources + s];
      const float* src = sources[s];
      for (int f = 0; f < frames; ++f) dst[f] += k * src[f];
    }
  }
  return DSP_OK;
}
