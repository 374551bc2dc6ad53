#pragma once
// The eight-lane builds of the lane kernels: one for AVX (`_avx`), one for
// AVX-512 (`_avx512`, same vectors with thirty-two registers), each compiled
// in its own unit for its instruction set and called only where the
// processor has it (the four-lane kernels decide). Block lengths: multiples
// of 8.

#include "dsp/lanes.h"

// Every kernel with an eight-lane build: X(return type, name, parameters).
#define OSTRELLE_WIDE_LANE_KERNELS(X)                                                          \
  X(void, resonator_process_lanes, (const resonator_job* jobs, int count, int n))              \
  X(void, biquad_process_lanes, (const biquad_job* jobs, int count, int n))                    \
  X(void, band_filter_process_lanes, (const band_filter_job* jobs, int count, int n))          \
  X(void, biquad_df2_process_lanes, (const biquad_df2_job* jobs, int count, int n))            \
  X(void, one_pole_process_lanes, (const one_pole_job* jobs, int count, int n))                \
  X(void, biquad_chain_process_lanes, (const biquad_chain_job* jobs, int count, int n))        \
  X(void, sine_osc_process_lanes, (const sine_osc_job* jobs, int count, int n))                \
  X(void, ramp_osc_process_lanes, (const ramp_osc_job* jobs, int count, int n))                \
  X(void, section_band_process_lanes, (const section_band_job* jobs, int count, int n))        \
  X(void, control_chain_process_lanes, (const control_chain_job* jobs, int count, int n))      \
  X(bool, resonator_pass_of_three,                                                             \
    (const resonator_biquad_job* chains, int chain_count, const resonator_job* resonators,     \
     int resonator_count, const biquad_chain_job* biquads, int biquad_count, int n))           \
  X(void, biquad_df2_one_pole_process_lanes,                                                   \
    (const biquad_df2_one_pole_job* chains, int chain_count, const one_pole_job* poles,        \
     int pole_count, int n))

#if defined(OSTRELLE_WIDE_VECTORS)
#define OSTRELLE_DECLARE_WIDE(R, f, params) \
  R f##_avx params;                         \
  R f##_avx512 params;
#else
// Never called: without the eight-lane units the dispatch always says no.
#define OSTRELLE_DECLARE_WIDE(R, f, params)       \
  template <class... A>                           \
  inline R f##_avx(A...) { return R(); }          \
  template <class... A>                           \
  inline R f##_avx512(A...) { return R(); }
#endif

OSTRELLE_WIDE_LANE_KERNELS(OSTRELLE_DECLARE_WIDE)

#undef OSTRELLE_DECLARE_WIDE
