#pragma once
// Second-order sections (cookbook designs by bilinear transform), the
// two-stage low-cut/high-cut band filter, the two-pole resonator and the
// one-pole leaky filter. Designs compute in double from float arguments and
// store floats; a design never touches history, so a running filter changes
// response without a reset. Processing is single precision.

#include <cstdint>

// Filter types of the designs (compared as unsigned: anything above 9 is rejected).
enum : int32_t {
  FILTER_LOWPASS = 0,
  FILTER_HIGHPASS = 1,
  FILTER_BANDPASS_GAIN = 2,  // peak gain = design gain
  FILTER_BANDPASS_Q = 3,     // peak gain = Q (constant skirt)
  FILTER_NOTCH = 4,
  FILTER_PEAKING = 5,
  FILTER_LOWSHELF = 6,
  FILTER_HIGHSHELF = 7,
  FILTER_ALLPASS1 = 8,  // first-order all-pass (p - z^-1) / (1 - p z^-1), p = e^-w
  FILTER_GAIN = 9,
};

// Direct form I: y = b0 x + b1 x1 + b2 x2 + c1 y1 + c2 y2.
struct biquad {
  float b0, b1, b2;  // feed-forward, divided by a0
  float x1, x2;      // input history
  float c1, c2;      // feedback, -a1/a0 and -a2/a0 (stored negated)
  float y1, y2;      // output history
};

// Direct form II: w = x - a1 w1 - a2 w2; y = b0 w + b1 w1 + b2 w2.
struct biquad_df2 {
  float b0, b1, b2, a1, a2;  // divided by a0, feedback not negated
  float w1, w2;              // delay line
};

// High-pass (low cut, fixed Q 0.7) then low-pass with gain (high cut), run in
// one pass per sample.
struct band_filter {
  float hp_b0, hp_b1, hp_b2, hp_c1, hp_c2;  // stage one, feedback negated
  float lp_b0, lp_b1, lp_b2, lp_c1, lp_c2;  // stage two, feedback negated
  float x1, x2;                             // inputs
  float u1, u2;                             // stage-one outputs (its feedback history)
  float u2_in;                              // stage two's second input history (= u2 after a step)
  float y1, y2;                             // stage-two outputs
};

// y = (g x - a1 y1) - a2 y2.
struct resonator {
  float g, a1, a2;  // coefficients
  float y1, y2;     // output history
};

// y = x - k y1.
struct one_pole {
  float y1;  // state
  float k;   // coefficient
};

// The arguments of a filter's last design. A design is a pure function of its
// arguments and leaves history alone, so calling it again with bit-identical
// arguments would store the same coefficients: the caller may skip it.
struct design_memo {
  uint32_t bits[4];
  bool valid;
};

inline void design_memo_clear(design_memo* m) { m->valid = false; }

// True when (a, b, c, d) are bit for bit the arguments remembered; otherwise
// remembers them and returns false (the caller then designs).
inline bool design_memo_same(design_memo* m, float a, float b, float c, float d) {
  uint32_t now[4];
  __builtin_memcpy(&now[0], &a, 4);
  __builtin_memcpy(&now[1], &b, 4);
  __builtin_memcpy(&now[2], &c, 4);
  __builtin_memcpy(&now[3], &d, 4);
  if (m->valid && now[0] == m->bits[0] && now[1] == m->bits[1] && now[2] == m->bits[2] &&
      now[3] == m->bits[3])
    return true;
  for (int i = 0; i < 4; ++i) m->bits[i] = now[i];
  m->valid = true;
  return false;
}

// Designs. type: 0..9; f: Hz, accepted in [smallest normal, fs/2] (else
// pass-through and 5; NaN counts as out of range); q > smallest normal (else
// 5, record unchanged); a type above 9 gives 5 with the record unchanged.
// Every stored design is forced strictly stable: a pole that rounding to
// float put on or outside the unit circle is pulled just inside.
int biquad_design_q_linear(biquad* f, int32_t type, float gain, float freq, float q, float fs);
// The amplitude factor 10^(dB/40) that the _db designs derive from their gain
// (in double), and the design from that factor: for a caller that redesigns
// often with one gain, so the power is computed once.
double biquad_db_factor(float gain_db);
int biquad_design_q_factor(biquad* f, int32_t type, double factor, float freq, float q, float fs);
int biquad_design_q_db(biquad* f, int32_t type, float gain_db, float freq, float q, float fs);
// Bandwidth in octaves converted to Q = 2^(1 - bw/2) rounded to float.
int biquad_design_bw_db(biquad* f, int32_t type, float gain_db, float freq, float bw, float fs);
int biquad_df2_design_q(biquad_df2* f, int32_t type, float gain_db, float freq, float q, float fs);
// Q = sqrt(2^bw) / 2^(bw-1) kept in double; gain only for types 5, 6, 7;
// type 3 rejected with 5.
int biquad_df2_design_bw(biquad_df2* f, int32_t type, float gain_db, float freq, float bw,
                         float fs);

// Pass-through and cleared history; sets the denormal mode. 4 for null.
int biquad_init(biquad* f);
// Pairs of samples: an odd n leaves the last sample untouched.
int biquad_process(biquad* f, float* block, int n);
int biquad_process_to(biquad* f, const float* __restrict in, float* __restrict out, int n);

int biquad_df2_init(biquad_df2* f);
int biquad_df2_process(biquad_df2* f, float* block, int n);

int band_filter_init(band_filter* f);
// Linear gain g of stage two (g <= smallest normal silences the filter).
int band_filter_design(band_filter* f, float f_lo, float f_hi, float gain, float fs);
// Stage-two gain 10^(d/40). Either edge outside [smallest normal, fs/2]:
// both stages pass-through and 5.
int band_filter_design_db(band_filter* f, float f_lo, float f_hi, float d, float fs);
int band_filter_process(band_filter* f, float* block, int n);
int band_filter_process_to(band_filter* f, const float* __restrict in, float* __restrict out,
                           int n);

int resonator_init(resonator* r);
// g <= smallest normal (or NaN) zeroes all three coefficients.
void resonator_set(resonator* r, float g, float a1, float a2);
int resonator_process(resonator* r, float* block, int n);

int one_pole_init(one_pole* p);
// mode 0: leaky low-pass (k = r - c), mode 1: k = c - r, with
// c = 2 - cos(2 pi f / fs) and r = sqrt(c^2 - 1). Other modes or a NaN
// frequency: 5, k unchanged.
int one_pole_design(one_pole* p, int32_t mode, float freq, float fs);
int one_pole_process(one_pole* p, float* block, int n);
