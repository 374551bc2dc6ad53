// What the wind sounds like: the global wind speed (manual and automatic),
// how the voices follow it, the whistle's pitch, and stability at high rates.

#include <algorithm>
#include <cmath>
#include <vector>

#include "vantora_test_util.h"

using namespace wind_test;

namespace {

// Wind speed after each of `blocks` sub-blocks.
std::vector<float> speed_trace(vantora_engine* e, int32_t mask, uint32_t ch, int blocks) {
  std::vector<float> trace(blocks);
  std::vector<float> out(64 * ch);
  for (int b = 0; b < blocks; ++b) {
    vantora_process(e, out.data(), mask, 64);
    trace[b] = vantora_get_instantaneous_wind_control(e);
  }
  return trace;
}

// Manual wind speed, fully manual.
void manual_speed(vantora_engine* e, float s) {
  vantora_set_global_coupling_from_outside(e, 1.0f);
  vantora_set_global_control(e, s);
}

}  // namespace

// Fully manual: the speed equals the control exactly from the sub-block
// after each change, whatever the envelopes do.
TEST(VantoraWindSpeed, ManualControlGivesTheSpeedExactly) {
  engine e;
  manual_speed(e, 0.37f);
  std::vector<float> out(64);
  vantora_process(e, out.data(), MONO, 64);
  EXPECT_EQ(vantora_get_instantaneous_wind_control(e), 0.37f);
  for (float s : {0.0f, 1.0f, 0.123f, 0.5f}) {
    vantora_set_global_control(e, s);
    for (float v : speed_trace(e, MONO, 1, 40)) ASSERT_EQ(v, s);
  }
  // The automatic part keeps running and returns when the coupling drops.
  vantora_set_global_coupling_from_outside(e, 0.0f);
  const std::vector<float> automatic = speed_trace(e, MONO, 1, 400);
  EXPECT_GT(*std::max_element(automatic.begin(), automatic.end()),
            *std::min_element(automatic.begin(), automatic.end()));
  EXPECT_GT(*std::min_element(automatic.begin(), automatic.end()), 0.0f);
}

// Partly manual: the speed is the weighted mix of the held automatic value
// and the control.
TEST(VantoraWindSpeed, CouplingMixesAutomaticAndManual) {
  engine e;
  vantora_set_global_control(e, 0.8f);
  speed_trace(e, MONO, 1, 100);
  vantora_set_global_coupling_from_outside(e, 0.25f);
  std::vector<float> out(64);
  for (int b = 0; b < 200; ++b) {
    vantora_process(e, out.data(), MONO, 64);
    const float held = e->global.held;
    EXPECT_EQ(vantora_get_instantaneous_wind_control(e), 0.75f * held + 0.25f * 0.8f) << b;
  }
}

// Automatic: 0 for the first four sub-blocks (the sampled value starts at 0
// and is first taken in the fifth), never negative, held for four sub-blocks
// at a time. The first flicker swell (peak 1.0..1.5 over 100 ms, decay
// 500 ms, whatever the preset) lifts the speed well above "Silence"'s
// maximum of 0.467 at the start.
TEST(VantoraWindSpeed, AutomaticSpeedAfterInit) {
  engine e;
  const std::vector<float> s = speed_trace(e, STEREO, 2, 48000 * 2 / 64);
  for (int b = 0; b < 4; ++b) EXPECT_EQ(s[b], 0.0f) << b;
  EXPECT_GT(s[4], 0.0f);
  for (size_t b = 0; b < s.size(); ++b) ASSERT_GE(s[b], 0.0f) << b;
  for (size_t b = 4; b + 4 <= s.size(); b += 4)
    for (size_t k = 1; k < 4; ++k) ASSERT_EQ(s[b + k], s[b]) << "changed inside its hold, " << b;
  const float early = *std::max_element(s.begin(), s.begin() + 48000 * 3 / 10 / 64);
  EXPECT_GT(early, 0.9f);
}

// Once the swells running at a change have ended, the automatic speed stays
// between the slow swells' floor and their maximum plus a tenth (the
// flicker). The preset's ranges reach the slow envelope at its next swell,
// which force update starts at once; the first flicker swell ends by 0.6 s.
TEST(VantoraWindSpeed, AutomaticSpeedStaysWithinItsRange) {
  engine e;
  speed_trace(e, STEREO, 2, 1);  // applies the preset's ranges
  vantora_force_update(e);
  const std::vector<float> s = speed_trace(e, STEREO, 2, 48000 * 20 / 64);
  const auto late_begin = s.begin() + 48000 * 8 / 10 / 64;
  EXPECT_LE(*std::max_element(late_begin, s.end()), 0.467f * 1.1f + 1e-6f);
  EXPECT_GE(*std::min_element(late_begin, s.end()), 0.188f * 0.99f);
  // It does swell: the range is used, not a constant.
  EXPECT_GT(*std::max_element(late_begin, s.end()) - *std::min_element(late_begin, s.end()), 0.1f);
}

