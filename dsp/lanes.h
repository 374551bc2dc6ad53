#pragma once
// Filters of independent instances run side by side, one instance per vector
// lane. Each lane does exactly the arithmetic of the scalar processor on its
// own record (same operations, same order), so a lane's output is bit for bit
// the scalar output; four instances cost about one. A job's block is filtered
// in place; block lengths are multiples of 4. The filter kernels take up to
// FILTER_JOBS jobs (two groups of lanes interleaved per pass), the oscillator
// kernel up to OSCILLATOR_JOBS.

// For the lane kernels, which units include inside a namespace of their own.
#include <cstddef>
#include <type_traits>

#include "dsp/filters.h"
#include "dsp/oscillators.h"

inline constexpr int LANES = 4;
inline constexpr int FILTER_JOBS = 16;
inline constexpr int OSCILLATOR_JOBS = 8;

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

// A biquad section, then for a gated job a gain and a tone, then a band
// filter, per sample: the section reads `in`; a gated job multiplies the
// section's output by `gain` and takes tone[i] times that; the band filter
// reads the result and writes `block` (which may be `in`). An ungated job
// (`tone` null) passes the section's output straight on.
struct section_band_job {
  biquad* section;
  band_filter* band;
  const float* in;
  const float* tone;
  float gain;
  float* block;
};

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

struct ramp_osc_job {
  ramp_osc* o;
  float* block;  // ramp values out
};

// Two multiply chains in double precision (a pair of envelopes' multipliers)
// riding along a pass: at each sample env[k] *= mul[k]; after samples 8 r to
// 8 r + 7, round[2 r + k] = env[k]; env holds the last values after the
// pass (n: multiple of 8). All three arrays are 16-byte aligned.
struct multiply_pair_job {
  double* env;
  const double* mul;
  double* round;
};

// The same for eight chains (resting ones: zero times one): after samples
// 8 r to 8 r + 7, round[8 r + k] = env[k]. All three arrays are 32-byte
// aligned.
struct multiply_set_job {
  double* env;
  const double* mul;
  double* round;
};
// The multiplies of a set on their own (n: multiple of 8).
void multiply_set_process(const multiply_set_job* m, int n);

struct sine_osc_job {
  sine_osc* o;
  float* block;  // frequencies in, sine values out
};

void resonator_process_lanes(const resonator_job* jobs, int count, int n);
void biquad_process_lanes(const biquad_job* jobs, int count, int n);
void band_filter_process_lanes(const band_filter_job* jobs, int count, int n);
void biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n);
void one_pole_process_lanes(const one_pole_job* jobs, int count, int n);
// Independent chains, each as its sections processed one after the other.
// Chains of the same length share groups of four lanes; two groups run
// interleaved per pass, so short chains and long ones hide each other's
// latency.
void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n);
// The chains (each its DF2 section, then its one-pole) and the lone one-pole
// filters, side by side: in one pass of two lane groups where they fit.
void biquad_df2_one_pole_process_lanes(const biquad_df2_one_pole_job* chains, int chain_count,
                                       const one_pole_job* poles, int pole_count, int n);
// Resonator-then-biquad chains, lone resonators and biquad chains of one
// length, in one pass of three lane groups when each kind fits a group (then
// returns true; a kind may be absent), with the multiplies of `multiplies`
// (where not null) beside them. Otherwise runs nothing and returns false.
bool resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                             const resonator_job* resonators, int resonator_count,
                             const biquad_chain_job* biquads, int biquad_count, int n,
                             const multiply_set_job* multiplies);
