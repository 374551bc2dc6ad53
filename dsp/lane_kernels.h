// The filter lane kernels, written once for any vector width. A translation
// unit defines a vector policy V and includes this file; everything here is
// internal to that unit (the four-lane unit and the eight-lane unit compile
// it for different instruction sets, so nothing may be shared between them).
//
// V provides: the vector type `v` and its lane count W; add, sub, mul;
// make(f) (lane k = f(k)); store(p, x); transpose(x[W]) (W x W in place).
// Each lane does exactly the arithmetic of the scalar processor on its own
// record (same operations, same order), so every lane's output is bit for
// bit the scalar output.

#include "dsp/lanes.h"

#define LANE_INLINE inline __attribute__((always_inline))

namespace {

constexpr int W = V::W;
using vec = typename V::v;

// Up to W blocks seen as one stream of W-lane vectors: sample i of every
// lane. Missing lanes read zeros and write into a private filler.
struct lane_io {
  float* block[W];
  int stride[W];  // 1 for a real lane, 0 for a filler
  float filler[W] = {};

  lane_io() = default;
  template <class Job>
  lane_io(const Job* jobs, int count) {
    init(jobs, count);
  }
  template <class Job>
  void init(const Job* jobs, int count) {
    for (int k = 0; k < W; ++k) {
      block[k] = k < count ? jobs[k].block : filler;
      stride[k] = k < count ? 1 : 0;
    }
  }
  // W samples of the W lanes, transposed: x[j] holds sample i + j.
  LANE_INLINE void load(int i, vec x[W]) {
    for (int k = 0; k < W; ++k) x[k] = V::load(block[k] + i * stride[k]);
    V::transpose(x);
  }
  LANE_INLINE void store(int i, vec x[W]) {
    V::transpose(x);
    for (int k = 0; k < W; ++k) V::store(block[k] + i * stride[k], x[k]);
  }
};

// A record of zeros that missing lanes read (never written).
template <class Rec>
const Rec ZERO_RECORD{};

// One field of up to W records as a vector (0 for missing lanes), built in
// registers: scalar stores read back as one vector would stall on store
// forwarding.
template <class Rec, class Job>
LANE_INLINE vec gather(const Job* jobs, int count, Rec* (*rec)(const Job&), float Rec::*field) {
  const Rec* r[W];
  for (int k = 0; k < W; ++k) r[k] = k < count ? rec(jobs[k]) : &ZERO_RECORD<Rec>;
  return V::make([&](int k) { return r[k]->*field; });
}

template <class Rec, class Job>
LANE_INLINE void scatter(const Job* jobs, int count, Rec* (*rec)(const Job&), float Rec::*field,
                         vec x) {
  float f[W];
  V::store(f, x);
  for (int k = 0; k < count; ++k) rec(jobs[k])->*field = f[k];
}

resonator* rec_of(const resonator_job& j) { return j.r; }
biquad* rec_of(const biquad_job& j) { return j.f; }
band_filter* rec_of(const band_filter_job& j) { return j.f; }
biquad_df2* rec_of(const biquad_df2_job& j) { return j.f; }
one_pole* rec_of(const one_pole_job& j) { return j.p; }

#define GATHER(field) gather(jobs, count, rec_of, &rec_type::field)
#define SCATTER(field, value) scatter(jobs, count, rec_of, &rec_type::field, value)

LANE_INLINE vec mul(vec a, vec b) { return V::mul(a, b); }
LANE_INLINE vec add(vec a, vec b) { return V::add(a, b); }
LANE_INLINE vec sub(vec a, vec b) { return V::sub(a, b); }

// The state of up to W instances of one filter kind as vectors, with the
// step of one sample. Records are read on load and written back on save.
struct resonator_lanes {
  using rec_type = resonator;
  vec g, a1, a2, y1, y2;
  void load(const resonator_job* jobs, int count) {
    g = GATHER(g), a1 = GATHER(a1), a2 = GATHER(a2), y1 = GATHER(y1), y2 = GATHER(y2);
  }
  void save(const resonator_job* jobs, int count) {
    SCATTER(y1, y1);
    SCATTER(y2, y2);
  }
  LANE_INLINE vec step(vec x) {
    const vec y = sub(sub(mul(g, x), mul(a1, y1)), mul(a2, y2));
    y2 = y1;
    y1 = y;
    return y;
  }
};

struct biquad_lanes {
  using rec_type = biquad;
  vec b0, b1, b2, c1, c2, x1, x2, y1, y2;
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
  LANE_INLINE vec step(vec x) {
    const vec y =
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
  vec hb0, hb1, hb2, hc1, hc2, lb0, lb1, lb2, lc1, lc2;
  vec x1, x2, u1, u2, u2_in, y1, y2;
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
  LANE_INLINE vec step(vec x) {
    const vec u =
        add(add(add(add(mul(hb0, x), mul(hb1, x1)), mul(hb2, x2)), mul(hc1, u1)), mul(hc2, u2));
    const vec y = add(add(add(add(mul(lb0, u), mul(lb1, u1)), mul(lb2, u2_in)), mul(lc1, y1)),
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

struct biquad_df2_lanes {
  using rec_type = biquad_df2;
  vec b0, b1, b2, a1, a2, w1, w2;
  void load(const biquad_df2_job* jobs, int count) {
    b0 = GATHER(b0), b1 = GATHER(b1), b2 = GATHER(b2), a1 = GATHER(a1), a2 = GATHER(a2);
    w1 = GATHER(w1), w2 = GATHER(w2);
  }
  void save(const biquad_df2_job* jobs, int count) {
    SCATTER(w1, w1);
    SCATTER(w2, w2);
  }
  LANE_INLINE vec step(vec x) {
    const vec w = sub(sub(x, mul(a1, w1)), mul(a2, w2));
    const vec y = add(add(mul(b0, w), mul(b1, w1)), mul(b2, w2));
    w2 = w1;
    w1 = w;
    return y;
  }
};

struct one_pole_lanes {
  using rec_type = one_pole;
  vec k, y1;
  void load(const one_pole_job* jobs, int count) { k = GATHER(k), y1 = GATHER(y1); }
  void save(const one_pole_job* jobs, int count) { SCATTER(y1, y1); }
  LANE_INLINE vec step(vec x) {
    y1 = sub(x, mul(k, y1));
    return y1;
  }
};

#undef GATHER
#undef SCATTER

// K biquads in series per lane.
template <int K>
struct biquad_chain_lanes {
  biquad_lanes s[K];
  void load(const biquad_chain_job* jobs, int count) {
    for (int k = 0; k < K; ++k) {
      biquad_job section[W] = {};
      for (int j = 0; j < count; ++j) section[j] = {jobs[j].f[k], jobs[j].block};
      s[k].load(section, count);
    }
  }
  void save(const biquad_chain_job* jobs, int count) {
    for (int k = 0; k < K; ++k) {
      biquad_job section[W] = {};
      for (int j = 0; j < count; ++j) section[j] = {jobs[j].f[k], jobs[j].block};
      s[k].save(section, count);
    }
  }
  LANE_INLINE vec step(vec x) {
    for (int k = 0; k < K; ++k) x = s[k].step(x);
    return x;
  }
};

// Up to G x W jobs as G groups of W lanes, the groups' sample chains
// interleaved so that the processor works on independent recurrences at once.
template <class Lanes, class Job, int G>
void run_groups(const Job* jobs, int count, int n) {
  Lanes st[G];
  lane_io io[G];
  int counts[G];
  for (int g = 0; g < G; ++g) {
    counts[g] = count - W * g < W ? count - W * g : W;
    st[g].load(jobs + W * g, counts[g]);
    io[g].init(jobs + W * g, counts[g]);
  }
  for (int i = 0; i < n; i += W) {
    vec x[G][W];
    for (int g = 0; g < G; ++g) io[g].load(i, x[g]);
    for (int j = 0; j < W; ++j)
      for (int g = 0; g < G; ++g) x[g][j] = st[g].step(x[g][j]);
    for (int g = 0; g < G; ++g) io[g].store(i, x[g]);
  }
  for (int g = 0; g < G; ++g) st[g].save(jobs + W * g, counts[g]);
}

// Any number of jobs, two groups per pass.
template <class Lanes, class Job>
void run_lanes(const Job* jobs, int count, int n) {
  for (int i = 0; i < count; i += 2 * W) {
    const int c = count - i < 2 * W ? count - i : 2 * W;
    if (c > W)
      run_groups<Lanes, Job, 2>(jobs + i, c, n);
    else
      run_groups<Lanes, Job, 1>(jobs + i, c, n);
  }
}

// Two groups of up to W lanes, of possibly different kinds, interleaved.
template <class LanesA, class LanesB, class Job>
void run_two(const Job* a, int count_a, const Job* b, int count_b, int n) {
  LanesA sa;
  LanesB sb;
  sa.load(a, count_a);
  sb.load(b, count_b);
  lane_io ia(a, count_a), ib(b, count_b);
  for (int i = 0; i < n; i += W) {
    vec xa[W], xb[W];
    ia.load(i, xa);
    ib.load(i, xb);
    for (int j = 0; j < W; ++j) {
      xa[j] = sa.step(xa[j]);
      xb[j] = sb.step(xb[j]);
    }
    ia.store(i, xa);
    ib.store(i, xb);
  }
  sa.save(a, count_a);
  sb.save(b, count_b);
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

// The passes run_chains takes for these jobs with groups of `width` lanes.
inline int chain_passes(const biquad_chain_job* jobs, int count, int width) {
  static constexpr int LENGTHS[3] = {1, 2, 4};
  int groups = 0;
  for (const int k : LENGTHS) {
    int c = 0;
    for (int j = 0; j < count; ++j) c += jobs[j].sections == k;
    groups += (c + width - 1) / width;
  }
  return (groups + 1) / 2;
}

// Sorts the chains by length (stable), cuts them into groups of W of one
// length, and runs the groups two per pass.
void run_chains(const biquad_chain_job* jobs, int count, int n) {
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
    while (c < W && j + c < m && sorted[j + c].sections == sorted[j].sections) ++c;
    groups[g++] = {sorted + j, c, sorted[j].sections};
    j += c;
  }
  for (int i = 0; i < g; i += 2) {
    const group& a = groups[i];
    if (i + 1 == g) {
      if (a.sections == 1)
        run_groups<biquad_chain_lanes<1>, biquad_chain_job, 1>(a.jobs, a.count, n);
      else if (a.sections == 2)
        run_groups<biquad_chain_lanes<2>, biquad_chain_job, 1>(a.jobs, a.count, n);
      else
        run_groups<biquad_chain_lanes<4>, biquad_chain_job, 1>(a.jobs, a.count, n);
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

}  // namespace
