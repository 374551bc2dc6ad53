// vector unit: sse2 | x86_64 | | lanes 4 sse2_vectors | blocks sse2_vectors
#pragma once
// Four-lane vectors on SSE2, which every x86-64 processor has: the baseline
// vectors of x86-64, and the four-lane half of the wider units (compiled
// there in their instruction set's encoding).

#include <emmintrin.h>

#include "dsp/simd/policy.h"

namespace {

struct sse2_vectors {
  using v = __m128;
  static constexpr int W = 4;
  static constexpr int batch = 1;  // vectors the block kernels step together
  static constexpr bool has_int_mul = false;

  VECTOR_INLINE static v add(v a, v b) { return _mm_add_ps(a, b); }
  VECTOR_INLINE static v sub(v a, v b) { return _mm_sub_ps(a, b); }
  VECTOR_INLINE static v mul(v a, v b) { return _mm_mul_ps(a, b); }
  VECTOR_INLINE static v div(v a, v b) { return _mm_div_ps(a, b); }
  VECTOR_INLINE static v min(v a, v b) { return _mm_min_ps(a, b); }
  VECTOR_INLINE static v max(v a, v b) { return _mm_max_ps(a, b); }
  VECTOR_INLINE static v splat(float x) { return _mm_set1_ps(x); }
  template <class F>
  VECTOR_INLINE static v make(F f) {
    return _mm_setr_ps(f(0), f(1), f(2), f(3));
  }
  VECTOR_INLINE static v load(const float* p) { return _mm_loadu_ps(p); }
  VECTOR_INLINE static void store(float* p, v x) { _mm_storeu_ps(p, x); }
  // Four floats `stride` apart, built in registers (no store-forwarding stall).
  VECTOR_INLINE static v load_strided(const float* p, int stride) {
    return _mm_set_ps(p[3 * stride], p[2 * stride], p[stride], p[0]);
  }

  VECTOR_INLINE static v and_(v a, v b) { return _mm_and_ps(a, b); }
  VECTOR_INLINE static v or_(v a, v b) { return _mm_or_ps(a, b); }
  VECTOR_INLINE static v andnot(v a, v b) { return _mm_andnot_ps(a, b); }  // b without a
  VECTOR_INLINE static v xor_(v a, v b) { return _mm_xor_ps(a, b); }
  VECTOR_INLINE static v abs_mask() { return _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)); }
  VECTOR_INLINE static v abs_(v x) { return _mm_and_ps(x, abs_mask()); }

  VECTOR_INLINE static v lt(v a, v b) { return _mm_cmplt_ps(a, b); }
  VECTOR_INLINE static v le(v a, v b) { return _mm_cmple_ps(a, b); }
  VECTOR_INLINE static v gt(v a, v b) { return _mm_cmpgt_ps(a, b); }
  VECTOR_INLINE static v ge(v a, v b) { return _mm_cmpge_ps(a, b); }
  VECTOR_INLINE static v unord(v a, v b) { return _mm_cmpunord_ps(a, b); }
  VECTOR_INLINE static v ord(v a, v b) { return _mm_cmpord_ps(a, b); }
  VECTOR_INLINE static bool any(v mask) { return _mm_movemask_ps(mask) != 0; }

  // a where the mask's lane is set, else b (a mask from a comparison).
  VECTOR_INLINE static v select(v mask, v a, v b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
  }
  template <int M>
  VECTOR_INLINE static v blend(v a, v b) {
    const v m = _mm_castsi128_ps(
        _mm_setr_epi32(M & 1 ? -1 : 0, M & 2 ? -1 : 0, M & 4 ? -1 : 0, M & 8 ? -1 : 0));
    return _mm_or_ps(_mm_and_ps(m, b), _mm_andnot_ps(m, a));
  }

  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  VECTOR_INLINE static v round_toward_zero(v x) {
    const v small = _mm_cmplt_ps(abs_(x), _mm_set1_ps(8388608.0f));
    const v t = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_and_ps(x, small)));
    return _mm_or_ps(_mm_and_ps(small, t), _mm_andnot_ps(small, x));
  }
  // floor(t): the truncation, less 1 where that lies above t.
  VECTOR_INLINE static v floor_small(v t) {
    const v nf = _mm_cvtepi32_ps(_mm_cvttps_epi32(t));
    return _mm_sub_ps(nf, _mm_and_ps(_mm_cmplt_ps(t, nf), _mm_set1_ps(1.0f)));
  }
  // n + 127 in the exponent field, zero mantissa (n = -127 gives 0).
  VECTOR_INLINE static v pow2(v n) {
    const __m128i k = _mm_add_epi32(_mm_cvttps_epi32(n), _mm_set1_epi32(127));
    return _mm_castsi128_ps(_mm_sll_epi32(k, _mm_cvtsi32_si128(23)));
  }

  // Lanes 0-1 copied into lanes 2-3.
  VECTOR_INLINE static v pairs_up(v x) { return _mm_movelh_ps(x, x); }
  VECTOR_INLINE static void transpose(v x[4]) { _MM_TRANSPOSE4_PS(x[0], x[1], x[2], x[3]); }
  VECTOR_INLINE static void store_transposed(float* const* rows, int i, v x[4]) {
    transpose(x);
    for (int k = 3; k >= 0; --k) store(rows[k] + i, x[k]);
  }
  VECTOR_INLINE static void load_transposed(float* const* rows, int i, v x[4]) {
    for (int k = 0; k < 4; ++k) x[k] = load(rows[k] + i);
    transpose(x);
  }

  // (a0 b0 a1 b1) to p[0..3] and (a2 b2 a3 b3) to p[4..7].
  VECTOR_INLINE static void store_interleaved2(float* p, v a, v b) {
    _mm_storeu_ps(p, _mm_unpacklo_ps(a, b));
    _mm_storeu_ps(p + 4, _mm_unpackhi_ps(a, b));
  }
  // Frame j of the channel vectors (lane j) to p[j stride ..].
  VECTOR_INLINE static void store_frames2(float* p, int stride, v a, v b) {
    const __m128 lo = _mm_unpacklo_ps(a, b), hi = _mm_unpackhi_ps(a, b);
    _mm_storel_pi(reinterpret_cast<__m64*>(p), lo);
    _mm_storeh_pi(reinterpret_cast<__m64*>(p + stride), lo);
    _mm_storel_pi(reinterpret_cast<__m64*>(p + 2 * stride), hi);
    _mm_storeh_pi(reinterpret_cast<__m64*>(p + 3 * stride), hi);
  }
  VECTOR_INLINE static void store_frames4(float* p, int stride, v a, v b, v c, v d) {
    _MM_TRANSPOSE4_PS(a, b, c, d);
    _mm_storeu_ps(p, a);
    _mm_storeu_ps(p + stride, b);
    _mm_storeu_ps(p + 2 * stride, c);
    _mm_storeu_ps(p + 3 * stride, d);
  }

  using narrow = sse2_vectors;
};

}  // namespace
