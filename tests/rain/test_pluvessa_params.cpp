// Parameter access of the rain engine: the values after init, the per-key
// and by-index functions in natural and normalised units, clamping and
// mapping, the gain, refused indices and pointers, and the derived values
// and re-design flags the sub-setters produce.

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "pluvessa_test_util.h"

using namespace rain_test;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

uint32_t bits(float v) { return std::bit_cast<uint32_t>(v); }

float by_index(const pluvessa_engine* e, uint32_t i) {
  float v = -12345.0f;
  EXPECT_EQ(pluvessa_get_parameter_value(e, i, &v), 0);
  return v;
}

// Renders one sub-block so that every pending re-design is applied and all
// dirty flags are clear.
void settle(pluvessa_engine* e) {
  float out[64 * 2];
  pluvessa_process(e, out, STEREO, 64);
  for (int i = 0; i < RF_COUNT; ++i) ASSERT_EQ(e->dirty[i].load(), 0) << "flag " << i;
}

}  // namespace

// After init every stored value is the "Silence" row, bit for bit, whichever
// getter reads it; the master gain is 1.
TEST(PluvessaParams, InitLoadsTheSilenceRow) {
  engine e;
  for (const key_case& k : KEYS) {
    const float want = SILENCE[k.index];
    EXPECT_EQ(bits(k.get(e)), bits(want)) << k.key;
    EXPECT_EQ(bits(by_index(e, k.index)), bits(want)) << k.key;
  }
  EXPECT_EQ(pluvessa_get_global_control(e), 0.23999998f);
  EXPECT_EQ(pluvessa_get_rumble_hcut(e), 8075.191f);
  EXPECT_EQ(pluvessa_get_gain(e), 1.0f);
  EXPECT_EQ(by_index(e, PLUVESSA_GAIN_INDEX), 1.0f);
}

// Every per-key function reaches its own engine index: a value written by
// key is read by index and the other way round, and the normalised per-key
// pair agrees with the normalised by-index functions.
TEST(PluvessaParams, PerKeyFunctionsReachTheirIndex) {
  engine e;
  for (const key_case& k : KEYS) {
    const float a = k.unit ? 0.3125f : k.low + 0.375f * k.span;
    k.set(e, a);
    for (const key_case& other : KEYS) {
      if (other.index == k.index) continue;
      EXPECT_EQ(bits(other.get(e)), bits(SILENCE[other.index]))
          << "setting " << k.key << " changed " << other.key;
    }
    EXPECT_EQ(bits(by_index(e, k.index)), bits(a)) << k.key;

    const float b = k.unit ? 0.6875f : k.low + 0.625f * k.span;
    EXPECT_EQ(pluvessa_set_parameter_value(e, k.index, &b), 0);
    EXPECT_EQ(bits(k.get(e)), bits(b)) << k.key;

    float n = -1.0f;
    EXPECT_EQ(pluvessa_get_normalized_parameter_value(e, k.index, &n), 0);
    EXPECT_EQ(bits(n), bits(k.get_normalized(e))) << k.key;
    EXPECT_EQ(bits(pluvessa_get_normalized_parameter_float_value(e, k.index)), bits(n)) << k.key;

    k.set_normalized(e, 0.375f);
    const float via_key = k.get(e);
    ASSERT_NE(bits(via_key), bits(SILENCE[k.index])) << k.key;
    k.set(e, SILENCE[k.index]);
    const float x = 0.375f;
    EXPECT_EQ(pluvessa_set_normalized_parameter_value(e, k.index, &x), 0);
    EXPECT_EQ(bits(k.get(e)), bits(via_key)) << k.key;
    k.set(e, SILENCE[k.index]);
    EXPECT_EQ(pluvessa_set_normalized_parameter_float_value(e, k.index, 0.375f), 0);
    EXPECT_EQ(bits(k.get(e)), bits(via_key)) << k.key;

    k.set(e, SILENCE[k.index]);
  }
}

