// The body of a unit of block operations with eight-lane vectors, included
// by units compiled for AVX, AVX2 and AVX-512 (without FMA: every lane
// keeps the rounding of the four-lane code), each defining WIDE_NAME(f); the
// baseline unit calls a build only where the processor has its instruction
// set. Everything else compiled here is internal to the unit.

#pragma once

#include <immintrin.h>

#include <cstdint>

#include "dsp/block_ops_wide.h"
#include "dsp/noise.h"

// GCC 12's AVX-512 intrinsics start from an undefined register that it then
// reports as (maybe) uninitialised: a false report, silenced in this unit only.
#if defined(__AVX512F__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

namespace {

// 2^n for whole n in -127..128 as floats: n + 127 in the exponent field
// (without AVX2 there is no eight-lane integer arithmetic: the two halves go
// separately).
inline __m256 pow2_of(__m256 n) {
  const __m256i k = _mm256_cvttps_epi32(n);
#if defined(__AVX2__)
  return _mm256_castsi256_ps(_mm256_slli_epi32(_mm256_add_epi32(k, _mm256_set1_epi32(127)), 23));
#else
  const __m128i bias = _mm_set1_epi32(127);
  const __m128i lo = _mm_slli_epi32(_mm_add_epi32(_mm256_castsi256_si128(k), bias), 23);
  const __m128i hi = _mm_slli_epi32(_mm_add_epi32(_mm256_extractf128_si256(k, 1), bias), 23);
  return _mm256_castsi256_ps(_mm256_insertf128_si256(_mm256_castsi128_si256(lo), hi, 1));
#endif
}

}  // namespace

#if defined(__AVX512F__)
namespace {

// The steps of block_exp, operation for operation, sixteen lanes at a time,
// on K vectors from p, each step across them before the next (so the
// scheduler holds a few operations of each chain, not whole chains); floor(t)
// subtracts 1 only in the lanes where t < its truncation (x - 0 is x, so the
// masked form equals subtracting the masked 1 of the narrower builds).
template <int K>
inline void exp16_steps(float* p) {
  const __m512 one = _mm512_set1_ps(1.0f);
  __m512 x[K], nf[K], r[K], q[K];
  for (int k = 0; k < K; ++k) {
    x[k] = _mm512_min_ps(_mm512_loadu_ps(p + 16 * k), _mm512_set1_ps(88.37626f));
    x[k] = _mm512_max_ps(x[k], _mm512_set1_ps(-88.37626f));
  }
  for (int k = 0; k < K; ++k) {
    const __m512 t =
        _mm512_add_ps(_mm512_mul_ps(x[k], _mm512_set1_ps(1.442695f)), _mm512_set1_ps(0.5f));
    nf[k] = _mm512_cvtepi32_ps(_mm512_cvttps_epi32(t));
    nf[k] = _mm512_mask_sub_ps(nf[k], _mm512_cmp_ps_mask(t, nf[k], _CMP_LT_OS), nf[k], one);
  }
  for (int k = 0; k < K; ++k)
    r[k] = _mm512_sub_ps(_mm512_sub_ps(x[k], _mm512_mul_ps(nf[k], _mm512_set1_ps(0.693359375f))),
                         _mm512_mul_ps(nf[k], _mm512_set1_ps(-0.00021219444f)));
  for (int k = 0; k < K; ++k)
    q[k] = _mm512_add_ps(_mm512_mul_ps(_mm512_set1_ps(0.00019875691f), r[k]),
                         _mm512_set1_ps(0.0013981999f));
  for (int k = 0; k < K; ++k) q[k] = _mm512_add_ps(_mm512_mul_ps(q[k], r[k]), _mm512_set1_ps(0.008333452f));
  for (int k = 0; k < K; ++k) q[k] = _mm512_add_ps(_mm512_mul_ps(q[k], r[k]), _mm512_set1_ps(0.041665796f));
  for (int k = 0; k < K; ++k) q[k] = _mm512_add_ps(_mm512_mul_ps(q[k], r[k]), _mm512_set1_ps(0.16666666f));
  for (int k = 0; k < K; ++k) q[k] = _mm512_add_ps(_mm512_mul_ps(q[k], r[k]), _mm512_set1_ps(0.5f));
  for (int k = 0; k < K; ++k) {
    const __m512 y =
        _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(q[k], _mm512_mul_ps(r[k], r[k])), r[k]), one);
    const __m512i e = _mm512_slli_epi32(
        _mm512_add_epi32(_mm512_cvttps_epi32(nf[k]), _mm512_set1_epi32(127)), 23);
    _mm512_storeu_ps(p + 16 * k, _mm512_mul_ps(y, _mm512_castsi512_ps(e)));
  }
}

}  // namespace
#endif

