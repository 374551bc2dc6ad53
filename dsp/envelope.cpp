#include "dsp/envelope.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

namespace {

constexpr double LN2 = 0.6931471805599453;
constexpr float MS = 0.001f;

// Samples of t_ms milliseconds: the product in float, the floor in double.
int32_t length_of(float sample_rate, float t_ms) {
  const double v = std::floor(static_cast<double>((sample_rate * MS) * t_ms));
  // Lengths beyond 32 bits cannot arise at accepted rates; saturate anyway.
  if (!(v < 2147483647.0)) return v > 0.0 ? 2147483647 : 0;
  if (!(v > -2147483648.0)) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

}  // namespace

int random_envelope_retrigger(random_envelope* e) {
  e->counter = 1;
  e->env = 1.0;
  float t_a = e->attack_min;
  if (e->attack_min != e->attack_max) {
    const float u = noise_uniform_draw();
    t_a = e->attack_min + u * (e->attack_max - e->attack_min);
  }
  e->attack_len = length_of(e->sample_rate, t_a);
  float t_d = e->decay_min;
  if (e->decay_min != e->decay_max) {
    const float u = noise_uniform_draw();
    t_d = e->decay_min + u * (e->decay_max - e->decay_min);
  }
  const int32_t decay_len = length_of(e->sample_rate, t_d);
  e->swell_len = e->attack_len + decay_len;
  const float u = noise_uniform_draw();
  e->peak = (e->amp_max - e->amp_min) * u + e->amp_min;
  e->attack_mul = LN2 / static_cast<double>(e->attack_len) + 1.0;
  e->decay_mul = 1.0 - LN2 / static_cast<double>(decay_len);
  return DSP_OK;
}

int random_envelope_init(random_envelope* e) {
  if (!e) return DSP_NULL;
  e->env = 1.0;
  e->attack_mul = 1.0;
  e->decay_mul = 1.0;
  e->counter = 1;
  e->peak = 0.0f;
  e->floor = 0.0f;
  e->attack_len = 4800;
  e->swell_len = 28800;
  e->amp_min = 1.0f;
  e->amp_max = 1.5f;
  e->attack_min = 100.0f;
  e->attack_max = 100.0f;
  e->decay_min = 500.0f;
  e->decay_max = 500.0f;
  e->sample_rate = 48000.0f;
  random_envelope_retrigger(e);
  denormal_mode_set();
  return DSP_OK;
}

// Runs of samples in one phase of the swell (attack or decay) are multiplied
// without a per-sample branch; the arithmetic per sample is unchanged.
int random_envelope_process(random_envelope* e, float* out, int n) {
  double env = e->env;
  int32_t counter = e->counter;
  int i = 0;
  while (i < n) {
    int run;
    double mul;
    if (counter <= e->attack_len) {
      const int64_t left = static_cast<int64_t>(e->attack_len) - counter + 1;
      run = left < n - i ? static_cast<int>(left) : n - i;
      mul = e->attack_mul;
    } else if (counter < e->swell_len) {
      const int64_t left = static_cast<int64_t>(e->swell_len) - counter;
      run = left < n - i ? static_cast<int>(left) : n - i;
      mul = e->decay_mul;
    } else {
      // The next swell starts on this sample, which stays at env = 1.
      e->env = env;
      random_envelope_retrigger(e);
      env = 1.0;
      counter = 1;
      run = 1;
      mul = 1.0;
    }
    const float peak = e->peak, floor = e->floor;
    if (peak > SMALLEST_NORMAL) {
      const double span = static_cast<double>(peak - floor), base = static_cast<double>(floor);
      for (int k = 0; k < run; ++k) {
        env *= mul;
        out[i + k] = static_cast<float>(span * (env - 1.0) + base);
      }
    } else {
      for (int k = 0; k < run; ++k) {
        env *= mul;
        out[i + k] = 0.0f;
      }
    }
    counter += run;
    i += run;
  }
  e->env = env;
  e->counter = counter;
  return DSP_OK;
}

namespace {

// No swell starts within the next n samples: every counter stays within the
// attack or before the end of the swell.
bool no_swell_starts(const random_envelope* e, int n) {
  const int64_t last = static_cast<int64_t>(e->counter) + n - 1;
  const int64_t reach = e->attack_len > static_cast<int64_t>(e->swell_len) - 1
                            ? e->attack_len
                            : static_cast<int64_t>(e->swell_len) - 1;
  return last <= reach;
}

// The per-sample step of one envelope inside a block without a new swell:
// the multiplier of the phase the counter is in, then the output value.
struct envelope_lane {
  double env, attack_mul, decay_mul, span, base;
  int32_t counter, attack_len;
  bool audible;
  explicit envelope_lane(const random_envelope* e)
      : env(e->env),
        attack_mul(e->attack_mul),
        decay_mul(e->decay_mul),
        span(static_cast<double>(e->peak - e->floor)),
        base(static_cast<double>(e->floor)),
        counter(e->counter),
        attack_len(e->attack_len),
        audible(e->peak > SMALLEST_NORMAL) {}
  inline float step() {
    env *= counter <= attack_len ? attack_mul : decay_mul;
    ++counter;
    return audible ? static_cast<float>(span * (env - 1.0) + base) : 0.0f;
  }
  void save(random_envelope* e) const {
    e->env = env;
    e->counter = counter;
  }
};

// Samples from the counter's position until the envelope leaves its attack
// (the rest of the block, at most).
inline int attack_run(const random_envelope* e, int n) {
  const int64_t left = static_cast<int64_t>(e->attack_len) - e->counter + 1;
  return left <= 0 ? 0 : (left < n ? static_cast<int>(left) : n);
}

}  // namespace

int random_envelope_process_pair(random_envelope* a, float* out_a, random_envelope* b,
                                 float* out_b, int n) {
  if (!no_swell_starts(a, n) || !no_swell_starts(b, n)) {
    random_envelope_process(a, out_a, n);
    return random_envelope_process(b, out_b, n);
  }
#if defined(__SSE2__)
  // Both envelopes in one double vector. Within the block each multiplier
  // changes at most once (attack to decay), so the block splits into at most
  // three runs of constant multipliers; per sample one vector multiply for the
  // chains and three for the outputs, lane by lane the scalar operations.
  const envelope_lane la(a), lb(b);
  const __m128d span = _mm_setr_pd(la.span, lb.span), base = _mm_setr_pd(la.base, lb.base);
  const __m128d one = _mm_set1_pd(1.0);
  const __m128 audible = _mm_castsi128_ps(
      _mm_setr_epi32(la.audible ? -1 : 0, lb.audible ? -1 : 0, 0, 0));
  __m128d env = _mm_setr_pd(la.env, lb.env);
  const int switch_a = attack_run(a, n), switch_b = attack_run(b, n);
  int i = 0;
  while (i < n) {
    int end = n;  // the next change of either multiplier
    if (switch_a > i && switch_a < end) end = switch_a;
    if (switch_b > i && switch_b < end) end = switch_b;
    const __m128d mul = _mm_setr_pd(i < switch_a ? la.attack_mul : la.decay_mul,
                                    i < switch_b ? lb.attack_mul : lb.decay_mul);
    for (; i < end; ++i) {
      env = _mm_mul_pd(env, mul);
      const __m128 v = _mm_and_ps(
          _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(span, _mm_sub_pd(env, one)), base)), audible);
      _mm_store_ss(out_a + i, v);
      _mm_store_ss(out_b + i, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1)));
    }
  }
  a->env = _mm_cvtsd_f64(env);
  b->env = _mm_cvtsd_f64(_mm_unpackhi_pd(env, env));
  a->counter += n;
  b->counter += n;
