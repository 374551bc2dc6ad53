// vector unit: portable | any | | lanes 4 portable_vectors | blocks portable_vectors
#pragma once
// Four lanes of plain C++: the kernels on any processor, before a policy for
// its own vectors exists. Each operation is written lane by lane with the
// semantics of the x86 instruction the other policies use (min and max
// return the second operand where the first comparison fails, masks are all
// ones, conversions truncate), so the kernels give the same bits here as
// everywhere else. A compiler may vectorise these loops; it cannot change
// their results (no contraction, no fast-math).

#include <bit>
#include <cstdint>

#include "dsp/simd/policy.h"

namespace {

struct portable_vectors {
  struct v {
    float x[4];
  };
  struct vi {
    uint32_t x[4];
  };
  static constexpr int W = 4;
  static constexpr int batch = 1;
  static constexpr bool has_int_mul = true;

  template <class F>
  VECTOR_INLINE static v make(F f) {
    return {{f(0), f(1), f(2), f(3)}};
  }
  template <class F>
  VECTOR_INLINE static vi make_i(F f) {
    return {{f(0), f(1), f(2), f(3)}};
  }
  VECTOR_INLINE static uint32_t bits(float f) { return std::bit_cast<uint32_t>(f); }
  VECTOR_INLINE static float of_bits(uint32_t b) { return std::bit_cast<float>(b); }
  VECTOR_INLINE static float mask_of(bool on) { return of_bits(on ? 0xFFFFFFFFu : 0u); }

  VECTOR_INLINE static v add(v a, v b) { return make([&](int k) { return a.x[k] + b.x[k]; }); }
  VECTOR_INLINE static v sub(v a, v b) { return make([&](int k) { return a.x[k] - b.x[k]; }); }
  VECTOR_INLINE static v mul(v a, v b) { return make([&](int k) { return a.x[k] * b.x[k]; }); }
  VECTOR_INLINE static v div(v a, v b) { return make([&](int k) { return a.x[k] / b.x[k]; }); }
  VECTOR_INLINE static v min(v a, v b) {
    return make([&](int k) { return a.x[k] < b.x[k] ? a.x[k] : b.x[k]; });
  }
  VECTOR_INLINE static v max(v a, v b) {
    return make([&](int k) { return a.x[k] > b.x[k] ? a.x[k] : b.x[k]; });
  }
  VECTOR_INLINE static v splat(float x) { return {{x, x, x, x}}; }
  VECTOR_INLINE static v load(const float* p) { return make([&](int k) { return p[k]; }); }
  VECTOR_INLINE static void store(float* p, v x) {
    for (int k = 0; k < 4; ++k) p[k] = x.x[k];
  }
  VECTOR_INLINE static v load_strided(const float* p, int stride) {
    return make([&](int k) { return p[k * stride]; });
  }

  VECTOR_INLINE static v and_(v a, v b) {
    return make([&](int k) { return of_bits(bits(a.x[k]) & bits(b.x[k])); });
  }
  VECTOR_INLINE static v or_(v a, v b) {
    return make([&](int k) { return of_bits(bits(a.x[k]) | bits(b.x[k])); });
  }
  VECTOR_INLINE static v andnot(v a, v b) {  // b without a
    return make([&](int k) { return of_bits(~bits(a.x[k]) & bits(b.x[k])); });
  }
  VECTOR_INLINE static v xor_(v a, v b) {
    return make([&](int k) { return of_bits(bits(a.x[k]) ^ bits(b.x[k])); });
  }
  VECTOR_INLINE static v abs_mask() { return splat(of_bits(0x7FFFFFFFu)); }
  VECTOR_INLINE static v abs_(v x) { return and_(x, abs_mask()); }

  VECTOR_INLINE static v lt(v a, v b) { return make([&](int k) { return mask_of(a.x[k] < b.x[k]); }); }
  VECTOR_INLINE static v le(v a, v b) { return make([&](int k) { return mask_of(a.x[k] <= b.x[k]); }); }
  VECTOR_INLINE static v gt(v a, v b) { return make([&](int k) { return mask_of(a.x[k] > b.x[k]); }); }
  VECTOR_INLINE static v ge(v a, v b) { return make([&](int k) { return mask_of(a.x[k] >= b.x[k]); }); }
  VECTOR_INLINE static v unord(v a, v b) {
    return make([&](int k) { return mask_of(a.x[k] != a.x[k] || b.x[k] != b.x[k]); });
  }
  VECTOR_INLINE static v ord(v a, v b) {
    return make([&](int k) { return mask_of(a.x[k] == a.x[k] && b.x[k] == b.x[k]); });
  }
  // Any lane with its sign bit set (as a comparison's mask has).
  VECTOR_INLINE static bool any(v mask) {
    bool r = false;
    for (int k = 0; k < 4; ++k) r = r || (bits(mask.x[k]) >> 31) != 0;
    return r;
  }

