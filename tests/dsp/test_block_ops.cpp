// Element-wise block operations, the block exponential, gain ramps and the
// two channel mixers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "dsp/block_ops.h"
#include "dsp/simd/levels.h"
#include "dsp/noise.h"
#include "dsp_test_util.h"

using dsp_test::bits_of;
using dsp_test::ulp_distance;
using dsp_test::ulps;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// Random samples scaled to +-scale, with a few special values mixed in
// (signed zeros, infinities, NaN) so sign handling shows.
std::vector<float> data(int n, uint32_t seed, float scale = 4.0f, bool specials = true) {
  std::vector<float> v(n);
  noise_set_uniform_seed(seed);
  noise_white_process(v.data(), n);
  for (float& x : v) x *= scale;
  if (specials && n >= 16) {
    v[1] = 0.0f;
    v[2] = -0.0f;
    v[5] = INF;
    v[6] = -INF;
    v[9] = NaN;
    v[10] = -NaN;
  }
  return v;
}

// Bit equality, where any NaN matches any NaN.
void expect_same(const std::vector<float>& got, const std::vector<float>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    if (std::isnan(want[i])) {
      ASSERT_TRUE(std::isnan(got[i])) << i;
    } else {
      ASSERT_EQ(bits_of(got[i]), bits_of(want[i])) << i << ": " << got[i] << " vs " << want[i];
    }
  }
}

// e^x through block_exp, which gives the same value in every lane.
float exp_of(float x) {
  float b[8] = {x, x, x, x, x, x, x, x};
  EXPECT_EQ(block_exp(b, 8), 0);
  for (int i = 1; i < 8; ++i) EXPECT_EQ(bits_of(b[i]), bits_of(b[0]));
  return b[0];
}

}  // namespace

// block_abs clears the sign bit (also of -0 and -NaN).
TEST(ElementWise, AbsClearsTheSignBit) {
  const int n = 112;  // a multiple of 16 that is not a power of two
  const std::vector<float> a = data(n, 1u), b = data(n, 2u);
  std::vector<float> want(n), got;
  got = a;
  ASSERT_EQ(block_abs(got.data(), n), 0);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits_of(got[i]), bits_of(a[i]) & 0x7FFFFFFFu) << i;
}

// block_add: destination += source.
TEST(ElementWise, AddAccumulates) {
  const int n = 112;  // a multiple of 16 that is not a power of two
  const std::vector<float> a = data(n, 1u), b = data(n, 2u);
  std::vector<float> want(n), got;
  got = b;
  ASSERT_EQ(block_add(a.data(), got.data(), n), 0);
  for (int i = 0; i < n; ++i) want[i] = b[i] + a[i];
  expect_same(got, want);
}

// block_scale and block_scale_to: times k; the input is kept.
TEST(ElementWise, ScaleMultiplies) {
  const int n = 112;  // a multiple of 16 that is not a power of two
  const std::vector<float> a = data(n, 1u), b = data(n, 2u);
  std::vector<float> want(n), got;
  got = a;
  ASSERT_EQ(block_scale(-0.37f, got.data(), n), 0);
  for (int i = 0; i < n; ++i) want[i] = a[i] * -0.37f;
  expect_same(got, want);
  std::vector<float> in = a;
  got.assign(n, 123.0f);
  ASSERT_EQ(block_scale_to(-0.37f, in.data(), got.data(), n), 0);
  expect_same(got, want);
  expect_same(in, a);
}

// block_max: x > k ? x : k; k = 0 rectifies; NaN gives k.
TEST(ElementWise, MaxRectifies) {
  const int n = 112;  // a multiple of 16 that is not a power of two
  const std::vector<float> a = data(n, 1u), b = data(n, 2u);
  std::vector<float> want(n), got;
  got = a;
  ASSERT_EQ(block_max(0.0f, got.data(), n), 0);
  for (int i = 0; i < n; ++i) {
    if (std::isnan(a[i]) || a[i] <= 0.0f)
      EXPECT_EQ(bits_of(got[i]), bits_of(0.0f)) << i;  // ties (-0) give k too
    else
      EXPECT_EQ(got[i], a[i]) << i;
  }
  got = a;
  block_max(-1.5f, got.data(), n);
  for (int i = 0; i < n; ++i) want[i] = a[i] > -1.5f ? a[i] : -1.5f;
  expect_same(got, want);
  EXPECT_EQ(got[9], -1.5f);
}

