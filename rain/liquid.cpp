#include "rain/liquid.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"
#include "dsp/simd/baseline.h"

bool pluvessa_liquid_set(liquid_params& p, pluvessa_param key, float x) {
  switch (key) {
    case pluvessa_param::liquid_level:
    case pluvessa_param::liquid_2_level: st(p.level, 30.0f * x); return true;
    case pluvessa_param::liquid_drops_variance:
    case pluvessa_param::liquid_2_drops_variance:
      st(p.drop_density, 0.024f * x + 0.006f);
      return true;
    case pluvessa_param::liquid_drops_color:
    case pluvessa_param::liquid_2_drops_color: st(p.drop_colour, x); return true;
    case pluvessa_param::liquid_sweep_frequency:
    case pluvessa_param::liquid_2_sweep_frequency: st(p.sweep_freq, x); return true;
    // Natural logarithms: the lowest tone from 20 Hz (ln 20) up to 20 kHz
    // (ln 1000 above), the range up to a factor 1000 (ln 1000 / 2 each way).
    case pluvessa_param::liquid_freq_min:
    case pluvessa_param::liquid_2_freq_min:
      st(p.tone_min, 6.907755f * x + 2.995732f);
      return true;
    case pluvessa_param::liquid_freq_half_range:
    case pluvessa_param::liquid_2_freq_half_range:
      st(p.tone_half_range, 3.453878f * x);
      return true;
    case pluvessa_param::liquid_hp_freq:
    case pluvessa_param::liquid_2_hp_freq: st(p.low_cut, x); return true;
    case pluvessa_param::liquid_lp_freq:
    case pluvessa_param::liquid_2_lp_freq: st(p.high_cut, x); return true;
    default: return false;
  }
}

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

void pluvessa_liquid_draw(liquid_voice& v, const liquid_params& p, int instance, float* trigger,
                          float* out, float* tone, rain_passes& passes) {
  // Jitter: Gaussian noise scaled by the density (band-passed around 50 Hz
  // and low-passed next).
  noise_gaussian_scaled(trigger, SUB_BLOCK, ld(p.drop_density));
  const int lane = RAIN_LANE_LIQUID + instance;
  passes.control[lane] = {&v.jitter_bandpass, &v.jitter_lowpass, trigger, LIQUID_JITTER_SCALE,
                          LIQUID_CARRIER_HZ, false, &v.carrier_smoother, out};
  passes.band[lane] = {&v.colour_highpass, &v.cut, trigger, tone, LIQUID_GATE_GAIN, out};
  passes.join(lane);
  passes.sweep[instance] = {&v.sweep, tone};
  passes.tone[instance] = {&v.tone, tone};
  passes.carrier[instance] = {&v.carrier, out};
  passes.drops = instance + 1;
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
