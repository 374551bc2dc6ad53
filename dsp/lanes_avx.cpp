// The eight-lane lane kernels built for AVX.

#define WIDE_NAME(f) f##_avx
#include "dsp/lanes_wide_unit.h"
