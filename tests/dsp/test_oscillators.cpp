// The sine oscillator and the sawtooth ramp.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dsp/lanes.h"
#include "dsp/noise.h"
#include "dsp/oscillators.h"
#include "dsp_test_util.h"

using dsp_test::bits_of;
using dsp_test::ulps;

namespace {

constexpr double PI = 3.141592653589793;
constexpr float PI_F = 3.14159274f;  // float nearest pi, just above it

}  // namespace

// Init: null rejected; phase pi/2, scale 2 pi / fs.
TEST(SineOsc, InitSetsPhaseAndScale) {
  EXPECT_EQ(sine_osc_init(nullptr, 48000.0f), 4);
  sine_osc o;
  ASSERT_EQ(sine_osc_init(&o, 48000.0f), 0);
  EXPECT_EQ(o.phase, 1.5707964f);
  const float scale = static_cast<float>(2.0 * PI / 48000.0);
  EXPECT_NEAR(o.scale, scale, ulps(scale, 1));
}

// 0 Hz from a fresh oscillator: the peak, 1.0, on every sample.
TEST(SineOsc, ZeroHertzHoldsThePeak) {
  sine_osc o;
  sine_osc_init(&o, 48000.0f);
  std::vector<float> freq(64, 0.0f), out(64);
  ASSERT_EQ(sine_osc_process_to(&o, freq.data(), out.data(), 64), 0);
  for (int i = 0; i < 64; ++i) EXPECT_NEAR(out[i], 1.0f, ulps(1.0f)) << i;
  EXPECT_EQ(o.phase, 1.5707964f);
}

// 12 kHz at 48 kHz: quarter turns, 1, 0, -1, 0, ...
TEST(SineOsc, QuarterRateTurnsInQuarters) {
  sine_osc o;
  sine_osc_init(&o, 48000.0f);
  std::vector<float> freq(64, 12000.0f), out(64);
  sine_osc_process_to(&o, freq.data(), out.data(), 64);
  const float want[4] = {1.0f, 0.0f, -1.0f, 0.0f};
  for (int i = 0; i < 64; ++i) EXPECT_NEAR(out[i], want[i % 4], 1e-4) << i;
  EXPECT_NEAR(out[0], 1.0f, ulps(1.0f));
  EXPECT_NEAR(out[2], -1.0f, 1e-6);
  EXPECT_NEAR(o.phase, PI / 2, 1e-5);  // sixteen whole turns later
}

// The approximation stays within about 0.001 of sin over [-pi, pi].
TEST(SineOsc, ApproximationWithinAThousandth) {
  double worst = 0.0;
  for (int k = -2000; k <= 2000; ++k) {
    sine_osc o;
    sine_osc_init(&o, 48000.0f);
    o.phase = static_cast<float>(PI * k / 2000.0);
    float freq[8] = {0}, out[8];
    sine_osc_process_to(&o, freq, out, 8);
    worst = std::fmax(worst, std::fabs(out[0] - std::sin(PI * k / 2000.0)));
  }
  EXPECT_LT(worst, 0.00115);
  EXPECT_GT(worst, 0.0);  // an approximation, not the library sine
}

// A sweep over wild frequencies keeps output in [-1, 1], phase in [-pi, pi].
TEST(SineOsc, WildSweepStaysInRange) {
  sine_osc o;
  sine_osc_init(&o, 44100.0f);
  std::vector<float> freq(256), out(256);
  noise_set_uniform_seed(317u);
  for (int block = 0; block < 400; ++block) {
    noise_white_process(freq.data(), 256);
    const float span = block < 200 ? 30000.0f : 500000.0f;  // beyond fs as well
    for (float& f : freq) f *= span;
    sine_osc_process_to(&o, freq.data(), out.data(), 256);
    for (int i = 0; i < 256; ++i) {
      ASSERT_TRUE(std::isfinite(out[i]));
      ASSERT_LE(std::fabs(out[i]), 1.0f) << block << " " << i;
    }
    ASSERT_LE(std::fabs(o.phase), PI_F) << block;
  }
}

