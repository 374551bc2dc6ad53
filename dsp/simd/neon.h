// vector unit: neon | aarch64 | | lanes 4 neon_vectors | blocks neon_vectors
#pragma once
// Four-lane vectors on NEON (Advanced SIMD), which every 64-bit ARM processor
// has: the baseline vectors of AArch64. Each operation keeps the semantics
// the other policies share, which are not always NEON's own: min and max
// return the second operand where the comparison fails (NEON's fmin and fmax
// return NaN and order the zeros), truncation goes through the integer
// conversion (frintz would keep the sign of a negative fraction's zero), and
// multiplies and adds stay separate instructions (the project builds with
// -ffp-contract=off; a fused multiply-add rounds once where the scalar code
// rounds twice). On AArch64 the vector unit honours the same flush-to-zero
// bit of FPCR as the scalar one, so denormals are treated alike.

#include <arm_neon.h>

#include <cstdint>

#include "dsp/simd/policy.h"

namespace {

struct neon_vectors {
  using v = float32x4_t;
  using vi = uint32x4_t;
  static constexpr int W = 4;
  static constexpr int batch = 1;  // vectors the block kernels step together
  static constexpr bool has_int_mul = true;

  VECTOR_INLINE static v add(v a, v b) { return vaddq_f32(a, b); }
  VECTOR_INLINE static v sub(v a, v b) { return vsubq_f32(a, b); }
  VECTOR_INLINE static v mul(v a, v b) { return vmulq_f32(a, b); }
  VECTOR_INLINE static v div(v a, v b) { return vdivq_f32(a, b); }
  VECTOR_INLINE static v min(v a, v b) { return vbslq_f32(vcltq_f32(a, b), a, b); }
  VECTOR_INLINE static v max(v a, v b) { return vbslq_f32(vcgtq_f32(a, b), a, b); }
  VECTOR_INLINE static v splat(float x) { return vdupq_n_f32(x); }
  template <class F>
  VECTOR_INLINE static v make(F f) {
    const float lanes[4] = {f(0), f(1), f(2), f(3)};
    return vld1q_f32(lanes);
  }
  VECTOR_INLINE static v load(const float* p) { return vld1q_f32(p); }
  VECTOR_INLINE static void store(float* p, v x) { vst1q_f32(p, x); }
  VECTOR_INLINE static v load_strided(const float* p, int stride) {
    return make([&](int k) { return p[k * stride]; });
  }

  VECTOR_INLINE static vi bits(v x) { return vreinterpretq_u32_f32(x); }
  VECTOR_INLINE static v floats(vi x) { return vreinterpretq_f32_u32(x); }
  VECTOR_INLINE static v and_(v a, v b) { return floats(vandq_u32(bits(a), bits(b))); }
  VECTOR_INLINE static v or_(v a, v b) { return floats(vorrq_u32(bits(a), bits(b))); }
  VECTOR_INLINE static v andnot(v a, v b) { return floats(vbicq_u32(bits(b), bits(a))); }  // b without a
  VECTOR_INLINE static v xor_(v a, v b) { return floats(veorq_u32(bits(a), bits(b))); }
  VECTOR_INLINE static v abs_mask() { return floats(vdupq_n_u32(0x7FFFFFFFu)); }
  VECTOR_INLINE static v abs_(v x) { return and_(x, abs_mask()); }

  VECTOR_INLINE static v lt(v a, v b) { return floats(vcltq_f32(a, b)); }
  VECTOR_INLINE static v le(v a, v b) { return floats(vcleq_f32(a, b)); }
  VECTOR_INLINE static v gt(v a, v b) { return floats(vcgtq_f32(a, b)); }
  VECTOR_INLINE static v ge(v a, v b) { return floats(vcgeq_f32(a, b)); }
  VECTOR_INLINE static v ord(v a, v b) {
    return floats(vandq_u32(vceqq_f32(a, a), vceqq_f32(b, b)));
  }
  VECTOR_INLINE static v unord(v a, v b) { return floats(vmvnq_u32(bits(ord(a, b)))); }
  // Any lane with its sign bit set (as a comparison's mask has).
  VECTOR_INLINE static bool any(v mask) { return (vmaxvq_u32(bits(mask)) >> 31) != 0; }

  // a where the mask's lane is set, else b (bit by bit, as and/andnot/or).
  VECTOR_INLINE static v select(v mask, v a, v b) { return vbslq_f32(bits(mask), a, b); }
  template <int M>
  VECTOR_INLINE static v blend(v a, v b) {
    const vi m = {M & 1 ? ~0u : 0u, M & 2 ? ~0u : 0u, M & 4 ? ~0u : 0u, M & 8 ? ~0u : 0u};
    return vbslq_f32(m, b, a);
  }

  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  VECTOR_INLINE static v round_toward_zero(v x) {
    const v small = lt(abs_(x), splat(8388608.0f));
    const v t = vcvtq_f32_s32(vcvtq_s32_f32(and_(x, small)));
    return select(small, t, x);
  }
  // floor(t): the truncation, less 1 where that lies above t.
  VECTOR_INLINE static v floor_small(v t) {
    const v nf = vcvtq_f32_s32(vcvtq_s32_f32(t));
    return vsubq_f32(nf, and_(lt(t, nf), splat(1.0f)));
  }
  // n + 127 in the exponent field, zero mantissa (n = -127 gives 0).
  VECTOR_INLINE static v pow2(v n) {
    const int32x4_t k = vaddq_s32(vcvtq_s32_f32(n), vdupq_n_s32(127));
    return vreinterpretq_f32_s32(vshlq_n_s32(k, 23));
  }

