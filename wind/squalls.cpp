#include "wind/squalls.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

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
  resonator_set(&v.shape, s->g, s->a1, s->a2);
  // 45 dB through the dB design: each stage lifts its passband by 10^(45/40).
  const float cutoff = ld(p.envelope_cutoff);
  biquad_design_q_db(&v.env_lp1, FILTER_LOWPASS, 45.0f, cutoff, 0.7071f, fs);
  biquad_design_q_db(&v.env_lp2, FILTER_LOWPASS, 45.0f, cutoff, 0.7071f, fs);
  band_filter_design_db(&v.band, ld(p.low_cut), ld(p.high_cut), 0.0f, fs);
}

void vantora_squalls_init(squalls_voice& v, const squalls_params& p, float fs) {
  limiter_set(&v.squall_limiter, -1.0f, 100.0f);
  vantora_squalls_update(v, p, fs);
}

void vantora_squalls_process(squalls_voice& v, const squalls_params& p, float speed, float* out,
                             float* scratch_a, float* scratch_b) {
  noise_white_process(scratch_a, SUB_BLOCK);
  resonator_process(&v.shape, scratch_a, SUB_BLOCK);
  noise_white_process(scratch_b, SUB_BLOCK);
  biquad_process(&v.env_lp1, scratch_b, SUB_BLOCK);
  biquad_process(&v.env_lp2, scratch_b, SUB_BLOCK);
  block_abs(scratch_b, SUB_BLOCK);
  limiter_process(&v.squall_limiter, scratch_b, SUB_BLOCK);
  const float c = ld(p.coupling);
  const float a = ld(p.amplitude);
  v.squall_amplitude = (1.0f - c) * ((a * a) * a) + c * ((speed * speed) * speed);
  block_scale(v.squall_amplitude, scratch_b, SUB_BLOCK);
  block_max(ld(p.floor), scratch_b, SUB_BLOCK);
  block_multiply_to(scratch_a, scratch_b, out, SUB_BLOCK);
  band_filter_process(&v.band, out, SUB_BLOCK);
  gain_ramp(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
