#pragma once
// A family of lane kernels is declared once, as a list, from which the build
// makes everything else. The family's header declares each kernel and lists
// it:
//
//   #define OSTRELLE_FILTER_LANES(X)
//     X(void, biquad_process_lanes, (const biquad_job* jobs, int count, int n),
//       (jobs, count, n), count) ...
//   OSTRELLE_LANE_TABLE(filter_lanes, OSTRELLE_FILTER_LANES)
//
// (each line of the list ending in a backslash).
//
// X(return type, name, parameters, arguments, lanes): `lanes` is how many
// lanes the call fills, an expression of the parameters (it may call the
// family's helpers as narrow_lanes::name); a unit with eight-lane vectors
// runs its eight-lane build where that is more than four and n is a
// multiple of eight, else its four-lane build. Every kernel takes its block
// length as `n`.
//
// The family's bodies define kernel_<name> for a policy V (they are
// included once per policy of each vector unit, see
// dsp/simd/vector_units.cmake); dsp/simd/lane_unit.h makes each unit's
// table of entry points, and the family's source includes
// dsp/simd/lane_dispatch.h, which defines the kernels as calls through the
// table of the level that runs. Adding a kernel to a family: its
// declaration and list entry in the header, its body.

#define OSTRELLE_CAT_(a, b) a##b
#define OSTRELLE_CAT(a, b) OSTRELLE_CAT_(a, b)
#define OSTRELLE_CAT3(a, b, c) OSTRELLE_CAT(OSTRELLE_CAT(a, b), c)

#define OSTRELLE_LANE_TABLE_MEMBER(R, f, params, args, lanes) R(*f) params;
// The table of one unit's builds of a family: `lanes`, the unit's widest
// lanes, then an entry point per kernel.
#define OSTRELLE_LANE_TABLE(family, LIST) \
  struct family##_table {                 \
    int lanes;                            \
    LIST(OSTRELLE_LANE_TABLE_MEMBER)      \
  };
