// The random swell envelope.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/envelope.h"
#include "dsp/lanes.h"
#include "dsp/noise.h"
#include "dsp_test_util.h"

using dsp_test::bits_of;

namespace {

constexpr uint32_t UNIFORM_MUL = 16807u;

// The uniform draw as the generator defines it, on a local copy of the seed.
float draw(uint32_t& seed) {
  seed *= UNIFORM_MUL;
  return static_cast<float>(seed & 0x7FFFFFFFu) * 0x1p-31f;
}

// Samples of a time in ms at a rate: the product in float, floored.
int32_t samples_of(float rate, float ms) {
  return static_cast<int32_t>(std::floor(static_cast<double>((rate * 0.001f) * ms)));
}

}  // namespace

// Init from seed 317: defaults and a first swell drawn with one draw.
TEST(RandomEnvelope, InitDrawsTheFirstSwell) {
  EXPECT_EQ(random_envelope_init(nullptr), 4);
  noise_set_uniform_seed(317u);
  random_envelope e;
  dsp_test::denormal_mode_clear();
  ASSERT_EQ(random_envelope_init(&e), 0);
  EXPECT_TRUE(dsp_test::denormal_mode_is_set());
  EXPECT_EQ(e.attack_len, 4800);
  EXPECT_EQ(e.swell_len, 28800);
  EXPECT_EQ(e.counter, 1);
  EXPECT_EQ(e.env, 1.0);
  EXPECT_EQ(e.floor, 0.0f);
  EXPECT_EQ(e.amp_min, 1.0f);
  EXPECT_EQ(e.amp_max, 1.5f);
  EXPECT_EQ(e.sample_rate, 48000.0f);
  const float u = static_cast<float>((317u * 16807u) & 0x7FFFFFFFu) * 0x1p-31f;
  EXPECT_EQ(e.peak, 1.0f + 0.5f * u);
  EXPECT_EQ(noise_get_uniform_seed(), 317u * 16807u);
}

// Default swell: env about 1.999900 at the top, 0.999969 at the end.
TEST(RandomEnvelope, DefaultSwellShape) {
  noise_set_uniform_seed(317u);
  random_envelope e;
  random_envelope_init(&e);
  std::vector<float> out(28799);
  random_envelope_process(&e, out.data(), 4800);
  EXPECT_NEAR(e.env, 1.999900, 5e-7);
  EXPECT_GT(out[0], 0.0f);  // the first swell multiplies on its first sample
  random_envelope_process(&e, out.data() + 4800, 28799 - 4800);
  EXPECT_NEAR(e.env, 0.999969, 5e-7);
  // The output rises to the top of the attack and falls back to near the floor.
  for (int i = 1; i < 4800; ++i) ASSERT_GT(out[i], out[i - 1]) << i;
  for (int i = 4800; i < 28799; ++i) ASSERT_LT(out[i], out[i - 1]) << i;
  EXPECT_NEAR(out[4799], e.peak * 0.9999, 1e-5);
  EXPECT_LT(out[28798], 0.0f);  // env ends just below 1: slightly under the floor
  EXPECT_GT(out[28798], -1e-4f);
}

// Equal bounds: one draw per swell; each new swell starts on the floor.
TEST(RandomEnvelope, EqualBoundsTakeOneDrawPerSwell) {
  noise_set_uniform_seed(317u);
  random_envelope e;
  random_envelope_init(&e);
  ASSERT_EQ(random_envelope_set_floor(&e, 0.25f), 0);
  std::vector<int> starts;
  uint32_t seed = noise_get_uniform_seed();
  float prev = 0.0f;
  for (int i = 0; i < 100000; ++i) {
    float v;
    random_envelope_process(&e, &v, 1);
    const uint32_t now = noise_get_uniform_seed();
    if (now != seed) {
      EXPECT_EQ(now, seed * UNIFORM_MUL) << i;  // exactly one draw
      EXPECT_EQ(v, 0.25f) << i;                 // the floor, env still 1.0
      const float u = static_cast<float>(now & 0x7FFFFFFFu) * 0x1p-31f;
      EXPECT_EQ(e.peak, 0.5f * u + 1.0f);
      starts.push_back(i);
      seed = now;
    } else if (!starts.empty() && i == starts.back() + 1) {
      EXPECT_GT(v, prev);  // and rises from the next sample on
    }
    prev = v;
  }
  // Counter 28800 reaches the swell length at sample 28799; a swell begun
  // inside processing spans counters 1..28799.
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[0], 28799);
  EXPECT_EQ(starts[1], 28799 * 2);
  EXPECT_EQ(starts[2], 28799 * 3);
}

