#pragma once
// Helpers of the sample-rate tests: octave-band levels of a render in
// absolute terms (mean square per band, the same scale at every rate), so
// renders of one sound at two rates compare band by band.

#include <array>
#include <cmath>
#include <vector>

#include "tests/common/engine_test_util.h"

namespace rate_test {

inline constexpr int BANDS = 8;  // octaves centred on 62.5 Hz .. 8 kHz
inline double band_centre(int b) { return 1000.0 * std::pow(2.0, b - 4); }

// Mean square of each octave band of one channel (dB), from Hann-windowed
// spectra with bins of at most 4 Hz; bands above 0.45 fs read -inf.
inline std::array<double, BANDS> octave_levels(const std::vector<float>& interleaved,
                                               uint32_t channels, uint32_t channel, double fs) {
  size_t n = 1;
  while (static_cast<double>(n) < fs / 4.0) n *= 2;
  const std::vector<double> p = engine_test::power_spectrum(interleaved, n, channels, channel);
  const size_t frames = interleaved.size() / channels;
  const double windows = static_cast<double>((frames - n) / (n / 2) + 1);
  // One-sided mean square: 2 |X|^2 / (N sum w^2), sum w^2 = 3N/8 for Hann.
  const double scale = 2.0 / (static_cast<double>(n) * 0.375 * static_cast<double>(n) * windows);
  std::array<double, BANDS> out{};
  for (int b = 0; b < BANDS; ++b) {
    const double lo = band_centre(b) / std::sqrt(2.0), hi = band_centre(b) * std::sqrt(2.0);
    if (hi > 0.45 * fs) {
      out[b] = -INFINITY;
      continue;
    }
    double sum = 0.0;
    for (size_t k = 1; k < p.size(); ++k) {
      const double f = static_cast<double>(k) * fs / static_cast<double>(n);
      if (f >= lo && f < hi) sum += p[k];
    }
    out[b] = 10.0 * std::log10(sum * scale);
  }
  return out;
}

// Mean square of one channel, dB.
inline double level_db(const std::vector<float>& interleaved, uint32_t channels,
                       uint32_t channel) {
  double sum = 0.0;
  const size_t frames = interleaved.size() / channels;
  for (size_t i = 0; i < frames; ++i) {
    const double x = interleaved[i * channels + channel];
    sum += x * x;
  }
  return 10.0 * std::log10(sum / static_cast<double>(frames));
}

// Expects every band that both renders have, and that lies within `range` dB
// of the reference's strongest band, within `tolerance` dB of it.
inline void expect_same_bands(const std::array<double, BANDS>& reference,
                              const std::array<double, BANDS>& other, double range,
                              double tolerance, const char* what, double fs) {
  double strongest = -INFINITY;
  for (double v : reference) strongest = std::max(strongest, v);
  int compared = 0;
  for (int b = 0; b < BANDS; ++b) {
    if (!std::isfinite(reference[b]) || !std::isfinite(other[b])) continue;
    if (reference[b] < strongest - range) continue;
    ++compared;
    EXPECT_NEAR(other[b], reference[b], tolerance)
        << what << " at " << fs << " Hz, band " << band_centre(b) << " Hz";
  }
  EXPECT_GE(compared, 3) << what << " at " << fs << " Hz: too few bands to compare";
}

}  // namespace rate_test