// A negative frequency runs the phase backwards.
TEST(SineOsc, NegativeFrequencyRunsBackwards) {
  sine_osc a, b;
  sine_osc_init(&a, 48000.0f);
  sine_osc_init(&b, 48000.0f);
  std::vector<float> up(8, 700.0f), down(8, -700.0f), oa(8), ob(8);
  sine_osc_process_to(&a, up.data(), oa.data(), 8);
  sine_osc_process_to(&b, down.data(), ob.data(), 8);
  EXPECT_GT(a.phase, 1.5707964f);
  EXPECT_NEAR(a.phase - PI / 2, PI / 2 - b.phase, 1e-5);
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(oa[i], ob[i], 1e-5) << i;  // cosine is even
}

// A frequency above fs folds to the same output as f - fs.
TEST(SineOsc, FrequencyAboveTheRateFolds) {
  sine_osc a, b;
  sine_osc_init(&a, 48000.0f);
  sine_osc_init(&b, 48000.0f);
  std::vector<float> lo(64, 1000.0f), hi(64, 49000.0f), neg(64, -47000.0f);
  std::vector<float> oa(64), ob(64), oc(64);
  sine_osc c = b;
  sine_osc_process_to(&a, lo.data(), oa.data(), 64);
  sine_osc_process_to(&b, hi.data(), ob.data(), 64);
  sine_osc_process_to(&c, neg.data(), oc.data(), 64);
  for (int i = 0; i < 64; ++i) {
    EXPECT_NEAR(oa[i], ob[i], 1e-4) << i;
    EXPECT_NEAR(oa[i], oc[i], 1e-4) << i;
  }
}

// In place equals the _to form; the frequency block is kept.
TEST(SineOsc, InPlaceEqualsToForm) {
  sine_osc a, b;
  sine_osc_init(&a, 48000.0f);
  sine_osc_init(&b, 48000.0f);
  std::vector<float> freq(128), out(128);
  for (int i = 0; i < 128; ++i) freq[i] = 100.0f + 37.0f * i;
  std::vector<float> block = freq;
  const std::vector<float> kept = freq;
  sine_osc_process_to(&a, freq.data(), out.data(), 128);
  ASSERT_EQ(sine_osc_process(&b, block.data(), 128), 0);
  for (int i = 0; i < 128; ++i) {
    ASSERT_EQ(bits_of(block[i]), bits_of(out[i])) << i;
    ASSERT_EQ(freq[i], kept[i]) << i;
  }
  EXPECT_EQ(a.phase, b.phase);
}

// One call equals the same block in 8-sample calls.
TEST(SineOsc, OneCallEqualsEightSampleCalls) {
  sine_osc a, b;
  sine_osc_init(&a, 48000.0f);
  sine_osc_init(&b, 48000.0f);
  std::vector<float> freq(256), one(256), split(256);
  for (int i = 0; i < 256; ++i) freq[i] = 3000.0f * std::sin(0.05f * i) + 2500.0f;
  sine_osc_process_to(&a, freq.data(), one.data(), 256);
  for (int i = 0; i < 256; i += 8) sine_osc_process_to(&b, freq.data() + i, split.data() + i, 8);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(bits_of(one[i]), bits_of(split[i])) << i;
}

// A call with n <= 0 only folds the stored phase back by whole turns.
TEST(SineOsc, EmptyCallFoldsTheStoredPhase) {
  sine_osc o;
  sine_osc_init(&o, 48000.0f);
  float block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  o.phase = 10.0f;
  EXPECT_EQ(sine_osc_process(&o, block, 0), 0);
  EXPECT_NEAR(o.phase, 10.0 - 6.2831854820251465, 1e-6);
  o.phase = -20.0f;
  sine_osc_process(&o, block, -8);
  EXPECT_NEAR(o.phase, -20.0 + 3 * 6.2831854820251465, 1e-6);
  EXPECT_EQ(block[0], 1.0f);
  EXPECT_EQ(block[7], 8.0f);
  o.phase = 10.0f;
  EXPECT_EQ(sine_osc_process_to(&o, block, block + 8, 0), 0);
  EXPECT_NEAR(o.phase, 10.0 - 6.2831854820251465, 1e-6);
}

