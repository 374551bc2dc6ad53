#include "rain/liquid.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "dsp/dsp_common.h"
#include "dsp/noise.h"
#include "dsp/rate_moves.h"
#include "dsp/simd/baseline.h"

bool pluvessa_liquid_set(liquid_params& p, pluvessa_param key, float x) {
  switch (key) {
    case pluvessa_param::liquid_level:
    case pluvessa_param::liquid_2_level: st(p.level, 30.0f * x); return true;
    case pluvessa_param::liquid_drops_variance:
    case pluvessa_param::liquid_2_drops_variance:
      st(p.drop_density, 0.024f * x + 0.006f);
      return true;
    case pluvessa_param::liquid_drops_color:
    case pluvessa_param::liquid_2_drops_color: st(p.drop_colour, x); return true;
    case pluvessa_param::liquid_sweep_frequency:
    case pluvessa_param::liquid_2_sweep_frequency: st(p.sweep_freq, x); return true;
    // Natural logarithms: the lowest tone from 20 Hz (ln 20) up to 20 kHz
    // (ln 1000 above), the range up to a factor 1000 (ln 1000 / 2 each way).
    case pluvessa_param::liquid_freq_min:
    case pluvessa_param::liquid_2_freq_min:
      st(p.tone_min, 6.907755f * x + 2.995732f);
      return true;
    case pluvessa_param::liquid_freq_half_range:
    case pluvessa_param::liquid_2_freq_half_range:
      st(p.tone_half_range, 3.453878f * x);
      return true;
    case pluvessa_param::liquid_hp_freq:
    case pluvessa_param::liquid_2_hp_freq: st(p.low_cut, x); return true;
    case pluvessa_param::liquid_lp_freq:
    case pluvessa_param::liquid_2_lp_freq: st(p.high_cut, x); return true;
    default: return false;
  }
}

void pluvessa_liquid_setup(liquid_voice& v, float fs) {
  biquad_df2_init(&v.jitter_bandpass);
  biquad_df2_init(&v.carrier_smoother);
  one_pole_init(&v.jitter_lowpass);
  biquad_init(&v.colour_highpass);
  ramp_osc_init(&v.sweep);
  band_filter_init(&v.cut);
  sine_osc_init(&v.carrier, fs);
  sine_osc_init(&v.tone, fs);
  gain_ramp_init(&v.ramp);
}

void pluvessa_liquid_update(liquid_voice& v, const liquid_params& p, float fs) {
  biquad_design_bw_db(&v.colour_highpass, FILTER_HIGHPASS, 1.0f, ld(p.drop_colour), 2.0f, fs);
  ramp_osc_set_freq(&v.sweep, ld(p.sweep_freq), fs);
  band_filter_design_at(&v.cut, ld(p.low_cut), ld(p.high_cut), 1.0f, fs, TUNING_RATE);
}

