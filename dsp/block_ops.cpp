#include "dsp/block_ops.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "dsp/block_ops_wide.h"
#include "dsp/cpu_features.h"
#include "dsp/dsp_common.h"
#include "dsp/simd.h"

using simd::f4;

int block_abs(float* block, int n) {
  for (int i = 0; i < n; i += 4) simd::store(block + i, simd::abs_of(simd::load(block + i)));
  return DSP_OK;
}

int block_add(const float* __restrict src, float* __restrict dst, int n) {
  for (int i = 0; i < n; i += 4) simd::store(dst + i, simd::load(dst + i) + simd::load(src + i));
  return DSP_OK;
}

int block_scale(float k, float* block, int n) {
  if (n % 8 == 0 && vector_level_now() != VECTORS_4) {
    block_scale_avx(k, block, n);  // the same products, eight at a time
    return DSP_OK;
  }
  const f4 kk = simd::splat(k);
  for (int i = 0; i < n; i += 4) simd::store(block + i, simd::load(block + i) * kk);
  return DSP_OK;
}

int block_scale_to(float k, const float* __restrict in, float* __restrict out, int n) {
  const f4 kk = simd::splat(k);
  for (int i = 0; i < n; i += 4) simd::store(out + i, simd::load(in + i) * kk);
  return DSP_OK;
}

int block_max(float k, float* block, int n) {
  const f4 kk = simd::splat(k);
  for (int i = 0; i < n; i += 4) simd::store(block + i, simd::max_of(simd::load(block + i), kk));
  return DSP_OK;
}

int block_multiply(const float* a, float* b, int n) {
  for (int i = 0; i < n; i += 4) simd::store(b + i, simd::load(a + i) * simd::load(b + i));
  return DSP_OK;
}

int block_multiply_to(const float* a, const float* b, float* __restrict out, int n) {
  for (int i = 0; i < n; i += 4) simd::store(out + i, simd::load(b + i) * simd::load(a + i));
  return DSP_OK;
}

int block_offset(float k, float* block, int n) {
  const f4 kk = simd::splat(k);
  for (int i = 0; i < n; i += 4) simd::store(block + i, simd::load(block + i) + kk);
  return DSP_OK;
}

int block_offset_to(float k, const float* __restrict in, float* __restrict out, int n) {
  const f4 kk = simd::splat(k);
  for (int i = 0; i < n; i += 4) simd::store(out + i, simd::load(in + i) + kk);
  return DSP_OK;
}

namespace {

// The steps of block_exp on four values.
inline f4 exp4(f4 x) {
  const f4 hi = simd::splat(88.37626f), lo = simd::splat(-88.37626f);
  const f4 one = simd::splat(1.0f);
  x = simd::min_of(x, hi);
  x = simd::max_of(x, lo);
  const f4 t = x * simd::splat(1.442695f) + simd::splat(0.5f);
  f4 nf = simd::to_float(simd::truncate(t));
  nf = nf - simd::and_of(simd::less_mask(t, nf), one);  // floor(t)
  const f4 r = x - nf * simd::splat(0.693359375f) - nf * simd::splat(-0.00021219444f);
  f4 p = simd::splat(0.00019875691f) * r + simd::splat(0.0013981999f);
  p = p * r + simd::splat(0.008333452f);
  p = p * r + simd::splat(0.041665796f);
  p = p * r + simd::splat(0.16666666f);
  p = p * r + simd::splat(0.5f);
  const f4 y = p * (r * r) + r + one;
  // 2^n: n + 127 in the exponent field, zero mantissa (n = -127 gives 0).
  const f4 pow2 = simd::as_float(simd::shift_left(simd::add(simd::truncate(nf), 127), 23));
  return y * pow2;
}

}  // namespace