namespace {

// The steps of block_exp, operation for operation, on eight lanes.
inline __m256 exp8(__m256 x) {
  const __m256 one = _mm256_set1_ps(1.0f);
  x = _mm256_min_ps(x, _mm256_set1_ps(88.37626f));
  x = _mm256_max_ps(x, _mm256_set1_ps(-88.37626f));
  const __m256 t = _mm256_add_ps(_mm256_mul_ps(x, _mm256_set1_ps(1.442695f)), _mm256_set1_ps(0.5f));
  // floor(t) in one instruction: |t| < 128 and t is never -0 (x t + 0.5 cancels to
  // +0), so it is the truncation less 1 below it, bit for bit.
  const __m256 nf = _mm256_round_ps(t, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  const __m256 r = _mm256_sub_ps(_mm256_sub_ps(x, _mm256_mul_ps(nf, _mm256_set1_ps(0.693359375f))),
                                 _mm256_mul_ps(nf, _mm256_set1_ps(-0.00021219444f)));
  __m256 p = _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(0.00019875691f), r),
                           _mm256_set1_ps(0.0013981999f));
  p = _mm256_add_ps(_mm256_mul_ps(p, r), _mm256_set1_ps(0.008333452f));
  p = _mm256_add_ps(_mm256_mul_ps(p, r), _mm256_set1_ps(0.041665796f));
  p = _mm256_add_ps(_mm256_mul_ps(p, r), _mm256_set1_ps(0.16666666f));
  p = _mm256_add_ps(_mm256_mul_ps(p, r), _mm256_set1_ps(0.5f));
  const __m256 y = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(p, _mm256_mul_ps(r, r)), r), one);
  return _mm256_mul_ps(y, pow2_of(nf));
}

// exp8 on K vectors at once, step by step across them: each step's K
// operations are independent, so the processor's scheduler holds a few
// operations of each chain rather than whole chains (which would fill it and
// stall the vectors behind).
template <int K>
inline void exp8_steps(__m256 x[K]) {
  const __m256 one = _mm256_set1_ps(1.0f);
  __m256 nf[K], r[K], p[K];
  for (int k = 0; k < K; ++k) x[k] = _mm256_min_ps(x[k], _mm256_set1_ps(88.37626f));
  for (int k = 0; k < K; ++k) x[k] = _mm256_max_ps(x[k], _mm256_set1_ps(-88.37626f));
  for (int k = 0; k < K; ++k)
    nf[k] = _mm256_round_ps(
        _mm256_add_ps(_mm256_mul_ps(x[k], _mm256_set1_ps(1.442695f)), _mm256_set1_ps(0.5f)),
        _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  for (int k = 0; k < K; ++k)
    r[k] = _mm256_sub_ps(_mm256_sub_ps(x[k], _mm256_mul_ps(nf[k], _mm256_set1_ps(0.693359375f))),
                         _mm256_mul_ps(nf[k], _mm256_set1_ps(-0.00021219444f)));
  for (int k = 0; k < K; ++k)
    p[k] = _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(0.00019875691f), r[k]),
                         _mm256_set1_ps(0.0013981999f));
  for (int k = 0; k < K; ++k) p[k] = _mm256_add_ps(_mm256_mul_ps(p[k], r[k]), _mm256_set1_ps(0.008333452f));
  for (int k = 0; k < K; ++k) p[k] = _mm256_add_ps(_mm256_mul_ps(p[k], r[k]), _mm256_set1_ps(0.041665796f));
  for (int k = 0; k < K; ++k) p[k] = _mm256_add_ps(_mm256_mul_ps(p[k], r[k]), _mm256_set1_ps(0.16666666f));
  for (int k = 0; k < K; ++k) p[k] = _mm256_add_ps(_mm256_mul_ps(p[k], r[k]), _mm256_set1_ps(0.5f));
  for (int k = 0; k < K; ++k)
    x[k] = _mm256_mul_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(p[k], _mm256_mul_ps(r[k], r[k])), r[k]), one),
        pow2_of(nf[k]));
}

}  // namespace

