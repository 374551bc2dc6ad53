#include "dsp/cpu_features.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

#if defined(__x86_64__) || defined(__i386__)
// XCR0: which register states the operating system saves.
unsigned xcr0() {
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return lo;
}
#endif

}  // namespace

bool cpu_has_avx() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool avx = (c & (1u << 28)) != 0, osxsave = (c & (1u << 27)) != 0;
  if (!avx || !osxsave) return false;
  return (xcr0() & 0x6u) == 0x6u;  // SSE (bit 1) and AVX (bit 2) state
#else
  return false;
#endif
}

namespace {

// The extended feature flags (cpuid leaf 7, EBX) where AVX is usable; 0
// otherwise.
unsigned extended_features_with_avx() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!cpu_has_avx() || !__get_cpuid_count(7, 0, &a, &b, &c, &d)) return 0;
  return b;
#else
  return 0;
#endif
}

}  // namespace

bool cpu_has_avx2() { return (extended_features_with_avx() & (1u << 5)) != 0; }

bool cpu_has_avx512() {
  const unsigned f = 1u << 16, dq = 1u << 17, vl = 1u << 31;
  if ((extended_features_with_avx() & (f | dq | vl)) != (f | dq | vl)) return false;
#if defined(__x86_64__) || defined(__i386__)
  return (xcr0() & 0xE6u) == 0xE6u;  // plus opmask, upper halves, upper registers
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

}  // namespace

std::atomic<int> vector_level_detail::level_now{-1};
using vector_level_detail::level_now;

namespace {

bool cpu_is_intel() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(0, &a, &b, &c, &d)) return false;
  return b == 0x756E6547u && d == 0x49656E69u && c == 0x6C65746Eu;  // "GenuineIntel"
#else
  return false;
#endif
}

}  // namespace

vector_level highest_vector_level() {
  if (!WIDE_BUILT || !cpu_has_avx()) return VECTORS_4;
  if (cpu_has_avx512()) return VECTORS_16_AVX512;
  return cpu_has_avx2() ? VECTORS_8_AVX2 : VECTORS_8_AVX;
}

vector_level best_vector_level() {
  const vector_level highest = highest_vector_level();
  return highest == VECTORS_16_AVX512 && cpu_is_intel() ? VECTORS_8_AVX512 : highest;
}

void vector_level_select(vector_level level) {
  const vector_level highest = highest_vector_level();
  level_now.store(level < highest ? level : highest, std::memory_order_relaxed);
}

vector_level vector_level_detail::decide() {
  const vector_level level = best_vector_level();
  level_now.store(level, std::memory_order_relaxed);
  return level;
}

void wide_vectors_allow(bool allow) {
  vector_level_select(allow ? best_vector_level() : VECTORS_4);
}

bool wide_vectors_on() { return vector_level_now() != VECTORS_4; }
