#pragma once
// Filters carried from the rate they were made for to another: what a
// re-design needs so that a sound keeps its response in hertz. Computed in
// double, for re-designs only, never per sample.

#include "dsp/filters.h"

// The gain at angle w (2 pi f / fs) of the coefficients as stored (floats),
// computed in double: what the record really does, rounding included.
double biquad_df2_gain_at(const biquad_df2* f, double w);
double one_pole_gain_at(const one_pole* p, double w);
// The magnitude of a band filter's two stages at angle w, as stored.
double band_filter_gain_at(const band_filter* f, double w);

// Resonator coefficients {g, a1, a2} made for rate `from`, moved to rate `to`:
// the poles keep their frequencies and bandwidths in hertz (a pole above the
// new Nyquist frequency stays just below it), and g keeps the magnitude
// response in hertz over the band both rates share (matched in the mean of
// the log ratio, weighted by the power per octave), times `gain`. Equal rates
// give {g * gain, a1, a2}.
void resonator_move_rate(const float in[3], float from, float to, float gain, float out[3]);

// band_filter_design at rate fs for a sound tuned at rate `tuned`. At or
// above the tuned rate: band_filter_design itself. Below it, where a
// bilinear low pass squeezes its response toward its zero at the Nyquist
// frequency (at 24000 Hz a 1 kHz high cut is 7 dB lower in the top octave
// than at 48000 Hz), the high cut keeps the response the tuned rate's design
// has in hertz: its poles moved in hertz, its zeros fitted to that response
// (exact at DC and at the Nyquist frequency, least relative error between).
// A high cut above 0.45 fs is designed at the tuned rate all the same (where
// it passes the band fs keeps); the low cut is the plain design at fs.
// `before_tuned` and `before_moved`, when given: a resonator {g, a1, a2}
// that runs before the filter, at the tuned rate and as moved to fs. An
// all-pole resonator moved below its rate keeps too much of its response
// near the new Nyquist frequency (2.5 dB at 8 kHz for 24000 Hz); the high
// cut then takes it back, matching the pair's response in hertz.
int band_filter_design_at(band_filter* f, float f_lo, float f_hi, float gain, float fs,
                          float tuned, const float* before_tuned = nullptr,
                          const float* before_moved = nullptr);

// The coefficients of a section designed at rate `from`, for a rate `to`
// below it, fitted as band_filter_design_at fits its high cut: poles moved
// in hertz, zeros matching the response in hertz (a bilinear band pass made
// at a low rate sinks toward its zero at the Nyquist frequency). The state
// is kept. At `to` >= `from`: the coefficients copied.
void biquad_df2_move_down(biquad_df2* f, const biquad_df2& tuned, float from, float to);
