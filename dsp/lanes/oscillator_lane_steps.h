// The sine oscillators' steps in lanes (dsp/lanes/oscillator_lanes.h),
// written once for any vector policy V after dsp/lanes/lane_core.h: the
// increments, their fold, the phase chain with its wrap, the parabolic sine.
// run_oscillators serves the oscillator kernels and passes that take their
// frequencies from elsewhere (an IO of their own).

constexpr int SUB_CHUNK = 64;  // samples per round of the oscillator kernel

constexpr double PI_D = 3.141592653589793;
constexpr double TWO_PI_D = 6.283185307179586;

// The scalar oscillator's phase step: add, then wrap once (in double).
inline float advance_phase(float phase, float inc) {
  const float p = phase + inc;
  const double d = static_cast<double>(p);
  if (d < -PI_D) return static_cast<float>(d + TWO_PI_D);
  if (d > PI_D) return static_cast<float>(d - TWO_PI_D);
  return p;
}

// Folds increments modulo 2 pi keeping their sign, lane by lane, as the
// scalar oscillator does: x - (sign(x) m) 2 pi with m = floor(|x| / 2 pi).
// sign(x) m is m with x's sign bit where x < 0 (the scalar product gives
// +0 for x = -0 and NaN for NaN, as this does).
LANE_INLINE vec fold_increments(vec x) {
  const vec two_pi = V::splat(6.2831855f), zero = V::splat(0.0f);
  const vec m = V::round_toward_zero(V::div(abs_of(x), two_pi));
  const vec signed_m = V::xor_(m, V::and_(V::lt(x, zero), V::splat(-0.0f)));
  return sub(x, mul(signed_m, two_pi));
}

LANE_INLINE vec parabolic_sine(vec x) {
  const vec k1 = V::splat(1.2732395f), k2 = V::splat(0.40528473f), k3 = V::splat(0.225f);
  const vec y = sub(mul(k1, x), mul(mul(k2, x), abs_of(x)));
  return add(mul(k3, sub(mul(y, abs_of(y)), y)), y);
}

using sine_wrap::WRAP_HIGH;
using sine_wrap::WRAP_LIMIT;
using sine_wrap::WRAP_LOW;
constexpr float SAFE_PHASE = 6.2842f;      // start phases within this take the vector path
constexpr float SAFE_INCREMENT = 6.2832f;  // as do increments within this
// Increments below this wrap a phase at most once in about 60 samples.
constexpr float SLOW_INCREMENT = 0.1f;

template <class P>
LANE_INLINE vec pick_outside(vec x, vec low, vec high, vec below, vec above) {
  return P::pick_outside(x, low, high, below, above);
}

// Both wrapped sums run beside the comparisons, off the latency of the
// phase chain; then a blend, by the policy's masks where it has them.
LANE_INLINE vec wrap_phases(vec s) {
  const vec hi = V::splat(WRAP_HIGH), lo = V::splat(WRAP_LOW);
  const vec low = V::splat(-WRAP_LIMIT), high = V::splat(WRAP_LIMIT);
  const vec up = add(add(s, hi), lo), down = sub(sub(s, hi), lo);
  if constexpr (has_pick_outside<V>) {
    return pick_outside<V>(s, low, high, up, down);
  } else {
    const vec below = V::le(s, low), above = V::ge(s, high);
    const vec keep = V::andnot(V::or_(below, above), s);
    return V::or_(V::or_(V::and_(below, up), V::and_(above, down)), keep);
  }
}

// The wrap of phases that do not fall below -pi (a phase runs down only on a
// negative increment): the upper wrap alone, so the phase chain waits on one
// comparison and one blend; the caller takes wrap_phases when one does.
LANE_INLINE vec wrap_phases_above(vec s) {
  const vec hi = V::splat(WRAP_HIGH), lo = V::splat(WRAP_LOW), high = V::splat(WRAP_LIMIT);
  const vec down = sub(sub(s, hi), lo);
  return select(V::ge(s, high), down, s);
}

