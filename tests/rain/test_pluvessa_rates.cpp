// The rain at other sample rates: each voice, alone, has the level and the
// octave bands it has at 48000 Hz (white noise and the crackle keep their
// power per hertz, the drops their pace and jitter, a high cut above a low
// rate's Nyquist frequency keeps the low cut).

#include <array>
#include <initializer_list>
#include <vector>

#include "dsp/noise.h"
#include "pluvessa_test_util.h"
#include "tests/common/rate_test_util.h"

using namespace rain_test;
using rate_test::expect_same_bands;
using rate_test::level_db;
using rate_test::octave_levels;

namespace {

// The strength fixed by hand, every voice silent until a test turns it on.
void steady(pluvessa_engine* e, float strength) {
  set_levels(e, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  pluvessa_set_global_coupling_from_outside(e, 1.0f);
  pluvessa_set_global_control(e, strength);
}

std::vector<float> render_stereo(pluvessa_engine* e, float fs, double seconds) {
  render_interleaved(e, STEREO, 2, static_cast<uint32_t>(fs), {4096});
  return render_interleaved(e, STEREO, 2, static_cast<uint32_t>(seconds * fs), {4096});
}

// One voice alone (set up by `voice` on a steady strength), band by band at
// each of `rates` against 48000 Hz, bands within 40 dB of the strongest.
template <class Voice>
void expect_bands_hold(Voice voice, double seconds, std::initializer_list<float> rates,
                       double tolerance, const char* what) {
  auto render_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.5f);
    voice(e);
    return octave_levels(render_stereo(e, fs, seconds), 2, 0, fs);
  };
  const auto reference = render_at(48000.0f);
  for (float fs : rates) expect_same_bands(reference, render_at(fs), 40.0, tolerance, what, fs);
}

// Another take: other Gaussian magnitudes (the high bits), the same pattern
// of signs and layers (the low eight bits) that initialisation starts.
void another_take(uint32_t take) {
  noise_set_gaussian_seed(take * 0x9E3779B9u << 8 | (noise_get_gaussian_seed() & 0xFFu));
}

// The jitter of each drop instance (Gaussian draws through its band pass and
// leaky low pass, as the engine designed them for `drawing` instances),
// drawn in the engine's order: its variance per instance.
std::array<double, 4> jitter_variances(float fs, int drawing) {
  engine e(fs);
  biquad_df2 bandpass[4];
  one_pole lowpass[4];
  for (int i = 0; i < 4; ++i) {
    bandpass[i] = e->liquid[i].jitter_designs[drawing == 2 ? 0 : 1];
    bandpass[i].w1 = bandpass[i].w2 = 0.0f;
    lowpass[i] = e->liquid[i].jitter_lowpass;
    lowpass[i].y1 = 0.0f;
  }
  noise_set_gaussian_seed(GAUSSIAN_SEED_START);
  std::array<double, 4> sum{};
  float block[SUB_BLOCK];
  const long blocks = static_cast<long>(20.0 * fs) / SUB_BLOCK, settle = blocks / 40;
  for (long b = 0; b < blocks; ++b)
    for (int i = 0; i < drawing; ++i) {
      noise_gaussian_process(block, SUB_BLOCK);
      biquad_df2_process(&bandpass[i], block, SUB_BLOCK);
      one_pole_process(&lowpass[i], block, SUB_BLOCK);
      if (b >= settle)
        for (float x : block) sum[static_cast<size_t>(i)] += static_cast<double>(x) * x;
    }
  return sum;
}

}  // namespace

// The shower's crackle is white; its high cut of 20 kHz lies above the
// Nyquist frequency of 22050 and 24000 Hz, where its low cut must hold.
// (Its broad colour boost, designed at each rate, moves the low bands by
// up to a dB.)
TEST(PluvessaRates, ShowerBandsHoldAtEveryRate) {
  expect_bands_hold(
      [](pluvessa_engine* e) {
        pluvessa_set_shower_level(e, 0.5f);
        pluvessa_set_shower_lc_freq(e, 300.0f);
        pluvessa_set_shower_hc_freq(e, 20000.0f);
      },
      4.0, {22050.0f, 24000.0f, 32000.0f, 96000.0f, 192000.0f}, 1.5, "shower");
}

// The drops are the jitter's peaks over a threshold, so their level follows
// its variance steeply (about four dB per dB). The jitter is Gaussian noise,
// whose pattern of signs and layers repeats every 256 draws: each instance
// hears its share of it as lines at multiples of the rate over 64 or 128
// (two or four instances drawing), which move into the jitter's band at low
// rates. Every instance keeps its 48000 Hz variance, in mono and in stereo.
TEST(PluvessaRates, JitterVarianceHoldsForEachInstance) {
  for (int drawing : {2, 4}) {
    const std::array<double, 4> reference = jitter_variances(48000.0f, drawing);
    for (float fs : {22050.0f, 24000.0f, 32000.0f, 44100.0f, 96000.0f, 192000.0f}) {
      const std::array<double, 4> other = jitter_variances(fs, drawing);
      // Sums over the same 19.5 s: per second at each rate.
      for (int i = 0; i < drawing; ++i)
        EXPECT_NEAR(10.0 * std::log10(other[i] / fs * 48000.0 / reference[i]), 0.0, 0.25)
            << fs << " Hz, instance " << i << " of " << drawing;
    }
  }
}

