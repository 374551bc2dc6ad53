#pragma once
// The rain voices' lane passes: their filter chains fused into passes that
// run the voices side by side, each job bit for bit as its scalar processors
// in order. At any width, the section, drop gate and band filter of each
// voice, and the control chains with the drops' tone sweeps riding along;
// with eight lanes, the same chains handing their blocks on lane-major
// (a fixed voice per lane), with the drops' oscillators between them.

#include "dsp/lanes.h"

// A biquad section, then for a gated job (a drop layer) a gain and a tone,
// then a band filter, per sample: the section reads `in`; a gated job
// multiplies the section's output by `gain` and takes tone[i] times that;
// the band filter reads the result and writes `block` (which may be `in`).
// An ungated job (`tone` null) passes the section's output straight on.
struct section_band_job {
  biquad* section;
  band_filter* band;
  const float* in;
  const float* tone;
  float gain;
  float* block;
};

// The section, gate and band filter of each job in one pass (any number of
// jobs); the section's and the gate's outputs are not stored.
void section_band_process_lanes(const section_band_job* jobs, int count, int n);
// As control_chain_process_lanes, and beside the chains of the first pass up
// to LANES sweeps: ramps as ramp_osc_process, each value x written to the
// ramp job's block as ((x + 1) slope[k]) + base[k] (the line of
// block_exp_of_line(1, slope[k], base[k]); the exponential is the caller's).
// And, where `multiplies` is not null, its two multiply chains.
void control_chain_sweep_process_lanes(const control_chain_job* jobs, int count,
                                       const ramp_osc_job* ramps, int ramp_count,
                                       const float* slope, const float* base, int n,
                                       const multiply_pair_job* multiplies);

// X(return type, name, parameters, arguments, lanes filled): see
// dsp/simd/lane_family.h.
#define OSTRELLE_VOICE_LANES(X)                                                                \
  X(void, section_band_process_lanes, (const section_band_job* jobs, int count, int n),        \
    (jobs, count, n), count)                                                                   \
  X(void, control_chain_sweep_process_lanes,                                                   \
    (const control_chain_job* jobs, int count, const ramp_osc_job* ramps, int ramp_count,      \
     const float* slope, const float* base, int n, const multiply_pair_job* multiplies),       \
    (jobs, count, ramps, ramp_count, slope, base, n, multiplies), count)
OSTRELLE_LANE_TABLE(voice_lanes, OSTRELLE_VOICE_LANES)

// --- Lane-major passes (eight lanes; ask lane_major_available first) -------
// Each pass takes exactly MAJOR_LANES jobs, lane k running job k; a job
// without a record runs an idle lane (zero state; its values are never used).

// Control chains as control_chain_process_lanes, lane k the chain of job k,
// but the scaled control values go to control_out and the post sections'
// outputs to block_out (both lane-major); the job's control and block are
// only read. A job with a block but no smooth record passes its block
// through to block_out (its lane's control value is not kept). Every job
// names a block (an idle lane may name any one). Beside the chains, in the
// same pass, four sweeps: ramps (job k in lane k, null record: idle) as
// ramp_osc_process, each value x written as ((x + 1) slope[k]) + base[k]
// (the line of block_exp_of_line(1, slope[k], base[k]); the exponential is
// the caller's), lane-major four lanes wide: sweep_out[4 i + k]. And, where
// `chains` is not null, its two multiply chains.
void control_chain_process_major(const control_chain_job* jobs, int n, float* control_out,
                                 float* block_out, const ramp_osc_job* ramps, const float* slope,
                                 const float* base, float* sweep_out,
                                 const multiply_pair_job* chains);
// Eight oscillators as sine_osc_process_lanes (job k in lane k, null record:
// idle). Lanes 0-3 read their frequencies from low (lane-major, four lanes
// wide: low[4 i + k]), lanes 4-7 from the upper half of high (lane-major,
// eight wide); the sines go to out (lane-major, eight wide). The jobs'
// blocks are not used. Beside them, where `side` is not null, its section as
// biquad_process on its block (n even).
void sine_osc_process_major(const sine_osc_job* jobs, int n, const float* low, const float* high,
                            float* out, const biquad_job* side);
// Eight section-band jobs (job k in lane k, null section: idle), whose
// inputs are lane-major: a gated job (tone not null) takes as input the
// drop pulse max(sines[i] * (control[i] * control[i]), threshold) - threshold
// of its lane and as tone the sines of the lane four away (lanes 0-3 and 4-7
// swapped); an ungated job takes in[i] of its lane. The jobs' in and tone
// pointers are not used; each writes its block (an idle lane may name any
// block that no other lane writes), times gains[k] where gains is not null.
void section_band_process_major(const section_band_job* jobs, int n, const float* in,
                                const float* control, const float* sines, float threshold,
                                const float* gains);

#define OSTRELLE_MAJOR_LANES(X)                                                                \
  X(void, control_chain_process_major,                                                         \
    (const control_chain_job* jobs, int n, float* control_out, float* block_out,               \
     const ramp_osc_job* ramps, const float* slope, const float* base, float* sweep_out,       \
     const multiply_pair_job* chains),                                                         \
    (jobs, n, control_out, block_out, ramps, slope, base, sweep_out, chains), MAJOR_LANES)     \
  X(void, sine_osc_process_major,                                                              \
    (const sine_osc_job* jobs, int n, const float* low, const float* high, float* out,         \
     const biquad_job* side),                                                                  \
    (jobs, n, low, high, out, side), MAJOR_LANES)                                              \
  X(void, section_band_process_major,                                                          \
    (const section_band_job* jobs, int n, const float* in, const float* control,               \
     const float* sines, float threshold, const float* gains),                                 \
    (jobs, n, in, control, sines, threshold, gains), MAJOR_LANES)
OSTRELLE_LANE_TABLE(major_lanes, OSTRELLE_MAJOR_LANES)
