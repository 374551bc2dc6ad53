#pragma once
// Shower: white noise raised to the fourth power (sparse positive spikes),
// coloured by a broad 5 dB peak at the shower colour, limited by the low and
// high cut. It does not follow the rain strength.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"
#include "engine/pluvessa_params.h"
#include "rain/joined_passes.h"

inline constexpr float SHOWER_PEAK_DB = 5.0f;
inline constexpr float SHOWER_COLOUR_Q = 0.3f;

// Written by the sub-setters, shared by instances A and B.
struct shower_params {
  afloat low_cut, high_cut;
  afloat level;
  afloat colour;  // Hz
};

struct shower_voice {
  band_filter cut;
  biquad colour;
  design_memo colour_memo;  // arguments of the colour peak's last design
  gain_ramp_state ramp;
};

// The sub-setter of the shower parameters: the stored value in, the derived
// values instances A and B share out. False for a key that is not one of the
// shower's.
bool pluvessa_shower_set(shower_params& p, pluvessa_param key, float x);

void pluvessa_shower_setup(shower_voice& v);
void pluvessa_shower_update(shower_voice& v, const shower_params& p, float fs);

// One sub-block of a shower instance (0 A, 1 B), step by step as the
// schedule runs it:
//   draw    the colour peak redesigned when the colour moved; white noise
//           into out, raised to the fourth power.
//   joins   the section-band pass: the colour peak, then low and high cut
//           (the control pass only hands out on, where it runs lane-major).
//   finish  out times the level (ramped): out is the voice's output.
void pluvessa_shower_draw(shower_voice& v, const shower_params& p, float fs, int instance,
                          float* out, rain_passes& passes);
void pluvessa_shower_finish(shower_voice& v, const shower_params& p, float* out);
