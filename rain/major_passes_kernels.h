// The rain voices' lane-major passes (rain/voice_passes.h), eight lanes,
// written for an eight-lane vector policy V after the lane machinery they
// are built from (dsp/lanes/lane_core.h, filter_lane_states.h,
// oscillator_lane_steps.h): the same steps as the kernels at any width,
// with a fixed job per lane and lane-major blocks in and out (x[j] = one
// load, no transpose).

static_assert(W == MAJOR_LANES);

LANE_INLINE vec major_load(const float* p, int i) { return V::load(p + i * W); }
LANE_INLINE void major_store(float* p, int i, vec x) { V::store(p + i * W, x); }

template <bool MULTIPLIES>
void run_control_chain_major(const control_chain_job* jobs, int n, float* control_out,
                             float* block_out, const ramp_osc_job* ramps, const float* slope,
                             const float* base, float* sweep_out,
                             const multiply_pair_job* chains) {
  // The multiply chains: one multiply a sample, far off this pass's own
  // latency (alone, their 64 dependent multiplies would hold up the passes).
  typename V::pair env = MULTIPLIES ? V::pair_load(chains->env) : V::pair_zero();
  const typename V::pair env_mul = MULTIPLIES ? V::pair_load(chains->mul) : V::pair_zero();
  // The sweeps: four ramps in the four lanes of the narrow vectors, each
  // value stored through its lane's line.
  using S = typename V::narrow;
  using q = typename S::v;
  static const ramp_osc zero_ramp{};
  const ramp_osc* ramp[4];
  for (int k = 0; k < 4; ++k) ramp[k] = ramps[k].o ? ramps[k].o : &zero_ramp;
  q phase = S::make([&](int k) { return ramp[k]->phase; });
  const q increment = S::make([&](int k) { return ramp[k]->increment; });
  const q ramp_top = S::splat(1.0f), ramp_restart = S::splat(-1.0f);
  const q line_m = S::load(slope), line_b = S::load(base);

  biquad_df2 idle_pre[W] = {}, idle_post[W] = {};
  one_pole idle_smooth[W] = {};
  biquad_df2_job pre[W], post[W];
  one_pole_job smooth[W];
  lane_io control, block;
  for (int k = 0; k < W; ++k) {
    const control_chain_job& j = jobs[k];
    const bool on = j.smooth != nullptr;
    pre[k] = {on && j.pre ? j.pre : &idle_pre[k], nullptr};
    smooth[k] = {on ? j.smooth : &idle_smooth[k], nullptr};
    post[k] = {on ? j.post : &idle_post[k], nullptr};
    control.block[k] = on ? j.control : j.block;
    block.block[k] = j.block;
  }
  biquad_df2_lanes a, d;
  one_pole_lanes p;
  a.load(pre, W);
  p.load(smooth, W);
  d.load(post, W);
  const vec has_pre = lane_mask(jobs, W, [](const control_chain_job& j) { return j.smooth && j.pre; });
  const vec product = lane_mask(jobs, W, [](const control_chain_job& j) { return j.smooth && j.product; });
  const vec pass = lane_mask(jobs, W, [](const control_chain_job& j) { return !j.smooth; });
  const vec scale = V::make([&](int k) { return jobs[k].scale; });
  const vec offset = V::make([&](int k) { return jobs[k].offset; });
  for (int i = 0; i < n; i += W) {
    vec c[W], x[W];
    control.load(i, c);
    block.load(i, x);
#pragma GCC unroll 8
    for (int j = 0; j < W; ++j) {
      // The sweep ramps' short chain beside the filters' longer ones.
      S::store(sweep_out + 4 * (i + j), S::add(S::mul(S::add(phase, ramp_top), line_m), line_b));
      phase = S::add(phase, increment);
      const q restart = S::ge(phase, ramp_top);
      if (S::any(restart))
        phase = S::or_(S::and_(restart, ramp_restart), S::andnot(restart, phase));
      if constexpr (MULTIPLIES) env = V::pair_mul(env, env_mul);
      const vec filtered = a.step(c[j]);
      const vec m = p.step(select(has_pre, filtered, c[j]));
      const vec scaled = mul(m, scale);
      const vec driven = add(scaled, offset), modulated = mul(m, x[j]);
      const vec y = d.step(select(product, modulated, driven));
      major_store(control_out, i + j, scaled);
      major_store(block_out, i + j, select(pass, x[j], y));
    }
    if constexpr (MULTIPLIES) V::pair_store(chains->round + 2 * (i / W), env);
  }
  a.save(pre, W);
  p.save(smooth, W);
  d.save(post, W);
  float f[4];
  S::store(f, phase);
  for (int k = 0; k < 4; ++k)
    if (ramps[k].o) ramps[k].o->phase = f[k];
  if constexpr (MULTIPLIES) V::pair_store(chains->env, env);
}

