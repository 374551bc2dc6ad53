#pragma once
// Levels of rendered output, for the generated preset list: RMS, peak and
// the count of samples at the hard clip, over the first moments of a render
// and over the rest.

#include <cstddef>
#include <cstdint>

#include "engine/preset_bank.h"
#include "tools/synth.h"

// Running totals over interleaved samples.
struct level_stats {
  uint64_t samples = 0;
  uint64_t clipped = 0;  // samples at or beyond the clip, |x| >= 1
  double sum_squares = 0.0;
  double peak = 0.0;  // largest |x|
};

void level_stats_add(level_stats& s, const float* x, std::size_t n);
// RMS and peak in dB relative to full scale (1.0); -inf for silence.
double level_rms_db(const level_stats& s);
double level_peak_db(const level_stats& s);

// One preset's render, split at the end of its start.
struct preset_levels {
  level_stats start;  // the first start_seconds
  level_stats rest;   // from there to the end
};

// Renders a factory preset the way `ostrelle render --preset` does: an engine
// freshly initialised at 48 kHz, the preset loaded, blocks of 512 frames of
// the layout (a layout mask), for `seconds`.
preset_levels measure_preset(const synth_kind& kind, const factory_preset& preset,
                             uint32_t layout, double seconds, double start_seconds);