// Global amplitude 0 and floor 0: the automatic speed dies out after the
// swells running at the change.
TEST(VantoraWindSpeed, ZeroAmplitudeSilencesTheAutomaticSpeed) {
  engine e;
  vantora_set_global_amplitude(e, 0.0f);
  vantora_set_global_floor(e, 0.0f);
  vantora_set_global_rate(e, 1.0f);
  vantora_force_update(e);
  const std::vector<float> s = speed_trace(e, MONO, 1, 48000 * 20 / 64);
  EXPECT_EQ(s.back(), 0.0f);
}

// Each voice follows the wind speed by its coupling. At coupling 1 (and a
// manual speed) the local behaviour has no effect on the combined value.
TEST(VantoraWindSpeed, VoicesFollowTheSpeedAtFullCoupling) {
  engine e;
  set_levels(e, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f);
  manual_speed(e, 0.5f);
  vantora_set_coupling_between_global_source_and_backflow(e, 1.0f);
  vantora_set_coupling_between_global_source_and_whistling(e, 1.0f);
  vantora_set_coupling_between_global_source_and_gusts(e, 1.0f);
  vantora_set_coupling_between_global_source_and_squalls(e, 1.0f);
  vantora_set_wind_lfe_level(e, 0.3f);
  render_interleaved(e, FIVE_ONE, 6, 64 * 10, {64});
  const float base = ld(e->backflow_p.base_freq);
  for (int block = 0; block < 50; ++block) {
    render_interleaved(e, FIVE_ONE, 6, 64, {64});
    // Backflow: the main filter sits on the base frequency at speed 0.5.
    for (const auto& v : e->backflow) ASSERT_EQ(v.current_freq, base);
    // Whistling: min + (max - min) 0.5^2.
    const float wmin = 344.79364f, wmax = 2095.5142f;
    for (const auto& v : e->whistling) {
      ASSERT_EQ(v.mixed_value, 0.5f);
      ASSERT_NEAR(v.centre_freq, wmin + (wmax - wmin) * 0.25f, 0.01f);
    }
    // Gusts: the amplitude is the speed.
    for (const auto& v : e->gusts) ASSERT_EQ(v.mixed_amplitude, 0.5f);
    // Squalls: the cube of the speed.
    for (const auto& v : e->squalls) ASSERT_EQ(v.squall_amplitude, 0.125f);
    // LFE: level x 10 x speed.
    ASSERT_NEAR(e->lfe.current_gain, 0.3f * 5.0f, 1e-6f);
  }
}

// Background flow with no variation depth: the filter stays on its base
// frequency whatever the walk and the speed do.
TEST(VantoraWindSpeed, BackflowWithoutVariationStaysOnItsBase) {
  engine e;
  vantora_set_variation_range(e, 0.0f);
  vantora_set_coupling_between_global_source_and_backflow(e, 0.3f);
  vantora_set_variation_rate(e, 1.0f);
  vantora_set_backflow_frequency(e, 0.7f);
  const float base = ld(e->backflow_p.base_freq);
  for (int block = 0; block < 300; ++block) {
    render_interleaved(e, QUAD, 4, 64, {64});
    for (const auto& v : e->backflow) ASSERT_EQ(v.current_freq, base);
  }
}

// Whistling floor 1: the whistle gain is 1 whatever the control value.
TEST(VantoraWindSpeed, WhistlingFloorOneHoldsTheGain) {
  engine e;
  vantora_set_whistling_floor(e, 1.0f);
  vantora_set_whistling_rate(e, 1.0f);
  vantora_set_coupling_between_global_source_and_whistling(e, 0.0f);
  for (int block = 0; block < 300; ++block) {
    render_interleaved(e, QUAD, 4, 64, {64});
    for (const auto& v : e->whistling) ASSERT_EQ(v.whistle_gain, 1.0f);
  }
}

// With the wind speed manual and the whistling following it, the whistle's
// spectral peak sits at min + (max - min) speed^2.
TEST(VantoraSound, WhistlePitchFollowsTheWindSpeed) {
  for (float speed : {0.3f, 0.6f, 0.9f}) {
    engine e;
    set_levels(e, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f);
    manual_speed(e, speed);
    vantora_set_coupling_between_global_source_and_whistling(e, 1.0f);
    vantora_set_whistling_qfactor(e, 1.0f);  // Q 20: a narrow peak
    vantora_set_whistling_hc_freq(e, 20000.0f);
    render_interleaved(e, MONO, 1, 12000);
    const std::vector<float> out = render_interleaved(e, MONO, 1, 3 * 48000);
    ASSERT_GT(peak_abs(out.data(), out.size()), 1e-3);
    const size_t n = 8192;
    const std::vector<double> p = power_spectrum(out, n);
    const double expected = 344.79364 + (2095.5142 - 344.79364) * speed * speed;
    const double found = spectral_peak(p, n, RATE, 150.0, 6000.0);
    EXPECT_NEAR(found / expected, 1.0, 0.02) << "speed " << speed << ": peak at " << found
                                             << " Hz, expected " << expected << " Hz";
  }
}

