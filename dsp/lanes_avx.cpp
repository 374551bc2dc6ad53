// The lane kernels built for AVX: eight lanes and four (the four-lane ones
// in three-operand form, without the register copies of the SSE2 build).

#define WIDE_NAME(f) f##_avx
#define NARROW_NAME(f) f##_avx_4
#include "dsp/lanes_wide_unit.h"
