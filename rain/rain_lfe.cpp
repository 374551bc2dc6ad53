#include "rain/rain_lfe.h"

#include "dsp/dsp_common.h"
#include "dsp/limiter.h"
#include "dsp/noise.h"

bool pluvessa_lfe_set(rain_lfe_params& p, pluvessa_param key, float x) {
  switch (key) {
    case pluvessa_param::rain_lfe_level: st(p.level, x); return true;
    case pluvessa_param::rain_lfe_cutoff: st(p.cutoff, x); return true;
    default: return false;
  }
}

void pluvessa_lfe_setup(rain_lfe_voice& v) {
  biquad_init(&v.lowpass);
  gain_ramp_init(&v.ramp);
  v.current_gain = 0.0f;
}

void pluvessa_lfe_update(rain_lfe_voice& v, const rain_lfe_params& p, float fs) {
  // Its gain keeps the white noise's power per hertz at every rate.
  biquad_design_q_linear(&v.lowpass, FILTER_LOWPASS, noise_density_gain(fs, TUNING_RATE),
                         ld(p.cutoff), 0.7071f, fs);
}

void pluvessa_lfe_draw(rain_lfe_voice& v, const rain_lfe_params& p, float strength, float* out,
                       rain_passes& passes) {
  v.current_gain = 10.0f * strength;
  noise_white_process(out, SUB_BLOCK);
  value_product(ld(p.level), v.current_gain, &v.current_gain);
  passes.lfe = {&v.lowpass, out};
}

void pluvessa_lfe_finish(rain_lfe_voice& v, float* out) {
  gain_ramp_apply(&v.ramp, v.current_gain, out, SUB_BLOCK);
}
