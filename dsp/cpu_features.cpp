#include "dsp/cpu_features.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

bool cpu_has_avx() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool avx = (c & (1u << 28)) != 0, osxsave = (c & (1u << 27)) != 0;
  if (!avx || !osxsave) return false;
  // XCR0: the operating system saves the SSE (bit 1) and AVX (bit 2) state.
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (lo & 0x6u) == 0x6u;
#else
  return false;
#endif
}

namespace {

#if defined(OSTRELLE_WIDE_VECTORS)
constexpr bool WIDE_BUILT = true;
#else
constexpr bool WIDE_BUILT = false;
#endif

// 0: off; 1: on; -1: not yet decided. Relaxed: every value gives the same
// results, so a race only picks one of two equal paths.
std::atomic<int> wide_mode{-1};

}  // namespace

void wide_vectors_allow(bool allow) {
  wide_mode.store(allow && WIDE_BUILT && cpu_has_avx() ? 1 : 0, std::memory_order_relaxed);
}

bool wide_vectors_on() {
  int mode = wide_mode.load(std::memory_order_relaxed);
  if (mode < 0) {
    mode = WIDE_BUILT && cpu_has_avx() ? 1 : 0;
    wide_mode.store(mode, std::memory_order_relaxed);
  }
  return mode == 1;
}