  VECTOR_INLINE static v select(v mask, v a, v b) { return or_(and_(mask, a), andnot(mask, b)); }
  template <int M>
  VECTOR_INLINE static v blend(v a, v b) {
    return make([&](int k) { return (M >> k) & 1 ? b.x[k] : a.x[k]; });
  }

  // Truncation as the x86 conversion does it (within the 32-bit range).
  VECTOR_INLINE static float truncated(float x) {
    return static_cast<float>(static_cast<int32_t>(x));
  }
  VECTOR_INLINE static v round_toward_zero(v x) {
    return make([&](int k) {
      const float a = of_bits(bits(x.x[k]) & 0x7FFFFFFFu);
      return a < 8388608.0f ? truncated(x.x[k]) : x.x[k];
    });
  }
  VECTOR_INLINE static v floor_small(v t) {
    return make([&](int k) {
      const float nf = truncated(t.x[k]);
      return nf - (t.x[k] < nf ? 1.0f : 0.0f);
    });
  }
  VECTOR_INLINE static v pow2(v n) {
    return make([&](int k) {
      const uint32_t e = static_cast<uint32_t>(static_cast<int32_t>(n.x[k]) + 127);
      return of_bits(e << 23);
    });
  }

  VECTOR_INLINE static v pairs_up(v x) { return {{x.x[0], x.x[1], x.x[0], x.x[1]}}; }
  VECTOR_INLINE static void transpose(v x[4]) {
    v t[4];
    for (int j = 0; j < 4; ++j) t[j] = make([&](int k) { return x[k].x[j]; });
    for (int j = 0; j < 4; ++j) x[j] = t[j];
  }
  VECTOR_INLINE static void store_transposed(float* const* rows, int i, v x[4]) {
    for (int k = 3; k >= 0; --k)
      for (int j = 0; j < 4; ++j) rows[k][i + j] = x[j].x[k];
  }
  VECTOR_INLINE static void load_transposed(float* const* rows, int i, v x[4]) {
    for (int j = 0; j < 4; ++j) x[j] = make([&](int k) { return rows[k][i + j]; });
  }

  VECTOR_INLINE static void store_interleaved2(float* p, v a, v b) {
    for (int k = 0; k < 4; ++k) {
      p[2 * k] = a.x[k];
      p[2 * k + 1] = b.x[k];
    }
  }
  VECTOR_INLINE static void store_frames2(float* p, int stride, v a, v b) {
    for (int k = 0; k < 4; ++k) {
      p[k * stride] = a.x[k];
      p[k * stride + 1] = b.x[k];
    }
  }
  VECTOR_INLINE static void store_frames4(float* p, int stride, v a, v b, v c, v d) {
    for (int k = 0; k < 4; ++k) {
      p[k * stride] = a.x[k];
      p[k * stride + 1] = b.x[k];
      p[k * stride + 2] = c.x[k];
      p[k * stride + 3] = d.x[k];
    }
  }

  // Integer lanes (32-bit, wrapping).
  VECTOR_INLINE static vi splat_i(uint32_t x) { return {{x, x, x, x}}; }
  VECTOR_INLINE static vi load_i(const uint32_t* p) { return make_i([&](int k) { return p[k]; }); }
  VECTOR_INLINE static vi mullo(vi a, vi b) { return make_i([&](int k) { return a.x[k] * b.x[k]; }); }
  VECTOR_INLINE static vi add_i(vi a, vi b) { return make_i([&](int k) { return a.x[k] + b.x[k]; }); }
  VECTOR_INLINE static vi and_i(vi a, vi b) { return make_i([&](int k) { return a.x[k] & b.x[k]; }); }
  VECTOR_INLINE static vi or_i(vi a, vi b) { return make_i([&](int k) { return a.x[k] | b.x[k]; }); }
  template <int N>
  VECTOR_INLINE static vi srli(vi a) {
    return make_i([&](int k) { return a.x[k] >> N; });
  }
  template <int N>
  VECTOR_INLINE static vi slli(vi a) {
    return make_i([&](int k) { return a.x[k] << N; });
  }
  VECTOR_INLINE static vi reverse4(vi a) { return {{a.x[3], a.x[2], a.x[1], a.x[0]}}; }
  // Each lane read as a signed integer.
  VECTOR_INLINE static v to_float(vi a) {
    return make([&](int k) { return static_cast<float>(static_cast<int32_t>(a.x[k])); });
  }
  VECTOR_INLINE static v as_float(vi a) { return make([&](int k) { return of_bits(a.x[k]); }); }
  VECTOR_INLINE static vi as_int(v a) { return make_i([&](int k) { return bits(a.x[k]); }); }
  using table128 = const float*;
  VECTOR_INLINE static table128 table_of(const float* table) { return table; }
  VECTOR_INLINE static v lookup128(table128 table, vi index) {
    return make([&](int k) { return table[index.x[k]]; });
  }

  using narrow = portable_vectors;
};

}  // namespace
