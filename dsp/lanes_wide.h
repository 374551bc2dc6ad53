#pragma once
// The builds of the lane kernels beyond the baseline: eight lanes (`_avx`)
// and four (`_avx_4`) for AVX; eight lanes (`_avx512`) and four
// (`_avx512_4`) for AVX-512 (the same vectors with thirty-two registers). Each instruction set's builds are
// compiled in a unit of their own and called only where the processor has it
// (the baseline entry points decide). Block lengths: multiples of 8 for
// eight lanes, of 4 for four.

#include "dsp/lanes.h"

// Every lane kernel: X(return type, name, parameters, arguments).
#define OSTRELLE_LANE_KERNELS(X)                                                               \
  X(void, resonator_process_lanes, (const resonator_job* jobs, int count, int n),              \
    (jobs, count, n))                                                                          \
  X(void, biquad_process_lanes, (const biquad_job* jobs, int count, int n), (jobs, count, n))  \
  X(void, band_filter_process_lanes, (const band_filter_job* jobs, int count, int n),          \
    (jobs, count, n))                                                                          \
  X(void, biquad_df2_process_lanes, (const biquad_df2_job* jobs, int count, int n),            \
    (jobs, count, n))                                                                          \
  X(void, one_pole_process_lanes, (const one_pole_job* jobs, int count, int n),                \
    (jobs, count, n))                                                                          \
  X(void, biquad_chain_process_lanes, (const biquad_chain_job* jobs, int count, int n),        \
    (jobs, count, n))                                                                          \
  X(void, sine_osc_process_lanes, (const sine_osc_job* jobs, int count, int n),                \
    (jobs, count, n))                                                                          \
  X(void, ramp_osc_process_lanes, (const ramp_osc_job* jobs, int count, int n),                \
    (jobs, count, n))                                                                          \
  X(void, section_band_process_lanes, (const section_band_job* jobs, int count, int n),        \
    (jobs, count, n))                                                                          \
  X(void, control_chain_process_lanes, (const control_chain_job* jobs, int count, int n),      \
    (jobs, count, n))                                                                          \
  X(void, control_chain_sweep_process_lanes,                                                   \
    (const control_chain_job* jobs, int count, const ramp_osc_job* ramps, int ramp_count,      \
     const float* slope, const float* base, int n, const multiply_pair_job* multiplies),       \
    (jobs, count, ramps, ramp_count, slope, base, n, multiplies))                              \
  X(bool, resonator_pass_of_three,                                                             \
    (const resonator_biquad_job* chains, int chain_count, const resonator_job* resonators,     \
     int resonator_count, const biquad_chain_job* biquads, int biquad_count, int n,            \
     const multiply_set_job* multiplies),                                                      \
    (chains, chain_count, resonators, resonator_count, biquads, biquad_count, n, multiplies))  \
  X(void, biquad_df2_one_pole_process_lanes,                                                   \
    (const biquad_df2_one_pole_job* chains, int chain_count, const one_pole_job* poles,        \
     int pole_count, int n),                                                                   \
    (chains, chain_count, poles, pole_count, n))

// The lane-major passes, eight lanes only: X as above.
#define OSTRELLE_MAJOR_KERNELS(X)                                                              \
  X(void, control_chain_process_major,                                                         \
    (const control_chain_job* jobs, int n, float* control_out, float* block_out,               \
     const ramp_osc_job* ramps, const float* slope, const float* base, float* sweep_out,       \
     const multiply_pair_job* chains),                                                         \
    (jobs, n, control_out, block_out, ramps, slope, base, sweep_out, chains))                  \
  X(void, sine_osc_process_major,                                                              \
    (const sine_osc_job* jobs, int n, const float* low, const float* high, float* out,         \
     const biquad_job* side),                                                                  \
    (jobs, n, low, high, out, side))                                                           \
  X(void, section_band_process_major,                                                          \
    (const section_band_job* jobs, int n, const float* in, const float* control,               \
     const float* sines, float threshold, const float* gains),                                 \
    (jobs, n, in, control, sines, threshold, gains))

// Builds: `_avx` (eight lanes) and `_avx_4` (four lanes), both AVX;
// `_avx512` (eight lanes) and `_avx512_4` (four lanes), both AVX-512.
#if defined(OSTRELLE_WIDE_VECTORS)
#define OSTRELLE_DECLARE_WIDE(R, f, params, args) \
  R f##_avx params;                               \
  R f##_avx_4 params;                             \
  R f##_avx512 params;                            \
  R f##_avx512_4 params;
#else
// Never called: without the eight-lane units the dispatch always says no.
#define OSTRELLE_DECLARE_WIDE(R, f, params, args) \
  template <class... A>                           \
  inline R f##_avx(A...) { return R(); }          \
  template <class... A>                           \
  inline R f##_avx_4(A...) { return R(); }        \
  template <class... A>                           \
  inline R f##_avx512(A...) { return R(); }       \
  template <class... A>                           \
  inline R f##_avx512_4(A...) { return R(); }
#endif

OSTRELLE_LANE_KERNELS(OSTRELLE_DECLARE_WIDE)

#undef OSTRELLE_DECLARE_WIDE

// The lane-major passes: `_avx` and `_avx512` only.
#if defined(OSTRELLE_WIDE_VECTORS)
#define OSTRELLE_DECLARE_MAJOR(R, f, params, args) \
  R f##_avx params;                                \
  R f##_avx512 params;
#else
#define OSTRELLE_DECLARE_MAJOR(R, f, params, args) \
  template <class... A>                            \
  inline R f##_avx(A...) {}                        \
  template <class... A>                            \
  inline R f##_avx512(A...) {}
#endif

OSTRELLE_MAJOR_KERNELS(OSTRELLE_DECLARE_MAJOR)

#undef OSTRELLE_DECLARE_MAJOR
