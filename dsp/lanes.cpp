#include "dsp/lanes.h"

#include <atomic>

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
  static v load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, v x) { _mm_storeu_ps(p, x); }
  static void transpose(v x[4]) { _MM_TRANSPOSE4_PS(x[0], x[1], x[2], x[3]); }
};
using V = sse_vectors;

}  // namespace

#include "dsp/lane_kernels.h"

namespace {

// 0: eight-lane kernels off; 1: on where the processor has them; -1: not yet
// decided. Relaxed: every value leads to the same results.
std::atomic<int> wide_mode{-1};

// Eight-lane kernels are on: the processor has them and the block length is
// a multiple of eight.
inline bool wide_on(int n) {
  int mode = wide_mode.load(std::memory_order_relaxed);
  if (mode < 0) {
    mode = LANES_WIDE_BUILT && cpu_has_avx() ? 1 : 0;
    wide_mode.store(mode, std::memory_order_relaxed);
  }
  return mode == 1 && n % 8 == 0;
}

}  // namespace

void lanes_allow_wide(bool allow) {
  wide_mode.store(allow && LANES_WIDE_BUILT && cpu_has_avx() ? 1 : 0, std::memory_order_relaxed);
}

bool lanes_wide_active() { return wide_on(8); }

namespace {

// Four jobs fill a four-lane vector: eight lanes would carry half filler.
// From five on, eight lanes win (fewer instructions, cheaper transposes per
// sample); see the lane kernel benchmarks.
inline bool use_wide(int count, int n) { return count > LANES && wide_on(n); }

}  // namespace

void resonator_process_lanes(const resonator_job* jobs, int count, int n) {
  if (use_wide(count, n)) return resonator_process_lanes_wide(jobs, count, n);
  run_lanes<resonator_lanes>(jobs, count, n);
}

void biquad_process_lanes(const biquad_job* jobs, int count, int n) {
  if (use_wide(count, n)) return biquad_process_lanes_wide(jobs, count, n);
  run_lanes<biquad_lanes>(jobs, count, n);
}

void band_filter_process_lanes(const band_filter_job* jobs, int count, int n) {
  if (use_wide(count, n)) return band_filter_process_lanes_wide(jobs, count, n);
  run_lanes<band_filter_lanes>(jobs, count, n);
}

void biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n) {
  if (use_wide(count, n)) return biquad_df2_process_lanes_wide(jobs, count, n);
  run_lanes<biquad_df2_lanes>(jobs, count, n);
}

void one_pole_process_lanes(const one_pole_job* jobs, int count, int n) {
  if (use_wide(count, n)) return one_pole_process_lanes_wide(jobs, count, n);
  run_lanes<one_pole_lanes>(jobs, count, n);
}

void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  // Eight lanes where they save a pass (chains of one length fill a group).
  if (wide_on(n) && chain_passes(jobs, count, 8) < chain_passes(jobs, count, 4))
    return biquad_chain_process_lanes_wide(jobs, count, n);
  run_chains(jobs, count, n);
}

namespace {

constexpr int SUB_CHUNK = 64;  // samples per pass of the oscillator kernel

constexpr double PI_D = 3.141592653589793;
constexpr double TWO_PI_D = 6.283185307179586;

// The scalar oscillator's phase step: add, then wrap once (in double).
inline float advance_phase(float phase, float inc) {
  const float p = phase + inc;
  const double d = static_cast<double>(p);
  if (d < -PI_D) return static_cast<float>(d + TWO_PI_D);
  if (d > PI_D) return static_cast<float>(d - TWO_PI_D);
  return p;
}

}  // namespace

