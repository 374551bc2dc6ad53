// Blocks that carry a sound from the rate it was tuned at to another: the
// white noise's density gain and the resonator moved to another rate, and
// the realised gains of stored coefficients.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

#include "dsp/rate_moves.h"
#include "filter_test_util.h"

using namespace filter_test;

namespace {

// |g / (1 + a1 e^-jw + a2 e^-2jw)| at f Hz for rate fs.
double resonator_gain(const float c[3], double f, double fs) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * PI * f / fs);
  return c[0] / std::abs(1.0 + double{c[1]} * z1 + double{c[2]} * z1 * z1);
}

// Power of white noise through a 1 kHz band pass at rate fs, the noise
// scaled by its density gain.
double band_power(float fs) {
  biquad f;
  biquad_init(&f);
  biquad_design_q_linear(&f, FILTER_BANDPASS_GAIN, 1.0f, 1000.0f, 2.0f, fs);
  std::vector<float> x(static_cast<size_t>(fs) * 20);
  noise_set_uniform_seed(12345);
  noise_white_process(x.data(), static_cast<int>(x.size()));
  const float g = noise_density_gain(fs, 48000.0f);
  for (float& v : x) v *= g;
  biquad_process(&f, x.data(), static_cast<int>(x.size()));
  double s = 0.0;
  for (float v : x) s += double{v} * v;
  return s / static_cast<double>(x.size());
}

}  // namespace

TEST(NoiseDensityGain, OneAtTheReferenceAndTheSameBandPowerElsewhere) {
  EXPECT_EQ(noise_density_gain(48000.0f, 48000.0f), 1.0f);
  EXPECT_EQ(noise_density_gain(44100.0f, 44100.0f), 1.0f);
  EXPECT_FLOAT_EQ(noise_density_gain(96000.0f, 48000.0f), std::sqrt(2.0f));
  const double reference = band_power(48000.0f);
  for (float fs : {22050.0f, 24000.0f, 96000.0f, 192000.0f})
    EXPECT_NEAR(10.0 * std::log10(band_power(fs) / reference), 0.0, 0.25) << fs;
}

TEST(ResonatorMoveRate, EqualRatesChangeNothingButTheGain) {
  const float in[3] = {0.0157f, -1.934f, 0.946f};
  float out[3];
  resonator_move_rate(in, 48000.0f, 48000.0f, 1.0f, out);
  EXPECT_EQ(std::memcmp(in, out, sizeof out), 0);
  resonator_move_rate(in, 44100.0f, 44100.0f, 2.0f, out);
  EXPECT_EQ(out[0], in[0] * 2.0f);
  EXPECT_EQ(out[1], in[1]);
  EXPECT_EQ(out[2], in[2]);
}

// Real poles near 1 (a steep low-pass tilt) and a complex pair near the unit
// circle (a broad resonance): moved to another rate, the response in hertz
// stays within about a dB up to 8 kHz and a quarter of the lower rate, and a
// resonance keeps its frequency. (Towards the lower rate's Nyquist frequency
// an all-pole filter's roll-off is its rate's own, a few dB apart.)
TEST(ResonatorMoveRate, ResponseInHertzHolds) {
  const float shapes[][3] = {{0.005f, -1.918f, 0.9186f},
                             {0.0568f, -1.4752f, 0.4887f},
                             {0.006f, -1.98f, 0.99f},
                             {0.0369f, -1.639058f, 0.646753f}};
  for (const auto& in : shapes)
    for (float fs : {22050.0f, 32000.0f, 96000.0f, 192000.0f}) {
      float out[3];
      resonator_move_rate(in, 48000.0f, fs, 1.0f, out);
      const double top = std::min(8000.0, 0.25 * std::min(48000.0, double{fs}));
      for (double f = 30.0; f <= top; f *= 1.25)
        EXPECT_NEAR(20.0 * std::log10(resonator_gain(out, f, fs) / resonator_gain(in, f, 48000.0)),
                    0.0, 1.3)
            << in[1] << " at " << fs << " Hz, " << f << " Hz";
    }
  // "Blizzard Far" resonates near 760 Hz: the peak stays there.
  const float narrow[3] = {0.006f, -1.98f, 0.99f};
  auto peak = [](const float c[3], double fs) {
    double best = 0.0, at = 0.0;
    for (double f = 100.0; f < 3000.0; f += 1.0)
      if (resonator_gain(c, f, fs) > best) best = resonator_gain(c, f, fs), at = f;
    return at;
  };
  const double reference = peak(narrow, 48000.0);
  for (float fs : {24000.0f, 96000.0f}) {
    float out[3];
    resonator_move_rate(narrow, 48000.0f, fs, 1.0f, out);
    EXPECT_NEAR(peak(out, fs), reference, 0.02 * reference) << fs;
  }
}

