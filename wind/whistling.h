#pragma once
// Whistling: shaped noise through a resonant band pass whose centre glides
// between a minimum and a maximum frequency with a slow bounded walk (or the
// wind speed), its loudness rising with the same control value.

#include <atomic>

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "dsp/walks.h"
#include "engine/frame.h"
#include "engine/vantora_params.h"
#include "wind/shapes.h"
#include "wind/joined_passes.h"

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

// The sub-setter of the whistling parameters: the stored value (x, or n for a
// choice) in, the derived values its three instances share out. False for a
// key that is not one of the whistling's.
bool vantora_whistling_set(whistling_params& p, vantora_param key, float x, int32_t n);

void vantora_whistling_setup(whistling_voice& v);
// Also re-seats the walk at its current value and draws its next move.
void vantora_whistling_update(whistling_voice& v, const whistling_params& p, float fs);

// One sub-block of a whistle, step by step as the schedule runs it:
//   draw    white noise into out; one step of the bounded walk, mixed with
//           the wind speed by the coupling, sets the whistle's centre
//           (redesigned when it moved) and its gain.
//   joins   the shape pass: noise shape, then whistle band pass, in one
//           lane.
//   scale   out times the whistle gain.
//   joins   the band pass: low and high cut.
//   finish  out times the level (ramped): out is the voice's output.
void vantora_whistling_draw(whistling_voice& v, const whistling_params& p, float fs, float speed,
                            float* out, wind_passes& passes);
void vantora_whistling_scale(whistling_voice& v, float* out);
void vantora_whistling_finish(whistling_voice& v, const whistling_params& p, float* out);
