// Rendering of the wind engine: block-partition invariance of both output
// paths, determinism and the shared seeds, the carry-over store, master gain,
// invalid layouts, output range, and the layout table (which voices each
// layout renders and where they go).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "vantora_test_util.h"

using namespace wind_test;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// Every voice audible, so that a fault in any of them shows.
void all_voices_audible(vantora_engine* e) { set_levels(e, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f); }

// Lengths of a pseudo-random split (0 included), from a fixed LCG.
std::vector<uint32_t> random_split(uint32_t seed, size_t count, uint32_t max_len) {
  std::vector<uint32_t> v(count);
  for (auto& n : v) {
    seed = seed * 1664525u + 1013904223u;
    n = (seed >> 8) % (max_len + 1);
  }
  return v;
}

// Renders `frames` frames (a multiple of 64, so nothing is left carried).
void warm_up(vantora_engine* e, int32_t mask, uint32_t ch, uint32_t frames, bool deint) {
  if (deint)
    render_deinterleaved(e, mask, ch, frames, {512});
  else
    render_interleaved(e, mask, ch, frames, {512});
}

}  // namespace

// ---------------------------------------------------------------------------
// Block-partition invariance, every layout, both paths.

class VantoraPartition : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(VantoraPartition, AnySplitOfCallsGivesTheSameSamples) {
  const layout_case& l = LAYOUTS[std::get<0>(GetParam())];
  const bool deint = std::get<1>(GetParam());
  constexpr uint32_t N = 9000;  // not a multiple of 64: the last call leaves frames carried
  auto run = [&](const std::vector<uint32_t>& calls) {
    engine e;
    all_voices_audible(e);
    return deint ? render_deinterleaved(e, l.mask, l.channels, N, calls)
                 : render_interleaved(e, l.mask, l.channels, N, calls);
  };
  const std::vector<float> whole = run({N});
  EXPECT_LT(peak_abs(whole.data(), whole.size()), 1.0000001);
  EXPECT_GT(peak_abs(whole.data(), whole.size()), 1e-3) << "nothing audible";
  const std::vector<std::vector<uint32_t>> splits = {
      {1}, {7}, {63}, {64}, {65}, {100}, {1024}, {1, 127, 0, 64, 3, 200},
      random_split(12345u, 64, 150), random_split(777u, 64, 70)};
  for (const auto& calls : splits) {
    const std::vector<float> split = run(calls);
    EXPECT_EQ(first_difference(split, whole), -1)
        << l.name << (deint ? " deinterleaved" : " interleaved") << ", calls of " << calls[0]
        << (calls.size() > 1 ? " ..." : "");
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, VantoraPartition,
                         ::testing::Combine(::testing::Range(0, 8), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
                           return std::string(LAYOUTS[std::get<0>(info.param)].name) +
                                  (std::get<1>(info.param) ? "Deinterleaved" : "Interleaved");
                         });

// ---------------------------------------------------------------------------
// Determinism and the shared seeds.

TEST(VantoraRender, InitialisedAloneTheEngineRepeatsItself) {
  engine e;
  all_voices_audible(e);
  const std::vector<float> first = render_interleaved(e, FIVE_ONE, 6, 24000);
  ASSERT_EQ(vantora_init(e, RATE), 0);
  all_voices_audible(e);
  const std::vector<float> second = render_interleaved(e, FIVE_ONE, 6, 24000);
  EXPECT_EQ(first_difference(first, second), -1);
}

// Two records initialised one after the other start from the same state and
// the same seed position, so whichever renders first renders the same
// block; once both have run they differ, because they share the seeds.
TEST(VantoraRender, RecordsShareTheProcessWideSeeds) {
  std::vector<float> a_first, b_first, b_after_a;
  {
    engine a;
    engine b;
    a_first = render_interleaved(a, STEREO, 2, 4096);
    b_after_a = render_interleaved(b, STEREO, 2, 4096);
  }
  {
    engine a;
    engine b;
    b_first = render_interleaved(b, STEREO, 2, 4096);
  }
  EXPECT_EQ(first_difference(a_first, b_first), -1);
  EXPECT_NE(first_difference(a_first, b_after_a), -1);
}

// ---------------------------------------------------------------------------
// Carry-over store.

// Stereo, 100-frame calls: the first call renders 128 frames and keeps 28;
// the second delivers those 28 and then 72 of 128 new ones. Together with a
// third call of 56 frames (the rest of the carry) they equal one render.
TEST(VantoraRender, CarryOverExampleStereo) {
  std::vector<float> whole;
  {
    engine e;
    whole = render_interleaved(e, STEREO, 2, 256, {256});
  }
  engine e;
  std::vector<float> out(256 * 2, NaN);
  vantora_process(e, out.data(), STEREO, 100);
  EXPECT_NE(e->carry.count, 0u);
  vantora_process(e, out.data() + 200, STEREO, 100);
  EXPECT_NE(e->carry.count, 0u);
  vantora_process(e, out.data() + 400, STEREO, 56);
  EXPECT_EQ(e->carry.count, 0u);
  EXPECT_EQ(first_difference(out, whole), -1);
}

// Calls that are multiples of 64 never leave anything carried.
TEST(VantoraRender, SubBlockMultiplesCarryNothing) {
  engine e;
  std::vector<float> out(1024 * 6);
  for (uint32_t n : {64u, 128u, 640u, 1024u, 64u}) {
    vantora_process(e, out.data(), FIVE_ONE, n);
    EXPECT_EQ(e->carry.count, 0u) << n;
  }
}

// A call of 0 frames writes nothing and the carried frames wait for the
// next call; a call shorter than the carry takes what fits.
TEST(VantoraRender, ZeroAndShortCallsKeepTheCarry) {
  for (bool deint : {false, true}) {
    std::vector<float> whole;
    {
      engine e;
      whole = deint ? render_deinterleaved(e, QUAD, 4, 256, {256})
                    : render_interleaved(e, QUAD, 4, 256, {256});
    }
    engine e;
    const std::vector<uint32_t> calls = {100, 0, 5, 0, 1, 0, 150};
    std::vector<float> sentinel(4 * 8, -3.0f);
    std::vector<float> out;
    // Zero-frame calls do not touch the buffer they are given.
    float* outs[4] = {sentinel.data(), sentinel.data() + 8, sentinel.data() + 16,
                      sentinel.data() + 24};
    if (deint)
      vantora_process_deinterleaved(e, outs, QUAD, 0);
    else
      vantora_process(e, sentinel.data(), QUAD, 0);
    for (float s : sentinel) ASSERT_EQ(s, -3.0f);
    const std::vector<float> split = deint ? render_deinterleaved(e, QUAD, 4, 256, calls)
                                           : render_interleaved(e, QUAD, 4, 256, calls);
    EXPECT_EQ(first_difference(split, whole), -1) << (deint ? "deinterleaved" : "interleaved");
  }
}

// Frames carried for one layout or path are never delivered to another: the
// next call renders fresh sub-blocks, exactly as if nothing had been carried.
TEST(VantoraRender, LayoutOrPathChangeDropsTheCarry) {
  struct change {
    int32_t mask;
    uint32_t ch;
    bool deint;
  };
  for (const change& to : {change{MONO, 1, false}, change{QUAD, 4, false},
                           change{STEREO, 2, true}, change{0xB, 3, false}}) {
    std::vector<float> expected, got;
    {
      engine e;
      render_interleaved(e, STEREO, 2, 128, {128});
      expected = to.deint ? render_deinterleaved(e, to.mask, to.ch, 64, {64})
                          : render_interleaved(e, to.mask, to.ch, 64, {64});
    }
    {
      engine e;
      render_interleaved(e, STEREO, 2, 100, {100});  // 28 frames carried
      got = to.deint ? render_deinterleaved(e, to.mask, to.ch, 64, {64})
                     : render_interleaved(e, to.mask, to.ch, 64, {64});
    }
    EXPECT_EQ(first_difference(got, expected), -1) << std::hex << to.mask << " " << to.deint;
  }
}

// Master gain 0: zeros, no voice advances, the carry is dropped; after the
// gain comes back the engine continues as if the silent calls never happened.
TEST(VantoraRender, ZeroMasterGainSilencesAndFreezes) {
  std::vector<float> expected;
  {
    engine e;
    render_interleaved(e, STEREO, 2, 128, {128});
    expected = render_interleaved(e, STEREO, 2, 640, {64});
  }
  engine e;
  render_interleaved(e, STEREO, 2, 100, {100});  // 28 frames carried
  const std::vector<uint8_t> frozen_backflow(
      reinterpret_cast<const uint8_t*>(&e->backflow[0]),
      reinterpret_cast<const uint8_t*>(&e->backflow[0]) + sizeof e->backflow);
  const float speed = vantora_get_instantaneous_wind_control(e);
  vantora_set_gain(e, 0.0f);
  std::vector<float> silent(1000 * 2, NaN);
  vantora_process(e, silent.data(), STEREO, 1000);
  for (float s : silent) ASSERT_EQ(s, 0.0f);
  vantora_set_gain(e, -0.0f);  // -0 counts as 0
  std::vector<float> silent_d(333, NaN);
  float* outs[2] = {silent_d.data(), silent_d.data() + 111};
  vantora_process_deinterleaved(e, outs, STEREO, 111);
  for (size_t i = 0; i < 222; ++i) ASSERT_EQ(silent_d[i], 0.0f);
  EXPECT_TRUE(std::isnan(silent_d[222])) << "written past the two channels";
  EXPECT_EQ(std::memcmp(frozen_backflow.data(), &e->backflow[0], sizeof e->backflow), 0);
  EXPECT_EQ(vantora_get_instantaneous_wind_control(e), speed);
  vantora_set_gain(e, 1.0f);
  const std::vector<float> after = render_interleaved(e, STEREO, 2, 640, {64});
  EXPECT_EQ(first_difference(after, expected), -1);
}

// Masks outside the table give zeros for their channel count, result 0, and
// drop the carry; nothing advances.
TEST(VantoraRender, InvalidLayoutsAreSilent) {
  const struct {
    int32_t mask;
    uint32_t ch;
  } bad[] = {{0x637, 7}, {0x63F, 8}, {0, 0}, {0x7, 3}, {0x1, 1}, {0x40000003, 2}, {0x80003, 3}};
  std::vector<float> expected;
  {
    engine e;
    render_interleaved(e, STEREO, 2, 128, {128});
    expected = render_interleaved(e, STEREO, 2, 256, {256});
  }
  engine e;
  render_interleaved(e, STEREO, 2, 100, {100});
  for (const auto& b : bad) {
    std::vector<float> out(100 * 8 + 16, NaN);
    EXPECT_EQ(vantora_process(e, out.data(), b.mask, 100), 0) << std::hex << b.mask;
    for (size_t i = 0; i < out.size(); ++i) {
      if (i < 100 * b.ch)
        ASSERT_EQ(out[i], 0.0f) << std::hex << b.mask << " sample " << std::dec << i;
      else
        ASSERT_TRUE(std::isnan(out[i])) << "written past the block: " << std::hex << b.mask;
    }
    std::vector<float> chans(8 * 100, NaN);
    float* outs[8];
    for (int c = 0; c < 8; ++c) outs[c] = chans.data() + 100 * c;
    EXPECT_EQ(vantora_process_deinterleaved(e, outs, b.mask, 100), 0);
    for (size_t i = 0; i < chans.size(); ++i)
      ASSERT_TRUE(i < 100 * b.ch ? chans[i] == 0.0f : std::isnan(chans[i])) << std::hex << b.mask;
  }
  const std::vector<float> after = render_interleaved(e, STEREO, 2, 256, {256});
  EXPECT_EQ(first_difference(after, expected), -1);
}

// Hot settings drive the mix far past full scale: every sample stays finite
// and within [-1, 1], and the clip is reached.
TEST(VantoraRender, OutputStaysWithinFullScale) {
  for (const layout_case& l : {LAYOUTS[0], LAYOUTS[5], LAYOUTS[7]}) {
    engine e;
    set_levels(e, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    vantora_set_backflow_filtertype(e, 1);
    vantora_set_backflow_qfactor(e, 1.0f);
    vantora_set_whistling_qfactor(e, 1.0f);
    vantora_set_whistling_floor(e, 1.0f);
    vantora_set_squalls_floor(e, 1.0f);
    vantora_set_gusts_amplitude(e, 1.0f);
    vantora_set_gain(e, 4.0f);
    const std::vector<float> out = render_interleaved(e, l.mask, l.channels, 3 * 48000, {333});
    size_t bad = 0;
    for (float s : out) bad += !(std::isfinite(s) && s >= -1.0f && s <= 1.0f);
    EXPECT_EQ(bad, 0u) << l.name;
    EXPECT_EQ(peak_abs(out.data(), out.size()), 1.0) << l.name;
    for (int b = 0; b < VB_COUNT; ++b)
      for (float s : e->buffers[b]) ASSERT_TRUE(std::isfinite(s)) << l.name << " buffer " << b;
  }
}

// All levels 0: the output is exact silence.
TEST(VantoraRender, ZeroLevelsGiveExactSilence) {
  engine e;
  set_levels(e, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  const std::vector<float> out = render_interleaved(e, FIVE_ONE, 6, 24000, {500});
  for (float s : out) ASSERT_EQ(s, 0.0f);
}

// The master gain ramps over the sub-block after a change (sample j of the
// interleaved block gets g_prev + (j + 1)(g - g_prev) / (64 channels)) and
// holds from then on; the first sub-block after init ramps up from 0.
TEST(VantoraRender, MasterGainRamps) {
  std::vector<float> ref, changed;
  {
    engine e;
    ref = render_interleaved(e, STEREO, 2, 64 * 12, {64});
  }
  {
    engine e;
    changed = render_interleaved(e, STEREO, 2, 64 * 8, {64});
    vantora_set_gain(e, 0.5f);
    const std::vector<float> rest = render_interleaved(e, STEREO, 2, 64 * 4, {64});
    changed.insert(changed.end(), rest.begin(), rest.end());
  }
  ASSERT_EQ(ref.size(), changed.size());
  ASSERT_LT(peak_abs(ref.data(), ref.size()), 1.0) << "the check needs unclipped output";
  for (size_t j = 0; j < 64 * 8 * 2; ++j) ASSERT_EQ(changed[j], ref[j]);
  const size_t start = 64 * 8 * 2;
  for (size_t j = 0; j < 128; ++j) {
    const double g = 1.0 + static_cast<double>(j + 1) * (0.5 - 1.0) / 128.0;
    EXPECT_NEAR(changed[start + j], ref[start + j] * g, 1e-6 + 1e-5 * std::fabs(ref[start + j]))
        << j;
  }
  for (size_t j = start + 128; j < ref.size(); ++j) ASSERT_EQ(changed[j], 0.5f * ref[j]) << j;
}

// Both paths render the same voices; they differ only in how the master
// ramp spreads over the first sub-block: across 64 x channels interleaved
// samples, or over each channel's 64 samples.
TEST(VantoraRender, InterleavedAndDeinterleavedPathsAgree) {
  for (const layout_case& l : {LAYOUTS[1], LAYOUTS[3], LAYOUTS[5], LAYOUTS[6]}) {
    std::vector<float> inter, deint;
    {
      engine e;
      all_voices_audible(e);
      inter = render_interleaved(e, l.mask, l.channels, 4096, {4096});
    }
    {
      engine e;
      all_voices_audible(e);
      deint = render_deinterleaved(e, l.mask, l.channels, 4096, {4096});
    }
    const uint32_t ch = l.channels;
    size_t mismatches = 0;
    for (uint32_t f = 64; f < 4096; ++f)
      for (uint32_t c = 0; c < ch; ++c)
        mismatches += inter[f * ch + c] != deint[c * 4096 + f];
    EXPECT_EQ(mismatches, 0u) << l.name;
    // First sub-block: both undo to the same unramped mix.
    for (uint32_t f = 0; f < 64; ++f) {
      for (uint32_t c = 0; c < ch; ++c) {
        const double gi = static_cast<double>(f * ch + c + 1) / (64.0 * ch);
        const double gd = static_cast<double>(f + 1) / 64.0;
        const double mi = inter[f * ch + c] / gi, md = deint[c * 4096 + f] / gd;
        EXPECT_NEAR(mi, md, 1e-5 * std::fabs(md) + 1e-7) << l.name << " frame " << f << " ch " << c;
      }
    }
    EXPECT_LT(std::fabs(inter[0]), 1.0 / (64.0 * ch) + 1e-7) << "the first sample is not faded in";
  }
}

// ---------------------------------------------------------------------------
// Layout table: the voices each layout renders and the gain of each voice in
// each channel.

namespace {

enum { B1, B2, B3, B4, W1, W2, W3, G1, G2, G3, G4, S1, S2, LF, VOICES };

// Buffer of each voice in the engine record.
int voice_buffer(int v) {
  if (v <= W3) return v;
  if (v <= G4) return VB_GUSTS + 2 * (v - G1);
  if (v <= S2) return VB_SQUALLS + (v - S1);
  return VB_LFE;
}

using row = std::array<float, VOICES>;
//                      B1     B2     B3    B4     W1     W2    W3     G1     G2    G3    G4     S1    S2    L
const row LEFT = {0.9f, 0.1f, 0, 0, 0.7f, 0.2f, 0.1f, 0.9f, 0.1f, 0, 0, 0.7f, 0.3f, 0};
const row RIGHT_A = {0.1f, 0.9f, 0, 0, 0.2f, 0.7f, 0.1f, 0.1f, 0.9f, 0.1f, 0, 0.3f, 0.7f, 0};
const row RIGHT_B = {0.1f, 0.9f, 0, 0, 0.2f, 0.7f, 0.1f, 0.1f, 0.9f, 0, 0, 0.3f, 0.7f, 0};
const row CENTRE = {0.4f, 0.4f, 0.2f, 0.2f, 0.2f, 0.2f, 0.4f, 0.4f, 0.4f, 0.2f, 0.2f, 0, 0, 0};
const row SURR_L = {0.195f, 0,     0.39f,  0.065f, 0.455f, 0.13f, 0.065f,
                    0.195f, 0,     0.39f,  0.065f, 0.26f,  0.13f, 0};
const row SURR_R = {0,      0.195f, 0.065f, 0.39f,  0.065f, 0.13f, 0.455f,
                    0,      0.195f, 0.065f, 0.39f,  0.13f,  0.26f, 0};
const row LFE_ROW = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5f};
const row MONO_ROW = {0.5f, 0, 0, 0, 0.5f, 0.5f, 0, 0.5f, 0, 0, 0, 0.5f, 0, 0};
const row ST_L = {0.85f, 0.15f, 0, 0, 0.65f, 0.35f, 0, 0.65f, 0.35f, 0, 0, 0.65f, 0.35f, 0};
const row ST_R = {0.15f, 0.85f, 0, 0, 0.35f, 0.65f, 0, 0.35f, 0.65f, 0, 0, 0.35f, 0.65f, 0};
const row T1_L = {0.85f, 0.15f, 0, 0, 0.65f, 0.35f, 0, 0.65f, 0.35f, 0, 0, 0.55f, 0.45f, 0};
const row T1_R = {0.15f, 0.85f, 0, 0, 0.35f, 0.65f, 0, 0.35f, 0.65f, 0, 0, 0.45f, 0.55f, 0};

struct layout_table {
  std::vector<int> voices;  // rendered, in mix order
  std::vector<row> rows;    // one per output channel, in channel order
};

layout_table table_of(int32_t mask) {
  const std::vector<int> stereo = {B1, B2, W1, W2, G1, G2, S1, S2};
  const std::vector<int> thirteen = {B1, B2, B3, B4, W1, W2, W3, G1, G2, G3, G4, S1, S2};
  std::vector<int> fourteen = thirteen;
  fourteen.push_back(LF);
  std::vector<int> two_one = stereo;
  two_one.push_back(LF);
  switch (mask) {
    case 0x80000: return {{B1, W1, W2, G1, S1}, {MONO_ROW}};
    case 0x3: return {stereo, {ST_L, ST_R}};
    case 0xB: return {two_one, {T1_L, T1_R, LFE_ROW}};
    case 0x33: return {thirteen, {LEFT, RIGHT_A, SURR_L, SURR_R}};
    case 0x37: return {thirteen, {LEFT, RIGHT_B, CENTRE, SURR_L, SURR_R}};
    case 0x3F: return {fourteen, {LEFT, RIGHT_B, CENTRE, LFE_ROW, SURR_L, SURR_R}};
    case 0x40000037: return {thirteen, {LEFT, CENTRE, RIGHT_A, SURR_L, SURR_R}};
    case 0x4000003F: return {fourteen, {LEFT, CENTRE, RIGHT_B, SURR_L, SURR_R, LFE_ROW}};
  }
  return {};
}

}  // namespace

class VantoraLayoutTable : public ::testing::TestWithParam<std::tuple<int, bool>> {};

// Every voice buffer is poisoned with NaN before one sub-block is rendered:
// exactly the layout's voices must be rendered (the others keep the NaN and
// must not reach the output), and each channel must be the clipped sum of
// the voices weighted by its row of the gain matrix.
TEST_P(VantoraLayoutTable, VoicesAndGainsOfEachChannel) {
  const layout_case& l = LAYOUTS[std::get<0>(GetParam())];
  const bool deint = std::get<1>(GetParam());
  const layout_table t = table_of(l.mask);
  ASSERT_EQ(t.rows.size(), l.channels);
  engine e;
  all_voices_audible(e);
  warm_up(e, l.mask, l.channels, 24000 / 64 * 64, deint);
  for (int check = 0; check < 8; ++check) {
    for (auto& b : e->buffers)
      for (float& s : b) s = NaN;
    const std::vector<float> out = deint ? render_deinterleaved(e, l.mask, l.channels, 64, {64})
                                         : render_interleaved(e, l.mask, l.channels, 64, {64});
    for (int v = 0; v < VOICES; ++v) {
      const bool rendered = std::find(t.voices.begin(), t.voices.end(), v) != t.voices.end();
      const float* buf = e->buffers[voice_buffer(v)];
      EXPECT_EQ(std::isnan(buf[0]), !rendered) << l.name << " voice " << v;
      if (rendered) {
        EXPECT_GT(peak_abs(buf, 64), 0.0) << l.name << " voice " << v << " silent";
      }
    }
    size_t mismatches = 0;
    for (uint32_t c = 0; c < l.channels; ++c) {
      for (uint32_t f = 0; f < 64; ++f) {
        float sum = 0.0f;
        for (int v : t.voices) sum += t.rows[c][v] * e->buffers[voice_buffer(v)][f];
        sum = sum > 1.0f ? 1.0f : sum < -1.0f ? -1.0f : sum;
        const float got = deint ? out[c * 64 + f] : out[f * l.channels + c];
        if (!(std::fabs(got - sum) <= 1e-6f)) {
          if (mismatches++ < 5)
            ADD_FAILURE() << l.name << " channel " << c << " frame " << f << ": " << got
                          << " expected " << sum;
        }
      }
    }
    EXPECT_EQ(mismatches, 0u);
    if (deint)
      render_deinterleaved(e, l.mask, l.channels, 64 * 37, {64});
    else
      render_interleaved(e, l.mask, l.channels, 64 * 37, {64});
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, VantoraLayoutTable,
                         ::testing::Combine(::testing::Range(0, 8), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
                           return std::string(LAYOUTS[std::get<0>(info.param)].name) +
                                  (std::get<1>(info.param) ? "Deinterleaved" : "Interleaved");
                         });

// Voices a layout omits are neither rendered nor advanced: mono leaves
// backflow 2-4, whistling 3, gusts 2-4, squalls 2 and the LFE as they were.
TEST(VantoraLayouts, MonoLeavesTheOmittedVoicesUntouched) {
  engine e;
  all_voices_audible(e);
  render_interleaved(e, MONO, 1, 64);
  auto snapshot = [&] {
    std::vector<uint8_t> s;
    auto add = [&](const void* p, size_t n) {
      s.insert(s.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
    };
    add(&e->backflow[1], sizeof e->backflow[0] * 3);
    add(&e->whistling[2], sizeof e->whistling[0]);
    add(&e->gusts[1], sizeof e->gusts[0] * 3);
    add(&e->squalls[1], sizeof e->squalls[0]);
    add(&e->lfe.lowpass, sizeof e->lfe.lowpass);
    add(&e->lfe.ramp, sizeof e->lfe.ramp);
    return s;
  };
  const std::vector<uint8_t> before = snapshot();
  const std::vector<uint8_t> b1_before(reinterpret_cast<const uint8_t*>(&e->backflow[0]),
                                       reinterpret_cast<const uint8_t*>(&e->backflow[1]));
  render_interleaved(e, MONO, 1, 48000);
  EXPECT_TRUE(snapshot() == before);
  EXPECT_NE(std::memcmp(b1_before.data(), &e->backflow[0], b1_before.size()), 0)
      << "backflow 1 did not advance";
}

// Stereo carries no LFE: its level changes nothing.
TEST(VantoraLayouts, StereoHasNoLfe) {
  std::vector<float> without, with;
  {
    engine e;
    without = render_interleaved(e, STEREO, 2, 24000);
  }
  {
    engine e;
    vantora_set_wind_lfe_level(e, 1.0f);
    with = render_interleaved(e, STEREO, 2, 24000);
  }
  EXPECT_EQ(first_difference(with, without), -1);
}

// 5.1 (and 2.1 and the centre-second 5.1): the LFE channel carries only the
// LFE voice; with the LFE level at 0 it is exactly silent, with only the LFE
// audible every other channel is.
TEST(VantoraLayouts, LfeChannelCarriesOnlyTheLfeVoice) {
  const struct {
    int32_t mask;
    uint32_t ch, lfe;
  } cases[] = {{0x3F, 6, 3}, {0x4000003F, 6, 5}, {0xB, 3, 2}};
  for (const auto& c : cases) {
    {
      engine e;
      set_levels(e, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
      const std::vector<float> out = render_interleaved(e, c.mask, c.ch, 24000);
      for (size_t f = 0; f < 24000; ++f) ASSERT_EQ(out[f * c.ch + c.lfe], 0.0f) << std::hex << c.mask;
      EXPECT_GT(peak_abs(out.data(), out.size()), 0.01);
    }
    {
      engine e;
      set_levels(e, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
      const std::vector<float> out = render_interleaved(e, c.mask, c.ch, 24000);
      double lfe_peak = 0.0;
      for (size_t f = 0; f < 24000; ++f) {
        for (uint32_t k = 0; k < c.ch; ++k) {
          if (k == c.lfe)
            lfe_peak = std::max(lfe_peak, static_cast<double>(std::fabs(out[f * c.ch + k])));
          else
            ASSERT_EQ(out[f * c.ch + k], 0.0f) << std::hex << c.mask << " channel " << k;
        }
      }
      EXPECT_GT(lfe_peak, 1e-3) << std::hex << c.mask;
    }
  }
}

// The centre channel of 5.0 and 5.1 carries no squalls.
TEST(VantoraLayouts, CentreCarriesNoSqualls) {
  const struct {
    int32_t mask;
    uint32_t ch, centre;
  } cases[] = {{0x37, 5, 2}, {0x3F, 6, 2}, {0x40000037, 5, 1}, {0x4000003F, 6, 1}};
  for (const auto& c : cases) {
    engine e;
    set_levels(e, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    const std::vector<float> out = render_interleaved(e, c.mask, c.ch, 24000);
    for (size_t f = 0; f < 24000; ++f) ASSERT_EQ(out[f * c.ch + c.centre], 0.0f) << std::hex << c.mask;
    double left = 0.0;
    for (size_t f = 0; f < 24000; ++f) left = std::max(left, static_cast<double>(std::fabs(out[f * c.ch])));
    EXPECT_GT(left, 1e-3);
  }
}

// Quad sends gusts 3 to the front right at 0.1 and not to the front left; 5.0
// and 5.1 send it to neither front channel.
TEST(VantoraLayouts, Gusts3InTheFrontChannels) {
  const struct {
    int32_t mask;
    uint32_t ch, right;
    float g3;
  } cases[] = {{0x33, 4, 1, 0.1f}, {0x37, 5, 1, 0.0f}, {0x3F, 6, 1, 0.0f}, {0x40000037, 5, 2, 0.1f}};
  for (const auto& c : cases) {
    engine e;
    set_levels(e, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    render_interleaved(e, c.mask, c.ch, 24000 / 64 * 64);
    double g3_peak = 0.0;
    for (int block = 0; block < 20; ++block) {
      const std::vector<float> out = render_interleaved(e, c.mask, c.ch, 64, {64});
      const float* g1 = e->buffers[VB_GUSTS];
      const float* g2 = e->buffers[VB_GUSTS + 2];
      const float* g3 = e->buffers[VB_GUSTS + 4];
      g3_peak = std::max(g3_peak, peak_abs(g3, 64));
      for (int f = 0; f < 64; ++f) {
        const float left = 0.9f * g1[f] + 0.1f * g2[f];
        const float right = 0.1f * g1[f] + 0.9f * g2[f] + c.g3 * g3[f];
        EXPECT_NEAR(out[f * c.ch], left, 1e-6f) << std::hex << c.mask;
        EXPECT_NEAR(out[f * c.ch + c.right], right, 1e-6f) << std::hex << c.mask;
      }
    }
    EXPECT_GT(g3_peak, 1e-3) << "gusts 3 silent";
  }
}
