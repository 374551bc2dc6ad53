#include "tools/meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "tools/sound_file.h"

double to_db(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -INFINITY; }

sound_meter::sound_meter(const layout_choice& layout, int rate, meter_mode mode)
    : channels_(layout.channels) {
  if (mode == meter_mode::level) return;
  true_peak_ = mode == meter_mode::loudness_and_true_peak;
  state_ = ebur128_init(static_cast<unsigned>(channels_), static_cast<unsigned long>(rate),
                        EBUR128_MODE_I | (true_peak_ ? EBUR128_MODE_TRUE_PEAK : 0));
  if (!state_) throw std::bad_alloc();
  // Channel weights by position: a mono file counts once (one loudspeaker),
  // the LFE not at all.
  for (int c = 0; c < channels_; ++c) {
    int position = EBUR128_UNUSED;
    switch (layout.channel_map[c]) {
      case SF_CHANNEL_MAP_LEFT: position = EBUR128_LEFT; break;
      case SF_CHANNEL_MAP_RIGHT: position = EBUR128_RIGHT; break;
      case SF_CHANNEL_MAP_CENTER: position = EBUR128_CENTER; break;
      case SF_CHANNEL_MAP_REAR_LEFT: position = EBUR128_LEFT_SURROUND; break;
      case SF_CHANNEL_MAP_REAR_RIGHT: position = EBUR128_RIGHT_SURROUND; break;
      default: break;
    }
    ebur128_set_channel(state_, static_cast<unsigned>(c), position);
  }
}

sound_meter::~sound_meter() {
  if (state_) ebur128_destroy(&state_);
}

void sound_meter::add(const float* frames, std::size_t count) {
  const std::size_t n = count * static_cast<std::size_t>(channels_);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = std::fabs(frames[i]);
    peak_ = std::max(peak_, x);
    sum_squares_ += x * x;
    clipped_ += x >= 1.0;
  }
  samples_ += n;
  if (state_) ebur128_add_frames_float(state_, frames, count);
}

sound_measures sound_meter::result() const {
  sound_measures m;
  m.samples = samples_;
  m.clipped = clipped_;
  m.peak = peak_;
  m.rms = samples_ ? std::sqrt(sum_squares_ / static_cast<double>(samples_)) : 0.0;
  if (state_) {
    ebur128_loudness_global(state_, &m.loudness);
    for (int c = 0; true_peak_ && c < channels_; ++c) {
      double tp = 0.0;
      ebur128_true_peak(state_, static_cast<unsigned>(c), &tp);
      m.true_peak = std::max(m.true_peak, tp);
    }
  }
  return m;
}
