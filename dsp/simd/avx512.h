// vector unit: avx512 | x86_64 | -mavx512f -mavx512vl -mavx512dq -mtune=icelake-server | lanes 8 avx512_vectors avx512_narrow_vectors | blocks avx512_vectors avx512_16_vectors
#pragma once
// AVX-512 (F, VL, DQ) at its two widths: eight lanes, which the lane kernels
// take for the thirty-two registers (the passes of several filters keep
// their state in registers) and the masks, and sixteen lanes, which the
// noise generators, the exponential and the mixes of one or two channels
// take on processors that run 512-bit instructions at full clock. The unit
// is tuned for Intel's server cores (the instruction choice only: the
// arithmetic is fixed by the source), where it was measured faster. Never
// FMA: -ffp-contract=off forbids contracting, and no kernel asks for it.

#include <immintrin.h>

#include <cstdint>

#include "dsp/simd/avx2.h"

#if !defined(__AVX512F__) || !defined(__AVX512VL__) || !defined(__AVX512DQ__)
#error "the AVX-512 policies need AVX-512 F, VL and DQ"
#endif

// GCC 12's AVX-512 intrinsics start from an undefined register that it then
// reports as (maybe) uninitialised: a false report, silenced in this unit only.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

namespace {

// Four lanes with AVX-512's blends and masks.
struct avx512_narrow_vectors : sse2_vectors {
  // One instruction, so that a select on a recurrence costs one step of
  // latency, not two.
  VECTOR_INLINE static v select(v mask, v a, v b) {
    return _mm_castsi128_ps(_mm_ternarylogic_epi32(_mm_castps_si128(mask), _mm_castps_si128(a),
                                                   _mm_castps_si128(b), 0xCA));
  }
  // below where x <= low, above where x >= high, else x.
  VECTOR_INLINE static v pick_outside(v x, v low, v high, v below, v above) {
    const __mmask8 under = _mm_cmp_ps_mask(x, low, _CMP_LE_OS);
    const __mmask8 over = _mm_cmp_ps_mask(x, high, _CMP_GE_OS);
    return _mm_mask_blend_ps(over, _mm_mask_blend_ps(under, x, below), above);
  }
  using narrow = avx512_narrow_vectors;
};

struct avx512_vectors : avx2_vectors {
  using narrow = avx512_narrow_vectors;
  VECTOR_INLINE static v pick_outside(v x, v low, v high, v below, v above) {
    const __mmask8 under = _mm256_cmp_ps_mask(x, low, _CMP_LE_OS);
    const __mmask8 over = _mm256_cmp_ps_mask(x, high, _CMP_GE_OS);
    return _mm256_mask_blend_ps(over, _mm256_mask_blend_ps(under, x, below), above);
  }
};

// Sixteen lanes: the operations the block kernels take at this width; the
// others run on the eight-lane half.
struct avx512_16_vectors {
  using v = __m512;
  using vi = __m512i;
  using half = avx512_vectors;
  using narrow = avx512_narrow_vectors;
  static constexpr int W = 16;
  static constexpr int batch = 4;
  static constexpr bool has_int_mul = true;

  VECTOR_INLINE static v add(v a, v b) { return _mm512_add_ps(a, b); }
  VECTOR_INLINE static v sub(v a, v b) { return _mm512_sub_ps(a, b); }
  VECTOR_INLINE static v mul(v a, v b) { return _mm512_mul_ps(a, b); }
  VECTOR_INLINE static v min(v a, v b) { return _mm512_min_ps(a, b); }
  VECTOR_INLINE static v max(v a, v b) { return _mm512_max_ps(a, b); }
  VECTOR_INLINE static v splat(float x) { return _mm512_set1_ps(x); }
  VECTOR_INLINE static v load(const float* p) { return _mm512_loadu_ps(p); }
  VECTOR_INLINE static void store(float* p, v x) { _mm512_storeu_ps(p, x); }