// block_multiply (b = a * b, also aliased) and block_multiply_to.
TEST(ElementWise, MultiplyAliasedAndTo) {
  const int n = 112;  // a multiple of 16 that is not a power of two
  const std::vector<float> a = data(n, 1u), b = data(n, 2u);
  std::vector<float> want(n), got;
  got = b;
  ASSERT_EQ(block_multiply(a.data(), got.data(), n), 0);
  for (int i = 0; i < n; ++i) want[i] = a[i] * b[i];
  expect_same(got, want);
  got = a;
  block_multiply(got.data(), got.data(), n);
  for (int i = 0; i < n; ++i) want[i] = a[i] * a[i];
  expect_same(got, want);
  got.assign(n, 0.0f);
  ASSERT_EQ(block_multiply_to(a.data(), b.data(), got.data(), n), 0);
  for (int i = 0; i < n; ++i) want[i] = b[i] * a[i];
  expect_same(got, want);
}

// block_offset and block_offset_to: plus k.
TEST(ElementWise, OffsetAdds) {
  const int n = 112;  // a multiple of 16 that is not a power of two
  const std::vector<float> a = data(n, 1u), b = data(n, 2u);
  std::vector<float> want(n), got;
  got = a;
  ASSERT_EQ(block_offset(0.75f, got.data(), n), 0);
  for (int i = 0; i < n; ++i) want[i] = a[i] + 0.75f;
  expect_same(got, want);
  got.assign(n, 0.0f);
  ASSERT_EQ(block_offset_to(0.75f, a.data(), got.data(), n), 0);
  expect_same(got, want);
}

// Operations touch exactly n samples.
TEST(ElementWise, TouchesExactlyNSamples) {
  const int n = 112;  // a multiple of 16 that is not a power of two
  const std::vector<float> a = data(n, 1u), b = data(n, 2u);
  std::vector<float> buf(n + 16, 9.0f);
  block_scale(0.0f, buf.data(), n);
  block_offset(1.0f, buf.data(), n);
  for (int i = n; i < n + 16; ++i) EXPECT_EQ(buf[i], 9.0f) << i;
}

// Printed values: e^0, e^1, clamped +100, exact 0 below about -87.683.
TEST(BlockExp, PrintedValues) {
  EXPECT_NEAR(exp_of(0.0f), 1.0f, ulps(1.0f));
  EXPECT_NEAR(exp_of(1.0f), 2.7182817f, ulps(2.7182817f));
  const float top = exp_of(100.0f);
  EXPECT_TRUE(std::isfinite(top));
  EXPECT_EQ(bits_of(top), bits_of(exp_of(88.37626f)));
  EXPECT_NEAR(top, 2.4e38f, 0.05e38f);
  EXPECT_EQ(bits_of(exp_of(1e30f)), bits_of(top));
  EXPECT_EQ(bits_of(exp_of(-100.0f)), 0u);
  EXPECT_EQ(bits_of(exp_of(-88.37626f)), 0u);
  EXPECT_EQ(bits_of(exp_of(-88.0f)), 0u);
  EXPECT_EQ(bits_of(exp_of(-87.7f)), 0u);
  EXPECT_EQ(bits_of(exp_of(-1e30f)), 0u);
}

// Within a few ulps of the library exponential over [-80, 80].
TEST(BlockExp, WithinAFewUlpsOfTheLibrary) {
  int64_t worst = 0;
  for (int k = -80000; k <= 80000; k += 8) {
    float b[8];
    for (int j = 0; j < 8; ++j) b[j] = static_cast<float>(k + j) * 0.001f;
    block_exp(b, 8);
    for (int j = 0; j < 8; ++j) {
      const float x = static_cast<float>(k + j) * 0.001f;
      const float ref = static_cast<float>(std::exp(static_cast<double>(x)));
      worst = std::max(worst, ulp_distance(b[j], ref));
    }
  }
  EXPECT_LE(worst, 4);
}