// The background flow follows its base frequency: band pass at Q 10 with no
// variation puts the spectral peak on 100 + 9900 x^3.9956 Hz.
TEST(VantoraSound, BackflowBandPassPeaksAtItsBaseFrequency) {
  for (float x : {0.5f, 0.7f}) {
    engine e;
    set_levels(e, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    vantora_set_backflow_filtertype(e, 1);
    vantora_set_backflow_qfactor(e, 1.0f);
    vantora_set_variation_range(e, 0.0f);
    vantora_set_backflow_frequency(e, x);
    vantora_set_backflow_hc_freq(e, 20000.0f);
    vantora_set_backflow_shape(e, 5);  // "Forest": a gentle tilt
    render_interleaved(e, MONO, 1, 4800);
    const std::vector<float> out = render_interleaved(e, MONO, 1, 2 * 48000);
    const size_t n = 8192;
    const double expected = 100.0 + 9900.0 * std::pow(static_cast<double>(x), 3.9956350326538086);
    const double found = spectral_peak(power_spectrum(out, n), n, RATE, 100.0, 15000.0);
    EXPECT_NEAR(found / expected, 1.0, 0.03) << "x " << x << ": " << found << " Hz";
  }
}

// Squalls with amplitude 0 (coupling 0) are a steady noise at the floor's
// loudness, and silent only when the floor is 0 too.
TEST(VantoraSound, SquallsFloor) {
  for (float floor : {0.0f, 0.2f}) {
    engine e;
    set_levels(e, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    vantora_set_coupling_between_global_source_and_squalls(e, 0.0f);
    vantora_set_squalls_amplitude(e, 0.0f);
    vantora_set_squalls_floor(e, floor);
    const std::vector<float> out = render_interleaved(e, STEREO, 2, 24000);
    if (floor == 0.0f)
      EXPECT_EQ(peak_abs(out.data(), out.size()), 0.0);
    else
      EXPECT_GT(peak_abs(out.data(), out.size()), 1e-4);
  }
}

// Rounding the 2.2 Hz squall envelope low passes to float at 88.2 kHz and
// above would put a pole on the unit circle, and the envelope would drift
// away instead of fluttering. The stored designs must be strictly stable
// (|a2| < 1 and |a1| < 1 + a2, with a1 = -c1 and a2 = -c2 as stored), and the
// envelope filter's output must stay at its normal level over a long run:
// white noise low-passed at a fixed cutoff has less power at a higher rate,
// so no more than at 48 kHz.
TEST(VantoraSound, SquallEnvelopeStaysStableAtHighRates) {
  double rms_48k = 0.0;
  for (float rate : {48000.0f, 88200.0f, 96000.0f, 192000.0f}) {
    engine e(rate);
    set_levels(e, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    vantora_set_squalls_rate(e, 0.0f);
    vantora_set_squalls_amplitude(e, 1.0f);
    std::vector<float> out(1024);
    vantora_process(e, out.data(), MONO, 1024);
    for (const auto& v : e->squalls) {
      for (const biquad* f : {&v.env_lp1, &v.env_lp2}) {
        const double a1 = -static_cast<double>(f->c1), a2 = -static_cast<double>(f->c2);
        EXPECT_LT(std::fabs(a2), 1.0) << rate;
        EXPECT_LT(std::fabs(a1), 1.0 + a2) << rate;
      }
    }
    const int calls = static_cast<int>(rate) * 10 / 1024;
    double sum = 0.0, peak = 0.0;
    int n = 0;
    for (int k = 0; k < calls; ++k) {
      vantora_process(e, out.data(), MONO, 1024);
      const float* s1 = e->buffers[VB_SQUALLS];
      for (int i = 0; i < 64; ++i) ASSERT_TRUE(std::isfinite(s1[i])) << rate << " call " << k;
      peak = std::max(peak, peak_abs(s1, 64));
      if (k >= calls / 2) {
        const double y = e->squalls[0].env_lp2.y1;
        sum += y * y;
        ++n;
      }
    }
    const double rms = std::sqrt(sum / n);
    if (rate == 48000.0f)
      rms_48k = rms;
    else
      EXPECT_LT(rms, 1.2 * rms_48k) << rate << " Hz: the envelope low pass drifts";
    EXPECT_GT(peak, 1e-5) << rate;
  }
}
