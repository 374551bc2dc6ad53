// The lane kernels built for AVX-512: eight lanes and four.

#if !defined(__AVX512F__) || !defined(__AVX512VL__) || !defined(__AVX512DQ__)
#error "this unit must be compiled for AVX-512 F, VL and DQ"
#endif

#define WIDE_NAME(f) f##_avx512
#define NARROW_NAME(f) f##_avx512_4
#include "dsp/lanes_wide_unit.h"
