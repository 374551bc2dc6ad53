#include "wind/gusts.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

void vantora_gusts_setup(gusts_voice& v) {
  random_envelope_init(&v.slow);
  level_probe_init(&v.probe);
  resonator_init(&v.shape);
  random_envelope_init(&v.flicker);
  band_filter_init(&v.band);
  gain_ramp_init(&v.ramp);
  v.period = 1000.0f;
  v.flicker_max = 0.1f;
  v.slow_min = 0.2f;
  v.flicker_min = 0.02f;
  v.held = 0.0f;
  v.mixed_amplitude = 0.0f;
}

void vantora_gusts_update(gusts_voice& v, const gusts_params& p, float fs) {
  const float amplitude = ld(p.amplitude);
  value_min(ld(p.floor), amplitude, &v.slow_min);
  const shape_coeffs* s = p.shape.load(std::memory_order_relaxed);
  resonator_set(&v.shape, s->g, s->a1, s->a2);
  map_curve(1.0f, 0.0f, 600.0f, 6000.0f, 2.0f, ld(p.rate), &v.period);
  value_product(v.slow_min, 0.1f, &v.flicker_min);
  value_product(amplitude, 0.1f, &v.flicker_max);
  random_envelope_set_amplitude_range(&v.flicker, v.flicker_min, v.flicker_max);
  random_envelope_set_time_ranges(&v.flicker, 20.0f, 300.0f, 10.0f, 200.0f, fs);
  random_envelope_set_amplitude_range(&v.slow, v.slow_min, amplitude);
  random_envelope_set_rhythm(&v.slow, v.period, 0.7f, ld(p.duty_cycle), 0.2f, fs);
  random_envelope_set_floor(&v.slow, v.slow_min);
  random_envelope_set_floor(&v.flicker, v.flicker_min);
  band_filter_design_db(&v.band, ld(p.low_cut), ld(p.high_cut), 0.0f, fs);
}

void vantora_gusts_init(gusts_voice& v, const gusts_params& p, float fs) {
  random_envelope_retrigger(&v.slow);
  level_probe_set_period(&v.probe, 256);
  vantora_gusts_update(v, p, fs);
}

namespace {

void mix_amplitude(gusts_voice& v, const gusts_params& p, float speed) {
  value_max(v.held, 0.0f, &v.held);
  const float c = ld(p.coupling);
  v.mixed_amplitude = (1.0f - c) * v.held + c * speed;
}

}  // namespace

void vantora_gusts_prepare(gusts_voice& v, const gusts_params& p, float speed, float* out,
                           float* envelope, float* scratch) {
  noise_white_process(out, SUB_BLOCK);
  random_envelope_process_pair(&v.slow, envelope, &v.flicker, scratch, SUB_BLOCK);
  block_add(scratch, envelope, SUB_BLOCK);
  level_probe_process(&v.probe, envelope, &v.held, SUB_BLOCK);
  mix_amplitude(v, p, speed);
}

void vantora_gusts_prepare_quiet(gusts_voice& v, const gusts_params& p, float speed, float* out,
                                 float reading) {
  vantora_gusts_prepare_riding(out);
  vantora_gusts_take_reading(v, p, speed, reading);
}

void vantora_gusts_prepare_riding(float* out) { noise_white_process(out, SUB_BLOCK); }

void vantora_gusts_take_reading(gusts_voice& v, const gusts_params& p, float speed,
                                float reading) {
  level_probe_advance(&v.probe, reading, &v.held, SUB_BLOCK);
  mix_amplitude(v, p, speed);
}

int vantora_gusts_reading(const gusts_voice& v) {
  return level_probe_reading(&v.probe, SUB_BLOCK);
}

void vantora_gusts_scale(gusts_voice& v, float* out) {
  block_scale(v.mixed_amplitude, out, SUB_BLOCK);
}

void vantora_gusts_finish(gusts_voice& v, const gusts_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
