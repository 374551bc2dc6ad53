// Rendering of the rain engine: block-split invariance for every layout and
// both output paths, determinism, the shared seeds, the carry-over store,
// master gain 0, refused layouts, the output range, the gain matrices and
// the master gain ramp.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "dsp/simd/levels.h"
#include "pluvessa_test_util.h"

using namespace rain_test;

namespace {

// Splits of a render into calls: fixed lengths and two seeded random
// sequences (with calls of 0 frames among them).
std::vector<std::vector<uint32_t>> splits() {
  std::vector<std::vector<uint32_t>> s = {{1}, {7}, {63}, {64}, {65}, {100}, {1024}};
  std::mt19937 rng(20240611u);
  for (int k = 0; k < 2; ++k) {
    std::vector<uint32_t> calls;
    for (int i = 0; i < 64; ++i) calls.push_back(rng() % (k == 0 ? 130u : 700u));
    s.push_back(calls);
  }
  return s;
}

}  // namespace

// N frames in one call equal any split of them into shorter calls, bit for
// bit, for every layout and both output paths (the carry-over store hands
// the frames of one sub-block across calls).
TEST(PluvessaRender, BlockSplitInvariance) {
  const uint32_t N = 3000;  // not a multiple of 64: the last call leaves a carry
  const auto all_splits = splits();
  for (const layout_case& l : LAYOUTS) {
    for (bool deint : {false, true}) {
      std::vector<float> whole;
      {
        engine e;
        set_everything_audible(e);
        whole = render(e, deint, l.mask, l.channels, N, {N});
      }
      ASSERT_GT(energy(whole.data(), whole.size()), 0.0) << l.name;
      for (const auto& calls : all_splits) {
        engine e;
        set_everything_audible(e);
        const std::vector<float> split = render(e, deint, l.mask, l.channels, N, calls);
        EXPECT_EQ(first_difference(split, whole), -1)
            << l.name << (deint ? " deinterleaved" : " interleaved") << ", calls of "
            << calls[0] << (calls.size() > 1 ? " (random)" : "");
      }
    }
  }
}

