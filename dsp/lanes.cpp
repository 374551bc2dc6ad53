#include "dsp/lanes.h"

#if defined(__SSE2__)

#include "dsp/cpu_features.h"
#include "dsp/lanes_sse.h"
#include "dsp/lanes_wide.h"

namespace {

using V = sse_vectors;

}  // namespace

#include "dsp/lane_kernels.h"

namespace {

// The build of kernel f for `count` jobs. Four jobs fill a four-lane vector:
// eight lanes would carry half filler; from five on, eight lanes win (fewer
// instructions, cheaper transposes per sample; see the lane kernel
// benchmarks) where the processor has AVX. Where it has AVX-512, that build
// runs either width (thirty-two registers serve the four-lane kernels too).
// With AVX2 the lane kernels are the AVX build (they have no integer work).
#define DISPATCH(f, count, n, args)                                                       \
  do {                                                                                    \
    const vector_level level = vector_level_now();                                        \
    const bool wide = (count) > LANES && (n) % 8 == 0;                                    \
    if (level >= VECTORS_8_AVX512) return wide ? f##_avx512 args : f##_avx512_4 args;     \
    if (level != VECTORS_4) return wide ? f##_avx args : f##_avx_4 args;                 \
    return kernel_##f args;                                                               \
  } while (0)

inline int larger(int a, int b) { return a > b ? a : b; }

}  // namespace

void resonator_process_lanes(const resonator_job* jobs, int count, int n) {
  DISPATCH(resonator_process_lanes, count, n, (jobs, count, n));
}

void biquad_process_lanes(const biquad_job* jobs, int count, int n) {
  DISPATCH(biquad_process_lanes, count, n, (jobs, count, n));
}

void band_filter_process_lanes(const band_filter_job* jobs, int count, int n) {
  DISPATCH(band_filter_process_lanes, count, n, (jobs, count, n));
}

void biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n) {
  DISPATCH(biquad_df2_process_lanes, count, n, (jobs, count, n));
}

void one_pole_process_lanes(const one_pole_job* jobs, int count, int n) {
  DISPATCH(one_pole_process_lanes, count, n, (jobs, count, n));
}

void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  // Eight lanes where they save a pass (chains of one length fill a group).
  const bool saves_pass = chain_passes(jobs, count, 8) < chain_passes(jobs, count, 4);
  DISPATCH(biquad_chain_process_lanes, saves_pass ? LANES + 1 : LANES, n, (jobs, count, n));
}

void biquad_df2_one_pole_process_lanes(const biquad_df2_one_pole_job* chains, int chain_count,
                                       const one_pole_job* poles, int pole_count, int n) {
  DISPATCH(biquad_df2_one_pole_process_lanes, larger(chain_count, pole_count), n,
           (chains, chain_count, poles, pole_count, n));
}

bool resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                             const resonator_job* resonators, int resonator_count,
                             const biquad_chain_job* biquads, int biquad_count, int n,
                             const multiply_set_job* multiplies) {
  // The small layouts' three groups fit one set of eight-lane vectors.
  if (n % 8 == 0 && pass_of_three_fits_eight(chain_count, resonator_count, biquads, biquad_count)) {
    const vector_level level = vector_level_now();
    if (level >= VECTORS_8_AVX512)
      return resonator_pass_of_three_avx512(chains, chain_count, resonators, resonator_count,
                                            biquads, biquad_count, n, multiplies);
    if (level != VECTORS_4)
      return resonator_pass_of_three_avx(chains, chain_count, resonators, resonator_count, biquads,
                                         biquad_count, n, multiplies);
  }
  DISPATCH(resonator_pass_of_three, larger(larger(chain_count, resonator_count), biquad_count), n,
           (chains, chain_count, resonators, resonator_count, biquads, biquad_count, n,
            multiplies));
}

void section_band_process_lanes(const section_band_job* jobs, int count, int n) {
  DISPATCH(section_band_process_lanes, count, n, (jobs, count, n));
}

void control_chain_process_lanes(const control_chain_job* jobs, int count, int n) {
  DISPATCH(control_chain_process_lanes, count, n, (jobs, count, n));
}

void control_chain_sweep_process_lanes(const control_chain_job* jobs, int count,
                                       const ramp_osc_job* ramps, int ramp_count,
                                       const float* slope, const float* base, int n,
                                       const multiply_pair_job* multiplies) {
  DISPATCH(control_chain_sweep_process_lanes, count, n,
           (jobs, count, ramps, ramp_count, slope, base, n, multiplies));
}

void ramp_osc_process_lanes(const ramp_osc_job* jobs, int count, int n) {
  DISPATCH(ramp_osc_process_lanes, count, n, (jobs, count, n));
}

void sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n) {
  // The eight-lane builds run two to four oscillators too: their phase
  // chains in four lanes, everything else two samples per vector.
  DISPATCH(sine_osc_process_lanes, count > 1 ? LANES + 1 : count, n, (jobs, count, n));
}

bool lane_major_available(int n) { return n % 8 == 0 && vector_level_now() != VECTORS_4; }

// The lane-major passes exist in the eight-lane builds only: callers ask
// lane_major_available first.
#define DISPATCH_MAJOR(f, args)                                            \
  do {                                                                     \
    if (vector_level_now() >= VECTORS_8_AVX512) return f##_avx512 args;    \
    return f##_avx args;                                                   \
  } while (0)

