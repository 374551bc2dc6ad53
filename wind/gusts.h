#pragma once
// Gusts: swells of shaped noise. Each instance runs its own slow and flicker
// envelopes (like the global controller, with its own rate, attack ratio and
// amplitude range), samples them every 256 samples and uses the value, mixed
// with the wind speed, as the noise amplitude.

#include <atomic>

#include "dsp/block_ops.h"
#include "dsp/envelope.h"
#include "dsp/filters.h"
#include "dsp/limiter.h"
#include "engine/frame.h"
#include "wind/shapes.h"

// Written by the sub-setters, shared by the four instances.
struct gusts_params {
  std::atomic<const shape_coeffs*> shape;
  aint shape_index;
  afloat level;
  afloat amplitude;   // peak bound of the slow swells
  afloat rate;        // 0..1: mean period 600 + 5400 (1 - rate)^2 ms
  afloat duty_cycle;  // 0.05..0.95
  afloat floor;
  afloat coupling;
  afloat low_cut, high_cut;
};

struct gusts_voice {
  random_envelope slow;
  level_probe probe;
  resonator shape;
  random_envelope flicker;
  band_filter band;
  gain_ramp_state ramp;
  float period, flicker_max, slow_min, flicker_min;
  float held;  // local amplitude, sampled every 256 samples
  float mixed_amplitude;
};

void vantora_gusts_setup(gusts_voice& v);
void vantora_gusts_update(gusts_voice& v, const gusts_params& p, float fs);
// Restarts the slow swell and sets the probe period, then updates.
void vantora_gusts_init(gusts_voice& v, const gusts_params& p, float fs);
// One sub-block in steps, so that the engine can run the filters of several
// voices side by side: prepare draws the noise into out and advances the
// envelopes (envelope: the instance's own block; scratch: a shared work
// block), then takes the amplitude from their sum; the engine runs the noise
// shape; scale applies the gust amplitude; the engine runs the band filter;
// finish applies the level. Where the engine advances the envelopes (slow,
// flicker) together with others, prepare_quiet replaces prepare: `reading` is
// their sum at the sample the probe reads (vantora_gusts_reading). Where
// their chains ride along the engine's first pass, prepare_riding draws the
// noise only and take_reading, any time before scale, does the rest of
// prepare_quiet.
void vantora_gusts_prepare(gusts_voice& v, const gusts_params& p, float speed, float* out,
                           float* envelope, float* scratch);
void vantora_gusts_prepare_quiet(gusts_voice& v, const gusts_params& p, float speed, float* out,
                                 float reading);
void vantora_gusts_prepare_riding(float* out);
void vantora_gusts_take_reading(gusts_voice& v, const gusts_params& p, float speed,
                                float reading);
// The sample of the sub-block the probe reads, or -1.
int vantora_gusts_reading(const gusts_voice& v);
void vantora_gusts_scale(gusts_voice& v, float* out);
void vantora_gusts_finish(gusts_voice& v, const gusts_params& p, float* out);
