#pragma once
// Rumble: white noise amplitude-modulated by a second, low-passed white
// noise, shaped by a wide band pass around 333 Hz, a notch at 500 Hz and the
// low and high cut. A denser rumble has a lower modulation cutoff.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"
#include "engine/param_table.h"
#include "engine/pluvessa_params.h"
#include "rain/joined_passes.h"

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

// The sub-setter of the rumble parameters: the stored value in, the derived
// values instances A and B share out. False for a key that is not one of the
// rumble's.
bool pluvessa_rumble_set(rumble_params& p, pluvessa_param key, float x);

void pluvessa_rumble_setup(rumble_voice& v);
// The density chain (density cutoff to smoother cutoff) for a given strength.
void pluvessa_rumble_derive(rumble_voice& v, const rumble_params& p, float strength);
void pluvessa_rumble_update(rumble_voice& v, const rumble_params& p, float fs);
// Designs the fixed body band pass and the smoother, then updates.
void pluvessa_rumble_init(rumble_voice& v, const rumble_params& p, float fs);

// One sub-block of a rumble instance (0 A, 1 B), step by step as the
// schedule runs it:
//   draw    the density, mixed with the rain strength by the coupling, sets
//           the smoother's cutoff (redesigned when it moved); white noise
//           into out (the carrier), then into modulator.
//   joins   the control pass: the smoother over modulator, out times it,
//           the body band pass over out;
//           the section-band pass: the notch, then low and high cut.
//   finish  out times the level (ramped): out is the voice's output.
void pluvessa_rumble_draw(rumble_voice& v, const rumble_params& p, float fs, float strength,
                          int instance, float* out, float* modulator, rain_passes& passes);
void pluvessa_rumble_finish(rumble_voice& v, const rumble_params& p, float* out);
