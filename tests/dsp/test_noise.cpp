// The two process-wide generators and the noise blocks built on them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/block_ops.h"
#include "dsp/noise.h"
#include "dsp_test_util.h"

using dsp_test::bits_of;
using dsp_test::ulps;

namespace {

constexpr uint32_t UNIFORM_MUL = 16807u;

// Sets the seed so that the next uniform step lands exactly on `state`.
void land_next_draw_on(uint32_t state) {
  noise_set_uniform_seed(dsp_test::uniform_seed_before(state));
}

}  // namespace

// Seeds start at 317 and 22222 and the setters/getters round-trip.
TEST(UniformDraw, SeedsStartAndRoundTrip) {
  EXPECT_EQ(UNIFORM_SEED_START, 317u);
  EXPECT_EQ(GAUSSIAN_SEED_START, 22222u);
  noise_set_uniform_seed(12345u);
  noise_set_gaussian_seed(54321u);
  EXPECT_EQ(noise_get_uniform_seed(), 12345u);
  EXPECT_EQ(noise_get_gaussian_seed(), 54321u);
}

// One draw is one multiplication by 16807 and reads the low 31 bits.
TEST(UniformDraw, OneDrawIsOneMultiplication) {
  noise_set_uniform_seed(317u);
  const float u = noise_uniform_draw();
  const uint32_t s = 317u * UNIFORM_MUL;
  EXPECT_EQ(noise_get_uniform_seed(), s);
  EXPECT_EQ(u, static_cast<float>(s & 0x7FFFFFFFu) * 0x1p-31f);
}

// The sign bit of the state does not affect the draw.
TEST(UniformDraw, SignBitDoesNotAffectTheDraw) {
  ASSERT_EQ(dsp_test::uniform_seed_before(0x1234u) * UNIFORM_MUL, 0x1234u);
  const uint32_t with_top = 0x80000000u | 0x1234567u;
  land_next_draw_on(with_top);
  const float u_set = noise_uniform_draw();
  EXPECT_EQ(noise_get_uniform_seed(), with_top);
  land_next_draw_on(with_top & 0x7FFFFFFFu);
  const float u_clear = noise_uniform_draw();
  EXPECT_EQ(noise_get_uniform_seed(), with_top & 0x7FFFFFFFu);
  EXPECT_EQ(bits_of(u_set), bits_of(u_clear));
}

// Draws lie in [0, 1]; all-ones low bits round up to exactly 1.0.
TEST(UniformDraw, DrawsLieInTheUnitInterval) {
  land_next_draw_on(0xFFFFFFFFu);
  EXPECT_EQ(noise_uniform_draw(), 1.0f);
  land_next_draw_on(0x80000000u);
  EXPECT_EQ(noise_uniform_draw(), 0.0f);
  noise_set_uniform_seed(317u);
  for (int i = 0; i < 100000; ++i) {
    const float u = noise_uniform_draw();
    ASSERT_GE(u, 0.0f);
    ASSERT_LE(u, 1.0f);
  }
}

// The sign draw advances once and reports a non-negative state.
TEST(UniformDraw, SignDrawAdvancesOnce) {
  land_next_draw_on(0x7FFFFFFFu);
  EXPECT_TRUE(noise_uniform_sign_draw());
  EXPECT_EQ(noise_get_uniform_seed(), 0x7FFFFFFFu);
  land_next_draw_on(0x80000000u);
  EXPECT_FALSE(noise_uniform_sign_draw());
  EXPECT_EQ(noise_get_uniform_seed(), 0x80000000u);
}

// First eight samples from seed 317 and the seed after them.
TEST(WhiteNoise, FirstEightSamplesFromTheStartSeed) {
  const float expected[8] = {0.002480959f, -0.30252117f, -0.47343922f, 0.90729767f,
                             0.9521808f,   -0.6974113f,  0.6079027f,   -0.97876406f};
  noise_set_uniform_seed(317u);
  float block[8];
  ASSERT_EQ(noise_white_process(block, 8), 0);
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(block[i], expected[i], ulps(expected[i])) << i;
  uint32_t seed = 317u;
  for (int i = 0; i < 8; ++i) seed *= UNIFORM_MUL;
  EXPECT_EQ(noise_get_uniform_seed(), seed);
}

