// The render path: the warm-up before the first audible block (compared
// sample for sample with a reference engine driven the same way), blocks of
// every format, and safety with buffers the host gets wrong.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/fmod/fmod_test_util.h"

namespace {

using fmod_host::guarded_buffer;
using fmod_host::output_array;
using fmod_test::LAYOUT_5_1;
using fmod_test::LAYOUT_MONO;
using fmod_test::LAYOUT_QUAD;
using fmod_test::LAYOUT_STEREO;
using fmod_test::plugin_test;
using fmod_test::same_samples;

bool all_finite(const std::vector<float>& v) {
  for (float x : v)
    if (!std::isfinite(x)) return false;
  return true;
}

class FmodRender : public plugin_test {
 protected:
  // The plug-in's first blocks must come from an engine that already ran
  // `warm_up` mono blocks of the same length.
  void expect_blocks(int rate, int warm_up, unsigned length, int blocks) {
    auto ref = GetParam()->make_reference(static_cast<float>(rate));
    ref->warm_up(warm_up, length);
    for (int b = 0; b < blocks; ++b) {
      SCOPED_TRACE("block " + std::to_string(b));
      std::vector<float> out;
      int channels = 0;
      ASSERT_EQ(inst().run_block(length, &out, &channels), FMOD_OK);
      ASSERT_EQ(channels, 2);
      const std::vector<float> want = ref->render(LAYOUT_STEREO, length);
      EXPECT_TRUE(same_samples(out, want));
      EXPECT_GT(fmod_test::energy(out), 0.0);
    }
  }
};

TEST_P(FmodRender, FirstBlockFollowsHalfASecondOfWarmUp) {
  create();
  std::vector<float> first, second;
  ASSERT_EQ(inst().run_block(512, &first), FMOD_OK);
  EXPECT_EQ(probe().initial(record()), 0u);
  ASSERT_EQ(inst().run_block(512, &second), FMOD_OK);
  EXPECT_GT(fmod_test::energy(first), 0.0);

  // 48000 x 0.5 / 512 = 46.875: 46 mono blocks, then the real ones.
  auto ref = GetParam()->make_reference(48000.0f);
  ref->warm_up(46, 512);
  EXPECT_TRUE(same_samples(first, ref->render(LAYOUT_STEREO, 512)));
  EXPECT_TRUE(same_samples(second, ref->render(LAYOUT_STEREO, 512)));

  // The comparison tells the warm-up's length and layout apart.
  for (int blocks : {45, 47}) {
    auto other = GetParam()->make_reference(48000.0f);
    other->warm_up(blocks, 512);
    EXPECT_FALSE(same_samples(first, other->render(LAYOUT_STEREO, 512))) << blocks << " blocks";
  }
  auto stereo = GetParam()->make_reference(48000.0f);
  for (int i = 0; i < 46; ++i) stereo->render(LAYOUT_STEREO, 512);
  EXPECT_FALSE(same_samples(first, stereo->render(LAYOUT_STEREO, 512)));
}

TEST_P(FmodRender, WarmUpRunsAgainAfterReset) {
  create();
  std::vector<float> out;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(inst().run_block(512, &out), FMOD_OK);
  ASSERT_EQ(inst().reset(), FMOD_OK);
  EXPECT_NE(probe().initial(record()), 0u);
  expect_blocks(48000, 46, 512, 2);
}

TEST_P(FmodRender, WarmUpLengthFollowsRateAndBlockLength) {
  struct run {
    int rate;
    unsigned length;
    int warm_up;
  };
  for (const run& r : {run{48000, 1024, 23}, run{44100, 512, 43}, run{44100, 441, 50},
                       run{48000, 100, 240}, run{96000, 4096, 11}}) {
    SCOPED_TRACE(std::to_string(r.rate) + " Hz, " + std::to_string(r.length) + " frames");
    fmod_host::memory_service::get().reset_log();
    inst_ = std::make_unique<fmod_host::plugin_instance>(desc_);
    inst().set_rate(r.rate);
    create();
    expect_blocks(r.rate, r.warm_up, r.length, 2);
  }
}

TEST_P(FmodRender, SilentRateServiceWarmsUpFor48000) {
  inst().set_rate(96000);
  inst().set_rate_writes_nothing(true);
  create();
  expect_blocks(48000, 46, 512, 1);
}

// Half a second is less than one block of 32768 frames: no warm-up at all,
// and the flag is cleared all the same.
TEST_P(FmodRender, LongBlockHasNoWarmUp) {
  create();
  expect_blocks(48000, 0, 32768, 2);
  EXPECT_EQ(probe().initial(record()), 0u);
}

TEST_P(FmodRender, ZeroLengthBlockWritesNothingAndKeepsTheWarmUp) {
  create();
  guarded_buffer buf(512, 2);
  EXPECT_EQ(inst().perform(buf.data(), 2, 0), FMOD_OK);
  EXPECT_TRUE(buf.guards_intact());
  EXPECT_EQ(buf.untouched_samples(), buf.size());
  EXPECT_NE(probe().initial(record()), 0u);
  expect_blocks(48000, 46, 512, 1);
}

// The first block in each format: the warm-up is mono whatever the format.
TEST_P(FmodRender, FirstBlockInEveryFormat) {
  struct format {
    int choice, channels;
    int32_t layout;
  };
  for (const format& f : {format{0, 1, LAYOUT_MONO}, format{1, 2, LAYOUT_STEREO},
                          format{2, 4, LAYOUT_QUAD}, format{3, 6, LAYOUT_5_1}}) {
    SCOPED_TRACE("Format " + std::to_string(f.choice));
    fmod_host::memory_service::get().reset_log();
    inst_ = std::make_unique<fmod_host::plugin_instance>(desc_);
    create();
    ASSERT_EQ(inst().set_int(GetParam()->format_index, f.choice), FMOD_OK);
    auto ref = GetParam()->make_reference(48000.0f);
    ref->warm_up(46, 512);
    for (int b = 0; b < 2; ++b) {
      std::vector<float> out;
      int channels = 0;
      ASSERT_EQ(inst().run_block(512, &out, &channels), FMOD_OK);
      ASSERT_EQ(channels, f.channels);
      EXPECT_TRUE(same_samples(out, ref->render(f.layout, 512))) << "block " << b;
      EXPECT_GT(fmod_test::energy(out), 0.0);
    }
  }
}

// A buffer whose channel count differs from the engine's format: the block
// is rendered in the buffer's own layout and nothing is written past it.
TEST_P(FmodRender, BufferChannelCountDiffersFromFormat) {
  struct mismatch {
    int channels;
    int32_t layout;
  };
  for (const mismatch& m : {mismatch{1, LAYOUT_MONO}, mismatch{6, LAYOUT_5_1}}) {
    SCOPED_TRACE(std::to_string(m.channels) + " channel buffer");
    fmod_host::memory_service::get().reset_log();
    inst_ = std::make_unique<fmod_host::plugin_instance>(desc_);
    create();
    ASSERT_EQ(probe().channels(record()), 2);
    auto ref = GetParam()->make_reference(48000.0f);
    ref->warm_up(46, 512);
    guarded_buffer buf(512, m.channels);
    ASSERT_EQ(inst().perform(buf), FMOD_OK);
    EXPECT_TRUE(buf.guards_intact());
    EXPECT_TRUE(same_samples(buf.samples(), ref->render(m.layout, 512)));
  }
}

TEST_P(FmodRender, NeverWritesPastTheBuffer) {
  struct run {
    int format, channels;
  };
  std::vector<run> runs;
  for (int format = 0; format < 4; ++format)
    for (int channels = 1; channels <= 8; ++channels) runs.push_back(run{format, channels});
  // Counts no speaker layout has, up to past the width of a channel mask.
  for (int channels : {9, 16, 29, 30, 31, 32, 33, 64}) runs.push_back(run{1, channels});
  for (const run& r : runs) {
    SCOPED_TRACE("Format " + std::to_string(r.format) + ", " + std::to_string(r.channels) +
                 " channel buffer");
    fmod_host::memory_service::get().reset_log();
    inst_ = std::make_unique<fmod_host::plugin_instance>(desc_);
    create();
    ASSERT_EQ(inst().set_int(GetParam()->format_index, r.format), FMOD_OK);
    for (unsigned length : {512u, 37u, 64u}) {
      guarded_buffer buf(length, r.channels);
      ASSERT_EQ(inst().perform(buf), FMOD_OK);
      EXPECT_TRUE(buf.guards_intact()) << length << " frames";
      // Every sample written (the canary is a NaN) and none of them NaN.
      EXPECT_TRUE(all_finite(buf.samples())) << length << " frames";
    }
    // Nor past the engine's memory.
    EXPECT_TRUE(fmod_host::memory_service::get().check_guards());
  }
}

// Without somewhere to write, perform fails and renders nothing: the next
// proper block still comes after the full warm-up.
TEST_P(FmodRender, PerformWithoutOutputBuffer) {
  create();
  EXPECT_EQ(inst().process(512, nullptr, FMOD_DSP_PROCESS_PERFORM), FMOD_ERR_INVALID_PARAM);

  guarded_buffer buf(512, 2);
  output_array no_buffers(buf.data(), 2);
  no_buffers.array.buffers = nullptr;
  EXPECT_EQ(inst().process(512, no_buffers.get(), FMOD_DSP_PROCESS_PERFORM),
            FMOD_ERR_INVALID_PARAM);

  output_array null_first(nullptr, 2);
  EXPECT_EQ(inst().process(512, null_first.get(), FMOD_DSP_PROCESS_PERFORM),
            FMOD_ERR_INVALID_PARAM);

  EXPECT_EQ(buf.untouched_samples(), buf.size());
  EXPECT_TRUE(buf.guards_intact());
  EXPECT_NE(probe().initial(record()), 0u);
  expect_blocks(48000, 46, 512, 2);
}

INSTANTIATE_TEST_SUITE_P(Plugins, FmodRender, testing::Values(&fmod_test::WIND, &fmod_test::RAIN),
                         fmod_test::case_name);

}  // namespace
