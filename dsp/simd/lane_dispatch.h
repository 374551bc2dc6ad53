// The dispatch of a lane family, included by the family's source with
// OSTRELLE_FAMILY and OSTRELLE_FAMILY_LIST defined (once per family; a
// source may dispatch several): <family>_now(), the table of the level that
// runs, and each kernel as a call through it.

#include <array>

#include "dsp/simd/lane_family.h"
#include "dsp/simd/levels.h"

#define OSTRELLE_LANE_UNIT_TABLE(level, name, unit, policy, runs, preferred) \
  extern const OSTRELLE_CAT(OSTRELLE_FAMILY, _table) OSTRELLE_CAT3(OSTRELLE_FAMILY, _, unit);
OSTRELLE_VECTOR_LEVELS(OSTRELLE_LANE_UNIT_TABLE)
#undef OSTRELLE_LANE_UNIT_TABLE

namespace {

// Each level's table (levels of other architectures: none).
constexpr std::array<const OSTRELLE_CAT(OSTRELLE_FAMILY, _table)*, VECTOR_LEVEL_COUNT>
    OSTRELLE_CAT(OSTRELLE_FAMILY, _tables) = [] {
      std::array<const OSTRELLE_CAT(OSTRELLE_FAMILY, _table)*, VECTOR_LEVEL_COUNT> t{};
#define OSTRELLE_LANE_LEVEL_TABLE(level, name, unit, policy, runs, preferred) \
  t[level] = &OSTRELLE_CAT3(OSTRELLE_FAMILY, _, unit);
      OSTRELLE_VECTOR_LEVELS(OSTRELLE_LANE_LEVEL_TABLE)
#undef OSTRELLE_LANE_LEVEL_TABLE
      return t;
    }();

[[maybe_unused]] const OSTRELLE_CAT(OSTRELLE_FAMILY, _table) * OSTRELLE_CAT(OSTRELLE_FAMILY, _now)() {
  return OSTRELLE_CAT(OSTRELLE_FAMILY, _tables)[vector_level_now()];
}

}  // namespace

#define OSTRELLE_LANE_CALL(R, f, params, args, lanes) \
  R f params { return OSTRELLE_CAT(OSTRELLE_FAMILY, _now)()->f args; }
OSTRELLE_FAMILY_LIST(OSTRELLE_LANE_CALL)
#undef OSTRELLE_LANE_CALL

#undef OSTRELLE_FAMILY
#undef OSTRELLE_FAMILY_LIST
