#include "dsp/rate_moves.h"

#include <algorithm>
#include <cmath>

#include "dsp/dsp_common.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;

// |c0 + c1 e^-jw + c2 e^-2jw|^2, in real arithmetic (complex division would
// call the runtime's helpers, which some systems build with fused
// multiply-adds).
double polynomial_power(double c0, double c1, double c2, double w) {
  const double re = c0 + c1 * std::cos(w) + c2 * std::cos(2.0 * w);
  const double im = c1 * std::sin(w) + c2 * std::sin(2.0 * w);
  return re * re + im * im;
}

// |1 + a1 e^-jw + a2 e^-2jw|^2: the resonator's denominator at angle w.
double resonator_denominator_power(double a1, double a2, double w) {
  return polynomial_power(1.0, a1, a2, w);
}

// A real pole moved by the rate ratio r: z^r for a positive pole; a negative
// one (at the Nyquist frequency) stays there with the new radius.
double move_real_pole(double p, double r) { return p >= 0.0 ? std::pow(p, r) : -std::pow(-p, r); }

// The denominator 1 + a1 z^-1 + a2 z^-2 of a rate `from` moved by r = from /
// to: poles z = e^(s / from) become e^(s / to), the same s, in hertz. A pole
// pair moved past the new Nyquist frequency stays just below it.
void move_poles(double a1, double a2, double r, double& b1, double& b2) {
  const double disc = a1 * a1 - 4.0 * a2;
  if (disc >= 0.0) {
    const double p1 = move_real_pole(0.5 * (-a1 + std::sqrt(disc)), r);
    const double p2 = move_real_pole(0.5 * (-a1 - std::sqrt(disc)), r);
    b1 = -(p1 + p2);
    b2 = p1 * p2;
  } else {
    const double radius = std::sqrt(a2);
    const double angle = std::acos(std::clamp(-a1 / (2.0 * radius), -1.0, 1.0));
    const double moved = std::min(angle * r, 0.49 * TWO_PI);
    const double moved_radius = std::pow(radius, r);
    b1 = -2.0 * moved_radius * std::cos(moved);
    b2 = moved_radius * moved_radius;
  }
}

// A section b0 + b1 z^-1 + b2 z^-2 over 1 + a1 z^-1 + a2 z^-2 made at rate
// `from`, for rate `to` below it: poles moved, then the zeros whose |B|^2
// times the new denominator's power matches the old section's power in
// hertz (times what a resonator before it misses, when given). With
// s = sin^2(w/2), |b0 + b1 z^-1 + b2 z^-2|^2 = P0 (1 - s) + P1 s + P2 4 s (1 - s)
// where P0 = (b0 + b1 + b2)^2, P1 = (b0 - b1 + b2)^2 and P2 = -4 b0 b2: P0
// and P1 come from DC and the Nyquist frequency, P2 from the least relative
// error at 64 points between, evenly per octave from 20 Hz, and the three
// give the coefficients back.
void fit_section(const double b[3], double a1, double a2, double from, double to,
                 const float* before_from, const float* before_to, double out[5]) {
  double n1, n2;
  move_poles(a1, a2, from / to, n1, n2);
  auto wanted = [&](double w) {  // |B|^2 for angle w at rate `to`
    const double w_from = w * to / from;
    double power = polynomial_power(b[0], b[1], b[2], w_from) /
                   polynomial_power(1.0, a1, a2, w_from) * polynomial_power(1.0, n1, n2, w);
    if (before_from != nullptr)  // what the resonator before it misses, made up here
      power *= polynomial_power(1.0, before_to[1], before_to[2], w) /
               polynomial_power(1.0, before_from[1], before_from[2], w_from) *
               (double{before_from[0]} * before_from[0]) / (double{before_to[0]} * before_to[0]);
    return power;
  };
  const double p0 = wanted(0.0), p1 = wanted(0.5 * TWO_PI);
  double num = 0.0, den = 0.0;
  for (int i = 0; i < 64; ++i) {
    // From 20 Hz to just below the Nyquist frequency, evenly per octave.
    const double w = TWO_PI * 20.0 / to * std::pow(0.499 * to / 20.0, i / 63.0);
    const double s = std::sin(0.5 * w) * std::sin(0.5 * w);
    const double target = wanted(w);
    if (!(target > 0.0)) continue;
    const double basis = 4.0 * s * (1.0 - s);
    const double residual = target - p0 * (1.0 - s) - p1 * s;
    num += residual * basis / (target * target);
    den += basis * basis / (target * target);
  }
  const double p2 = den > 0.0 ? num / den : 0.0;
  const double r0 = std::sqrt(p0), r1 = std::sqrt(p1);
  const double sum = 0.5 * (r0 + r1);  // b0 + b2
  const double root = std::sqrt(std::max(sum * sum + p2, 0.0));
  out[0] = 0.5 * (sum + root);
  out[1] = 0.5 * (r0 - r1);
  out[2] = sum - out[0];
  out[3] = n1;
  out[4] = n2;
}