// Every layout runs its drop instances on the jitter designed for as many
// drawing instances as it has (two in mono, four elsewhere), switching as
// the layout changes.
TEST(PluvessaRates, EachLayoutRunsTheJitterForItsDrawingInstances) {
  engine e(24000.0f);
  for (const layout_case& l : LAYOUTS) {
    render_interleaved(e, l.mask, l.channels, 256, {256});
    const int drawing = l.mask == MONO ? 2 : 4;
    for (int i = 0; i < drawing; ++i) {
      const biquad_df2& want = e->liquid[i].jitter_designs[drawing == 2 ? 0 : 1];
      EXPECT_EQ(e->liquid[i].jitter_drawing, drawing) << l.name << " " << i;
      EXPECT_EQ(e->liquid[i].jitter_bandpass.b0, want.b0) << l.name << " " << i;
      EXPECT_EQ(e->liquid[i].jitter_bandpass.a1, want.a1) << l.name << " " << i;
    }
  }
  // The two designs differ at this rate (the lines of two drawing
  // instances are not those of four).
  EXPECT_NE(e->liquid[0].jitter_designs[0].b0, e->liquid[0].jitter_designs[1].b0);
}

// The drops' pace: the carrier's 30 Hz through its smoother. At 48000 Hz
// the smoother's single-precision state settles at the tuned pace from rest
// (its coefficients alone would say 38.8 Hz); every other rate's smoother
// reaches the same, within a small part of a hertz.
TEST(PluvessaRates, DropPaceHoldsAtEveryRate) {
  for (float fs : {22050.0f, 24000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f}) {
    engine e(fs);
    biquad_df2 smoother = e->liquid[0].carrier_smoother;
    std::vector<float> block(static_cast<size_t>(fs) * 4, LIQUID_CARRIER_HZ);
    biquad_df2_process(&smoother, block.data(), static_cast<int>(block.size()));
    double pace = 0.0;
    for (size_t i = block.size() / 2; i < block.size(); ++i) pace += block[i];
    EXPECT_NEAR(pace / static_cast<double>(block.size() / 2), LIQUID_TUNED_PACE_HZ, 0.05) << fs;
  }
}

// A drop layer alone, as a sound: its level over several takes, both
// channels (the drops dense enough that a few loud ones do not decide it). Its bands get a
// wider margin: above 1 kHz the jitter's spectrum is mostly the generator's
// lines, at multiples of the rate over 64, so the drops come out a little
// brighter at low rates and darker at high ones (2 to 4 dB in the 2 and
// 4 kHz bands at 96000 and 192000 Hz).
TEST(PluvessaRates, DropLevelHolds) {
  auto render_at = [&](float fs) {
    std::vector<float> all;
    for (uint32_t take = 0; take < 6; ++take) {
      engine e(fs);
      steady(e, 0.5f);
      pluvessa_set_liquid_level(e, 0.5f);
      pluvessa_set_liquid_drops_variance(e, 0.8f);
      // Tones of 160 Hz to 2.5 kHz: below every rate's Nyquist frequency (a
      // tone above it aliases where that rate folds it).
      pluvessa_set_liquid_freq_min(e, 0.3f);
      pluvessa_set_liquid_freq_half_range(e, 0.2f);
      if (take > 0) another_take(take);
      const std::vector<float> one = render_stereo(e, fs, 10.0);
      all.insert(all.end(), one.begin(), one.end());
    }
    return all;
  };
  auto level = [](const std::vector<float>& v) {
    return 10.0 * std::log10(0.5 * (std::pow(10.0, level_db(v, 2, 0) / 10.0) +
                                     std::pow(10.0, level_db(v, 2, 1) / 10.0)));
  };
  const std::vector<float> reference = render_at(48000.0f);
  for (float fs : {24000.0f, 96000.0f, 192000.0f}) {
    const std::vector<float> other = render_at(fs);
    EXPECT_NEAR(level(other), level(reference), 1.0) << fs;
    expect_same_bands(octave_levels(reference, 2, 0, 48000.0), octave_levels(other, 2, 0, fs),
                      20.0, 4.5, "drops", fs);
  }
}

// The LFE channel of 2.1: white noise through a low pass.
TEST(PluvessaRates, LfeLevelHolds) {
  auto level_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.5f);
    pluvessa_set_rain_lfe_level(e, 0.1f);
    render_interleaved(e, TWO_ONE, 3, static_cast<uint32_t>(fs), {4096});
    return level_db(render_interleaved(e, TWO_ONE, 3, static_cast<uint32_t>(8 * fs), {4096}), 3, 2);
  };
  const double reference = level_at(48000.0f);
  for (float fs : {24000.0f, 96000.0f}) EXPECT_NEAR(level_at(fs), reference, 0.5) << fs;
}

// The rumble: noise times smoothed noise needs no density correction (the
// smoother's gain, rising with the rate, makes up for it); its body band pass
// and its cut are moved below the tuning rate.
TEST(PluvessaRates, RumbleBandsHold) {
  expect_bands_hold(
      [](pluvessa_engine* e) {
        pluvessa_set_rumble_level(e, 0.5f);
        pluvessa_set_rumble_hcut(e, 20000.0f);
        pluvessa_set_rumble_hp(e, 60.0f);
      },
      6.0, {24000.0f, 96000.0f}, 1.0, "rumble");
}