  // Lanes 0-1 copied into lanes 2-3.
  VECTOR_INLINE static v pairs_up(v x) { return vcombine_f32(vget_low_f32(x), vget_low_f32(x)); }
  VECTOR_INLINE static void transpose(v x[4]) {
    const float32x4x2_t ab = vtrnq_f32(x[0], x[1]);  // a0 b0 a2 b2 | a1 b1 a3 b3
    const float32x4x2_t cd = vtrnq_f32(x[2], x[3]);  // c0 d0 c2 d2 | c1 d1 c3 d3
    x[0] = vcombine_f32(vget_low_f32(ab.val[0]), vget_low_f32(cd.val[0]));
    x[1] = vcombine_f32(vget_low_f32(ab.val[1]), vget_low_f32(cd.val[1]));
    x[2] = vcombine_f32(vget_high_f32(ab.val[0]), vget_high_f32(cd.val[0]));
    x[3] = vcombine_f32(vget_high_f32(ab.val[1]), vget_high_f32(cd.val[1]));
  }
  VECTOR_INLINE static void store_transposed(float* const* rows, int i, v x[4]) {
    transpose(x);
    for (int k = 3; k >= 0; --k) store(rows[k] + i, x[k]);
  }
  VECTOR_INLINE static void load_transposed(float* const* rows, int i, v x[4]) {
    for (int k = 0; k < 4; ++k) x[k] = load(rows[k] + i);
    transpose(x);
  }

  // a0 b0 a1 b1 a2 b2 a3 b3.
  VECTOR_INLINE static void store_interleaved2(float* p, v a, v b) {
    vst2q_f32(p, (float32x4x2_t{{a, b}}));
  }
  // Frame j of the channel vectors (lane j) to p[j stride ..].
  VECTOR_INLINE static void store_frames2(float* p, int stride, v a, v b) {
    const float32x4x2_t z = vzipq_f32(a, b);  // a0 b0 a1 b1 | a2 b2 a3 b3
    vst1_f32(p, vget_low_f32(z.val[0]));
    vst1_f32(p + stride, vget_high_f32(z.val[0]));
    vst1_f32(p + 2 * stride, vget_low_f32(z.val[1]));
    vst1_f32(p + 3 * stride, vget_high_f32(z.val[1]));
  }
  VECTOR_INLINE static void store_frames4(float* p, int stride, v a, v b, v c, v d) {
    v x[4] = {a, b, c, d};
    transpose(x);
    for (int k = 0; k < 4; ++k) store(p + k * stride, x[k]);
  }

  // Integer lanes (32-bit, wrapping).
  VECTOR_INLINE static vi splat_i(uint32_t x) { return vdupq_n_u32(x); }
  VECTOR_INLINE static vi load_i(const uint32_t* p) { return vld1q_u32(p); }
  VECTOR_INLINE static vi mullo(vi a, vi b) { return vmulq_u32(a, b); }
  VECTOR_INLINE static vi add_i(vi a, vi b) { return vaddq_u32(a, b); }
  VECTOR_INLINE static vi and_i(vi a, vi b) { return vandq_u32(a, b); }
  VECTOR_INLINE static vi or_i(vi a, vi b) { return vorrq_u32(a, b); }
  template <int N>
  VECTOR_INLINE static vi srli(vi a) {
    return vshrq_n_u32(a, N);
  }
  template <int N>
  VECTOR_INLINE static vi slli(vi a) {
    return vshlq_n_u32(a, N);
  }
  VECTOR_INLINE static vi reverse4(vi a) {
    const vi pairs = vrev64q_u32(a);  // a1 a0 a3 a2
    return vextq_u32(pairs, pairs, 2);
  }
  // Each lane read as a signed integer.
  VECTOR_INLINE static v to_float(vi a) { return vcvtq_f32_s32(vreinterpretq_s32_u32(a)); }
  VECTOR_INLINE static v as_float(vi a) { return floats(a); }
  VECTOR_INLINE static vi as_int(v a) { return bits(a); }
  // No gather: the four entries read one by one.
  using table128 = const float*;
  VECTOR_INLINE static table128 table_of(const float* table) { return table; }
  VECTOR_INLINE static v lookup128(table128 table, vi index) {
    uint32_t at[4];
    vst1q_u32(at, index);
    return make([&](int k) { return table[at[k]]; });
  }

  using narrow = neon_vectors;
};

}  // namespace