// 0..1 parameters clamp: raise to 0, lower to 1, NaN stored as +0.0. Their
// normalised functions are the natural ones, clamping included.
TEST(PluvessaParams, UnitParametersClamp) {
  engine e;
  struct {
    float in, stored;
  } const cases[] = {{1.5f, 1.0f},  {-0.2f, 0.0f}, {NaN, 0.0f},   {-NaN, 0.0f}, {INF, 1.0f},
                     {-INF, 0.0f},  {0.25f, 0.25f}, {1.0f, 1.0f}, {0.0f, 0.0f}, {1e30f, 1.0f}};
  for (const key_case& k : KEYS) {
    if (!k.unit) continue;
    for (const auto& c : cases) {
      k.set(e, c.in);
      EXPECT_EQ(bits(k.get(e)), bits(c.stored)) << k.key << " natural " << c.in;
      k.set(e, 0.5f);
      k.set_normalized(e, c.in);
      EXPECT_EQ(bits(k.get(e)), bits(c.stored)) << k.key << " normalised " << c.in;
      k.set(e, 0.5f);
      EXPECT_EQ(pluvessa_set_parameter_value(e, k.index, &c.in), 0);
      EXPECT_EQ(bits(k.get(e)), bits(c.stored)) << k.key << " by index " << c.in;
      k.set(e, 0.5f);
      EXPECT_EQ(pluvessa_set_normalized_parameter_float_value(e, k.index, c.in), 0);
      EXPECT_EQ(bits(k.get(e)), bits(c.stored)) << k.key << " normalised by index " << c.in;
      EXPECT_EQ(bits(k.get_normalized(e)), bits(c.stored)) << k.key;
    }
  }
}

// Hz-like parameters store finite values unchanged, in or out of range, and
// ignore NaN and infinities through every setter that reaches them.
TEST(PluvessaParams, UnclampedParametersStoreFiniteValuesAndIgnoreOthers) {
  engine e;
  pluvessa_set_rumble_hcut(e, 25.0f);
  EXPECT_EQ(pluvessa_get_rumble_hcut(e), 25.0f);
  for (const key_case& k : KEYS) {
    if (k.unit) continue;
    for (float v : {k.low - 1.0f, k.low + k.span + 1000.0f, -3.0f, 0.0f, 1e7f}) {
      k.set(e, v);
      EXPECT_EQ(bits(k.get(e)), bits(v)) << k.key;
    }
    const float kept = k.low + 0.5f * k.span;
    k.set(e, kept);
    for (float bad : {NaN, -NaN, INF, -INF}) {
      k.set(e, bad);
      k.set_normalized(e, bad);
      EXPECT_EQ(pluvessa_set_parameter_value(e, k.index, &bad), 0);
      EXPECT_EQ(pluvessa_set_normalized_parameter_value(e, k.index, &bad), 0);
      EXPECT_EQ(pluvessa_set_normalized_parameter_float_value(e, k.index, bad), 0);
      EXPECT_EQ(bits(k.get(e)), bits(kept)) << k.key << " took " << bad;
    }
    // A finite normalised value whose mapping overflows is refused as well,
    // so no infinity reaches the stored value (or a saved preset).
    for (float huge : {3e38f, -3e38f}) {
      k.set_normalized(e, huge);
      EXPECT_EQ(bits(k.get(e)), bits(kept)) << k.key << " took " << huge;
    }
  }
}

// Normalised set: span x + low in single precision, unclamped; normalised
// get: (v - low) times the mapping's factor, unclamped.
TEST(PluvessaParams, NormalisedMappings) {
  engine e;
  // The rumble high cut maps onto 6000..20000 Hz, not its 50..20000 Hz range.
  pluvessa_set_normalized_rumble_hcut(e, 0.0f);
  EXPECT_EQ(pluvessa_get_rumble_hcut(e), 6000.0f);
  pluvessa_set_normalized_rumble_hcut(e, 1.0f);
  EXPECT_EQ(pluvessa_get_rumble_hcut(e), 20000.0f);
  pluvessa_set_rumble_hcut(e, 50.0f);
  EXPECT_NEAR(pluvessa_get_normalized_rumble_hcut(e), -0.425f, 2e-7f);
  EXPECT_EQ(pluvessa_get_normalized_rumble_hcut(e), (50.0f - 6000.0f) * 7.142857e-05f);

  pluvessa_set_normalized_shower_lc_freq(e, 0.5f);
  EXPECT_EQ(pluvessa_get_shower_lc_freq(e), 10025.0f);
  EXPECT_NEAR(pluvessa_get_normalized_shower_lc_freq(e), 0.5f, 1e-7f);

  for (const key_case& k : KEYS) {
    if (k.unit) continue;
    for (float x : {0.0f, 0.5f, 1.0f, -0.5f, 1.5f, 0.123f}) {
      k.set_normalized(e, x);
      const float stored = k.get(e);
      EXPECT_EQ(bits(stored), bits(k.span * x + k.low)) << k.key << " " << x;
      EXPECT_EQ(bits(k.get_normalized(e)), bits((stored - k.low) * k.k)) << k.key;
      EXPECT_NEAR(k.get_normalized(e), x, 1e-6f * (1.0f + std::fabs(x))) << k.key;
    }
    k.set(e, k.low - 10.0f);
    EXPECT_LT(k.get_normalized(e), 0.0f) << k.key;
  }
  // The range ends of the other mappings.
  pluvessa_set_normalized_rumble_hp(e, 1.0f);
  EXPECT_EQ(pluvessa_get_rumble_hp(e), 600.0f);
  pluvessa_set_normalized_liquid_sweep_frequency(e, 0.0f);
  EXPECT_EQ(pluvessa_get_liquid_sweep_frequency(e), 0.5f);
  pluvessa_set_normalized_liquid_2_lp_freq(e, 1.0f);
  EXPECT_EQ(pluvessa_get_liquid_2_lp_freq(e), 6000.0f);
  pluvessa_set_normalized_rain_lfe_cutoff(e, 1.0f);
  EXPECT_EQ(pluvessa_get_rain_lfe_cutoff(e), 400.0f);
}

