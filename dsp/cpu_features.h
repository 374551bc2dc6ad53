#pragma once
// What the processor offers beyond the baseline instruction set, and the
// switch between the baseline kernels and the eight-lane (AVX) ones.

// AVX usable: the processor has it and the operating system saves its
// registers. Two instructions, no system call; false off x86-64.
bool cpu_has_avx();

// Eight-lane kernels run where the processor has AVX (and this build has
// them); results are the same bits either way. Tests and benchmarks switch
// them off to check and measure the baseline kernels.
void wide_vectors_allow(bool allow);
bool wide_vectors_on();
