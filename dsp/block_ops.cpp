#include "dsp/block_ops.h"

#include <bit>
#include <cstdint>

#include "dsp/block_kernels.h"
#include "dsp/dsp_common.h"
#include "dsp/simd/baseline.h"

namespace {
using V = base_vectors;
using vec = V::v;
}  // namespace

int block_abs(float* block, int n) {
  for (int i = 0; i < n; i += 4) V::store(block + i, V::abs_(V::load(block + i)));
  return DSP_OK;
}

int block_add(const float* __restrict src, float* __restrict dst, int n) {
  for (int i = 0; i < n; i += 4) V::store(dst + i, V::add(V::load(dst + i), V::load(src + i)));
  return DSP_OK;
}

int block_scale(float k, float* block, int n) {
  block_kernels_now().scale(k, block, n);
  return DSP_OK;
}

int block_scale_to(float k, const float* __restrict in, float* __restrict out, int n) {
  const vec kk = V::splat(k);
  for (int i = 0; i < n; i += 4) V::store(out + i, V::mul(V::load(in + i), kk));
  return DSP_OK;
}

int block_max(float k, float* block, int n) {
  const vec kk = V::splat(k);
  for (int i = 0; i < n; i += 4) V::store(block + i, V::max(V::load(block + i), kk));
  return DSP_OK;
}

int block_multiply(const float* a, float* b, int n) {
  for (int i = 0; i < n; i += 4) V::store(b + i, V::mul(V::load(a + i), V::load(b + i)));
  return DSP_OK;
}

int block_multiply_to(const float* a, const float* b, float* __restrict out, int n) {
  for (int i = 0; i < n; i += 4) V::store(out + i, V::mul(V::load(b + i), V::load(a + i)));
  return DSP_OK;
}

int block_offset(float k, float* block, int n) {
  const vec kk = V::splat(k);
  for (int i = 0; i < n; i += 4) V::store(block + i, V::add(V::load(block + i), kk));
  return DSP_OK;
}

int block_offset_to(float k, const float* __restrict in, float* __restrict out, int n) {
  const vec kk = V::splat(k);
  for (int i = 0; i < n; i += 4) V::store(out + i, V::add(V::load(in + i), kk));
  return DSP_OK;
}

int block_exp(float* block, int n) {
  block_kernels_now().exp(block, n);
  return DSP_OK;
}

int block_exp_of_line(float a, float m, float b, float* block, int n) {
  block_kernels_now().exp_of_line(a, m, b, block, n);
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
  block_kernels_now().ramp(s->gain + step, step, block, n);
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
  vec gain[TERMS];  // splat once, used every four frames
  int count;
};

inline void collect_terms(channel_terms& t, const float* const* sources, int first, int last,
                          const float* row) {
  int count = 0;  // in a register, not read back through the record each term
  for (int s = first; s < last; ++s)
    if (row[s] != 0.0f) {
      t.source[count] = sources[s];
      t.gain[count++] = V::splat(row[s]);
    }
  t.count = count;
}

inline vec add_terms(const channel_terms& t, int f, vec acc) {
  for (int s = 0; s < t.count; ++s) acc = V::add(acc, V::mul(t.gain[s], V::load(t.source[s] + f)));
  return acc;
}

// Whether the fresh-mix kernel takes this mix in one round.
inline bool fresh_kernel_takes(int s_count, int m) {
  return s_count > 0 && s_count <= TERMS && m >= 1 && m <= MAX_FRESH_CHANNELS;
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

// Each output sample receives the sources in column order, starting from
// what it held. Fresh: the first round starts from +0 instead of reading the
// output (the same bits as clearing it first); up to eight channels and 32
// sources, that is one round of the fresh-mix kernel. Otherwise the frames go
// four at a time, one vector per channel.
int mix_into(const float* const* sources, int num_sources, float* out, int num_channels,
             const float* matrix, int frames, bool fresh) {
  const int m = num_channels;
  const int s_count = num_sources;
  if (fresh && s_count == 0)
    for (int i = 0; i < frames * m; ++i) out[i] = 0.0f;
  if (fresh && fresh_kernel_takes(s_count, m)) {
    mix_terms t[MAX_FRESH_CHANNELS];
    collect_mix_terms(t, sources, s_count, m, matrix);
    block_kernels_now().mix_fresh(t, m, out, frames);
    return DSP_OK;
  }
  for (int first = 0; first < s_count; first += TERMS, fresh = false) {
    const int last = s_count - first < TERMS ? s_count : first + TERMS;
    const vec zero = V::splat(0.0f);
    channel_terms t[2];
    if (m == 1) {
      collect_terms(t[0], sources, first, last, matrix);
      for (int f = 0; f < frames; f += 4)
        V::store(out + f, add_terms(t[0], f, fresh ? zero : V::load(out + f)));
    } else if (m == 2) {
      collect_terms(t[0], sources, first, last, matrix);
      collect_terms(t[1], sources, first, last, matrix + s_count);
      for (int f = 0; f < frames; f += 4) {
        float* o = out + 2 * f;
        const vec left = add_terms(t[0], f, fresh ? zero : V::load_strided(o, 2));
        const vec right = add_terms(t[1], f, fresh ? zero : V::load_strided(o + 1, 2));
        V::store_interleaved2(o, left, right);
      }
    } else {
      for (int c = 0; c < m; ++c) {
        collect_terms(t[0], sources, first, last, matrix + c * s_count);
        for (int f = 0; f < frames; f += 4) {
          float lanes[4];
          V::store(lanes, add_terms(t[0], f, fresh ? zero : V::load_strided(out + f * m + c, m)));
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
  p->collected = fresh_kernel_takes(num_sources, num_channels);
  if (p->collected) collect_mix_terms(p->terms, sources, num_sources, num_channels, matrix);
}

int mix_interleaved_fresh_planned(const mix_plan* p, float* out, int frames) {
  if (p->collected) {
    block_kernels_now().mix_fresh(p->terms, p->num_channels, out, frames);
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
    for (int f = 0; f < frames; f += 4) V::store(dst + f, add_terms(t, f, V::splat(0.0f)));
    for (int first = TERMS; first < num_sources; first += TERMS) {
      collect_terms(t, sources, first, num_sources - first < TERMS ? num_sources : first + TERMS, row);
      for (int f = 0; f < frames; f += 4) V::store(dst + f, add_terms(t, f, V::load(dst + f)));
    }
  }
  return DSP_OK;
}
