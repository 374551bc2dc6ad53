// The end of a generated unit of a lane family (see
// dsp/simd/vector_units.cmake): the unit's entry point per kernel, each
// choosing the unit's wide or narrow build, and the table of them. Given:
// OSTRELLE_UNIT, OSTRELLE_UNIT_LANE_WIDTH, OSTRELLE_FAMILY,
// OSTRELLE_FAMILY_LIST, and the namespaces wide_lanes and narrow_lanes with
// the family's bodies (or OSTRELLE_LANE_TRAPS for a unit too narrow for the
// family: its entries are never called).

#include "dsp/simd/lane_family.h"

namespace {
namespace entry {

#if defined(OSTRELLE_LANE_TRAPS)
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define OSTRELLE_LANE_ENTRY(R, f, params, args, lanes) \
  [[noreturn]] R f params { __builtin_trap(); }
#else
static_assert(wide_lanes::W == OSTRELLE_UNIT_LANE_WIDTH);
#define OSTRELLE_LANE_ENTRY(R, f, params, args, lanes)                         \
  R f params {                                                                 \
    if constexpr (wide_lanes::W > narrow_lanes::W) {                           \
      if ((lanes) > narrow_lanes::W && n % wide_lanes::W == 0)                 \
        return wide_lanes::kernel_##f args;                                    \
    }                                                                          \
    return narrow_lanes::kernel_##f args;                                      \
  }
#endif
OSTRELLE_FAMILY_LIST(OSTRELLE_LANE_ENTRY)
#undef OSTRELLE_LANE_ENTRY

}  // namespace entry
}  // namespace

#define OSTRELLE_LANE_POINTER(R, f, params, args, lanes) &entry::f,
extern const OSTRELLE_CAT(OSTRELLE_FAMILY, _table)
    OSTRELLE_CAT3(OSTRELLE_FAMILY, _, OSTRELLE_UNIT) = {
        OSTRELLE_UNIT_LANE_WIDTH, OSTRELLE_FAMILY_LIST(OSTRELLE_LANE_POINTER)};
#undef OSTRELLE_LANE_POINTER