// With ranges the draws come in the order attack, decay, peak.
TEST(RandomEnvelope, DrawOrderIsAttackDecayPeak) {
  random_envelope e;
  random_envelope_init(&e);
  ASSERT_EQ(random_envelope_set_time_ranges(&e, 50.0f, 150.0f, 200.0f, 800.0f, 44100.0f), 0);
  ASSERT_EQ(random_envelope_set_amplitude_range(&e, 0.5f, 2.0f), 0);
  noise_set_uniform_seed(0x13579BDFu);
  uint32_t seed = 0x13579BDFu;
  ASSERT_EQ(random_envelope_retrigger(&e), 0);
  const float ua = draw(seed), ud = draw(seed), up = draw(seed);
  EXPECT_EQ(noise_get_uniform_seed(), seed);
  const int32_t la = samples_of(44100.0f, 50.0f + ua * 100.0f);
  const int32_t ld = samples_of(44100.0f, 200.0f + ud * 600.0f);
  EXPECT_EQ(e.attack_len, la);
  EXPECT_EQ(e.swell_len, la + ld);
  EXPECT_EQ(e.peak, 1.5f * up + 0.5f);
  EXPECT_EQ(e.counter, 1);
  EXPECT_EQ(e.env, 1.0);
}

// Lengths: the rate times 0.001 is formed first, in float.
TEST(RandomEnvelope, LengthsFormTheRateProductInFloat) {
  // 238.39 ms at 44.1 kHz lands on 10513 this way and on 10512 when the
  // time is multiplied by the rate first.
  const float t = 238.39f;
  ASSERT_NE(std::floor((44100.0f * 0.001f) * t), std::floor((t * 44100.0f) * 0.001f));
  random_envelope e;
  random_envelope_init(&e);
  ASSERT_EQ(random_envelope_set_time_ranges(&e, t, t, t, t, 44100.0f), 0);
  random_envelope_retrigger(&e);
  EXPECT_EQ(e.attack_len, 10513);
  EXPECT_EQ(e.swell_len, 2 * 10513);
}

// One call equals the same samples in calls of odd lengths.
TEST(RandomEnvelope, OneCallEqualsOddLengthCalls) {
  random_envelope a, b;
  noise_set_uniform_seed(99u);
  random_envelope_init(&a);
  random_envelope_set_time_ranges(&a, 5.0f, 20.0f, 10.0f, 40.0f, 48000.0f);
  b = a;
  std::vector<float> one(20000), split(20000);
  noise_set_uniform_seed(1234u);
  random_envelope_process(&a, one.data(), 20000);
  noise_set_uniform_seed(1234u);
  for (int pos = 0, n = 1; pos < 20000; pos += n, n = (n * 7 + 3) % 997) {
    if (n == 0) n = 1;
    random_envelope_process(&b, split.data() + pos, std::min(n, 20000 - pos));
  }
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(bits_of(one[i]), bits_of(split[i])) << i;
}

// Rhythm P 1000, V 0, D 0.25, W 0 at 48 kHz: attack 12000, decay 36000.
TEST(RandomEnvelope, RhythmSetsAttackAndDecay) {
  random_envelope e;
  random_envelope_init(&e);
  EXPECT_EQ(random_envelope_set_rhythm(&e, 1000.0f, 0.0f, 0.25f, 0.0f, 48000.0f), 0);
  EXPECT_EQ(e.attack_min, 250.0f);
  EXPECT_EQ(e.attack_max, 250.0f);
  EXPECT_EQ(e.decay_min, 750.0f);
  EXPECT_EQ(e.decay_max, 750.0f);
  random_envelope_retrigger(&e);
  EXPECT_EQ(e.attack_len, 12000);
  EXPECT_EQ(e.swell_len - e.attack_len, 36000);
}

