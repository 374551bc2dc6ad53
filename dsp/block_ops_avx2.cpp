// The eight-lane block operations built for AVX2 (integer lanes for the
// noise generators).

#if !defined(__AVX2__)
#error "this unit must be compiled for AVX2"
#endif

#define WIDE_NAME(f) f##_avx2
#include "dsp/block_ops_wide_unit.h"
