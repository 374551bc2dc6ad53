// The eight-lane block operations built for AVX512.

#define WIDE_NAME(f) f##_avx512
#include "dsp/block_ops_wide_unit.h"
