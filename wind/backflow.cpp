#include "wind/backflow.h"

#include <bit>

#include "dsp/dsp_common.h"
#include "dsp/limiter.h"
#include "dsp/noise.h"

bool vantora_backflow_set(backflow_params& p, vantora_param key, float x, int32_t n) {
  switch (key) {
    case vantora_param::backflow_shape:
      shape_select(p.shape, p.shape_index, NOISE_SHAPES, NOISE_SHAPE_COUNT, n);
      return true;
    case vantora_param::backflow_level: st(p.level, x); return true;
    case vantora_param::backflow_filtertype: {
      // Low pass, band pass (constant skirt), gain only; other indices keep the type.
      static constexpr int32_t types[3] = {FILTER_LOWPASS, FILTER_BANDPASS_Q, FILTER_GAIN};
      if (n >= 0 && n < 3) st(p.filter_type, types[n]);
      return true;
    }
    case vantora_param::backflow_frequency:
      st(p.base_freq, pow_widened(x, 3.9956350326538086) * 9900.0f + 100.0f);
      return true;
    case vantora_param::backflow_qfactor:
      st(p.q, pow_widened(x, 0.9956352114677429) * 9.9f + 0.1f);
      return true;
    case vantora_param::variation_rate: st(p.variation_rate, 90.0f * x + 10.0f); return true;
    case vantora_param::variation_range: st(p.variation_depth, x); return true;
    case vantora_param::backflow_lc_freq: st(p.low_cut, x); return true;
    case vantora_param::backflow_hc_freq: st(p.high_cut, x); return true;
    case vantora_param::coupling_between_global_source_and_backflow: st(p.coupling, x); return true;
    default: return false;
  }
}

void vantora_backflow_setup(backflow_voice& v) {
  biquad_init(&v.main);
  design_memo_clear(&v.main_memo);
  random_walk_init(&v.walk);
  resonator_init(&v.shape);
  band_filter_init(&v.band);
  gain_ramp_init(&v.ramp);
  v.local_variation = 0.5f;
  v.mixed_variation = 0.5f;
  v.current_freq = 2575.0f;
  v.walk_interval_variation = 0.5f;
  v.walk_interval_period = 30.0f;
}

void vantora_backflow_update(backflow_voice& v, const backflow_params& p, float fs) {
  const float rate = ld(p.variation_rate);
  map_curve(10.0f, 100.0f, 0.0f, 1.0f, 1.0f, rate, &v.walk_interval_variation);
  map_curve(100.0f, 10.0f, 10.0f, 100.0f, 1.0f, rate, &v.walk_interval_period);
  random_walk_set_interval(&v.walk, v.walk_interval_period, v.walk_interval_variation, fs);
  random_walk_set_step_range(&v.walk, 0.0f, 0.1f);
  const shape_coeffs* s = p.shape.load(std::memory_order_relaxed);
  const shape_coeffs c = shape_at_rate(*s, fs);
  resonator_set(&v.shape, c.g, c.a1, c.a2);
  shape_band_design(&v.band, *s, ld(p.low_cut), ld(p.high_cut), fs);
}

void vantora_backflow_draw(backflow_voice& v, const backflow_params& p, float fs, float speed,
                           float* out, wind_passes& passes) {
  noise_white_process(out, SUB_BLOCK);
  random_walk_step(&v.walk, &v.local_variation, SUB_BLOCK);
  const float c = ld(p.coupling);
  v.mixed_variation = (1.0f - c) * v.local_variation + c * speed;
  v.current_freq = ((v.mixed_variation - 0.5f) * ld(p.variation_depth) + 1.0f) * ld(p.base_freq);
  // Redesigned only when its arguments moved (the wind speed and the walk
  // change every few sub-blocks, not every one).
  const int32_t type = ld(p.filter_type);
  const float q = ld(p.q);
  if (!design_memo_same(&v.main_memo, std::bit_cast<float>(type), v.current_freq, q, fs))
    biquad_design_q_linear(&v.main, type, 1.0f, v.current_freq, q, fs);
  passes.join_shaped(&v.shape, &v.main, out);
  passes.join_band(&v.band, out);
}

void vantora_backflow_finish(backflow_voice& v, const backflow_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