#else
  envelope_lane la(a), lb(b);
  for (int i = 0; i < n; ++i) {
    out_a[i] = la.step();
    out_b[i] = lb.step();
  }
  la.save(a);
  lb.save(b);
#endif
  return DSP_OK;
}

bool random_envelope_quiet(const random_envelope* e, int n) { return no_swell_starts(e, n); }

namespace {

// The value random_envelope_process writes for a multiplier state env.
inline float envelope_output(const random_envelope* e, double env) {
  if (!(e->peak > SMALLEST_NORMAL)) return 0.0f;
  const double span = static_cast<double>(e->peak - e->floor), base = static_cast<double>(e->floor);
  return static_cast<float>(span * (env - 1.0) + base);
}

// VECTORS double vectors of two envelopes each (count of them real); each
// envelope's multiplier changes at most once in the block, so the block splits
// into runs of constant multipliers, cut also after each sample read. The
// vector count is a constant so that the chains stay in registers.
template <int VECTORS>
void advance_quiet(random_envelope* const* envs, int count, int n, const int* at, float* values) {
  constexpr int LANES = 2 * VECTORS;
  double mul_of[2][LANES] = {};  // attack, decay
  int switch_at[LANES], read_at[LANES];
  alignas(16) double env[LANES] = {};
  for (int k = 0; k < LANES; ++k) {
    const bool real = k < count;
    switch_at[k] = real ? attack_run(envs[k], n) : 0;
    read_at[k] = real && at[k] >= 0 && at[k] < n ? at[k] : -1;
    if (real) {
      env[k] = envs[k]->env;
      mul_of[0][k] = envs[k]->attack_mul;
      mul_of[1][k] = envs[k]->decay_mul;
    }
  }
#if defined(__SSE2__)
  __m128d chain[VECTORS];
  for (int v = 0; v < VECTORS; ++v) chain[v] = _mm_load_pd(env + 2 * v);
#endif
  int i = 0;
  while (i < n) {
    int end = n;  // the next change of a multiplier, or one past the next read
    for (int k = 0; k < LANES; ++k) {
      if (switch_at[k] > i && switch_at[k] < end) end = switch_at[k];
      if (read_at[k] >= i && read_at[k] + 1 < end) end = read_at[k] + 1;
    }
    alignas(16) double mul[LANES];
    for (int k = 0; k < LANES; ++k) mul[k] = mul_of[i < switch_at[k] ? 0 : 1][k];
#if defined(__SSE2__)
    __m128d m[VECTORS];
    for (int v = 0; v < VECTORS; ++v) m[v] = _mm_load_pd(mul + 2 * v);
    // Four samples per turn: fewer instructions around the multiply chains,
    // so the processor reaches the work after them sooner.
    for (; i + 4 <= end; i += 4)
      for (int r = 0; r < 4; ++r)
        for (int v = 0; v < VECTORS; ++v) chain[v] = _mm_mul_pd(chain[v], m[v]);
    for (; i < end; ++i)
      for (int v = 0; v < VECTORS; ++v) chain[v] = _mm_mul_pd(chain[v], m[v]);
    bool read = false;
    for (int k = 0; k < count; ++k) read = read || read_at[k] == end - 1;
    if (read || end == n)
      for (int v = 0; v < VECTORS; ++v) _mm_store_pd(env + 2 * v, chain[v]);
#else
    for (; i < end; ++i)
      for (int k = 0; k < LANES; ++k) env[k] *= mul[k];
#endif
    for (int k = 0; k < count; ++k)
      if (read_at[k] == end - 1) values[k] = envelope_output(envs[k], env[k]);
  }
  for (int k = 0; k < count; ++k) {
    envs[k]->env = env[k];
    envs[k]->counter += n;
  }
}

}  // namespace

