#pragma once
// The eight-lane (AVX) builds of the lane kernels, compiled in their
// own unit for that instruction set and called only where the processor has
// it (the four-lane kernels decide). Block lengths: multiples of 8.

#include "dsp/lanes.h"

#if defined(OSTRELLE_WIDE_VECTORS)
void resonator_process_lanes_wide(const resonator_job* jobs, int count, int n);
void biquad_process_lanes_wide(const biquad_job* jobs, int count, int n);
void band_filter_process_lanes_wide(const band_filter_job* jobs, int count, int n);
void biquad_df2_process_lanes_wide(const biquad_df2_job* jobs, int count, int n);
void one_pole_process_lanes_wide(const one_pole_job* jobs, int count, int n);
void biquad_chain_process_lanes_wide(const biquad_chain_job* jobs, int count, int n);
void sine_osc_process_lanes_wide(const sine_osc_job* jobs, int count, int n);
void ramp_osc_process_lanes_wide(const ramp_osc_job* jobs, int count, int n);
bool resonator_pass_of_three_wide(const resonator_biquad_job* chains, int chain_count,
                                  const resonator_job* resonators, int resonator_count,
                                  const biquad_chain_job* biquads, int biquad_count, int n);
void biquad_df2_one_pole_process_lanes_wide(const biquad_df2_one_pole_job* chains,
                                            int chain_count, const one_pole_job* poles,
                                            int pole_count, int n);
#else
// Never called: without the eight-lane unit the dispatch always says no.
inline void resonator_process_lanes_wide(const resonator_job*, int, int) {}
inline void biquad_process_lanes_wide(const biquad_job*, int, int) {}
inline void band_filter_process_lanes_wide(const band_filter_job*, int, int) {}
inline void biquad_df2_process_lanes_wide(const biquad_df2_job*, int, int) {}
inline void one_pole_process_lanes_wide(const one_pole_job*, int, int) {}
inline void biquad_chain_process_lanes_wide(const biquad_chain_job*, int, int) {}
inline void sine_osc_process_lanes_wide(const sine_osc_job*, int, int) {}
inline void ramp_osc_process_lanes_wide(const ramp_osc_job*, int, int) {}
inline bool resonator_pass_of_three_wide(const resonator_biquad_job*, int, const resonator_job*,
                                         int, const biquad_chain_job*, int, int) {
  return false;
}
inline void biquad_df2_one_pole_process_lanes_wide(const biquad_df2_one_pole_job*, int,
                                                   const one_pole_job*, int, int) {}
#endif
