#pragma once
// The vector levels: which build of the kernels runs. Each level takes its
// lane kernels from one vector unit and its block kernels from one policy
// (dsp/simd/*.h); the results are the same bits at every level, so a level
// is only a matter of speed. The processor's best level is chosen at the
// first kernel call; tests and benchmarks select others.

#include <atomic>
#include <vector>

// Every level of every architecture (a build runs those of its own).
enum vector_level : int {
  VECTORS_PORTABLE = 0,  // plain C++, four lanes: any processor
  VECTORS_SSE2,          // x86-64: four lanes
  VECTORS_AVX,           // eight-lane lane and block kernels
  VECTORS_AVX2,          // the same, with eight integer lanes in the noise and 2^n
  VECTORS_AVX512,        // AVX-512, eight lanes (thirty-two registers, masks)
  VECTORS_AVX512_16,     // the same, with sixteen-lane noise, exponentials and mixes
  VECTORS_NEON,          // 64-bit ARM: four lanes
  VECTORS_WASM_SIMD128,  // WebAssembly: four lanes of its 128-bit SIMD
  VECTOR_LEVEL_COUNT
};

// The levels of this architecture, lowest first:
//   X(level, name, lane unit, block policy, runs, preferred)
// name: how tests, benchmarks and OSTRELLE_LANES call it; lane unit: the
// vector unit whose lane kernels the level runs; block policy: the vectors
// of its block kernels; runs: whether this processor runs it; preferred:
// whether the processor's best level may be this one (Intel's processors
// lower their clock while 512-bit instructions run).
#if defined(__wasm__)
#define OSTRELLE_VECTOR_LEVELS(X)                                                            \
  X(VECTORS_PORTABLE, "portable", portable, portable_vectors, true, true)                    \
  X(VECTORS_WASM_SIMD128, "wasm-simd128", wasm_simd128, wasm_simd128_vectors, true, true)
#elif defined(__x86_64__)
#define OSTRELLE_VECTOR_LEVELS(X)                                                            \
  X(VECTORS_PORTABLE, "portable", portable, portable_vectors, true, true)                    \
  X(VECTORS_SSE2, "sse2", sse2, sse2_vectors, true, true)                                     \
  X(VECTORS_AVX, "avx", avx, avx_vectors, cpu_has_avx(), true)                                \
  X(VECTORS_AVX2, "avx2", avx, avx2_vectors, cpu_has_avx2(), true)                            \
  X(VECTORS_AVX512, "avx512", avx512, avx512_vectors, cpu_has_avx512(), true)                 \
  X(VECTORS_AVX512_16, "avx512-16", avx512, avx512_16_vectors, cpu_has_avx512(), !cpu_is_intel())
#elif defined(__aarch64__)
#define OSTRELLE_VECTOR_LEVELS(X)                                         \
  X(VECTORS_PORTABLE, "portable", portable, portable_vectors, true, true) \
  X(VECTORS_NEON, "neon", neon, neon_vectors, true, true)
#else
#define OSTRELLE_VECTOR_LEVELS(X) \
  X(VECTORS_PORTABLE, "portable", portable, portable_vectors, true, true)
#endif

// The level the lane and block kernels run at.
static inline vector_level vector_level_now();
// Runs the kernels at `level`, or at the highest level below it that this
// processor runs.
void vector_level_select(vector_level level);
// Every level this build and processor run, lowest first.
std::vector<vector_level> vector_levels_supported();
// The highest of them, and the one the kernels run at unless another is
// selected.
vector_level highest_vector_level();
vector_level best_vector_level();
// The best level (true), or the four-lane vectors every processor of the
// architecture has (false).
void wide_vectors_allow(bool allow);
// The level's name ("avx2"), and the level of a name (or of "4", the
// four-lane vectors every processor of the architecture has); -1 for none.
const char* vector_level_name(vector_level level);
int vector_level_named(const char* name);

// What the processor offers (false off x86-64): AVX usable (the processor
// has it and the operating system saves its registers), AVX2, AVX-512 F, VL
// and DQ (with the opmask and upper register state saved), and whether it
// is Intel's.
bool cpu_has_avx();
bool cpu_has_avx2();
bool cpu_has_avx512();
bool cpu_is_intel();

namespace vector_level_detail {
// The selected level; -1: not yet decided. Relaxed: every level gives the
// same results, so a race only picks one of equal paths.
extern std::atomic<int> level_now;
vector_level decide();
}  // namespace vector_level_detail

// Read inline (every kernel call asks); static, so each unit keeps its own
// copy and one built for a wider instruction set never stands in for
// another's.
static inline vector_level vector_level_now() {
  const int level = vector_level_detail::level_now.load(std::memory_order_relaxed);
  return level >= 0 ? static_cast<vector_level>(level) : vector_level_detail::decide();
}
