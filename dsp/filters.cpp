#include "dsp/filters.h"

#include <algorithm>
#include <cmath>

#include "dsp/dsp_common.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;

// Coefficients of one section in double, before division by a0.
struct section {
  double b0, b1, b2, a0, a1, a2;
};

// Largest-magnitude float strictly below lim (lim > 0).
float float_below(double lim) {
  float f = static_cast<float>(lim);
  if (static_cast<double>(f) >= lim) f = std::nextafter(f, 0.0f);
  return f;
}

// Rounding to float can put a pole on or outside the unit circle (very low
// cut-offs, high rates). Pull the denominator 1 + a1 z^-1 + a2 z^-2 just
// inside the stability triangle; a strictly stable design is left as it is.
void stabilise(float& a1, float& a2) {
  if (!(std::fabs(a2) < 1.0f)) a2 = std::copysign(0.99999994f, a2);
  const double lim = 1.0 + static_cast<double>(a2);
  if (!(std::fabs(static_cast<double>(a1)) < lim)) a1 = std::copysign(float_below(lim), a1);
}

bool frequency_ok(float freq, float fs) {
  const float half = fs * 0.5f;
  return static_cast<double>(freq) <= static_cast<double>(half) &&
         static_cast<double>(freq) >= SMALLEST_NORMAL_D;
}

double db_to_amp_half(float gain_db) {  // 10^(dB/40)
  return std::pow(10.0, static_cast<double>(gain_db) * 0.5 * 0.05);
}

// The cookbook table. a: amplitude factor of the feed-forward terms (types
// 0, 1, 2, 4, 9) and shelf/peak gain (types 5, 6, 7); shelf_a: gain of the
// shelves and peak.
section cookbook(uint32_t type, double a, double shelf_a, double q, double w) {
  const double cs = std::cos(w);
  const double sn = std::sin(w);
  const double alpha = sn / (2.0 * q);
  section s{};
  switch (type) {
    case 0:
      s.b0 = a * (1.0 - cs) / 2.0;
      s.b1 = a * (1.0 - cs);
      s.b2 = a * (1.0 - cs) / 2.0;
      s.a0 = 1.0 + alpha;
      s.a1 = -2.0 * cs;
      s.a2 = 1.0 - alpha;
      break;
    case 1:
      s.b0 = a * (1.0 + cs) / 2.0;
      s.b1 = -a * (1.0 + cs);
      s.b2 = a * (1.0 + cs) / 2.0;
      s.a0 = 1.0 + alpha;
      s.a1 = -2.0 * cs;
      s.a2 = 1.0 - alpha;
      break;
    case 2:
      s.b0 = a * alpha;
      s.b1 = 0.0;
      s.b2 = -a * alpha;
      s.a0 = 1.0 + alpha;
      s.a1 = -2.0 * cs;
      s.a2 = 1.0 - alpha;
      break;
    case 3:
      s.b0 = q * alpha;
      s.b1 = 0.0;
      s.b2 = -q * alpha;
      s.a0 = 1.0 + alpha;
      s.a1 = -2.0 * cs;
      s.a2 = 1.0 - alpha;
      break;
    case 4:
      s.b0 = a;
      s.b1 = -2.0 * a * cs;
      s.b2 = a;
      s.a0 = 1.0 + alpha;
      s.a1 = -2.0 * cs;
      s.a2 = 1.0 - alpha;
      break;
    case 5: {
      const double A = shelf_a;
      s.b0 = 1.0 + alpha * A;
      s.b1 = -2.0 * cs;
      s.b2 = 1.0 - alpha * A;
      s.a0 = 1.0 + alpha / A;
      s.a1 = -2.0 * cs;
      s.a2 = 1.0 - alpha / A;
      break;
    }
    case 6: {
      const double A = shelf_a;
      const double ss = std::sqrt(A) * sn / q;
      s.b0 = A * ((A + 1.0) - (A - 1.0) * cs + ss);
      s.b1 = 2.0 * A * ((A - 1.0) - (A + 1.0) * cs);
      s.b2 = A * ((A + 1.0) - (A - 1.0) * cs - ss);
      s.a0 = (A + 1.0) + (A - 1.0) * cs + ss;
      s.a1 = -2.0 * ((A - 1.0) + (A + 1.0) * cs);
      s.a2 = (A + 1.0) + (A - 1.0) * cs - ss;
      break;
    }
    case 7: {
      const double A = shelf_a;
      const double ss = std::sqrt(A) * sn / q;
      s.b0 = A * ((A + 1.0) + (A - 1.0) * cs + ss);
      s.b1 = -2.0 * A * ((A - 1.0) + (A + 1.0) * cs);
      s.b2 = A * ((A + 1.0) + (A - 1.0) * cs - ss);
      s.a0 = (A + 1.0) - (A - 1.0) * cs + ss;
      s.a1 = 2.0 * ((A - 1.0) - (A + 1.0) * cs);
      s.a2 = (A + 1.0) - (A - 1.0) * cs - ss;
      break;
    }
    case 8: {
      const double p = std::exp(-w);
      s.b0 = p;
      s.b1 = -1.0;
      s.b2 = 0.0;
      s.a0 = 1.0;
      s.a1 = -p;
      s.a2 = 0.0;
      break;
    }
    default:  // 9: gain only
      s.b0 = a;
      s.b1 = 0.0;
      s.b2 = 0.0;
      s.a0 = 1.0;
      s.a1 = 0.0;
      s.a2 = 0.0;
      break;
  }
  return s;
}

