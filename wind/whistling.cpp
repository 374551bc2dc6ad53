#include "wind/whistling.h"

#include "dsp/dsp_common.h"
#include "dsp/limiter.h"
#include "dsp/noise.h"

namespace {

constexpr float WHISTLE_GAIN_DB = 6.0f;

}  // namespace

bool vantora_whistling_set(whistling_params& p, vantora_param key, float x, int32_t n) {
  switch (key) {
    case vantora_param::whistling_level: st(p.level, x); return true;
    case vantora_param::whistling_shape:
      shape_select(p.shape, p.shape_index, WHISTLE_SHAPES, SMALL_SHAPE_COUNT, n);
      return true;
    case vantora_param::whistling_qfactor: st(p.q, 18.0f * x + 2.0f); return true;
    case vantora_param::whistling_floor: st(p.floor, x); return true;
    case vantora_param::whistling_rate: st(p.rate, x); return true;
    case vantora_param::whistling_min_freq: st(p.min_freq, x); return true;
    case vantora_param::whistling_max_freq: st(p.max_freq, x); return true;
    case vantora_param::whistling_presence: st(p.presence, x); return true;
    case vantora_param::whistling_lc_freq: st(p.low_cut, x); return true;
    case vantora_param::whistling_hc_freq: st(p.high_cut, x); return true;
    case vantora_param::coupling_between_global_source_and_whistling:
      st(p.coupling, x);
      return true;
    default: return false;
  }
}

void vantora_whistling_setup(whistling_voice& v) {
  resonator_init(&v.shape);
  bounded_random_walk_init(&v.walk);
  band_filter_init(&v.band);
  biquad_init(&v.whistle);
  design_memo_clear(&v.whistle_memo);
  design_memo_clear(&v.gain_memo);
  v.whistle_factor = biquad_db_factor(WHISTLE_GAIN_DB);
  gain_ramp_init(&v.ramp);
  v.walk_value = 0.5f;
  v.mixed_value = 0.5f;
  v.whistle_gain = 0.5f;
  v.centre_freq = 1200.0f;
  v.walk_interval = 200.0f;
  v.gain_exponent = 1.0f;
}

void vantora_whistling_update(whistling_voice& v, const whistling_params& p, float fs) {
  const shape_coeffs* s = p.shape.load(std::memory_order_relaxed);
  const shape_coeffs c = shape_at_rate(*s, fs);
  resonator_set(&v.shape, c.g, c.a1, c.a2);
  map_curve(0.0f, 1.0f, 500.0f, 5.0f, 1.0f, ld(p.rate), &v.walk_interval);
  map_curve(0.0f, 1.0f, 5.0f, 1.0f, 1.0f, ld(p.presence), &v.gain_exponent);
  bounded_random_walk_set(&v.walk, 0.0f, 1.0f, 0.0f, 0.02f, v.walk_interval, v.walk_interval,
                          v.walk_value, fs);
  shape_band_design(&v.band, *s, ld(p.low_cut), ld(p.high_cut), fs);
}

void vantora_whistling_draw(whistling_voice& v, const whistling_params& p, float fs, float speed,
                            float* out, wind_passes& passes) {
  noise_white_process(out, SUB_BLOCK);
  bounded_random_walk_step(&v.walk, &v.walk_value, SUB_BLOCK);
  const float c = ld(p.coupling);
  v.mixed_value = (1.0f - c) * v.walk_value + c * speed;
  map_curve(0.0f, 1.0f, ld(p.min_freq), ld(p.max_freq), 2.0f, v.mixed_value, &v.centre_freq);
  const float q = ld(p.q);
  if (!design_memo_same(&v.whistle_memo, v.centre_freq, q, fs, 0.0f))
    biquad_design_q_factor(&v.whistle, FILTER_BANDPASS_GAIN, v.whistle_factor, v.centre_freq, q,
                           fs);
  // A power per sub-block otherwise; the walk holds for many sub-blocks.
  const float floor = ld(p.floor);
  if (!design_memo_same(&v.gain_memo, floor, v.gain_exponent, v.mixed_value, 0.0f))
    map_curve(0.0f, 1.0f, floor, 1.0f, v.gain_exponent, v.mixed_value, &v.whistle_gain);
  passes.join_shaped(&v.shape, &v.whistle, out);
  passes.join_band(&v.band, out);
}

void vantora_whistling_scale(whistling_voice& v, float* out) {
  block_scale(v.whistle_gain, out, SUB_BLOCK);
}

void vantora_whistling_finish(whistling_voice& v, const whistling_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