// The low-pass stage of a band filter made at rate `from`, for rate `to`.
void move_low_pass(band_filter* to_f, const band_filter& from_f, double from, double to,
                   const float* before_from, const float* before_to) {
  const double b[3] = {from_f.lp_b0, from_f.lp_b1, from_f.lp_b2};
  double c[5];
  fit_section(b, -double{from_f.lp_c1}, -double{from_f.lp_c2}, from, to, before_from, before_to, c);
  to_f->lp_b0 = static_cast<float>(c[0]);
  to_f->lp_b1 = static_cast<float>(c[1]);
  to_f->lp_b2 = static_cast<float>(c[2]);
  to_f->lp_c1 = static_cast<float>(-c[3]);
  to_f->lp_c2 = static_cast<float>(-c[4]);
}

}  // namespace

double biquad_df2_gain_at(const biquad_df2* f, double w) {
  return std::sqrt(polynomial_power(f->b0, f->b1, f->b2, w) / polynomial_power(1.0, f->a1, f->a2, w));
}

double one_pole_gain_at(const one_pole* p, double w) {
  return 1.0 / std::sqrt(polynomial_power(1.0, p->k, 0.0, w));
}

double band_filter_gain_at(const band_filter* f, double w) {
  return std::sqrt(polynomial_power(f->hp_b0, f->hp_b1, f->hp_b2, w) /
                   polynomial_power(1.0, -double{f->hp_c1}, -double{f->hp_c2}, w) *
                   polynomial_power(f->lp_b0, f->lp_b1, f->lp_b2, w) /
                   polynomial_power(1.0, -double{f->lp_c1}, -double{f->lp_c2}, w));
}

void resonator_move_rate(const float in[3], float from, float to, float gain, float out[3]) {
  if (from == to) {
    out[0] = in[0] * gain;
    out[1] = in[1];
    out[2] = in[2];
    return;
  }
  const double a1 = in[1], a2 = in[2];
  const double r = static_cast<double>(from) / static_cast<double>(to);
  double b1, b2;
  move_poles(a1, a2, r, b1, b2);
  // The gain: the mean log ratio of the two responses over the shared band,
  // 1/8 octave apart from 20 Hz, each point weighted by the shaped power per
  // octave there (f |H|^2) so the bands that carry the sound count most.
  const double top = 0.45 * std::min(static_cast<double>(from), static_cast<double>(to));
  double sum = 0.0, weights = 0.0;
  for (double f = 20.0; f < top; f *= 1.0905077326652577) {
    const double before = resonator_denominator_power(a1, a2, TWO_PI * f / from);
    const double after = resonator_denominator_power(b1, b2, TWO_PI * f / to);
    const double w = f / before;
    sum += w * 0.5 * std::log(after / before);
    weights += w;
  }
  const double match = weights > 0.0 ? std::exp(sum / weights) : 1.0;
  out[0] = static_cast<float>(static_cast<double>(in[0]) * gain * match);
  out[1] = static_cast<float>(b1);
  out[2] = static_cast<float>(b2);
}


int band_filter_design_at(band_filter* f, float f_lo, float f_hi, float gain, float fs,
                          float tuned, const float* before_tuned, const float* before_moved) {
  if (!(fs < tuned)) return band_filter_design(f, f_lo, f_hi, gain, fs);
  const int status = band_filter_design(f, f_lo, std::min(f_hi, 0.45f * fs), gain, fs);
  band_filter at_tuned{};
  if (status != DSP_OK || band_filter_design(&at_tuned, f_lo, f_hi, gain, tuned) != DSP_OK)
    return status;
  const bool before = before_tuned != nullptr && before_moved != nullptr &&
                      before_tuned[0] > 0.0f && before_moved[0] > 0.0f;
  move_low_pass(f, at_tuned, tuned, fs, before ? before_tuned : nullptr,
                before ? before_moved : nullptr);
  return DSP_OK;
}


void biquad_df2_move_down(biquad_df2* f, const biquad_df2& tuned, float from, float to) {
  if (!(to < from)) {
    f->b0 = tuned.b0, f->b1 = tuned.b1, f->b2 = tuned.b2, f->a1 = tuned.a1, f->a2 = tuned.a2;
    return;
  }
  const double b[3] = {tuned.b0, tuned.b1, tuned.b2};
  double c[5];
  fit_section(b, tuned.a1, tuned.a2, from, to, nullptr, nullptr, c);
  f->b0 = static_cast<float>(c[0]);
  f->b1 = static_cast<float>(c[1]);
  f->b2 = static_cast<float>(c[2]);
  f->a1 = static_cast<float>(c[3]);
  f->a2 = static_cast<float>(c[4]);
}
