#include "dsp/lanes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__SSE2__)

#include "dsp/cpu_features.h"
#include "dsp/lanes_wide.h"

namespace {

// Four-lane vectors (SSE2, every x86-64 processor has it).
struct sse_vectors {
  using v = __m128;
  static constexpr int W = 4;
  static v add(v a, v b) { return _mm_add_ps(a, b); }
  static v sub(v a, v b) { return _mm_sub_ps(a, b); }
  static v mul(v a, v b) { return _mm_mul_ps(a, b); }
  template <class F>
  static v make(F f) {
    return _mm_setr_ps(f(0), f(1), f(2), f(3));
  }
  static v div(v a, v b) { return _mm_div_ps(a, b); }
  static v max(v a, v b) { return _mm_max_ps(a, b); }
  static v splat(float x) { return _mm_set1_ps(x); }
  static v and_(v a, v b) { return _mm_and_ps(a, b); }
  static v or_(v a, v b) { return _mm_or_ps(a, b); }
  static v andnot(v a, v b) { return _mm_andnot_ps(a, b); }  // b without a
  static v lt(v a, v b) { return _mm_cmplt_ps(a, b); }
  static v le(v a, v b) { return _mm_cmple_ps(a, b); }
  static v gt(v a, v b) { return _mm_cmpgt_ps(a, b); }
  static v ge(v a, v b) { return _mm_cmpge_ps(a, b); }
  static v unord(v a, v b) { return _mm_cmpunord_ps(a, b); }
  static bool any(v mask) { return _mm_movemask_ps(mask) != 0; }
  static v abs_mask() { return _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)); }
  static v xor_(v a, v b) { return _mm_xor_ps(a, b); }
  // Toward zero, for any float (from 2^23 on, NaN and infinities: x itself).
  static v round_toward_zero(v x) {
    const v small = _mm_cmplt_ps(abs_(x), _mm_set1_ps(8388608.0f));
    const v t = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_and_ps(x, small)));
    return _mm_or_ps(_mm_and_ps(small, t), _mm_andnot_ps(small, x));
  }
  static v abs_(v x) { return _mm_and_ps(x, abs_mask()); }
  static v load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, v x) { _mm_storeu_ps(p, x); }
  static void transpose(v x[4]) { _MM_TRANSPOSE4_PS(x[0], x[1], x[2], x[3]); }
};
using V = sse_vectors;

}  // namespace

#include "dsp/lane_kernels.h"

namespace {

// Eight-lane kernels for this call: switched on, and the block length is a
// multiple of eight.
inline bool wide_on(int n) { return n % 8 == 0 && wide_vectors_on(); }

// Four jobs fill a four-lane vector: eight lanes would carry half filler.
// From five on, eight lanes win (fewer instructions, cheaper transposes per
// sample); see the lane kernel benchmarks.
inline bool use_wide(int count, int n) { return count > LANES && wide_on(n); }

// The eight-lane build of kernel f for the selected level.
#define WIDE(f) (vector_level_now() == VECTORS_8_AVX512 ? f##_avx512 : f##_avx)

}  // namespace

void resonator_process_lanes(const resonator_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(resonator_process_lanes)(jobs, count, n);
  run_lanes<resonator_lanes>(jobs, count, n);
}

void biquad_process_lanes(const biquad_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(biquad_process_lanes)(jobs, count, n);
  run_lanes<biquad_lanes>(jobs, count, n);
}

void band_filter_process_lanes(const band_filter_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(band_filter_process_lanes)(jobs, count, n);
  run_lanes<band_filter_lanes>(jobs, count, n);
}

void biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(biquad_df2_process_lanes)(jobs, count, n);
  run_lanes<biquad_df2_lanes>(jobs, count, n);
}

void one_pole_process_lanes(const one_pole_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(one_pole_process_lanes)(jobs, count, n);
  run_lanes<one_pole_lanes>(jobs, count, n);
}

void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  // Eight lanes where they save a pass (chains of one length fill a group).
  if (wide_on(n) && chain_passes(jobs, count, 8) < chain_passes(jobs, count, 4))
    return WIDE(biquad_chain_process_lanes)(jobs, count, n);
  run_chains(jobs, count, n);
}

void biquad_df2_one_pole_process_lanes(const biquad_df2_one_pole_job* chains, int chain_count,
                                       const one_pole_job* poles, int pole_count, int n) {
  if (use_wide(chain_count > pole_count ? chain_count : pole_count, n))
    return WIDE(biquad_df2_one_pole_process_lanes)(chains, chain_count, poles, pole_count, n);
  run_df2_one_pole(chains, chain_count, poles, pole_count, n);
}

bool resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                             const resonator_job* resonators, int resonator_count,
                             const biquad_chain_job* biquads, int biquad_count, int n) {
  const int widest = chain_count > resonator_count ? chain_count : resonator_count;
  if (use_wide(widest > biquad_count ? widest : biquad_count, n))
    return WIDE(resonator_pass_of_three)(chains, chain_count, resonators, resonator_count, biquads,
                                        biquad_count, n);
  return run_resonator_pass_of_three(chains, chain_count, resonators, resonator_count, biquads,
                                     biquad_count, n);
}

void section_band_process_lanes(const section_band_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(section_band_process_lanes)(jobs, count, n);
  run_section_band_lanes(jobs, count, n);
}

void control_chain_process_lanes(const control_chain_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(control_chain_process_lanes)(jobs, count, n);
  run_control_chain_lanes(jobs, count, n);
}

void ramp_osc_process_lanes(const ramp_osc_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(ramp_osc_process_lanes)(jobs, count, n);
  run_ramp_lanes(jobs, count, n);
}

void sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n) {
  if (use_wide(count, n)) return WIDE(sine_osc_process_lanes)(jobs, count, n);
  run_oscillator_lanes(jobs, count, n);
}

#else  // no vector unit: the scalar processors, job by job

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
bool resonator_pass_of_three(const resonator_biquad_job*, int, const resonator_job*, int,
                             const biquad_chain_job*, int, int) {
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
