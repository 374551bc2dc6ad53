#include "wind/squalls.h"

#include <cmath>

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

bool vantora_squalls_set(squalls_params& p, vantora_param key, float x, int32_t n) {
  switch (key) {
    case vantora_param::squalls_level: st(p.level, x); return true;
    case vantora_param::squalls_shape:
      shape_select(p.shape, p.shape_index, SQUALL_SHAPES, SMALL_SHAPE_COUNT, n);
      return true;
    case vantora_param::squalls_amplitude: st(p.amplitude, x); return true;
    case vantora_param::squalls_rate: st(p.envelope_cutoff, 12.8f * x + 2.2f); return true;
    case vantora_param::squalls_floor: st(p.floor, x); return true;
    case vantora_param::squalls_lc_freq: st(p.low_cut, x); return true;
    case vantora_param::squalls_hc_freq: st(p.high_cut, x); return true;
    case vantora_param::coupling_between_global_source_and_squalls: st(p.coupling, x); return true;
    default: return false;
  }
}

void vantora_squalls_setup(squalls_voice& v) {
  limiter_init(&v.squall_limiter);
  resonator_init(&v.shape);
  biquad_init(&v.env_lp1);
  biquad_init(&v.env_lp2);
  band_filter_init(&v.band);
  gain_ramp_init(&v.ramp);
  v.squall_amplitude = 1.0f;
}

void vantora_squalls_update(squalls_voice& v, const squalls_params& p, float fs) {
  const shape_coeffs* s = p.shape.load(std::memory_order_relaxed);
  const shape_coeffs c = shape_at_rate(*s, fs);
  resonator_set(&v.shape, c.g, c.a1, c.a2);
  // 45 dB through the dB design: each stage lifts its passband by 10^(45/40),
  // and by the root of the white noise's density gain (20 log10 of it in the
  // design's dB: 0 at the tuning rate).
  const float cutoff = ld(p.envelope_cutoff);
  const float lift = 45.0f + 20.0f * std::log10(noise_density_gain(fs, TUNING_RATE));
  biquad_design_q_db(&v.env_lp1, FILTER_LOWPASS, lift, cutoff, 0.7071f, fs);
  biquad_design_q_db(&v.env_lp2, FILTER_LOWPASS, lift, cutoff, 0.7071f, fs);
  shape_band_design(&v.band, *s, ld(p.low_cut), ld(p.high_cut), fs);
}

void vantora_squalls_init(squalls_voice& v, const squalls_params& p, float fs) {
  limiter_set(&v.squall_limiter, -1.0f, 100.0f);
  vantora_squalls_update(v, p, fs);
}

void vantora_squalls_draw(squalls_voice& v, const squalls_params& p, float speed, float* out,
                          float* envelope, wind_passes& passes) {
  noise_white_process(out, SUB_BLOCK);
  noise_white_process(envelope, SUB_BLOCK);
  const float c = ld(p.coupling);
  const float a = ld(p.amplitude);
  v.squall_amplitude = (1.0f - c) * ((a * a) * a) + c * ((speed * speed) * speed);
  passes.join_shape(&v.shape, out);
  passes.join_envelope(&v.env_lp1, &v.env_lp2, envelope);
  passes.join_band(&v.band, out);
}

// One pass over the block: per sample the operations of block_abs,
// limiter_process, block_scale, block_max and block_multiply, in their order
// and with their operand order, so every value is bit for bit the same.
void vantora_squalls_shape(squalls_voice& v, const squalls_params& p, float* out,
                           float* envelope) {
  limiter_envelope_gain(&v.squall_limiter, v.squall_amplitude, ld(p.floor), envelope, out,
                        SUB_BLOCK);
}

void vantora_squalls_finish(squalls_voice& v, const squalls_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