// A stored phase beyond a turn sounds like the same angle folded back.
TEST(SineOsc, StoredPhaseBeyondATurnFoldsBack) {
  sine_osc a, b;
  sine_osc_init(&a, 48000.0f);
  sine_osc_init(&b, 48000.0f);
  a.phase = static_cast<float>(1.0 + 2 * 6.2831854820251465);
  b.phase = 1.0f;
  std::vector<float> freq(16, 500.0f), oa(16), ob(16);
  sine_osc_process_to(&a, freq.data(), oa.data(), 16);
  sine_osc_process_to(&b, freq.data(), ob.data(), 16);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(oa[i], ob[i], 1e-5) << i;
  EXPECT_LE(std::fabs(a.phase), PI_F);
}

// Init: phase and increment 0; a held phase is output forever.
TEST(RampOsc, InitHoldsThePhase) {
  ramp_osc o{0.7f, 0.1f};
  ramp_osc_init(&o);
  EXPECT_EQ(o.phase, 0.0f);
  EXPECT_EQ(o.increment, 0.0f);
  o.phase = 0.3f;
  float out[32];
  ASSERT_EQ(ramp_osc_process(&o, out, 32), 0);
  for (float v : out) EXPECT_EQ(v, 0.3f);
  EXPECT_EQ(o.phase, 0.3f);
}

// Increment 0.5 from 0: 0, 0.5, -1, -0.5, 0, 0.5 (reset to -1 at 1.0).
TEST(RampOsc, HalfIncrementSequence) {
  ramp_osc o;
  ramp_osc_init(&o);
  ASSERT_EQ(ramp_osc_set_freq(&o, 12000.0f, 48000.0f), 0);
  EXPECT_EQ(o.increment, 0.5f);
  float out[6];
  ramp_osc_process(&o, out, 6);
  const float want[6] = {0.0f, 0.5f, -1.0f, -0.5f, 0.0f, 0.5f};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], want[i]) << i;
  EXPECT_EQ(o.phase, -1.0f);
}

// 480 Hz at 48 kHz: output in [-1, 1), one reset about every 100 samples.
TEST(RampOsc, OutputRangeAndResets) {
  ramp_osc o;
  ramp_osc_init(&o);
  ramp_osc_set_freq(&o, 480.0f, 48000.0f);
  EXPECT_NEAR(o.increment, 0.02f, ulps(0.02f));
  std::vector<float> out(48000);
  ramp_osc_process(&o, out.data(), 48000);
  int resets = 0;
  for (int i = 0; i < 48000; ++i) {
    ASSERT_GE(out[i], -1.0f);
    ASSERT_LT(out[i], 1.0f);
    if (i > 0 && out[i] < out[i - 1]) {
      ++resets;
      EXPECT_EQ(out[i], -1.0f);
    }
  }
  EXPECT_GE(resets, 470);
  EXPECT_LE(resets, 480);
}

// The phase carries across calls.
TEST(RampOsc, PhaseCarriesAcrossCalls) {
  ramp_osc a, b;
  ramp_osc_init(&a);
  ramp_osc_set_freq(&a, 1234.0f, 44100.0f);
  b = a;
  std::vector<float> one(300), split(300);
  ramp_osc_process(&a, one.data(), 300);
  ramp_osc_process(&b, split.data(), 1);
  ramp_osc_process(&b, split.data() + 1, 299);
  for (int i = 0; i < 300; ++i) ASSERT_EQ(bits_of(one[i]), bits_of(split[i])) << i;
}

