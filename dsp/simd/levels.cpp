#include "dsp/simd/levels.h"

#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

#if defined(__x86_64__)
// XCR0: which register states the operating system saves.
unsigned xcr0() {
  unsigned lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return lo;
}

// The extended feature flags (cpuid leaf 7, EBX) where AVX is usable; 0
// otherwise.
unsigned extended_features_with_avx() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!cpu_has_avx() || !__get_cpuid_count(7, 0, &a, &b, &c, &d)) return 0;
  return b;
}
#endif

struct level_row {
  vector_level level;
  const char* name;
  bool (*runs)();
  bool (*preferred)();
};

#define OSTRELLE_LEVEL_ROW(level, name, lane_unit, block_policy, runs, preferred) \
  {level, name, [] { return static_cast<bool>(runs); }, [] { return static_cast<bool>(preferred); }},
constexpr level_row LEVELS[] = {OSTRELLE_VECTOR_LEVELS(OSTRELLE_LEVEL_ROW)};
#undef OSTRELLE_LEVEL_ROW

// The four-lane vectors every processor of the architecture has: the first
// level after the portable one where there is one.
constexpr vector_level BASELINE = sizeof LEVELS / sizeof LEVELS[0] > 1 ? LEVELS[1].level
                                                                        : LEVELS[0].level;

}  // namespace

bool cpu_has_avx() {
#if defined(__x86_64__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool avx = (c & (1u << 28)) != 0, osxsave = (c & (1u << 27)) != 0;
  if (!avx || !osxsave) return false;
  return (xcr0() & 0x6u) == 0x6u;  // SSE (bit 1) and AVX (bit 2) state
#else
  return false;
#endif
}

bool cpu_has_avx2() {
#if defined(__x86_64__)
  return (extended_features_with_avx() & (1u << 5)) != 0;
#else
  return false;
#endif
}

bool cpu_has_avx512() {
#if defined(__x86_64__)
  const unsigned f = 1u << 16, dq = 1u << 17, vl = 1u << 31;
  if ((extended_features_with_avx() & (f | dq | vl)) != (f | dq | vl)) return false;
  return (xcr0() & 0xE6u) == 0xE6u;  // plus opmask, upper halves, upper registers
#else
  return false;
#endif
}

bool cpu_is_intel() {
#if defined(__x86_64__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(0, &a, &b, &c, &d)) return false;
  return b == 0x756E6547u && d == 0x49656E69u && c == 0x6C65746Eu;  // "GenuineIntel"
#else
  return false;
#endif
}

std::atomic<int> vector_level_detail::level_now{-1};
using vector_level_detail::level_now;

std::vector<vector_level> vector_levels_supported() {
  std::vector<vector_level> levels;
  for (const level_row& row : LEVELS)
    if (row.runs()) levels.push_back(row.level);
  return levels;
}

vector_level highest_vector_level() {
  vector_level highest = LEVELS[0].level;
  for (const level_row& row : LEVELS)
    if (row.runs()) highest = row.level;
  return highest;
}

vector_level best_vector_level() {
  vector_level best = LEVELS[0].level;
  for (const level_row& row : LEVELS)
    if (row.runs() && row.preferred()) best = row.level;
  return best;
}

void vector_level_select(vector_level level) {
  vector_level chosen = LEVELS[0].level;
  for (const level_row& row : LEVELS)
    if (row.level <= level && row.runs()) chosen = row.level;
  level_now.store(chosen, std::memory_order_relaxed);
}

vector_level vector_level_detail::decide() {
  const vector_level level = best_vector_level();
  level_now.store(level, std::memory_order_relaxed);
  return level;
}

void wide_vectors_allow(bool allow) { vector_level_select(allow ? best_vector_level() : BASELINE); }

const char* vector_level_name(vector_level level) {
  for (const level_row& row : LEVELS)
    if (row.level == level) return row.name;
  return "none";
}

int vector_level_named(const char* name) {
  if (std::strcmp(name, "4") == 0) return BASELINE;
  for (const level_row& row : LEVELS)
    if (std::strcmp(row.name, name) == 0) return row.level;
  return -1;
}
