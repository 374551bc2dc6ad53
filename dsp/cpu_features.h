#pragma once
// What the processor offers beyond the baseline instruction set, and the
// switch between the baseline kernels and the eight-lane ones.

#include <atomic>

// AVX usable: the processor has it and the operating system saves its
// registers. A few instructions, no system call; false off x86-64.
bool cpu_has_avx();
// AVX2 usable (AVX plus eight-lane integer arithmetic).
bool cpu_has_avx2();
// AVX-512 F, VL and DQ usable (with the operating system saving the opmask
// and upper register state).
bool cpu_has_avx512();

// Which kernels run: four lanes (baseline), eight lanes built for AVX, the
// same with the noise generators built for AVX2, eight lanes built for
// AVX-512 (256-bit vectors throughout), or the same with the block
// operations sixteen lanes at a time (512-bit vectors). Results are the same
// bits at every level.
enum vector_level {
  VECTORS_4 = 0,
  VECTORS_8_AVX = 1,
  VECTORS_8_AVX2 = 2,
  VECTORS_8_AVX512 = 3,
  VECTORS_16_AVX512 = 4
};

// The highest level the processor (and this build) supports.
vector_level highest_vector_level();
// The level the engines run at: the highest, except that on Intel's
// processors, which lower their clock while 512-bit instructions run, the
// AVX-512 build keeps to 256-bit vectors.
vector_level best_vector_level();
// Runs the kernels at `level`, or at the highest supported level below it.
// Tests and benchmarks use it to check and measure every build.
void vector_level_select(vector_level level);

namespace vector_level_detail {
// The selected level; -1: not yet decided. Relaxed: every level gives the
// same results, so a race only picks one of equal paths.
extern std::atomic<int> level_now;
vector_level decide();
}  // namespace vector_level_detail

// The level the kernels run at (read inline: every kernel call asks; each
// unit keeps its own copy, so one built for a wider instruction set never
// stands in for another's).
static inline vector_level vector_level_now() {
  const int level = vector_level_detail::level_now.load(std::memory_order_relaxed);
  return level >= 0 ? static_cast<vector_level>(level) : vector_level_detail::decide();
}

// The best level, or the four-lane kernels only.
void wide_vectors_allow(bool allow);
bool wide_vectors_on();