// The steps of block_exp, operation for operation, eight lanes at a time
// (sixteen where the unit is built for AVX-512), 64 samples step by step
// across their vectors where the block allows.
void WIDE_NAME(block_exp)(float* block, int n) {
  int start = 0;
#if defined(__AVX512F__)
  for (; start + 64 <= n; start += 64) exp16_steps<4>(block + start);
  for (; start + 16 <= n; start += 16) exp16_steps<1>(block + start);
#else
  for (; start + 64 <= n; start += 64) {
    __m256 x[8];
    for (int k = 0; k < 8; ++k) x[k] = _mm256_loadu_ps(block + start + 8 * k);
    exp8_steps<8>(x);
    for (int k = 0; k < 8; ++k) _mm256_storeu_ps(block + start + 8 * k, x[k]);
  }
#endif
  for (int i = start; i < n; i += 8) _mm256_storeu_ps(block + i, exp8(_mm256_loadu_ps(block + i)));
}

// e^(((x + a) * m) + b), the line's steps and then the exponential's, per lane
// (eight lanes in every build: the AVX-512 one has thirty-two registers for
// the eight vectors' steps).
void WIDE_NAME(block_exp_of_line)(float a, float m, float b, float* block, int n) {
  const __m256 aa = _mm256_set1_ps(a), mm = _mm256_set1_ps(m), bb = _mm256_set1_ps(b);
  constexpr int K = 8;
  int start = 0;
  for (; start + 8 * K <= n; start += 8 * K) {
    __m256 x[K];
    for (int k = 0; k < K; ++k)
      x[k] = _mm256_add_ps(
          _mm256_mul_ps(_mm256_add_ps(_mm256_loadu_ps(block + start + 8 * k), aa), mm), bb);
    exp8_steps<K>(x);
    for (int k = 0; k < K; ++k) _mm256_storeu_ps(block + start + 8 * k, x[k]);
  }
  for (int i = start; i < n; i += 8) {
    const __m256 x = _mm256_add_ps(_mm256_mul_ps(_mm256_add_ps(_mm256_loadu_ps(block + i), aa), mm), bb);
    _mm256_storeu_ps(block + i, exp8(x));
  }
}

#if defined(__AVX2__)
namespace {

// 16807^(k + 1) mod 2^32 for k = 0..15.
struct white_powers {
  uint32_t m[16];
};
constexpr white_powers make_white_powers() {
  white_powers w{};
  uint32_t p = 1u;
  for (int k = 0; k < 16; ++k) w.m[k] = p = p * 16807u;
  return w;
}
constexpr white_powers WHITE_POWERS = make_white_powers();

}  // namespace

#if defined(__AVX512F__)
// The white-noise recurrence sixteen states at a time: lane k of a step is
// seed * 16807^(k + 1) and the seed moves on by 16807^16 (all mod 2^32, so
// the states are exactly the serial ones); each state read as signed, to
// float, times 2^-31. A last half step of eight where n is not a multiple
// of 16.
uint32_t WIDE_NAME(noise_white)(float* block, int n, uint32_t seed) {
  const __m512i mul = _mm512_loadu_si512(WHITE_POWERS.m);
  const __m512 scale = _mm512_set1_ps(4.656613e-10f);  // 2^-31
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m512i s = _mm512_mullo_epi32(_mm512_set1_epi32(static_cast<int>(seed)), mul);
    _mm512_storeu_ps(block + i, _mm512_mul_ps(_mm512_cvtepi32_ps(s), scale));
    seed *= WHITE_POWERS.m[15];
  }
  if (i < n) {
    const __m256i s = _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<int>(seed)),
                                         _mm512_castsi512_si256(mul));
    _mm256_storeu_ps(block + i,
                     _mm256_mul_ps(_mm256_cvtepi32_ps(s), _mm512_castps512_ps256(scale)));
    seed *= WHITE_POWERS.m[7];
  }
  return seed;
}