// Normalised float coefficients of a section: b0, b1, b2, a1, a2 (a not negated).
struct normalised {
  float b0, b1, b2, a1, a2;
};

normalised normalise(const section& s) {
  normalised n{static_cast<float>(s.b0 / s.a0), static_cast<float>(s.b1 / s.a0),
               static_cast<float>(s.b2 / s.a0), static_cast<float>(s.a1 / s.a0),
               static_cast<float>(s.a2 / s.a0)};
  stabilise(n.a1, n.a2);
  return n;
}

void store(biquad* f, const normalised& n) {
  f->b0 = n.b0;
  f->b1 = n.b1;
  f->b2 = n.b2;
  f->c1 = -n.a1;
  f->c2 = -n.a2;
}

void store(biquad_df2* f, const normalised& n) {
  f->b0 = n.b0;
  f->b1 = n.b1;
  f->b2 = n.b2;
  f->a1 = n.a1;
  f->a2 = n.a2;
}

template <class Rec>
void pass_through(Rec* f) {
  store(f, normalised{1.0f, 0.0f, 0.0f, 0.0f, 0.0f});
}

// Common path of the Q designs: frequency check, Q check, gain, type check.
template <class Rec>
int design_q(Rec* f, int32_t type, double a, float freq, float q, float fs) {
  if (!frequency_ok(freq, fs)) {
    pass_through(f);
    return DSP_REJECTED;
  }
  if (!(q > SMALLEST_NORMAL)) return DSP_REJECTED;
  const double w = static_cast<double>(freq) * TWO_PI / static_cast<double>(fs);
  if (static_cast<uint32_t>(type) > 9u) return DSP_REJECTED;
  store(f, normalise(cookbook(static_cast<uint32_t>(type), a, a, static_cast<double>(q), w)));
  return DSP_OK;
}

}  // namespace

int biquad_design_q_linear(biquad* f, int32_t type, float gain, float freq, float q, float fs) {
  return design_q(f, type, static_cast<double>(gain), freq, q, fs);
}

int biquad_design_q_db(biquad* f, int32_t type, float gain_db, float freq, float q, float fs) {
  return design_q(f, type, db_to_amp_half(gain_db), freq, q, fs);
}

double biquad_db_factor(float gain_db) { return db_to_amp_half(gain_db); }

int biquad_design_q_factor(biquad* f, int32_t type, double factor, float freq, float q,
                           float fs) {
  return design_q(f, type, factor, freq, q, fs);
}

int biquad_design_bw_db(biquad* f, int32_t type, float gain_db, float freq, float bw, float fs) {
  const float q = static_cast<float>(std::pow(2.0, 1.0 - static_cast<double>(bw) / 2.0));
  return biquad_design_q_db(f, type, gain_db, freq, q, fs);
}

int biquad_df2_design_q(biquad_df2* f, int32_t type, float gain_db, float freq, float q,
                        float fs) {
  return design_q(f, type, db_to_amp_half(gain_db), freq, q, fs);
}

int biquad_df2_design_bw(biquad_df2* f, int32_t type, float gain_db, float freq, float bw,
                         float fs) {
  if (!frequency_ok(freq, fs)) {
    pass_through(f);
    return DSP_REJECTED;
  }
  const double b = static_cast<double>(bw);
  const double q = std::sqrt(std::pow(2.0, b)) / std::pow(2.0, b - 1.0);
  // A bandwidth so wide (or NaN) that Q leaves the normal range is rejected
  // like a bad Q in the other designs.
  if (!(q > SMALLEST_NORMAL_D)) return DSP_REJECTED;
  const double shelf_a = db_to_amp_half(gain_db);
  const double w = static_cast<double>(freq) * TWO_PI / static_cast<double>(fs);
  const uint32_t t = static_cast<uint32_t>(type);
  if (t > 9u || t == 3u) return DSP_REJECTED;
  store(f, normalise(cookbook(t, 1.0, shelf_a, q, w)));
  return DSP_OK;
}