// Rhythm variations widen the period and the duty, the attack clipped to it.
TEST(RandomEnvelope, RhythmVariationsWidenTheRanges) {
  random_envelope e;
  random_envelope_init(&e);
  random_envelope_set_rhythm(&e, 1000.0f, 0.2f, 0.8f, 0.5f, 44100.0f);
  EXPECT_FLOAT_EQ(e.attack_min, 0.4f * 800.0f);  // (1 - W) D (1 - V) P
  EXPECT_FLOAT_EQ(e.attack_max, 1200.0f);        // min(1, (1 + W) D) (1 + V) P
  EXPECT_FLOAT_EQ(e.decay_max, 1200.0f - e.attack_min);
  EXPECT_FLOAT_EQ(e.decay_min, 0.0f);
  EXPECT_EQ(e.sample_rate, 44100.0f);
  random_envelope_set_rhythm(&e, 1000.0f, 0.0f, 0.5f, 1.5f, 48000.0f);
  EXPECT_EQ(e.attack_min, 0.0f);  // (1 - W) D clipped at 0
}

// Amplitude range: max below min rejected; a min below the floor lowers it.
TEST(RandomEnvelope, AmplitudeRangeChecks) {
  random_envelope e;
  random_envelope_init(&e);
  ASSERT_EQ(random_envelope_set_floor(&e, 0.5f), 0);
  EXPECT_EQ(random_envelope_set_amplitude_range(&e, 0.8f, 0.7f), 5);
  EXPECT_EQ(random_envelope_set_amplitude_range(&e, NAN, 0.7f), 5);
  EXPECT_EQ(e.amp_min, 1.0f);
  EXPECT_EQ(e.amp_max, 1.5f);
  const float peak = e.peak;
  EXPECT_EQ(random_envelope_set_amplitude_range(&e, 0.2f, 0.3f), 0);
  EXPECT_EQ(e.floor, 0.2f);
  EXPECT_EQ(e.amp_min, 0.2f);
  EXPECT_EQ(e.amp_max, 0.3f);
  EXPECT_EQ(e.peak, peak);  // the range takes effect at the next swell
  random_envelope_retrigger(&e);
  EXPECT_GE(e.peak, 0.2f);
  EXPECT_LE(e.peak, 0.3f);
  EXPECT_EQ(random_envelope_set_amplitude_range(&e, 0.4f, 0.6f), 0);
  EXPECT_EQ(e.floor, 0.2f);  // a higher min leaves the floor
}

// Floor above amplitude min rejected; an accepted floor acts at once.
TEST(RandomEnvelope, FloorChecks) {
  random_envelope e;
  random_envelope_init(&e);
  ASSERT_EQ(random_envelope_set_floor(&e, 0.3f), 0);
  EXPECT_EQ(random_envelope_set_floor(&e, 1.1f), 5);
  EXPECT_EQ(random_envelope_set_floor(&e, NAN), 5);
  EXPECT_EQ(e.floor, 0.3f);
  EXPECT_EQ(random_envelope_set_floor(&e, 1.0f), 0);  // equal to amplitude min
  float v;
  random_envelope_process(&e, &v, 1);
  EXPECT_GE(v, 1.0f);
}