// Every sample is the next state read as signed, times 2^-31, across groups.
TEST(WhiteNoise, EverySampleIsTheNextState) {
  noise_set_uniform_seed(0xDEADBEEFu);
  std::vector<float> block(1024);
  noise_white_process(block.data(), 1024);
  uint32_t seed = 0xDEADBEEFu;
  for (int i = 0; i < 1024; ++i) {
    seed *= UNIFORM_MUL;
    const float want = static_cast<float>(static_cast<int32_t>(seed)) * 0x1p-31f;
    ASSERT_EQ(bits_of(block[i]), bits_of(want)) << i;
  }
  EXPECT_EQ(noise_get_uniform_seed(), seed);
}

// One long block equals the same samples in 8-sample calls.
TEST(WhiteNoise, LongBlockEqualsEightSampleCalls) {
  std::vector<float> whole(512), parts(512);
  noise_set_uniform_seed(317u);
  noise_white_process(whole.data(), 512);
  noise_set_uniform_seed(317u);
  for (int i = 0; i < 512; i += 8) noise_white_process(parts.data() + i, 8);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(bits_of(whole[i]), bits_of(parts[i])) << i;
}

// Samples lie in [-1, 1] and have both signs about equally often.
TEST(WhiteNoise, RangeAndBalance) {
  noise_set_uniform_seed(317u);
  std::vector<float> block(1 << 16);
  noise_white_process(block.data(), static_cast<int>(block.size()));
  int positive = 0;
  for (float v : block) {
    ASSERT_GE(v, -1.0f);
    ASSERT_LE(v, 1.0f);
    positive += v > 0.0f;
  }
  EXPECT_NEAR(positive, static_cast<int>(block.size()) / 2, 1300);  // ~10 sigma
}

// Entries 0, 126 and 127 scaled by 2^24.
TEST(GaussianTable, EdgeEntries) {
  const float e0 = GAUSSIAN_LAYER_TABLE[0] * 16777216.0f;
  const float e126 = GAUSSIAN_LAYER_TABLE[126] * 16777216.0f;
  const float e127 = GAUSSIAN_LAYER_TABLE[127] * 16777216.0f;
  EXPECT_NEAR(e0, 0.2723238f, ulps(0.2723238f));
  EXPECT_NEAR(e126, 3.4442863f, ulps(3.4442863f));
  EXPECT_NEAR(e127, 3.7346220f, ulps(3.7346220f));
}

// Stored entries are the nearest floats of the printed edges.
TEST(GaussianTable, StoredEntriesAreNearestFloats) {
  EXPECT_EQ(GAUSSIAN_LAYER_TABLE[0], 1.62317662e-08f);
  EXPECT_EQ(GAUSSIAN_LAYER_TABLE[63], 9.13814375e-08f);
  EXPECT_EQ(GAUSSIAN_LAYER_TABLE[126], 2.05295464e-07f);
  EXPECT_EQ(GAUSSIAN_LAYER_TABLE[127], 2.22600818e-07f);
}

// Strictly increasing.
TEST(GaussianTable, StrictlyIncreasing) {
  for (int i = 1; i < 128; ++i)
    EXPECT_LT(GAUSSIAN_LAYER_TABLE[i - 1], GAUSSIAN_LAYER_TABLE[i]) << i;
}

// First four values from seed 22222.
TEST(GaussianNoise, FirstFourValuesFromTheStartSeed) {
  const float expected[4] = {0.39817336f, -0.62249237f, 2.3871067f, 0.3613464f};
  noise_set_gaussian_seed(22222u);
  alignas(16) float out[4];
  ASSERT_EQ(noise_gaussian_4(out), 0);
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[k], expected[k], ulps(expected[k])) << k;
  uint32_t seed = 22222u;
  for (int k = 0; k < 4; ++k) seed = seed * 196314165u + 907633515u;
  EXPECT_EQ(noise_get_gaussian_seed(), seed);
}

