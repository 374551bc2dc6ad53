#pragma once
// Background flow: shaped white noise through a main filter whose centre
// wanders with a local random walk or with the wind speed, then the low and
// high cut and the level.

#include <atomic>

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "dsp/walks.h"
#include "engine/frame.h"
#include "engine/param_table.h"
#include "engine/vantora_params.h"
#include "wind/shapes.h"
#include "wind/joined_passes.h"

// Written by the sub-setters, shared by the four instances.
struct backflow_params {
  afloat variation_rate;   // 10..100
  afloat variation_depth;  // 0..1
  aint filter_type;        // 0 low pass, 3 band pass (constant skirt), 9 gain only
  std::atomic<const shape_coeffs*> shape;
  aint shape_index;
  afloat level;
  afloat base_freq;  // Hz, 100..10000
  afloat q;          // 0.1..10
  afloat low_cut, high_cut;  // Hz
  afloat coupling;           // 0 local .. 1 wind speed
};

struct backflow_voice {
  biquad main;
  design_memo main_memo;  // arguments of the main filter's last design
  random_walk walk;
  resonator shape;
  band_filter band;
  gain_ramp_state ramp;
  float local_variation, mixed_variation, current_freq;
  float walk_interval_variation, walk_interval_period;
};

// The sub-setter of the background flow parameters: the stored value (x, or n
// for a choice) in, the derived values its four instances share out. False
// for a key that is not one of the background flow's.
bool vantora_backflow_set(backflow_params& p, vantora_param key, float x, int32_t n);

void vantora_backflow_setup(backflow_voice& v);
void vantora_backflow_update(backflow_voice& v, const backflow_params& p, float fs);

// One sub-block of a background flow, step by step as the schedule runs it:
//   draw    white noise into out; one step of the local walk, mixed with
//           the wind speed by the coupling, sets the main filter's centre,
//           redesigned when it moved.
//   joins   the shape pass: noise shape, then main filter, in one lane;
//           the band pass: low and high cut.
//   finish  out times the level (ramped): out is the voice's output.
void vantora_backflow_draw(backflow_voice& v, const backflow_params& p, float fs, float speed,
                           float* out, wind_passes& passes);
void vantora_backflow_finish(backflow_voice& v, const backflow_params& p, float* out);