// The extra gain multiplies g; a pole beyond the new Nyquist frequency stays
// below it and the resonator stays stable.
TEST(ResonatorMoveRate, GainAndPolesBeyondTheNewNyquist) {
  const float in[3] = {0.0157f, -1.934f, 0.946f};
  float plain[3], lifted[3];
  resonator_move_rate(in, 48000.0f, 96000.0f, 1.0f, plain);
  resonator_move_rate(in, 48000.0f, 96000.0f, 2.0f, lifted);
  EXPECT_FLOAT_EQ(lifted[0], 2.0f * plain[0]);
  EXPECT_EQ(lifted[1], plain[1]);
  // A resonance at 15 kHz cannot exist at 22050 Hz.
  const double w = 2.0 * PI * 15000.0 / 48000.0, r = 0.95;
  const float high[3] = {0.1f, static_cast<float>(-2.0 * r * std::cos(w)), static_cast<float>(r * r)};
  float out[3];
  resonator_move_rate(high, 48000.0f, 22050.0f, 1.0f, out);
  EXPECT_LT(out[2], 1.0f);
  EXPECT_LT(std::fabs(out[1]), 1.0f + out[2]);
  EXPECT_TRUE(std::isfinite(out[0]) && out[0] > 0.0f);
}

// The gains the stored coefficients realise, against a measured sine.
TEST(RealisedGain, MatchesTheFilterRunning) {
  biquad_df2 f;
  biquad_df2_init(&f);
  biquad_df2_design_q(&f, FILTER_LOWPASS, 0.0f, 300.0f, 0.7071f, 48000.0f);
  one_pole p;
  one_pole_init(&p);
  one_pole_design(&p, 0, 400.0f, 48000.0f);
  for (double hz : {0.0, 100.0, 300.0, 1000.0}) {
    const double w = 2.0 * PI * hz / 48000.0;
    EXPECT_NEAR(biquad_df2_gain_at(&f, w), gain_of(f, hz, 48000.0), 1e-9) << hz;
    std::vector<float> x(48000);
    for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(std::cos(w * static_cast<double>(i)));
    one_pole run = p;
    one_pole_process(&run, x.data(), static_cast<int>(x.size()));
    double peak = 0.0;
    for (size_t i = x.size() / 2; i < x.size(); ++i) peak = std::max(peak, std::fabs(double{x[i]}));
    EXPECT_NEAR(peak / one_pole_gain_at(&p, w), 1.0, 0.01) << hz;
  }
}

