#pragma once
// The global controller both engines run (wind speed, rain strength): slow
// random swells plus a fast flicker, sampled every 256 samples, mixed with a
// manual value by the coupling from outside. One value per 64-frame sub-block.

#include "dsp/envelope.h"
#include "dsp/limiter.h"
#include "engine/frame.h"

// Written by the sub-setters (any thread), read by update and process.
struct global_controller_params {
  afloat amplitude;  // peak bound of the slow swells
  afloat rate;       // 0..1: mean period 300 + 9700 (1 - rate) ms
  afloat duty_cycle;  // attack share of a swell, 0.05..0.95
  afloat floor;      // least value of the slow swells
  afloat coupling;   // 0 automatic .. 1 manual
  afloat manual;     // manual control
};

struct global_controller {
  random_envelope slow;
  level_probe probe;
  random_envelope flicker;
  global_controller_params params;
  afloat instantaneous;  // output, read by the getter from any thread
  float period, flicker_max, slow_min, flicker_min;
  float held;  // automatic value, sampled every 256 samples
};

// The sub-setter of the controller's six parameters, which both engines'
// tables name alike (Key: vantora_param or pluvessa_param): the stored value
// in, the derived value out. False for a key that is not the controller's.
template <class Key>
bool global_controller_set(global_controller_params& p, Key key, float x) {
  switch (key) {
    case Key::global_control: st(p.manual, x); return true;
    case Key::global_coupling_from_outside: st(p.coupling, x); return true;
    case Key::global_amplitude: st(p.amplitude, x); return true;
    case Key::global_rate: st(p.rate, x); return true;
    case Key::global_dutycycle: st(p.duty_cycle, 0.9f * x + 0.05f); return true;
    case Key::global_floor: st(p.floor, x); return true;
    default: return false;
  }
}

// DSP records initialised (draws from the uniform seed), derived values zero.
void global_controller_setup(global_controller* g);
// Re-derives the envelope ranges and rhythm from the parameters.
void global_controller_update(global_controller* g, float sample_rate);
// Restarts the slow swell and the probe period, then updates.
void global_controller_init(global_controller* g, float sample_rate);
// Advances one sub-block using two scratch blocks of 64 samples (left
// unwritten where no swell starts); returns the new instantaneous value.
float global_controller_process(global_controller* g, float* scratch_a, float* scratch_b);
// The rest of process for a sub-block whose envelopes (slow, flicker) an
// engine has advanced together with others: `reading` is their sum at the
// sample the probe reads (global_controller_reading; any value where it
// reads none). Returns the new instantaneous value.
float global_controller_finish(global_controller* g, float reading);
// Where no swell starts in this sub-block (nothing is drawn), advances the
// envelopes alone, sets `reading` as finish takes it and returns true; else
// advances nothing and returns false (process then runs the whole step). An
// engine may call this ahead of its voices, whose passes the envelopes' chain
// of multiplies then overlaps, and finish after them.
bool global_controller_advance_quiet(global_controller* g, float* reading);
// The same advance with the envelopes' multiply chains run by one of the
// engine's passes (a multiply_pair_job on env, mul and round): begin returns
// false where a swell starts or a multiplier changes within the sub-block
// (nothing is advanced: advance_quiet or process then takes the sub-block),
// else fills the record; after the pass, end advances the envelopes and
// returns the reading finish takes.
struct global_controller_chains {
  alignas(16) double env[2];
  alignas(16) double mul[2];
  alignas(16) double round[2 * (SUB_BLOCK / 8)];
  int at;
};
bool global_controller_chains_begin(const global_controller* g, global_controller_chains* c);
float global_controller_chains_end(global_controller* g, const global_controller_chains* c);
// The sample of the sub-block the probe reads, or -1.
int global_controller_reading(const global_controller* g);
