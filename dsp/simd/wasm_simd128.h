// vector unit: wasm_simd128 | wasm32 | -msimd128 | lanes 4 wasm_simd128_vectors | blocks wasm_simd128_vectors
#pragma once
// Four lanes on WebAssembly's 128-bit SIMD (no relaxed SIMD: its fused and
// implementation-defined operations could round differently on each
// browser). Every operation is the one the x86 policies perform, written
// with WebAssembly's deterministic instructions: min and max are the
// pseudo-minimum and pseudo-maximum with their operands swapped (a < b ? a
// : b), truncations go through the integer conversion so that -0.5 becomes
// +0 as on x86, and the table lookup reads its four lanes one by one (there
// is no gather). A module holding this unit needs a browser with SIMD; the
// page's modules always have it.

#include <wasm_simd128.h>

#include <cstdint>

#include "dsp/simd/policy.h"

namespace {

struct wasm_simd128_vectors {
  using v = v128_t;
  using vi = v128_t;  // the same register, read as four 32-bit integers
  static constexpr int W = 4;
  static constexpr int batch = 1;
  static constexpr bool has_int_mul = true;

  VECTOR_INLINE static v add(v a, v b) { return wasm_f32x4_add(a, b); }
  VECTOR_INLINE static v sub(v a, v b) { return wasm_f32x4_sub(a, b); }
  VECTOR_INLINE static v mul(v a, v b) { return wasm_f32x4_mul(a, b); }
  VECTOR_INLINE static v div(v a, v b) { return wasm_f32x4_div(a, b); }
  // pmin(x, y) is y < x ? y : x, pmax(x, y) is x < y ? y : x.
  VECTOR_INLINE static v min(v a, v b) { return wasm_f32x4_pmin(b, a); }
  VECTOR_INLINE static v max(v a, v b) { return wasm_f32x4_pmax(b, a); }
  VECTOR_INLINE static v splat(float x) { return wasm_f32x4_splat(x); }
  template <class F>
  VECTOR_INLINE static v make(F f) {
    return wasm_f32x4_make(f(0), f(1), f(2), f(3));
  }
  VECTOR_INLINE static v load(const float* p) { return wasm_v128_load(p); }
  VECTOR_INLINE static void store(float* p, v x) { wasm_v128_store(p, x); }
  VECTOR_INLINE static v load_strided(const float* p, int stride) {
    return wasm_f32x4_make(p[0], p[stride], p[2 * stride], p[3 * stride]);
  }

  VECTOR_INLINE static v and_(v a, v b) { return wasm_v128_and(a, b); }
  VECTOR_INLINE static v or_(v a, v b) { return wasm_v128_or(a, b); }
  VECTOR_INLINE static v andnot(v a, v b) { return wasm_v128_andnot(b, a); }  // b without a
  VECTOR_INLINE static v xor_(v a, v b) { return wasm_v128_xor(a, b); }
  VECTOR_INLINE static v abs_mask() { return wasm_i32x4_splat(0x7FFFFFFF); }
  VECTOR_INLINE static v abs_(v x) { return wasm_v128_and(x, abs_mask()); }

  VECTOR_INLINE static v lt(v a, v b) { return wasm_f32x4_lt(a, b); }
  VECTOR_INLINE static v le(v a, v b) { return wasm_f32x4_le(a, b); }
  VECTOR_INLINE static v gt(v a, v b) { return wasm_f32x4_gt(a, b); }
  VECTOR_INLINE static v ge(v a, v b) { return wasm_f32x4_ge(a, b); }
  VECTOR_INLINE static v ord(v a, v b) {
    return wasm_v128_and(wasm_f32x4_eq(a, a), wasm_f32x4_eq(b, b));
  }
  VECTOR_INLINE static v unord(v a, v b) { return wasm_v128_not(ord(a, b)); }
  // Any lane with its sign bit set (as a comparison's mask has).
  VECTOR_INLINE static bool any(v mask) { return wasm_i32x4_bitmask(mask) != 0; }

  // a where the mask's bits are set, else b (a mask from a comparison).
  VECTOR_INLINE static v select(v mask, v a, v b) { return wasm_v128_bitselect(a, b, mask); }
  template <int M>
  VECTOR_INLINE static v blend(v a, v b) {
    return wasm_i32x4_shuffle(a, b, M & 1 ? 4 : 0, M & 2 ? 5 : 1, M & 4 ? 6 : 2, M & 8 ? 7 : 3);
  }

  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  // Through the integers, not f32x4.trunc: that keeps the sign of a zero
  // result (-0.5 to -0), the conversion gives +0 as the other policies do.
  VECTOR_INLINE static v round_toward_zero(v x) {
    const v small = wasm_f32x4_lt(abs_(x), wasm_f32x4_splat(8388608.0f));
    const v t = wasm_f32x4_convert_i32x4(wasm_i32x4_trunc_sat_f32x4(wasm_v128_and(x, small)));
    return wasm_v128_bitselect(t, x, small);
  }
  // floor(t): the truncation, less 1 where that lies above t.
  VECTOR_INLINE static v floor_small(v t) {
    const v nf = wasm_f32x4_convert_i32x4(wasm_i32x4_trunc_sat_f32x4(t));
    return wasm_f32x4_sub(nf, wasm_v128_and(wasm_f32x4_lt(t, nf), wasm_f32x4_splat(1.0f)));
  }
  // n + 127 in the exponent field, zero mantissa (n = -127 gives 0).
  VECTOR_INLINE static v pow2(v n) {
    const v k = wasm_i32x4_add(wasm_i32x4_trunc_sat_f32x4(n), wasm_i32x4_splat(127));
    return wasm_i32x4_shl(k, 23);
  }

