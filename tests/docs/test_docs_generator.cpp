// The documents' generator: the level measures it prints for every preset,
// and its check, which must fail on a stale document and name the line.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/preset_levels.h"
#include "tools/synth.h"

namespace {

TEST(LevelStats, CountsTheClipPeakAndRms) {
  level_stats s;
  const float x[] = {0.5f, -0.5f, 1.0f, -1.0f, 0.99999994f, -1.5f, 0.0f, 2.0f};
  level_stats_add(s, x, 8);
  EXPECT_EQ(s.samples, 8u);
  EXPECT_EQ(s.clipped, 4u);  // +-1 exactly and beyond; the float just below is not
  EXPECT_DOUBLE_EQ(s.peak, 2.0);
  EXPECT_NEAR(level_peak_db(s), 6.0206, 1e-4);

  level_stats half;
  const std::vector<float> c(1000, -0.5f);
  level_stats_add(half, c.data(), 500);
  level_stats_add(half, c.data() + 500, 500);  // totals run on across calls
  EXPECT_EQ(half.samples, 1000u);
  EXPECT_EQ(half.clipped, 0u);
  EXPECT_NEAR(level_rms_db(half), -6.0206, 1e-4);

  const level_stats none;
  EXPECT_TRUE(std::isinf(level_rms_db(none)) && level_rms_db(none) < 0);
  EXPECT_TRUE(std::isinf(level_peak_db(none)) && level_peak_db(none) < 0);
}

// The start is counted apart to the frame, whatever the block boundaries,
// and a measure repeats exactly (the document check relies on it).
TEST(MeasurePreset, SplitsAtTheStartAndRepeats) {
  const synth_kind& rain = *synth_find("rain");
  const factory_preset& storm = rain.bank->presets[38];
  ASSERT_STREQ(storm.name, "Storm");
  // 0.25 s = 12000 frames, inside the 24th block of 512.
  const preset_levels a = measure_preset(rain, storm, 0x3, 0.3, 0.25);
  EXPECT_EQ(a.start.samples, 12000u * 2);
  EXPECT_EQ(a.rest.samples, 2400u * 2);
  const preset_levels b = measure_preset(rain, storm, 0x3, 0.3, 0.25);
  EXPECT_EQ(a.start.sum_squares, b.start.sum_squares);
  EXPECT_EQ(a.rest.sum_squares, b.rest.sum_squares);
  EXPECT_EQ(a.rest.clipped, b.rest.clipped);

  const synth_kind& wind = *synth_find("wind");
  const preset_levels m = measure_preset(wind, wind.bank->presets[0], 0x80000, 0.1, 0.0);
  EXPECT_EQ(m.start.samples, 0u);
  EXPECT_EQ(m.rest.samples, 4800u);
  EXPECT_GT(m.rest.sum_squares, 0.0);
  const preset_levels q = measure_preset(wind, wind.bank->presets[0], 0x3F, 0.1, 0.1);
  EXPECT_EQ(q.start.samples, 4800u * 6);
  EXPECT_EQ(q.rest.samples, 0u);
}

std::string read_all(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct run_result {
  int status;
  std::string output;
};

run_result run_docs(const std::string& args) {
  const std::string cmd = std::string(OSTRELLE_DOCS_BINARY) + " " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {-1, ""};
  std::string out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  const int rc = pclose(p);
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, out};
}

class DocsCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ostrelle_docs_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

// Written, the document equals the committed one; the check passes on it,
// and fails on a one-line change (naming that line) or a missing file.
TEST_F(DocsCheck, PassesWhenCurrentFailsOnAChangedLine) {
  const run_result write = run_docs("--only parameters " + dir_.string());
  ASSERT_EQ(write.status, 0) << write.output;
  const std::string generated = read_all(dir_ / "parameters.md");
  EXPECT_EQ(generated, read_all(std::filesystem::path(OSTRELLE_DOCS_DIR) / "parameters.md"));
  EXPECT_EQ(run_docs("--check --only parameters " + dir_.string()).status, 0);

  // Change line 3.
  std::string changed = generated;
  std::size_t at = 0;
  for (int line = 1; line < 3; ++line) at = changed.find('\n', at) + 1;
  changed.insert(at, "x");
  std::ofstream(dir_ / "parameters.md", std::ios::binary | std::ios::trunc) << changed;
  const run_result stale = run_docs("--check --only parameters " + dir_.string());
  EXPECT_EQ(stale.status, 1);
  EXPECT_NE(stale.output.find("parameters.md is out of date at line 3"), std::string::npos)
      << stale.output;

  // A document cut short is stale too.
  std::ofstream(dir_ / "parameters.md", std::ios::binary | std::ios::trunc)
      << generated.substr(0, generated.size() / 2);
  EXPECT_EQ(run_docs("--check --only parameters " + dir_.string()).status, 1);

  std::filesystem::remove(dir_ / "parameters.md");
  const run_result missing = run_docs("--check --only parameters " + dir_.string());
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("cannot read"), std::string::npos) << missing.output;
}

}  // namespace
