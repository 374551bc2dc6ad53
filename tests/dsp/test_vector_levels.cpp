// The vector levels: which ones run, which one is chosen, how they are
// selected and named, and what the lane kernels' width is at each.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "dsp/lanes.h"
#include "dsp/simd/levels.h"

namespace {

// The processor's vendor from /proc/cpuinfo: 1 Intel, 0 another, -1 unknown.
int intel_from_cpuinfo() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line))
    if (line.rfind("vendor_id", 0) == 0) return line.find("GenuineIntel") != std::string::npos;
  return -1;
}

}  // namespace

// Every build runs the portable level; the levels run are listed lowest
// first and end with the highest; with AVX-512 that is the sixteen-lane
// level.
TEST(VectorLevels, SupportedLevelsRunLowestFirst) {
  const std::vector<vector_level> levels = vector_levels_supported();
  ASSERT_FALSE(levels.empty());
  EXPECT_EQ(levels.front(), VECTORS_PORTABLE);
  EXPECT_EQ(levels.back(), highest_vector_level());
  for (size_t i = 1; i < levels.size(); ++i) EXPECT_LT(levels[i - 1], levels[i]);
  EXPECT_EQ(highest_vector_level() == VECTORS_AVX512_16, cpu_has_avx512());
}

// The level the engines run at: the highest the processor runs, except that
// on an Intel processor the AVX-512 build keeps to 256-bit vectors.
TEST(VectorLevels, BestLevelAvoidsWideVectorsOnIntel) {
  const vector_level highest = highest_vector_level(), best = best_vector_level();
  EXPECT_LE(best, highest);
  const int intel = intel_from_cpuinfo();
  if (intel < 0) GTEST_SKIP() << "no vendor in /proc/cpuinfo";
  EXPECT_EQ(best, highest == VECTORS_AVX512_16 && intel ? VECTORS_AVX512 : highest);
}

// Selecting runs every level the processor runs, never goes above the
// highest, and allowing wide vectors returns to the best level; disallowing
// them leaves four lanes.
TEST(VectorLevels, SelectionStaysWithinWhatRuns) {
  for (const vector_level level : vector_levels_supported()) {
    vector_level_select(level);
    EXPECT_EQ(vector_level_now(), level) << vector_level_name(level);
  }
  vector_level_select(static_cast<vector_level>(VECTOR_LEVEL_COUNT - 1));
  EXPECT_EQ(vector_level_now(), highest_vector_level());
  wide_vectors_allow(false);
  EXPECT_EQ(lane_width_now(), 4);
  wide_vectors_allow(true);
  EXPECT_EQ(vector_level_now(), best_vector_level());
}

// Each level's name selects it; "4" names the four-lane vectors every
// processor of the architecture has; other names name none.
TEST(VectorLevels, NamesSelectTheirLevels) {
  for (const vector_level level : vector_levels_supported())
    EXPECT_EQ(vector_level_named(vector_level_name(level)), level) << vector_level_name(level);
  const int four = vector_level_named("4");
  ASSERT_GE(four, 0);
  vector_level_select(static_cast<vector_level>(four));
  EXPECT_EQ(lane_width_now(), 4);
  EXPECT_EQ(vector_level_named("avx3"), -1);
  EXPECT_EQ(vector_level_named(""), -1);
  wide_vectors_allow(true);
}

// The lane kernels are four lanes wide at the portable and SSE2 levels and
// eight at the AVX levels; lane-major passes run where eight lanes do, for lengths
// that are multiples of 8.
TEST(VectorLevels, LaneWidthFollowsTheLevel) {
  for (const vector_level level : vector_levels_supported()) {
    SCOPED_TRACE(vector_level_name(level));
    vector_level_select(level);
    const int width = level >= VECTORS_AVX && level <= VECTORS_AVX512_16 ? 8 : 4;
    EXPECT_EQ(lane_width_now(), width);
    EXPECT_EQ(lane_major_available(64), width == MAJOR_LANES);
    EXPECT_FALSE(lane_major_available(60));
  }
  wide_vectors_allow(true);
}
