// The eight-lane block operations built for AVX512.

#if !defined(__AVX512F__) || !defined(__AVX512VL__) || !defined(__AVX512DQ__)
#error "this unit must be compiled for AVX-512 F, VL and DQ"
#endif

#define WIDE_NAME(f) f##_avx512
#include "dsp/block_ops_wide_unit.h"
