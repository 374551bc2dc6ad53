#pragma once
// The eight-lane builds of block operations, for AVX (`_avx`) and AVX-512
// (`_avx512`), each compiled in its own unit for its instruction set and
// called only where the processor has it. Block lengths: multiples of 8.

#if defined(OSTRELLE_WIDE_VECTORS)
void block_exp_avx(float* block, int n);
void block_exp_avx512(float* block, int n);
#else
// Never called: without the eight-lane units the dispatch always says no.
inline void block_exp_avx(float*, int) {}
inline void block_exp_avx512(float*, int) {}
#endif
