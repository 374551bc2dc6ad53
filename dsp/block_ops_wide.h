#pragma once
// The eight-lane (AVX) builds of block operations, compiled in their own unit
// for that instruction set and called only where the processor has it.
// Block lengths: multiples of 8.

#if defined(OSTRELLE_WIDE_VECTORS)
void block_exp_wide(float* block, int n);
#else
// Never called: without the eight-lane unit the dispatch always says no.
inline void block_exp_wide(float*, int) {}
#endif
