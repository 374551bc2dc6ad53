// The wind at other sample rates: each voice, alone, has the level and the
// octave bands it has at 48000 Hz (the noise shapes keep their hertz, white
// noise its power per hertz, a high cut above a low rate's Nyquist frequency
// keeps the low cut), and at 48000 Hz the shapes are the table's, bit for bit.

#include <cstring>
#include <vector>

#include "vantora_test_util.h"
#include "tests/common/rate_test_util.h"
#include "dsp/rate_moves.h"
#include "wind/shapes.h"

using namespace wind_test;
using rate_test::expect_same_bands;
using rate_test::level_db;
using rate_test::octave_levels;

namespace {

// Steady settings: the wind speed fixed by hand, no voice but the ones a
// test turns on.
void steady(vantora_engine* e, float speed) {
  set_levels(e, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  vantora_set_global_coupling_from_outside(e, 1.0f);
  vantora_set_global_control(e, speed);
}

// Seconds of stereo after a settling second.
std::vector<float> render_stereo(vantora_engine* e, float fs, double seconds) {
  render_interleaved(e, STEREO, 2, static_cast<uint32_t>(fs), {4096});
  return render_interleaved(e, STEREO, 2, static_cast<uint32_t>(seconds * fs), {4096});
}

constexpr float OTHER_RATES[] = {22050.0f, 24000.0f, 44100.0f, 96000.0f, 192000.0f};

}  // namespace

TEST(VantoraRates, ShapesAtTheTuningRateAreTheTables) {
  for (const shape_coeffs* table : {NOISE_SHAPES, WHISTLE_SHAPES, SQUALL_SHAPES}) {
    const int count = table == NOISE_SHAPES ? NOISE_SHAPE_COUNT : SMALL_SHAPE_COUNT;
    for (int i = 0; i < count; ++i) {
      const shape_coeffs s = shape_at_rate(table[i], 48000.0f);
      EXPECT_EQ(std::memcmp(&s, &table[i], sizeof s), 0) << i;
    }
  }
}

// Every noise shape, moved to another rate, stays a stable resonator.
TEST(VantoraRates, MovedShapesAreStable) {
  for (float fs : OTHER_RATES)
    for (int i = 0; i < NOISE_SHAPE_COUNT; ++i) {
      const shape_coeffs s = shape_at_rate(NOISE_SHAPES[i], fs);
      EXPECT_LT(s.a2, 1.0f) << i << " at " << fs;
      EXPECT_LT(std::fabs(s.a1), 1.0f + s.a2) << i << " at " << fs;
      EXPECT_GT(s.g, 0.0f) << i << " at " << fs;
    }
}

// A shape and the cut after it, below the tuning rate: together they keep
// their 48000 Hz response in hertz up to 0.45 fs within a dB (the moved
// shape alone is 2.5 dB high at 8 kHz and 5 dB at 11 kHz for 24000 Hz, a
// plain high cut there sinks toward its zero at the Nyquist frequency).
TEST(VantoraRates, ShapeAndCutKeepTheirResponseBelowTheTuningRate) {
  auto shape_gain = [](const shape_coeffs& c, double w) {
    const double re = 1.0 + c.a1 * std::cos(w) + c.a2 * std::cos(2.0 * w);
    const double im = c.a1 * std::sin(w) + c.a2 * std::sin(2.0 * w);
    return c.g / std::sqrt(re * re + im * im);
  };
  for (float fs : {22050.0f, 24000.0f, 32000.0f, 44100.0f})
    for (int i = 0; i < NOISE_SHAPE_COUNT; ++i)
      for (float high_cut : {5000.0f, 20000.0f}) {
        const shape_coeffs tuned = NOISE_SHAPES[i], moved = shape_at_rate(tuned, fs);
        band_filter at_tuned{}, at_fs{};
        shape_band_design(&at_tuned, tuned, 100.0f, high_cut, 48000.0f);
        shape_band_design(&at_fs, tuned, 100.0f, high_cut, fs);
        const double density = std::sqrt(fs / 48000.0);
        for (double hz = 200.0; hz < 0.45 * fs; hz *= 1.1) {
          const double w = 2.0 * 3.141592653589793 * hz;
          const double want = shape_gain(tuned, w / 48000.0) * band_filter_gain_at(&at_tuned, w / 48000.0);
          const double got = shape_gain(moved, w / fs) / density * band_filter_gain_at(&at_fs, w / fs);
          ASSERT_NEAR(20.0 * std::log10(got / want), 0.0, 1.0)
              << NOISE_SHAPE_ENGINE_NAMES[i] << ", high cut " << high_cut << ", " << hz << " Hz at " << fs;
        }
      }
}

// The background flow through its "All Pass" filter is the noise shape, the
// band filter and the level: its bands must not move with the rate, for
// steep low-pass shapes and for resonant ones. The high cut of 20 kHz lies
// above the Nyquist frequency of 22050 and 24000 Hz; the low cut must hold
// there all the same.
TEST(VantoraRates, BackflowBandsHoldAtEveryRate) {
  for (int shape : {0, 5, 11, 19, 26}) {
    auto render_at = [&](float fs) {
      engine e(fs);
      steady(e, 0.5f);
      vantora_set_backflow_level(e, 0.5f);
      vantora_set_backflow_shape(e, shape);
      vantora_set_backflow_filtertype(e, 2);
      vantora_set_variation_range(e, 0.0f);
      vantora_set_backflow_lc_freq(e, 150.0f);
      vantora_set_backflow_hc_freq(e, 20000.0f);
      return octave_levels(render_stereo(e, fs, 6.0), 2, 0, fs);
    };
    const auto reference = render_at(48000.0f);
    for (float fs : OTHER_RATES) {
      SCOPED_TRACE(testing::Message() << "shape " << shape);
      expect_same_bands(reference, render_at(fs), 40.0, 1.0, "backflow", fs);
    }
  }
}

// The whistle: shaped noise through its band pass, whose level rides on the
// noise's power per hertz.
TEST(VantoraRates, WhistleLevelHolds) {
  auto render_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.6f);
    vantora_set_whistling_level(e, 0.5f);
    vantora_set_coupling_between_global_source_and_whistling(e, 1.0f);
    return render_stereo(e, fs, 4.0);
  };
  const double reference = level_db(render_at(48000.0f), 2, 0);
  for (float fs : {24000.0f, 96000.0f}) EXPECT_NEAR(level_db(render_at(fs), 2, 0), reference, 0.5) << fs;
}

