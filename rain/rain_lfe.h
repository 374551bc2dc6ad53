#pragma once
// Rain LFE voice: white noise low-passed at the LFE cutoff, its gain
// 10 x level x rain strength.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"
#include "engine/pluvessa_params.h"
#include "rain/joined_passes.h"

struct rain_lfe_params {
  afloat level;
  afloat cutoff;  // Hz
};

struct rain_lfe_voice {
  biquad lowpass;
  gain_ramp_state ramp;
  float current_gain;
};

// The sub-setter of the LFE voice's parameters: the stored value in, its
// derived values out. False for a key that is not the LFE's.
bool pluvessa_lfe_set(rain_lfe_params& p, pluvessa_param key, float x);

void pluvessa_lfe_setup(rain_lfe_voice& v);
void pluvessa_lfe_update(rain_lfe_voice& v, const rain_lfe_params& p, float fs);

// One sub-block of the LFE voice, step by step as the schedule runs it:
//   draw    the gain, level times ten times the rain strength; white noise
//           into out.
//   joins   its own low-pass section (beside the oscillator pass, where the
//           passes run lane-major).
//   finish  out times the gain (ramped): out is the voice's output.
void pluvessa_lfe_draw(rain_lfe_voice& v, const rain_lfe_params& p, float strength, float* out,
                       rain_passes& passes);
void pluvessa_lfe_finish(rain_lfe_voice& v, float* out);