// Time ranges: a bad attack pair changes nothing, a bad decay pair keeps attack.
TEST(RandomEnvelope, TimeRangeChecks) {
  random_envelope e;
  random_envelope_init(&e);
  EXPECT_EQ(random_envelope_set_time_ranges(&e, 20.0f, 10.0f, 1.0f, 2.0f, 96000.0f), 5);
  EXPECT_EQ(e.attack_min, 100.0f);
  EXPECT_EQ(e.attack_max, 100.0f);
  EXPECT_EQ(e.decay_min, 500.0f);
  EXPECT_EQ(e.sample_rate, 48000.0f);
  EXPECT_EQ(random_envelope_set_time_ranges(&e, 10.0f, 20.0f, 2.0f, 1.0f, 96000.0f), 5);
  EXPECT_EQ(e.attack_min, 10.0f);
  EXPECT_EQ(e.attack_max, 20.0f);
  EXPECT_EQ(e.decay_min, 500.0f);
  EXPECT_EQ(e.decay_max, 500.0f);
  EXPECT_EQ(e.sample_rate, 48000.0f);
  EXPECT_EQ(random_envelope_set_time_ranges(&e, 10.0f, 20.0f, 1.0f, 2.0f, 96000.0f), 0);
  EXPECT_EQ(e.decay_min, 1.0f);
  EXPECT_EQ(e.decay_max, 2.0f);
  EXPECT_EQ(e.sample_rate, 96000.0f);
}

// Peak 0 (range 0..0) outputs exact zeros whatever the floor.
TEST(RandomEnvelope, ZeroPeakOutputsZeros) {
  random_envelope e;
  random_envelope_init(&e);
  ASSERT_EQ(random_envelope_set_amplitude_range(&e, 0.0f, 0.0f), 0);
  ASSERT_EQ(random_envelope_set_floor(&e, -0.5f), 0);
  random_envelope_set_time_ranges(&e, 1.0f, 1.0f, 2.0f, 2.0f, 48000.0f);
  random_envelope_retrigger(&e);
  EXPECT_EQ(e.peak, 0.0f);
  std::vector<float> out(1000, 1.0f);
  random_envelope_process(&e, out.data(), 1000);  // several swells
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(out[i], 0.0f) << i;
  // A negative peak silences as well (0, not the floor).
  ASSERT_EQ(random_envelope_set_amplitude_range(&e, -0.4f, -0.2f), 0);
  random_envelope_retrigger(&e);
  EXPECT_LT(e.peak, 0.0f);
  random_envelope_process(&e, out.data(), 20);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(out[i], 0.0f) << i;
}

// Output is (peak - floor) in float, widened, times (env - 1), plus floor.
TEST(RandomEnvelope, OutputArithmetic) {
  noise_set_uniform_seed(2024u);
  random_envelope e;
  random_envelope_init(&e);
  random_envelope_set_amplitude_range(&e, 0.3f, 1.7f);
  random_envelope_set_floor(&e, 0.1f);
  random_envelope_set_time_ranges(&e, 3.0f, 9.0f, 4.0f, 12.0f, 48000.0f);
  random_envelope_retrigger(&e);
  for (int i = 0; i < 5000; ++i) {
    float v;
    random_envelope_process(&e, &v, 1);
    const float want = static_cast<float>(static_cast<double>(e.peak - e.floor) * (e.env - 1.0) +
                                          static_cast<double>(e.floor));
    ASSERT_EQ(bits_of(v), bits_of(want)) << i;
  }
}

// A 0 ms attack skips the rise: the output leaves the floor away from the peak.
TEST(RandomEnvelope, ZeroAttackSkipsTheRise) {
  random_envelope e;
  random_envelope_init(&e);
  random_envelope_set_floor(&e, 0.5f);
  random_envelope_set_time_ranges(&e, 0.0f, 0.0f, 100.0f, 100.0f, 48000.0f);
  random_envelope_retrigger(&e);
  EXPECT_EQ(e.attack_len, 0);
  float out[16];
  random_envelope_process(&e, out, 16);
  EXPECT_LT(out[0], 0.5f);
  for (int i = 1; i < 16; ++i) EXPECT_LT(out[i], out[i - 1]);
}