// The block generator gives the same sequence as repeated four-value steps.
TEST(GaussianNoise, BlockEqualsFourValueSteps) {
  std::vector<float> block(256);
  noise_set_gaussian_seed(22222u);
  ASSERT_EQ(noise_gaussian_process(block.data(), 256), 0);
  const uint32_t seed_after_block = noise_get_gaussian_seed();
  noise_set_gaussian_seed(22222u);
  alignas(16) float out[4];
  for (int i = 0; i < 256; i += 4) {
    noise_gaussian_4(out);
    for (int k = 0; k < 4; ++k) ASSERT_EQ(bits_of(block[i + k]), bits_of(out[k])) << i + k;
  }
  EXPECT_EQ(noise_get_gaussian_seed(), seed_after_block);
}

// The block generator needs no alignment.
TEST(GaussianNoise, NeedsNoAlignment) {
  std::vector<float> aligned(64), shifted(65);
  noise_set_gaussian_seed(777u);
  noise_gaussian_process(aligned.data(), 64);
  noise_set_gaussian_seed(777u);
  noise_gaussian_process(shifted.data() + 1, 64);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bits_of(aligned[i]), bits_of(shifted[i + 1])) << i;
}

// A long run stays within the last layer edge and has balanced signs.
// The low eight bits of the Gaussian draws pick sign and layer and repeat
// every 256 draws: each draw is a fraction in [0, 1) of its edge, which the
// seed 256 draws later gives again. The sample-rate compensation of the
// drops counts on this pattern.
TEST(GaussianNoise, DrawsAreFractionsOfEdgesThatRepeatEvery256Draws) {
  double edges[256], later[256];
  noise_gaussian_edges(12345u, edges);
  noise_set_gaussian_seed(12345u);
  std::vector<float> block(4096);
  noise_gaussian_process(block.data(), 4096);
  double sum = 0.0;
  for (size_t n = 0; n < block.size(); ++n) {
    const double fraction = block[n] / edges[n % 256];
    ASSERT_GE(fraction, 0.0) << n;
    ASSERT_LT(fraction, 1.0) << n;
    sum += fraction;
  }
  EXPECT_NEAR(sum / 4096.0, 0.5, 0.03);  // the magnitudes are uniform
  noise_gaussian_edges(noise_get_gaussian_seed(), later);
  for (int n = 0; n < 256; ++n) ASSERT_EQ(later[n], edges[n]) << n;
  // Draw 128 on flips the sign and keeps the layer.
  for (int n = 0; n < 128; ++n) ASSERT_EQ(edges[n + 128], -edges[n]) << n;
}

TEST(GaussianNoise, LongRunRangeAndBalance) {
  const float bound = GAUSSIAN_LAYER_TABLE[127] * 16777216.0f;
  noise_set_gaussian_seed(22222u);
  const int n = 1 << 20;
  std::vector<float> block(n);
  noise_gaussian_process(block.data(), n);
  int positive = 0, negative = 0;
  double sum = 0.0;
  for (float v : block) {
    ASSERT_TRUE(std::isfinite(v));
    ASSERT_LE(std::fabs(v), bound);
    positive += v > 0.0f;
    negative += v < 0.0f;
    sum += v;
  }
  EXPECT_LT(std::abs(positive - negative), 5 * 1024);  // 5 sigma of a fair sign
  EXPECT_NEAR(sum / n, 0.0, 0.01);
}

// Every kernel level gives the serial recurrence's samples and leaves the
// same seed, for blocks of one to nine groups of eight (the sixteen-lane
// build's half step included) from seeds across the range.
TEST(Noise, WhiteNoiseSameAtEveryLevel) {
  for (const uint32_t seed : {UNIFORM_SEED_START, 1u, 0x80000001u, 0xFFFFFFFFu, 123456789u})
    for (int n = 8; n <= 72; n += 8) {
      SCOPED_TRACE(std::to_string(seed) + " " + std::to_string(n));
      // The reference: one state per sample, serially.
      std::vector<float> want(static_cast<size_t>(n));
      uint32_t s = seed;
      for (int i = 0; i < n; ++i) {
        s *= 16807u;
        want[static_cast<size_t>(i)] =
            static_cast<float>(static_cast<int32_t>(s)) * 4.656613e-10f;
      }
      for (const vector_level level : dsp_test::vector_levels()) {
        SCOPED_TRACE(dsp_test::level_name(level));
        vector_level_select(level);
        std::vector<float> got(static_cast<size_t>(n), NAN);
        noise_set_uniform_seed(seed);
        noise_white_process(got.data(), n);
        EXPECT_EQ(noise_get_uniform_seed(), s);
        for (int i = 0; i < n; ++i)
          ASSERT_EQ(bits_of(got[static_cast<size_t>(i)]), bits_of(want[static_cast<size_t>(i)]))
              << i;
      }
    }
  wide_vectors_allow(true);
}