// Lane-parallel oscillators give bit for bit the scalar samples and phases,
// for one to eight oscillators: ordinary and slow pitches, wraps every
// sample, negative and folded increments, increments right at 2 pi, odd
// start phases, and blocks the single-precision wrap cannot take (huge,
// infinite or NaN frequencies), which must fall back to the scalar steps.
// Two to four oscillators at the eight-lane levels take the paired pass
// (four-lane phase chains, two samples per vector otherwise).
TEST(Oscillators, SineLanesEqualScalar) {
  dsp_test::test_noise rnd(987u);
  const float rate_hz = 48000.0f;
  const float near_rate = std::nextafter(rate_hz, 0.0f);  // increment just below 2 pi
  auto frequency = [&](int call, int k) -> float {
    const float r = rnd();
    switch ((call + k) % 10) {
      case 0:
        return 30.0f + 2.0f * r;  // slow: a wrap now and then
      case 1:
        return 30.0f + 20000.0f * r * r;  // ordinary
      case 2:
        return -2000.0f * r;  // negative
      case 3:
        return 3e5f * r;  // folded
      case 4:
        return r > 0.0f ? near_rate : -near_rate;  // about 2 pi per sample
      case 5:
        return 23999.0f + r;  // about pi per sample
      // Folds leaving a few radians more than 2 pi (where the increment's
      // own rounding exceeds 2 pi), and one huge frequency.
      // This one folds to 8 radians per sample at 48 kHz: the phase runs away.
      case 6:
        return r > 0.9f ? 1e30f : (r > 0.0f ? 8.0532e11f : 1e12f * (0.5f + 0.5f * r));
      case 7:  // -0 keeps its sign through the fold
        return r > 0.95f ? INFINITY : (r < -0.95f ? NAN : (std::fabs(r) < 0.3f ? -0.0f : 100.0f));
      case 8: {
        // Whole turns per sample, give or take a few ulps: quotients by 2 pi
        // at or within an ulp or two of a whole number, where the fold's
        // multiple is hardest to get right.
        const int turns = 1 + static_cast<int>((r + 1.0f) * 20.0f);
        float f = static_cast<float>(turns) * rate_hz;
        for (int step = static_cast<int>((r + 1.0f) * 3000.0f) % 9 - 4; step != 0;
             step += step > 0 ? -1 : 1)
          f = std::nextafter(f, step > 0 ? INFINITY : 0.0f);
        return f;
      }
      default:
        return rate_hz * r;
    }
  };
  for (int count = 1; count <= 8; ++count)
    for (const vector_level level : dsp_test::vector_levels()) {
      SCOPED_TRACE(dsp_test::level_name(level));
      vector_level_select(level);
      sine_osc lanes[8], scalar[8];
      for (int k = 0; k < 8; ++k) {
        sine_osc_init(&lanes[k], k == 3 ? 44100.0f : rate_hz);
        lanes[k].phase = 40.0f * rnd();  // normalised at the first call
        scalar[k] = lanes[k];
      }
      for (int call = 0; call < 40; ++call) {
        const int n = call % 4 == 3 ? 136 : 64;  // a call longer than one chunk
        float a[8][136], b[8][136];
        for (int k = 0; k < 8; ++k)
          for (int i = 0; i < n; ++i) a[k][i] = b[k][i] = frequency(call, k);
        sine_osc_job jobs[8];
        for (int k = 0; k < count; ++k) jobs[k] = {&lanes[k], a[k]};
        sine_osc_process_lanes(jobs, count, n);
        for (int k = 0; k < count; ++k) sine_osc_process(&scalar[k], b[k], n);
        // Equal bits; a NaN's sign and payload depend on operand order, so
        // any NaN matches any NaN.
        auto same = [](float x, float y) {
          return bits_of(x) == bits_of(y) || (std::isnan(x) && std::isnan(y));
        };
        for (int k = 0; k < count; ++k) {
          for (int i = 0; i < n; ++i)
            ASSERT_TRUE(same(a[k][i], b[k][i]))
                << "lanes " << count << " lane " << k << " call " << call << " sample " << i << ": "
                << a[k][i] << " vs " << b[k][i];
          ASSERT_TRUE(same(lanes[k].phase, scalar[k].phase))
              << lanes[k].phase << " vs " << scalar[k].phase;
        }
        // A phase made NaN or infinite stays so; start the pair afresh.
        for (int k = 0; k < count; ++k)
          if (!std::isfinite(scalar[k].phase)) {
            sine_osc_init(&lanes[k], rate_hz);
            scalar[k] = lanes[k];
          }
      }
    }
  wide_vectors_allow(true);
}

