// vector unit: avx | x86_64 | -mavx -mno-fma | lanes 8 avx_vectors avx_narrow_vectors | blocks avx_vectors
#pragma once
// Eight-lane vectors on AVX (floats only: eight-lane integers came with
// AVX2), and the four-lane vectors of the same unit, which the VEX encoding
// gives three operands and a one-instruction blend.

#include <immintrin.h>

#include "dsp/simd/sse2.h"

namespace {

struct avx_narrow_vectors : sse2_vectors {
  VECTOR_INLINE static v select(v mask, v a, v b) { return _mm_blendv_ps(b, a, mask); }
  using narrow = avx_narrow_vectors;
};

struct avx_vectors {
  using v = __m256;
  using narrow = avx_narrow_vectors;
  using q = __m128;  // a 128-bit half
  static constexpr int W = 8;
  static constexpr int batch = 8;
  static constexpr bool has_int_mul = false;

  VECTOR_INLINE static v add(v a, v b) { return _mm256_add_ps(a, b); }
  VECTOR_INLINE static v sub(v a, v b) { return _mm256_sub_ps(a, b); }
  VECTOR_INLINE static v mul(v a, v b) { return _mm256_mul_ps(a, b); }
  VECTOR_INLINE static v div(v a, v b) { return _mm256_div_ps(a, b); }
  VECTOR_INLINE static v min(v a, v b) { return _mm256_min_ps(a, b); }
  VECTOR_INLINE static v max(v a, v b) { return _mm256_max_ps(a, b); }
  VECTOR_INLINE static v splat(float x) { return _mm256_set1_ps(x); }
  template <class F>
  VECTOR_INLINE static v make(F f) {
    return _mm256_setr_ps(f(0), f(1), f(2), f(3), f(4), f(5), f(6), f(7));
  }
  VECTOR_INLINE static v load(const float* p) { return _mm256_loadu_ps(p); }
  VECTOR_INLINE static void store(float* p, v x) { _mm256_storeu_ps(p, x); }
  // The first count floats at p (1..7), zeros after them; nothing past them read.
  VECTOR_INLINE static v load_first(const float* p, int count) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 mask = _mm256_cmp_ps(_mm256_cvtepi32_ps(lanes),
                                      _mm256_set1_ps(static_cast<float>(count)), _CMP_LT_OQ);
    return _mm256_maskload_ps(p, _mm256_castps_si256(mask));
  }