// Frequencies from a four-wide buffer (lanes 0-3) and the upper half of an
// eight-wide one (lanes 4-7); sines out eight wide.
struct major_oscillator_io {
  const float* low = nullptr;
  const float* high = nullptr;
  float* out = nullptr;
  LANE_INLINE void load(int i, vec x[W]) {
    for (int j = 0; j < W; ++j)
      x[j] = V::replace_low(V::load(high + (i + j) * W), V::narrow::load(low + (i + j) * 4));
  }
  LANE_INLINE void store(int i, vec x[W]) {
    for (int j = 0; j < W; ++j) major_store(out, i + j, x[j]);
  }
};

void run_oscillators_major(const sine_osc_job* jobs, int n, const float* low, const float* high,
                           float* out, const biquad_job* side) {
  sine_osc idle[W] = {};
  sine_osc_job lanes[W];
  for (int k = 0; k < W; ++k) lanes[k] = {jobs[k].o ? jobs[k].o : &idle[k], nullptr};
  const major_oscillator_io io{low, high, out};
  if (side)
    run_oscillators<1, major_oscillator_io, true>(lanes, W, n, &io, side);
  else
    run_oscillators<1>(lanes, W, n, &io);
}

// The section, the gate and the band filter as run_section_band, the gated
// lanes' input being the drop pulse of their control and sine values, their
// tone the sines of the lane four away.
void run_section_band_major(const section_band_job* jobs, int n, const float* in,
                            const float* control, const float* sines, float threshold,
                            const float* gains) {
  biquad idle_section[W] = {};
  band_filter idle_band[W] = {};
  biquad_job sections[W];
  band_filter_job bands[W];
  for (int k = 0; k < W; ++k) {
    const bool on = jobs[k].section != nullptr;
    sections[k] = {on ? jobs[k].section : &idle_section[k], nullptr};
    bands[k] = {on ? jobs[k].band : &idle_band[k], jobs[k].block};
  }
  biquad_lanes s;
  band_filter_lanes b;
  s.load(sections, W);
  b.load(bands, W);
  lane_io out(bands, W);
  const vec gain = V::make([&](int k) { return jobs[k].section && jobs[k].tone ? jobs[k].gain : 1.0f; });
  const vec gate =
      lane_mask(jobs, W, [](const section_band_job& j) { return j.section && j.tone; });
  const vec above = V::splat(threshold), below = V::splat(-threshold);
  // The section and the gate of a sample, as the band filter takes it.
  auto gated = [&](int i) {
    const vec c = major_load(control, i), sine = major_load(sines, i);
    const vec pulse = add(V::max(mul(sine, mul(c, c)), above), below);
    const vec y = s.step(select(gate, pulse, major_load(in, i)));
    return select(gate, mul(V::swap_halves(sine), mul(y, gain)), y);
  };
  // The band filter runs a round of W samples behind the section, so that
  // each step holds two independent recurrences rather than one long chain
  // through three filters (which the processor could not overlap enough).
  // The outputs scaled by the lanes' gains where given, as they are stored.
  const bool scaled = gains != nullptr;
  const vec gain_out = scaled ? V::load(gains) : V::splat(1.0f);
  auto store = [&](int i, vec x[W]) {
    if (scaled)
      for (int j = 0; j < W; ++j) x[j] = mul(x[j], gain_out);
    out.store(i, x);
  };
  vec pending[W];
  for (int j = 0; j < W; ++j) pending[j] = gated(j);
  for (int i = W; i < n; i += W) {
    vec x[W];
#pragma GCC unroll 8
    for (int j = 0; j < W; ++j) {
      x[j] = b.step(pending[j]);
      pending[j] = gated(i + j);
    }
    store(i - W, x);
  }
  for (int j = 0; j < W; ++j) pending[j] = b.step(pending[j]);
  store(n - W, pending);
  s.save(sections, W);
  b.save(bands, W);
}

void kernel_control_chain_process_major(const control_chain_job* jobs, int n, float* control_out,
                                        float* block_out, const ramp_osc_job* ramps,
                                        const float* slope, const float* base, float* sweep_out,
                                        const multiply_pair_job* chains) {
  if (chains)
    run_control_chain_major<true>(jobs, n, control_out, block_out, ramps, slope, base, sweep_out,
                                  chains);
  else
    run_control_chain_major<false>(jobs, n, control_out, block_out, ramps, slope, base, sweep_out,
                                   chains);
}
void kernel_sine_osc_process_major(const sine_osc_job* jobs, int n, const float* low,
                                   const float* high, float* out, const biquad_job* side) {
  run_oscillators_major(jobs, n, low, high, out, side);
}
void kernel_section_band_process_major(const section_band_job* jobs, int n, const float* in,
                                       const float* control, const float* sines, float threshold,
                                       const float* gains) {
  run_section_band_major(jobs, n, in, control, sines, threshold, gains);
}
