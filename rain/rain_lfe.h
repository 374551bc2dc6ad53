#pragma once
// Rain LFE voice: white noise low-passed at the LFE cutoff, its gain
// 10 x level x rain strength.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"

struct rain_lfe_params {
  afloat level;
  afloat cutoff;  // Hz
};

struct rain_lfe_voice {
  biquad lowpass;
  gain_ramp_state ramp;
  float current_gain;
};

void pluvessa_lfe_setup(rain_lfe_voice& v);
void pluvessa_lfe_update(rain_lfe_voice& v, const rain_lfe_params& p, float fs);
// One sub-block in steps: prepare sets this sub-block's gain and draws the
// noise into out; the engine runs the low pass; finish ramps the gain.
void pluvessa_lfe_prepare(rain_lfe_voice& v, const rain_lfe_params& p, float strength,
                          float* out);
void pluvessa_lfe_finish(rain_lfe_voice& v, float* out);