// The Gaussian samples sixteen draws at a time, each state jumped to from the
// step's seed (exact integer arithmetic); within each group of four, lane k
// takes its magnitude from draw k and its layer edge from draw 3 - k (a
// reversal within each 128-bit quarter), its sign from bit 7 of draw k; then
// times the gain.
uint32_t WIDE_NAME(noise_gaussian)(float* block, int n, uint32_t seed, float gain) {
  const __m512 g = _mm512_set1_ps(gain);
  const __m512i mul = _mm512_loadu_si512(GAUSS_JUMPS.mul);
  const __m512i add = _mm512_loadu_si512(GAUSS_JUMPS.add);
  // The table in eight registers: two-register permutes look up 32 entries
  // each (index bits 0..4), bits 5 and 6 choose among the four.
  __m512 table[8];
  for (int t = 0; t < 8; ++t) table[t] = _mm512_loadu_ps(GAUSSIAN_LAYER_TABLE + 16 * t);
  for (int i = 0; i < n; i += 16) {
    const __m512i j =
        _mm512_add_epi32(_mm512_mullo_epi32(_mm512_set1_epi32(static_cast<int>(seed)), mul), add);
    const __m512 magnitude = _mm512_cvtepi32_ps(_mm512_srli_epi32(j, 8));
    const __m512i index = _mm512_and_si512(_mm512_shuffle_epi32(j, _MM_PERM_ABCD),
                                           _mm512_set1_epi32(127));
    const __mmask16 bit5 = _mm512_test_epi32_mask(index, _mm512_set1_epi32(32));
    const __mmask16 bit6 = _mm512_test_epi32_mask(index, _mm512_set1_epi32(64));
    const __m512 low = _mm512_mask_blend_ps(bit5, _mm512_permutex2var_ps(table[0], index, table[1]),
                                            _mm512_permutex2var_ps(table[2], index, table[3]));
    const __m512 high =
        _mm512_mask_blend_ps(bit5, _mm512_permutex2var_ps(table[4], index, table[5]),
                             _mm512_permutex2var_ps(table[6], index, table[7]));
    const __m512 edge = _mm512_mask_blend_ps(bit6, low, high);
    const __m512i sign = _mm512_slli_epi32(_mm512_and_si512(j, _mm512_set1_epi32(128)), 24);
    const __m512i value =
        _mm512_or_si512(_mm512_castps_si512(_mm512_mul_ps(magnitude, edge)), sign);
    _mm512_storeu_ps(block + i, _mm512_mul_ps(g, _mm512_castsi512_ps(value)));
    seed = seed * GAUSS_JUMPS.mul[15] + GAUSS_JUMPS.add[15];  // the last lane's state
  }
  return seed;
}
#else
// The white-noise recurrence eight states at a time: lane k of a step is
// seed * 16807^(k + 1) and the seed moves on by 16807^8 (all mod 2^32, so
// the states are exactly the serial ones); each state read as signed, to
// float, times 2^-31.
uint32_t WIDE_NAME(noise_white)(float* block, int n, uint32_t seed) {
  const __m256i mul = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(WHITE_POWERS.m));
  const __m256 scale = _mm256_set1_ps(4.656613e-10f);  // 2^-31
  for (int i = 0; i < n; i += 8) {
    const __m256i s = _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<int>(seed)), mul);
    _mm256_storeu_ps(block + i, _mm256_mul_ps(_mm256_cvtepi32_ps(s), scale));
    seed *= WHITE_POWERS.m[7];
  }
  return seed;
}

