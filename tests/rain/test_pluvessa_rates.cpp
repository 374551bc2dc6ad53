// The rain at other sample rates: each voice, alone, has the level and the
// octave bands it has at 48000 Hz (white noise and the crackle keep their
// power per hertz, the drops their pace and jitter, a high cut above a low
// rate's Nyquist frequency keeps the low cut).

#include <vector>

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

}  // namespace

// The shower's crackle is white; its high cut of 20 kHz lies above the
// Nyquist frequency of 22050 and 24000 Hz, where its low cut must hold.
// (Its broad colour boost, designed at each rate, moves the low bands by
// up to a dB.)
TEST(PluvessaRates, ShowerBandsHoldAtEveryRate) {
  auto render_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.5f);
    pluvessa_set_shower_level(e, 0.5f);
    pluvessa_set_shower_lc_freq(e, 300.0f);
    pluvessa_set_shower_hc_freq(e, 20000.0f);
    return octave_levels(render_stereo(e, fs, 4.0), 2, 0, fs);
  };
  const auto reference = render_at(48000.0f);
  for (float fs : {22050.0f, 24000.0f, 32000.0f, 96000.0f, 192000.0f})
    expect_same_bands(reference, render_at(fs), 40.0, 1.5, "shower", fs);
}

// The drops: their pace (the carrier's frequency, 30 Hz times its smoother's
// gain at DC, which rounding moves from rate to rate and which rings at the
// highest rates unless re-designed) and their jitter (Gaussian noise through
// a leaky low pass whose gain grows with the rate) set how many pass the
// threshold, hence the layer's level. The Gaussian generator repeats its
// signs and layers every 256 samples, lines that move in hertz with the rate
// and tilt the drops' bands by a few dB: the bands get a wider margin.
TEST(PluvessaRates, DropLevelHolds) {
  auto render_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.5f);
    pluvessa_set_liquid_level(e, 0.5f);
    pluvessa_set_liquid_drops_variance(e, 0.5f);
    // Tones of 160 Hz to 2.5 kHz: below every rate's Nyquist frequency (a
    // tone above it aliases where that rate folds it).
    pluvessa_set_liquid_freq_min(e, 0.3f);
    pluvessa_set_liquid_freq_half_range(e, 0.2f);
    return render_stereo(e, fs, 30.0);
  };
  const std::vector<float> reference = render_at(48000.0f);
  for (float fs : {24000.0f, 96000.0f, 192000.0f}) {
    const std::vector<float> other = render_at(fs);
    EXPECT_NEAR(level_db(other, 2, 0), level_db(reference, 2, 0), 2.0) << fs;
    expect_same_bands(octave_levels(reference, 2, 0, 48000.0), octave_levels(other, 2, 0, fs),
                      20.0, 4.0, "drops", fs);
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

// The rumble needs no correction (noise times smoothed noise: the smoother's
// gain, rising with the rate, makes up for the density); this keeps it so.
TEST(PluvessaRates, RumbleBandsHold) {
  auto render_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.5f);
    pluvessa_set_rumble_level(e, 0.5f);
    pluvessa_set_rumble_hcut(e, 20000.0f);
    pluvessa_set_rumble_hp(e, 60.0f);
    return octave_levels(render_stereo(e, fs, 6.0), 2, 0, fs);
  };
  const auto reference = render_at(48000.0f);
  for (float fs : {24000.0f, 96000.0f})
    expect_same_bands(reference, render_at(fs), 40.0, 1.0, "rumble", fs);
}