void control_chain_process_major(const control_chain_job* jobs, int n, float* control_out,
                                 float* block_out, const ramp_osc_job* ramps, const float* slope,
                                 const float* base, float* sweep_out,
                                 const multiply_pair_job* chains) {
  DISPATCH_MAJOR(control_chain_process_major,
                 (jobs, n, control_out, block_out, ramps, slope, base, sweep_out, chains));
}

void sine_osc_process_major(const sine_osc_job* jobs, int n, const float* low, const float* high,
                            float* out, const biquad_job* side) {
  DISPATCH_MAJOR(sine_osc_process_major, (jobs, n, low, high, out, side));
}

void section_band_process_major(const section_band_job* jobs, int n, const float* in,
                                const float* control, const float* sines, float threshold,
                                const float* gains) {
  DISPATCH_MAJOR(section_band_process_major, (jobs, n, in, control, sines, threshold, gains));
}

#undef DISPATCH_MAJOR

#else  // no vector unit: the scalar processors, job by job

// Without a vector unit there are no lane-major passes; the callers ask first.
bool lane_major_available(int) { return false; }
void control_chain_process_major(const control_chain_job*, int, float*, float*,
                                 const ramp_osc_job*, const float*, const float*, float*,
                                 const multiply_pair_job*) {
  __builtin_trap();
}
void sine_osc_process_major(const sine_osc_job*, int, const float*, const float*, float*,
                            const biquad_job*) {
  __builtin_trap();
}
void section_band_process_major(const section_band_job*, int, const float*, const float*,
                                const float*, float, const float*) {
  __builtin_trap();
}

void resonator_process_lanes(const resonator_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) resonator_process(jobs[k].r, jobs[k].block, n);
}
void biquad_process_lanes(const biquad_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) biquad_process(jobs[k].f, jobs[k].block, n);
}
void band_filter_process_lanes(const band_filter_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) band_filter_process(jobs[k].f, jobs[k].block, n);
}
void biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) biquad_df2_process(jobs[k].f, jobs[k].block, n);
}
void one_pole_process_lanes(const one_pole_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) one_pole_process(jobs[k].p, jobs[k].block, n);
}
void sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) sine_osc_process(jobs[k].o, jobs[k].block, n);
}
void ramp_osc_process_lanes(const ramp_osc_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) ramp_osc_process(jobs[k].o, jobs[k].block, n);
}
void section_band_process_lanes(const section_band_job* jobs, int count, int n) {
  float x[64];
  for (int k = 0; k < count; ++k) {
    const section_band_job& j = jobs[k];
    for (int start = 0; start < n; start += 64) {
      const int len = n - start < 64 ? n - start : 64;
      for (int i = 0; i < len; ++i) x[i] = j.in[start + i];
      biquad_process(j.section, x, len);
      if (j.tone)
        for (int i = 0; i < len; ++i) x[i] = j.tone[start + i] * (x[i] * j.gain);
      band_filter_process(j.band, x, len);
      for (int i = 0; i < len; ++i) j.block[start + i] = x[i];
    }
  }
}
void control_chain_process_lanes(const control_chain_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k) {
    const control_chain_job& j = jobs[k];
    if (j.pre) biquad_df2_process(j.pre, j.control, n);
    one_pole_process(j.smooth, j.control, n);
    for (int i = 0; i < n; ++i) {
      const float m = j.control[i];
      j.control[i] = m * j.scale;
      j.block[i] = j.product ? m * j.block[i] : j.control[i] + j.offset;
    }
    biquad_df2_process(j.post, j.block, n);
  }
}
void control_chain_sweep_process_lanes(const control_chain_job* jobs, int count,
                                       const ramp_osc_job* ramps, int ramp_count,
                                       const float* slope, const float* base, int n,
                                       const multiply_pair_job* multiplies) {
  ramp_osc_process_lanes(ramps, ramp_count, n);
  for (int k = 0; k < ramp_count; ++k)
    for (int i = 0; i < n; ++i) ramps[k].block[i] = (ramps[k].block[i] + 1.0f) * slope[k] + base[k];
  control_chain_process_lanes(jobs, count, n);
  if (multiplies)
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < 2; ++k) multiplies->env[k] *= multiplies->mul[k];
      if (i % 8 == 7)
        for (int k = 0; k < 2; ++k) multiplies->round[2 * (i / 8) + k] = multiplies->env[k];
    }
}
bool resonator_pass_of_three(const resonator_biquad_job*, int, const resonator_job*, int,
                             const biquad_chain_job*, int, int, const multiply_set_job*) {
  return false;
}
void biquad_df2_one_pole_process_lanes(const biquad_df2_one_pole_job* chains, int chain_count,
                                       const one_pole_job* poles, int pole_count, int n) {
  for (int k = 0; k < chain_count; ++k) {
    biquad_df2_process(chains[k].f, chains[k].block, n);
    one_pole_process(chains[k].p, chains[k].block, n);
  }
  for (int k = 0; k < pole_count; ++k) one_pole_process(poles[k].p, poles[k].block, n);
}
void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k)
    for (int s = 0; s < jobs[k].sections; ++s) biquad_process(jobs[k].f[s], jobs[k].block, n);
}


#endif

void multiply_set_process(const multiply_set_job* m, int n) {
  double env[8], mul[8];
  for (int k = 0; k < 8; ++k) env[k] = m->env[k], mul[k] = m->mul[k];
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < 8; ++k) env[k] *= mul[k];
    if (i % 8 == 7)
      for (int k = 0; k < 8; ++k) m->round[8 * (i / 8) + k] = env[k];
  }
  for (int k = 0; k < 8; ++k) m->env[k] = env[k];
}