  VECTOR_INLINE static v and_(v a, v b) { return _mm256_and_ps(a, b); }
  VECTOR_INLINE static v or_(v a, v b) { return _mm256_or_ps(a, b); }
  VECTOR_INLINE static v andnot(v a, v b) { return _mm256_andnot_ps(a, b); }  // b without a
  VECTOR_INLINE static v xor_(v a, v b) { return _mm256_xor_ps(a, b); }
  VECTOR_INLINE static v abs_mask() { return _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF)); }
  VECTOR_INLINE static v abs_(v x) { return _mm256_and_ps(x, abs_mask()); }

  VECTOR_INLINE static v lt(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_LT_OS); }
  VECTOR_INLINE static v le(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_LE_OS); }
  VECTOR_INLINE static v gt(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_GT_OS); }
  VECTOR_INLINE static v ge(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_GE_OS); }
  VECTOR_INLINE static v unord(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_UNORD_Q); }
  VECTOR_INLINE static v ord(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_ORD_Q); }
  VECTOR_INLINE static bool any(v mask) { return _mm256_movemask_ps(mask) != 0; }

  VECTOR_INLINE static v select(v mask, v a, v b) {
    return _mm256_or_ps(_mm256_and_ps(mask, a), _mm256_andnot_ps(mask, b));
  }
  template <int M>
  VECTOR_INLINE static v blend(v a, v b) {
    return _mm256_blend_ps(a, b, M);
  }

  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  VECTOR_INLINE static v round_toward_zero(v x) {
    return _mm256_round_ps(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  }
  // floor(t) in one instruction: for |t| < 2^23 that is never -0 it is the
  // truncation less 1 below it, bit for bit.
  VECTOR_INLINE static v floor_small(v t) {
    return _mm256_round_ps(t, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  }
  // n + 127 in the exponent field; without eight-lane integers the two
  // halves go separately.
  VECTOR_INLINE static v pow2(v n) {
    const __m256i k = _mm256_cvttps_epi32(n);
    const __m128i bias = _mm_set1_epi32(127);
    const __m128i lo = _mm_slli_epi32(_mm_add_epi32(_mm256_castsi256_si128(k), bias), 23);
    const __m128i hi = _mm_slli_epi32(_mm_add_epi32(_mm256_extractf128_si256(k, 1), bias), 23);
    return _mm256_castsi256_ps(_mm256_insertf128_si256(_mm256_castsi128_si256(lo), hi, 1));
  }

  // Lanes 0-3 and 4-7 exchanged.
  VECTOR_INLINE static v swap_halves(v x) { return _mm256_permute2f128_ps(x, x, 0x01); }
  // Lanes 0-1 of each 128-bit half copied into its lanes 2-3.
  VECTOR_INLINE static v pairs_up(v x) {
    return _mm256_castpd_ps(_mm256_movedup_pd(_mm256_castps_pd(x)));
  }
  VECTOR_INLINE static q low_half(v x) { return _mm256_castps256_ps128(x); }
  VECTOR_INLINE static q high_half(v x) { return _mm256_extractf128_ps(x, 1); }
  VECTOR_INLINE static v join(q low, q high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
  }
  // x with lanes 0-3 replaced by `low`.
  VECTOR_INLINE static v replace_low(v x, q low) { return _mm256_insertf128_ps(x, low, 0); }

  // A 4 x 4 transpose within each 128-bit half: y[j] lane k = x[k] lane j,
  // and lane k + 4 = x[k] lane j + 4.
  VECTOR_INLINE static void transpose4_halves(const v x[4], v y[4]) {
    const v t0 = _mm256_unpacklo_ps(x[0], x[1]), t1 = _mm256_unpackhi_ps(x[0], x[1]);
    const v t2 = _mm256_unpacklo_ps(x[2], x[3]), t3 = _mm256_unpackhi_ps(x[2], x[3]);
    y[0] = _mm256_shuffle_ps(t0, t2, 0x44);
    y[1] = _mm256_shuffle_ps(t0, t2, 0xEE);
    y[2] = _mm256_shuffle_ps(t1, t3, 0x44);
    y[3] = _mm256_shuffle_ps(t1, t3, 0xEE);
  }
  // x[j] lane k = rows[k][i + j]. Each register is loaded with a 128-bit
  // half of two rows (rows k and k + 4), so the loads do the step across
  // halves and only shuffles within halves remain (on some processors a
  // single port runs every shuffle; an insert from memory is not one).
  VECTOR_INLINE static void load_transposed(float* const* rows, int i, v x[8]) {
    v y[8];
    for (int k = 0; k < 4; ++k)
      for (int h = 0; h < 2; ++h)
        y[k + 4 * h] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(rows[k] + i + 4 * h)),
                                            _mm_loadu_ps(rows[k + 4] + i + 4 * h), 1);
    transpose4_halves(y, x);
    transpose4_halves(y + 4, x + 4);
  }
  // rows[k][i + j] = x[j] lane k, the rows stored from the last down to the
  // first: shuffles within halves, then each half stored on its own.
  VECTOR_INLINE static void store_transposed(float* const* rows, int i, v x[8]) {
    v y[8];
    transpose4_halves(x, y);
    transpose4_halves(x + 4, y + 4);
    // y[k] holds rows k (low half) and k + 4 (high half) at i..i+3, y[k + 4]
    // the same at i+4..i+7.
    for (int k = 3; k >= 0; --k) {
      _mm_storeu_ps(rows[k + 4] + i, _mm256_extractf128_ps(y[k], 1));
      _mm_storeu_ps(rows[k + 4] + i + 4, _mm256_extractf128_ps(y[k + 4], 1));
    }
    for (int k = 3; k >= 0; --k) {
      _mm_storeu_ps(rows[k] + i, _mm256_castps256_ps128(y[k]));
      _mm_storeu_ps(rows[k] + i + 4, _mm256_castps256_ps128(y[k + 4]));
    }
  }
  // 8 x 8 transpose: pairs, then quads within each 128-bit half, then halves.
  VECTOR_INLINE static void transpose(v x[8]) {
    v t[8], q[8];
    for (int k = 0; k < 8; k += 2) {
      t[k] = _mm256_unpacklo_ps(x[k], x[k + 1]);
      t[k + 1] = _mm256_unpackhi_ps(x[k], x[k + 1]);
    }
    for (int k = 0; k < 8; k += 4) {
      q[k] = _mm256_shuffle_ps(t[k], t[k + 2], 0x44);
      q[k + 1] = _mm256_shuffle_ps(t[k], t[k + 2], 0xEE);
      q[k + 2] = _mm256_shuffle_ps(t[k + 1], t[k + 3], 0x44);
      q[k + 3] = _mm256_shuffle_ps(t[k + 1], t[k + 3], 0xEE);
    }
    for (int k = 0; k < 4; ++k) {
      x[k] = _mm256_permute2f128_ps(q[k], q[k + 4], 0x20);
      x[k + 4] = _mm256_permute2f128_ps(q[k], q[k + 4], 0x31);
    }
  }

  // Within each half: frames 0, 1 | 4, 5 and 2, 3 | 6, 7; the halves then
  // pair up into frames 0..3 and 4..7.
  VECTOR_INLINE static void store_interleaved2(float* p, v a, v b) {
    const v lo = _mm256_unpacklo_ps(a, b), hi = _mm256_unpackhi_ps(a, b);
    _mm256_storeu_ps(p, _mm256_permute2f128_ps(lo, hi, 0x20));
    _mm256_storeu_ps(p + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
  }
  VECTOR_INLINE static void store_frames2(float* p, int stride, v a, v b) {
    const v pairs[2] = {_mm256_unpacklo_ps(a, b), _mm256_unpackhi_ps(a, b)};
    for (int h = 0; h < 2; ++h) {  // frames 2h, 2h + 1 | 2h + 4, 2h + 5
      const __m128 low = _mm256_castps256_ps128(pairs[h]), high = _mm256_extractf128_ps(pairs[h], 1);
      _mm_storel_pi(reinterpret_cast<__m64*>(p + (2 * h) * stride), low);
      _mm_storeh_pi(reinterpret_cast<__m64*>(p + (2 * h + 1) * stride), low);
      _mm_storel_pi(reinterpret_cast<__m64*>(p + (2 * h + 4) * stride), high);
      _mm_storeh_pi(reinterpret_cast<__m64*>(p + (2 * h + 5) * stride), high);
    }
  }
  // Through 4 x 4 transposes within each half (frame j in the low half, j + 4
  // in the high).
  VECTOR_INLINE static void store_frames4(float* p, int stride, v a, v b, v c, v d) {
    const v x[4] = {a, b, c, d};
    v row[4];
    transpose4_halves(x, row);
    for (int j = 0; j < 4; ++j) {
      _mm_storeu_ps(p + j * stride, _mm256_castps256_ps128(row[j]));
      _mm_storeu_ps(p + (j + 4) * stride, _mm256_extractf128_ps(row[j], 1));
    }
  }

  // Two doubles.
  using pair = __m128d;
  VECTOR_INLINE static pair pair_load(const double* p) { return _mm_load_pd(p); }
  VECTOR_INLINE static pair pair_zero() { return _mm_setzero_pd(); }
  VECTOR_INLINE static pair pair_mul(pair a, pair b) { return _mm_mul_pd(a, b); }
  VECTOR_INLINE static void pair_store(double* p, pair x) { _mm_store_pd(p, x); }
};

}  // namespace
