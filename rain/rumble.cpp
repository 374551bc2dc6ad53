#include "rain/rumble.h"

#include "dsp/dsp_common.h"
#include "dsp/limiter.h"
#include "dsp/noise.h"
#include "dsp/rate_moves.h"

namespace {

// The density cutoff from the stored density, and the manual density it
// stands for (both change only with the parameter).
void set_density_cutoff(rumble_voice& v, const rumble_params& p) {
  map_curve(0.0f, 0.9f, 1000.0f, 50.0f, 1.0f, ld(p.scaled_density), &v.density_cutoff);
  value_max(v.density_cutoff, 50.0f, &v.density_cutoff);
  map_curve(50.0f, 1000.0f, 1.0f, 0.0f, 1.0f, v.density_cutoff, &v.manual_density);
}

// The rest of the chain to the smoother's cutoff, as the voice computes it
// every sub-block: the manual density mixed with the controller's strength.
void derive_density(rumble_voice& v, const rumble_params& p, float strength) {
  const float c = ld(p.coupling);
  v.mixed_density = (1.0f - c) * v.manual_density + c * strength;
  map_curve(1.0f, 0.0f, 50.0f, 1000.0f, 1.0f, v.mixed_density, &v.smoother_cutoff);
}

}  // namespace

bool pluvessa_rumble_set(rumble_params& p, pluvessa_param key, float x) {
  switch (key) {
    case pluvessa_param::rumble_level: st(p.level, 0.5f * x); return true;
    case pluvessa_param::rumble_density: st(p.scaled_density, 0.9f * x); return true;
    case pluvessa_param::rumble_notch_q:
      st(p.notch_q, pow_widened(x, 0.29446619749069214) * 1.97f + 0.03f);
      return true;
    case pluvessa_param::rumble_hcut: st(p.high_cut, x); return true;
    case pluvessa_param::rumble_hp: st(p.low_cut, x); return true;
    case pluvessa_param::coupling_between_global_source_and_rumble: st(p.coupling, x); return true;
    default: return false;
  }
}

void pluvessa_rumble_setup(rumble_voice& v) {
  one_pole_init(&v.smoother);
  design_memo_clear(&v.smoother_memo);
  biquad_df2_init(&v.body);
  band_filter_init(&v.cut);
  biquad_init(&v.notch);
  gain_ramp_init(&v.ramp);
}

void pluvessa_rumble_derive(rumble_voice& v, const rumble_params& p, float strength) {
  set_density_cutoff(v, p);
  derive_density(v, p, strength);
}

void pluvessa_rumble_update(rumble_voice& v, const rumble_params& p, float fs) {
  set_density_cutoff(v, p);
  band_filter_design_at(&v.cut, ld(p.low_cut), ld(p.high_cut), 1.0f, fs, TUNING_RATE);
  biquad_design_q_db(&v.notch, FILTER_NOTCH, 0.0f, 500.0f, ld(p.notch_q), fs);
}

void pluvessa_rumble_init(rumble_voice& v, const rumble_params& p, float fs) {
  one_pole_design(&v.smoother, 0, v.smoother_cutoff, fs);
  biquad_df2_design_q(&v.body, FILTER_BANDPASS_GAIN, 0.0f, 333.0f, 0.3f, fs);
  if (fs < TUNING_RATE) {
    // The body's broad band pass reaches into the top octave; made at a low
    // rate it would sink there toward its zero at the Nyquist frequency.
    biquad_df2 tuned{};
    biquad_df2_design_q(&tuned, FILTER_BANDPASS_GAIN, 0.0f, 333.0f, 0.3f, TUNING_RATE);
    biquad_df2_move_down(&v.body, tuned, TUNING_RATE, fs);
  }
  pluvessa_rumble_update(v, p, fs);
}

void pluvessa_rumble_draw(rumble_voice& v, const rumble_params& p, float fs, float strength,
                          int instance, float* out, float* modulator, rain_passes& passes) {
  derive_density(v, p, strength);
  if (!design_memo_same(&v.smoother_memo, v.smoother_cutoff, fs, 0.0f, 0.0f))
    one_pole_design(&v.smoother, 0, v.smoother_cutoff, fs);
  // Two draws from the shared generator: the carrier first, then the modulator.
  noise_white_process(out, SUB_BLOCK);
  noise_white_process(modulator, SUB_BLOCK);
  const int lane = RAIN_LANE_RUMBLE + instance;
  passes.control[lane] = {nullptr, &v.smoother, modulator, 1.0f, 0.0f, true, &v.body, out};
  passes.band[lane] = {&v.notch, &v.cut, out, nullptr, 1.0f, out};
  passes.join(lane);
}

void pluvessa_rumble_finish(rumble_voice& v, const rumble_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