void random_envelope_advance_quiet(random_envelope* const* envs, int count, int n, const int* at,
                                   float* values) {
  switch ((count + 1) / 2) {
    case 1: advance_quiet<1>(envs, count, n, at, values); break;
    case 2: advance_quiet<2>(envs, count, n, at, values); break;
    case 3: advance_quiet<3>(envs, count, n, at, values); break;
    case 4: advance_quiet<4>(envs, count, n, at, values); break;
    case 5: advance_quiet<5>(envs, count, n, at, values); break;
    case 6: advance_quiet<6>(envs, count, n, at, values); break;
    case 7: advance_quiet<7>(envs, count, n, at, values); break;
    case 8: advance_quiet<8>(envs, count, n, at, values); break;
    default: break;
  }
}

namespace {

bool chain_begin(const random_envelope* const* envs, int count, int n, double* env, double* mul) {
  int switch_at[MULTIPLY_SET];
  for (int k = 0; k < count; ++k) {
    switch_at[k] = attack_run(envs[k], n);
    if (switch_at[k] != 0 && switch_at[k] != n) return false;
  }
  for (int k = 0; k < count; ++k) {
    env[k] = envs[k]->env;
    mul[k] = switch_at[k] == n ? envs[k]->attack_mul : envs[k]->decay_mul;
  }
  return true;
}

// Rounds `stride` apart: round[stride r + k].
void chain_end(random_envelope* const* envs, int count, int n, const double* env,
               const double* mul, const double* round, int stride, const int* at, float* read) {
  for (int k = 0; k < count; ++k) {
    if (at[k] >= 0 && at[k] < n) {
      // From the value at the end of the round before, the same multiplies
      // up to the sample read.
      double x = at[k] >= 8 ? round[stride * (at[k] / 8 - 1) + k] : envs[k]->env;
      for (int i = at[k] / 8 * 8; i <= at[k]; ++i) x *= mul[k];
      read[k] = envelope_output(envs[k], x);
    }
    envs[k]->env = env[k];
    envs[k]->counter += n;
  }
}

}  // namespace