// The drops' tone settings changed between calls of every length (shorter
// than a sub-block, ending within one, several sub-blocks long) give the
// same samples as the same changes with each call cut into calls of at most
// 64 frames (each renders at most one sub-block, so no work of a later
// sub-block can run ahead of a change), through the lane-major passes (the
// processor's best level) and the four-lane transposing ones.
TEST(PluvessaRender, ToneChangesBetweenCallsAtEveryKernelLevel) {
  const uint32_t N = 6000;
  auto render_with_changes = [](int32_t mask, uint32_t channels, uint32_t piece) {
    engine e;
    set_everything_audible(e);
    std::mt19937 rng(99u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> out(N * channels);
    for (uint32_t done = 0; done < N;) {
      const uint32_t n = std::min<uint32_t>(1 + rng() % 700u, N - done);
      if (rng() % 2) {
        pluvessa_set_liquid_sweep_frequency(e, 0.5f + 40.0f * unit(rng));
        pluvessa_set_liquid_freq_min(e, unit(rng));
        pluvessa_set_liquid_2_freq_half_range(e, unit(rng));
      }
      for (uint32_t part = 0; part < n; part += piece) {
        const uint32_t m = std::min(piece, n - part);
        float* at = out.data() + static_cast<size_t>(done + part) * channels;
        EXPECT_EQ(pluvessa_process(e, at, mask, m), 0);
      }
      done += n;
    }
    return out;
  };
  for (const layout_case& l : LAYOUTS) {
    const std::vector<float> whole = render_with_changes(l.mask, l.channels, N);
    ASSERT_GT(energy(whole.data(), whole.size()), 0.0) << l.name;
    EXPECT_EQ(first_difference(render_with_changes(l.mask, l.channels, 64), whole), -1)
        << l.name;
    wide_vectors_allow(false);
    EXPECT_EQ(first_difference(render_with_changes(l.mask, l.channels, N), whole), -1)
        << l.name << ", four lanes";
    wide_vectors_allow(true);
  }
}

// The interleaved and deinterleaved paths render the same samples.
TEST(PluvessaRender, BothPathsAgree) {
  for (const layout_case& l : LAYOUTS) {
    std::vector<float> inter, deint;
    {
      engine e;
      set_everything_audible(e);
      inter = render_interleaved(e, l.mask, l.channels, 2048, {100});
    }
    {
      engine e;
      set_everything_audible(e);
      deint = render_deinterleaved(e, l.mask, l.channels, 2048, {100});
    }
    for (uint32_t c = 0; c < l.channels; ++c) {
      const std::vector<float> a = channel_of(inter, l.channels, c);
      const std::vector<float> b(deint.begin() + c * 2048, deint.begin() + (c + 1) * 2048);
      // The master ramps differ only in the first sub-block (one ramp over
      // all channels against one per channel).
      EXPECT_EQ(first_difference(std::vector<float>(a.begin() + 64, a.end()),
                                 std::vector<float>(b.begin() + 64, b.end())),
                -1)
          << l.name << " channel " << c;
    }
  }
}

// A record initialised alone renders the same every time, whatever the
// memory held before and however often it was initialised.
TEST(PluvessaRender, DeterministicAcrossInitialisations) {
  std::vector<float> first;
  {
    engine_memory m(0x00);
    ASSERT_EQ(pluvessa_init(m, RATE), 0);
    set_everything_audible(m);
    first = render_interleaved(m, FIVE_ONE, 6, 24000);
  }
  engine_memory m(0xFF);
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(pluvessa_init(m, RATE), 0);
    set_everything_audible(m);
    EXPECT_EQ(first_difference(render_interleaved(m, FIVE_ONE, 6, 24000), first), -1) << round;
  }
}

// Records share the two random sequences, and every init restarts them: the
// second of two records initialised one after the other renders as a record
// alone as long as the first has not rendered in between; once both run,
// they draw different parts of the sequences.
TEST(PluvessaRender, RecordsShareTheSeeds) {
  std::vector<float> alone;
  {
    engine e;
    set_everything_audible(e);
    alone = render_interleaved(e, STEREO, 2, 4096);
  }
  engine a;
  set_everything_audible(a);
  engine b;
  set_everything_audible(b);
  const std::vector<float> from_b = render_interleaved(b, STEREO, 2, 4096);
  const std::vector<float> from_a = render_interleaved(a, STEREO, 2, 4096);
  EXPECT_EQ(first_difference(from_b, alone), -1);
  EXPECT_NE(first_difference(from_a, alone), -1);

  // Initialising a third record restarts the sequences for everyone: the
  // first record's next block differs from what it would have rendered.
  engine c;
  const std::vector<float> a_after = render_interleaved(a, STEREO, 2, 4096);
  EXPECT_NE(first_difference(a_after, from_a), -1);
}

// Stereo, 100 frames twice: the first call renders 128 frames and carries
// 28, the second delivers those and carries 56; together they are one
// 200-frame render. Blocks of whole sub-blocks never carry.
TEST(PluvessaRender, CarryOverExamples) {
  std::vector<float> once;
  {
    engine e;
    once = render_interleaved(e, STEREO, 2, 200, {200});
  }
  engine e;
  std::vector<float> twice(400);
  ASSERT_EQ(pluvessa_process(e, twice.data(), STEREO, 100), 0);
  EXPECT_EQ(e->carry.count, 28u);
  ASSERT_EQ(pluvessa_process(e, twice.data() + 200, STEREO, 100), 0);
  EXPECT_EQ(e->carry.count, 56u);
  EXPECT_EQ(first_difference(twice, once), -1);

  engine f;
  std::vector<float> out(192 * 2);
  for (uint32_t n : {64u, 128u, 192u, 64u}) {
    pluvessa_process(f, out.data(), STEREO, n);
    EXPECT_EQ(f->carry.count, 0u) << n;
  }
  // A call shorter than the carry takes what fits and keeps the rest.
  pluvessa_process(f, out.data(), STEREO, 1);
  EXPECT_EQ(f->carry.count, 63u);
  pluvessa_process(f, out.data(), STEREO, 10);
  EXPECT_EQ(f->carry.count, 53u);
}

