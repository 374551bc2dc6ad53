#pragma once
// Wind LFE voice: white noise through an eighth-order low pass (four equal
// sections), its gain ten times the level at full wind speed.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"

struct wind_lfe_params {
  afloat level;
  afloat cutoff;  // Hz
};

struct wind_lfe_voice {
  biquad lowpass[4];
  gain_ramp_state ramp;
  float current_gain;
};

inline constexpr float WIND_LFE_Q = 0.7071f;

void vantora_lfe_setup(wind_lfe_voice& v);
void vantora_lfe_update(wind_lfe_voice& v, const wind_lfe_params& p, float fs);
// One sub-block in steps: prepare draws the noise and sets this sub-block's
// gain; the engine runs the four low-pass sections; finish ramps the gain.
void vantora_lfe_prepare(wind_lfe_voice& v, const wind_lfe_params& p, float speed, float* out);
void vantora_lfe_finish(wind_lfe_voice& v, float* out);
