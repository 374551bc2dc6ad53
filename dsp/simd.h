#pragma once
// Four-lane float vectors for the block operations: SSE2 on x86-64 (every
// x86-64 processor has it), plain arrays elsewhere. Every operation is the
// lane-wise IEEE single-precision operation, so a vector loop gives exactly
// the results of the element-wise definition.

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace simd {

#if defined(__SSE2__)

struct f4 {
  __m128 v;
};
struct i4 {
  __m128i v;
};

inline f4 load(const float* p) { return {_mm_loadu_ps(p)}; }
inline void store(float* p, f4 a) { _mm_storeu_ps(p, a.v); }
inline f4 splat(float x) { return {_mm_set1_ps(x)}; }
inline f4 operator+(f4 a, f4 b) { return {_mm_add_ps(a.v, b.v)}; }
inline f4 operator-(f4 a, f4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline f4 operator*(f4 a, f4 b) { return {_mm_mul_ps(a.v, b.v)}; }
// a < b ? a : b and a > b ? a : b, lane by lane (b where a is NaN).
inline f4 min_of(f4 a, f4 b) { return {_mm_min_ps(a.v, b.v)}; }
inline f4 max_of(f4 a, f4 b) { return {_mm_max_ps(a.v, b.v)}; }
inline f4 abs_of(f4 a) { return {_mm_and_ps(a.v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)))}; }
// All bits set in the lanes where a < b, else 0.
inline f4 less_mask(f4 a, f4 b) { return {_mm_cmplt_ps(a.v, b.v)}; }
inline f4 and_of(f4 a, f4 b) { return {_mm_and_ps(a.v, b.v)}; }
// a where the mask is set, else b.
inline f4 select(f4 mask, f4 a, f4 b) {
  return {_mm_or_ps(_mm_and_ps(mask.v, a.v), _mm_andnot_ps(mask.v, b.v))};
}
// Truncation toward zero of lanes within the 32-bit range.
inline i4 truncate(f4 a) { return {_mm_cvttps_epi32(a.v)}; }
inline f4 to_float(i4 a) { return {_mm_cvtepi32_ps(a.v)}; }
inline i4 add(i4 a, int32_t k) { return {_mm_add_epi32(a.v, _mm_set1_epi32(k))}; }
inline i4 shift_left(i4 a, int n) { return {_mm_sll_epi32(a.v, _mm_cvtsi32_si128(n))}; }
inline f4 as_float(i4 a) { return {_mm_castsi128_ps(a.v)}; }
// Four values as one vector, built in registers.
inline f4 make(float a, float b, float c, float d) { return {_mm_setr_ps(a, b, c, d)}; }
// Four floats `stride` apart, built in registers (no store-forwarding stall).
inline f4 load_strided(const float* p, int stride) {
  return {_mm_set_ps(p[3 * stride], p[2 * stride], p[stride], p[0])};
}
// Two vectors of consecutive frames as interleaved pairs: (a0 b0 a1 b1) to
// p[0..3] and (a2 b2 a3 b3) to p[4..7].
inline void store_interleaved2(float* p, f4 a, f4 b) {
  _mm_storeu_ps(p, _mm_unpacklo_ps(a.v, b.v));
  _mm_storeu_ps(p + 4, _mm_unpackhi_ps(a.v, b.v));
}
// Four frames of `stride` floats from channel vectors (lane j = frame j):
// a pair of channels to p[j stride], p[j stride + 1]; four channels to
// p[j stride .. j stride + 3] (a 4 x 4 transpose, one store per frame).
inline void store_frames2(float* p, int stride, f4 a, f4 b) {
  const __m128 lo = _mm_unpacklo_ps(a.v, b.v), hi = _mm_unpackhi_ps(a.v, b.v);
  _mm_storel_pi(reinterpret_cast<__m64*>(p), lo);
  _mm_storeh_pi(reinterpret_cast<__m64*>(p + stride), lo);
  _mm_storel_pi(reinterpret_cast<__m64*>(p + 2 * stride), hi);
  _mm_storeh_pi(reinterpret_cast<__m64*>(p + 3 * stride), hi);
}
inline void store_frames4(float* p, int stride, f4 a, f4 b, f4 c, f4 d) {
  _MM_TRANSPOSE4_PS(a.v, b.v, c.v, d.v);
  _mm_storeu_ps(p, a.v);
  _mm_storeu_ps(p + stride, b.v);
  _mm_storeu_ps(p + 2 * stride, c.v);
  _mm_storeu_ps(p + 3 * stride, d.v);
}

