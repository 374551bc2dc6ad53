#include "dsp/cpu_features.h"

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
