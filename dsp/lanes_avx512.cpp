// The eight-lane lane kernels built for AVX512.

#define WIDE_NAME(f) f##_avx512
#include "dsp/lanes_wide_unit.h"