// A call of 0 frames writes nothing and keeps the carried frames for the
// next call.
TEST(PluvessaRender, ZeroFramesKeepTheCarry) {
  for (bool deint : {false, true}) {
    std::vector<float> once;
    {
      engine e;
      once = render(e, deint, STEREO, 2, 200, {200});
    }
    engine e;
    std::vector<float> first = render(e, deint, STEREO, 2, 100, {100});
    float sentinel[4] = {9.0f, 9.0f, 9.0f, 9.0f};
    float* outs[2] = {sentinel, sentinel + 2};
    if (deint) {
      EXPECT_EQ(pluvessa_process_deinterleaved(e, outs, STEREO, 0), 0);
    } else {
      EXPECT_EQ(pluvessa_process(e, sentinel, STEREO, 0), 0);
    }
    for (float v : sentinel) EXPECT_EQ(v, 9.0f);
    EXPECT_EQ(e->carry.count, 28u);
    std::vector<float> second = render(e, deint, STEREO, 2, 100, {100});
    if (deint) {
      for (uint32_t c = 0; c < 2; ++c)
        for (uint32_t i = 0; i < 100; ++i) {
          ASSERT_EQ(first[c * 100 + i], once[c * 200 + i]) << c << " " << i;
          ASSERT_EQ(second[c * 100 + i], once[c * 200 + 100 + i]) << c << " " << i;
        }
    } else {
      first.insert(first.end(), second.begin(), second.end());
      EXPECT_EQ(first_difference(first, once), -1);
    }
  }
}

// Carried frames belong to the layout and output path that rendered them: a
// change of either discards them, so the call renders fresh frames exactly
// as if nothing had been carried.
TEST(PluvessaRender, LayoutOrPathChangeDiscardsTheCarry) {
  struct change {
    int32_t mask;
    uint32_t channels;
    bool deint;
  } const changes[] = {{QUAD, 4, false}, {STEREO, 2, true}, {FIVE_ONE, 6, true},
                       {MONO, 1, false}, {0x40000037, 5, false}};
  for (const change& c : changes) {
    std::vector<float> carried, clean;
    {
      engine e;
      set_everything_audible(e);
      render_interleaved(e, STEREO, 2, 100, {100});  // 128 rendered, 28 carried
      carried = render(e, c.deint, c.mask, c.channels, 100, {100});
    }
    {
      engine e;
      set_everything_audible(e);
      render_interleaved(e, STEREO, 2, 128, {128});  // 128 rendered, nothing carried
      clean = render(e, c.deint, c.mask, c.channels, 100, {100});
    }
    EXPECT_EQ(first_difference(carried, clean), -1) << std::hex << c.mask << " " << c.deint;
  }
}

// Master gain exactly 0 (either sign): all zeros, the carry is dropped and
// nothing advances, so the next audible call continues as if the silent
// calls had not happened.
TEST(PluvessaRender, MasterGainZero) {
  for (float zero : {0.0f, -0.0f}) {
    for (bool deint : {false, true}) {
      std::vector<float> with_gaps, without;
      {
        engine e;
        set_everything_audible(e);
        render(e, deint, FIVE_ONE, 6, 100, {100});
        pluvessa_set_gain(e, zero);
        const std::vector<float> silent = render(e, deint, FIVE_ONE, 6, 333, {333});
        for (float v : silent) ASSERT_EQ(v, 0.0f);
        EXPECT_EQ(e->carry.count, 0u);
        pluvessa_set_gain(e, 1.0f);
        with_gaps = render(e, deint, FIVE_ONE, 6, 1000, {1000});
      }
      {
        engine e;
        set_everything_audible(e);
        render(e, deint, FIVE_ONE, 6, 128, {128});
        without = render(e, deint, FIVE_ONE, 6, 1000, {1000});
      }
      EXPECT_EQ(first_difference(with_gaps, without), -1) << zero << " " << deint;
    }
  }
}