// Scaled Gaussian noise is, at every level, the plain noise followed by
// block_scale (the same draws, the same product, the same seed after), for
// gains of every kind: ordinary, tiny, negative, zero and one.
TEST(Noise, ScaledGaussianNoiseEqualsNoiseThenScale) {
  for (const float gain : {0.0123f, 1e-30f, -2.5f, 0.0f, 1.0f})
    for (const vector_level level : dsp_test::vector_levels()) {
      SCOPED_TRACE(std::to_string(gain) + " " + dsp_test::level_name(level));
      vector_level_select(level);
      std::vector<float> want(80), got(80, NAN);
      noise_set_gaussian_seed(13579u);
      noise_gaussian_process(want.data(), 80);
      block_scale(gain, want.data(), 80);
      const uint32_t after = noise_get_gaussian_seed();
      noise_set_gaussian_seed(13579u);
      ASSERT_EQ(noise_gaussian_scaled(got.data(), 80, gain), 0);
      EXPECT_EQ(noise_get_gaussian_seed(), after);
      for (int i = 0; i < 80; ++i)
        ASSERT_EQ(bits_of(got[static_cast<size_t>(i)]), bits_of(want[static_cast<size_t>(i)])) << i;
    }
  wide_vectors_allow(true);
}

// Every kernel level gives the samples of the four-draw steps taken one
// after another and leaves the same seed, for one to five groups of sixteen
// from seeds across the range (every table entry and both signs occur).
TEST(Noise, GaussianNoiseSameAtEveryLevel) {
  for (const uint32_t seed : {GAUSSIAN_SEED_START, 0u, 0x80000000u, 0xFFFFFFFFu, 987654321u})
    for (int n = 16; n <= 80; n += 16) {
      SCOPED_TRACE(std::to_string(seed) + " " + std::to_string(n));
      std::vector<float> want(static_cast<size_t>(n));
      noise_set_gaussian_seed(seed);
      for (int i = 0; i < n; i += 4) noise_gaussian_4(want.data() + i);
      const uint32_t after = noise_get_gaussian_seed();
      for (const vector_level level : dsp_test::vector_levels()) {
        SCOPED_TRACE(dsp_test::level_name(level));
        vector_level_select(level);
        std::vector<float> got(static_cast<size_t>(n), NAN);
        noise_set_gaussian_seed(seed);
        noise_gaussian_process(got.data(), n);
        EXPECT_EQ(noise_get_gaussian_seed(), after);
        for (int i = 0; i < n; ++i)
          ASSERT_EQ(bits_of(got[static_cast<size_t>(i)]), bits_of(want[static_cast<size_t>(i)]))
              << i;
      }
    }
  // A long block, whose draws reach all 128 layer edges, at every level.
  std::vector<float> want(4096);
  noise_set_gaussian_seed(GAUSSIAN_SEED_START);
  for (int i = 0; i < 4096; i += 4) noise_gaussian_4(want.data() + i);
  std::vector<bool> seen(128, false);
  uint32_t s = GAUSSIAN_SEED_START;
  for (int i = 0; i < 4096; ++i) {
    s = s * GAUSS_MUL + GAUSS_ADD;
    seen[s & 127u] = true;
  }
  for (int k = 0; k < 128; ++k) ASSERT_TRUE(seen[static_cast<size_t>(k)]) << k;
  for (const vector_level level : dsp_test::vector_levels()) {
    vector_level_select(level);
    std::vector<float> got(4096);
    noise_set_gaussian_seed(GAUSSIAN_SEED_START);
    noise_gaussian_process(got.data(), 4096);
    for (int i = 0; i < 4096; ++i)
      ASSERT_EQ(bits_of(got[static_cast<size_t>(i)]), bits_of(want[static_cast<size_t>(i)]))
          << dsp_test::level_name(level) << " " << i;
  }
  wide_vectors_allow(true);
}