// The gain is stored unchanged (no clamp, no sub-setter) through its own
// setter and through index 34 in natural and normalised units; only
// non-finite values are ignored. No preset entry or parameter reaches it.
TEST(PluvessaParams, GainIsUnclamped) {
  engine e;
  pluvessa_set_gain(e, 2.0f);
  EXPECT_EQ(pluvessa_get_gain(e), 2.0f);
  pluvessa_set_gain(e, -0.5f);
  EXPECT_EQ(pluvessa_get_gain(e), -0.5f);
  const float two = 2.0f;
  pluvessa_set_gain(e, 1.0f);
  EXPECT_EQ(pluvessa_set_parameter_value(e, PLUVESSA_GAIN_INDEX, &two), 0);
  EXPECT_EQ(pluvessa_get_gain(e), 2.0f);
  EXPECT_EQ(by_index(e, PLUVESSA_GAIN_INDEX), 2.0f);
  EXPECT_EQ(pluvessa_set_normalized_parameter_float_value(e, PLUVESSA_GAIN_INDEX, 3.0f), 0);
  EXPECT_EQ(pluvessa_get_gain(e), 3.0f);
  EXPECT_EQ(pluvessa_get_normalized_parameter_float_value(e, PLUVESSA_GAIN_INDEX), 3.0f);
  for (float bad : {NaN, INF, -INF}) {
    pluvessa_set_gain(e, bad);
    EXPECT_EQ(pluvessa_set_parameter_value(e, PLUVESSA_GAIN_INDEX, &bad), 0);
    EXPECT_EQ(pluvessa_get_gain(e), 3.0f);
  }
  // The gain has no sub-setter: no voice is flagged for re-design.
  settle(e);
  pluvessa_set_gain(e, 0.5f);
  for (int i = 0; i < RF_COUNT; ++i) EXPECT_EQ(e->dirty[i].load(), 0) << "flag " << i;
  for (const key_case& k : KEYS) EXPECT_EQ(bits(k.get(e)), bits(SILENCE[k.index])) << k.key;
}

