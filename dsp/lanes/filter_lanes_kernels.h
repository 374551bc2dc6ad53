// The filter lane kernels (dsp/lanes/filter_lanes.h), written once for any
// vector policy V after dsp/lanes/lane_core.h and
// dsp/lanes/filter_lane_states.h.

template <int KA>
void run_chain_pair(const biquad_chain_job* a, int count_a, const biquad_chain_job* b,
                    int count_b, int kb, int n) {
  if (kb == 1)
    run_two<biquad_chain_lanes<KA>, biquad_chain_lanes<1>>(a, count_a, b, count_b, n);
  else if (kb == 2)
    run_two<biquad_chain_lanes<KA>, biquad_chain_lanes<2>>(a, count_a, b, count_b, n);
  else
    run_two<biquad_chain_lanes<KA>, biquad_chain_lanes<4>>(a, count_a, b, count_b, n);
}

// DF2-then-one-pole chains and lone one-poles: one pass of two groups where
// each side fits a group, else each side on its own.
void run_df2_one_pole(const biquad_df2_one_pole_job* chains, int chain_count,
                      const one_pole_job* poles, int pole_count, int n) {
  if (chain_count >= 1 && chain_count <= W && pole_count >= 1 && pole_count <= W) {
    run_two<df2_one_pole_lanes, one_pole_lanes>(chains, chain_count, poles, pole_count, n);
    return;
  }
  for (int i = 0; i < chain_count; i += W)
    run_groups<df2_one_pole_lanes, biquad_df2_one_pole_job, 1>(
        chains + i, chain_count - i < W ? chain_count - i : W, n);
  run_lanes<one_pole_lanes>(poles, pole_count, n);
}

// The passes run_chains takes for these jobs with groups of `width` lanes.
inline int chain_passes(const biquad_chain_job* jobs, int count, int width) {
  static constexpr int LENGTHS[3] = {1, 2, 4};
  int groups = 0;
  for (const int k : LENGTHS) {
    int c = 0;
    for (int j = 0; j < count; ++j) c += jobs[j].sections == k;
    groups += (c + width - 1) / width;
  }
  return (groups + 1) / 2;
}

// Sorts the chains by length (stable), cuts them into groups of W of one
// length, and runs the groups two per pass.
void run_chains(const biquad_chain_job* jobs, int count, int n) {
  static constexpr int LENGTHS[3] = {1, 2, 4};
  biquad_chain_job sorted[16];
  int m = 0;
  for (const int k : LENGTHS)
    for (int j = 0; j < count; ++j)
      if (jobs[j].sections == k) sorted[m++] = jobs[j];
  struct group {
    const biquad_chain_job* jobs;
    int count, sections;
  } groups[16];
  int g = 0;
  for (int j = 0; j < m;) {
    int c = 1;
    while (c < W && j + c < m && sorted[j + c].sections == sorted[j].sections) ++c;
    groups[g++] = {sorted + j, c, sorted[j].sections};
    j += c;
  }
  for (int i = 0; i < g; i += 2) {
    const group& a = groups[i];
    if (i + 1 == g) {
      if (a.sections == 1)
        run_groups<biquad_chain_lanes<1>, biquad_chain_job, 1>(a.jobs, a.count, n);
      else if (a.sections == 2)
        run_groups<biquad_chain_lanes<2>, biquad_chain_job, 1>(a.jobs, a.count, n);
      else
        run_groups<biquad_chain_lanes<4>, biquad_chain_job, 1>(a.jobs, a.count, n);
      break;
    }
    const group& b = groups[i + 1];
    if (a.sections == 1)
      run_chain_pair<1>(a.jobs, a.count, b.jobs, b.count, b.sections, n);
    else if (a.sections == 2)
      run_chain_pair<2>(a.jobs, a.count, b.jobs, b.count, b.sections, n);
    else
      run_chain_pair<4>(a.jobs, a.count, b.jobs, b.count, b.sections, n);
  }
}

// The lanes a chain pass fills: eight where they save a pass (chains of one
// length fill a group), else four.
inline int chain_lanes(const biquad_chain_job* jobs, int count) {
  return chain_passes(jobs, count, 8) < chain_passes(jobs, count, 4) ? LANES + 1 : LANES;
}

// The entry points of this build of every kernel.
void kernel_resonator_process_lanes(const resonator_job* jobs, int count, int n) {
  run_lanes<resonator_lanes>(jobs, count, n);
}
void kernel_biquad_process_lanes(const biquad_job* jobs, int count, int n) {
  run_lanes<biquad_lanes>(jobs, count, n);
}
void kernel_band_filter_process_lanes(const band_filter_job* jobs, int count, int n) {
  run_lanes<band_filter_lanes>(jobs, count, n);
}
void kernel_biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n) {
  run_lanes<biquad_df2_lanes>(jobs, count, n);
}
void kernel_one_pole_process_lanes(const one_pole_job* jobs, int count, int n) {
  run_lanes<one_pole_lanes>(jobs, count, n);
}
void kernel_biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  run_chains(jobs, count, n);
}
void kernel_biquad_df2_one_pole_process_lanes(const biquad_df2_one_pole_job* chains,
                                              int chain_count, const one_pole_job* poles,
                                              int pole_count, int n) {
  run_df2_one_pole(chains, chain_count, poles, pole_count, n);
}