// The Gaussian samples sixteen draws at a time in two halves of eight, each
// state jumped to from the step's seed (exact integer arithmetic); within each
// group of four, lane k takes its magnitude from draw k and its layer edge
// (gathered from the table) from draw 3 - k, its sign from bit 7 of draw k;
// then times the gain.
uint32_t WIDE_NAME(noise_gaussian)(float* block, int n, uint32_t seed, float gain) {
  const __m256 g = _mm256_set1_ps(gain);
  const auto* mul = reinterpret_cast<const __m256i*>(GAUSS_JUMPS.mul);
  const auto* add = reinterpret_cast<const __m256i*>(GAUSS_JUMPS.add);
  const __m256i mul_lo = _mm256_loadu_si256(mul), mul_hi = _mm256_loadu_si256(mul + 1);
  const __m256i add_lo = _mm256_loadu_si256(add), add_hi = _mm256_loadu_si256(add + 1);
  const __m256i low7 = _mm256_set1_epi32(127), bit7 = _mm256_set1_epi32(128);
  for (int i = 0; i < n; i += 16) {
    const __m256i s = _mm256_set1_epi32(static_cast<int>(seed));
    const __m256i draws[2] = {_mm256_add_epi32(_mm256_mullo_epi32(s, mul_lo), add_lo),
                              _mm256_add_epi32(_mm256_mullo_epi32(s, mul_hi), add_hi)};
    for (int h = 0; h < 2; ++h) {
      const __m256i j = draws[h];
      const __m256 magnitude = _mm256_cvtepi32_ps(_mm256_srli_epi32(j, 8));
      const __m256i index = _mm256_and_si256(_mm256_shuffle_epi32(j, 0x1B), low7);
      const __m256 edge = _mm256_i32gather_ps(GAUSSIAN_LAYER_TABLE, index, 4);
      const __m256i sign = _mm256_slli_epi32(_mm256_and_si256(j, bit7), 24);
      const __m256i value = _mm256_or_si256(_mm256_castps_si256(_mm256_mul_ps(magnitude, edge)), sign);
      _mm256_storeu_ps(block + i + 8 * h, _mm256_mul_ps(g, _mm256_castsi256_ps(value)));
    }
    seed = seed * GAUSS_JUMPS.mul[15] + GAUSS_JUMPS.add[15];  // the last lane's state
  }
  return seed;
}
#endif
#endif