bool random_envelope_pair_chain_begin(const random_envelope* a, const random_envelope* b, int n,
                                      double* env, double* mul) {
  const random_envelope* pair[2] = {a, b};
  return chain_begin(pair, 2, n, env, mul);
}

void random_envelope_pair_chain_end(random_envelope* a, random_envelope* b, int n,
                                    const double* env, const double* mul, const double* round,
                                    int at, float* read) {
  random_envelope* pair[2] = {a, b};
  const int read_at[2] = {at, at};
  chain_end(pair, 2, n, env, mul, round, 2, read_at, read);
}

bool random_envelope_chain_begin(const random_envelope* const* envs, int count, int n,
                                 double* env, double* mul) {
  if (count > MULTIPLY_SET || !chain_begin(envs, count, n, env, mul)) return false;
  for (int k = count; k < MULTIPLY_SET; ++k) env[k] = 0.0, mul[k] = 1.0;
  return true;
}

void random_envelope_chain_end(random_envelope* const* envs, int count, int n, const double* env,
                               const double* mul, const double* round, const int* at,
                               float* read) {
  chain_end(envs, count, n, env, mul, round, MULTIPLY_SET, at, read);
}

int random_envelope_set_amplitude_range(random_envelope* e, float min, float max) {
  if (!(max >= min)) return DSP_REJECTED;
  if (min < e->floor) e->floor = min;
  e->amp_min = min;
  e->amp_max = max;
  return DSP_OK;
}

int random_envelope_set_time_ranges(random_envelope* e, float attack_min, float attack_max,
                                    float decay_min, float decay_max, float sample_rate) {
  if (!(attack_max >= attack_min)) return DSP_REJECTED;
  e->attack_min = attack_min;
  e->attack_max = attack_max;
  if (!(decay_max >= decay_min)) return DSP_REJECTED;
  e->decay_min = decay_min;
  e->decay_max = decay_max;
  e->sample_rate = sample_rate;
  return DSP_OK;
}

int random_envelope_set_floor(random_envelope* e, float floor) {
  if (!(e->amp_min >= floor)) return DSP_REJECTED;
  e->floor = floor;
  return DSP_OK;
}

int random_envelope_set_rhythm(random_envelope* e, float period, float period_var, float duty,
                               float duty_var, float sample_rate) {
  float lo = (1.0f - duty_var) * duty;
  lo = lo > 0.0f ? lo : 0.0f;
  float hi = (1.0f + duty_var) * duty;
  hi = hi < 1.0f ? hi : 1.0f;
  const float attack_min = lo * ((1.0f - period_var) * period);
  const float attack_max = hi * ((1.0f + period_var) * period);
  e->attack_min = attack_min;
  e->attack_max = attack_max;
  e->decay_max = (1.0f + period_var) * period - attack_min;
  e->decay_min = (1.0f + period_var) * period - attack_max;
  e->sample_rate = sample_rate;
  return DSP_OK;
}
