#pragma once
// Wind LFE voice: white noise through an eighth-order low pass (four equal
// sections), its gain ten times the level at full wind speed.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"
#include "engine/vantora_params.h"
#include "wind/joined_passes.h"

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

// The sub-setter of the LFE voice's parameters: the stored value in, its
// derived values out. False for a key that is not the LFE's.
bool vantora_lfe_set(wind_lfe_params& p, vantora_param key, float x, int32_t n);

void vantora_lfe_setup(wind_lfe_voice& v);
void vantora_lfe_update(wind_lfe_voice& v, const wind_lfe_params& p, float fs);

// One sub-block of the LFE voice, step by step as the schedule runs it:
//   draw    white noise into out; the gain, level times ten times the wind
//           speed.
//   joins   the chain pass: its four low-pass sections in series.
//   finish  out times the gain (ramped): out is the voice's output.
void vantora_lfe_draw(wind_lfe_voice& v, const wind_lfe_params& p, float speed, float* out,
                      wind_passes& passes);
void vantora_lfe_finish(wind_lfe_voice& v, float* out);