// Indices past the table are ignored by all six by-index functions: setters
// change nothing, pointer getters write nothing, the float getter gives 0.
// Null value pointers change nothing either.
TEST(PluvessaParams, RefusedIndicesAndNullPointers) {
  engine e;
  const std::vector<uint8_t> before = e.bytes();
  for (uint32_t index : {35u, 36u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    const float v = 0.75f;
    EXPECT_EQ(pluvessa_set_parameter_value(e, index, &v), 0);
    EXPECT_EQ(pluvessa_set_normalized_parameter_value(e, index, &v), 0);
    EXPECT_EQ(pluvessa_set_normalized_parameter_float_value(e, index, v), 0);
    float sentinel = -777.0f;
    EXPECT_EQ(pluvessa_get_parameter_value(e, index, &sentinel), 0);
    EXPECT_EQ(sentinel, -777.0f) << index;
    EXPECT_EQ(pluvessa_get_normalized_parameter_value(e, index, &sentinel), 0);
    EXPECT_EQ(sentinel, -777.0f) << index;
    EXPECT_EQ(bits(pluvessa_get_normalized_parameter_float_value(e, index)), bits(0.0f)) << index;
  }
  for (uint32_t index : {0u, 9u, 34u}) {
    EXPECT_EQ(pluvessa_set_parameter_value(e, index, nullptr), 0);
    EXPECT_EQ(pluvessa_set_normalized_parameter_value(e, index, nullptr), 0);
    EXPECT_EQ(pluvessa_get_parameter_value(e, index, nullptr), 0);
    EXPECT_EQ(pluvessa_get_normalized_parameter_value(e, index, nullptr), 0);
  }
  EXPECT_TRUE(e.bytes() == before) << "a refused call changed the record";

  const float v = 0.5f;
  EXPECT_EQ(pluvessa_set_parameter_value(nullptr, 0, &v), 0);
  EXPECT_EQ(pluvessa_set_normalized_parameter_value(nullptr, 0, &v), 0);
  EXPECT_EQ(pluvessa_set_normalized_parameter_float_value(nullptr, 0, v), 0);
  float sentinel = -777.0f;
  EXPECT_EQ(pluvessa_get_parameter_value(nullptr, 0, &sentinel), 0);
  EXPECT_EQ(pluvessa_get_normalized_parameter_value(nullptr, 0, &sentinel), 0);
  EXPECT_EQ(sentinel, -777.0f);
  EXPECT_EQ(pluvessa_get_normalized_parameter_float_value(nullptr, 0), 0.0f);
}

// The per-key normalised functions of a 0..1 parameter behave as the natural
// ones; the library exports them as aliases (checked on the built library).
TEST(PluvessaParams, NormalisedGlobalRateIsTheNaturalGetter) {
  engine e;
  EXPECT_EQ(pluvessa_get_normalized_global_rate(e), pluvessa_get_global_rate(e));
  pluvessa_set_normalized_global_rate(e, 0.8f);
  EXPECT_EQ(pluvessa_get_global_rate(e), 0.8f);
  EXPECT_EQ(pluvessa_get_normalized_global_rate(e), 0.8f);
}

// What each sub-setter derives, observed at the ends of the ranges: one
// case per voice kind the sub-setters feed.
TEST(PluvessaParams, SubSetterDerivesTheControllerValues) {
  engine e;
  const auto& g = e->global.params;
  pluvessa_set_global_dutycycle(e, 0.0f);
  EXPECT_NEAR(g.duty_cycle.load(), 0.05f, 1e-8f);
  pluvessa_set_global_dutycycle(e, 1.0f);
  EXPECT_NEAR(g.duty_cycle.load(), 0.95f, 1e-7f);
  pluvessa_set_global_control(e, 0.3f);
  EXPECT_EQ(g.manual.load(), 0.3f);
  pluvessa_set_global_coupling_from_outside(e, 0.7f);
  EXPECT_EQ(g.coupling.load(), 0.7f);
  pluvessa_set_global_amplitude(e, 0.6f);
  EXPECT_EQ(g.amplitude.load(), 0.6f);
  pluvessa_set_global_rate(e, 0.9f);
  EXPECT_EQ(g.rate.load(), 0.9f);
  pluvessa_set_global_floor(e, 0.2f);
  EXPECT_EQ(g.floor.load(), 0.2f);
}

TEST(PluvessaParams, SubSetterDerivesTheRumbleValues) {
  engine e;
  const auto& r = e->rumble_p;
  pluvessa_set_rumble_notch_q(e, 0.0f);
  EXPECT_EQ(r.notch_q.load(), 0.03f);
  pluvessa_set_rumble_notch_q(e, 1.0f);
  EXPECT_EQ(r.notch_q.load(), 2.0f);
  pluvessa_set_rumble_notch_q(e, 0.5f);
  EXPECT_NEAR(r.notch_q.load(), std::pow(0.5, 0.29446619749069214) * 1.97 + 0.03, 1e-6);
  pluvessa_set_rumble_level(e, 1.0f);
  EXPECT_EQ(r.level.load(), 0.5f);
  pluvessa_set_rumble_density(e, 1.0f);
  EXPECT_NEAR(r.scaled_density.load(), 0.9f, 1e-7f);
  pluvessa_set_rumble_hcut(e, 12000.0f);
  EXPECT_EQ(r.high_cut.load(), 12000.0f);
  pluvessa_set_rumble_hp(e, 90.0f);
  EXPECT_EQ(r.low_cut.load(), 90.0f);
  pluvessa_set_coupling_between_global_source_and_rumble(e, 0.4f);
  EXPECT_EQ(r.coupling.load(), 0.4f);
}

TEST(PluvessaParams, SubSetterDerivesTheShowerValues) {
  engine e;
  const auto& s = e->shower_p;
  pluvessa_set_shower_level(e, 0.8f);
  EXPECT_EQ(s.level.load(), 0.8f);  // no scaling
  pluvessa_set_shower_color(e, 900.0f);
  EXPECT_EQ(s.colour.load(), 900.0f);
  pluvessa_set_shower_lc_freq(e, 70.0f);
  EXPECT_EQ(s.low_cut.load(), 70.0f);
  pluvessa_set_shower_hc_freq(e, 7000.0f);
  EXPECT_EQ(s.high_cut.load(), 7000.0f);
}

// Each layer's keys reach that layer's values only.
TEST(PluvessaParams, SubSetterDerivesEachDropLayersValues) {
  engine e;
  const auto& l1 = e->liquid_p[0];
  const auto& l2 = e->liquid_p[1];
  pluvessa_set_liquid_drops_variance(e, 0.0f);
  EXPECT_NEAR(l1.drop_density.load(), 0.006f, 1e-9f);
  pluvessa_set_liquid_drops_variance(e, 1.0f);
  EXPECT_NEAR(l1.drop_density.load(), 0.03f, 4e-9f);
  pluvessa_set_liquid_2_drops_variance(e, 0.0f);
  EXPECT_NEAR(l2.drop_density.load(), 0.006f, 1e-9f);
  EXPECT_NEAR(l1.drop_density.load(), 0.03f, 4e-9f);  // layer 1 untouched

  pluvessa_set_liquid_level(e, 1.0f);
  EXPECT_EQ(l1.level.load(), 30.0f);
  pluvessa_set_liquid_2_level(e, 0.5f);
  EXPECT_EQ(l2.level.load(), 15.0f);
  pluvessa_set_liquid_freq_min(e, 0.0f);
  EXPECT_NEAR(l1.tone_min.load(), std::log(20.0), 1e-6);
  pluvessa_set_liquid_freq_min(e, 1.0f);
  EXPECT_NEAR(l1.tone_min.load(), std::log(20000.0), 2e-6);
  pluvessa_set_liquid_2_freq_half_range(e, 1.0f);
  EXPECT_NEAR(l2.tone_half_range.load(), std::log(1000.0) / 2.0, 1e-6);
  pluvessa_set_liquid_2_freq_half_range(e, 0.0f);
  EXPECT_EQ(l2.tone_half_range.load(), 0.0f);
  pluvessa_set_liquid_sweep_frequency(e, 250.0f);
  EXPECT_EQ(l1.sweep_freq.load(), 250.0f);
  pluvessa_set_liquid_2_drops_color(e, 2000.0f);
  EXPECT_EQ(l2.drop_colour.load(), 2000.0f);
  pluvessa_set_liquid_hp_freq(e, 1000.0f);
  EXPECT_EQ(l1.low_cut.load(), 1000.0f);
  pluvessa_set_liquid_2_lp_freq(e, 5500.0f);
  EXPECT_EQ(l2.high_cut.load(), 5500.0f);
}

TEST(PluvessaParams, SubSetterDerivesTheLfeValues) {
  engine e;
  pluvessa_set_rain_lfe_level(e, 0.9f);
  EXPECT_EQ(e->lfe_p.level.load(), 0.9f);
  pluvessa_set_rain_lfe_cutoff(e, 80.0f);
  EXPECT_EQ(e->lfe_p.cutoff.load(), 80.0f);
}

// The rumble density chain, applied by the next render: density 0 gives a
// modulation (smoother) cutoff of 1000 Hz, density 1 gives 50 Hz, and with
// full coupling the density follows the rain strength instead.
TEST(PluvessaParams, RumbleDensityCutoff) {
  struct {
    float density, cutoff;
  } const cases[] = {{0.0f, 1000.0f}, {1.0f, 50.0f}, {0.5f, 525.0f}, {0.2f, 810.0f}};
  for (const auto& c : cases) {
    engine e;
    pluvessa_set_coupling_between_global_source_and_rumble(e, 0.0f);
    pluvessa_set_rumble_density(e, c.density);
    settle(e);
    for (const rumble_voice& v : e->rumble) {
      EXPECT_NEAR(v.density_cutoff, c.cutoff, 1e-3f) << c.density;
      EXPECT_NEAR(v.manual_density, c.density, 1e-6f) << c.density;
      EXPECT_NEAR(v.smoother_cutoff, c.cutoff, 1e-3f) << c.density;
    }
  }
  engine e;
  pluvessa_set_coupling_between_global_source_and_rumble(e, 1.0f);
  pluvessa_set_global_coupling_from_outside(e, 1.0f);
  pluvessa_set_global_control(e, 0.3f);
  pluvessa_set_rumble_density(e, 0.9f);
  settle(e);  // the first sub-block uses the start-up strength
  settle(e);
  for (const rumble_voice& v : e->rumble) {
    EXPECT_EQ(v.mixed_density, 0.3f);
    EXPECT_NEAR(v.smoother_cutoff, 715.0f, 1e-3f);
  }
}

// Each sub-setter flags exactly the voices that use its parameter, and the
// next render consumes the flags.
TEST(PluvessaParams, SubSettersFlagTheirVoices) {
  engine e;
  settle(e);
  for (const key_case& k : KEYS) {
    uint16_t want = 0;  // bit per flag: global, LFE, rumble A, B, shower A, B, liquid 1A..2B
    if (k.index <= 5) {
      want = 1u << RF_GLOBAL;
    } else if (k.index <= 11) {
      want = 3u << RF_RUMBLE;
    } else if (k.index <= 15) {
      want = 3u << RF_SHOWER;
    } else if (k.index <= 23) {
      want = 3u << RF_LIQUID;
    } else if (k.index <= 31) {
      want = 3u << (RF_LIQUID + 2);
    } else {
      want = 1u << RF_LFE;
    }
    k.set(e, k.unit ? 0.5f : k.low + 0.5f * k.span);
    uint16_t got = 0;
    for (int i = 0; i < RF_COUNT; ++i) got |= e->dirty[i].load() != 0 ? (1u << i) : 0u;
    EXPECT_EQ(got, want) << k.key;
    settle(e);
  }
}

// A parameter written several times between two renders is applied once,
// with its last value: the sound equals that of a single write.
TEST(PluvessaParams, LastWriteBeforeARenderWins) {
  auto run = [](bool many_writes) {
    engine e;
    set_everything_audible(e);
    if (many_writes) {
      for (float c : {1500.0f, 700.0f, 320.0f}) pluvessa_set_shower_color(e, c);
      for (float q : {0.0f, 1.0f, 0.2f}) pluvessa_set_rumble_notch_q(e, q);
      for (float f : {5000.0f, 20.0f, 3000.0f}) pluvessa_set_liquid_drops_color(e, f);
    } else {
      pluvessa_set_shower_color(e, 320.0f);
      pluvessa_set_rumble_notch_q(e, 0.2f);
      pluvessa_set_liquid_drops_color(e, 3000.0f);
    }
    return render_interleaved(e, QUAD, 4, 8192);
  };
  EXPECT_EQ(first_difference(run(true), run(false)), -1);
}

// The table's voice column sends every parameter to a voice whose
// sub-setter has a case for it (both drop layers' keys to the one drop
// sub-setter, each with its own layer's values); the gain and indices past
// the table go nowhere.
TEST(PluvessaParams, EveryParameterReachesTheSubSetterOfItsVoice) {
  engine e;
  for (uint32_t i = 0; i < PLUVESSA_GAIN_INDEX; ++i)
    EXPECT_TRUE(pluvessa_sub_setter(e, i)) << PLUVESSA_PARAMETER_TABLE[i].key;
  EXPECT_FALSE(pluvessa_sub_setter(e, PLUVESSA_GAIN_INDEX));
  EXPECT_FALSE(pluvessa_sub_setter(e, PLUVESSA_PARAM_COUNT));
  EXPECT_STREQ(
      PLUVESSA_PARAMETER_TABLE[static_cast<uint32_t>(pluvessa_param::liquid_2_lp_freq)].key,
      "liquid_2_lp_freq");
  EXPECT_EQ(static_cast<uint32_t>(pluvessa_param::global_gain), PLUVESSA_GAIN_INDEX);
}