// A fresh mix into interleaved channels, eight frames at a time (one or two
// channels sixteen first where the unit is built for AVX-512): each sample is
// the sum from +0 of gain x source over its channel's terms, in order, as the
// four-lane mixer forms it.
namespace {

// One channel's sum for frames f..f + 7.
inline __m256 channel_sum8(const mix_terms& t, int f) {
  __m256 acc = _mm256_setzero_ps();
  for (int k = 0; k < t.count; ++k)
    acc = _mm256_add_ps(acc, _mm256_mul_ps(_mm256_set1_ps(t.gain[k]), _mm256_loadu_ps(t.source[k] + f)));
  return acc;
}

// The channels from c on (fewer than four) for frames f..f + 7: a pair
// through its interleaving, a last odd one lane by lane.
inline void mix_fresh_tail(const mix_terms* channels, int c, int m, float* out, int f) {
  float* o = out + f * m;
  if (c + 2 <= m) {
    const __m256 a = channel_sum8(channels[c], f), b = channel_sum8(channels[c + 1], f);
    const __m256 pairs[2] = {_mm256_unpacklo_ps(a, b), _mm256_unpackhi_ps(a, b)};
    for (int h = 0; h < 2; ++h) {  // frames 2h, 2h + 1 | 2h + 4, 2h + 5
      const __m128 low = _mm256_castps256_ps128(pairs[h]), high = _mm256_extractf128_ps(pairs[h], 1);
      _mm_storel_pi(reinterpret_cast<__m64*>(o + (2 * h) * m + c), low);
      _mm_storeh_pi(reinterpret_cast<__m64*>(o + (2 * h + 1) * m + c), low);
      _mm_storel_pi(reinterpret_cast<__m64*>(o + (2 * h + 4) * m + c), high);
      _mm_storeh_pi(reinterpret_cast<__m64*>(o + (2 * h + 5) * m + c), high);
    }
    c += 2;
  }
  if (c < m) {
    float lanes[8];
    _mm256_storeu_ps(lanes, channel_sum8(channels[c], f));
    for (int j = 0; j < 8; ++j) o[j * m + c] = lanes[j];
  }
}

// One channel's sums for R runs of eight frames from f, each term across the
// runs before the next (R independent chains in flight).
template <int R>
inline void channel_sums8(const mix_terms& t, int f, __m256 acc[R]) {
  for (int r = 0; r < R; ++r) acc[r] = _mm256_setzero_ps();
  for (int k = 0; k < t.count; ++k) {
    const __m256 g = _mm256_set1_ps(t.gain[k]);
    for (int r = 0; r < R; ++r)
      acc[r] = _mm256_add_ps(acc[r], _mm256_mul_ps(g, _mm256_loadu_ps(t.source[k] + f + 8 * r)));
  }
}

// Three to eight channels, eight frames at a time: channels in fours through
// 4 x 4 transposes within each half (frame j in the low half, j + 4 in the
// high), a pair through its interleaving, a last odd one lane by lane. Where
// the frames allow, the fours' sums for four runs of eight frames at once.
void mix_fresh_frames(const mix_terms* channels, int m, float* out, int frames) {
  constexpr int R = 4;
  int f = 0;
  for (; f + 8 * R <= frames && m >= 4; f += 8 * R) {
    for (int c = 0; c + 4 <= m; c += 4) {
      __m256 a[R], b[R], x[R], y[R];
      channel_sums8<R>(channels[c], f, a);
      channel_sums8<R>(channels[c + 1], f, b);
      channel_sums8<R>(channels[c + 2], f, x);
      channel_sums8<R>(channels[c + 3], f, y);
      for (int r = 0; r < R; ++r) {
        float* o = out + (f + 8 * r) * m;
        const __m256 t0 = _mm256_unpacklo_ps(a[r], b[r]), t1 = _mm256_unpackhi_ps(a[r], b[r]);
        const __m256 t2 = _mm256_unpacklo_ps(x[r], y[r]), t3 = _mm256_unpackhi_ps(x[r], y[r]);
        const __m256 row[4] = {_mm256_shuffle_ps(t0, t2, 0x44), _mm256_shuffle_ps(t0, t2, 0xEE),
                               _mm256_shuffle_ps(t1, t3, 0x44), _mm256_shuffle_ps(t1, t3, 0xEE)};
        for (int j = 0; j < 4; ++j) {
          _mm_storeu_ps(o + j * m + c, _mm256_castps256_ps128(row[j]));
          _mm_storeu_ps(o + (j + 4) * m + c, _mm256_extractf128_ps(row[j], 1));
        }
      }
    }
    for (int r = 0; r < R; ++r) mix_fresh_tail(channels, m - m % 4, m, out, f + 8 * r);
  }
  for (; f < frames; f += 8) {
    float* o = out + f * m;
    int c = 0;
    for (; c + 4 <= m; c += 4) {
      const __m256 a = channel_sum8(channels[c], f), b = channel_sum8(channels[c + 1], f);
      const __m256 x = channel_sum8(channels[c + 2], f), y = channel_sum8(channels[c + 3], f);
      const __m256 t0 = _mm256_unpacklo_ps(a, b), t1 = _mm256_unpackhi_ps(a, b);
      const __m256 t2 = _mm256_unpacklo_ps(x, y), t3 = _mm256_unpackhi_ps(x, y);
      const __m256 row[4] = {_mm256_shuffle_ps(t0, t2, 0x44), _mm256_shuffle_ps(t0, t2, 0xEE),
                             _mm256_shuffle_ps(t1, t3, 0x44), _mm256_shuffle_ps(t1, t3, 0xEE)};
      for (int j = 0; j < 4; ++j) {
        _mm_storeu_ps(o + j * m + c, _mm256_castps256_ps128(row[j]));
        _mm_storeu_ps(o + (j + 4) * m + c, _mm256_extractf128_ps(row[j], 1));
      }
    }
    mix_fresh_tail(channels, c, m, out, f);
  }
}

}  // namespace

