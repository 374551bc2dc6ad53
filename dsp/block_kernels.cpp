#include "dsp/block_kernels.h"

#include <array>

#include "dsp/simd/lane_family.h"
#include "dsp/simd/levels.h"

// Each level's block policy's table.
#define OSTRELLE_BLOCK_POLICY_TABLE(level, name, unit, policy, runs, preferred) \
  extern const block_kernels_table OSTRELLE_CAT(block_kernels_, policy);
OSTRELLE_VECTOR_LEVELS(OSTRELLE_BLOCK_POLICY_TABLE)
#undef OSTRELLE_BLOCK_POLICY_TABLE

extern constinit const std::array<const block_kernels_table*, VECTOR_LEVEL_COUNT> BLOCK_KERNELS =
    [] {
      std::array<const block_kernels_table*, VECTOR_LEVEL_COUNT> t{};
#define OSTRELLE_BLOCK_LEVEL_TABLE(level, name, unit, policy, runs, preferred) \
  t[level] = &OSTRELLE_CAT(block_kernels_, policy);
      OSTRELLE_VECTOR_LEVELS(OSTRELLE_BLOCK_LEVEL_TABLE)
#undef OSTRELLE_BLOCK_LEVEL_TABLE
      return t;
    }();