namespace {

// Folds increments modulo 2 pi keeping their sign, lane by lane, as the
// scalar oscillator does.
inline __m128 fold_increments(__m128 v) {
  const __m128 two_pi = _mm_set1_ps(6.2831855f), zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
  const __m128 exact = _mm_set1_ps(8388608.0f);  // from 2^23 on, a float is a whole number
  const __m128 abs_mask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  const __m128 q = _mm_div_ps(_mm_and_ps(v, abs_mask), two_pi);
  const __m128 small = _mm_cmplt_ps(q, exact);
  const __m128 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_and_ps(q, small)));
  const __m128 m = _mm_or_ps(_mm_and_ps(small, t), _mm_andnot_ps(small, q));
  const __m128 sign =
      sub(_mm_and_ps(_mm_cmpgt_ps(v, zero), one), _mm_and_ps(_mm_cmplt_ps(v, zero), one));
  return sub(v, mul(mul(sign, m), two_pi));
}

inline __m128 parabolic_sine(__m128 x) {
  const __m128 abs_mask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  const __m128 k1 = _mm_set1_ps(1.2732395f), k2 = _mm_set1_ps(0.40528473f);
  const __m128 k3 = _mm_set1_ps(0.225f);
  const __m128 y = sub(mul(k1, x), mul(mul(k2, x), _mm_and_ps(x, abs_mask)));
  return add(mul(k3, sub(mul(y, _mm_and_ps(y, abs_mask)), y)), y);
}

using sine_wrap::WRAP_HIGH;
using sine_wrap::WRAP_LIMIT;
using sine_wrap::WRAP_LOW;
constexpr float SAFE_PHASE = 6.2842f;      // start phases within this take the vector path
constexpr float SAFE_INCREMENT = 6.2832f;  // as do increments within this

inline __m128 wrap_phases(__m128 s) {
  const __m128 limit = _mm_set1_ps(WRAP_LIMIT);
  const __m128 below = _mm_cmple_ps(s, _mm_sub_ps(_mm_setzero_ps(), limit));
  const __m128 above = _mm_cmpge_ps(s, limit);
  const __m128 hi = _mm_set1_ps(WRAP_HIGH), lo = _mm_set1_ps(WRAP_LOW);
  const __m128 up = add(add(s, hi), lo);
  const __m128 down = sub(sub(s, hi), lo);
  const __m128 keep = _mm_andnot_ps(_mm_or_ps(below, above), s);
  return _mm_or_ps(_mm_or_ps(_mm_and_ps(below, up), _mm_and_ps(above, down)), keep);
}

// Increments below this wrap a phase at most once in about 60 samples.
constexpr float SLOW_INCREMENT = 0.1f;

inline bool needs_wrap(__m128 s) {
  const __m128 limit = _mm_set1_ps(WRAP_LIMIT);
  const __m128 out = _mm_or_ps(_mm_cmple_ps(s, _mm_sub_ps(_mm_setzero_ps(), limit)),
                               _mm_cmpge_ps(s, limit));
  return _mm_movemask_ps(out) != 0;
}

inline float max_abs(__m128 v) {
  float m[4];
  _mm_storeu_ps(m, _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF))));
  float r = m[0];
  for (int k = 1; k < 4; ++k) r = m[k] > r ? m[k] : r;
  return r;
}

}  // namespace