void WIDE_NAME(mix_fresh)(const mix_terms* channels, int channel_count, float* out, int frames) {
  if (channel_count > 2) {
    mix_fresh_frames(channels, channel_count, out, frames);
    return;
  }
  int f = 0;
#if defined(__AVX512F__)
  // Output frames 0..7 and 8..15 from the low and high interleavings.
  const __m512i first = _mm512_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19, 4, 5, 6, 7, 20, 21, 22, 23);
  const __m512i second =
      _mm512_setr_epi32(8, 9, 10, 11, 24, 25, 26, 27, 12, 13, 14, 15, 28, 29, 30, 31);
  // Four runs of sixteen frames, each term across the runs before the next.
  for (; f + 64 <= frames; f += 64) {
    __m512 acc[2][4];
    for (int c = 0; c < channel_count; ++c) {
      const mix_terms& t = channels[c];
      for (int r = 0; r < 4; ++r) acc[c][r] = _mm512_setzero_ps();
      for (int k = 0; k < t.count; ++k) {
        const __m512 g = _mm512_set1_ps(t.gain[k]);
        for (int r = 0; r < 4; ++r)
          acc[c][r] =
              _mm512_add_ps(acc[c][r], _mm512_mul_ps(g, _mm512_loadu_ps(t.source[k] + f + 16 * r)));
      }
    }
    for (int r = 0; r < 4; ++r) {
      const int g = f + 16 * r;
      if (channel_count == 1) {
        _mm512_storeu_ps(out + g, acc[0][r]);
      } else {
        const __m512 lo = _mm512_unpacklo_ps(acc[0][r], acc[1][r]);
        const __m512 hi = _mm512_unpackhi_ps(acc[0][r], acc[1][r]);
        _mm512_storeu_ps(out + 2 * g, _mm512_permutex2var_ps(lo, first, hi));
        _mm512_storeu_ps(out + 2 * g + 16, _mm512_permutex2var_ps(lo, second, hi));
      }
    }
  }
  for (; f + 16 <= frames; f += 16) {
    __m512 acc[2];
    for (int c = 0; c < channel_count; ++c) {
      const mix_terms& t = channels[c];
      acc[c] = _mm512_setzero_ps();
      for (int k = 0; k < t.count; ++k)
        acc[c] = _mm512_add_ps(
            acc[c], _mm512_mul_ps(_mm512_set1_ps(t.gain[k]), _mm512_loadu_ps(t.source[k] + f)));
    }
    if (channel_count == 1) {
      _mm512_storeu_ps(out + f, acc[0]);
    } else {
      const __m512 lo = _mm512_unpacklo_ps(acc[0], acc[1]), hi = _mm512_unpackhi_ps(acc[0], acc[1]);
      _mm512_storeu_ps(out + 2 * f, _mm512_permutex2var_ps(lo, first, hi));
      _mm512_storeu_ps(out + 2 * f + 16, _mm512_permutex2var_ps(lo, second, hi));
    }
  }
