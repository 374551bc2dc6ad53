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
// One sub-block in steps, so that the engine can run the filters and
// oscillators of the four instances side by side. The jitter lives in the
// trigger block, the carrier in out and the tone in its own block until the
// gate puts it in out: prepare draws the scaled jitter noise; the engine runs
// the control chain (the jitter band pass and low pass, the jitter times
// LIQUID_JITTER_SCALE back into the trigger, plus LIQUID_CARRIER_HZ into out,
// the carrier smoother over out); beside it the engine runs the sweep ramps
// into tone (no random draw: their place in the order is free), each value
// through its instance's tone line, and takes the exponential of that (the
// tone frequency); the engine runs the carrier and tone oscillators in one
// pass; pulses keeps the squared jitter times the carrier
// above the threshold; the engine runs the colour high pass on the trigger,
// the gate (the high pass's output times LIQUID_GATE_GAIN, the tone times
// that) and the band filter into out, in one lane pass; finish applies the
// level.
inline constexpr float LIQUID_JITTER_SCALE = 4.0f;
inline constexpr float LIQUID_CARRIER_HZ = 30.0f;
inline constexpr float LIQUID_GATE_GAIN = 1.9f;
inline constexpr float LIQUID_DROP_THRESHOLD = 0.0245f;  // pulses survive only above this

void pluvessa_liquid_prepare(const liquid_params& p, float* trigger);
void pluvessa_liquid_pulses(float* trigger, const float* out);
// The lines of the four instances' tone frequencies (1A, 1B, 2A, 2B): the
// frequency is e^(((ramp + 1) m[k]) + b[k]), the line and exponential of
// block_exp_of_line(1, m[k], b[k]).
void pluvessa_liquid_tone_lines(const liquid_params p[2], float m[4], float b[4]);
void pluvessa_liquid_finish(liquid_voice& v, const liquid_params& p, float* out);
