#include "wind/wind_lfe.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

bool vantora_lfe_set(wind_lfe_params& p, vantora_param key, float x, int32_t) {
  switch (key) {
    case vantora_param::wind_lfe_level: st(p.level, x); return true;
    case vantora_param::wind_lfe_freq_cutoff: st(p.cutoff, x); return true;
    default: return false;
  }
}

void vantora_lfe_setup(wind_lfe_voice& v) {
  for (auto& f : v.lowpass) biquad_init(&f);
  gain_ramp_init(&v.ramp);
  v.current_gain = 5.009177f;
}

void vantora_lfe_update(wind_lfe_voice& v, const wind_lfe_params& p, float fs) {
  // The first section's gain keeps the white noise's power per hertz at
  // every rate.
  float gain = noise_density_gain(fs, TUNING_RATE);
  for (auto& f : v.lowpass) {
    biquad_design_q_linear(&f, FILTER_LOWPASS, gain, ld(p.cutoff), WIND_LFE_Q, fs);
    gain = 1.0f;
  }
}

void vantora_lfe_draw(wind_lfe_voice& v, const wind_lfe_params& p, float speed, float* out,
                      wind_passes& passes) {
  noise_white_process(out, SUB_BLOCK);
  v.current_gain = ld(p.level) * (10.0f * speed);
  passes.join_chain({{&v.lowpass[0], &v.lowpass[1], &v.lowpass[2], &v.lowpass[3]}, 4, out});
}

void vantora_lfe_finish(wind_lfe_voice& v, float* out) {
  gain_ramp_apply(&v.ramp, v.current_gain, out, SUB_BLOCK);
}
