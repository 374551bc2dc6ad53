#pragma once
// Squalls: shaped noise multiplied by a second noise low-passed to a few
// hertz, rectified and limited, so the layer flutters in loudness.

#include <atomic>

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "dsp/limiter.h"
#include "engine/frame.h"
#include "wind/shapes.h"

// Written by the sub-setters, shared by the two instances.
struct squalls_params {
  std::atomic<const shape_coeffs*> shape;
  aint shape_index;
  afloat level;
  afloat amplitude;
  afloat envelope_cutoff;  // Hz, 2.2..15
  afloat floor;            // least envelope value
  afloat low_cut, high_cut;
  afloat coupling;
};

struct squalls_voice {
  limiter squall_limiter;
  resonator shape;
  biquad env_lp1, env_lp2;
  band_filter band;
  gain_ramp_state ramp;
  float squall_amplitude;
};

void vantora_squalls_setup(squalls_voice& v);
void vantora_squalls_update(squalls_voice& v, const squalls_params& p, float fs);
// Sets the envelope limiter (-1 dB, ratio 100), then updates.
void vantora_squalls_init(squalls_voice& v, const squalls_params& p, float fs);
// One sub-block in steps, so that the engine can run the filters of several
// voices side by side: prepare draws the squall sound into out and the raw
// envelope noise into envelope; the engine runs the noise shape over out and
// the two envelope low passes over envelope; shape rectifies, limits, scales
// and floors the envelope and applies it to out; the engine runs the band
// filter; finish applies the level.
void vantora_squalls_prepare(squalls_voice& v, const squalls_params& p, float speed, float* out,
                             float* envelope);
void vantora_squalls_shape(squalls_voice& v, const squalls_params& p, float* out,
                           float* envelope);
void vantora_squalls_finish(squalls_voice& v, const squalls_params& p, float* out);
