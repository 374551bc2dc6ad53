// The oscillator lane kernels (dsp/lanes/oscillator_lanes.h), written once
// for any vector policy V after dsp/lanes/lane_core.h and
// dsp/lanes/oscillator_lane_steps.h.

// Up to W ramps, one per lane: out = phase; phase += increment; a phase
// reaching 1 restarts at -1. Slow ramps restart rarely: a predicted branch
// keeps the select off the phase chain.
void run_ramps(const ramp_osc_job* jobs, int count, int n) {
  const ramp_osc* r[W];
  static const ramp_osc zero_ramp{};
  for (int k = 0; k < W; ++k) r[k] = k < count ? jobs[k].o : &zero_ramp;
  vec p = V::make([&](int k) { return r[k]->phase; });
  const vec inc = V::make([&](int k) { return r[k]->increment; });
  const vec one = V::splat(1.0f), minus_one = V::splat(-1.0f);
  lane_io io(jobs, count);
  for (int i = 0; i < n; i += W) {
    vec x[W];
    for (int j = 0; j < W; ++j) {
      x[j] = p;
      p = add(p, inc);
      const vec restart = V::ge(p, one);
      if (V::any(restart)) p = select(restart, minus_one, p);
    }
    io.store(i, x);
  }
  float f[W];
  V::store(f, p);
  for (int k = 0; k < count; ++k) jobs[k].o->phase = f[k];
}