int biquad_init(biquad* f) {
  if (!f) return DSP_NULL;
  *f = biquad{1.0f, 0, 0, 0, 0, 0, 0, 0, 0};
  denormal_mode_set();
  return DSP_OK;
}

namespace {

template <bool InPlace>
inline void biquad_run(biquad* f, const float* in, float* out, int n) {
  const int pairs = n / 2;
  if (pairs <= 0) return;
  const float b0 = f->b0, b1 = f->b1, b2 = f->b2, c1 = f->c1, c2 = f->c2;
  float x1 = f->x1, x2 = f->x2, y1 = f->y1, y2 = f->y2;
  for (int p = 0; p < pairs; ++p) {
    const float xa = in[2 * p];
    const float xb = in[2 * p + 1];
    const float ya = b0 * xa + b1 * x1 + b2 * x2 + c1 * y1 + c2 * y2;
    const float yb = b0 * xb + b1 * xa + b2 * x1 + c1 * ya + c2 * y1;
    out[2 * p] = ya;
    out[2 * p + 1] = yb;
    x2 = xa;
    x1 = xb;
    y2 = ya;
    y1 = yb;
  }
  f->x1 = x1;
  f->x2 = x2;
  f->y1 = y1;
  f->y2 = y2;
}

}  // namespace

int biquad_process(biquad* f, float* block, int n) {
  biquad_run<true>(f, block, block, n);
  return DSP_OK;
}

int biquad_process_to(biquad* f, const float* __restrict in, float* __restrict out, int n) {
  biquad_run<false>(f, in, out, n);
  return DSP_OK;
}

int biquad_df2_init(biquad_df2* f) {
  *f = biquad_df2{1.0f, 0, 0, 0, 0, 0, 0};
  denormal_mode_set();
  return DSP_OK;
}

int biquad_df2_process(biquad_df2* f, float* block, int n) {
  const int pairs = n / 2;
  if (pairs <= 0) return DSP_OK;
  const float b0 = f->b0, b1 = f->b1, b2 = f->b2, a1 = f->a1, a2 = f->a2;
  float w1 = f->w1, w2 = f->w2;
  for (int p = 0; p < pairs; ++p) {
    const float wa = block[2 * p] - a1 * w1 - a2 * w2;
    block[2 * p] = b0 * wa + b1 * w1 + b2 * w2;
    const float wb = block[2 * p + 1] - a1 * wa - a2 * w1;
    block[2 * p + 1] = b0 * wb + b1 * wa + b2 * w1;
    w2 = wa;
    w1 = wb;
  }
  f->w1 = w1;
  f->w2 = w2;
  return DSP_OK;
}

int band_filter_init(band_filter* f) {
  *f = band_filter{};
  f->hp_b0 = 1.0f;
  f->lp_b0 = 1.0f;
  denormal_mode_set();
  return DSP_OK;
}

int band_filter_design(band_filter* f, float f_lo, float f_hi, float gain, float fs) {
  float d = -3.4028235e38f;  // stage-two gain 0: the filter is silent
  if (gain > SMALLEST_NORMAL)
    d = 2.0f * static_cast<float>(20.0 * std::log10(static_cast<double>(gain)));
  return band_filter_design_db(f, f_lo, f_hi, d, fs);
}

int band_filter_design_db(band_filter* f, float f_lo, float f_hi, float d, float fs) {
  const double a = std::pow(10.0, static_cast<double>(d) * 0.5 * 0.05);
  const float half = fs * 0.5f;
  const bool lo_ok = f_lo <= half && f_lo >= SMALLEST_NORMAL;
  const bool hi_ok = f_hi <= half && f_hi >= SMALLEST_NORMAL;
  if (!lo_ok || !hi_ok) {
    f->hp_b0 = f->lp_b0 = 1.0f;
    f->hp_b1 = f->hp_b2 = f->hp_c1 = f->hp_c2 = 0.0f;
    f->lp_b1 = f->lp_b2 = f->lp_c1 = f->lp_c2 = 0.0f;
    return DSP_REJECTED;
  }
  {
    const double w = static_cast<double>(f_lo) * TWO_PI / static_cast<double>(fs);
    const double cs = std::cos(w);
    const double alpha = std::sin(w) / 1.4;
    const double a0 = 1.0 + alpha;
    f->hp_b0 = static_cast<float>((1.0 + cs) * 0.5 / a0);
    f->hp_b1 = static_cast<float>(-(1.0 + cs) / a0);
    f->hp_b2 = f->hp_b0;
    float a1 = -static_cast<float>(2.0 * cs / a0);
    float a2 = static_cast<float>((1.0 - alpha) / a0);
    stabilise(a1, a2);
    f->hp_c1 = -a1;
    f->hp_c2 = -a2;
  }
  {
    const double w = static_cast<double>(f_hi) * TWO_PI / static_cast<double>(fs);
    const double cs = std::cos(w);
    const double alpha = std::sin(w) / 1.4;
    const double a0 = 1.0 + alpha;
    f->lp_b0 = static_cast<float>((1.0 - cs) * a * 0.5 / a0);
    f->lp_b1 = static_cast<float>((1.0 - cs) * a / a0);
    f->lp_b2 = f->lp_b0;
    float a1 = -static_cast<float>(2.0 * cs / a0);
    float a2 = static_cast<float>((1.0 - alpha) / a0);
    stabilise(a1, a2);
    f->lp_c1 = -a1;
    f->lp_c2 = -a2;
  }
  return DSP_OK;
}