  // floor(t): 1 subtracted only in the lanes where t < its truncation (x - 0
  // is x, so the masked form equals subtracting the masked 1 of the narrower
  // policies).
  VECTOR_INLINE static v floor_small(v t) {
    const v nf = _mm512_cvtepi32_ps(_mm512_cvttps_epi32(t));
    return _mm512_mask_sub_ps(nf, _mm512_cmp_ps_mask(t, nf, _CMP_LT_OS), nf, _mm512_set1_ps(1.0f));
  }
  VECTOR_INLINE static v pow2(v n) {
    return _mm512_castsi512_ps(
        _mm512_slli_epi32(_mm512_add_epi32(_mm512_cvttps_epi32(n), _mm512_set1_epi32(127)), 23));
  }

  // Output frames 0..7 and 8..15 from the low and high interleavings.
  VECTOR_INLINE static void store_interleaved2(float* p, v a, v b) {
    const __m512i first = _mm512_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19, 4, 5, 6, 7, 20, 21, 22, 23);
    const __m512i second =
        _mm512_setr_epi32(8, 9, 10, 11, 24, 25, 26, 27, 12, 13, 14, 15, 28, 29, 30, 31);
    const __m512 lo = _mm512_unpacklo_ps(a, b), hi = _mm512_unpackhi_ps(a, b);
    _mm512_storeu_ps(p, _mm512_permutex2var_ps(lo, first, hi));
    _mm512_storeu_ps(p + 16, _mm512_permutex2var_ps(lo, second, hi));
  }

  VECTOR_INLINE static vi splat_i(uint32_t x) { return _mm512_set1_epi32(static_cast<int>(x)); }
  VECTOR_INLINE static vi load_i(const uint32_t* p) { return _mm512_loadu_si512(p); }
  VECTOR_INLINE static vi mullo(vi a, vi b) { return _mm512_mullo_epi32(a, b); }
  VECTOR_INLINE static vi add_i(vi a, vi b) { return _mm512_add_epi32(a, b); }
  VECTOR_INLINE static vi and_i(vi a, vi b) { return _mm512_and_si512(a, b); }
  VECTOR_INLINE static vi or_i(vi a, vi b) { return _mm512_or_si512(a, b); }
  template <int N>
  VECTOR_INLINE static vi srli(vi a) {
    return _mm512_srli_epi32(a, N);
  }
  template <int N>
  VECTOR_INLINE static vi slli(vi a) {
    return _mm512_slli_epi32(a, N);
  }
  VECTOR_INLINE static vi reverse4(vi a) { return _mm512_shuffle_epi32(a, _MM_PERM_ABCD); }
  VECTOR_INLINE static v to_float(vi a) { return _mm512_cvtepi32_ps(a); }
  VECTOR_INLINE static v as_float(vi a) { return _mm512_castsi512_ps(a); }
  VECTOR_INLINE static vi as_int(v a) { return _mm512_castps_si512(a); }

  // A table of 128 floats held in eight registers: two-register permutes look
  // up 32 entries each (index bits 0..4), bits 5 and 6 choose among the four.
  struct table128 {
    v t[8];
  };
  VECTOR_INLINE static table128 table_of(const float* table) {
    table128 r;
    for (int t = 0; t < 8; ++t) r.t[t] = _mm512_loadu_ps(table + 16 * t);
    return r;
  }
  VECTOR_INLINE static v lookup128(const table128& table, vi index) {
    const __mmask16 bit5 = _mm512_test_epi32_mask(index, _mm512_set1_epi32(32));
    const __mmask16 bit6 = _mm512_test_epi32_mask(index, _mm512_set1_epi32(64));
    const __m512 low =
        _mm512_mask_blend_ps(bit5, _mm512_permutex2var_ps(table.t[0], index, table.t[1]),
                             _mm512_permutex2var_ps(table.t[2], index, table.t[3]));
    const __m512 high =
        _mm512_mask_blend_ps(bit5, _mm512_permutex2var_ps(table.t[4], index, table.t[5]),
                             _mm512_permutex2var_ps(table.t[6], index, table.t[7]));
    return _mm512_mask_blend_ps(bit6, low, high);
  }
};

}  // namespace
