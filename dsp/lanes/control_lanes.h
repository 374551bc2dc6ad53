#pragma once
// Control chains of independent instances side by side: a control signal
// smoothed and driving a section, per sample, bit for bit as the scalar
// processors in that order.

#include "dsp/lanes/filter_lanes.h"

// A smoothed control signal driving a DF2 section, per sample: `control`
// runs through `pre` (a DF2 section; null: none), then `smooth`; the smoothed
// value times `scale` is written back to `control`. A product job then feeds
// the smoothed value times block[i] to `post`; an offset job feeds the scaled
// value plus `offset`. `post` writes `block`.
struct control_chain_job {
  biquad_df2* pre;
  one_pole* smooth;
  float* control;
  float scale;
  float offset;
  bool product;
  biquad_df2* post;
  float* block;
};

// The control chains of the jobs in one pass (any number of jobs).
void control_chain_process_lanes(const control_chain_job* jobs, int count, int n);

// X(return type, name, parameters, arguments, lanes filled): see
// dsp/simd/lane_family.h.
#define OSTRELLE_CONTROL_LANES(X)                                                            \
  X(void, control_chain_process_lanes, (const control_chain_job* jobs, int count, int n),    \
    (jobs, count, n), count)
OSTRELLE_LANE_TABLE(control_lanes, OSTRELLE_CONTROL_LANES)