namespace {

inline void band_run(band_filter* f, const float* in, float* out, int n) {
  const float hb0 = f->hp_b0, hb1 = f->hp_b1, hb2 = f->hp_b2, hc1 = f->hp_c1, hc2 = f->hp_c2;
  const float lb0 = f->lp_b0, lb1 = f->lp_b1, lb2 = f->lp_b2, lc1 = f->lp_c1, lc2 = f->lp_c2;
  float x1 = f->x1, x2 = f->x2, u1 = f->u1, u2 = f->u2, u2_in = f->u2_in, y1 = f->y1,
        y2 = f->y2;
  for (int i = 0; i < n; ++i) {
    const float x = in[i];
    const float u = hb0 * x + hb1 * x1 + hb2 * x2 + hc1 * u1 + hc2 * u2;
    const float y = lb0 * u + lb1 * u1 + lb2 * u2_in + lc1 * y1 + lc2 * y2;
    x2 = x1;
    x1 = x;
    u2 = u1;
    u2_in = u1;
    u1 = u;
    y2 = y1;
    y1 = y;
    out[i] = y;
  }
  f->x1 = x1;
  f->x2 = x2;
  f->u1 = u1;
  f->u2 = u2;
  f->u2_in = u2_in;
  f->y1 = y1;
  f->y2 = y2;
}

}  // namespace

int band_filter_process(band_filter* f, float* block, int n) {
  band_run(f, block, block, n);
  return DSP_OK;
}

int band_filter_process_to(band_filter* f, const float* __restrict in, float* __restrict out,
                           int n) {
  band_run(f, in, out, n);
  return DSP_OK;
}

int resonator_init(resonator* r) {
  if (!r) return DSP_NULL;
  *r = resonator{1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  denormal_mode_set();
  return DSP_OK;
}

void resonator_set(resonator* r, float g, float a1, float a2) {
  if (!(g > SMALLEST_NORMAL)) {
    r->g = r->a1 = r->a2 = 0.0f;
    return;
  }
  r->g = g;
  r->a1 = a1;
  r->a2 = a2;
}

int resonator_process(resonator* r, float* block, int n) {
  const int pairs = n / 2;
  if (pairs <= 0) return DSP_OK;
  const float g = r->g, a1 = r->a1, a2 = r->a2;
  float y1 = r->y1, y2 = r->y2;
  for (int p = 0; p < pairs; ++p) {
    const float ya = (g * block[2 * p] - a1 * y1) - a2 * y2;
    const float yb = (g * block[2 * p + 1] - a1 * ya) - a2 * y1;
    block[2 * p] = ya;
    block[2 * p + 1] = yb;
    y2 = ya;
    y1 = yb;
  }
  r->y1 = y1;
  r->y2 = y2;
  return DSP_OK;
}

int one_pole_init(one_pole* p) {
  if (!p) return DSP_NULL;
  p->y1 = 0.0f;
  p->k = 0.0f;
  denormal_mode_set();
  return DSP_OK;
}

int one_pole_design(one_pole* p, int32_t mode, float freq, float fs) {
  if ((mode != 0 && mode != 1) || std::isnan(freq)) return DSP_REJECTED;
  const float c =
      2.0f - static_cast<float>(std::cos(static_cast<double>(freq) * TWO_PI / static_cast<double>(fs)));
  const float cc = c * c;
  const float r = static_cast<float>(std::sqrt(static_cast<double>(cc) - 1.0));
  p->k = (mode == 0) ? r - c : c - r;
  return DSP_OK;
}

int one_pole_process(one_pole* p, float* block, int n) {
  const int pairs = n / 2;
  if (pairs <= 0) return DSP_OK;
  const float k = p->k;
  float y1 = p->y1;
  for (int i = 0; i < 2 * pairs; ++i) {
    const float y = block[i] - k * y1;
    block[i] = y;
    y1 = y;
  }
  p->y1 = y1;
  return DSP_OK;
}
