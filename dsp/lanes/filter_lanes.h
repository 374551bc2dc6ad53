#pragma once
// The filters of independent instances run side by side: each job's block is
// filtered in place, bit for bit as the filter's scalar processor would.
// Up to FILTER_JOBS jobs per call.

#include "dsp/filters.h"
#include "dsp/lanes/lane_base.h"

struct resonator_job {
  resonator* r;
  float* block;
};
struct biquad_job {
  biquad* f;
  float* block;
};
struct band_filter_job {
  band_filter* f;
  float* block;
};
struct biquad_df2_job {
  biquad_df2* f;
  float* block;
};
struct one_pole_job {
  one_pole* p;
  float* block;
};

// A chain of one, two or four biquads run in series on one block (the
// output of each section feeds the next, sample by sample).
struct biquad_chain_job {
  biquad* f[4];
  int sections;  // 1, 2 or 4
  float* block;
};

// A resonator followed by a biquad on one block.
struct resonator_biquad_job {
  resonator* r;
  biquad* f;
  float* block;
};

// A DF2 section followed by a one-pole filter on one block.
struct biquad_df2_one_pole_job {
  biquad_df2* f;
  one_pole* p;
  float* block;
};

void resonator_process_lanes(const resonator_job* jobs, int count, int n);
void biquad_process_lanes(const biquad_job* jobs, int count, int n);
void band_filter_process_lanes(const band_filter_job* jobs, int count, int n);
void biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n);
void one_pole_process_lanes(const one_pole_job* jobs, int count, int n);
// Independent chains, each as its sections processed one after the other.
// Chains of the same length share groups of lanes; two groups run
// interleaved per pass, so short chains and long ones hide each other's
// latency.
void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n);
// The chains (each its DF2 section, then its one-pole) and the lone one-pole
// filters, side by side: in one pass of two lane groups where they fit.
void biquad_df2_one_pole_process_lanes(const biquad_df2_one_pole_job* chains, int chain_count,
                                       const one_pole_job* poles, int pole_count, int n);

// X(return type, name, parameters, arguments, lanes filled): see
// dsp/simd/lane_family.h.
#define OSTRELLE_FILTER_LANES(X)                                                             \
  X(void, resonator_process_lanes, (const resonator_job* jobs, int count, int n),            \
    (jobs, count, n), count)                                                                 \
  X(void, biquad_process_lanes, (const biquad_job* jobs, int count, int n), (jobs, count, n), \
    count)                                                                                   \
  X(void, band_filter_process_lanes, (const band_filter_job* jobs, int count, int n),        \
    (jobs, count, n), count)                                                                 \
  X(void, biquad_df2_process_lanes, (const biquad_df2_job* jobs, int count, int n),          \
    (jobs, count, n), count)                                                                 \
  X(void, one_pole_process_lanes, (const one_pole_job* jobs, int count, int n),              \
    (jobs, count, n), count)                                                                 \
  X(void, biquad_chain_process_lanes, (const biquad_chain_job* jobs, int count, int n),      \
    (jobs, count, n), narrow_lanes::chain_lanes(jobs, count))                                \
  X(void, biquad_df2_one_pole_process_lanes,                                                 \
    (const biquad_df2_one_pole_job* chains, int chain_count, const one_pole_job* poles,      \
     int pole_count, int n),                                                                 \
    (chains, chain_count, poles, pole_count, n),                                             \
    chain_count > pole_count ? chain_count : pole_count)
OSTRELLE_LANE_TABLE(filter_lanes, OSTRELLE_FILTER_LANES)
