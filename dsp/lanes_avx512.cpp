// The lane kernels built for AVX-512: eight lanes and four.

#define WIDE_NAME(f) f##_avx512
#define NARROW_NAME(f) f##_avx512_4
#include "dsp/lanes_wide_unit.h"