// The band filter for a sound tuned at 48000 Hz: the plain design at and
// above that rate; below it the high cut keeps the 48000 Hz response in
// hertz up to 0.45 fs (a third of a dB to fs / 4, a dB at the top), where a
// bilinear design at the low rate sinks toward its zero at the Nyquist
// frequency (a 1 kHz high cut at 24000 Hz: 7 dB low at 10 kHz). A high cut
// above the low rate's band passes what is left.
TEST(BandFilterDesignAt, KeepsTheTunedResponseInHertz) {
  struct cut { float lo, hi; };
  for (cut c : {cut{60.0f, 1000.0f}, cut{380.0f, 4500.0f}, cut{300.0f, 8000.0f},
                cut{2000.0f, 16000.0f}, cut{20.0f, 20000.0f}}) {
    band_filter tuned{}, same{}, plain{};
    ASSERT_EQ(band_filter_design(&tuned, c.lo, c.hi, 0.5f, 48000.0f), 0);
    for (float fs : {48000.0f, 96000.0f}) {
      band_filter_design(&plain, c.lo, c.hi, 0.5f, fs);
      ASSERT_EQ(band_filter_design_at(&same, c.lo, c.hi, 0.5f, fs, 48000.0f), 0);
      EXPECT_EQ(std::memcmp(&same, &plain, sizeof plain), 0) << fs;
    }
    for (float fs : {22050.0f, 24000.0f, 32000.0f, 44100.0f}) {
      band_filter moved{};
      ASSERT_EQ(band_filter_design_at(&moved, c.lo, c.hi, 0.5f, fs, 48000.0f), 0);
      double worst = 0.0, worst_hz = 0.0;
      for (double hz = 2.0 * c.lo; hz < 0.45 * fs; hz *= 1.05) {
        const double want = band_filter_gain_at(&tuned, 2.0 * PI * hz / 48000.0);
        const double got = band_filter_gain_at(&moved, 2.0 * PI * hz / fs);
        if (want < 1e-2) continue;  // 40 dB down: out of the sound
        const double off = std::fabs(20.0 * std::log10(got / want));
        // A third of a dB up to fs / 4, a dB up to the top of the band.
        if (off > worst) {
          worst = off;
          worst_hz = hz;
        }
        if (hz < 0.25 * fs) {
          EXPECT_LT(off, 0.35) << c.lo << "-" << c.hi << " Hz at " << fs << ": " << hz;
        }
      }
      EXPECT_LT(worst, 1.0) << c.lo << "-" << c.hi << " Hz at " << fs << ", worst at " << worst_hz;
    }
  }
  // What the move mends: the plain design at 24000 Hz, 10 kHz, 1 kHz high cut.
  band_filter tuned{}, plain{};
  band_filter_design(&tuned, 60.0f, 1000.0f, 1.0f, 48000.0f);
  band_filter_design(&plain, 60.0f, 1000.0f, 1.0f, 24000.0f);
  EXPECT_LT(band_filter_gain_at(&plain, 2.0 * PI * 10000.0 / 24000.0) /
                band_filter_gain_at(&tuned, 2.0 * PI * 10000.0 / 48000.0),
            0.5);
}

// The gain the tests read is the gain of the filter running, and the moved
// filter runs stably.
TEST(BandFilterDesignAt, GainIsTheRunningFiltersAndTheMoveIsStable) {
  band_filter f{};
  band_filter_init(&f);
  band_filter_design_at(&f, 300.0f, 16000.0f, 1.0f, 22050.0f, 48000.0f);
  for (double hz : {500.0, 3000.0, 9000.0}) {
    band_filter run = f;
    const double w = 2.0 * PI * hz / 22050.0;
    std::vector<float> x(22050);
    for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(std::cos(w * static_cast<double>(i)));
    band_filter_process(&run, x.data(), static_cast<int>(x.size()));
    double peak = 0.0;
    for (size_t i = x.size() / 2; i < x.size(); ++i) peak = std::max(peak, std::fabs(double{x[i]}));
    EXPECT_NEAR(peak / band_filter_gain_at(&f, w), 1.0, 0.01) << hz;
  }
  EXPECT_LT(std::fabs(f.lp_c2), 1.0f);
  EXPECT_LT(std::fabs(f.lp_c1), 1.0f - f.lp_c2);
}

// A broad band pass (the rain's body: 333 Hz, Q 0.3) made at 48000 Hz and
// moved down keeps its response in hertz: a fifth of a dB up to fs / 10,
// a dB and a half near the top (at 22050 Hz, where its plain design
// is 7 dB low). Moving to the same or a higher rate copies the coefficients.
TEST(BiquadMoveDown, BroadBandPassKeepsItsResponseInHertz) {
  biquad_df2 tuned{};
  biquad_df2_init(&tuned);
  biquad_df2_design_q(&tuned, FILTER_BANDPASS_GAIN, 0.0f, 333.0f, 0.3f, 48000.0f);
  for (float fs : {22050.0f, 24000.0f, 32000.0f, 44100.0f}) {
    biquad_df2 moved{};
    biquad_df2_init(&moved);
    biquad_df2_move_down(&moved, tuned, 48000.0f, fs);
    for (double hz = 20.0; hz < 0.42 * fs; hz *= 1.1) {
      const double off = 20.0 * std::log10(biquad_df2_gain_at(&moved, 2.0 * PI * hz / fs) /
                                            biquad_df2_gain_at(&tuned, 2.0 * PI * hz / 48000.0));
      EXPECT_NEAR(off, 0.0, hz < 0.1 * fs ? 0.2 : 1.6) << hz << " Hz at " << fs;
    }
  }
  biquad_df2 copy{};
  biquad_df2_move_down(&copy, tuned, 48000.0f, 96000.0f);
  EXPECT_EQ(copy.b0, tuned.b0);
  EXPECT_EQ(copy.a1, tuned.a1);
  EXPECT_EQ(copy.a2, tuned.a2);
}
