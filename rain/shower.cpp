#include "rain/shower.h"

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

void pluvessa_shower_setup(shower_voice& v) {
  band_filter_init(&v.cut);
  biquad_init(&v.colour);
  gain_ramp_init(&v.ramp);
}

void pluvessa_shower_update(shower_voice& v, const shower_params& p, float fs) {
  band_filter_design(&v.cut, ld(p.low_cut), ld(p.high_cut), 1.0f, fs);
  biquad_design_q_db(&v.colour, FILTER_PEAKING, SHOWER_PEAK_DB, ld(p.colour), SHOWER_COLOUR_Q, fs);
}

void pluvessa_shower_process(shower_voice& v, const shower_params& p, float fs, float* out,
                             float* scratch_a) {
  biquad_design_q_db(&v.colour, FILTER_PEAKING, SHOWER_PEAK_DB, ld(p.colour), SHOWER_COLOUR_Q, fs);
  noise_white_process(scratch_a, SUB_BLOCK);
  block_multiply(scratch_a, scratch_a, SUB_BLOCK);
  block_multiply(scratch_a, scratch_a, SUB_BLOCK);
  biquad_process(&v.colour, scratch_a, SUB_BLOCK);
  band_filter_process_to(&v.cut, scratch_a, out, SUB_BLOCK);
  gain_ramp(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
