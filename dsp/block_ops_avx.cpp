// The eight-lane block operations built for AVX.

#define WIDE_NAME(f) f##_avx
#include "dsp/block_ops_wide_unit.h"
