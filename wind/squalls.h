#pragma once
// Squalls: shaped noise multiplied by a second noise low-passed to a few
// hertz, rectified and limited, so the layer flutters in loudness.

#include <atomic>

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "dsp/limiter.h"
#include "engine/frame.h"
#include "engine/vantora_params.h"
#include "wind/shapes.h"
#include "wind/joined_passes.h"

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

// The sub-setter of the squalls parameters: the stored value (x, or n for a
// choice) in, the derived values their two instances share out. False for a
// key that is not one of the squalls's.
bool vantora_squalls_set(squalls_params& p, vantora_param key, float x, int32_t n);

void vantora_squalls_setup(squalls_voice& v);
void vantora_squalls_update(squalls_voice& v, const squalls_params& p, float fs);
// Sets the envelope limiter (-1 dB, ratio 100), then updates.
void vantora_squalls_init(squalls_voice& v, const squalls_params& p, float fs);

// One sub-block of a squall, step by step as the schedule runs it:
//   draw    white noise into out, then white noise into envelope; the squall
//           amplitude from the amplitude, mixed with the wind speed cubed by
//           the coupling.
//   joins   the shape pass: the noise shape over out, and beside it the two
//           envelope low passes over envelope (one two-section chain).
//   shape   the envelope rectified, limited, scaled by the squall amplitude
//           and floored, times out.
//   joins   the band pass: low and high cut.
//   finish  out times the level (ramped): out is the voice's output.
void vantora_squalls_draw(squalls_voice& v, const squalls_params& p, float speed, float* out,
                          float* envelope, wind_passes& passes);
void vantora_squalls_shape(squalls_voice& v, const squalls_params& p, float* out,
                           float* envelope);
void vantora_squalls_finish(squalls_voice& v, const squalls_params& p, float* out);
