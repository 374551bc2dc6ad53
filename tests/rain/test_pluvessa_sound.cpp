// What the rain engine's voices sound like and what reaches which channel:
// liquid 2 absent from mono, the LFE only in the LFE channel and only low,
// the rumble's 500 Hz notch, the drop tone, the rain strength under manual
// control and what follows it, and silence at level 0.

#include <cmath>
#include <cstring>

#include "pluvessa_test_util.h"

using namespace rain_test;

namespace {

constexpr size_t FFT = 16384;

double db(double ratio) { return 10.0 * std::log10(ratio); }

// Every liquid 2 parameter away from its "Silence" value.
void change_liquid_2(pluvessa_engine* e) {
  pluvessa_set_liquid_2_level(e, 1.0f);
  pluvessa_set_liquid_2_drops_variance(e, 1.0f);
  pluvessa_set_liquid_2_drops_color(e, 2000.0f);
  pluvessa_set_liquid_2_sweep_frequency(e, 50.0f);
  pluvessa_set_liquid_2_freq_min(e, 0.2f);
  pluvessa_set_liquid_2_freq_half_range(e, 0.5f);
  pluvessa_set_liquid_2_hp_freq(e, 500.0f);
  pluvessa_set_liquid_2_lp_freq(e, 5000.0f);
}

// Index of the first sample, from `from` on, that is not exactly zero; or -1.
long first_nonzero(const std::vector<float>& x, size_t from = 0) {
  for (size_t i = from; i < x.size(); ++i)
    if (x[i] != 0.0f) return static_cast<long>(i);
  return -1;
}

}  // namespace

// The mono layout neither renders nor mixes liquid 2: changing every liquid
// 2 parameter leaves mono bit-identical (and is audible in stereo).
TEST(PluvessaSound, MonoIgnoresLiquid2) {
  for (int32_t mask : {MONO, STEREO}) {
    const uint32_t ch = mask == MONO ? 1 : 2;
    std::vector<float> plain, changed;
    {
      engine e;
      plain = render_interleaved(e, mask, ch, 48000);
    }
    {
      engine e;
      change_liquid_2(e);
      changed = render_interleaved(e, mask, ch, 48000);
    }
    if (mask == MONO) {
      EXPECT_EQ(first_difference(plain, changed), -1);
    } else {
      EXPECT_NE(first_difference(plain, changed), -1) << "liquid 2 inaudible in stereo";
    }
  }
}

// Layouts without an LFE channel neither render nor mix the LFE voice: its
// parameters leave them bit-identical (and are audible where it exists).
TEST(PluvessaSound, LayoutsWithoutLfeIgnoreItsParameters) {
  for (const layout_case& l : LAYOUTS) {
    std::vector<float> plain, changed;
    {
      engine e;
      plain = render_interleaved(e, l.mask, l.channels, 24000);
    }
    {
      engine e;
      pluvessa_set_rain_lfe_level(e, 1.0f);
      pluvessa_set_rain_lfe_cutoff(e, 300.0f);
      changed = render_interleaved(e, l.mask, l.channels, 24000);
    }
    const bool has_lfe = l.mask == TWO_ONE || l.mask == FIVE_ONE || l.mask == 0x4000003F;
    if (has_lfe) {
      EXPECT_NE(first_difference(plain, changed), -1) << l.name;
    } else {
      EXPECT_EQ(first_difference(plain, changed), -1) << l.name;
    }
  }
}

