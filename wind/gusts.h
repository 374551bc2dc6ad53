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
#include "engine/vantora_params.h"
#include "wind/shapes.h"
#include "wind/joined_passes.h"

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

// The sub-setter of the gusts parameters: the stored value (x, or n for a
// choice) in, the derived values their four instances share out. False for a
// key that is not one of the gusts's.
bool vantora_gusts_set(gusts_params& p, vantora_param key, float x, int32_t n);

void vantora_gusts_setup(gusts_voice& v);
void vantora_gusts_update(gusts_voice& v, const gusts_params& p, float fs);
// Restarts the slow swell and sets the probe period, then updates.
void vantora_gusts_init(gusts_voice& v, const gusts_params& p, float fs);

// How a gust's slow and flicker envelopes advance in a sub-block: on their
// own (a swell may start there, and they draw); advanced beforehand by the
// schedule together with the controller's (`reading` is their sum at the
// sample the probe reads, vantora_gusts_reading); or riding along the shape
// pass as multiply chains (take_reading then gives the reading after it).
enum class gust_envelopes { own, advanced, riding };

// One sub-block of a gust, step by step as the schedule runs it:
//   draw    white noise into out; then, advancing on their own, the slow and
//           flicker envelopes into envelope and scratch, summed, and the
//           probe's reading; mixed with the wind speed by the coupling, the
//           reading gives the gust amplitude.
//   joins   the shape pass: the noise shape over out (beside it, where they
//           ride, the multiply chains of its envelopes).
//   scale   out times the gust amplitude.
//   joins   the band pass: low and high cut.
//   finish  out times the level (ramped): out is the voice's output.
void vantora_gusts_draw(gusts_voice& v, const gusts_params& p, float speed, gust_envelopes how,
                        float reading, float* out, float* envelope, float* scratch,
                        wind_passes& passes);
// The reading of envelopes that rode along the shape pass, any time before
// scale: the gust amplitude.
void vantora_gusts_take_reading(gusts_voice& v, const gusts_params& p, float speed,
                                float reading);
// The sample of the sub-block the probe reads, or -1.
int vantora_gusts_reading(const gusts_voice& v);
void vantora_gusts_scale(gusts_voice& v, float* out);
void vantora_gusts_finish(gusts_voice& v, const gusts_params& p, float* out);
