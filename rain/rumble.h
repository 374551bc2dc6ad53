#pragma once
// Rumble: white noise amplitude-modulated by a second, low-passed white
// noise, shaped by a wide band pass around 333 Hz, a notch at 500 Hz and the
// low and high cut. A denser rumble has a lower modulation cutoff.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"

// Written by the sub-setters, shared by instances A and B.
struct rumble_params {
  afloat level;           // 0.5 x "rumble_level"
  afloat scaled_density;  // 0.9 x "rumble_density"
  afloat notch_q;         // 0.03..2
  afloat low_cut, high_cut;
  afloat coupling;  // 0 own density .. 1 rain strength
};

struct rumble_voice {
  one_pole smoother;
  design_memo smoother_memo;  // arguments of the smoother's last design
  biquad_df2 body;
  band_filter cut;
  biquad notch;
  gain_ramp_state ramp;
  float density_cutoff;   // Hz, 50..1000
  float manual_density;   // equals "rumble_density"; set with density_cutoff
  float smoother_cutoff;  // Hz
  float mixed_density;
};

void pluvessa_rumble_setup(rumble_voice& v);
// The density chain (density cutoff to smoother cutoff) for a given strength.
void pluvessa_rumble_derive(rumble_voice& v, const rumble_params& p, float strength);
void pluvessa_rumble_update(rumble_voice& v, const rumble_params& p, float fs);
// Designs the fixed body band pass and the smoother, then updates.
void pluvessa_rumble_init(rumble_voice& v, const rumble_params& p, float fs);
// One sub-block in steps, so that the engine can run the filters of several
// voices side by side: prepare sets this sub-block's smoother and draws the
// carrier noise into out, then the modulator noise into modulator; the engine
// runs the control chain (the smoother over modulator, out times it, the body
// band pass over out), then the notch and the band filter over out; finish
// applies the level.
void pluvessa_rumble_prepare(rumble_voice& v, const rumble_params& p, float fs, float strength,
                             float* out, float* modulator);
void pluvessa_rumble_finish(rumble_voice& v, const rumble_params& p, float* out);
