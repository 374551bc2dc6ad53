#pragma once
// What a vector policy is. A policy is a struct of static functions over one
// vector type `v` of W float lanes, one per instruction set and width (the
// files beside this one). Every operation is the lane-wise IEEE
// single-precision operation, or a pure data movement, so a kernel written
// against a policy gives the same bits at every width and on every processor.
//
// Every policy provides:
//   arithmetic  add sub mul div min max (min/max: a < b ? a : b, a > b ? a : b)
//   building    splat(x), make(f) (lane k = f(k)), load(p), store(p, x)
//   bits        and_ or_ andnot(a, b) (b without a) xor_ abs_mask() abs_(x)
//   comparisons lt le gt ge unord ord (all bits set where true), any(mask)
//   choosing    select(mask, a, b), blend<M>(a, b) (lane k from b where bit k of M)
//   rounding    round_toward_zero(x) (any float), floor_small(t) (|t| < 2^23,
//               never -0), pow2(n) (2^n for whole n in -127..128)
//   lanes       pairs_up(x) (lanes 0-1 into 2-3 of each four),
//               transpose(x[W]), load_transposed(rows, i, x[W]) (x[j] lane k =
//               rows[k][i + j]), store_transposed(rows, i, x[W]) (the reverse,
//               rows stored from the last down to the first)
//   frames      store_interleaved2(p, a, b) (a0 b0 a1 b1 ...), store_frames2 and
//               store_frames4(p, stride, ...) (W frames of two or four channels)
//   narrow      the policy of four lanes on the same instruction set
// and where the instruction set has them:
//   integers    vi, has_int_mul: splat_i load_i mullo add_i and_i or_i
//               srli<N> slli<N> reverse4 (within each four) to_float as_float
//               as_int lookup128(table, index)
//   eight lanes swap_halves low_half high_half join replace_low
//               transpose4_halves, pair_* (two doubles)
//   masks       pick_outside(x, low, high, below, above), load_first(p, count)
//   half        (sixteen lanes) the eight-lane policy of the same instruction set
//
// Policies live in an anonymous namespace: a unit built for one instruction
// set never shares (and so never exchanges) an inline function with another.

// The policies' operations always inline: a call inside a kernel's sample
// loop (which the compiler may choose in a large kernel) costs more than the
// operation.
#define VECTOR_INLINE __attribute__((always_inline))

namespace {

// Optional operations, asked for by the kernels that use them.
template <class P>
concept has_pick_outside = requires(typename P::v x) { P::pick_outside(x, x, x, x, x); };
template <class P>
concept has_load_first = requires(const float* p) { P::load_first(p, 1); };

}  // namespace