namespace {

constexpr double TWO_PI = 6.283185307179586;

struct jitter_filters {
  biquad_df2 bandpass;
  one_pole lowpass;
};

jitter_filters jitter_filters_at(float fs) {
  jitter_filters f{};
  biquad_df2_init(&f.bandpass);
  biquad_df2_design_q(&f.bandpass, FILTER_BANDPASS_GAIN, 1.0f, 50.0f, 0.4f, fs);
  one_pole_design(&f.lowpass, 0, 400.0f, fs);
  return f;
}

// Power gain of the jitter filters for white input: the energy of their
// impulse response, in double. The slowest pole (25 Hz) has died away
// (below e^-60 in energy) after 0.2 s.
double jitter_noise_gain(const jitter_filters& f, float fs) {
  const biquad_df2& b = f.bandpass;
  double w1 = 0.0, w2 = 0.0, y = 0.0, energy = 0.0;
  const long n = static_cast<long>(0.2 * static_cast<double>(fs));
  for (long i = 0; i < n; ++i) {
    const double w = (i == 0 ? 1.0 : 0.0) - b.a1 * w1 - b.a2 * w2;
    const double x = b.b0 * w + b.b1 * w1 + b.b2 * w2;
    w2 = w1;
    w1 = w;
    y = x - f.lowpass.k * y;
    energy += y * y;
  }
  return energy;
}

// The jitter's variance per unit of density, for one instance at rate fs,
// when `drawing` instances take a sub-block of Gaussian draws each, in order,
// from the seed every initialisation sets. Each draw is u * edge, u uniform
// in [0, 1), the edges repeating every 256 draws; so the instance hears a
// pattern repeating every sub-block or two (its own share of the 256) times
// its mean 1/2, which puts lines at multiples of fs / period, plus noise of
// variance edge^2 / 12. Where the lines fall depends on the rate: at low
// rates they move into the jitter's band and raise it.
double jitter_variance(float fs, int instance, int drawing) {
  double edges[256];
  noise_gaussian_edges(GAUSSIAN_SEED_START, edges);
  const int chunks = 4 / std::gcd(drawing, 4);
  const int period = SUB_BLOCK * chunks;
  double seq[256], cosines[256], sines[256];
  for (int c = 0; c < chunks; ++c) {
    const int start = ((c * drawing + instance) % 4) * SUB_BLOCK;
    for (int n = 0; n < SUB_BLOCK; ++n) seq[c * SUB_BLOCK + n] = edges[start + n];
  }
  for (int m = 0; m < period; ++m) {
    cosines[m] = std::cos(TWO_PI * m / period);
    sines[m] = std::sin(TWO_PI * m / period);
  }
  const jitter_filters f = jitter_filters_at(fs);
  double square = 0.0;
  for (int n = 0; n < period; ++n) square += seq[n] * seq[n];
  double variance = square / period / 12.0 * jitter_noise_gain(f, fs);
  for (int k = 1; k < period; ++k) {
    double re = 0.0, im = 0.0;
    for (int n = 0; n < period; ++n) {
      re += seq[n] * cosines[(k * n) % period];
      im -= seq[n] * sines[(k * n) % period];
    }
    const double w = TWO_PI * k / period;
    const double gain = biquad_df2_gain_at(&f.bandpass, w) * one_pole_gain_at(&f.lowpass, w);
    const double mean = 0.5 / period;  // the pattern's mean, per sample of the sum
    variance += (re * re + im * im) * mean * mean * gain * gain;
  }
  return variance;
}

// The jitter band pass for `drawing` instances at rate fs: its dB gain (the
// band pass's amplitude is 10^(dB/40)) lifted so the jitter's variance is
// the one it has at the tuning rate, lines included. The drops are the
// jitter's peaks over a threshold: a dB of jitter moves them by about four.
void design_jitter(biquad_df2* f, float fs, int instance, int drawing) {
  double lift = 0.0;
  if (fs != TUNING_RATE)
    lift = 20.0 * std::log10(jitter_variance(TUNING_RATE, instance, drawing) /
                             jitter_variance(fs, instance, drawing));
  biquad_df2_init(f);
  biquad_df2_design_q(f, FILTER_BANDPASS_GAIN, 1.0f + static_cast<float>(lift), 50.0f, 0.4f, fs);
}

// The carrier smoother at another rate: a 3 Hz low pass whose output holds
// the tuning rate's pace for the carrier's 30 Hz. Two real poles, one at
// 3 Hz and the other far enough above it that the state (the input over the
// product of the poles' distances from 1, 2^14 times it up to 250 kHz)
// rounds finely in single precision, but no further than half way to 0 (at
// the highest rates); the feed-forward coefficients give the gain at DC.
void carrier_smoother_at_rate(biquad_df2* f, float fs) {
  const double e1 = TWO_PI * 3.0 / fs;
  const double e2 = std::min(std::ldexp(1.0, -14) / e1, 0.5);
  f->a1 = static_cast<float>(-(2.0 - e1 - e2));
  f->a2 = static_cast<float>((1.0 - e1) * (1.0 - e2));
  const double gain = static_cast<double>(LIQUID_TUNED_PACE_HZ) / LIQUID_CARRIER_HZ;
  const double b = gain * (1.0 + double{f->a1} + double{f->a2}) / 4.0;
  f->b0 = f->b2 = static_cast<float>(b);
  f->b1 = static_cast<float>(2.0 * b);
}

void select_jitter(liquid_voice& v, int drawing) {
  const biquad_df2& d = v.jitter_designs[drawing == 2 ? 0 : 1];
  v.jitter_bandpass.b0 = d.b0;
  v.jitter_bandpass.b1 = d.b1;
  v.jitter_bandpass.b2 = d.b2;
  v.jitter_bandpass.a1 = d.a1;
  v.jitter_bandpass.a2 = d.a2;
  v.jitter_drawing = drawing;
}

}  // namespace

