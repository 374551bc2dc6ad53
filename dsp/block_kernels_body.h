// The block kernels (dsp/block_kernels.h), written once for any vector
// policy P: each is the element-wise definition of its operation, in the
// same order of operations, W lanes at a time. A vector unit includes this
// file after its policy; the kernels of a sixteen-lane policy run on its
// eight-lane half where sixteen lanes were not measured faster.

#include <cstdint>

#include "dsp/block_kernels.h"
#include "dsp/noise.h"
#include "dsp/simd/policy.h"

namespace {

// --- The exponential ---------------------------------------------------------

// The steps of block_exp, operation for operation, on K vectors at once,
// each step across them before the next: each step's K operations are
// independent, so the processor's scheduler holds a few operations of each
// chain rather than whole chains (which would fill it and stall the vectors
// behind).
template <class P, int K>
inline void exp_steps(typename P::v x[K]) {
  using v = typename P::v;
  const v one = P::splat(1.0f);
  v nf[K], r[K], p[K];
  for (int k = 0; k < K; ++k) x[k] = P::min(x[k], P::splat(88.37626f));
  for (int k = 0; k < K; ++k) x[k] = P::max(x[k], P::splat(-88.37626f));
  for (int k = 0; k < K; ++k)
    nf[k] = P::floor_small(P::add(P::mul(x[k], P::splat(1.442695f)), P::splat(0.5f)));
  for (int k = 0; k < K; ++k)
    r[k] = P::sub(P::sub(x[k], P::mul(nf[k], P::splat(0.693359375f))),
                  P::mul(nf[k], P::splat(-0.00021219444f)));
  for (int k = 0; k < K; ++k)
    p[k] = P::add(P::mul(P::splat(0.00019875691f), r[k]), P::splat(0.0013981999f));
  for (int k = 0; k < K; ++k) p[k] = P::add(P::mul(p[k], r[k]), P::splat(0.008333452f));
  for (int k = 0; k < K; ++k) p[k] = P::add(P::mul(p[k], r[k]), P::splat(0.041665796f));
  for (int k = 0; k < K; ++k) p[k] = P::add(P::mul(p[k], r[k]), P::splat(0.16666666f));
  for (int k = 0; k < K; ++k) p[k] = P::add(P::mul(p[k], r[k]), P::splat(0.5f));
  // y (2^n): n + 127 in the exponent field, zero mantissa (n = -127 gives 0).
  for (int k = 0; k < K; ++k)
    x[k] = P::mul(P::add(P::add(P::mul(p[k], P::mul(r[k], r[k])), r[k]), one), P::pow2(nf[k]));
}

// One vector at p through the exponential, after the line (x + a) m + b
// where LINE holds.
template <class P, bool LINE>
inline void exp_one(float* p, typename P::v a, typename P::v m, typename P::v b) {
  typename P::v x[1] = {P::load(p)};
  if constexpr (LINE) x[0] = P::add(P::mul(P::add(x[0], a), m), b);
  exp_steps<P, 1>(x);
  P::store(p, x[0]);
}

// Runs of P::batch vectors stepped together (64 samples where the policy
// batches), then single vectors, then the narrower halves for the rest.
template <class P, bool LINE>
void exp_from(float* block, int start, int n, float a, float m, float b) {
  using v = typename P::v;
  constexpr int W = P::W, K = P::batch;
  const v aa = P::splat(a), mm = P::splat(m), bb = P::splat(b);
  for (; start + W * K <= n; start += W * K) {
    v x[K];
    for (int k = 0; k < K; ++k) {
      x[k] = P::load(block + start + W * k);
      if constexpr (LINE) x[k] = P::add(P::mul(P::add(x[k], aa), mm), bb);
    }
    exp_steps<P, K>(x);
    for (int k = 0; k < K; ++k) P::store(block + start + W * k, x[k]);
  }
  if constexpr (K > 1)
    for (; start + W <= n; start += W) exp_one<P, LINE>(block + start, aa, mm, bb);
  if constexpr (W > 8) exp_from<typename P::half, LINE>(block, start, n, a, m, b);
}

// A length that is not a multiple of 8 (the element-wise forms' multiples
// of 4) runs four lanes at a time throughout.
template <class P>
void exp_kernel(float* block, int n) {
  if constexpr (P::W > 4) {
    if (n % 8 != 0) {
      exp_kernel<typename P::narrow>(block, n);
      return;
    }
  }
  exp_from<P, false>(block, 0, n, 0.0f, 1.0f, 0.0f);
}

// Sixteen lanes: the line first, then the exponential (the steps of the
// line over all eight vectors beside the exponential's would not fit the
// registers); narrower: the line's steps, then the exponential's, per lane.
template <class P>
void exp_of_line_kernel(float a, float m, float b, float* block, int n) {
  if constexpr (P::W > 4) {
    if (n % 8 != 0) {
      exp_of_line_kernel<typename P::narrow>(a, m, b, block, n);
      return;
    }
  }
  if constexpr (P::W > 8) {
    const typename P::v aa = P::splat(a), mm = P::splat(m), bb = P::splat(b);
    int i = 0;
    for (; i + P::W <= n; i += P::W)
      P::store(block + i, P::add(P::mul(P::add(P::load(block + i), aa), mm), bb));
    using H = typename P::half;
    for (; i < n; i += H::W)
      H::store(block + i, H::add(H::mul(H::add(H::load(block + i), H::splat(a)), H::splat(m)),
                                 H::splat(b)));
    exp_kernel<P>(block, n);
  } else {
    exp_from<P, true>(block, 0, n, a, m, b);
  }
}

// --- Scaling, the gain ramp, the limiter's clip and envelope gain ------------

template <class P>
void scale_kernel(float k, float* block, int n) {
  if constexpr (P::W > 8) {
    scale_kernel<typename P::half>(k, block, n);
  } else {
    if constexpr (P::W > 4) {
      if (n % P::W != 0) {
        scale_kernel<typename P::narrow>(k, block, n);
        return;
      }
    }
    const typename P::v kk = P::splat(k);
    for (int i = 0; i < n; i += P::W) P::store(block + i, P::mul(P::load(block + i), kk));
  }
}

// The first four gains by repeated addition, then + 4 step per group of four,
// with 4 step formed once; eight lanes hold two groups, the high half the low
// one plus 4 step (the chain stays in four-lane halves; joining them is off
// it).
template <class P>
void ramp_kernel(float g0, float step, float* block, int n) {
  if constexpr (P::W > 8) {
    ramp_kernel<typename P::half>(g0, step, block, n);
  } else if constexpr (P::W == 8) {
    using N = typename P::narrow;
    if (n % 8 != 0) {
      ramp_kernel<N>(g0, step, block, n);
      return;
    }
    const float g1 = g0 + step, g2 = g1 + step, g3 = g2 + step;
    const float g[4] = {g0, g1, g2, g3};
    const typename N::v step4 = N::splat(4.0f * step);
    typename N::v low = N::make([&](int k) { return g[k]; });
    typename N::v high = N::add(low, step4);
    for (int i = 0; i < n; i += 8) {
      const typename P::v gains = P::join(low, high);
      P::store(block + i, P::mul(P::load(block + i), gains));
      low = N::add(high, step4);
      high = N::add(low, step4);
    }
  } else {
    const float g1 = g0 + step, g2 = g1 + step, g3 = g2 + step;
    const float g[4] = {g0, g1, g2, g3};
    typename P::v gains = P::make([&](int k) { return g[k]; });
    const typename P::v step4 = P::splat(4.0f * step);
    for (int i = 0; i < n; i += 4) {
      P::store(block + i, P::mul(P::load(block + i), gains));
      gains = P::add(gains, step4);
    }
  }
}

// x > t ? t : x, then x < -t ? -t : x (min and max return x itself for a
// NaN x), then NaN to 0.
template <class P>
void clip_kernel(float t, float* block, int n) {
  if constexpr (P::W > 8) {
    clip_kernel<typename P::half>(t, block, n);
  } else if (n % P::W != 0) {
    for (int i = 0; i < n; ++i) {
      float x = block[i];
      x = x > t ? t : x;
      x = x < -t ? -t : x;
      block[i] = x == x ? x : 0.0f;
    }
  } else {
    const typename P::v high = P::splat(t), low = P::splat(-t);
    for (int i = 0; i < n; i += P::W) {
      typename P::v x = P::load(block + i);
      x = P::max(low, P::min(high, x));
      P::store(block + i, P::and_(P::ord(x, x), x));
    }
  }
}

// |envelope| through the limiter's curve (both knees computed and the right
// one selected), times the amplitude, at least the floor; then the gain times
// the sample.
template <class P>
void envelope_gain_kernel(float t, float s, float amplitude, float floor, float* envelope,
                          float* block, int n) {
  if constexpr (P::W > 8) {
    envelope_gain_kernel<typename P::half>(t, s, amplitude, floor, envelope, block, n);
  } else {
    if constexpr (P::W > 4) {
      if (n % P::W != 0) {
        envelope_gain_kernel<typename P::narrow>(t, s, amplitude, floor, envelope, block, n);
        return;
      }
    }
    using v = typename P::v;
    const v tv = P::splat(t), sv = P::splat(s), neg_t = P::splat(-t);
    const v amp = P::splat(amplitude), least = P::splat(floor);
    for (int i = 0; i < n; i += P::W) {
      const v x = P::abs_(P::load(envelope + i));
      const v upper = P::add(P::mul(P::sub(x, tv), sv), tv);
      const v lower = P::sub(P::mul(P::add(tv, x), sv), tv);
      v e = P::select(P::lt(tv, x), upper, P::select(P::lt(x, neg_t), lower, x));
      e = P::max(P::mul(e, amp), least);
      P::store(envelope + i, e);
      P::store(block + i, P::mul(e, P::load(block + i)));
    }
  }
}

// --- Noise ---------------------------------------------------------------------

constexpr float TWO_POW_M31 = 4.656613e-10f;  // bits 0x30000000, exactly 2^-31

// The white-noise recurrence W states at a time: lane k of a step is
// seed * 16807^(k + 1) and the seed moves on by 16807^W (all mod 2^32, so
// the states are exactly the serial ones); each state read as signed, to
// float, times 2^-31. Without integer lanes, eight states at a time in
// scalar steps.
template <class P>
uint32_t white_kernel(float* block, int n, uint32_t seed) {
  if constexpr (!P::has_int_mul) {
    for (int i = 0; i < n; i += 8) {
      for (int k = 0; k < 8; ++k)
        block[i + k] =
            static_cast<float>(static_cast<int32_t>(seed * WHITE_POWERS.m[k])) * TWO_POW_M31;
      seed *= WHITE_POWERS.m[7];
    }
    return seed;
  } else {
    const typename P::vi mul = P::load_i(WHITE_POWERS.m);
    const typename P::v scale = P::splat(TWO_POW_M31);
    int i = 0;
    for (; i + P::W <= n; i += P::W) {
      const typename P::vi s = P::mullo(P::splat_i(seed), mul);
      P::store(block + i, P::mul(P::to_float(s), scale));
      seed *= WHITE_POWERS.m[P::W - 1];
    }
    if constexpr (P::W > 8)
      if (i < n) seed = white_kernel<typename P::half>(block + i, n - i, seed);
    return seed;
  }
}

inline float gaussian_value(uint32_t magnitude_draw, uint32_t index_draw) {
  const float m = static_cast<float>(static_cast<int32_t>(magnitude_draw >> 8));
  const float v = m * GAUSSIAN_LAYER_TABLE[index_draw & 127u];
  uint32_t bits;
  __builtin_memcpy(&bits, &v, 4);
  bits |= (magnitude_draw & 128u) << 24;
  float r;
  __builtin_memcpy(&r, &bits, 4);
  return r;
}

// Sixteen draws per step, each state jumped to from the step's seed (exact
// integer arithmetic); within each group of four, lane k takes its magnitude
// from draw k and its layer edge from draw 3 - k, its sign from bit 7 of draw
// k; then times the gain.
template <class P>
uint32_t gaussian_kernel(float* block, int n, uint32_t seed, float gain) {
  if constexpr (!P::has_int_mul) {
    for (int i = 0; i < n; i += 16) {
      uint32_t j[16];
      for (int k = 0; k < 16; ++k) j[k] = seed * GAUSS_JUMPS.mul[k] + GAUSS_JUMPS.add[k];
      seed = j[15];
      for (int g = 0; g < 16; g += 4)
        for (int k = 0; k < 4; ++k)
          block[i + g + k] = gain * gaussian_value(j[g + k], j[g + 3 - k]);
    }
    return seed;
  } else {
    using vi = typename P::vi;
    constexpr int W = P::W, H = 16 / W;
    const typename P::v g = P::splat(gain);
    const typename P::table128 table = P::table_of(GAUSSIAN_LAYER_TABLE);
    vi mul[H], add[H];
    for (int h = 0; h < H; ++h) {
      mul[h] = P::load_i(GAUSS_JUMPS.mul + W * h);
      add[h] = P::load_i(GAUSS_JUMPS.add + W * h);
    }
    const vi low7 = P::splat_i(127), bit7 = P::splat_i(128);
    for (int i = 0; i < n; i += 16) {
      const vi s = P::splat_i(seed);
      vi draws[H];
      for (int h = 0; h < H; ++h) draws[h] = P::add_i(P::mullo(s, mul[h]), add[h]);
      for (int h = 0; h < H; ++h) {
        const vi j = draws[h];
        const typename P::v magnitude = P::to_float(P::template srli<8>(j));
        const vi index = P::and_i(P::reverse4(j), low7);
        const typename P::v edge = P::lookup128(table, index);
        const vi sign = P::template slli<24>(P::and_i(j, bit7));
        const vi value = P::or_i(P::as_int(P::mul(magnitude, edge)), sign);
        P::store(block + i + W * h, P::mul(g, P::as_float(value)));
      }
      seed = seed * GAUSS_JUMPS.mul[15] + GAUSS_JUMPS.add[15];  // the last lane's state
    }
    return seed;
  }
}

// --- Mixing ----------------------------------------------------------------------

// One channel's sums for R runs of W frames from f, each term across the
// runs before the next (R independent chains in flight): the sum from +0 of
// gain x source over the channel's terms, in order.
template <class P, int R>
inline void channel_sums(const mix_terms& t, int f, typename P::v acc[R]) {
  for (int r = 0; r < R; ++r) acc[r] = P::splat(0.0f);
  for (int k = 0; k < t.count; ++k) {
    const typename P::v g = P::splat(t.gain[k]);
    for (int r = 0; r < R; ++r)
      acc[r] = P::add(acc[r], P::mul(g, P::load(t.source[k] + f + P::W * r)));
  }
}
template <class P>
inline typename P::v channel_sum(const mix_terms& t, int f) {
  typename P::v acc[1];
  channel_sums<P, 1>(t, f, acc);
  return acc[0];
}

// The channels from c on (fewer than four) for frames f..f + W - 1: a pair
// through its interleaving, a last odd one lane by lane.
template <class P>
inline void mix_tail(const mix_terms* channels, int c, int m, float* out, int f) {
  float* o = out + f * m;
  if (c + 2 <= m) {
    P::store_frames2(o + c, m, channel_sum<P>(channels[c], f), channel_sum<P>(channels[c + 1], f));
    c += 2;
  }
  if (c < m) {
    float lanes[P::W];
    P::store(lanes, channel_sum<P>(channels[c], f));
    for (int j = 0; j < P::W; ++j) o[j * m + c] = lanes[j];
  }
}

// Three to eight channels from frame f, W frames at a time: channels in fours
// written as whole frames, a pair through its interleaving, a last odd one
// lane by lane. Where the frames allow, the fours' sums for several runs of
// W frames at once.
template <class P>
void mix_frames(const mix_terms* channels, int m, float* out, int f, int frames) {
  constexpr int W = P::W, R = P::batch > 1 ? P::batch / 2 : 1;
  for (; f + W * R <= frames && m >= 4; f += W * R) {
    for (int c = 0; c + 4 <= m; c += 4) {
      typename P::v a[R], b[R], x[R], y[R];
      channel_sums<P, R>(channels[c], f, a);
      channel_sums<P, R>(channels[c + 1], f, b);
      channel_sums<P, R>(channels[c + 2], f, x);
      channel_sums<P, R>(channels[c + 3], f, y);
      for (int r = 0; r < R; ++r) P::store_frames4(out + (f + W * r) * m + c, m, a[r], b[r], x[r], y[r]);
    }
    for (int r = 0; r < R; ++r) mix_tail<P>(channels, m - m % 4, m, out, f + W * r);
  }
  for (; f + W <= frames; f += W) {
    float* o = out + f * m;
    int c = 0;
    for (; c + 4 <= m; c += 4)
      P::store_frames4(o + c, m, channel_sum<P>(channels[c], f), channel_sum<P>(channels[c + 1], f),
                       channel_sum<P>(channels[c + 2], f), channel_sum<P>(channels[c + 3], f));
    mix_tail<P>(channels, c, m, out, f);
  }
}

// One or two channels from frame f: runs of P::batch vectors, each term
// across the runs before the next (as many independent sums in flight, where
// one run at a time would fill the scheduler with its whole chain of
// additions), then single vectors, then the eight-lane half for the rest.
template <class P>
void mix_one_or_two(const mix_terms* channels, int m, float* out, int f, int frames) {
  constexpr int W = P::W, R = P::batch;
  for (; f + W * R <= frames; f += W * R) {
    typename P::v acc[2][R];
    for (int c = 0; c < m; ++c) channel_sums<P, R>(channels[c], f, acc[c]);
    for (int r = 0; r < R; ++r) {
      const int g = f + W * r;
      if (m == 1)
        P::store(out + g, acc[0][r]);
      else
        P::store_interleaved2(out + 2 * g, acc[0][r], acc[1][r]);
    }
  }
  if constexpr (R > 1) {
    for (; f + W <= frames; f += W) {
      typename P::v acc[2];
      for (int c = 0; c < m; ++c) acc[c] = channel_sum<P>(channels[c], f);
      if (m == 1)
        P::store(out + f, acc[0]);
      else
        P::store_interleaved2(out + 2 * f, acc[0], acc[1]);
    }
  }
  if constexpr (W > 8) mix_one_or_two<typename P::half>(channels, m, out, f, frames);
}

// Frames not a multiple of 8 (the mixers' multiples of 4) run four lanes at
// a time throughout.
template <class P>
void mix_fresh_kernel(const mix_terms* channels, int channel_count, float* out, int frames) {
  if constexpr (P::W > 4) {
    if (frames % 8 != 0) {
      mix_fresh_kernel<typename P::narrow>(channels, channel_count, out, frames);
      return;
    }
  }
  if (channel_count > 2) {
    if constexpr (P::W > 8)
      mix_frames<typename P::half>(channels, channel_count, out, 0, frames);
    else
      mix_frames<P>(channels, channel_count, out, 0, frames);
  } else {
    mix_one_or_two<P>(channels, channel_count, out, 0, frames);
  }
}

// The kernels of a policy.
template <class P>
constexpr block_kernels_table kernel_table() {
  return {&exp_kernel<P>,        &exp_of_line_kernel<P>,   &scale_kernel<P>,
          &ramp_kernel<P>,       &clip_kernel<P>,          &envelope_gain_kernel<P>,
          &white_kernel<P>,      &gaussian_kernel<P>,      &mix_fresh_kernel<P>};
}

}  // namespace