// Two envelopes advanced as a pair give exactly what two calls one after the
// other give: the same samples, states and random draws in the same order,
// across blocks where either, both or neither starts a swell, attacks that
// end mid-block, attacks longer than the swell and silent peaks.
TEST(Envelope, PairEqualsTwoCallsInTurn) {
  struct setup {
    float attack_min, attack_max, decay_min, decay_max, amp_min, amp_max, floor;
  };
  const setup setups[] = {
      {20.0f, 300.0f, 10.0f, 200.0f, 0.02f, 0.1f, 0.01f},  // short swells: frequent starts
      {1.0f, 3.0f, 1.0f, 2.0f, 0.2f, 1.0f, 0.0f},          // swells shorter than a block
      {400.0f, 900.0f, 0.0f, 0.0f, 0.5f, 1.5f, 0.25f},     // no decay
      {50.0f, 50.0f, 700.0f, 900.0f, 0.0f, 0.0f, -0.5f},   // silent peaks above a low floor
  };
  for (const setup& sa : setups)
    for (const setup& sb : setups) {
      random_envelope pair[2], turn[2];
      noise_set_uniform_seed(4242u);
      for (int k = 0; k < 2; ++k) {
        const setup& s = k == 0 ? sa : sb;
        random_envelope_init(&pair[k]);
        random_envelope_set_amplitude_range(&pair[k], s.amp_min, s.amp_max);
        ASSERT_EQ(random_envelope_set_floor(&pair[k], s.floor), 0);
        random_envelope_set_time_ranges(&pair[k], s.attack_min, s.attack_max, s.decay_min,
                                        s.decay_max, 48000.0f);
        random_envelope_retrigger(&pair[k]);
        turn[k] = pair[k];
      }
      const uint32_t seed = noise_get_uniform_seed();
      for (int block = 0; block < 400; ++block) {
        const int n = block % 7 == 3 ? 8 : 64;
        float pa[64], pb[64], ta[64], tb[64];
        noise_set_uniform_seed(seed + static_cast<uint32_t>(block));
        random_envelope_process_pair(&pair[0], pa, &pair[1], pb, n);
        const uint32_t after_pair = noise_get_uniform_seed();
        noise_set_uniform_seed(seed + static_cast<uint32_t>(block));
        random_envelope_process(&turn[0], ta, n);
        random_envelope_process(&turn[1], tb, n);
        ASSERT_EQ(after_pair, noise_get_uniform_seed()) << block;
        for (int i = 0; i < n; ++i) {
          ASSERT_EQ(bits_of(pa[i]), bits_of(ta[i])) << block << " " << i;
          ASSERT_EQ(bits_of(pb[i]), bits_of(tb[i])) << block << " " << i;
        }
        for (int k = 0; k < 2; ++k) {
          ASSERT_EQ(pair[k].env, turn[k].env);
          ASSERT_EQ(pair[k].counter, turn[k].counter);
          ASSERT_EQ(bits_of(pair[k].peak), bits_of(turn[k].peak));
        }
      }
    }
}

