// The body of a unit of eight-lane kernels. Two units include it: one
// compiled for AVX, one for AVX-512 (same eight-lane vectors, but thirty-two
// registers, so the passes of several filters keep their state in
// registers); neither uses FMA, so every lane keeps the scalar rounding. The
// including unit defines WIDE_NAME(f), the name of its build of f; the
// four-lane unit calls a build only where the processor has its instruction
// set. Everything else compiled here is internal to the unit, so no AVX code
// can stand in for a function the rest of the program calls.

#pragma once

#include <immintrin.h>

#include "dsp/lanes_sse.h"
#include "dsp/lanes_wide.h"

namespace eight {

struct avx_vectors {
  using v = __m256;
  static constexpr int W = 8;
  VECTOR_INLINE static v add(v a, v b) { return _mm256_add_ps(a, b); }
  VECTOR_INLINE static v sub(v a, v b) { return _mm256_sub_ps(a, b); }
  VECTOR_INLINE static v mul(v a, v b) { return _mm256_mul_ps(a, b); }
  template <class F>
  VECTOR_INLINE static v make(F f) {
    return _mm256_setr_ps(f(0), f(1), f(2), f(3), f(4), f(5), f(6), f(7));
  }
  VECTOR_INLINE static v div(v a, v b) { return _mm256_div_ps(a, b); }
  VECTOR_INLINE static v max(v a, v b) { return _mm256_max_ps(a, b); }
  VECTOR_INLINE static v splat(float x) { return _mm256_set1_ps(x); }
  VECTOR_INLINE static v and_(v a, v b) { return _mm256_and_ps(a, b); }
  VECTOR_INLINE static v or_(v a, v b) { return _mm256_or_ps(a, b); }
  VECTOR_INLINE static v andnot(v a, v b) { return _mm256_andnot_ps(a, b); }  // b without a
  VECTOR_INLINE static v lt(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_LT_OS); }
  VECTOR_INLINE static v le(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_LE_OS); }
  VECTOR_INLINE static v gt(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_GT_OS); }
  VECTOR_INLINE static v ge(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_GE_OS); }
  VECTOR_INLINE static v unord(v a, v b) { return _mm256_cmp_ps(a, b, _CMP_UNORD_Q); }
  VECTOR_INLINE static bool any(v mask) { return _mm256_movemask_ps(mask) != 0; }
  VECTOR_INLINE static v abs_mask() { return _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF)); }
  VECTOR_INLINE static v xor_(v a, v b) { return _mm256_xor_ps(a, b); }
  // Lane k from b where bit k of M is set, else from a.
  template <int M>
  VECTOR_INLINE static v blend(v a, v b) {
    return _mm256_blend_ps(a, b, M);
  }
  // Lanes 0-3 and 4-7 exchanged.
  VECTOR_INLINE static v swap_halves(v x) { return _mm256_permute2f128_ps(x, x, 0x01); }
  // Lanes 0-1 of each 128-bit half copied into its lanes 2-3.
  VECTOR_INLINE static v pairs_up(v x) {
    return _mm256_castpd_ps(_mm256_movedup_pd(_mm256_castps_pd(x)));
  }
#if defined(__AVX512VL__)
  // below where x <= low, above where x >= high, else x: by AVX-512's masks.
  VECTOR_INLINE static v pick_outside(v x, v low, v high, v below, v above) {
    const __mmask8 under = _mm256_cmp_ps_mask(x, low, _CMP_LE_OS);
    const __mmask8 over = _mm256_cmp_ps_mask(x, high, _CMP_GE_OS);
    return _mm256_mask_blend_ps(over, _mm256_mask_blend_ps(under, x, below), above);
  }
#endif
  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  VECTOR_INLINE static v round_toward_zero(v x) {
    return _mm256_round_ps(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  }
  VECTOR_INLINE static v load(const float* p) { return _mm256_loadu_ps(p); }
  // The first count floats at p (1..7), zeros after them; nothing past them read.
  VECTOR_INLINE static v load_first(const float* p, int count) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 mask = _mm256_cmp_ps(_mm256_cvtepi32_ps(lanes),
                                      _mm256_set1_ps(static_cast<float>(count)), _CMP_LT_OQ);
    return _mm256_maskload_ps(p, _mm256_castps_si256(mask));
  }
  VECTOR_INLINE static void store(float* p, v x) { _mm256_storeu_ps(p, x); }
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
    for (int h = 0; h < 8; h += 4) {
      const v t0 = _mm256_unpacklo_ps(y[h], y[h + 1]), t1 = _mm256_unpackhi_ps(y[h], y[h + 1]);
      const v t2 = _mm256_unpacklo_ps(y[h + 2], y[h + 3]), t3 = _mm256_unpackhi_ps(y[h + 2], y[h + 3]);
      x[h] = _mm256_shuffle_ps(t0, t2, 0x44);
      x[h + 1] = _mm256_shuffle_ps(t0, t2, 0xEE);
      x[h + 2] = _mm256_shuffle_ps(t1, t3, 0x44);
      x[h + 3] = _mm256_shuffle_ps(t1, t3, 0xEE);
    }
  }
  // rows[k][i + j] = x[j] lane k, the rows stored from the last down to the
  // first: shuffles within halves, then each half stored on its own.
  VECTOR_INLINE static void store_transposed(float* const* rows, int i, v x[8]) {
    v y[8];
    for (int h = 0; h < 8; h += 4) {
      const v t0 = _mm256_unpacklo_ps(x[h], x[h + 1]), t1 = _mm256_unpackhi_ps(x[h], x[h + 1]);
      const v t2 = _mm256_unpacklo_ps(x[h + 2], x[h + 3]), t3 = _mm256_unpackhi_ps(x[h + 2], x[h + 3]);
      y[h] = _mm256_shuffle_ps(t0, t2, 0x44);
      y[h + 1] = _mm256_shuffle_ps(t0, t2, 0xEE);
      y[h + 2] = _mm256_shuffle_ps(t1, t3, 0x44);
      y[h + 3] = _mm256_shuffle_ps(t1, t3, 0xEE);
    }
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
};
using V = avx_vectors;

#define LANE_WIDTH_EIGHT
#define LANE_PAIRED_OSCILLATORS
#define LANE_MAJOR_PASSES
#include "dsp/lane_kernels.h"
#undef LANE_MAJOR_PASSES
#undef LANE_PAIRED_OSCILLATORS
#undef LANE_WIDTH_EIGHT

}  // namespace eight

#define OSTRELLE_DEFINE_WIDE(R, f, params, args) \
  R WIDE_NAME(f) params { return eight::kernel_##f args; }
OSTRELLE_LANE_KERNELS(OSTRELLE_DEFINE_WIDE)
OSTRELLE_MAJOR_KERNELS(OSTRELLE_DEFINE_WIDE)
#undef OSTRELLE_DEFINE_WIDE

// A unit that also builds the four-lane kernels for its instruction set
// defines NARROW_NAME(f).
#if defined(NARROW_NAME)
namespace four {
using V = sse_vectors;
#include "dsp/lane_kernels.h"
}  // namespace four

#define OSTRELLE_DEFINE_NARROW(R, f, params, args) \
  R NARROW_NAME(f) params { return four::kernel_##f args; }
OSTRELLE_LANE_KERNELS(OSTRELLE_DEFINE_NARROW)
#undef OSTRELLE_DEFINE_NARROW
#endif