int block_exp(float* block, int n) {
  const vector_level level = vector_level_now();
  if (n % 8 == 0 && level != VECTORS_4) {
    if (level == VECTORS_16_AVX512)
      block_exp_avx512(block, n);
    else if (level >= VECTORS_8_AVX2)
      block_exp_avx2(block, n);
    else
      block_exp_avx(block, n);
    return DSP_OK;
  }
  for (int i = 0; i < n; i += 4) simd::store(block + i, exp4(simd::load(block + i)));
  return DSP_OK;
}

int block_exp_of_line(float a, float m, float b, float* block, int n) {
  const vector_level level = vector_level_now();
  if (n % 8 == 0 && level != VECTORS_4 && level != VECTORS_16_AVX512) {
    if (level == VECTORS_8_AVX512)
      block_exp_of_line_avx512(a, m, b, block, n);
    else if (level >= VECTORS_8_AVX2)
      block_exp_of_line_avx2(a, m, b, block, n);
    else
      block_exp_of_line_avx(a, m, b, block, n);
    return DSP_OK;
  }
  const f4 aa = simd::splat(a), mm = simd::splat(m), bb = simd::splat(b);
  if (n % 8 == 0 && level == VECTORS_16_AVX512) {
    // The line first, then the sixteen-lane exponential.
    for (int i = 0; i < n; i += 4) simd::store(block + i, ((simd::load(block + i) + aa) * mm) + bb);
    block_exp_avx512(block, n);
    return DSP_OK;
  }
  for (int i = 0; i < n; i += 4)
    simd::store(block + i, exp4(((simd::load(block + i) + aa) * mm) + bb));
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
  return gain_ramp_apply(s, g, block, n);
}

namespace {

// x / n. For a power of two n the quotient is x times n's reciprocal, which
// is exact: the same real number, so the same rounding, without the
// division's latency ahead of every gain of the ramp.
inline float per_sample(float x, int n) {
  if (n > 0 && (n & (n - 1)) == 0) {
    const uint32_t exponent = 127u - static_cast<uint32_t>(std::countr_zero(static_cast<unsigned>(n)));
    return x * std::bit_cast<float>(exponent << 23);
  }
  return x / static_cast<float>(n);
}

}  // namespace

bool gain_ramp_holds(const gain_ramp_state* s, float g, int n, float* gain) {
  const float step = per_sample(g - s->gain, n);
  if (step != 0.0f) return false;
  *gain = s->gain + step;
  return true;
}

int gain_ramp_apply(gain_ramp_state* s, float g, float* block, int n) {
  const float step = per_sample(g - s->gain, n);
  // A level that holds (a step of either zero): every gain of the chain below
  // is its first one, gain + step (adding a zero of the step's sign to it
  // changes no bit), so the block is scaled by it without the chain.
  if (step == 0.0f) {
    block_scale(s->gain + step, block, n);
    s->gain = g;
    return DSP_OK;
  }
  // The first four gains by repeated addition, then + 4 step per group.
  if (n % 8 == 0 && vector_level_now() != VECTORS_4) {
    gain_ramp_avx(s->gain + step, step, block, n);  // eight gains per vector
    s->gain = g;
    return DSP_OK;
  }
  const float g0 = s->gain + step;
  const float g1 = g0 + step;
  const float g2 = g1 + step;
  const float g3 = g2 + step;
  f4 gains = simd::make(g0, g1, g2, g3);
  const f4 step4 = simd::splat(4.0f * step);
  for (int i = 0; i < n; i += 4) {
    simd::store(block + i, simd::load(block + i) * gains);
    gains = gains + step4;
  }
  s->gain = g;
  return DSP_OK;
}

