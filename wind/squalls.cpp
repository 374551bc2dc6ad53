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

void vantora_squalls_prepare(squalls_voice& v, const squalls_params& p, float speed, float* out,
                             float* envelope) {
  noise_white_process(out, SUB_BLOCK);
  noise_white_process(envelope, SUB_BLOCK);
  const float c = ld(p.coupling);
  const float a = ld(p.amplitude);
  v.squall_amplitude = (1.0f - c) * ((a * a) * a) + c * ((speed * speed) * speed);
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
