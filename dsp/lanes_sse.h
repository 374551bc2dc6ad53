#pragma once
// The four-lane vector policy of the lane kernels (see dsp/lane_kernels.h).

#include <emmintrin.h>

// Internal to each unit that includes it: units built for different
// instruction sets must not share (and so exchange) its inline functions.
namespace {

// Four-lane vectors (SSE2, every x86-64 processor has it).
struct sse_vectors {
  using v = __m128;
  static constexpr int W = 4;
  static v add(v a, v b) { return _mm_add_ps(a, b); }
  static v sub(v a, v b) { return _mm_sub_ps(a, b); }
  static v mul(v a, v b) { return _mm_mul_ps(a, b); }
  template <class F>
  static v make(F f) {
    return _mm_setr_ps(f(0), f(1), f(2), f(3));
  }
  static v div(v a, v b) { return _mm_div_ps(a, b); }
  static v max(v a, v b) { return _mm_max_ps(a, b); }
  static v splat(float x) { return _mm_set1_ps(x); }
  static v and_(v a, v b) { return _mm_and_ps(a, b); }
  static v or_(v a, v b) { return _mm_or_ps(a, b); }
  static v andnot(v a, v b) { return _mm_andnot_ps(a, b); }  // b without a
  static v lt(v a, v b) { return _mm_cmplt_ps(a, b); }
  static v le(v a, v b) { return _mm_cmple_ps(a, b); }
  static v gt(v a, v b) { return _mm_cmpgt_ps(a, b); }
  static v ge(v a, v b) { return _mm_cmpge_ps(a, b); }
  static v unord(v a, v b) { return _mm_cmpunord_ps(a, b); }
  static bool any(v mask) { return _mm_movemask_ps(mask) != 0; }
  static v abs_mask() { return _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)); }
  static v xor_(v a, v b) { return _mm_xor_ps(a, b); }
  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  static v round_toward_zero(v x) {
    const v small = _mm_cmplt_ps(abs_(x), _mm_set1_ps(8388608.0f));
    const v t = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_and_ps(x, small)));
    return _mm_or_ps(_mm_and_ps(small, t), _mm_andnot_ps(small, x));
  }
  static v abs_(v x) { return _mm_and_ps(x, abs_mask()); }
  static v load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, v x) { _mm_storeu_ps(p, x); }
  static void transpose(v x[4]) { _MM_TRANSPOSE4_PS(x[0], x[1], x[2], x[3]); }
};

}  // namespace
