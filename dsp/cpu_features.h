#pragma once
// What the processor offers beyond the baseline instruction set.

// AVX usable: the processor has it and the operating system saves its
// registers. Two instructions, no system call; false off x86-64.
bool cpu_has_avx();
