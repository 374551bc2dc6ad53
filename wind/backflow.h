#pragma once
// Background flow: shaped white noise through a main filter whose centre
// wanders with a local random walk or with the wind speed, then the low and
// high cut and the level.

#include <atomic>

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "dsp/walks.h"
#include "engine/frame.h"
#include "wind/shapes.h"

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

void vantora_backflow_setup(backflow_voice& v);
void vantora_backflow_update(backflow_voice& v, const backflow_params& p, float fs);
// One sub-block in three steps, so that the engine can run the filters of
// several voices side by side: prepare draws the noise into out, steps the
// local variation and designs this sub-block's main filter; the engine then
// runs the noise shape, the main filter and the band filter over out; finish
// applies the level.
void vantora_backflow_prepare(backflow_voice& v, const backflow_params& p, float fs,
                              float speed, float* out);
void vantora_backflow_finish(backflow_voice& v, const backflow_params& p, float* out);
