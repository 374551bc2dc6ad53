#pragma once
// Shower: white noise raised to the fourth power (sparse positive spikes),
// coloured by a broad 5 dB peak at the shower colour, limited by the low and
// high cut. It does not follow the rain strength.

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "engine/frame.h"

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

void pluvessa_shower_setup(shower_voice& v);
void pluvessa_shower_update(shower_voice& v, const shower_params& p, float fs);
// One sub-block in steps, so that the engine can run the filters of several
// voices side by side: prepare redesigns the colour peak and draws the noise
// into out, raised to the fourth power; the engine runs the colour peak and
// the band filter over out; finish applies the level.
void pluvessa_shower_prepare(shower_voice& v, const shower_params& p, float fs, float* out);
void pluvessa_shower_finish(shower_voice& v, const shower_params& p, float* out);