void pluvessa_liquid_init(liquid_voice& v, const liquid_params& p, float fs, int instance) {
  if (fs == TUNING_RATE) {
    biquad_df2_design_q(&v.jitter_bandpass, FILTER_BANDPASS_GAIN, 1.0f, 50.0f, 0.4f, fs);
    v.jitter_designs[0] = v.jitter_designs[1] = v.jitter_bandpass;
    v.jitter_drawing = 4;
    biquad_df2_design_bw(&v.carrier_smoother, FILTER_LOWPASS, 1.0f, 3.0f, 1.0f, fs);
  } else {
    design_jitter(&v.jitter_designs[0], fs, instance, 2);
    design_jitter(&v.jitter_designs[1], fs, instance, 4);
    select_jitter(v, 4);
    carrier_smoother_at_rate(&v.carrier_smoother, fs);
  }
  one_pole_design(&v.jitter_lowpass, 0, 400.0f, fs);
  pluvessa_liquid_update(v, p, fs);
}

void pluvessa_liquid_draw(liquid_voice& v, const liquid_params& p, int instance, int drawing,
                          float* trigger, float* out, float* tone, rain_passes& passes) {
  if (drawing != v.jitter_drawing) select_jitter(v, drawing);
  // Jitter: Gaussian noise scaled by the density (band-passed around 50 Hz
  // and low-passed next).
  noise_gaussian_scaled(trigger, SUB_BLOCK, ld(p.drop_density));
  const int lane = RAIN_LANE_LIQUID + instance;
  passes.control[lane] = {&v.jitter_bandpass, &v.jitter_lowpass, trigger, LIQUID_JITTER_SCALE,
                          LIQUID_CARRIER_HZ, false, &v.carrier_smoother, out};
  passes.band[lane] = {&v.colour_highpass, &v.cut, trigger, tone, LIQUID_GATE_GAIN, out};
  passes.join(lane);
  passes.sweep[instance] = {&v.sweep, tone};
  passes.tone[instance] = {&v.tone, tone};
  passes.carrier[instance] = {&v.carrier, out};
  passes.drops = instance + 1;
}

// The steps below are each one pass over the block: per sample the operations
// of the block operations they stand for (block_multiply, block_max,
// block_offset, and the scale, offset and exponential of the tone), in their
// order and with their operand order, so every value is bit for bit the same.

void pluvessa_liquid_pulses(float* trigger, const float* out) {
  // Squared jitter times the carrier, above the threshold.
  using V = base_vectors;
  const V::v threshold = V::splat(LIQUID_DROP_THRESHOLD), below = V::splat(-LIQUID_DROP_THRESHOLD);
  for (int i = 0; i < SUB_BLOCK; i += 4) {
    V::v t = V::load(trigger + i);
    t = V::mul(t, t);
    t = V::mul(V::load(out + i), t);
    t = V::max(t, threshold);
    V::store(trigger + i, V::add(t, below));
  }
}

void pluvessa_liquid_tone_lines(const liquid_params p[2], float m[4], float b[4]) {
  for (int k = 0; k < 4; ++k) {
    m[k] = ld(p[k / 2].tone_half_range);
    b[k] = ld(p[k / 2].tone_min);
  }
}

void pluvessa_liquid_finish(liquid_voice& v, const liquid_params& p, float* out) {
  gain_ramp_apply(&v.ramp, ld(p.level), out, SUB_BLOCK);
}