namespace {

constexpr int TERMS = 32;  // columns taken per round (more sources: more rounds)
constexpr int MAX_FRESH_CHANNELS = 8;  // channels the one-round fresh mix takes at once

// The sources of one round of columns that a channel receives (zero gains
// left out), in column order.
struct channel_terms {
  const float* source[TERMS];
  f4 gain[TERMS];  // splat once, used every four frames
  int count;
};

inline void collect_terms(channel_terms& t, const float* const* sources, int first, int last,
                          const float* row) {
  int count = 0;  // in a register, not read back through the record each term
  for (int s = first; s < last; ++s)
    if (row[s] != 0.0f) {
      t.source[count] = sources[s];
      t.gain[count++] = simd::splat(row[s]);
    }
  t.count = count;
}

inline f4 add_terms(const channel_terms& t, int f, f4 acc) {
  for (int s = 0; s < t.count; ++s) acc = acc + t.gain[s] * simd::load(t.source[s] + f);
  return acc;
}

}  // namespace

namespace {

// Whether the eight-lane fresh mixers take this mix in one round.
inline bool wide_fresh(int s_count, int m, vector_level level) {
  return s_count > 0 && s_count <= TERMS && m >= 1 && m <= MAX_FRESH_CHANNELS &&
         level != VECTORS_4;
}

// Each channel's terms of nonzero gain, in column order.
inline void collect_mix_terms(mix_terms* t, const float* const* sources, int s_count, int m,
                              const float* matrix) {
  for (int c = 0; c < m; ++c) {
    int count = 0;  // in a register, not read back through the record each term
    for (int s = 0; s < s_count; ++s)
      if (matrix[c * s_count + s] != 0.0f) {
        t[c].source[count] = sources[s];
        t[c].gain[count++] = matrix[c * s_count + s];
      }
    t[c].count = count;
  }
}

inline void mix_fresh_wide(const mix_terms* t, int m, float* out, int frames,
                           vector_level level) {
  if (level == VECTORS_16_AVX512)
    mix_fresh_avx512(t, m, out, frames);
  else if (level >= VECTORS_8_AVX2)
    mix_fresh_avx2(t, m, out, frames);
  else
    mix_fresh_avx(t, m, out, frames);
}

// Each output sample receives the sources in column order, starting from
// what it held; the frames go four at a time, one vector per channel.
// Fresh: the first round starts from +0 instead of reading the output (the
// same bits as clearing it first).
int mix_into(const float* const* sources, int num_sources, float* out, int num_channels,
             const float* matrix, int frames, bool fresh) {
  const int m = num_channels;
  const int s_count = num_sources;
  if (fresh && s_count == 0)
    for (int i = 0; i < frames * m; ++i) out[i] = 0.0f;
  // Up to eight channels in one round: eight frames at a time (one or two
  // channels sixteen with AVX-512) where the processor has AVX.
  const vector_level level = vector_level_now();
  if (fresh && frames % 8 == 0 && wide_fresh(s_count, m, level)) {
    mix_terms t[MAX_FRESH_CHANNELS];
    collect_mix_terms(t, sources, s_count, m, matrix);
    mix_fresh_wide(t, m, out, frames, level);
    return DSP_OK;
  }
  // Three channels or more in one round: four frames of every channel at a
  // time, written as whole frames (channels in fours and pairs through
  // registers, a last odd one lane by lane).
  if (fresh && s_count > 0 && s_count <= TERMS && m > 2 && m <= MAX_FRESH_CHANNELS) {
    channel_terms t[MAX_FRESH_CHANNELS];
    for (int c = 0; c < m; ++c) collect_terms(t[c], sources, 0, s_count, matrix + c * s_count);
    const f4 zero = simd::splat(0.0f);
    for (int f = 0; f < frames; f += 4) {
      float* o = out + f * m;
      int c = 0;
      for (; c + 4 <= m; c += 4)
        simd::store_frames4(o + c, m, add_terms(t[c], f, zero), add_terms(t[c + 1], f, zero),
                            add_terms(t[c + 2], f, zero), add_terms(t[c + 3], f, zero));
      if (c + 2 <= m) {
        simd::store_frames2(o + c, m, add_terms(t[c], f, zero), add_terms(t[c + 1], f, zero));
        c += 2;
      }
      if (c < m) {
        float lanes[4];
        simd::store(lanes, add_terms(t[c], f, zero));
        for (int j = 0; j < 4; ++j) o[j * m + c] = lanes[j];
      }
    }
    return DSP_OK;
  }
  for (int first = 0; first < s_count; first += TERMS, fresh = false) {
    const int last = s_count - first < TERMS ? s_count : first + TERMS;
    const f4 zero = simd::splat(0.0f);
    channel_terms t[2];
    if (m == 1) {
      collect_terms(t[0], sources, first, last, matrix);
      for (int f = 0; f < frames; f += 4)
        simd::store(out + f, add_terms(t[0], f, fresh ? zero : simd::load(out + f)));
    } else if (m == 2) {
      collect_terms(t[0], sources, first, last, matrix);
      collect_terms(t[1], sources, first, last, matrix + s_count);
      for (int f = 0; f < frames; f += 4) {
        float* o = out + 2 * f;
        const f4 left = add_terms(t[0], f, fresh ? zero : simd::load_strided(o, 2));
        const f4 right = add_terms(t[1], f, fresh ? zero : simd::load_strided(o + 1, 2));
        simd::store_interleaved2(o, left, right);
      }
    } else {
      for (int c = 0; c < m; ++c) {
        collect_terms(t[0], sources, first, last, matrix + c * s_count);
        for (int f = 0; f < frames; f += 4) {
          float lanes[4];
          simd::store(lanes,
                      add_terms(t[0], f, fresh ? zero : simd::load_strided(out + f * m + c, m)));
          for (int j = 0; j < 4; ++j) out[(f + j) * m + c] = lanes[j];
        }
      }
    }
  }
  return DSP_OK;
}

}  // namespace

