#pragma once
// Whistling: shaped noise through a resonant band pass whose centre glides
// between a minimum and a maximum frequency with a slow bounded walk (or the
// wind speed), its loudness rising with the same control value.

#include <atomic>

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "dsp/walks.h"
#include "engine/frame.h"
#include "wind/shapes.h"

// Written by the sub-setters, shared by the three instances.
struct whistling_params {
  afloat level;
  std::atomic<const shape_coeffs*> shape;
  aint shape_index;
  afloat q;                   // 2..20
  afloat min_freq, max_freq;  // Hz
  afloat rate;                // 0..1: walk moves every 500 - 495 rate ms
  afloat floor;               // whistle gain at the lowest control value
  afloat presence;            // 0..1: gain exponent 5 - 4 presence
  afloat low_cut, high_cut;
  afloat coupling;
};

struct whistling_voice {
  resonator shape;
  bounded_random_walk walk;
  band_filter band;
  biquad whistle;
  design_memo whistle_memo;  // arguments of the whistle filter's last design
  design_memo gain_memo;     // arguments of the whistle gain's last curve (it holds its walk)
  double whistle_factor;     // its 6 dB gain as the design's amplitude factor
  gain_ramp_state ramp;
  float walk_value, mixed_value, whistle_gain, centre_freq;
  float walk_interval, gain_exponent;
};

void vantora_whistling_setup(whistling_voice& v);
// Also re-seats the walk at its current value and draws its next move.
void vantora_whistling_update(whistling_voice& v, const whistling_params& p, float fs);
// One sub-block in steps, so that the engine can run the filters of several
// voices side by side: prepare draws the noise into out, steps the walk and
// designs the whistle filter; the engine runs the noise shape and the whistle
// filter; scale applies the whistle gain; the engine runs the band filter;
// finish applies the level.
void vantora_whistling_prepare(whistling_voice& v, const whistling_params& p, float fs,
                               float speed, float* out);
void vantora_whistling_scale(whistling_voice& v, float* out);
void vantora_whistling_finish(whistling_voice& v, const whistling_params& p, float* out);
