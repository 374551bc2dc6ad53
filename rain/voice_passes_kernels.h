// The rain voices' lane passes (rain/voice_passes.h) at any width, written
// once for any vector policy V after the lane machinery they are built from
// (dsp/lanes/lane_core.h, filter_lane_states.h, control_lane_steps.h,
// envelope_lane_riders.h).

// Up to W jobs, one per lane: the section, the gate where the job has one
// (selected per lane, so ungated lanes carry the section's output unchanged),
// then the band filter, a round of W samples behind the section.
void run_section_band(const section_band_job* jobs, int count, int n) {
  if (n <= 0) return;  // the pass below runs at least one round
  biquad_job sections[W] = {};
  band_filter_job bands[W] = {};
  for (int k = 0; k < count; ++k) {
    sections[k] = {jobs[k].section, const_cast<float*>(jobs[k].in)};
    bands[k] = {jobs[k].band, jobs[k].block};
  }
  biquad_lanes s;
  band_filter_lanes b;
  s.load(sections, count);
  b.load(bands, count);
  // Lanes without a gate read a tone they never use: their own input.
  lane_io in(sections, count), out(bands, count), tone(sections, count);
  for (int k = 0; k < count; ++k)
    if (jobs[k].tone) tone.block[k] = const_cast<float*>(jobs[k].tone);
  const vec gain = V::make([&](int k) { return k < count && jobs[k].tone ? jobs[k].gain : 1.0f; });
  const vec gate =
      lane_mask(jobs, count, [](const section_band_job& j) { return j.tone != nullptr; });
  // Each step holds two independent recurrences (the band filter's sample a
  // round behind) rather than one long chain through three filters.
  auto gated = [&](int i, vec x[W]) {
    vec t[W];
    in.load(i, x);
    tone.load(i, t);
    for (int j = 0; j < W; ++j) {
      const vec y = s.step(x[j]);
      x[j] = select(gate, mul(t[j], mul(y, gain)), y);
    }
  };
  vec pending[W];
  gated(0, pending);
  for (int i = W; i < n; i += W) {
    vec x[W], t[W];
    in.load(i, x);
    tone.load(i, t);
#pragma GCC unroll 8
    for (int j = 0; j < W; ++j) {
      const vec y = b.step(pending[j]);
      const vec z = s.step(x[j]);
      pending[j] = select(gate, mul(t[j], mul(z, gain)), z);
      x[j] = y;
    }
    out.store(i - W, x);
  }
  for (int j = 0; j < W; ++j) pending[j] = b.step(pending[j]);
  out.store(n - W, pending);
  s.save(sections, count);
  b.save(bands, count);
}


// The tone sweeps riding along a control-chain pass: up to W ramps (job k in
// lane k) as ramp_osc_process, their short chain beside the filters' longer
// ones, each value x stored as ((x + 1) slope[k]) + base[k]. Idle lanes: a
// ramp at rest.
struct sweep_rider {
  const ramp_osc_job* ramps;
  int count;
  vec phase, increment, line_m, line_b;
  vec ramp_top = V::splat(1.0f), ramp_restart = V::splat(-1.0f);
  lane_io line_out;
  vec lines[W];
  sweep_rider(const ramp_osc_job* r, int m, const float* slope, const float* base)
      : ramps(r), count(m) {
    static const ramp_osc zero_ramp{};
    const ramp_osc* ramp[W];
    for (int k = 0; k < W; ++k) ramp[k] = k < m ? r[k].o : &zero_ramp;
    phase = V::make([&](int k) { return ramp[k]->phase; });
    increment = V::make([&](int k) { return ramp[k]->increment; });
    line_m = V::make([&](int k) { return k < m ? slope[k] : 0.0f; });
    line_b = V::make([&](int k) { return k < m ? base[k] : 0.0f; });
    line_out.init(r, m);
  }
  LANE_INLINE void step(int j) {
    lines[j] = add(mul(add(phase, ramp_top), line_m), line_b);
    phase = add(phase, increment);
    const vec restart = V::ge(phase, ramp_top);
    if (V::any(restart)) phase = select(restart, ramp_restart, phase);
  }
  LANE_INLINE void round(int) {}
  LANE_INLINE void stored(int i) { line_out.store(i, lines); }
  LANE_INLINE void finish() {
    float f[W];
    V::store(f, phase);
    for (int k = 0; k < count; ++k) ramps[k].o->phase = f[k];
  }
};

// The entry points of this build of every kernel.
void kernel_section_band_process_lanes(const section_band_job* jobs, int count, int n) {
  in_groups<section_band_job, run_section_band>(jobs, count, n);
}
void kernel_control_chain_sweep_process_lanes(const control_chain_job* jobs, int count,
                                              const ramp_osc_job* ramps, int ramp_count,
                                              const float* slope, const float* base, int n,
                                              const multiply_pair_job* multiplies) {
  sweep_rider sweeps(ramps, ramp_count, slope, base);
  const int first = count < W ? count : W;
  if (multiplies) {
    multiply_pair_rider<true> chains(multiplies);
    rider_pair<sweep_rider, multiply_pair_rider<true>> both{sweeps, chains};
    run_control_chain_with(jobs, first, n, both);
  } else {
    run_control_chain_with(jobs, first, n, sweeps);
  }
  in_groups<control_chain_job, run_control_chain>(jobs + first, count - first, n);
}