LANE_INLINE bool falls_below(vec s) { return V::any(V::le(s, V::splat(-WRAP_LIMIT))); }

LANE_INLINE bool needs_wrap(vec s) {
  return V::any(V::or_(V::le(s, V::splat(-WRAP_LIMIT)), V::ge(s, V::splat(WRAP_LIMIT))));
}

inline float max_abs(vec x) {
  float m[W];
  V::store(m, abs_of(x));
  float r = m[0];
  for (int k = 1; k < W; ++k) r = m[k] > r ? m[k] : r;
  return r;
}

// The scalar steps over samples [i, i + W) of G groups: each sample uses the
// phase before its own increment.
template <int G>
LANE_INLINE void scalar_phase_steps(vec p[G], vec (*inc)[SUB_CHUNK], int i, vec x[G][W]) {
  for (int g = 0; g < G; ++g) {
    float pk[W], ik[W];
    V::store(pk, p[g]);
    for (int j = 0; j < W; ++j) {
      V::store(ik, inc[g][i + j]);
      x[g][j] = V::load(pk);
      for (int k = 0; k < W; ++k) pk[k] = advance_phase(pk[k], ik[k]);
    }
    p[g] = V::load(pk);
  }
}

// G groups of up to W oscillators, one per lane. Per chunk of samples, the
// increments are formed first (all lanes at once); then the phases advance
// sample by sample, one vector per group, the groups' chains interleaved,
// with the increments of groups that need the fold (one reaches 2 pi)
// folded inside that loop, where the division overlaps the phase chains;
// the sines of the phases follow W samples at a time. Chunks whose phases or
// increments could leave the range of the single-precision wrap run the
// scalar steps instead (NaN fails the checks too); a folded increment found
// out of range after the loop sends its chunk back through the scalar steps.
template <int G, class IO = lane_io, bool SIDE = false>
void run_oscillators(const sine_osc_job* jobs, int count, int n, const IO* given = nullptr,
                     const biquad_job* side = nullptr) {
  // A side section (as biquad_process on its block, n even): one scalar step
  // a sample beside the phase chains, whose pass has room for its work.
  biquad sf = SIDE ? *side->f : biquad{};
  float* const side_block = SIDE ? side->block : nullptr;
  auto side_step = [&](int i) {
    if constexpr (SIDE) {
      const float x = side_block[i];
      const float y = sf.b0 * x + sf.b1 * sf.x1 + sf.b2 * sf.x2 + sf.c1 * sf.y1 + sf.c2 * sf.y2;
      sf.x2 = sf.x1;
      sf.x1 = x;
      sf.y2 = sf.y1;
      sf.y1 = y;
      side_block[i] = y;
    }
  };
  IO io[G];
  vec p[G], sc[G];
  for (int g = 0; g < G; ++g) {
    const int c = count - W * g < W ? count - W * g : W;
    float phase[W] = {}, scale[W] = {};
    for (int k = 0; k < c; ++k) {
      sine_osc* o = jobs[W * g + k].o;
      // The scalar oscillator normalises the phase first: a phase within one
      // turn keeps every bit, so only others take the call.
      if (!(__builtin_fabs(static_cast<double>(o->phase)) < 6.2831854820251465))
        sine_osc_process(o, jobs[W * g + k].block, 0);
      phase[k] = o->phase;
      scale[k] = o->scale;
    }
    if constexpr (std::is_same_v<IO, lane_io>)
      io[g].init(jobs + W * g, c);
    else
      io[g] = given[g];
    p[g] = V::load(phase);
    sc[g] = V::load(scale);
  }
  vec inc[G][SUB_CHUNK];
  for (int start = 0; start < n; start += SUB_CHUNK) {
    const int len = n - start < SUB_CHUNK ? n - start : SUB_CHUNK;
    bool vector_path = true, any_fold = false;
    bool slow[G], fold[G];
    for (int g = 0; g < G; ++g) {
      // An increment below 2 pi in magnitude folds to itself: the fold runs
      // only on chunks with a larger one (or a NaN). Four running maxima,
      // so that the maximum's latency does not chain the samples.
      vec wide[4] = {V::splat(0.0f), V::splat(0.0f), V::splat(0.0f), V::splat(0.0f)};
      for (int i = 0; i < len; i += W) {
        vec x[W];
        io[g].load(start + i, x);
        for (int j = 0; j < W; ++j) {
          inc[g][i + j] = mul(x[j], sc[g]);
          wide[j % 4] = V::max(wide[j % 4], abs_of(inc[g][i + j]));
        }
      }
      const vec widest = V::max(V::max(wide[0], wide[1]), V::max(wide[2], wide[3]));
      fold[g] = !(max_abs(widest) < WRAP_HIGH) || V::any(V::unord(widest, widest));
      any_fold = any_fold || fold[g];
      slow[g] = !fold[g] && max_abs(widest) < SLOW_INCREMENT;
      vector_path = vector_path && (fold[g] || max_abs(widest) <= SAFE_INCREMENT) &&
                    max_abs(p[g]) <= SAFE_PHASE && !V::any(V::unord(widest, p[g]));
    }
    bool side_pending = true;
    if (vector_path) {
      vec p0[G], folded_widest[G];
      for (int g = 0; g < G; ++g) p0[g] = p[g], folded_widest[g] = V::splat(0.0f);
      for (int i = 0; i < len; i += W) {
        vec x[G][W], step[G][W];
        for (int g = 0; g < G; ++g)
          for (int j = 0; j < W; ++j) {
            step[g][j] = inc[g][i + j];
            if (fold[g]) {
              step[g][j] = fold_increments(step[g][j]);
              folded_widest[g] = V::max(folded_widest[g], abs_of(step[g][j]));
            }
          }
        for (int j = 0; j < W; ++j) {
          side_step(start + i + j);
          for (int g = 0; g < G; ++g) {
            x[g][j] = p[g];
            const vec sum = add(p[g], step[g][j]);
            // Slow phases wrap rarely: a predicted branch keeps the blend
            // off their chain.
            if (slow[g])
              p[g] = needs_wrap(sum) ? wrap_phases(sum) : sum;
            else
              p[g] = falls_below(sum) ? wrap_phases(sum) : wrap_phases_above(sum);
          }
        }
        side_pending = false;
        for (int g = 0; g < G; ++g) {
          for (int j = 0; j < W; ++j) x[g][j] = parabolic_sine(x[g][j]);
          io[g].store(start + i, x[g]);
        }
      }
      if (!any_fold) continue;
      for (int g = 0; g < G; ++g)
        if (fold[g] && (!(max_abs(folded_widest[g]) <= SAFE_INCREMENT) ||
                        V::any(V::unord(folded_widest[g], folded_widest[g]))))
          vector_path = false;
      if (vector_path) continue;
      for (int g = 0; g < G; ++g) p[g] = p0[g];  // the chunk again, in scalar steps
    }
    if (side_pending)
      for (int i = 0; i < len; ++i) side_step(start + i);
    for (int g = 0; g < G; ++g)
      if (fold[g])
        for (int i = 0; i < len; ++i) inc[g][i] = fold_increments(inc[g][i]);
    for (int i = 0; i < len; i += W) {
      vec x[G][W];
      scalar_phase_steps<G>(p, inc, i, x);
      for (int g = 0; g < G; ++g) {
        for (int j = 0; j < W; ++j) x[g][j] = parabolic_sine(x[g][j]);
        io[g].store(start + i, x[g]);
      }
    }
  }
  for (int g = 0; g < G; ++g) {
    const int c = count - W * g < W ? count - W * g : W;
    float phase[W];
    V::store(phase, p[g]);
    for (int k = 0; k < c; ++k) jobs[W * g + k].o->phase = phase[k];
  }
  if constexpr (SIDE) *side->f = sf;
}
