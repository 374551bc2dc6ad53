// The end of a generated unit of the block kernels (see
// dsp/simd/vector_units.cmake): the table of each of the unit's block
// policies, named <family>_<policy>. Given: OSTRELLE_FAMILY,
// OSTRELLE_UNIT_POLICIES(X), and the family's body, whose kernel_table<P>()
// makes a policy's table.

#include "dsp/simd/lane_family.h"

#define OSTRELLE_BLOCK_TABLE(policy)                                            \
  extern const OSTRELLE_CAT(OSTRELLE_FAMILY, _table)                            \
      OSTRELLE_CAT3(OSTRELLE_FAMILY, _, policy) = kernel_table<policy>();
OSTRELLE_UNIT_POLICIES(OSTRELLE_BLOCK_TABLE)
#undef OSTRELLE_BLOCK_TABLE