// A layout mask outside the eight gives zeros over frames times its channel
// count, writes nothing beyond, returns 0, drops the carry and advances
// nothing.
TEST(PluvessaRender, UnrenderedLayoutsGiveSilence) {
  const int32_t masks[] = {0x637, 0x63F, 0, 0x7, 0x1, 0x4000003B, 0x40000033,
                           static_cast<int32_t>(0x8000003Fu)};
  for (int32_t mask : masks) {
    for (bool deint : {false, true}) {
      const uint32_t channels = channel_count_of_mask(static_cast<uint32_t>(mask));
      std::vector<float> with_gaps, without;
      {
        engine e;
        set_everything_audible(e);
        render(e, deint, STEREO, 2, 100, {100});
        const uint32_t frames = 77;
        std::vector<float> buf(static_cast<size_t>(frames) * (channels + 1), 5.0f);
        if (deint) {
          std::vector<float*> outs(channels + 1);
          for (uint32_t c = 0; c <= channels; ++c) outs[c] = buf.data() + c * frames;
          EXPECT_EQ(pluvessa_process_deinterleaved(e, outs.data(), mask, frames), 0);
        } else {
          EXPECT_EQ(pluvessa_process(e, buf.data(), mask, frames), 0);
        }
        for (size_t i = 0; i < buf.size(); ++i)
          ASSERT_EQ(buf[i], i < static_cast<size_t>(frames) * channels ? 0.0f : 5.0f)
              << std::hex << mask << std::dec << " sample " << i;
        EXPECT_EQ(e->carry.count, 0u);
        with_gaps = render(e, deint, STEREO, 2, 1000, {1000});
      }
      {
        engine e;
        set_everything_audible(e);
        render(e, deint, STEREO, 2, 128, {128});
        without = render(e, deint, STEREO, 2, 1000, {1000});
      }
      EXPECT_EQ(first_difference(with_gaps, without), -1) << std::hex << mask;
    }
  }
}

