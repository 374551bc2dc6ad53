#include "rain/liquid.h"

#include <algorithm>
#include <cmath>

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
  band_filter_design(&v.cut, ld(p.low_cut), high_cut_at_rate(ld(p.high_cut), fs), 1.0f, fs);
}

namespace {

constexpr double TWO_PI = 6.283185307179586;

// The jitter's level in hertz at another rate, as dB of the band pass's dB
// design (its gain is 10^(dB/40)): the Gaussian noise's power per hertz, and
// the jitter low pass, a leaky integrator whose gain grows with the rate,
// brought back to the tuning rate's around the band pass's 50 Hz.
float jitter_lift_db(float fs) {
  one_pole tuned{}, here{};
  one_pole_design(&tuned, 0, 400.0f, TUNING_RATE);
  one_pole_design(&here, 0, 400.0f, fs);
  const double ratio = noise_density_gain(fs, TUNING_RATE) *
                       one_pole_gain_at(&tuned, TWO_PI * 50.0 / TUNING_RATE) /
                       one_pole_gain_at(&here, TWO_PI * 50.0 / fs);
  return static_cast<float>(40.0 * std::log10(ratio));
}

// The carrier smoother: a 3 Hz low pass whose coefficients round coarsely
// in single precision (at 48000 Hz its realised gain at DC is 1.29, at
// 192000 Hz its poles land near 7 Hz and ring). It mainly sets the carrier's
// frequency, the pace of the drops: 30 Hz times its gain at DC. At another
// rate it becomes two real poles, one at 3 Hz and the other where the
// rounded coefficients still hold their product (at the low rates both at
// 3 Hz), with the feed-forward coefficients giving the tuning rate's gain at
// DC as realised.
void carrier_smoother_at_rate(biquad_df2* f, float fs) {
  biquad_df2 tuned{};
  biquad_df2_init(&tuned);
  biquad_df2_design_bw(&tuned, FILTER_LOWPASS, 1.0f, 3.0f, 1.0f, TUNING_RATE);
  const double gain = biquad_df2_gain_at(&tuned, 0.0);
  const double spacing = std::ldexp(1.0, -24);  // between floats just below 1
  const double e1 = TWO_PI * 3.0 / fs;
  const double e2 = std::max(e1, 16.0 * spacing / e1);
  f->a1 = static_cast<float>(-(2.0 - e1 - e2));
  f->a2 = static_cast<float>((1.0 - e1) * (1.0 - e2));
  const double b = gain * (1.0 + double{f->a1} + double{f->a2}) / 4.0;
  f->b0 = f->b2 = static_cast<float>(b);
  f->b1 = static_cast<float>(2.0 * b);
}

}  // namespace

void pluvessa_liquid_init(liquid_voice& v, const liquid_params& p, float fs) {
  const float lift = fs == TUNING_RATE ? 0.0f : jitter_lift_db(fs);
  biquad_df2_design_q(&v.jitter_bandpass, FILTER_BANDPASS_GAIN, 1.0f + lift, 50.0f, 0.4f, fs);
  if (fs == TUNING_RATE)
    biquad_df2_design_bw(&v.carrier_smoother, FILTER_LOWPASS, 1.0f, 3.0f, 1.0f, fs);
  else
    carrier_smoother_at_rate(&v.carrier_smoother, fs);
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
