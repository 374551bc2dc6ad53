#pragma once
// Liquid drop layer: pitched water drops derived from a continuous chain. A
// carrier near 30 Hz, wobbled by filtered Gaussian jitter, paces the drops;
// the squared jitter times the carrier above a threshold gives short pulses;
// high-passed at the drop colour they trigger bursts of a tone oscillator
// whose pitch sweeps exponentially under a sawtooth (the viscosity).

#include "dsp/block_ops.h"
#include "dsp/filters.h"
#include "dsp/oscillators.h"
#include "engine/frame.h"

// Written by the sub-setters, shared by the A and B instances of one layer.
struct liquid_params {
  afloat level;             // 30 x level parameter
  afloat sweep_freq;        // Hz
  afloat tone_min;          // natural log of Hz, ln 20 .. ln 20000
  afloat tone_half_range;   // natural-log units, 0 .. ln 1000 / 2
  afloat low_cut, high_cut;
  afloat drop_density;      // 0.006..0.03, the jitter noise gain
  afloat drop_colour;       // Hz
};

struct liquid_voice {
  biquad_df2 jitter_bandpass;
  biquad_df2 carrier_smoother;
  one_pole jitter_lowpass;
  biquad colour_highpass;
  ramp_osc sweep;
  band_filter cut;
  sine_osc carrier;
  sine_osc tone;
  gain_ramp_state ramp;
};

void pluvessa_liquid_setup(liquid_voice& v, float fs);
void pluvessa_liquid_update(liquid_voice& v, const liquid_params& p, float fs);
// Designs the fixed jitter and carrier filters, then updates.
void pluvessa_liquid_init(liquid_voice& v, const liquid_params& p, float fs);
void pluvessa_liquid_process(liquid_voice& v, const liquid_params& p, float* out,
                             float* trigger, float* scratch_a, float* scratch_b);