// Squalls: the envelope is a second white noise low-passed to a few hertz,
// so its level too rides on the noise's density; the sound's bands follow.
TEST(VantoraRates, SquallsLevelHolds) {
  auto render_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.5f);
    vantora_set_squalls_level(e, 0.5f);
    vantora_set_squalls_shape(e, 1);
    vantora_set_squalls_rate(e, 1.0f);
    vantora_set_squalls_amplitude(e, 0.8f);
    vantora_set_squalls_floor(e, 0.0f);
    return render_stereo(e, fs, 20.0);
  };
  const std::vector<float> reference = render_at(48000.0f);
  for (float fs : {24000.0f, 96000.0f}) {
    const std::vector<float> other = render_at(fs);
    EXPECT_NEAR(level_db(other, 2, 0), level_db(reference, 2, 0), 1.0) << fs;
    expect_same_bands(octave_levels(reference, 2, 0, 48000.0), octave_levels(other, 2, 0, fs),
                      30.0, 1.5, "squalls", fs);
  }
}

// The LFE channel of 2.1: white noise through four low-pass sections.
TEST(VantoraRates, LfeLevelHolds) {
  auto level_at = [&](float fs) {
    engine e(fs);
    steady(e, 0.5f);
    vantora_set_wind_lfe_level(e, 0.1f);
    render_interleaved(e, TWO_ONE, 3, static_cast<uint32_t>(fs), {4096});
    return level_db(render_interleaved(e, TWO_ONE, 3, static_cast<uint32_t>(8 * fs), {4096}), 3, 2);
  };
  const double reference = level_at(48000.0f);
  for (float fs : {24000.0f, 96000.0f}) EXPECT_NEAR(level_at(fs), reference, 0.5) << fs;
}
