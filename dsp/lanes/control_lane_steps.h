// The control chains' pass (dsp/lanes/control_lanes.h), written once for any
// vector policy V after dsp/lanes/lane_core.h and
// dsp/lanes/filter_lane_states.h, with a rider (see lane_core.h) for passes
// that carry more work along.

// Up to W control chains, one per lane; lanes without a pre-section or of the
// other kind select their value past the step they skip.
template <class Rider>
void run_control_chain_with(const control_chain_job* jobs, int count, int n, Rider& rider) {
  biquad_df2 idle[W] = {};
  biquad_df2_job pre[W] = {}, post[W] = {};
  one_pole_job smooth[W] = {};
  for (int k = 0; k < count; ++k) {
    pre[k] = {jobs[k].pre ? jobs[k].pre : &idle[k], jobs[k].control};
    smooth[k] = {jobs[k].smooth, jobs[k].control};
    post[k] = {jobs[k].post, jobs[k].block};
  }
  biquad_df2_lanes a, d;
  one_pole_lanes p;
  a.load(pre, count);
  p.load(smooth, count);
  d.load(post, count);
  lane_io control(smooth, count), block(post, count);
  const vec has_pre =
      lane_mask(jobs, count, [](const control_chain_job& j) { return j.pre != nullptr; });
  const vec product = lane_mask(jobs, count, [](const control_chain_job& j) { return j.product; });
  const vec scale = V::make([&](int k) { return k < count ? jobs[k].scale : 0.0f; });
  const vec offset = V::make([&](int k) { return k < count ? jobs[k].offset : 0.0f; });
  // The post sections run a round of W samples behind the rest of the
  // chain: each step holds independent recurrences rather than one long
  // chain through three filters.
  vec pending[W];  // the post sections' inputs of the round before
  for (int i = 0; i < n; i += W) {
    vec c[W], x[W];
    control.load(i, c);
    block.load(i, x);
    for (int j = 0; j < W; ++j) {
      rider.step(j);
      const vec y = i > 0 ? d.step(pending[j]) : x[j];
      const vec filtered = a.step(c[j]);
      const vec m = p.step(select(has_pre, filtered, c[j]));
      c[j] = mul(m, scale);
      const vec driven = add(c[j], offset), modulated = mul(m, x[j]);
      pending[j] = select(product, modulated, driven);
      x[j] = y;
    }
    rider.round(i);
    control.store(i, c);
    if (i > 0) block.store(i - W, x);
    rider.stored(i);
  }
  if (n > 0) {
    for (int j = 0; j < W; ++j) pending[j] = d.step(pending[j]);
    block.store(n - W, pending);
  }
  a.save(pre, count);
  p.save(smooth, count);
  d.save(post, count);
  rider.finish();
}

// Control chains alone.
void run_control_chain(const control_chain_job* jobs, int count, int n) {
  no_rider none;
  run_control_chain_with(jobs, count, n, none);
}