int mix_interleaved(const float* const* sources, int num_sources, float* out, int num_channels,
                    const float* matrix, int frames) {
  return mix_into(sources, num_sources, out, num_channels, matrix, frames, false);
}

int mix_interleaved_fresh(const float* const* sources, int num_sources, float* out,
                          int num_channels, const float* matrix, int frames) {
  return mix_into(sources, num_sources, out, num_channels, matrix, frames, true);
}

static_assert(sizeof(mix_plan::terms) / sizeof(mix_terms) == MAX_FRESH_CHANNELS);

void mix_plan_make(mix_plan* p, const float* const* sources, int num_sources, int num_channels,
                   const float* matrix) {
  p->sources = sources;
  p->matrix = matrix;
  p->num_sources = num_sources;
  p->num_channels = num_channels;
  p->wide = wide_fresh(num_sources, num_channels, vector_level_now());
  if (p->wide) collect_mix_terms(p->terms, sources, num_sources, num_channels, matrix);
}

int mix_interleaved_fresh_planned(const mix_plan* p, float* out, int frames) {
  // The level is read again: a plan made at an eight-lane level serves only
  // while one is selected.
  const vector_level level = vector_level_now();
  if (p->wide && frames % 8 == 0 && level != VECTORS_4) {
    mix_fresh_wide(p->terms, p->num_channels, out, frames, level);
    return DSP_OK;
  }
  return mix_into(p->sources, p->num_sources, out, p->num_channels, p->matrix, frames, true);
}

int mix_deinterleaved(const float* const* sources, int num_sources, float* const* channels,
                      int num_channels, const float* matrix, int frames) {
  for (int c = 0; c < num_channels; ++c) {
    const float* row = matrix + c * num_sources;
    float* dst = channels[c];
    channel_terms t;
    collect_terms(t, sources, 0, num_sources < TERMS ? num_sources : TERMS, row);
    for (int f = 0; f < frames; f += 4) simd::store(dst + f, add_terms(t, f, simd::splat(0.0f)));
    for (int first = TERMS; first < num_sources; first += TERMS) {
      collect_terms(t, sources, first, num_sources - first < TERMS ? num_sources : first + TERMS, row);
      for (int f = 0; f < frames; f += 4) simd::store(dst + f, add_terms(t, f, simd::load(dst + f)));
    }
  }
  return DSP_OK;
}
