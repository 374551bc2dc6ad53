#include "rain/liquid.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"
#include "dsp/simd/baseline.h"

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

void pluvessa_liquid_prepare(const liquid_params& p, float* trigger) {
  // Jitter: Gaussian noise scaled by the density (band-passed around 50 Hz
  // and low-passed next).
  noise_gaussian_scaled(trigger, SUB_BLOCK, ld(p.drop_density));
}

// The steps below are each one pass over the block: per sample the operations
// of the block operations they stand for (block_multiply, block_max,
// block_offset, and the scale, offset and exponential of the tone), in their
// order and with their operand order, so every value is bit for bit the same.

void pluvessa_liquid_pulses(float* trigger, const float* out) {
  // Squared jitter times the carrier, above the threshold.
  using V = base_vectors;
  const V::v threshold = V::splat(LIQUID_DROP_THRESHOLD), below = V::splat(-LIQUID_DROP_THRESHOLD);
  for (int i = 0; i < SUB_BLOCK; i += 4) {
    V::v t = V::load(trigger + i);
    t = V::mul(t, t);
    t = V::mul(V::load(out + i), t);
    t = V::max(t, threshold);
    V::store(trigger + i, V::add(t, below));
  }
}

void pluvessa_liquid_tone_lines(const liquid_params p[2], float m[4], float b[4]) {
  for (int k = 0; k < 4; ++k) {
    m[k] = ld(p[k / 2].tone_half_range);
    b[k] = ld(p[k / 2].tone_min);
  }
}

void pluvessa_liquid_finish(liquid_voice& v, const liquid_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
