// The baseline vector policy (SSE2 on x86-64, NEON on 64-bit ARM; on
// WebAssembly its SIMD policy, which this unit is built for there) against
// the portable one, lane
// by lane, on values that tell the semantics apart: NaN, signed zeros,
// infinities, the edges of the ranges an operation is defined on. The
// kernels give the same bits at every level only if every policy gives the
// same bits for every operation they use.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <type_traits>
#include <vector>

#include "dsp/simd/baseline.h"
#include "dsp/simd/portable.h"
#if defined(__wasm_simd128__)
#include "dsp/simd/wasm_simd128.h"
#endif
#include "dsp_test_util.h"

namespace {

using P = portable_vectors;
#if defined(__wasm_simd128__)
using B = wasm_simd128_vectors;
#else
using B = base_vectors;
#endif

constexpr float INF = std::numeric_limits<float>::infinity();

// Values in fours: specials, then a spread of random ones.
std::vector<float> values() {
  std::vector<float> v = {0.0f,  -0.0f, 1.0f,  -1.0f, INF,      -INF,     NAN,   -NAN,
                          0.5f,  -0.5f, 1.5f,  -2.5f, 8388607.0f, 8388608.0f, -8388609.0f, 3e38f,
                          1e-40f, -1e-40f, 1.17549435e-38f, 6.2831855f, -3.1415927f, 3.1415927f, 127.9f, -127.9f};
  dsp_test::test_noise rnd(31u);
  for (int i = 0; i < 64; ++i) v.push_back(200.0f * rnd());
  return v;
}

template <class V>
void put(float* out, typename V::v x) {
  V::store(out, x);
}

// Both policies' results of f on a and b, lane by lane, bit for bit.
template <class F>
void expect_same(const char* what, F f) {
  const std::vector<float> v = values();
  for (size_t i = 0; i + 4 <= v.size(); i += 4)
    for (size_t j = 0; j + 4 <= v.size(); j += 4) {
      float p[4], b[4];
      put<P>(p, f(P{}, P::load(&v[i]), P::load(&v[j])));
      put<B>(b, f(B{}, B::load(&v[i]), B::load(&v[j])));
      for (int k = 0; k < 4; ++k)
        ASSERT_EQ(dsp_test::bits_of(p[k]), dsp_test::bits_of(b[k]))
            << what << " of " << v[i + k] << " and " << v[j + k];
    }
}

bool baseline_is_portable() { return std::is_same_v<P, B>; }

}  // namespace

// Arithmetic, min and max (the second operand where the comparison fails),
// and bit operations.
TEST(VectorPolicies, ArithmeticAndBitsMatchTheBaseline) {
  if (baseline_is_portable()) GTEST_SKIP() << "the baseline is the portable policy";
  expect_same("add", [](auto V, auto a, auto b) { return decltype(V)::add(a, b); });
  expect_same("sub", [](auto V, auto a, auto b) { return decltype(V)::sub(a, b); });
  expect_same("mul", [](auto V, auto a, auto b) { return decltype(V)::mul(a, b); });
  expect_same("div", [](auto V, auto a, auto b) { return decltype(V)::div(a, b); });
  expect_same("min", [](auto V, auto a, auto b) { return decltype(V)::min(a, b); });
  expect_same("max", [](auto V, auto a, auto b) { return decltype(V)::max(a, b); });
  expect_same("and", [](auto V, auto a, auto b) { return decltype(V)::and_(a, b); });
  expect_same("or", [](auto V, auto a, auto b) { return decltype(V)::or_(a, b); });
  expect_same("andnot", [](auto V, auto a, auto b) { return decltype(V)::andnot(a, b); });
  expect_same("xor", [](auto V, auto a, auto b) { return decltype(V)::xor_(a, b); });
  expect_same("abs", [](auto V, auto a, auto) { return decltype(V)::abs_(a); });
}

// Comparisons give all-ones masks (NaN compares false, unordered true), and
// the selects and blends built on them pick whole lanes.
TEST(VectorPolicies, ComparisonsAndSelectsMatchTheBaseline) {
  if (baseline_is_portable()) GTEST_SKIP() << "the baseline is the portable policy";
  expect_same("lt", [](auto V, auto a, auto b) { return decltype(V)::lt(a, b); });
  expect_same("le", [](auto V, auto a, auto b) { return decltype(V)::le(a, b); });
  expect_same("gt", [](auto V, auto a, auto b) { return decltype(V)::gt(a, b); });
  expect_same("ge", [](auto V, auto a, auto b) { return decltype(V)::ge(a, b); });
  expect_same("unord", [](auto V, auto a, auto b) { return decltype(V)::unord(a, b); });
  expect_same("ord", [](auto V, auto a, auto b) { return decltype(V)::ord(a, b); });
  expect_same("select", [](auto V, auto a, auto b) {
    using X = decltype(V);
    return X::select(X::lt(a, b), a, b);
  });
  expect_same("blend", [](auto V, auto a, auto b) { return decltype(V)::template blend<5>(a, b); });
  expect_same("any", [](auto V, auto a, auto b) {
    using X = decltype(V);
    return X::splat(X::any(X::lt(a, b)) ? 1.0f : 0.0f);
  });
  expect_same("pairs_up", [](auto V, auto a, auto) { return decltype(V)::pairs_up(a); });
}