#else

struct f4 {
  float v[4];
};
struct i4 {
  int32_t v[4];
};

inline f4 load(const float* p) {
  f4 r;
  std::memcpy(r.v, p, sizeof r.v);
  return r;
}
inline void store(float* p, f4 a) { std::memcpy(p, a.v, sizeof a.v); }
inline f4 splat(float x) { return {{x, x, x, x}}; }
#define SIMD_LANEWISE(expr)            \
  f4 r;                                \
  for (int i = 0; i < 4; ++i) r.v[i] = expr; \
  return r
inline f4 operator+(f4 a, f4 b) { SIMD_LANEWISE(a.v[i] + b.v[i]); }
inline f4 operator-(f4 a, f4 b) { SIMD_LANEWISE(a.v[i] - b.v[i]); }
inline f4 operator*(f4 a, f4 b) { SIMD_LANEWISE(a.v[i] * b.v[i]); }
inline f4 min_of(f4 a, f4 b) { SIMD_LANEWISE(a.v[i] < b.v[i] ? a.v[i] : b.v[i]); }
inline f4 max_of(f4 a, f4 b) { SIMD_LANEWISE(a.v[i] > b.v[i] ? a.v[i] : b.v[i]); }
inline f4 abs_of(f4 a) {
  f4 r;
  for (int i = 0; i < 4; ++i) {
    uint32_t b;
    std::memcpy(&b, &a.v[i], 4);
    b &= 0x7FFFFFFFu;
    std::memcpy(&r.v[i], &b, 4);
  }
  return r;
}
inline f4 less_mask(f4 a, f4 b) {
  f4 r;
  for (int i = 0; i < 4; ++i) {
    const uint32_t m = a.v[i] < b.v[i] ? 0xFFFFFFFFu : 0u;
    std::memcpy(&r.v[i], &m, 4);
  }
  return r;
}
inline f4 select(f4 mask, f4 a, f4 b) {
  f4 r;
  for (int i = 0; i < 4; ++i) {
    uint32_t m;
    std::memcpy(&m, &mask.v[i], 4);
    r.v[i] = m ? a.v[i] : b.v[i];
  }
  return r;
}
inline f4 and_of(f4 a, f4 b) {
  f4 r;
  for (int i = 0; i < 4; ++i) {
    uint32_t x, y;
    std::memcpy(&x, &a.v[i], 4);
    std::memcpy(&y, &b.v[i], 4);
    x &= y;
    std::memcpy(&r.v[i], &x, 4);
  }
  return r;
}
inline i4 truncate(f4 a) {
  i4 r;
  for (int i = 0; i < 4; ++i) r.v[i] = static_cast<int32_t>(a.v[i]);
  return r;
}
inline f4 to_float(i4 a) { SIMD_LANEWISE(static_cast<float>(a.v[i])); }
inline i4 add(i4 a, int32_t k) {
  for (int i = 0; i < 4; ++i) a.v[i] += k;
  return a;
}
inline i4 shift_left(i4 a, int n) {
  for (int i = 0; i < 4; ++i) a.v[i] = static_cast<int32_t>(static_cast<uint32_t>(a.v[i]) << n);
  return a;
}
inline f4 as_float(i4 a) {
  f4 r;
  std::memcpy(r.v, a.v, sizeof r.v);
  return r;
}
inline f4 make(float a, float b, float c, float d) { return {{a, b, c, d}}; }
inline f4 load_strided(const float* p, int stride) {
  return {{p[0], p[stride], p[2 * stride], p[3 * stride]}};
}
inline void store_interleaved2(float* p, f4 a, f4 b) {
  for (int i = 0; i < 4; ++i) {
    p[2 * i] = a.v[i];
    p[2 * i + 1] = b.v[i];
  }
}
inline void store_frames2(float* p, int stride, f4 a, f4 b) {
  for (int i = 0; i < 4; ++i) {
    p[i * stride] = a.v[i];
    p[i * stride + 1] = b.v[i];
  }
}
inline void store_frames4(float* p, int stride, f4 a, f4 b, f4 c, f4 d) {
  for (int i = 0; i < 4; ++i) {
    p[i * stride] = a.v[i];
    p[i * stride + 1] = b.v[i];
    p[i * stride + 2] = c.v[i];
    p[i * stride + 3] = d.v[i];
  }
}
#undef SIMD_LANEWISE

#endif

}  // namespace simd