  // Lanes 0-1 copied into lanes 2-3.
  VECTOR_INLINE static v pairs_up(v x) { return wasm_i32x4_shuffle(x, x, 0, 1, 0, 1); }
  VECTOR_INLINE static void transpose(v x[4]) {
    const v t0 = wasm_i32x4_shuffle(x[0], x[1], 0, 4, 1, 5);
    const v t1 = wasm_i32x4_shuffle(x[0], x[1], 2, 6, 3, 7);
    const v t2 = wasm_i32x4_shuffle(x[2], x[3], 0, 4, 1, 5);
    const v t3 = wasm_i32x4_shuffle(x[2], x[3], 2, 6, 3, 7);
    x[0] = wasm_i32x4_shuffle(t0, t2, 0, 1, 4, 5);
    x[1] = wasm_i32x4_shuffle(t0, t2, 2, 3, 6, 7);
    x[2] = wasm_i32x4_shuffle(t1, t3, 0, 1, 4, 5);
    x[3] = wasm_i32x4_shuffle(t1, t3, 2, 3, 6, 7);
  }
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
    store(p, wasm_i32x4_shuffle(a, b, 0, 4, 1, 5));
    store(p + 4, wasm_i32x4_shuffle(a, b, 2, 6, 3, 7));
  }
  // Frame j of the channel vectors (lane j) to p[j stride ..].
  VECTOR_INLINE static void store_frames2(float* p, int stride, v a, v b) {
    const v lo = wasm_i32x4_shuffle(a, b, 0, 4, 1, 5), hi = wasm_i32x4_shuffle(a, b, 2, 6, 3, 7);
    wasm_v128_store64_lane(p, lo, 0);
    wasm_v128_store64_lane(p + stride, lo, 1);
    wasm_v128_store64_lane(p + 2 * stride, hi, 0);
    wasm_v128_store64_lane(p + 3 * stride, hi, 1);
  }
  VECTOR_INLINE static void store_frames4(float* p, int stride, v a, v b, v c, v d) {
    v x[4] = {a, b, c, d};
    transpose(x);
    for (int j = 0; j < 4; ++j) store(p + j * stride, x[j]);
  }

  // Integer lanes (32-bit, wrapping).
  VECTOR_INLINE static vi splat_i(uint32_t x) { return wasm_u32x4_splat(x); }
  VECTOR_INLINE static vi load_i(const uint32_t* p) { return wasm_v128_load(p); }
  VECTOR_INLINE static vi mullo(vi a, vi b) { return wasm_i32x4_mul(a, b); }
  VECTOR_INLINE static vi add_i(vi a, vi b) { return wasm_i32x4_add(a, b); }
  VECTOR_INLINE static vi and_i(vi a, vi b) { return wasm_v128_and(a, b); }
  VECTOR_INLINE static vi or_i(vi a, vi b) { return wasm_v128_or(a, b); }
  template <int N>
  VECTOR_INLINE static vi srli(vi a) {
    return wasm_u32x4_shr(a, N);
  }
  template <int N>
  VECTOR_INLINE static vi slli(vi a) {
    return wasm_i32x4_shl(a, N);
  }
  VECTOR_INLINE static vi reverse4(vi a) { return wasm_i32x4_shuffle(a, a, 3, 2, 1, 0); }
  // Each lane read as a signed integer.
  VECTOR_INLINE static v to_float(vi a) { return wasm_f32x4_convert_i32x4(a); }
  VECTOR_INLINE static v as_float(vi a) { return a; }
  VECTOR_INLINE static vi as_int(v a) { return a; }
  using table128 = const float*;
  VECTOR_INLINE static table128 table_of(const float* table) { return table; }
  VECTOR_INLINE static v lookup128(table128 table, vi index) {
    return wasm_f32x4_make(table[wasm_u32x4_extract_lane(index, 0)],
                           table[wasm_u32x4_extract_lane(index, 1)],
                           table[wasm_u32x4_extract_lane(index, 2)],
                           table[wasm_u32x4_extract_lane(index, 3)]);
  }

  using narrow = wasm_simd128_vectors;
};

}  // namespace
