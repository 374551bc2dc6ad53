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
#include "engine/pluvessa_params.h"
#include "rain/joined_passes.h"

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
  // The jitter band pass as designed for two and for four drawing instances
  // (index 0: mono, 1: every other layout; the same at 48000 Hz), and the
  // count it holds now.
  biquad_df2 jitter_designs[2];
  int jitter_drawing;
  biquad_df2 carrier_smoother;
  one_pole jitter_lowpass;
  biquad colour_highpass;
  ramp_osc sweep;
  band_filter cut;
  sine_osc carrier;
  sine_osc tone;
  gain_ramp_state ramp;
};

// The sub-setter of a drop layer's parameters (the keys of liquid 1 and of
// liquid 2 alike): the stored value in, the derived values the layer's A and
// B instances share out. False for a key that is not a drop layer's.
bool pluvessa_liquid_set(liquid_params& p, pluvessa_param key, float x);

void pluvessa_liquid_setup(liquid_voice& v, float fs);
void pluvessa_liquid_update(liquid_voice& v, const liquid_params& p, float fs);
// Designs the fixed jitter and carrier filters, then updates. `instance`:
// 0 1A, 1 1B, 2 2A, 3 2B (its place in the draw order).
void pluvessa_liquid_init(liquid_voice& v, const liquid_params& p, float fs, int instance);
// One sub-block of a drop layer's instance (0 1A, 1 1B, 2 2A, 3 2B), step
// by step as the schedule runs it. The jitter lives in trigger, the carrier
// in out and the tone in its own block until the gate puts it in out.
//   draw    Gaussian noise, scaled by the drop density, into trigger.
//   joins   the control pass: the jitter's band pass and low pass, the
//           jitter times LIQUID_JITTER_SCALE back into trigger, plus
//           LIQUID_CARRIER_HZ through the carrier smoother into out (the
//           carrier frequency); beside it the sweep ramp into tone, each
//           value through the layer's tone line (pluvessa_liquid_tone_lines;
//           no random draw, so its place in the order is free), and the
//           schedule takes the exponential: the tone frequency;
//           the oscillator pass: the carrier over out, the tone over tone.
//   pulses  the squared jitter times the carrier, kept above the threshold,
//           into trigger (the lane-major passes form it as they read).
//   joins   the section-band pass: the colour high pass over trigger, times
//           LIQUID_GATE_GAIN, times the tone (the gate), then low and high
//           cut into out.
//   finish  out times the level (ramped): out is the voice's output.
inline constexpr float LIQUID_JITTER_SCALE = 4.0f;
inline constexpr float LIQUID_CARRIER_HZ = 30.0f;
inline constexpr float LIQUID_GATE_GAIN = 1.9f;
inline constexpr float LIQUID_DROP_THRESHOLD = 0.0245f;  // pulses survive only above this
// The drops' pace at 48000 Hz: the carrier's 30 Hz through its 3 Hz smoother,
// whose single-precision state settles there (its coefficients alone would
// give 38.8 Hz). Other rates' smoothers are designed to reach it.
inline constexpr float LIQUID_TUNED_PACE_HZ = 41.3f;

// `drawing`: how many drop instances the layout runs (2 in mono, else 4).
void pluvessa_liquid_draw(liquid_voice& v, const liquid_params& p, int instance, int drawing,
                          float* trigger, float* out, float* tone, rain_passes& passes);
void pluvessa_liquid_pulses(float* trigger, const float* out);
// The lines of the four instances' tone frequencies (1A, 1B, 2A, 2B): the
// frequency is e^(((ramp + 1) m[k]) + b[k]), the line and exponential of
// block_exp_of_line(1, m[k], b[k]).
void pluvessa_liquid_tone_lines(const liquid_params p[2], float m[4], float b[4]);
void pluvessa_liquid_finish(liquid_voice& v, const liquid_params& p, float* out);