// With only the rumble audible, its spectrum has a deep notch at 500 Hz
// against 350 and 700 Hz, at the narrowest notch (Q 2) as at the default.
TEST(PluvessaSound, RumbleNotchAt500Hz) {
  for (float notch_q : {1.0f, 0.14799996f}) {
    engine e;
    set_levels(e, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    pluvessa_set_rumble_notch_q(e, notch_q);
    pluvessa_set_rumble_hp(e, 50.0f);
    pluvessa_set_rumble_hcut(e, 20000.0f);
    render_interleaved(e, MONO, 1, 12000);  // past the fade-in
    const std::vector<float> x = render_interleaved(e, MONO, 1, 4 * 48000);
    const std::vector<double> p = power_spectrum(x, FFT);
    const double notch = band_power(p, FFT, RATE, 500.0, 3.0);
    const double below = band_power(p, FFT, RATE, 350.0, 10.0);
    const double above = band_power(p, FFT, RATE, 700.0, 10.0);
    ASSERT_GT(notch, 0.0);
    EXPECT_LT(db(notch / below), -20.0) << notch_q;
    EXPECT_LT(db(notch / above), -20.0) << notch_q;
  }
}

// In 5.1 the LFE channel (index 3) carries the LFE voice alone: low-passed
// noise with little energy above twice its cutoff, and none of the other
// voices (exact zero while the LFE level is 0).
TEST(PluvessaSound, LfeChannelCarriesOnlyLowFrequencies) {
  engine e;
  set_levels(e, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
  pluvessa_set_rain_lfe_cutoff(e, 120.0f);
  pluvessa_set_global_coupling_from_outside(e, 1.0f);
  pluvessa_set_global_control(e, 0.2f);  // LFE gain 10 x 1 x 0.2, well below the clip
  render_interleaved(e, FIVE_ONE, 6, 4800);
  const std::vector<float> out = render_interleaved(e, FIVE_ONE, 6, 4 * 48000);
  const std::vector<float> lfe = channel_of(out, 6, 3);
  const std::vector<double> p = power_spectrum(lfe, FFT);
  const double bin = RATE / static_cast<double>(FFT);
  double total = 0.0, above_2x = 0.0, above_1k = 0.0;
  for (size_t k = 1; k < p.size(); ++k) {
    total += p[k];
    if (k * bin > 240.0) above_2x += p[k];
    if (k * bin > 1000.0) above_1k += p[k];
  }
  ASSERT_GT(total, 0.0);
  EXPECT_LT(above_2x / total, 0.08);
  EXPECT_LT(above_1k / total, 1e-3);
  EXPECT_GT(band_power(p, FFT, RATE, 60.0, 10.0) / band_power(p, FFT, RATE, 600.0, 10.0), 300.0);
}

// At LFE level 0 the LFE channel is exactly silent: from the start when the
// level starts at 0, and after the one sub-block of fade-out when it is
// turned down, in every layout that has the channel.
TEST(PluvessaSound, LfeSilentAtLevelZero) {
  struct {
    int32_t mask;
    uint32_t channels, lfe;
  } const layouts[] = {{TWO_ONE, 3, 2}, {FIVE_ONE, 6, 3}, {0x4000003F, 6, 5}};
  for (const auto& l : layouts) {
    engine e;
    set_levels(e, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
    std::vector<float> ch = channel_of(render_interleaved(e, l.mask, l.channels, 9600), l.channels, l.lfe);
    EXPECT_EQ(first_nonzero(ch), -1) << std::hex << l.mask;

    pluvessa_set_rain_lfe_level(e, 1.0f);
    ch = channel_of(render_interleaved(e, l.mask, l.channels, 9600), l.channels, l.lfe);
    EXPECT_GT(energy(ch.data(), ch.size()), 0.0);

    pluvessa_set_rain_lfe_level(e, 0.0f);
    ch = channel_of(render_interleaved(e, l.mask, l.channels, 9600), l.channels, l.lfe);
    EXPECT_GT(energy(ch.data(), 64), 0.0) << "no fade-out";
    EXPECT_EQ(first_nonzero(ch, 64), -1) << std::hex << l.mask;
  }
}

// A rain strength of 0 silences the LFE at full level: with manual control
// 0 the LFE channel is exactly zero once the start-up strength and the
// ramp down from it have passed (two sub-blocks).
TEST(PluvessaSound, LfeSilentAtStrengthZero) {
  engine e;
  pluvessa_set_rain_lfe_level(e, 1.0f);
  pluvessa_set_global_coupling_from_outside(e, 1.0f);
  pluvessa_set_global_control(e, 0.0f);
  const std::vector<float> ch = channel_of(render_interleaved(e, FIVE_ONE, 6, 24000), 6, 3);
  EXPECT_GT(energy(ch.data(), 128), 0.0);
  EXPECT_EQ(first_nonzero(ch, 128), -1);
}

// Under full manual control the rain strength is the manual value exactly,
// on every sub-block, and is what the rumble and LFE receive.
TEST(PluvessaSound, ManualStrengthIsExact) {
  engine e;
  pluvessa_set_global_coupling_from_outside(e, 1.0f);
  pluvessa_set_global_control(e, 0.3f);
  float out[64 * 6];
  for (int s = 0; s < 1500; ++s) {
    ASSERT_EQ(pluvessa_process(e, out, FIVE_ONE, 64), 0);
    ASSERT_EQ(pluvessa_get_instantaneous_wind_control(e), 0.3f) << "sub-block " << s;
    ASSERT_EQ(e->stored_strength.load(), 0.3f);
    ASSERT_EQ(e->strength_copy, 0.3f);
  }
  // Half coupled, the automatic swells show through.
  pluvessa_set_global_coupling_from_outside(e, 0.5f);
  float lo = 1.0f, hi = 0.0f;
  for (int s = 0; s < 1500; ++s) {
    pluvessa_process(e, out, FIVE_ONE, 64);
    const float v = pluvessa_get_instantaneous_wind_control(e);
    lo = std::fmin(lo, v);
    hi = std::fmax(hi, v);
  }
  EXPECT_GT(hi - lo, 0.01f);
}

// Without coupling from outside, amplitude and floor 0 leave no automatic
// strength once the swells running at the change have ended; force update
// ends the slow one at once.
TEST(PluvessaSound, AutomaticStrengthZero) {
  engine e;
  pluvessa_set_global_coupling_from_outside(e, 0.0f);
  pluvessa_set_global_amplitude(e, 0.0f);
  pluvessa_set_global_floor(e, 0.0f);
  pluvessa_set_rain_lfe_level(e, 1.0f);
  float out[64 * 6];
  pluvessa_process(e, out, FIVE_ONE, 64);  // applies the new ranges
  pluvessa_force_update(e);
  for (int s = 0; s < 750; ++s) pluvessa_process(e, out, FIVE_ONE, 64);  // 1 s
  std::vector<float> lfe;
  for (int s = 0; s < 1500; ++s) {
    ASSERT_EQ(pluvessa_process(e, out, FIVE_ONE, 64), 0);
    ASSERT_EQ(pluvessa_get_instantaneous_wind_control(e), 0.0f) << "sub-block " << s;
    for (int f = 0; f < 64; ++f) lfe.push_back(out[f * 6 + 3]);
  }
  EXPECT_EQ(first_nonzero(lfe, 128), -1);
}

// Only the rumble and the LFE follow the rain strength. With the rumble's
// coupling at 0 and the LFE silent, the global settings change nothing in
// the output; with full coupling the rumble's own density changes nothing.
TEST(PluvessaSound, WhatFollowsTheStrength) {
  auto run = [](float control, float density, float coupling) {
    engine e;
    set_everything_audible(e);
    pluvessa_set_rain_lfe_level(e, 0.0f);
    pluvessa_set_coupling_between_global_source_and_rumble(e, coupling);
    pluvessa_set_rumble_density(e, density);
    pluvessa_set_global_coupling_from_outside(e, 1.0f);
    pluvessa_set_global_control(e, control);
    return render_interleaved(e, FIVE_ONE, 6, 48000);
  };
  // Rumble coupling 0: the strength does not matter; the density does.
  EXPECT_EQ(first_difference(run(0.1f, 0.5f, 0.0f), run(0.9f, 0.5f, 0.0f)), -1);
  EXPECT_NE(first_difference(run(0.1f, 0.5f, 0.0f), run(0.1f, 0.9f, 0.0f)), -1);
  // Rumble coupling 1: the density does not matter; the strength does.
  EXPECT_EQ(first_difference(run(0.4f, 0.1f, 1.0f), run(0.4f, 0.9f, 1.0f)), -1);
  EXPECT_NE(first_difference(run(0.4f, 0.1f, 1.0f), run(0.8f, 0.1f, 1.0f)), -1);
}

// A voice turned to level 0 is exactly silent after one sub-block of
// fade-out, in every channel.
TEST(PluvessaSound, LevelZeroSilencesAfterOneSubBlock) {
  void (*const level[])(pluvessa_engine*, float) = {
      pluvessa_set_rumble_level, pluvessa_set_shower_level, pluvessa_set_liquid_level,
      pluvessa_set_liquid_2_level, pluvessa_set_rain_lfe_level};
  for (int v = 0; v < 5; ++v) {
    engine e;
    set_levels(e, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    pluvessa_set_liquid_drops_variance(e, 1.0f);
    pluvessa_set_liquid_2_drops_variance(e, 1.0f);
    level[v](e, 1.0f);
    const std::vector<float> on = render_interleaved(e, FIVE_ONE, 6, 24000);
    ASSERT_GT(energy(on.data(), on.size()), 0.0) << "voice " << v;
    level[v](e, 0.0f);
    const std::vector<float> off = render_interleaved(e, FIVE_ONE, 6, 24000);
    EXPECT_GT(energy(off.data(), 64 * 6), 0.0) << "voice " << v << ": no fade-out";
    EXPECT_EQ(first_nonzero(off, 64 * 6), -1) << "voice " << v;
  }
}

// A shower low cut above its high cut is accepted and leaves little signal.
TEST(PluvessaSound, ShowerCrossedCutsLeaveLittle) {
  auto shower_energy = [](float low_cut, float high_cut) {
    engine e;
    set_levels(e, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f);
    pluvessa_set_shower_lc_freq(e, low_cut);
    pluvessa_set_shower_hc_freq(e, high_cut);
    const std::vector<float> x = render_interleaved(e, MONO, 1, 48000);
    return energy(x.data() + 4800, x.size() - 4800);
  };
  const double open = shower_energy(100.0f, 10000.0f);
  const double crossed = shower_energy(15000.0f, 500.0f);
  ASSERT_GT(open, 0.0);
  EXPECT_LT(crossed / open, 0.01);
}

// The drop tone: with a tone range of 0 every drop is a burst of one sine at
// 20 x 1000^(tone minimum) Hz. The bursts' envelope (the high-passed
// trigger) has no DC, so each burst's spectrum is two sidebands around the
// tone: the spectral centroid lands on the tone.
TEST(PluvessaSound, DropTone) {
  for (float m : {0.6f, 0.7f, 0.75f}) {
    const double tone = 20.0 * std::pow(1000.0, m);
    engine e;
    set_levels(e, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    pluvessa_set_liquid_drops_variance(e, 1.0f);
    pluvessa_set_liquid_freq_min(e, m);
    pluvessa_set_liquid_freq_half_range(e, 0.0f);
    pluvessa_set_liquid_hp_freq(e, 250.0f);
    pluvessa_set_liquid_lp_freq(e, 6000.0f);
    const std::vector<float> x = render_interleaved(e, MONO, 1, 4 * 48000);
    const std::vector<double> p = power_spectrum(x, FFT);
    const double bin = RATE / static_cast<double>(FFT);
    double sum = 0.0, moment = 0.0;
    for (size_t k = 1; k < p.size(); ++k) {
      sum += p[k];
      moment += p[k] * static_cast<double>(k) * bin;
    }
    ASSERT_GT(sum, 0.0);
    EXPECT_NEAR(moment / sum, tone, 0.08 * tone) << m;
  }
}