// Up to four oscillators in an eight-lane build: the phase chain runs in
// four-lane vectors (the policy's narrow ones, one oscillator per lane), while the
// increments, their fold and the sines take two samples per eight-lane
// vector (lanes 0-3 sample j, lanes 4-7 sample j + 4 of each group of
// eight, as in-half transposes of eight-sample rows leave them): half the
// operations of a four-lane pass for all but the chain. The same steps and
// checks as run_oscillators, lane for lane.
template <class P>
void run_oscillators_paired(const sine_osc_job* jobs, int count, int n) {
  using S = typename P::narrow;
  using q = typename S::v;
  static_assert(P::W == 8);
  // Rows of the four lanes; missing lanes borrow lane 0's row (they read it
  // and write it before lane 0 does).
  float* row[4];
  for (int k = 0; k < 4; ++k) row[k] = jobs[k < count ? k : 0].block;
  float phase[4] = {}, scale[4] = {};
  for (int k = 0; k < count; ++k) {
    sine_osc* o = jobs[k].o;
    if (!(__builtin_fabs(static_cast<double>(o->phase)) < 6.2831854820251465))
      sine_osc_process(o, jobs[k].block, 0);
    phase[k] = o->phase;
    scale[k] = o->scale;
  }
  q p = S::load(phase);
  const vec sc = P::join(S::load(scale), S::load(scale));
  // Rows k of samples i..i + 7 to pairs: x[j] = samples i + j (low) and
  // i + j + 4 (high), j < 4; and back.
  auto load_pairs = [&](int i, vec x[4]) {
    vec r[4];
    for (int k = 0; k < 4; ++k) r[k] = P::load(row[k] + i);
    P::transpose4_halves(r, x);
  };
  auto store_pairs = [&](int i, vec x[4]) {
    vec r[4];
    P::transpose4_halves(x, r);
    for (int k = 3; k >= 0; --k) P::store(row[k] + i, r[k]);
  };
  auto low = [](vec x) { return P::low_half(x); };
  auto high = [](vec x) { return P::high_half(x); };
  auto join = [](q a, q b) { return P::join(a, b); };
  auto max_abs4 = [](q x) {
    float m[4];
    S::store(m, S::and_(x, S::abs_mask()));
    float r = m[0];
    for (int k = 1; k < 4; ++k) r = m[k] > r ? m[k] : r;
    return r;
  };
  // The phase wraps of the four-lane chain (as wrap_phases and
  // wrap_phases_above, on four lanes).
  const q hi = S::splat(WRAP_HIGH), lo = S::splat(WRAP_LOW);
  const q low_limit = S::splat(-WRAP_LIMIT), high_limit = S::splat(WRAP_LIMIT);
  auto wrap_both = [&](q s) {
    const q up = S::add(S::add(s, hi), lo), down = S::sub(S::sub(s, hi), lo);
    const q below = S::le(s, low_limit), above = S::ge(s, high_limit);
    const q keep = S::andnot(S::or_(below, above), s);
    return S::or_(S::or_(S::and_(below, up), S::and_(above, down)), keep);
  };
  auto wrap_above = [&](q s) {
    const q down = S::sub(S::sub(s, hi), lo), above = S::ge(s, high_limit);
    return S::select(above, down, s);
  };
  vec inc[SUB_CHUNK / 2];  // pairs, four per eight samples
  for (int start = 0; start < n; start += SUB_CHUNK) {
    const int len = n - start < SUB_CHUNK ? n - start : SUB_CHUNK;
    vec wide[4] = {V::splat(0.0f), V::splat(0.0f), V::splat(0.0f), V::splat(0.0f)};
    for (int i = 0; i < len; i += 8) {
      vec x[4];
      load_pairs(start + i, x);
      for (int j = 0; j < 4; ++j) {
        inc[i / 2 + j] = mul(x[j], sc);
        wide[j] = V::max(wide[j], abs_of(inc[i / 2 + j]));
      }
    }
    const vec both = V::max(V::max(wide[0], wide[1]), V::max(wide[2], wide[3]));
    const q widest = S::max(low(both), high(both));
    const bool fold = !(max_abs4(widest) < WRAP_HIGH) || S::any(S::unord(widest, widest));
    const bool slow = !fold && max_abs4(widest) < SLOW_INCREMENT;
    bool vector_path = (fold || max_abs4(widest) <= SAFE_INCREMENT) &&
                       max_abs4(p) <= SAFE_PHASE && !S::any(S::unord(widest, p));
    if (vector_path) {
      const q p0 = p;
      vec folded_widest = V::splat(0.0f);
      for (int i = 0; i < len; i += 8) {
        vec step[4];
        for (int j = 0; j < 4; ++j) {
          step[j] = inc[i / 2 + j];
          if (fold) {
            step[j] = fold_increments(step[j]);
            folded_widest = V::max(folded_widest, abs_of(step[j]));
          }
        }
        q x[8];
        for (int j = 0; j < 8; ++j) {
          x[j] = p;
          const q sum = S::add(p, j < 4 ? low(step[j]) : high(step[j - 4]));
          if (slow) {
            const bool wraps = S::any(S::or_(S::le(sum, low_limit), S::ge(sum, high_limit)));
            p = wraps ? wrap_both(sum) : sum;
          } else {
            p = S::any(S::le(sum, low_limit)) ? wrap_both(sum) : wrap_above(sum);
          }
        }
        vec y[4];
        for (int j = 0; j < 4; ++j) y[j] = parabolic_sine(join(x[j], x[j + 4]));
        store_pairs(start + i, y);
      }
      if (!fold) continue;
      const q fw = S::max(low(folded_widest), high(folded_widest));
      if (max_abs4(fw) <= SAFE_INCREMENT && !S::any(S::unord(fw, fw))) continue;
      p = p0;  // the chunk again, in scalar steps
    }
    if (fold)
      for (int j = 0; j < len / 2; ++j) inc[j] = fold_increments(inc[j]);
    for (int i = 0; i < len; i += 8) {
      float pk[4], ik[8];
      S::store(pk, p);
      q x[8];
      for (int j = 0; j < 8; ++j) {
        V::store(ik, inc[i / 2 + (j & 3)]);
        x[j] = S::load(pk);
        for (int k = 0; k < 4; ++k) pk[k] = advance_phase(pk[k], ik[k + 4 * (j >> 2)]);
      }
      p = S::load(pk);
      vec y[4];
      for (int j = 0; j < 4; ++j) y[j] = parabolic_sine(join(x[j], x[j + 4]));
      store_pairs(start + i, y);
    }
  }
  S::store(phase, p);
  for (int k = 0; k < count; ++k) jobs[k].o->phase = phase[k];
}

// Up to 2 W oscillators.
void run_oscillator_lanes(const sine_osc_job* jobs, int count, int n) {
  if constexpr (W == 8) {
    if (count <= W / 2) {
      run_oscillators_paired<V>(jobs, count, n);
      return;
    }
  }
  if (count > W)
    run_oscillators<2>(jobs, count, n);
  else
    run_oscillators<1>(jobs, count, n);
}

// The entry points of this build of every kernel.
void kernel_sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n) {
  run_oscillator_lanes(jobs, count, n);
}
void kernel_ramp_osc_process_lanes(const ramp_osc_job* jobs, int count, int n) {
  in_groups<ramp_osc_job, run_ramps>(jobs, count, n);
}
