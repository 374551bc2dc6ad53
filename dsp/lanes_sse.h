#pragma once
// The four-lane vector policy of the lane kernels (see dsp/lane_kernels.h).

#include <emmintrin.h>
#if defined(__AVX512VL__)
#include <immintrin.h>
#endif

// The policies' operations always inline: a call inside a kernel's sample
// loop (which the compiler may choose in a large kernel) costs more than the
// operation.
#define VECTOR_INLINE __attribute__((always_inline))

// Internal to each unit that includes it: units built for different
// instruction sets must not share (and so exchange) its inline functions.
namespace {

// Four-lane vectors (SSE2, every x86-64 processor has it).
struct sse_vectors {
  using v = __m128;
  static constexpr int W = 4;
  VECTOR_INLINE static v add(v a, v b) { return _mm_add_ps(a, b); }
  VECTOR_INLINE static v sub(v a, v b) { return _mm_sub_ps(a, b); }
  VECTOR_INLINE static v mul(v a, v b) { return _mm_mul_ps(a, b); }
  template <class F>
  VECTOR_INLINE static v make(F f) {
    return _mm_setr_ps(f(0), f(1), f(2), f(3));
  }
  VECTOR_INLINE static v div(v a, v b) { return _mm_div_ps(a, b); }
  VECTOR_INLINE static v max(v a, v b) { return _mm_max_ps(a, b); }
  VECTOR_INLINE static v splat(float x) { return _mm_set1_ps(x); }
  VECTOR_INLINE static v and_(v a, v b) { return _mm_and_ps(a, b); }
  VECTOR_INLINE static v or_(v a, v b) { return _mm_or_ps(a, b); }
  VECTOR_INLINE static v andnot(v a, v b) { return _mm_andnot_ps(a, b); }  // b without a
  VECTOR_INLINE static v lt(v a, v b) { return _mm_cmplt_ps(a, b); }
  VECTOR_INLINE static v le(v a, v b) { return _mm_cmple_ps(a, b); }
  VECTOR_INLINE static v gt(v a, v b) { return _mm_cmpgt_ps(a, b); }
  VECTOR_INLINE static v ge(v a, v b) { return _mm_cmpge_ps(a, b); }
  VECTOR_INLINE static v unord(v a, v b) { return _mm_cmpunord_ps(a, b); }
  VECTOR_INLINE static bool any(v mask) { return _mm_movemask_ps(mask) != 0; }
  VECTOR_INLINE static v abs_mask() { return _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)); }
  VECTOR_INLINE static v xor_(v a, v b) { return _mm_xor_ps(a, b); }
  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  VECTOR_INLINE static v round_toward_zero(v x) {
    const v small = _mm_cmplt_ps(abs_(x), _mm_set1_ps(8388608.0f));
    const v t = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_and_ps(x, small)));
    return _mm_or_ps(_mm_and_ps(small, t), _mm_andnot_ps(small, x));
  }
  VECTOR_INLINE static v abs_(v x) { return _mm_and_ps(x, abs_mask()); }
  // Lane k from b where bit k of M is set, else from a.
  template <int M>
  VECTOR_INLINE static v blend(v a, v b) {
    const v m = _mm_castsi128_ps(
        _mm_setr_epi32(M & 1 ? -1 : 0, M & 2 ? -1 : 0, M & 4 ? -1 : 0, M & 8 ? -1 : 0));
    return _mm_or_ps(_mm_and_ps(m, b), _mm_andnot_ps(m, a));
  }
  // a where the mask's lane is set, else b (a mask from a comparison): one
  // instruction where the build has one, so that a select on a recurrence
  // costs one step of latency, not two.
  VECTOR_INLINE static v select(v mask, v a, v b) {
#if defined(__AVX512VL__)
    return _mm_castsi128_ps(_mm_ternarylogic_epi32(
        _mm_castps_si128(mask), _mm_castps_si128(a), _mm_castps_si128(b), 0xCA));
#elif defined(__SSE4_1__)
    return _mm_blendv_ps(b, a, mask);
#else
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
#endif
  }
  // Lanes 0-1 copied into lanes 2-3.
  VECTOR_INLINE static v pairs_up(v x) { return _mm_movelh_ps(x, x); }
#if defined(__AVX512VL__)
  // below where x <= low, above where x >= high, else x: by AVX-512's masks.
  VECTOR_INLINE static v pick_outside(v x, v low, v high, v below, v above) {
    const __mmask8 under = _mm_cmp_ps_mask(x, low, _CMP_LE_OS);
    const __mmask8 over = _mm_cmp_ps_mask(x, high, _CMP_GE_OS);
    return _mm_mask_blend_ps(over, _mm_mask_blend_ps(under, x, below), above);
  }
#endif
  VECTOR_INLINE static v load(const float* p) { return _mm_loadu_ps(p); }
  VECTOR_INLINE static void store(float* p, v x) { _mm_storeu_ps(p, x); }
  VECTOR_INLINE static void transpose(v x[4]) { _MM_TRANSPOSE4_PS(x[0], x[1], x[2], x[3]); }
  // rows[k][i + j] = x[j] lane k (x is clobbered).
  VECTOR_INLINE static void store_transposed(float* const* rows, int i, v x[4]) {
    transpose(x);
    for (int k = 3; k >= 0; --k) store(rows[k] + i, x[k]);
  }
  // x[j] lane k = rows[k][i + j].
  VECTOR_INLINE static void load_transposed(float* const* rows, int i, v x[4]) {
    for (int k = 0; k < 4; ++k) x[k] = load(rows[k] + i);
    transpose(x);
  }
};

}  // namespace
