#include "wind/gusts.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

bool vantora_gusts_set(gusts_params& p, vantora_param key, float x, int32_t n) {
  switch (key) {
    case vantora_param::gusts_level: st(p.level, x); return true;
    case vantora_param::gusts_shape:
      shape_select(p.shape, p.shape_index, NOISE_SHAPES, NOISE_SHAPE_COUNT, n);
      return true;
    case vantora_param::gusts_amplitude: st(p.amplitude, x); return true;
    case vantora_param::gusts_rate: st(p.rate, x); return true;
    case vantora_param::gusts_dutycycle: st(p.duty_cycle, 0.9f * x + 0.05f); return true;
    case vantora_param::gusts_floor: st(p.floor, x); return true;
    case vantora_param::gusts_lc_freq: st(p.low_cut, x); return true;
    case vantora_param::gusts_hc_freq: st(p.high_cut, x); return true;
    case vantora_param::coupling_between_global_source_and_gusts: st(p.coupling, x); return true;
    default: return false;
  }
}

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
  const shape_coeffs c = shape_at_rate(*s, fs);
  resonator_set(&v.shape, c.g, c.a1, c.a2);
  map_curve(1.0f, 0.0f, 600.0f, 6000.0f, 2.0f, ld(p.rate), &v.period);
  value_product(v.slow_min, 0.1f, &v.flicker_min);
  value_product(amplitude, 0.1f, &v.flicker_max);
  random_envelope_set_amplitude_range(&v.flicker, v.flicker_min, v.flicker_max);
  random_envelope_set_time_ranges(&v.flicker, 20.0f, 300.0f, 10.0f, 200.0f, fs);
  random_envelope_set_amplitude_range(&v.slow, v.slow_min, amplitude);
  random_envelope_set_rhythm(&v.slow, v.period, 0.7f, ld(p.duty_cycle), 0.2f, fs);
  random_envelope_set_floor(&v.slow, v.slow_min);
  random_envelope_set_floor(&v.flicker, v.flicker_min);
  shape_band_design(&v.band, *s, ld(p.low_cut), ld(p.high_cut), fs);
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

void vantora_gusts_draw(gusts_voice& v, const gusts_params& p, float speed, gust_envelopes how,
                        float reading, float* out, float* envelope, float* scratch,
                        wind_passes& passes) {
  noise_white_process(out, SUB_BLOCK);
  switch (how) {
    case gust_envelopes::own:
      random_envelope_process_pair(&v.slow, envelope, &v.flicker, scratch, SUB_BLOCK);
      block_add(scratch, envelope, SUB_BLOCK);
      level_probe_process(&v.probe, envelope, &v.held, SUB_BLOCK);
      mix_amplitude(v, p, speed);
      break;
    case gust_envelopes::advanced:
      vantora_gusts_take_reading(v, p, speed, reading);
      break;
    case gust_envelopes::riding:
      break;
  }
  passes.join_shape(&v.shape, out);
  passes.join_band(&v.band, out);
}

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
