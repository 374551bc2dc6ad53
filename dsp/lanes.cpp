#include "dsp/lanes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__SSE2__)

// The per-sample helpers must melt into their loops.
#define LANE_INLINE inline __attribute__((always_inline))

namespace {

constexpr int SUB_CHUNK = 64;  // samples per pass of the oscillator kernel

// Up to four blocks seen as one stream of 4-lane vectors: sample i of every
// lane. Missing lanes read zeros and write nowhere useful.
struct lane_io {
  float* block[LANES];
  int stride[LANES];  // 1 for a real lane, 0 for a filler
  float filler[4] = {0.0f, 0.0f, 0.0f, 0.0f};

  lane_io() = default;
  template <class Job>
  lane_io(const Job* jobs, int count) {
    init(jobs, count);
  }
  template <class Job>
  void init(const Job* jobs, int count) {
    for (int k = 0; k < LANES; ++k) {
      block[k] = k < count ? jobs[k].block : filler;
      stride[k] = k < count ? 1 : 0;
    }
  }
  // Four samples of the four lanes, transposed: v[j] holds sample i + j.
  LANE_INLINE void load(int i, __m128 v[4]) {
    v[0] = _mm_loadu_ps(block[0] + i * stride[0]);
    v[1] = _mm_loadu_ps(block[1] + i * stride[1]);
    v[2] = _mm_loadu_ps(block[2] + i * stride[2]);
    v[3] = _mm_loadu_ps(block[3] + i * stride[3]);
    _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
  }
  LANE_INLINE void store(int i, __m128 v[4]) {
    _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
    _mm_storeu_ps(block[0] + i * stride[0], v[0]);
    _mm_storeu_ps(block[1] + i * stride[1], v[1]);
    _mm_storeu_ps(block[2] + i * stride[2], v[2]);
    _mm_storeu_ps(block[3] + i * stride[3], v[3]);
  }
};

// A record of zeros that missing lanes read (never written).
template <class Rec>
inline const Rec ZERO_RECORD{};

// One field of up to four records as a vector (0 for missing lanes). Built in
// registers: four scalar stores read back as one vector would stall on store
// forwarding, once per field and pass.
template <class Rec, class Job>
__m128 gather(const Job* jobs, int count, Rec* (*rec)(const Job&), float Rec::*field) {
  const Rec* r[4];
  for (int k = 0; k < 4; ++k) r[k] = k < count ? rec(jobs[k]) : &ZERO_RECORD<Rec>;
  return _mm_set_ps(r[3]->*field, r[2]->*field, r[1]->*field, r[0]->*field);
}

template <class Rec, class Job>
void scatter(const Job* jobs, int count, Rec* (*rec)(const Job&), float Rec::*field, __m128 x) {
  float v[4];
  _mm_storeu_ps(v, x);
  for (int k = 0; k < count; ++k) rec(jobs[k])->*field = v[k];
}

resonator* rec_of(const resonator_job& j) { return j.r; }
biquad* rec_of(const biquad_job& j) { return j.f; }
band_filter* rec_of(const band_filter_job& j) { return j.f; }
biquad_df2* rec_of(const biquad_df2_job& j) { return j.f; }
one_pole* rec_of(const one_pole_job& j) { return j.p; }

#define GATHER(field) gather(jobs, count, rec_of, &rec_type::field)
#define SCATTER(field, value) scatter(jobs, count, rec_of, &rec_type::field, value)

inline __m128 mul(__m128 a, __m128 b) { return _mm_mul_ps(a, b); }
inline __m128 add(__m128 a, __m128 b) { return _mm_add_ps(a, b); }
inline __m128 sub(__m128 a, __m128 b) { return _mm_sub_ps(a, b); }

}  // namespace

