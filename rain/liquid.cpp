#include "rain/liquid.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

namespace {

constexpr float DROP_THRESHOLD = 0.0245f;  // pulses survive only above this
constexpr float CARRIER_HZ = 30.0f;

}  // namespace

void pluvessa_liquid_setup(liquid_voice& v, float fs) {
  biquad_df2_init(&v.jitter_bandpass);
  biquad_df2_init(&v.carrier_smoother);
  one_pole_init(&v.jitter_lowpass);
  biquad_init(&v.colour_highpass);
  ramp_osc_init(&v.sweep);
  band_filter_init(&v.cut);
  sine_osc_init(&v.carrier, fs);
  sine_osc_init(&v.tone, fs);
  gain_ramp_init(&v.ramp);
}

void pluvessa_liquid_update(liquid_voice& v, const liquid_params& p, float fs) {
  biquad_design_bw_db(&v.colour_highpass, FILTER_HIGHPASS, 1.0f, ld(p.drop_colour), 2.0f, fs);
  ramp_osc_set_freq(&v.sweep, ld(p.sweep_freq), fs);
  band_filter_design(&v.cut, ld(p.low_cut), ld(p.high_cut), 1.0f, fs);
}

void pluvessa_liquid_init(liquid_voice& v, const liquid_params& p, float fs) {
  biquad_df2_design_q(&v.jitter_bandpass, FILTER_BANDPASS_GAIN, 1.0f, 50.0f, 0.4f, fs);
  biquad_df2_design_bw(&v.carrier_smoother, FILTER_LOWPASS, 1.0f, 3.0f, 1.0f, fs);
  one_pole_design(&v.jitter_lowpass, 0, 400.0f, fs);
  pluvessa_liquid_update(v, p, fs);
}

void pluvessa_liquid_process(liquid_voice& v, const liquid_params& p, float* out,
                             float* trigger, float* scratch_a, float* scratch_b) {
  // Jitter: Gaussian noise scaled by the density, band-passed around 50 Hz.
  noise_gaussian_process(scratch_a, SUB_BLOCK);
  block_scale(ld(p.drop_density), scratch_a, SUB_BLOCK);
  biquad_df2_process(&v.jitter_bandpass, scratch_a, SUB_BLOCK);
  one_pole_process(&v.jitter_lowpass, scratch_a, SUB_BLOCK);
  block_scale(4.0f, scratch_a, SUB_BLOCK);
  // Carrier: a sine near 30 Hz whose frequency wobbles with the jitter.
  block_offset_to(CARRIER_HZ, scratch_a, scratch_b, SUB_BLOCK);
  biquad_df2_process(&v.carrier_smoother, scratch_b, SUB_BLOCK);
  sine_osc_process(&v.carrier, scratch_b, SUB_BLOCK);
  // Pulses: squared jitter times the carrier, above the threshold.
  block_multiply(scratch_a, scratch_a, SUB_BLOCK);
  block_multiply(scratch_b, scratch_a, SUB_BLOCK);
  block_max(DROP_THRESHOLD, scratch_a, SUB_BLOCK);
  block_offset(-DROP_THRESHOLD, scratch_a, SUB_BLOCK);
  biquad_process_to(&v.colour_highpass, scratch_a, trigger, SUB_BLOCK);
  block_scale(1.9f, trigger, SUB_BLOCK);
  // Tone: e^(tone min + (saw + 1) x half range) Hz.
  ramp_osc_process(&v.sweep, scratch_a, SUB_BLOCK);
  block_offset(1.0f, scratch_a, SUB_BLOCK);
  block_scale(ld(p.tone_half_range), scratch_a, SUB_BLOCK);
  block_offset(ld(p.tone_min), scratch_a, SUB_BLOCK);
  block_exp(scratch_a, SUB_BLOCK);
  sine_osc_process_to(&v.tone, scratch_a, out, SUB_BLOCK);
  block_multiply(trigger, out, SUB_BLOCK);
  band_filter_process(&v.cut, out, SUB_BLOCK);
  gain_ramp(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