// Envelopes advanced together where none starts a swell give the states
// random_envelope_process leaves, and the values it writes at the requested
// samples, for one to sixteen envelopes of mixed setups (attacks ending
// mid-block, silent peaks, several reads per block and none); the values not
// requested are left alone, and a block where a swell would start is
// reported as not quiet.
TEST(Envelope, QuietAdvanceEqualsProcessAtTheReadSamples) {
  struct setup {
    float attack_min, attack_max, decay_min, decay_max, amp_min, amp_max, floor;
  };
  const setup setups[] = {
      {200.0f, 900.0f, 300.0f, 2000.0f, 0.02f, 0.1f, 0.01f},
      {2.0f, 4.0f, 100.0f, 300.0f, 0.2f, 1.0f, 0.0f},       // attacks end within blocks
      {50.0f, 50.0f, 700.0f, 900.0f, 0.0f, 0.0f, -0.5f},    // silent peaks above a low floor
  };
  dsp_test::test_noise rnd(31u);
  for (int count = 1; count <= 16; ++count) {
    SCOPED_TRACE(count);
    random_envelope together[16], alone[16];
    noise_set_uniform_seed(777u + static_cast<uint32_t>(count));
    for (int k = 0; k < count; ++k) {
      const setup& s = setups[(k + count) % 3];
      random_envelope_init(&together[k]);
      random_envelope_set_amplitude_range(&together[k], s.amp_min, s.amp_max);
      ASSERT_EQ(random_envelope_set_floor(&together[k], s.floor), 0);
      random_envelope_set_time_ranges(&together[k], s.attack_min, s.attack_max, s.decay_min,
                                      s.decay_max, 48000.0f);
      random_envelope_retrigger(&together[k]);
      alone[k] = together[k];
    }
    random_envelope* list[16];
    for (int k = 0; k < count; ++k) list[k] = &together[k];
    // Up to eight: a third copy whose multiply chains run by another loop
    // (chain begin, the set's multiplies, chain end) where begin takes them.
    random_envelope chained[16];
    random_envelope* chained_list[16];
    for (int k = 0; k < count; ++k) chained[k] = together[k], chained_list[k] = &chained[k];
    int quiet_blocks = 0, loud_blocks = 0, chained_blocks = 0, declined_blocks = 0;
    for (int block = 0; block < 1200; ++block) {
      bool quiet = true;
      for (int k = 0; k < count; ++k) {
        ASSERT_EQ(random_envelope_quiet(&together[k], 64), random_envelope_quiet(&alone[k], 64));
        quiet = quiet && random_envelope_quiet(&together[k], 64);
      }
      float out[16][64];
      if (!quiet) {
        // Both sides take the full path (from the same seed: swells draw);
        // the quiet path is not for this block.
        ++loud_blocks;
        const uint32_t seed = noise_get_uniform_seed();
        for (int k = 0; k < count; ++k) random_envelope_process(&together[k], out[k], 64);
        noise_set_uniform_seed(seed);
        for (int k = 0; k < count; ++k) random_envelope_process(&chained[k], out[k], 64);
        noise_set_uniform_seed(seed);
        for (int k = 0; k < count; ++k) random_envelope_process(&alone[k], out[k], 64);
        continue;
      }
      ++quiet_blocks;
      int at[16];
      float values[16];
      for (int k = 0; k < count; ++k) {
        at[k] = k % 5 == 4 ? -1 : static_cast<int>((rnd() + 1.0f) * 32.0f) % 64;
        values[k] = -7.0f;
      }
      random_envelope_advance_quiet(list, count, 64, at, values);
      float chained_values[16];
      for (int k = 0; k < count; ++k) chained_values[k] = -7.0f;
      alignas(32) double env[8], mul[8], rounds[64];
      if (count > 8) {
        EXPECT_FALSE(random_envelope_chain_begin(chained_list, count, 64, env, mul));
        random_envelope_advance_quiet(chained_list, count, 64, at, chained_values);
      } else if (random_envelope_chain_begin(chained_list, count, 64, env, mul)) {
        ++chained_blocks;
        for (int k = count; k < 8; ++k) ASSERT_EQ(mul[k], 1.0) << k;  // resting chains
        const multiply_set_job job{env, mul, rounds};
        multiply_set_process(&job, 64);
        random_envelope_chain_end(chained_list, count, 64, env, mul, rounds, at, chained_values);
      } else {  // a multiplier changes within the block: nothing was written
        ++declined_blocks;
        random_envelope_advance_quiet(chained_list, count, 64, at, chained_values);
      }
      for (int k = 0; k < count; ++k) {
        random_envelope_process(&alone[k], out[k], 64);
        ASSERT_EQ(together[k].env, alone[k].env) << block << " " << k;
        ASSERT_EQ(together[k].counter, alone[k].counter) << block << " " << k;
        ASSERT_EQ(chained[k].env, alone[k].env) << block << " " << k;
        ASSERT_EQ(chained[k].counter, alone[k].counter) << block << " " << k;
        const float expected = at[k] >= 0 ? out[k][at[k]] : -7.0f;
        ASSERT_EQ(bits_of(values[k]), bits_of(expected)) << block << " " << k;
        ASSERT_EQ(bits_of(chained_values[k]), bits_of(expected)) << block << " " << k;
      }
    }
    EXPECT_GT(quiet_blocks, 100);
    EXPECT_GT(loud_blocks, 0);
    if (count <= 8) {
      EXPECT_GT(chained_blocks, 100);
      if (count >= 2) {
        EXPECT_GT(declined_blocks, 0);
      }
    }
  }
}