namespace {

// The state of up to four instances of one filter kind as vectors, with the
// step of one sample. Records are read on load and written back on save.
struct resonator_lanes {
  using rec_type = resonator;
  __m128 g, a1, a2, y1, y2;
  void load(const resonator_job* jobs, int count) {
    g = GATHER(g), a1 = GATHER(a1), a2 = GATHER(a2), y1 = GATHER(y1), y2 = GATHER(y2);
  }
  void save(const resonator_job* jobs, int count) {
    SCATTER(y1, y1);
    SCATTER(y2, y2);
  }
  LANE_INLINE __m128 step(__m128 x) {
    const __m128 y = sub(sub(mul(g, x), mul(a1, y1)), mul(a2, y2));
    y2 = y1;
    y1 = y;
    return y;
  }
};

struct biquad_lanes {
  using rec_type = biquad;
  __m128 b0, b1, b2, c1, c2, x1, x2, y1, y2;
  void load(const biquad_job* jobs, int count) {
    b0 = GATHER(b0), b1 = GATHER(b1), b2 = GATHER(b2), c1 = GATHER(c1), c2 = GATHER(c2);
    x1 = GATHER(x1), x2 = GATHER(x2), y1 = GATHER(y1), y2 = GATHER(y2);
  }
  void save(const biquad_job* jobs, int count) {
    SCATTER(x1, x1);
    SCATTER(x2, x2);
    SCATTER(y1, y1);
    SCATTER(y2, y2);
  }
  LANE_INLINE __m128 step(__m128 x) {
    const __m128 y =
        add(add(add(add(mul(b0, x), mul(b1, x1)), mul(b2, x2)), mul(c1, y1)), mul(c2, y2));
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

struct band_filter_lanes {
  using rec_type = band_filter;
  __m128 hb0, hb1, hb2, hc1, hc2, lb0, lb1, lb2, lc1, lc2;
  __m128 x1, x2, u1, u2, u2_in, y1, y2;
  void load(const band_filter_job* jobs, int count) {
    hb0 = GATHER(hp_b0), hb1 = GATHER(hp_b1), hb2 = GATHER(hp_b2), hc1 = GATHER(hp_c1),
    hc2 = GATHER(hp_c2);
    lb0 = GATHER(lp_b0), lb1 = GATHER(lp_b1), lb2 = GATHER(lp_b2), lc1 = GATHER(lp_c1),
    lc2 = GATHER(lp_c2);
    x1 = GATHER(x1), x2 = GATHER(x2), u1 = GATHER(u1), u2 = GATHER(u2), u2_in = GATHER(u2_in),
    y1 = GATHER(y1), y2 = GATHER(y2);
  }
  void save(const band_filter_job* jobs, int count) {
    SCATTER(x1, x1);
    SCATTER(x2, x2);
    SCATTER(u1, u1);
    SCATTER(u2, u2);
    SCATTER(u2_in, u2_in);
    SCATTER(y1, y1);
    SCATTER(y2, y2);
  }
  LANE_INLINE __m128 step(__m128 x) {
    const __m128 u =
        add(add(add(add(mul(hb0, x), mul(hb1, x1)), mul(hb2, x2)), mul(hc1, u1)), mul(hc2, u2));
    const __m128 y = add(add(add(add(mul(lb0, u), mul(lb1, u1)), mul(lb2, u2_in)), mul(lc1, y1)),
                         mul(lc2, y2));
    x2 = x1;
    x1 = x;
    u2 = u1;
    u2_in = u1;
    u1 = u;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// Up to eight jobs as G groups of four lanes, the groups' sample chains
// interleaved so that the processor works on independent recurrences at once.
template <class Lanes, class Job, int G>
void run_groups(const Job* jobs, int count, int n) {
  Lanes st[G];
  lane_io io[G];
  int counts[G];
  for (int g = 0; g < G; ++g) {
    counts[g] = count - 4 * g < LANES ? count - 4 * g : LANES;
    st[g].load(jobs + 4 * g, counts[g]);
    io[g].init(jobs + 4 * g, counts[g]);
  }
  for (int i = 0; i < n; i += 4) {
    __m128 v[G][4];
    for (int g = 0; g < G; ++g) io[g].load(i, v[g]);
    for (int j = 0; j < 4; ++j)
      for (int g = 0; g < G; ++g) v[g][j] = st[g].step(v[g][j]);
    for (int g = 0; g < G; ++g) io[g].store(i, v[g]);
  }
  for (int g = 0; g < G; ++g) st[g].save(jobs + 4 * g, counts[g]);
}

template <class Lanes, class Job>
void run_lanes(const Job* jobs, int count, int n) {
  if (count > LANES)
    run_groups<Lanes, Job, 2>(jobs, count, n);
  else
    run_groups<Lanes, Job, 1>(jobs, count, n);
}

}  // namespace

namespace {

// K biquads in series per lane.
template <int K>
struct biquad_chain_lanes {
  biquad_lanes s[K];
  void load(const biquad_chain_job* jobs, int count) {
    for (int k = 0; k < K; ++k) {
      biquad_job section[LANES];
      for (int j = 0; j < count; ++j) section[j] = {jobs[j].f[k], jobs[j].block};
      s[k].load(section, count);
    }
  }
  void save(const biquad_chain_job* jobs, int count) {
    for (int k = 0; k < K; ++k) {
      biquad_job section[LANES];
      for (int j = 0; j < count; ++j) section[j] = {jobs[j].f[k], jobs[j].block};
      s[k].save(section, count);
    }
  }
  LANE_INLINE __m128 step(__m128 x) {
    for (int k = 0; k < K; ++k) x = s[k].step(x);
    return x;
  }
};

// Two groups of up to four lanes, of possibly different kinds, interleaved.
template <class LanesA, class LanesB, class Job>
void run_two(const Job* a, int count_a, const Job* b, int count_b, int n) {
  LanesA sa;
  LanesB sb;
  sa.load(a, count_a);
  sb.load(b, count_b);
  lane_io ia(a, count_a), ib(b, count_b);
  for (int i = 0; i < n; i += 4) {
    __m128 va[4], vb[4];
    ia.load(i, va);
    ib.load(i, vb);
    for (int j = 0; j < 4; ++j) {
      va[j] = sa.step(va[j]);
      vb[j] = sb.step(vb[j]);
    }
    ia.store(i, va);
    ib.store(i, vb);
  }
  sa.save(a, count_a);
  sb.save(b, count_b);
}

template <int K>
void run_chain_group(const biquad_chain_job* jobs, int count, int n) {
  run_groups<biquad_chain_lanes<K>, biquad_chain_job, 1>(jobs, count, n);
}

template <int KA>
void run_chain_pair(const biquad_chain_job* a, int count_a, const biquad_chain_job* b,
                    int count_b, int kb, int n) {
  if (kb == 1)
    run_two<biquad_chain_lanes<KA>, biquad_chain_lanes<1>>(a, count_a, b, count_b, n);
  else if (kb == 2)
    run_two<biquad_chain_lanes<KA>, biquad_chain_lanes<2>>(a, count_a, b, count_b, n);
  else
    run_two<biquad_chain_lanes<KA>, biquad_chain_lanes<4>>(a, count_a, b, count_b, n);
}

}  // namespace

void biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  // Sort the jobs by length (stable), cut them into groups of four of one
  // length, and run the groups two per pass.
  static constexpr int LENGTHS[3] = {1, 2, 4};
  biquad_chain_job sorted[16];
  int m = 0;
  for (const int k : LENGTHS)
    for (int j = 0; j < count; ++j)
      if (jobs[j].sections == k) sorted[m++] = jobs[j];
  struct group {
    const biquad_chain_job* jobs;
    int count, sections;
  } groups[16];
  int g = 0;
  for (int j = 0; j < m;) {
    int c = 1;
    while (c < LANES && j + c < m && sorted[j + c].sections == sorted[j].sections) ++c;
    groups[g++] = {sorted + j, c, sorted[j].sections};
    j += c;
  }
  for (int i = 0; i < g; i += 2) {
    const group& a = groups[i];
    if (i + 1 == g) {
      if (a.sections == 1)
        run_chain_group<1>(a.jobs, a.count, n);
      else if (a.sections == 2)
        run_chain_group<2>(a.jobs, a.count, n);
      else
        run_chain_group<4>(a.jobs, a.count, n);
      break;
    }
    const group& b = groups[i + 1];
    if (a.sections == 1)
      run_chain_pair<1>(a.jobs, a.count, b.jobs, b.count, b.sections, n);
    else if (a.sections == 2)
      run_chain_pair<2>(a.jobs, a.count, b.jobs, b.count, b.sections, n);
    else
      run_chain_pair<4>(a.jobs, a.count, b.jobs, b.count, b.sections, n);
  }
}

void resonator_process_lanes(const resonator_job* jobs, int count, int n) {
  run_lanes<resonator_lanes>(jobs, count, n);
}

void biquad_process_lanes(const biquad_job* jobs, int count, int n) {
  run_lanes<biquad_lanes>(jobs, count, n);
}

void band_filter_process_lanes(const band_filter_job* jobs, int count, int n) {
  run_lanes<band_filter_lanes>(jobs, count, n);
}

namespace {

struct biquad_df2_lanes {
  using rec_type = biquad_df2;
  __m128 b0, b1, b2, a1, a2, w1, w2;
  void load(const biquad_df2_job* jobs, int count) {
    b0 = GATHER(b0), b1 = GATHER(b1), b2 = GATHER(b2), a1 = GATHER(a1), a2 = GATHER(a2);
    w1 = GATHER(w1), w2 = GATHER(w2);
  }
  void save(const biquad_df2_job* jobs, int count) {
    SCATTER(w1, w1);
    SCATTER(w2, w2);
  }
  LANE_INLINE __m128 step(__m128 x) {
    const __m128 w = sub(sub(x, mul(a1, w1)), mul(a2, w2));
    const __m128 y = add(add(mul(b0, w), mul(b1, w1)), mul(b2, w2));
    w2 = w1;
    w1 = w;
    return y;
  }
};

struct one_pole_lanes {
  using rec_type = one_pole;
  __m128 k, y1;
  void load(const one_pole_job* jobs, int count) { k = GATHER(k), y1 = GATHER(y1); }
  void save(const one_pole_job* jobs, int count) { SCATTER(y1, y1); }
  LANE_INLINE __m128 step(__m128 x) {
    y1 = sub(x, mul(k, y1));
    return y1;
  }
};

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

void biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n) {
  run_lanes<biquad_df2_lanes>(jobs, count, n);
}

void one_pole_process_lanes(const one_pole_job* jobs, int count, int n) {
  run_lanes<one_pole_lanes>(jobs, count, n);
}

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

#undef GATHER
#undef SCATTER

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

#endif