// The vector oscillators wrap phases in single precision. Over every float
// within the wrap's range, the single-precision test and sums give exactly
// the double-precision wrap of the scalar oscillator.
TEST(Oscillators, SinglePrecisionWrapEqualsDoubleWrapOverItsRange) {
  using namespace sine_wrap;
  const double pi = 3.141592653589793, two_pi = 6.283185307179586;
  // Volatile: the sums must be the float operations, not folded by the compiler.
  volatile float high = WRAP_HIGH, low = WRAP_LOW, limit = WRAP_LIMIT;
  long mismatches = 0;
  for (float x = 0.0f; x <= WRAP_RANGE; x = std::nextafter(x, INFINITY)) {
    for (const float s : {x, -x}) {
      const double d = s;
      const bool below = d < -pi, above = d > pi;
      if (below != (s <= -limit) || above != (s >= limit)) ++mismatches;
      if (below && bits_of(static_cast<float>(d + two_pi)) != bits_of((s + high) + low)) ++mismatches;
      if (above && bits_of(static_cast<float>(d - two_pi)) != bits_of((s - high) - low)) ++mismatches;
    }
    if (x < 3.0f) x = 3.0f;  // below 3 neither side wraps
  }
  EXPECT_EQ(mismatches, 0);
}

// Ramps side by side give the scalar ramp's samples and phases bit for bit:
// slow ramps, ramps restarting every few samples, negative and NaN
// increments, any number of ramps, at either vector width.
TEST(Oscillators, RampLanesEqualScalar) {
  const float freqs[10] = {0.5f, 3.0f,    9000.0f, 23000.0f, -40.0f,
                           0.0f, 1234.5f, NAN,     7.0f,     47999.0f};
  for (const vector_level level : dsp_test::vector_levels())
    for (int count = 1; count <= 10; ++count) {
      SCOPED_TRACE(count);
      vector_level_select(level);
      ramp_osc lanes[10], scalar[10];
      for (int k = 0; k < 10; ++k) {
        ramp_osc_init(&lanes[k]);
        ramp_osc_set_freq(&lanes[k], freqs[k], 48000.0f);
        lanes[k].phase = 0.1f * static_cast<float>(k) - 0.45f;
        scalar[k] = lanes[k];
      }
      for (int call = 0; call < 30; ++call) {
        float a[10][64], b[10][64];
        ramp_osc_job jobs[10];
        for (int k = 0; k < count; ++k) jobs[k] = {&lanes[k], a[k]};
        ramp_osc_process_lanes(jobs, count, 64);
        for (int k = 0; k < count; ++k) ramp_osc_process(&scalar[k], b[k], 64);
        for (int k = 0; k < count; ++k) {
          for (int i = 0; i < 64; ++i)
            ASSERT_TRUE(bits_of(a[k][i]) == bits_of(b[k][i]) ||
                        (std::isnan(a[k][i]) && std::isnan(b[k][i])))
                << k << " " << i;
          ASSERT_TRUE(bits_of(lanes[k].phase) == bits_of(scalar[k].phase) ||
                      (std::isnan(lanes[k].phase) && std::isnan(scalar[k].phase)));
        }
      }
    }
  wide_vectors_allow(true);
}