// Every level's exponential gives the bits of the portable one (plain C++,
// lane by lane) for every float in [-90, 90] taken in steps of a few ulps,
// for the clamps far outside, infinities and NaN, and for a length that is
// only a multiple of 4 (which the wider kernels finish four lanes at a time).
TEST(BlockOps, BlockExpSameBitsAtEitherWidth) {
  // Steps of 0.01 % (at least 1e-6), in double so that a thread flushing
  // denormals cannot stall the walk near zero; then the tiny and odd values.
  std::vector<float> in;
  for (double x = -90.0; x < 90.0; x += std::max(1e-4 * std::fabs(x), 1e-6))
    in.push_back(static_cast<float>(x));
  for (float x : {1e30f, -1e30f, INFINITY, -INFINITY, NAN, -0.0f, 0.0f, 1e-30f, -1e-30f,
                  1e-40f, -1e-40f})
    in.push_back(x);
  while (in.size() % 8 != 4) in.push_back(0.5f);
  for (const size_t n : {in.size() - 4, in.size()}) {
    std::vector<float> narrow(in.begin(), in.begin() + static_cast<long>(n));
    vector_level_select(VECTORS_PORTABLE);
    block_exp(narrow.data(), static_cast<int>(n));
    for (const vector_level level : dsp_test::vector_levels()) {
      SCOPED_TRACE(dsp_test::level_name(level));
      std::vector<float> wide(in.begin(), in.begin() + static_cast<long>(n));
      vector_level_select(level);
      block_exp(wide.data(), static_cast<int>(n));
      for (size_t i = 0; i < n; ++i) ASSERT_EQ(bits_of(wide[i]), bits_of(narrow[i])) << in[i];
    }
    wide_vectors_allow(true);
  }
}

// The exponential of a line: the same bits as the three element-wise steps
// followed by block_exp, at every level, for ramps across [-1, 1] (the drop
// tones' sweep) and odd values, with lines that send some inputs past the
// clamps.
TEST(BlockOps, ExpOfLineEqualsTheStepsOneAfterAnother) {
  std::vector<float> in;
  for (int i = 0; i < 256; ++i) in.push_back(-1.0f + static_cast<float>(i) * (2.0f / 255.0f));
  for (float x : {1e30f, -1e30f, INFINITY, -INFINITY, NAN, -0.0f, 0.0f, 1e-40f, 3.5f, -7.25f})
    in.push_back(x);
  while (in.size() % 16 != 0) in.push_back(0.25f);
  const int n = static_cast<int>(in.size());
  const float lines[][3] = {{1.0f, 3.453878f, 2.995732f}, {1.0f, 0.0f, 9.9f},
                            {-0.5f, 60.0f, -20.0f}, {1.0f, -0.0f, -0.0f}};
  for (const auto& l : lines) {
    std::vector<float> want = in;
    for (float& x : want) x = ((x + l[0]) * l[1]) + l[2];
    vector_level_select(VECTORS_PORTABLE);
    block_exp(want.data(), n);
    for (const vector_level level : dsp_test::vector_levels()) {
      SCOPED_TRACE(std::string(dsp_test::level_name(level)) + " line " + std::to_string(l[1]));
      vector_level_select(level);
      for (const int len : {n, 8, 24}) {
        std::vector<float> got = in;
        ASSERT_EQ(block_exp_of_line(l[0], l[1], l[2], got.data(), len), 0);
        for (int i = 0; i < len; ++i) ASSERT_EQ(bits_of(got[i]), bits_of(want[i])) << in[i];
      }
    }
    wide_vectors_allow(true);
  }
}

