// The wind's pass of three (wind/pass_of_three.h), written once for any
// vector policy V after the lane machinery it is built from
// (dsp/lanes/lane_core.h, filter_lane_states.h, envelope_lane_riders.h).

template <int K>
void run_three_with(const resonator_biquad_job* chains, int chain_count,
                    const resonator_job* resonators, int resonator_count,
                    const biquad_chain_job* biquads, int biquad_count, int n) {
  run_three<resonator_biquad_lanes, resonator_lanes, biquad_chain_lanes<K>>(
      chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
}

// The pass of three in one set of vectors (eight lanes). The chains (lanes
// 0-3) and the lone resonators (lanes 4-7) share the resonator step. One
// biquad step serves the chains' biquads (lanes 0-3, fed by their
// resonators), the biquad chains' first sections (lanes 4-5, fed from their
// own blocks) and their second sections (lanes 6-7), which run a round of W
// samples behind, on the first sections' outputs of the round before: in the
// first round their state is put back afterwards, after the last they take
// a round of their own. One transpose in and one out serve the chains and
// the resonators; the biquad chains' samples go in by broadcast and come out
// through a small buffer. Lanes without a record run zeros. With
// multiplies, their chains ride along.
template <bool SECTIONS, bool MULTIPLIES = false>
void run_pass_of_three_one_group(const resonator_biquad_job* chains, int chain_count,
                                 const resonator_job* resonators, int resonator_count,
                                 const biquad_chain_job* biquads, int biquad_count, int n,
                                 const multiply_set_job* multiplies = nullptr) {
  multiply_set_rider<MULTIPLIES> rider(multiplies);
  constexpr int FIRST = W / 2, SECOND = W / 2 + 2;
  constexpr int UPPER_HALF = ((1 << W) - 1) & ~((1 << FIRST) - 1);
  constexpr int SECOND_LANES = 3 << SECOND;
  // Lanes left out read the zero record, then write a spare one (which
  // nothing reads).
  resonator* const no_shape = const_cast<resonator*>(&ZERO_RECORD<resonator>);
  biquad* const no_filter = const_cast<biquad*>(&ZERO_RECORD<biquad>);
  resonator shape_spare;
  biquad filter_spare;
  resonator_job shape_jobs[W];
  biquad_job filter_jobs[W], second_jobs[W];
  for (int k = 0; k < W; ++k) {
    shape_jobs[k] = {no_shape, nullptr};
    filter_jobs[k] = second_jobs[k] = {no_filter, nullptr};
  }
  lane_io io;
  for (int k = 0; k < W; ++k) io.block[k] = chains[0].block;
  for (int k = 0; k < chain_count; ++k) {
    shape_jobs[k] = {chains[k].r, chains[k].block};
    filter_jobs[k] = {chains[k].f, chains[k].block};
    io.block[k] = chains[k].block;
  }
  for (int k = 0; k < resonator_count; ++k) {
    shape_jobs[FIRST + k] = resonators[k];
    io.block[FIRST + k] = resonators[k].block;
  }
  for (int c = 0; c < biquad_count; ++c) {
    filter_jobs[FIRST + c] = {biquads[c].f[0], biquads[c].block};
    filter_jobs[SECOND + c] = second_jobs[SECOND + c] = {biquads[c].f[1], biquads[c].block};
  }
  resonator_lanes shape;
  biquad_lanes filter;
  shape.load(shape_jobs, W);
  filter.load(filter_jobs, W);
  const biquad_lanes second = filter;  // the second sections' state before the first round
  for (int k = 0; k < W; ++k) {
    if (shape_jobs[k].r == no_shape) shape_jobs[k].r = &shape_spare;
    if (filter_jobs[k].f == no_filter || k >= SECOND) filter_jobs[k].f = &filter_spare;
    if (second_jobs[k].f == no_filter) second_jobs[k].f = &filter_spare;
  }
  // With one biquad chain, lane 5 reads its block too (and is not kept).
  const float* in_a = SECTIONS ? biquads[0].block : nullptr;
  const float* in_b = SECTIONS ? biquads[biquad_count - 1].block : nullptr;
  // The biquad step's outputs of the last round, a row per sample; the
  // first sections' outputs move up into the second sections' lanes.
  alignas(32) float last[W * W] = {};
  auto second_input = [&last](int j) { return V::pairs_up(V::load(last + W * j)); };
  auto put_second_outputs = [&](int start) {
    for (int c = 0; c < biquad_count; ++c)
      for (int j = 0; j < W; ++j) biquads[c].block[start + j] = last[W * j + SECOND + c];
  };
  for (int i = 0; i < n; i += W) {
    vec x[W];
    io.load(i, x);
    for (int j = 0; j < W; ++j) {
      const vec shaped = shape.step(x[j]);
      vec in = shaped;
      if (SECTIONS) {
        in = V::template blend<1 << FIRST>(in, V::splat(in_a[i + j]));
        in = V::template blend<2 << FIRST>(in, V::splat(in_b[i + j]));
        in = V::template blend<SECOND_LANES>(in, second_input(j));
      }
      const vec filtered = filter.step(in);
      if (SECTIONS) V::store(last + W * j, filtered);
      x[j] = V::template blend<UPPER_HALF>(filtered, shaped);
      rider.step(j);
    }
    rider.round(i);
    io.store(i, x);
    if (!SECTIONS) continue;
    if (i > 0) {
      put_second_outputs(i - W);
    } else {  // the second sections had nothing to do yet
      filter.x1 = V::template blend<SECOND_LANES>(filter.x1, second.x1);
      filter.x2 = V::template blend<SECOND_LANES>(filter.x2, second.x2);
      filter.y1 = V::template blend<SECOND_LANES>(filter.y1, second.y1);
      filter.y2 = V::template blend<SECOND_LANES>(filter.y2, second.y2);
    }
  }
  shape.save(shape_jobs, W);
  filter.save(filter_jobs, W);
  rider.finish();
  if (!SECTIONS || n <= 0) return;
  for (int j = 0; j < W; ++j) V::store(last + W * j, filter.step(second_input(j)));
  put_second_outputs(n - W);
  filter.save(second_jobs, W);
}

bool run_resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                                 const resonator_job* resonators, int resonator_count,
                                 const biquad_chain_job* biquads, int biquad_count, int n,
                                 const multiply_set_job* multiplies) {
  if (W == 8 && pass_of_three_fits_eight(chain_count, resonator_count, biquads, biquad_count)) {
    if (multiplies && n % 8 == 0) {
      if (biquad_count > 0)
        run_pass_of_three_one_group<true, true>(chains, chain_count, resonators, resonator_count,
                                                biquads, biquad_count, n, multiplies);
      else
        run_pass_of_three_one_group<false, true>(chains, chain_count, resonators,
                                                 resonator_count, biquads, biquad_count, n,
                                                 multiplies);
      return true;
    }
    if (biquad_count > 0)
      run_pass_of_three_one_group<true>(chains, chain_count, resonators, resonator_count, biquads,
                                        biquad_count, n);
    else
      run_pass_of_three_one_group<false>(chains, chain_count, resonators, resonator_count,
                                         biquads, biquad_count, n);
    if (multiplies) multiply_set_process(multiplies, n);
    return true;
  }
  if (chain_count > W || resonator_count > W || biquad_count > W) return false;
  const int k = biquad_count > 0 ? biquads[0].sections : 1;
  for (int j = 1; j < biquad_count; ++j)
    if (biquads[j].sections != k) return false;
  if (k == 1)
    run_three_with<1>(chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
  else if (k == 2)
    run_three_with<2>(chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
  else if (k == 4)
    run_three_with<4>(chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
  else
    return false;
  if (multiplies) multiply_set_process(multiplies, n);
  return true;
}

// The entry point of this build.
bool kernel_resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                                    const resonator_job* resonators, int resonator_count,
                                    const biquad_chain_job* biquads, int biquad_count, int n,
                                    const multiply_set_job* multiplies) {
  return run_resonator_pass_of_three(chains, chain_count, resonators, resonator_count, biquads,
                                     biquad_count, n, multiplies);
}