// Whether a pass of three fits one set of eight-lane vectors: one to four
// chains, up to four lone resonators and up to two biquad chains of two
// sections (the wind's mono and stereo layouts).
inline bool pass_of_three_fits_eight(int chain_count, int resonator_count,
                                     const biquad_chain_job* biquads, int biquad_count) {
  if (chain_count < 1 || chain_count > 4 || resonator_count > 4 || biquad_count > 2) return false;
  for (int k = 0; k < biquad_count; ++k)
    if (biquads[k].sections != 2) return false;
  return true;
}
// The section, gate and band filter of each job in one pass (any number of
// jobs); the section's and the gate's outputs are not stored.
void section_band_process_lanes(const section_band_job* jobs, int count, int n);
// The control chains of the jobs in one pass (any number of jobs).
void control_chain_process_lanes(const control_chain_job* jobs, int count, int n);
// As control_chain_process_lanes, and beside the chains of the first pass up
// to LANES sweeps: ramps as ramp_osc_process, each value x written to the
// ramp job's block as ((x + 1) slope[k]) + base[k] (the line of
// block_exp_of_line(1, slope[k], base[k]); the exponential is the caller's).
// And, where `multiplies` is not null, its two multiply chains.
void control_chain_sweep_process_lanes(const control_chain_job* jobs, int count,
                                       const ramp_osc_job* ramps, int ramp_count,
                                       const float* slope, const float* base, int n,
                                       const multiply_pair_job* multiplies);
// As ramp_osc_process for each job (any number of jobs).
void ramp_osc_process_lanes(const ramp_osc_job* jobs, int count, int n);
// In place, as sine_osc_process: the phase of each oscillator is normalised
// once per call, then advanced sample by sample.
void sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n);

// --- Lane-major passes (eight lanes) ---------------------------------------
// A chain of passes can hand its blocks on in lane-major buffers (sample i
// of lane k at [i * MAJOR_LANES + k]) rather than in one block per job: no
// transpose on either side of the handoff. Each pass takes exactly
// MAJOR_LANES jobs, lane k running job k; a job without a record runs an
// idle lane (zero state; its values are never used). Available where the
// eight-lane kernels run, for lengths that are multiples of 8.
inline constexpr int MAJOR_LANES = 8;
bool lane_major_available(int n);

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
// pulse max(sines[i] * (control[i] * control[i]), threshold) - threshold of
// its lane and as tone the sines of the lane four away (lanes 0-3 and 4-7
// swapped); an ungated job takes in[i] of its lane. The jobs' in and tone
// pointers are not used; each writes its block (an idle lane may name any
// block that no other lane writes), times gains[k] where gains is not null.
void section_band_process_major(const section_band_job* jobs, int n, const float* in,
                                const float* control, const float* sines, float threshold,
                                const float* gains);

// The oscillator's phase wrap in single precision. For every float s with
// |s| <= WRAP_RANGE (checked exhaustively by the tests), s <= -WRAP_LIMIT
// exactly when s < -pi in double, and (s + WRAP_HIGH) + WRAP_LOW (both sums
// in float) equals float(double(s) + 2 pi): the first sum is exact, the
// second rounds once; likewise on the positive side. A phase stays within
// that range when it starts within 2 pi and every increment is within 2 pi
// (plus a little rounding per sample); other blocks take the scalar steps.
namespace sine_wrap {
inline constexpr float WRAP_HIGH = 6.2831855f;      // 2 pi rounded to float
inline constexpr float WRAP_LOW = -1.7484555e-07f;  // 2 pi - WRAP_HIGH, rounded to float
inline constexpr float WRAP_LIMIT = 3.1415927f;     // the least float above pi
inline constexpr float WRAP_RANGE = 12.6f;
}  // namespace sine_wrap

// The kernels use eight-lane vectors (AVX) where the processor has them,
// from five jobs on, for block lengths that are multiples of 8 (see
// wide_vectors_allow).

// Collects jobs of one kind and runs them `Width` at a time.
template <class Job, void (*Run)(const Job*, int, int), int Width = LANES>
struct lane_batch {
  Job jobs[16];
  int count = 0;
  void add(Job j) { jobs[count++] = j; }
  void run(int n) {
    for (int i = 0; i < count; i += Width) Run(jobs + i, count - i < Width ? count - i : Width, n);
    count = 0;
  }
};