// Init: null rejected, gain 0, denormal mode set.
TEST(GainRamp, InitSetsZeroGainAndDenormalMode) {
  EXPECT_EQ(gain_ramp_init(nullptr), 4);
  gain_ramp_state s{0.7f};
  dsp_test::denormal_mode_clear();
  EXPECT_EQ(gain_ramp_init(&s), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  EXPECT_EQ(s.gain, 0.0f);
}

// 0 -> 1 over 16: 1/16, 2/16, ..., 1; then exactly 1 throughout.
TEST(GainRamp, ZeroToOneOverSixteen) {
  gain_ramp_state s;
  gain_ramp_init(&s);
  std::vector<float> b(16, 1.0f);
  dsp_test::denormal_mode_clear();
  ASSERT_EQ(gain_ramp(&s, 1.0f, b.data(), 16), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  for (int i = 0; i < 16; ++i) EXPECT_EQ(b[i], 0.0625f * (i + 1)) << i;
  EXPECT_EQ(s.gain, 1.0f);
  std::vector<float> x = data(16, 3u, 1.0f, false), y = x;
  gain_ramp(&s, 1.0f, y.data(), 16);
  expect_same(y, x);
}

// Four running gains, each stepped by 4 * step once per group of four.
TEST(GainRamp, FourRunningGains) {
  gain_ramp_state s{0.2f};
  const float g = 0.9f;
  std::vector<float> b(64, 1.0f);
  gain_ramp(&s, g, b.data(), 64);
  const float step = (g - 0.2f) / 64.0f;
  float gains[4];
  gains[0] = 0.2f + step;
  for (int j = 1; j < 4; ++j) gains[j] = gains[j - 1] + step;
  const float step4 = 4.0f * step;
  for (int i = 0; i < 64; i += 4)
    for (int j = 0; j < 4; ++j) {
      ASSERT_EQ(b[i + j], gains[j]) << i + j;
      gains[j] += step4;
    }
  EXPECT_NEAR(b[63], g, 1e-6);
}

// Consecutive blocks join without a step.
TEST(GainRamp, ConsecutiveBlocksJoin) {
  gain_ramp_state s;
  gain_ramp_init(&s);
  const float targets[] = {0.8f, 0.3f, 0.3f, 1.0f, 0.0f, 0.55f};
  float prev_last = 0.0f, previous_target = 0.0f;
  for (float t : targets) {
    std::vector<float> b(64, 1.0f);
    gain_ramp(&s, t, b.data(), 64);
    const float step = (t - previous_target) / 64.0f;
    EXPECT_NEAR(b[0] - prev_last, step, 1e-6) << t;  // continues from the last gain
    EXPECT_NEAR(b[63], t, 1e-6) << t;
    for (int i = 1; i < 64; ++i) EXPECT_NEAR(b[i] - b[i - 1], step, 1e-6) << i;
    prev_last = b[63];
    previous_target = t;
  }
}

// Every kernel level: the four-lane chain's products, lengths in fours and eights.
TEST(GainRamp, EveryLevelGivesTheFourLaneProducts) {
  // Lengths of powers of two and others (the step is computed two ways);
  // steps that round to subnormals and to zero, and one that overflows.
  const float starts[] = {0.0f, 0.2f, -0.0f, 1.0f, 3.7e-39f, -3e38f};
  const float targets[] = {0.9f, 0.0f, -0.0f, 1.0f, 1e-30f, 3e38f, 4.5e-39f};
  for (const int n : {4, 8, 12, 16, 24, 64, 512})
    for (const float g0 : starts)
      for (const float g : targets) {
        dsp_test::test_noise noise(9u + static_cast<uint32_t>(n));
        std::vector<float> in(static_cast<size_t>(n));
        for (float& x : in) x = 2.0f * noise();
        in[0] = -0.0f;
        // The reference: four running gains, each + 4 step once per group.
        const float step = (g - g0) / static_cast<float>(n);
        float gains[4];
        gains[0] = g0 + step;
        for (int j = 1; j < 4; ++j) gains[j] = gains[j - 1] + step;
        std::vector<float> want = in;
        for (int i = 0; i < n; i += 4)
          for (int j = 0; j < 4; ++j) {
            want[i + j] = in[i + j] * gains[j];
            gains[j] += 4.0f * step;
          }
        for (const vector_level level : dsp_test::vector_levels()) {
          SCOPED_TRACE(std::string(dsp_test::level_name(level)) + " n " + std::to_string(n) +
                       " from " + std::to_string(g0) + " to " + std::to_string(g));
          vector_level_select(level);
          gain_ramp_state s{g0};
          std::vector<float> got = in;
          ASSERT_EQ(gain_ramp_apply(&s, g, got.data(), n), 0);
          EXPECT_EQ(bits_of(s.gain), bits_of(g));
          for (int i = 0; i < n; ++i) ASSERT_EQ(bits_of(got[i]), bits_of(want[i])) << i;
        }
        // A level that holds: the ramp is one product by the gain it names
        // (which a caller may then apply itself); one that moves is not.
        const gain_ramp_state before{g0};
        float held = -1.0f;
        const bool holds = gain_ramp_holds(&before, g, n, &held);
        EXPECT_EQ(holds, step == 0.0f);
        EXPECT_EQ(bits_of(before.gain), bits_of(g0));  // the state is not moved
        if (holds) {
          for (int i = 0; i < n; ++i) ASSERT_EQ(bits_of(in[i] * held), bits_of(want[i])) << i;
        }
      }
  wide_vectors_allow(true);
}

// Identity matrix: source 0 to left, source 1 to right, added to the output.
TEST(MixInterleaved, IdentityMatrixAddsToTheOutput) {
  const int frames = 64;
  const std::vector<float> s0 = data(frames, 4u, 1.0f, false), s1 = data(frames, 5u, 1.0f, false);
  const float* sources[2] = {s0.data(), s1.data()};
  const float matrix[4] = {1.0f, 0.0f, 0.0f, 1.0f};
  std::vector<float> out(2 * frames);
  for (int i = 0; i < 2 * frames; ++i) out[i] = 0.25f * (i % 5);
  const std::vector<float> before = out;
  ASSERT_EQ(mix_interleaved(sources, 2, out.data(), 2, matrix, frames), 0);
  for (int f = 0; f < frames; ++f) {
    EXPECT_EQ(out[2 * f], before[2 * f] + s0[f]) << f;
    EXPECT_EQ(out[2 * f + 1], before[2 * f + 1] + s1[f]) << f;
  }
}

// 8 sources into 6 channels: element c*S+s routes source s to channel c.
TEST(MixInterleaved, MatrixRoutesSourcesToChannels) {
  const int frames = 64;
  const int S = 8, M = 6;
  std::vector<std::vector<float>> src;
  std::vector<const float*> sources;
  for (int s = 0; s < S; ++s) src.push_back(data(frames, 10u + s, 1.0f, false));
  for (auto& v : src) sources.push_back(v.data());
  std::vector<float> matrix(S * M);
  for (int c = 0; c < M; ++c)
    for (int s = 0; s < S; ++s) matrix[c * S + s] = 0.01f * (c + 1) + 0.1f * s;
  std::vector<float> out(M * frames, 0.0f), want(M * frames, 0.0f);
  ASSERT_EQ(mix_interleaved(sources.data(), S, out.data(), M, matrix.data(), frames), 0);
  for (int c = 0; c < M; ++c)
    for (int s = 0; s < S; ++s)  // source by source, in column order
      for (int f = 0; f < frames; ++f) want[f * M + c] += matrix[c * S + s] * src[s][f];
  expect_same(out, want);
}

// No sources or no channels: the output is left as it was.
TEST(MixInterleaved, NoSourcesOrChannelsLeaveTheOutput) {
  const int frames = 64;
  const std::vector<float> s0 = data(frames, 4u, 1.0f, false);
  const float* sources[1] = {s0.data()};
  const float matrix[1] = {1.0f};
  std::vector<float> out(frames, 0.5f);
  mix_interleaved(sources, 0, out.data(), 1, matrix, frames);
  mix_interleaved(sources, 1, out.data(), 0, matrix, frames);
  for (float v : out) EXPECT_EQ(v, 0.5f);
}

// Zero matrix: every channel exactly 0, whatever it held.
TEST(MixDeinterleaved, ZeroMatrixGivesZeros) {
  const int frames = 64;
  const int S = 3, M = 4;
  std::vector<std::vector<float>> src;
  std::vector<const float*> sources;
  for (int s = 0; s < S; ++s) src.push_back(data(frames, 20u + s, 1.0f, false));
  for (auto& v : src) sources.push_back(v.data());
  std::vector<std::vector<float>> ch(M, std::vector<float>(frames, 7.0f));
  std::vector<float*> channels;
  for (auto& v : ch) channels.push_back(v.data());
  const std::vector<float> zero(S * M, 0.0f);
  ASSERT_EQ(mix_deinterleaved(sources.data(), S, channels.data(), M, zero.data(), frames), 0);
  for (int c = 0; c < M; ++c)
    for (int f = 0; f < frames; ++f) ASSERT_EQ(ch[c][f], 0.0f) << c << " " << f;
}

// Each channel cleared, then the sources added in column order.
TEST(MixDeinterleaved, ChannelsClearedThenSummedInOrder) {
  const int frames = 64;
  const int S = 3, M = 4;
  std::vector<std::vector<float>> src;
  std::vector<const float*> sources;
  for (int s = 0; s < S; ++s) src.push_back(data(frames, 20u + s, 1.0f, false));
  for (auto& v : src) sources.push_back(v.data());
  std::vector<std::vector<float>> ch(M, std::vector<float>(frames, 7.0f));
  std::vector<float*> channels;
  for (auto& v : ch) channels.push_back(v.data());
  std::vector<float> matrix(S * M);
  for (int i = 0; i < S * M; ++i) matrix[i] = 0.3f - 0.05f * i;
  for (auto& v : ch) v.assign(frames, 7.0f);
  mix_deinterleaved(sources.data(), S, channels.data(), M, matrix.data(), frames);
  for (int c = 0; c < M; ++c) {
    std::vector<float> want(frames, 0.0f);
    for (int s = 0; s < S; ++s)
      for (int f = 0; f < frames; ++f) want[f] += matrix[c * S + s] * src[s][f];
    expect_same(ch[c], want);
  }
}

// No sources: channels cleared; no channels: nothing written.
TEST(MixDeinterleaved, NoSourcesClearsNoChannelsWritesNothing) {
  const int frames = 64;
  const int S = 3, M = 4;
  std::vector<std::vector<float>> src;
  std::vector<const float*> sources;
  for (int s = 0; s < S; ++s) src.push_back(data(frames, 20u + s, 1.0f, false));
  for (auto& v : src) sources.push_back(v.data());
  std::vector<std::vector<float>> ch(M, std::vector<float>(frames, 7.0f));
  std::vector<float*> channels;
  for (auto& v : ch) channels.push_back(v.data());
  for (auto& v : ch) v.assign(frames, 7.0f);
  const float matrix[1] = {1.0f};
  mix_deinterleaved(sources.data(), 0, channels.data(), M, matrix, frames);
  for (int c = 0; c < M; ++c)
    for (float v : ch[c]) ASSERT_EQ(v, 0.0f);
  for (auto& v : ch) v.assign(frames, 7.0f);
  mix_deinterleaved(sources.data(), S, channels.data(), 0, matrix, frames);
  for (int c = 0; c < M; ++c)
    for (float v : ch[c]) ASSERT_EQ(v, 7.0f);
}

// The mixers against the element-wise definition with sparse matrices (a
// zero gain is skipped, which must change no bit), more sources than one
// round of columns, and every channel-count path (1, 2, and more: channels
// written in fours, pairs and a single one).
TEST(BlockOps, MixersSkipZeroGainsWithoutChangingABit) {
  const int frames = 64, S = 40;
  std::vector<std::vector<float>> src;
  std::vector<const float*> sources;
  for (int s = 0; s < S; ++s) src.push_back(data(frames, 30u + s, 1.0f, false));
  for (auto& v : src) sources.push_back(v.data());
  for (const int M : {1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    SCOPED_TRACE(M);
    std::vector<float> matrix(S * M);
    for (int i = 0; i < S * M; ++i)
      matrix[i] = i % 3 == 0 ? 0.0f : (i % 7 == 1 ? -0.0f : 0.37f - 0.011f * i);
    std::vector<float> want(M * frames, 0.0f);
    for (int c = 0; c < M; ++c)
      for (int s = 0; s < S; ++s)
        for (int f = 0; f < frames; ++f) want[f * M + c] += matrix[c * S + s] * src[s][f];
    std::vector<float> out(M * frames, 0.0f);
    ASSERT_EQ(mix_interleaved(sources.data(), S, out.data(), M, matrix.data(), frames), 0);
    expect_same(out, want);
    // The fresh form ignores what the output held (here NaN), with one round
    // of columns or more, at every kernel level (one or two channels take
    // sixty-four frames and then eight at a time with AVX, sixty-four and
    // then sixteen with the sixteen-lane AVX-512 level; lengths 48 and 40
    // leave tails).
    for (const vector_level level : dsp_test::vector_levels())
      for (const int s_count : {S, 5, 1})
        for (const int length : {frames, 48, 40}) {
          SCOPED_TRACE(std::string(dsp_test::level_name(level)) + " " +
                       std::to_string(s_count) + " " + std::to_string(length));
          vector_level_select(level);
          std::vector<float> fresh(M * frames, NAN), cleared(M * frames, 0.0f);
          ASSERT_EQ(mix_interleaved_fresh(sources.data(), s_count, fresh.data(), M, matrix.data(),
                                          length),
                    0);
          mix_interleaved(sources.data(), s_count, cleared.data(), M, matrix.data(), length);
          for (int i = 0; i < M * length; ++i)
            ASSERT_EQ(dsp_test::bits_of(fresh[i]), dsp_test::bits_of(cleared[i])) << i;
          // Planned once, the same mix twice (a renderer's blocks), into
          // outputs holding NaN.
          mix_plan plan;
          mix_plan_make(&plan, sources.data(), s_count, M, matrix.data());
          for (int block = 0; block < 2; ++block) {
            std::vector<float> planned(M * frames, NAN);
            ASSERT_EQ(mix_interleaved_fresh_planned(&plan, planned.data(), length), 0);
            for (int i = 0; i < M * length; ++i)
              ASSERT_EQ(dsp_test::bits_of(planned[i]), dsp_test::bits_of(cleared[i]))
                  << block << " " << i;
          }
        }
    // A plan made at the widest level still mixes right once the portable
    // level is selected.
    for (const int s_count : {S, 5}) {
      wide_vectors_allow(true);
      mix_plan plan;
      mix_plan_make(&plan, sources.data(), s_count, M, matrix.data());
      vector_level_select(VECTORS_PORTABLE);
      std::vector<float> planned(M * frames, NAN), cleared(M * frames, 0.0f);
      ASSERT_EQ(mix_interleaved_fresh_planned(&plan, planned.data(), frames), 0);
      mix_interleaved(sources.data(), s_count, cleared.data(), M, matrix.data(), frames);
      for (int i = 0; i < M * frames; ++i)
        ASSERT_EQ(dsp_test::bits_of(planned[i]), dsp_test::bits_of(cleared[i])) << s_count << i;
    }
    wide_vectors_allow(true);
    std::vector<std::vector<float>> ch(M, std::vector<float>(frames, 7.0f));
    std::vector<float*> channels;
    for (auto& v : ch) channels.push_back(v.data());
    ASSERT_EQ(mix_deinterleaved(sources.data(), S, channels.data(), M, matrix.data(), frames), 0);
    for (int c = 0; c < M; ++c)
      for (int f = 0; f < frames; ++f)
        ASSERT_EQ(dsp_test::bits_of(ch[c][f]), dsp_test::bits_of(want[f * M + c])) << c << " " << f;
  }
}
