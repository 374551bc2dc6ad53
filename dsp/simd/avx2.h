// vector unit: avx2 | x86_64 | -mavx2 -mno-fma | | blocks avx2_vectors
#pragma once
// AVX2: the eight float lanes of AVX plus eight integer lanes, which the
// noise generators and the exponential's 2^n use. The lane kernels have no
// integer work: the AVX2 level runs the AVX unit's.

#include <cstdint>

#include "dsp/simd/avx.h"

namespace {

struct avx2_vectors : avx_vectors {
  using vi = __m256i;
  static constexpr bool has_int_mul = true;

  VECTOR_INLINE static v pow2(v n) {
    const __m256i k = _mm256_cvttps_epi32(n);
    return _mm256_castsi256_ps(_mm256_slli_epi32(_mm256_add_epi32(k, _mm256_set1_epi32(127)), 23));
  }

  VECTOR_INLINE static vi splat_i(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
  VECTOR_INLINE static vi load_i(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  VECTOR_INLINE static vi mullo(vi a, vi b) { return _mm256_mullo_epi32(a, b); }
  VECTOR_INLINE static vi add_i(vi a, vi b) { return _mm256_add_epi32(a, b); }
  VECTOR_INLINE static vi and_i(vi a, vi b) { return _mm256_and_si256(a, b); }
  VECTOR_INLINE static vi or_i(vi a, vi b) { return _mm256_or_si256(a, b); }
  template <int N>
  VECTOR_INLINE static vi srli(vi a) {
    return _mm256_srli_epi32(a, N);
  }
  template <int N>
  VECTOR_INLINE static vi slli(vi a) {
    return _mm256_slli_epi32(a, N);
  }
  VECTOR_INLINE static vi reverse4(vi a) { return _mm256_shuffle_epi32(a, 0x1B); }
  VECTOR_INLINE static v to_float(vi a) { return _mm256_cvtepi32_ps(a); }
  VECTOR_INLINE static v as_float(vi a) { return _mm256_castsi256_ps(a); }
  VECTOR_INLINE static vi as_int(v a) { return _mm256_castps_si256(a); }
  using table128 = const float*;
  VECTOR_INLINE static table128 table_of(const float* table) { return table; }
  VECTOR_INLINE static v lookup128(table128 table, vi index) {
    return _mm256_i32gather_ps(table, index, 4);
  }
};

}  // namespace