#endif
  // Eight runs of eight frames at a time (a sub-block), each term across the
  // runs before the next: eight independent sums in flight, where one run at
  // a time would fill the scheduler with its whole chain of additions.
  constexpr int RUNS = 8;
  for (; f + 8 * RUNS <= frames; f += 8 * RUNS) {
    __m256 acc[2][RUNS];
    for (int c = 0; c < channel_count; ++c) {
      const mix_terms& t = channels[c];
      for (int r = 0; r < RUNS; ++r) acc[c][r] = _mm256_setzero_ps();
      for (int k = 0; k < t.count; ++k) {
        const __m256 gk = _mm256_set1_ps(t.gain[k]);
        for (int r = 0; r < RUNS; ++r)
          acc[c][r] = _mm256_add_ps(acc[c][r], _mm256_mul_ps(gk, _mm256_loadu_ps(t.source[k] + f + 8 * r)));
      }
    }
    for (int r = 0; r < RUNS; ++r) {
      const int g = f + 8 * r;
      if (channel_count == 1) {
        _mm256_storeu_ps(out + g, acc[0][r]);
      } else {
        const __m256 lo = _mm256_unpacklo_ps(acc[0][r], acc[1][r]);
        const __m256 hi = _mm256_unpackhi_ps(acc[0][r], acc[1][r]);
        _mm256_storeu_ps(out + 2 * g, _mm256_permute2f128_ps(lo, hi, 0x20));
        _mm256_storeu_ps(out + 2 * g + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
      }
    }
  }
  for (; f < frames; f += 8) {
    __m256 acc[2];
    for (int c = 0; c < channel_count; ++c) acc[c] = channel_sum8(channels[c], f);
    if (channel_count == 1) {
      _mm256_storeu_ps(out + f, acc[0]);
    } else {
      // Within each half: frames 0, 1 | 4, 5 and 2, 3 | 6, 7; the halves then
      // pair up into frames 0..3 and 4..7.
      const __m256 lo = _mm256_unpacklo_ps(acc[0], acc[1]), hi = _mm256_unpackhi_ps(acc[0], acc[1]);
      _mm256_storeu_ps(out + 2 * f, _mm256_permute2f128_ps(lo, hi, 0x20));
      _mm256_storeu_ps(out + 2 * f + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
    }
  }
}

#if !defined(__AVX2__)
// Built once, in the AVX unit: the wider levels run the same code.

// The four-lane ramp's gains, two of its groups per vector: the low half is
// group 2m, the high half group 2m + 1, each group the one before plus
// 4 step, as the four-lane chain forms them (the chain stays in 128-bit
// halves; joining them is off it).
void WIDE_NAME(gain_ramp)(float g0, float step, float* block, int n) {
  const float g1 = g0 + step, g2 = g1 + step, g3 = g2 + step;
  const __m128 step4 = _mm_set1_ps(4.0f * step);
  __m128 low = _mm_setr_ps(g0, g1, g2, g3);
  __m128 high = _mm_add_ps(low, step4);
  for (int i = 0; i < n; i += 8) {
    const __m256 gains = _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
    _mm256_storeu_ps(block + i, _mm256_mul_ps(_mm256_loadu_ps(block + i), gains));
    low = _mm_add_ps(high, step4);
    high = _mm_add_ps(low, step4);
  }
}

// block *= k, eight samples at a time.
void WIDE_NAME(block_scale)(float k, float* block, int n) {
  const __m256 kk = _mm256_set1_ps(k);
  for (int i = 0; i < n; i += 8) _mm256_storeu_ps(block + i, _mm256_mul_ps(_mm256_loadu_ps(block + i), kk));
}

// x > t ? t : x, then x < -t ? -t : x (min and max return x itself for a
// NaN x), then NaN to 0.
void WIDE_NAME(limiter_clip)(float t, float* block, int n) {
  const __m256 high = _mm256_set1_ps(t), low = _mm256_set1_ps(-t);
  for (int i = 0; i < n; i += 8) {
    __m256 x = _mm256_loadu_ps(block + i);
    x = _mm256_max_ps(low, _mm256_min_ps(high, x));
    _mm256_storeu_ps(block + i, _mm256_and_ps(_mm256_cmp_ps(x, x, _CMP_ORD_Q), x));
  }
}

// The four-lane steps of limiter_envelope_gain, eight lanes at a time.
void WIDE_NAME(limiter_envelope_gain)(float t, float s, float amplitude, float floor,
                                      float* envelope, float* block, int n) {
  const __m256 tv = _mm256_set1_ps(t), sv = _mm256_set1_ps(s), neg_t = _mm256_set1_ps(-t);
  const __m256 amp = _mm256_set1_ps(amplitude), least = _mm256_set1_ps(floor);
  const __m256 abs_mask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
  for (int i = 0; i < n; i += 8) {
    const __m256 x = _mm256_and_ps(_mm256_loadu_ps(envelope + i), abs_mask);
    const __m256 upper = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(x, tv), sv), tv);
    const __m256 lower = _mm256_sub_ps(_mm256_mul_ps(_mm256_add_ps(tv, x), sv), tv);
    const __m256 above = _mm256_cmp_ps(tv, x, _CMP_LT_OS), below = _mm256_cmp_ps(x, neg_t, _CMP_LT_OS);
    const __m256 inner = _mm256_or_ps(_mm256_and_ps(below, lower), _mm256_andnot_ps(below, x));
    __m256 e = _mm256_or_ps(_mm256_and_ps(above, upper), _mm256_andnot_ps(above, inner));
    e = _mm256_max_ps(_mm256_mul_ps(e, amp), least);
    _mm256_storeu_ps(envelope + i, e);
    _mm256_storeu_ps(block + i, _mm256_mul_ps(e, _mm256_loadu_ps(block + i)));
  }
}
#endif

