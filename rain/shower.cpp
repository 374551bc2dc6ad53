#include "rain/shower.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"
#include "dsp/rate_moves.h"
#include "dsp/simd/baseline.h"

bool pluvessa_shower_set(shower_params& p, pluvessa_param key, float x) {
  switch (key) {
    case pluvessa_param::shower_level: st(p.level, x); return true;
    case pluvessa_param::shower_color: st(p.colour, x); return true;
    case pluvessa_param::shower_lc_freq: st(p.low_cut, x); return true;
    case pluvessa_param::shower_hc_freq: st(p.high_cut, x); return true;
    default: return false;
  }
}

void pluvessa_shower_setup(shower_voice& v) {
  band_filter_init(&v.cut);
  biquad_init(&v.colour);
  design_memo_clear(&v.colour_memo);
  gain_ramp_init(&v.ramp);
}

void pluvessa_shower_update(shower_voice& v, const shower_params& p, float fs) {
  // The crackle is white (independent samples): its gain keeps its power
  // per hertz at every rate.
  band_filter_design_at(&v.cut, ld(p.low_cut), ld(p.high_cut),
                     noise_density_gain(fs, TUNING_RATE), fs, TUNING_RATE);
  biquad_design_q_db(&v.colour, FILTER_PEAKING, SHOWER_PEAK_DB, ld(p.colour), SHOWER_COLOUR_Q, fs);
}

void pluvessa_shower_draw(shower_voice& v, const shower_params& p, float fs, int instance,
                          float* out, rain_passes& passes) {
  // Redesigned every sub-block in principle; skipped while the colour stays.
  const float colour = ld(p.colour);
  if (!design_memo_same(&v.colour_memo, colour, fs, 0.0f, 0.0f))
    biquad_design_q_db(&v.colour, FILTER_PEAKING, SHOWER_PEAK_DB, colour, SHOWER_COLOUR_Q, fs);
  noise_white_process(out, SUB_BLOCK);
  // Squared twice (x^4: sparse, crackling peaks) in one pass.
  for (int i = 0; i < SUB_BLOCK; i += 4) {
    using V = base_vectors;
    const V::v x = V::load(out + i);
    const V::v x2 = V::mul(x, x);
    V::store(out + i, V::mul(x2, x2));
  }
  const int lane = RAIN_LANE_SHOWER + instance;
  passes.control[lane] = {nullptr, nullptr, nullptr, 0.0f, 0.0f, false, nullptr, out};
  passes.band[lane] = {&v.colour, &v.cut, out, nullptr, 1.0f, out};
  passes.join(lane);
}

void pluvessa_shower_finish(shower_voice& v, const shower_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