// Every sample is finite and within [-1, 1], even driven well into the clip;
// the clip is reached and holds exactly at the bound.
TEST(PluvessaRender, OutputWithinUnitRange) {
  for (const layout_case& l : LAYOUTS) {
    engine e;
    set_levels(e, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    pluvessa_set_liquid_drops_variance(e, 1.0f);
    pluvessa_set_liquid_2_drops_variance(e, 1.0f);
    pluvessa_set_global_coupling_from_outside(e, 1.0f);
    pluvessa_set_global_control(e, 1.0f);
    pluvessa_set_gain(e, 8.0f);
    const std::vector<float> out = render_interleaved(e, l.mask, l.channels, 48000, {500});
    EXPECT_EQ(count_out_of_range(out), 0u) << l.name;
    size_t at_bound = 0;
    for (float v : out) at_bound += std::fabs(v) == 1.0f ? 1 : 0;
    EXPECT_GT(at_bound, 0u) << l.name;
  }
}

// Each output sample is the layout's gain matrix applied to the voice blocks
// of its sub-block, accumulated voice by voice in column order, then the
// master gain (settled at 0.5) and the clip. The matrices below are written
// out here, apart from the engine's own; columns: LFE, rumble A, B, shower
// A, B, liquid 1 A, B, liquid 2 A, B. The 5.0 and 5.1 surrounds take the
// rumble and shower pairs crossed, unlike quad.
namespace {

struct layout_rows {
  int32_t mask;
  std::vector<const float*> rows;
};

// The rows of each layout, in the order of LAYOUTS.
std::vector<layout_rows> gain_matrix_rows() {
  static constexpr float L[9] = {0, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f};
  static constexpr float R[9] = {0, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f};
  static constexpr float LFE[9] = {0.5f, 0, 0, 0, 0, 0, 0, 0, 0};
  static constexpr float FL[9] = {0, 0.75f, 0.25f, 0.75f, 0.25f, 0.8f, 0.1f, 0.1f, 0.1f};
  static constexpr float FR[9] = {0, 0.25f, 0.75f, 0.25f, 0.75f, 0.1f, 0.8f, 0.1f, 0.1f};
  static constexpr float QSL[9] = {0, 0.4f, 0.6f, 0.4f, 0.6f, 0.1f, 0.1f, 0.8f, 0.1f};
  static constexpr float QSR[9] = {0, 0.6f, 0.4f, 0.6f, 0.4f, 0.1f, 0.1f, 0.1f, 0.8f};
  static constexpr float C[9] = {0, 0.4f, 0.4f, 0, 0, 0.3f, 0.3f, 0.3f, 0.3f};
  static constexpr float SL[9] = {0, 0.25f, 0.75f, 0.25f, 0.75f, 0.1f, 0.1f, 0.8f, 0.1f};
  static constexpr float SR[9] = {0, 0.75f, 0.25f, 0.75f, 0.25f, 0.1f, 0.1f, 0.1f, 0.8f};
  static constexpr float MONO_ROW[9] = {0, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0};
  return {
      {MONO, {MONO_ROW}},
      {STEREO, {L, R}},
      {TWO_ONE, {L, R, LFE}},
      {QUAD, {FL, FR, QSL, QSR}},
      {FIVE_ZERO, {FL, FR, C, SL, SR}},
      {FIVE_ONE, {FL, FR, C, LFE, SL, SR}},
      {0x40000037, {FL, C, FR, SL, SR}},
      {0x4000003F, {FL, C, FR, SL, SR, LFE}},
  };
}

}  // namespace

class PluvessaGainMatrix : public ::testing::TestWithParam<int> {};

TEST_P(PluvessaGainMatrix, EachChannelIsItsRowOfTheVoices) {
  const layout_rows l = gain_matrix_rows()[GetParam()];
  for (bool deint : {false, true}) {
      engine e;
      set_everything_audible(e);
      pluvessa_set_gain(e, 0.5f);  // keeps the mix away from the clip
      const uint32_t ch = static_cast<uint32_t>(l.rows.size());
      render(e, deint, l.mask, ch, 64 * 40, {64});  // master ramps settled
      const std::vector<float> out = render(e, deint, l.mask, ch, 64, {64});
      const float* voice[9] = {
          e->buffers[RB_LFE],           e->buffers[RB_RUMBLE],        e->buffers[RB_RUMBLE + 1],
          e->buffers[RB_SHOWER],        e->buffers[RB_SHOWER + 1],    e->buffers[RB_LIQUID + 1],
          e->buffers[RB_LIQUID + 3],    e->buffers[RB_LIQUID + 5],    e->buffers[RB_LIQUID + 7]};
      // Every voice the layout mixes carries signal, or the check would not see it.
      for (int v = 0; v < 9; ++v) {
        bool mixed = false;
        for (const float* row : l.rows) mixed = mixed || row[v] != 0.0f;
        if (!mixed) continue;
        ASSERT_GT(energy(voice[v], 64), 0.0) << std::hex << l.mask << " voice " << v;
      }
      double worst = 0.0;
      for (uint32_t c = 0; c < ch; ++c) {
        for (uint32_t f = 0; f < 64; ++f) {
          float acc = 0.0f;
          for (int v = 0; v < 9; ++v) acc += l.rows[c][v] * voice[v][f];
          float want = acc * 0.5f;
          want = want > 1.0f ? 1.0f : (want < -1.0f ? -1.0f : want);
          const float got = deint ? out[c * 64 + f] : out[f * ch + c];
          worst = std::fmax(worst, std::fabs(static_cast<double>(got) - want));
        }
      }
      EXPECT_LT(worst, 1e-6) << std::hex << l.mask << (deint ? " deinterleaved" : "");
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PluvessaGainMatrix, ::testing::Range(0, 8),
                         [](const ::testing::TestParamInfo<int>& i) {
                           return std::string(LAYOUTS[i.param].name);
                         });

// The master gain moves linearly across one sub-block: over all 64 x channel
// interleaved samples on the interleaved path, over each channel's 64
// samples on the deinterleaved path; then it holds.
TEST(PluvessaRender, MasterGainRamp) {
  for (bool deint : {false, true}) {
    std::vector<float> steady, ramped;
    for (int run = 0; run < 2; ++run) {
      engine e;
      set_everything_audible(e);
      pluvessa_set_gain(e, 0.25f);  // no clipping on either side
      render(e, deint, STEREO, 2, 512, {512});
      if (run == 1) pluvessa_set_gain(e, 0.125f);
      (run == 0 ? steady : ramped) = render(e, deint, STEREO, 2, 512, {512});
    }
    for (uint32_t f = 0; f < 128; ++f) {
      for (uint32_t c = 0; c < 2; ++c) {
        const size_t i = deint ? c * 512 + f : f * 2 + c;
        if (steady[i] == 0.0f) continue;
        const double ratio = static_cast<double>(ramped[i]) / steady[i];
        const double j = deint ? f : f * 2 + c;   // position within the ramp
        const double n = deint ? 64.0 : 128.0;    // ramp length in samples
        const double want = f < 64 ? 1.0 - 0.5 * (j + 1.0) / n : 0.5;
        ASSERT_NEAR(ratio, want, 2e-5) << (deint ? "deinterleaved" : "interleaved") << " frame "
                                       << f << " channel " << c;
      }
    }
  }
}

// Dirty flags are consumed at the start of every render call, even one that
// then renders nothing.
TEST(PluvessaRender, SilentCallsConsumeDirtyFlags) {
  for (int kind = 0; kind < 2; ++kind) {
    engine e;
    float out[64 * 7];
    pluvessa_set_shower_color(e, 1000.0f);
    pluvessa_set_rain_lfe_level(e, 0.5f);
    if (kind == 0) {
      pluvessa_set_gain(e, 0.0f);
      pluvessa_process(e, out, STEREO, 64);
    } else {
      pluvessa_process(e, out, 0x637, 64);
    }
    for (int i = 0; i < RF_COUNT; ++i) EXPECT_EQ(e->dirty[i].load(), 0) << kind << " flag " << i;
  }
}

// Every render call (and init) leaves the calling thread flushing denormal
// results and treating denormal inputs as zero.
TEST(PluvessaRender, RenderSetsTheDenormalMode) {
#if defined(__x86_64__)
  constexpr unsigned FTZ_DAZ = 0x8040u;
  // Each step runs on a thread of its own with the mode cleared first (a new
  // thread inherits it from its creator).
  engine e;
  unsigned after = 0;
  std::thread t([&] {
    _mm_setcsr(_mm_getcsr() & ~FTZ_DAZ);
    float out[64 * 2];
    pluvessa_process(e, out, STEREO, 64);
    after = _mm_getcsr() & FTZ_DAZ;
  });
  t.join();
  EXPECT_EQ(after, FTZ_DAZ) << "after a render";

  std::thread u([&] {
    _mm_setcsr(_mm_getcsr() & ~FTZ_DAZ);
    engine_memory m;
    pluvessa_init(m, RATE);
    after = _mm_getcsr() & FTZ_DAZ;
  });
  u.join();
  EXPECT_EQ(after, FTZ_DAZ) << "after init";
#else
  GTEST_SKIP() << "reads the x86-64 floating-point control register";
#endif
}