namespace {

// G groups of up to four oscillators, one per lane. Per chunk of samples, the
// increments are folded first (all lanes at once); then the phases advance
// sample by sample, one vector per group, the groups' chains interleaved; the
// sines of the phases follow four samples at a time. Chunks whose phases or
// increments could leave the range of the single-precision wrap run the
// scalar steps instead (NaN fails the checks too).
template <int G>
void run_oscillators(const sine_osc_job* jobs, int count, int n) {
  const __m128 abs_mask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  lane_io io[G];
  __m128 p[G], sc[G];
  for (int g = 0; g < G; ++g) {
    const int c = count - LANES * g < LANES ? count - LANES * g : LANES;
    alignas(16) float phase[LANES] = {0.0f, 0.0f, 0.0f, 0.0f};
    alignas(16) float scale[LANES] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < c; ++k) {
      sine_osc* o = jobs[LANES * g + k].o;
      sine_osc_process(o, jobs[LANES * g + k].block, 0);  // normalises the phase
      phase[k] = o->phase;
      scale[k] = o->scale;
    }
    io[g].init(jobs + LANES * g, c);
    p[g] = _mm_load_ps(phase);
    sc[g] = _mm_load_ps(scale);
  }
  __m128 inc[G][SUB_CHUNK];
  for (int start = 0; start < n; start += SUB_CHUNK) {
    const int len = n - start < SUB_CHUNK ? n - start : SUB_CHUNK;
    bool vector_path = true;
    bool slow[G];
    for (int g = 0; g < G; ++g) {
      // An increment below 2 pi in magnitude folds to itself: the fold runs
      // only on chunks with a larger one (or a NaN).
      __m128 widest = _mm_setzero_ps();
      for (int i = 0; i < len; i += 4) {
        __m128 v[4];
        io[g].load(start + i, v);
        for (int j = 0; j < 4; ++j) {
          inc[g][i + j] = mul(v[j], sc[g]);
          widest = _mm_max_ps(widest, _mm_and_ps(inc[g][i + j], abs_mask));
        }
      }
      if (!(max_abs(widest) < WRAP_HIGH) || _mm_movemask_ps(_mm_cmpunord_ps(widest, widest))) {
        widest = _mm_setzero_ps();
        for (int i = 0; i < len; ++i) {
          inc[g][i] = fold_increments(inc[g][i]);
          widest = _mm_max_ps(widest, _mm_and_ps(inc[g][i], abs_mask));
        }
      }
      slow[g] = max_abs(widest) < SLOW_INCREMENT;
      vector_path = vector_path && max_abs(widest) <= SAFE_INCREMENT &&
                    max_abs(p[g]) <= SAFE_PHASE &&
                    _mm_movemask_ps(_mm_cmpunord_ps(widest, p[g])) == 0;
    }
    for (int i = 0; i < len; i += 4) {
      __m128 v[G][4];
      if (vector_path) {
        for (int j = 0; j < 4; ++j)
          for (int g = 0; g < G; ++g) {
            v[g][j] = p[g];
            const __m128 sum = add(p[g], inc[g][i + j]);
            // Slow phases wrap rarely: a predicted branch keeps the blend
            // off their chain.
            p[g] = slow[g] && !needs_wrap(sum) ? sum : wrap_phases(sum);
          }
      } else {
        // Scalar steps: each sample uses the phase before its own increment.
        for (int g = 0; g < G; ++g) {
          alignas(16) float pk[LANES], ik[LANES];
          _mm_store_ps(pk, p[g]);
          for (int j = 0; j < 4; ++j) {
            _mm_store_ps(ik, inc[g][i + j]);
            v[g][j] = _mm_load_ps(pk);
            for (int k = 0; k < LANES; ++k) pk[k] = advance_phase(pk[k], ik[k]);
          }
          p[g] = _mm_load_ps(pk);
        }
      }
      for (int g = 0; g < G; ++g) {
        for (int j = 0; j < 4; ++j) v[g][j] = parabolic_sine(v[g][j]);
        io[g].store(start + i, v[g]);
      }
    }
  }
  for (int g = 0; g < G; ++g) {
    const int c = count - LANES * g < LANES ? count - LANES * g : LANES;
    alignas(16) float phase[LANES];
    _mm_store_ps(phase, p[g]);
    for (int k = 0; k < c; ++k) jobs[LANES * g + k].o->phase = phase[k];
  }
}

}  // namespace

void sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n) {
  if (count > LANES)
    run_oscillators<2>(jobs, count, n);
  else
    run_oscillators<1>(jobs, count, n);
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
void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  for (int k = 0; k < count; ++k)
    for (int s = 0; s < jobs[k].sections; ++s) biquad_process(jobs[k].f[s], jobs[k].block, n);
}
void lanes_allow_wide(bool) {}
bool lanes_wide_active() { return false; }

#endif