// Rounding toward zero for any float (NaN, infinities and values from 2^23
// on kept), floor within |t| < 2^23 away from -0, and 2^n for whole n from
// -127 to 128 as the exponential takes them.
TEST(VectorPolicies, RoundingMatchesTheBaseline) {
  if (baseline_is_portable()) GTEST_SKIP() << "the baseline is the portable policy";
  expect_same("round_toward_zero",
              [](auto V, auto a, auto) { return decltype(V)::round_toward_zero(a); });
  expect_same("floor_small", [](auto V, auto a, auto) {
    using X = decltype(V);
    // Onto [-128, 128), +0 for -0 (the exponential's t is never -0).
    const auto t = X::min(X::max(a, X::splat(-128.0f)), X::splat(127.99f));
    return X::floor_small(X::add(t, X::splat(0.0f)));
  });
  expect_same("pow2", [](auto V, auto a, auto) {
    using X = decltype(V);
    const auto n = X::floor_small(X::min(X::max(X::abs_(a), X::splat(0.0f)), X::splat(127.0f)));
    return X::mul(X::pow2(n), X::pow2(X::sub(X::splat(0.0f), n)));
  });
}

// The data movements: transposes, interleaved and strided frames.
TEST(VectorPolicies, DataMovementsMatchTheBaseline) {
  if (baseline_is_portable()) GTEST_SKIP() << "the baseline is the portable policy";
  const std::vector<float> v = values();
  auto run = [&](auto V, float* out) {
    using X = decltype(V);
    typename X::v x[4];
    for (int k = 0; k < 4; ++k) x[k] = X::load(&v[4 * k]);
    X::transpose(x);
    for (int k = 0; k < 4; ++k) X::store(out + 4 * k, x[k]);
    float rows[4][8] = {};
    float* r[4] = {rows[0], rows[1], rows[2], rows[3]};
    X::store_transposed(r, 2, x);
    for (int k = 0; k < 4; ++k)
      for (int j = 0; j < 8; ++j) out[16 + 8 * k + j] = rows[k][j];
    X::load_transposed(r, 1, x);
    for (int k = 0; k < 4; ++k) X::store(out + 48 + 4 * k, x[k]);
    X::store_interleaved2(out + 64, X::load(&v[16]), X::load(&v[20]));
    X::store_frames2(out + 72, 3, X::load(&v[24]), X::load(&v[28]));
    X::store_frames4(out + 84, 5, x[0], x[1], x[2], x[3]);
    X::store(out + 104, X::load_strided(&v[32], 3));
  };
  float p[108] = {}, b[108] = {};
  run(P{}, p);
  run(B{}, b);
  for (int i = 0; i < 108; ++i) EXPECT_EQ(dsp_test::bits_of(p[i]), dsp_test::bits_of(b[i])) << i;
}

namespace {

// The integer operations' results on lanes a = v[i..i+3], b = v[j..j+3],
// each as four floats (the bits of integer results) at out.
template <class X>
void integer_results(const std::vector<uint32_t>& v, size_t i, size_t j, const float* table,
                     float* out) {
  const auto a = X::load_i(&v[i]), b = X::load_i(&v[j]);
  const auto index = X::and_i(a, X::splat_i(127u));
  const typename X::v results[] = {
      X::as_float(X::mullo(a, b)),
      X::as_float(X::add_i(X::mullo(a, X::splat_i(16807u)), b)),
      X::as_float(X::or_i(X::and_i(a, b), X::template slli<24>(X::and_i(b, X::splat_i(128u))))),
      X::as_float(X::template srli<8>(a)),
      X::as_float(X::reverse4(a)),
      X::to_float(a),
      X::to_float(X::template srli<8>(b)),
      X::as_float(X::as_int(X::as_float(b))),
      X::lookup128(X::table_of(table), index),
      X::lookup128(X::table_of(table), X::reverse4(index)),
  };
  for (size_t r = 0; r < std::size(results); ++r) X::store(out + 4 * r, results[r]);
}

template <class Base>
void expect_integer_lanes_same() {
  std::vector<uint32_t> v = {0u,          1u,     0x7FFFFFFFu, 0x80000000u,
                             0xFFFFFFFFu, 16807u, 0x01000001u, 0xFF000001u};
  dsp_test::test_noise rnd(47u);
  for (int i = 0; i < 56; ++i)
    v.push_back(dsp_test::bits_of(rnd()) * 2654435761u + static_cast<uint32_t>(i));
  float table[128];
  for (int k = 0; k < 128; ++k) table[k] = 0.25f + static_cast<float>(k) * 1.0078125f;
  for (size_t i = 0; i + 4 <= v.size(); i += 4)
    for (size_t j = 0; j + 4 <= v.size(); j += 4) {
      float p[40], b[40];
      integer_results<P>(v, i, j, table, p);
      integer_results<Base>(v, i, j, table, b);
      for (int k = 0; k < 40; ++k)
        ASSERT_EQ(dsp_test::bits_of(p[k]), dsp_test::bits_of(b[k]))
            << "result " << k / 4 << " lane " << k % 4 << " of " << v[i + k % 4] << " and "
            << v[j + k % 4];
    }
}

}  // namespace

// Integer lanes, where the baseline has them (the noise generators' draws):
// wrapping products and sums, bit operations and shifts, the reversal within
// four, conversion of each lane read as signed (both signs, the extremes,
// values that must round), and the table lookup at every index.
TEST(VectorPolicies, IntegerLanesMatchTheBaseline) {
  if constexpr (B::has_int_mul && !std::is_same_v<P, B>)
    expect_integer_lanes_same<B>();
  else
    GTEST_SKIP() << "the baseline has no integer lanes of its own";
}
