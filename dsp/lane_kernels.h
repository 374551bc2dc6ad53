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
// lane. Missing lanes borrow lane 0's block: they read its samples (their
// results are never kept) and write them before lane 0 does, since the lanes
// are stored from the last down to lane 0, which leaves lane 0's own values.
// Every access is then a pointer plus the sample index. Without any lane
// (no block at all), loads give zeros and stores go nowhere.
struct lane_io {
  float* block[W] = {};

  lane_io() = default;
  template <class Job>
  lane_io(const Job* jobs, int count) {
    init(jobs, count);
  }
  template <class Job>
  void init(const Job* jobs, int count) {
    for (int k = 0; k < W; ++k) block[k] = k < count ? jobs[k].block : count > 0 ? jobs[0].block : nullptr;
  }
  // W samples of the W lanes, transposed: x[j] holds sample i + j.
  LANE_INLINE void load(int i, vec x[W]) {
    if (!block[0]) {
      for (int k = 0; k < W; ++k) x[k] = V::splat(0.0f);
      return;
    }
    V::load_transposed(block, i, x);
  }
  LANE_INLINE void store(int i, vec x[W]) {
    if (!block[0]) return;
    V::store_transposed(block, i, x);
  }
};

// A record of zeros that missing lanes read (never written).
template <class Rec>
const Rec ZERO_RECORD{};

// One field of the real lanes' records written back from a vector.
template <class Rec, class Job>
LANE_INLINE void scatter(const Job* jobs, int count, Rec* (*rec)(const Job&), float Rec::*field,
                         vec x) {
  float f[W];
  V::store(f, x);
  for (int k = 0; k < count; ++k) rec(jobs[k])->*field = f[k];
}

#if defined(LANE_WIDTH_EIGHT)
// The last W fields of the real lanes' records written back from their
// vectors (x[i] holds field first + i, first = fields - W): one transpose
// and one store per record. Fields among them that the kernel leaves alone
// get their own values back.
template <class Rec, class Job>
LANE_INLINE void scatter_last(const Job* jobs, int count, Rec* (*rec)(const Job&), vec x[W]) {
  constexpr int first = static_cast<int>(sizeof(Rec) / sizeof(float)) - W;
  static_assert(first >= 0);
  V::transpose(x);
  for (int k = 0; k < count; ++k) V::store(reinterpret_cast<float*>(rec(jobs[k])) + first, x[k]);
}
#endif

resonator* rec_of(const resonator_job& j) { return j.r; }
biquad* rec_of(const biquad_job& j) { return j.f; }
band_filter* rec_of(const band_filter_job& j) { return j.f; }
biquad_df2* rec_of(const biquad_df2_job& j) { return j.f; }
one_pole* rec_of(const one_pole_job& j) { return j.p; }

// Every field of up to W records of floats as vectors (field i of record k
// in lane k; 0 for missing lanes): each run of W fields by W loads and one
// transpose, the rest one field at a time. The records were last written a
// pass or more ago, so the wide loads find them out of the store buffer.
// Vectors that can load the first floats of a record without reading past it.
template <class P>
concept has_load_first = requires(const float* p) { P::load_first(p, 1); };
template <class P>
LANE_INLINE typename P::v load_first(const float* p, int count) {
  return P::load_first(p, count);
}

template <class Rec>
struct record_fields {
  static_assert(std::is_standard_layout_v<Rec> && sizeof(Rec) % sizeof(float) == 0);
  static constexpr int N = static_cast<int>(sizeof(Rec) / sizeof(float));
  vec f[N];
  template <class Job>
  LANE_INLINE record_fields(const Job* jobs, int count) {
    const float* r[W];
    for (int k = 0; k < W; ++k)
      r[k] = reinterpret_cast<const float*>(k < count ? rec_of(jobs[k]) : &ZERO_RECORD<Rec>);
    int i = 0;
    for (; i + W <= N; i += W) {
      vec t[W];
      for (int k = 0; k < W; ++k) t[k] = V::load(r[k] + i);
      V::transpose(t);
      for (int k = 0; k < W; ++k) f[i + k] = t[k];
    }
    // A remainder of several fields: the records' last fields by masked loads
    // (nothing read past a record) and one transpose, where the vectors have
    // masked loads.
    if constexpr (has_load_first<V>) {
      if (N - i > 2) {
        vec t[W];
        for (int k = 0; k < W; ++k) t[k] = load_first<V>(r[k] + i, N - i);
        V::transpose(t);
        for (int k = 0; i + k < N; ++k) f[i + k] = t[k];
        i = N;
      }
    }
    for (; i < N; ++i) f[i] = V::make([&](int k) { return r[k][i]; });
  }
  LANE_INLINE vec of(size_t offset) const { return f[offset / sizeof(float)]; }
};

#define GATHER(field) all.of(offsetof(rec_type, field))
#define SCATTER(field, value) scatter(jobs, count, rec_of, &rec_type::field, value)

LANE_INLINE vec mul(vec a, vec b) { return V::mul(a, b); }
LANE_INLINE vec add(vec a, vec b) { return V::add(a, b); }
LANE_INLINE vec sub(vec a, vec b) { return V::sub(a, b); }
LANE_INLINE vec abs_of(vec x) { return V::and_(x, V::abs_mask()); }
// a where the mask's lane is set, else b. Left in logic operations for the
// compiler to combine: forcing one blend or ternary-logic instruction here
// made the passes slower; only the paired oscillators' phase chain takes
// sse_vectors::select.
LANE_INLINE vec select(vec mask, vec a, vec b) {
  return V::or_(V::and_(mask, a), V::andnot(mask, b));
}

// All bits set in the lanes of the jobs for which on(job) holds.
template <class Job, class Pred>
LANE_INLINE vec lane_mask(const Job* jobs, int count, Pred on) {
  return V::gt(V::make([&](int k) { return k < count && on(jobs[k]) ? 1.0f : 0.0f; }),
               V::splat(0.0f));
}

// Any number of jobs through a kernel of up to W, W at a time.
template <class Job, void (*Run)(const Job*, int, int)>
void in_groups(const Job* jobs, int count, int n) {
  for (int i = 0; i < count; i += W) Run(jobs + i, count - i < W ? count - i : W, n);
}

// The state of up to W instances of one filter kind as vectors, with the
// step of one sample. Records are read on load and written back on save.
struct resonator_lanes {
  using rec_type = resonator;
  vec g, a1, a2, y1, y2;
  void load(const resonator_job* jobs, int count) {
    const record_fields<rec_type> all(jobs, count);
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
    const record_fields<rec_type> all(jobs, count);
    b0 = GATHER(b0), b1 = GATHER(b1), b2 = GATHER(b2), c1 = GATHER(c1), c2 = GATHER(c2);
    x1 = GATHER(x1), x2 = GATHER(x2), y1 = GATHER(y1), y2 = GATHER(y2);
  }
  void save(const biquad_job* jobs, int count) {
#if defined(LANE_WIDTH_EIGHT)
    // The record's last eight fields: b1, b2, x1, x2, c1, c2, y1, y2.
    vec last[W] = {b1, b2, x1, x2, c1, c2, y1, y2};
    scatter_last<rec_type>(jobs, count, rec_of, last);
#else
    SCATTER(x1, x1);
    SCATTER(x2, x2);
    SCATTER(y1, y1);
    SCATTER(y2, y2);
#endif
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
    const record_fields<rec_type> all(jobs, count);
    hb0 = GATHER(hp_b0), hb1 = GATHER(hp_b1), hb2 = GATHER(hp_b2), hc1 = GATHER(hp_c1),
    hc2 = GATHER(hp_c2);
    lb0 = GATHER(lp_b0), lb1 = GATHER(lp_b1), lb2 = GATHER(lp_b2), lc1 = GATHER(lp_c1),
    lc2 = GATHER(lp_c2);
    x1 = GATHER(x1), x2 = GATHER(x2), u1 = GATHER(u1), u2 = GATHER(u2), u2_in = GATHER(u2_in),
    y1 = GATHER(y1), y2 = GATHER(y2);
  }
  void save(const band_filter_job* jobs, int count) {
#if defined(LANE_WIDTH_EIGHT)
    // The record's last eight fields: lp_c2, x1, x2, u1, u2, u2_in, y1, y2.
    vec last[W] = {lc2, x1, x2, u1, u2, u2_in, y1, y2};
    scatter_last<rec_type>(jobs, count, rec_of, last);
#else
    SCATTER(x1, x1);
    SCATTER(x2, x2);
    SCATTER(u1, u1);
    SCATTER(u2, u2);
    SCATTER(u2_in, u2_in);
    SCATTER(y1, y1);
    SCATTER(y2, y2);
#endif
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
    const record_fields<rec_type> all(jobs, count);
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
  void load(const one_pole_job* jobs, int count) {
    const record_fields<rec_type> all(jobs, count);
    k = GATHER(k), y1 = GATHER(y1);
  }
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

// Two filters in series per lane: the job names both records (`FirstRec`,
// `SecondRec`) and the block they share.
template <class FirstLanes, class SecondLanes, class FirstJob, class SecondJob, class Job,
          auto FirstRec, auto SecondRec>
struct series_lanes {
  FirstLanes first;
  SecondLanes second;
  static void split(const Job* jobs, int count, FirstJob* a, SecondJob* b) {
    for (int j = 0; j < count; ++j) {
      a[j] = {jobs[j].*FirstRec, jobs[j].block};
      b[j] = {jobs[j].*SecondRec, jobs[j].block};
    }
  }
  void load(const Job* jobs, int count) {
    FirstJob a[W] = {};
    SecondJob b[W] = {};
    split(jobs, count, a, b);
    first.load(a, count);
    second.load(b, count);
  }
  void save(const Job* jobs, int count) {
    FirstJob a[W] = {};
    SecondJob b[W] = {};
    split(jobs, count, a, b);
    first.save(a, count);
    second.save(b, count);
  }
  LANE_INLINE vec step(vec x) { return second.step(first.step(x)); }
};

// A resonator then a biquad per lane.
using resonator_biquad_lanes =
    series_lanes<resonator_lanes, biquad_lanes, resonator_job, biquad_job, resonator_biquad_job,
                 &resonator_biquad_job::r, &resonator_biquad_job::f>;

// A DF2 section then a one-pole filter per lane.
using df2_one_pole_lanes =
    series_lanes<biquad_df2_lanes, one_pole_lanes, biquad_df2_job, one_pole_job,
                 biquad_df2_one_pole_job, &biquad_df2_one_pole_job::f, &biquad_df2_one_pole_job::p>;

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
template <class LanesA, class LanesB, class JobA, class JobB>
void run_two(const JobA* a, int count_a, const JobB* b, int count_b, int n) {
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

// Three groups of up to W lanes, of possibly different kinds, interleaved.
template <class LanesA, class LanesB, class LanesC, class JobA, class JobB, class JobC>
void run_three(const JobA* a, int count_a, const JobB* b, int count_b, const JobC* c, int count_c,
               int n) {
  LanesA sa;
  LanesB sb;
  LanesC sc;
  sa.load(a, count_a);
  sb.load(b, count_b);
  sc.load(c, count_c);
  lane_io ia(a, count_a), ib(b, count_b), ic(c, count_c);
  for (int i = 0; i < n; i += W) {
    vec xa[W], xb[W], xc[W];
    ia.load(i, xa);
    ib.load(i, xb);
    ic.load(i, xc);
    for (int j = 0; j < W; ++j) {
      xa[j] = sa.step(xa[j]);
      xb[j] = sb.step(xb[j]);
      xc[j] = sc.step(xc[j]);
    }
    ia.store(i, xa);
    ib.store(i, xb);
    ic.store(i, xc);
  }
  sa.save(a, count_a);
  sb.save(b, count_b);
  sc.save(c, count_c);
}

template <int K>
void run_three_with(const resonator_biquad_job* chains, int chain_count,
                    const resonator_job* resonators, int resonator_count,
                    const biquad_chain_job* biquads, int biquad_count, int n) {
  run_three<resonator_biquad_lanes, resonator_lanes, biquad_chain_lanes<K>>(
      chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
}

// The pass of three in one set of vectors (eight lanes). The chains (lanes
// 0-3) and the lone resonators (lanes 4-7) share the resonator step. One
// biquad step serves the chains' biquads (lanes 0-3, fed by their
// resonators), the biquad chains' first sections (lanes 4-5, fed from their
// own blocks) and their second sections (lanes 6-7), which run a round of W
// samples behind, on the first sections' outputs of the round before: in the
// first round their state is put back afterwards, after the last they take
// a round of their own. One transpose in and one out serve the chains and
// the resonators; the biquad chains' samples go in by broadcast and come out
// through a small buffer. Lanes without a record run zeros. With
// multiplies, their eight chains beside (one multiply of each a sample).
template <bool SECTIONS, bool MULTIPLIES = false>
void run_pass_of_three_one_group(const resonator_biquad_job* chains, int chain_count,
                                 const resonator_job* resonators, int resonator_count,
                                 const biquad_chain_job* biquads, int biquad_count, int n,
                                 const multiply_set_job* multiplies = nullptr) {
  double env[8] = {}, mul[8] = {};
  if constexpr (MULTIPLIES)
    for (int k = 0; k < 8; ++k) env[k] = multiplies->env[k], mul[k] = multiplies->mul[k];
  constexpr int FIRST = W / 2, SECOND = W / 2 + 2;
  constexpr int UPPER_HALF = ((1 << W) - 1) & ~((1 << FIRST) - 1);
  constexpr int SECOND_LANES = 3 << SECOND;
  // Lanes left out read the zero record, then write a spare one (which
  // nothing reads).
  resonator* const no_shape = const_cast<resonator*>(&ZERO_RECORD<resonator>);
  biquad* const no_filter = const_cast<biquad*>(&ZERO_RECORD<biquad>);
  resonator shape_spare;
  biquad filter_spare;
  resonator_job shape_jobs[W];
  biquad_job filter_jobs[W], second_jobs[W];
  for (int k = 0; k < W; ++k) {
    shape_jobs[k] = {no_shape, nullptr};
    filter_jobs[k] = second_jobs[k] = {no_filter, nullptr};
  }
  lane_io io;
  for (int k = 0; k < W; ++k) io.block[k] = chains[0].block;
  for (int k = 0; k < chain_count; ++k) {
    shape_jobs[k] = {chains[k].r, chains[k].block};
    filter_jobs[k] = {chains[k].f, chains[k].block};
    io.block[k] = chains[k].block;
  }
  for (int k = 0; k < resonator_count; ++k) {
    shape_jobs[FIRST + k] = resonators[k];
    io.block[FIRST + k] = resonators[k].block;
  }
  for (int c = 0; c < biquad_count; ++c) {
    filter_jobs[FIRST + c] = {biquads[c].f[0], biquads[c].block};
    filter_jobs[SECOND + c] = second_jobs[SECOND + c] = {biquads[c].f[1], biquads[c].block};
  }
  resonator_lanes shape;
  biquad_lanes filter;
  shape.load(shape_jobs, W);
  filter.load(filter_jobs, W);
  const biquad_lanes second = filter;  // the second sections' state before the first round
  for (int k = 0; k < W; ++k) {
    if (shape_jobs[k].r == no_shape) shape_jobs[k].r = &shape_spare;
    if (filter_jobs[k].f == no_filter || k >= SECOND) filter_jobs[k].f = &filter_spare;
    if (second_jobs[k].f == no_filter) second_jobs[k].f = &filter_spare;
  }
  // With one biquad chain, lane 5 reads its block too (and is not kept).
  const float* in_a = SECTIONS ? biquads[0].block : nullptr;
  const float* in_b = SECTIONS ? biquads[biquad_count - 1].block : nullptr;
  // The biquad step's outputs of the last round, a row per sample; the
  // first sections' outputs move up into the second sections' lanes.
  alignas(32) float last[W * W] = {};
  auto second_input = [&last](int j) { return V::pairs_up(V::load(last + W * j)); };
  auto put_second_outputs = [&](int start) {
    for (int c = 0; c < biquad_count; ++c)
      for (int j = 0; j < W; ++j) biquads[c].block[start + j] = last[W * j + SECOND + c];
  };
  for (int i = 0; i < n; i += W) {
    vec x[W];
    io.load(i, x);
    for (int j = 0; j < W; ++j) {
      const vec shaped = shape.step(x[j]);
      vec in = shaped;
      if (SECTIONS) {
        in = V::template blend<1 << FIRST>(in, V::splat(in_a[i + j]));
        in = V::template blend<2 << FIRST>(in, V::splat(in_b[i + j]));
        in = V::template blend<SECOND_LANES>(in, second_input(j));
      }
      const vec filtered = filter.step(in);
      if (SECTIONS) V::store(last + W * j, filtered);
      x[j] = V::template blend<UPPER_HALF>(filtered, shaped);
      if constexpr (MULTIPLIES)
        for (int k = 0; k < 8; ++k) env[k] *= mul[k];
    }
    if constexpr (MULTIPLIES) {
      if ((i + W) % 8 == 0)  // eight-sample rounds, whatever the width
        for (int k = 0; k < 8; ++k) multiplies->round[8 * ((i + W) / 8 - 1) + k] = env[k];
    }
    io.store(i, x);
    if (!SECTIONS) continue;
    if (i > 0) {
      put_second_outputs(i - W);
    } else {  // the second sections had nothing to do yet
      filter.x1 = V::template blend<SECOND_LANES>(filter.x1, second.x1);
      filter.x2 = V::template blend<SECOND_LANES>(filter.x2, second.x2);
      filter.y1 = V::template blend<SECOND_LANES>(filter.y1, second.y1);
      filter.y2 = V::template blend<SECOND_LANES>(filter.y2, second.y2);
    }
  }
  shape.save(shape_jobs, W);
  filter.save(filter_jobs, W);
  if constexpr (MULTIPLIES)
    for (int k = 0; k < 8; ++k) multiplies->env[k] = env[k];
  if (!SECTIONS || n <= 0) return;
  for (int j = 0; j < W; ++j) V::store(last + W * j, filter.step(second_input(j)));
  put_second_outputs(n - W);
  filter.save(second_jobs, W);
}

bool run_resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                                 const resonator_job* resonators, int resonator_count,
                                 const biquad_chain_job* biquads, int biquad_count, int n,
                                 const multiply_set_job* multiplies) {
  if (W == 8 && pass_of_three_fits_eight(chain_count, resonator_count, biquads, biquad_count)) {
    if (multiplies && n % 8 == 0) {
      if (biquad_count > 0)
        run_pass_of_three_one_group<true, true>(chains, chain_count, resonators, resonator_count,
                                                biquads, biquad_count, n, multiplies);
      else
        run_pass_of_three_one_group<false, true>(chains, chain_count, resonators,
                                                 resonator_count, biquads, biquad_count, n,
                                                 multiplies);
      return true;
    }
    if (biquad_count > 0)
      run_pass_of_three_one_group<true>(chains, chain_count, resonators, resonator_count, biquads,
                                        biquad_count, n);
    else
      run_pass_of_three_one_group<false>(chains, chain_count, resonators, resonator_count,
                                         biquads, biquad_count, n);
    if (multiplies) multiply_set_process(multiplies, n);
    return true;
  }
  if (chain_count > W || resonator_count > W || biquad_count > W) return false;
  const int k = biquad_count > 0 ? biquads[0].sections : 1;
  for (int j = 1; j < biquad_count; ++j)
    if (biquads[j].sections != k) return false;
  if (k == 1)
    run_three_with<1>(chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
  else if (k == 2)
    run_three_with<2>(chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
  else if (k == 4)
    run_three_with<4>(chains, chain_count, resonators, resonator_count, biquads, biquad_count, n);
  else
    return false;
  if (multiplies) multiply_set_process(multiplies, n);
  return true;
}

// DF2-then-one-pole chains and lone one-poles: one pass of two groups where
// each side fits a group, else each side on its own.
void run_df2_one_pole(const biquad_df2_one_pole_job* chains, int chain_count,
                      const one_pole_job* poles, int pole_count, int n) {
  if (chain_count >= 1 && chain_count <= W && pole_count >= 1 && pole_count <= W) {
    run_two<df2_one_pole_lanes, one_pole_lanes>(chains, chain_count, poles, pole_count, n);
    return;
  }
  for (int i = 0; i < chain_count; i += W)
    run_groups<df2_one_pole_lanes, biquad_df2_one_pole_job, 1>(
        chains + i, chain_count - i < W ? chain_count - i : W, n);
  run_lanes<one_pole_lanes>(poles, pole_count, n);
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

// --- Section, gate, band filter -------------------------------------------

// Up to W jobs, one per lane: the section, the gate where the job has one
// (selected per lane, so ungated lanes carry the section's output unchanged),
// then the band filter, a round of W samples behind the section.
void run_section_band(const section_band_job* jobs, int count, int n) {
  if (n <= 0) return;  // the pass below runs at least one round
  biquad_job sections[W] = {};
  band_filter_job bands[W] = {};
  for (int k = 0; k < count; ++k) {
    sections[k] = {jobs[k].section, const_cast<float*>(jobs[k].in)};
    bands[k] = {jobs[k].band, jobs[k].block};
  }
  biquad_lanes s;
  band_filter_lanes b;
  s.load(sections, count);
  b.load(bands, count);
  // Lanes without a gate read a tone they never use: their own input.
  lane_io in(sections, count), out(bands, count), tone(sections, count);
  for (int k = 0; k < count; ++k)
    if (jobs[k].tone) tone.block[k] = const_cast<float*>(jobs[k].tone);
  const vec gain = V::make([&](int k) { return k < count && jobs[k].tone ? jobs[k].gain : 1.0f; });
  const vec gate =
      lane_mask(jobs, count, [](const section_band_job& j) { return j.tone != nullptr; });
  // Each step holds two independent recurrences (the band filter's sample a
  // round behind) rather than one long chain through three filters.
  auto gated = [&](int i, vec x[W]) {
    vec t[W];
    in.load(i, x);
    tone.load(i, t);
    for (int j = 0; j < W; ++j) {
      const vec y = s.step(x[j]);
      x[j] = select(gate, mul(t[j], mul(y, gain)), y);
    }
  };
  vec pending[W];
  gated(0, pending);
  for (int i = W; i < n; i += W) {
    vec x[W], t[W];
    in.load(i, x);
    tone.load(i, t);
#pragma GCC unroll 8
    for (int j = 0; j < W; ++j) {
      const vec y = b.step(pending[j]);
      const vec z = s.step(x[j]);
      pending[j] = select(gate, mul(t[j], mul(z, gain)), z);
      x[j] = y;
    }
    out.store(i - W, x);
  }
  for (int j = 0; j < W; ++j) pending[j] = b.step(pending[j]);
  out.store(n - W, pending);
  s.save(sections, count);
  b.save(bands, count);
}


// --- Control chains --------------------------------------------------------

// Sweeps that ride along a control-chain pass: up to W ramps (job k in
// lane k), each value x stored as ((x + 1) slope[k]) + base[k].
struct sweep_lines {
  const ramp_osc_job* ramps;
  int count;
  const float* slope;
  const float* base;
};

// Up to W control chains, one per lane; lanes without a pre-section or of the
// other kind select their value past the step they skip. With sweeps, their
// short ramp chain runs beside the filters' longer ones in the same loop;
// with multiplies, their two chains (one multiply a sample, far off the
// filters' latency) as well.
template <bool SWEEPS, bool MULTIPLIES = false>
void run_control_chain_with(const control_chain_job* jobs, int count, int n,
                            const sweep_lines* sweeps,
                            const multiply_pair_job* multiplies = nullptr) {
  double env0 = 0.0, env1 = 0.0, mul0 = 0.0, mul1 = 0.0;
  if constexpr (MULTIPLIES) {
    env0 = multiplies->env[0], env1 = multiplies->env[1];
    mul0 = multiplies->mul[0], mul1 = multiplies->mul[1];
  }
  biquad_df2 idle[W] = {};
  biquad_df2_job pre[W] = {}, post[W] = {};
  one_pole_job smooth[W] = {};
  for (int k = 0; k < count; ++k) {
    pre[k] = {jobs[k].pre ? jobs[k].pre : &idle[k], jobs[k].control};
    smooth[k] = {jobs[k].smooth, jobs[k].control};
    post[k] = {jobs[k].post, jobs[k].block};
  }
  biquad_df2_lanes a, d;
  one_pole_lanes p;
  a.load(pre, count);
  p.load(smooth, count);
  d.load(post, count);
  lane_io control(smooth, count), block(post, count);
  const vec has_pre =
      lane_mask(jobs, count, [](const control_chain_job& j) { return j.pre != nullptr; });
  const vec product = lane_mask(jobs, count, [](const control_chain_job& j) { return j.product; });
  const vec scale = V::make([&](int k) { return k < count ? jobs[k].scale : 0.0f; });
  const vec offset = V::make([&](int k) { return k < count ? jobs[k].offset : 0.0f; });
  // The sweeps' phases, increments and lines (idle lanes: a ramp at rest).
  static const ramp_osc zero_ramp{};
  const ramp_osc* ramp[W];
  vec phase{}, increment{}, line_m{}, line_b{};
  lane_io line_out;
  if constexpr (SWEEPS) {
    const int m = sweeps->count;
    for (int k = 0; k < W; ++k) ramp[k] = k < m ? sweeps->ramps[k].o : &zero_ramp;
    phase = V::make([&](int k) { return ramp[k]->phase; });
    increment = V::make([&](int k) { return ramp[k]->increment; });
    line_m = V::make([&](int k) { return k < m ? sweeps->slope[k] : 0.0f; });
    line_b = V::make([&](int k) { return k < m ? sweeps->base[k] : 0.0f; });
    line_out.init(sweeps->ramps, m);
  }
  const vec ramp_top = V::splat(1.0f), ramp_restart = V::splat(-1.0f);
  // The post sections run a round of W samples behind the rest of the
  // chain: each step holds independent recurrences rather than one long
  // chain through three filters.
  vec pending[W];  // the post sections' inputs of the round before
  for (int i = 0; i < n; i += W) {
    vec c[W], x[W], lines[W];
    control.load(i, c);
    block.load(i, x);
    for (int j = 0; j < W; ++j) {
      if constexpr (SWEEPS) {
        lines[j] = add(mul(add(phase, ramp_top), line_m), line_b);
        phase = add(phase, increment);
        const vec restart = V::ge(phase, ramp_top);
        if (V::any(restart)) phase = select(restart, ramp_restart, phase);
      }
      if constexpr (MULTIPLIES) env0 *= mul0, env1 *= mul1;
      const vec y = i > 0 ? d.step(pending[j]) : x[j];
      const vec filtered = a.step(c[j]);
      const vec m = p.step(select(has_pre, filtered, c[j]));
      c[j] = mul(m, scale);
      const vec driven = add(c[j], offset), modulated = mul(m, x[j]);
      pending[j] = select(product, modulated, driven);
      x[j] = y;
    }
    if constexpr (MULTIPLIES) {
      if ((i + W) % 8 == 0) {  // eight-sample rounds, whatever the width
        multiplies->round[2 * ((i + W) / 8 - 1)] = env0;
        multiplies->round[2 * ((i + W) / 8 - 1) + 1] = env1;
      }
    }
    control.store(i, c);
    if (i > 0) block.store(i - W, x);
    if constexpr (SWEEPS) line_out.store(i, lines);
  }
  if (n > 0) {
    for (int j = 0; j < W; ++j) pending[j] = d.step(pending[j]);
    block.store(n - W, pending);
  }
  a.save(pre, count);
  p.save(smooth, count);
  d.save(post, count);
  if constexpr (SWEEPS) {
    float f[W];
    V::store(f, phase);
    for (int k = 0; k < sweeps->count; ++k) sweeps->ramps[k].o->phase = f[k];
  }
  if constexpr (MULTIPLIES) multiplies->env[0] = env0, multiplies->env[1] = env1;
}

void run_control_chain(const control_chain_job* jobs, int count, int n) {
  run_control_chain_with<false>(jobs, count, n, nullptr);
}

// --- Ramp oscillators -----------------------------------------------------

// Up to W ramps, one per lane: out = phase; phase += increment; a phase
// reaching 1 restarts at -1. Slow ramps restart rarely: a predicted branch
// keeps the select off the phase chain.
void run_ramps(const ramp_osc_job* jobs, int count, int n) {
  const ramp_osc* r[W];
  static const ramp_osc zero_ramp{};
  for (int k = 0; k < W; ++k) r[k] = k < count ? jobs[k].o : &zero_ramp;
  vec p = V::make([&](int k) { return r[k]->phase; });
  const vec inc = V::make([&](int k) { return r[k]->increment; });
  const vec one = V::splat(1.0f), minus_one = V::splat(-1.0f);
  lane_io io(jobs, count);
  for (int i = 0; i < n; i += W) {
    vec x[W];
    for (int j = 0; j < W; ++j) {
      x[j] = p;
      p = add(p, inc);
      const vec restart = V::ge(p, one);
      if (V::any(restart)) p = select(restart, minus_one, p);
    }
    io.store(i, x);
  }
  float f[W];
  V::store(f, p);
  for (int k = 0; k < count; ++k) jobs[k].o->phase = f[k];
}


// --- Sine oscillators -----------------------------------------------------

constexpr int SUB_CHUNK = 64;  // samples per round of the oscillator kernel

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


// Folds increments modulo 2 pi keeping their sign, lane by lane, as the
// scalar oscillator does: x - (sign(x) m) 2 pi with m = floor(|x| / 2 pi).
// sign(x) m is m with x's sign bit where x < 0 (the scalar product gives
// +0 for x = -0 and NaN for NaN, as this does).
LANE_INLINE vec fold_increments(vec x) {
  const vec two_pi = V::splat(6.2831855f), zero = V::splat(0.0f);
  const vec m = V::round_toward_zero(V::div(abs_of(x), two_pi));
  const vec signed_m = V::xor_(m, V::and_(V::lt(x, zero), V::splat(-0.0f)));
  return sub(x, mul(signed_m, two_pi));
}

LANE_INLINE vec parabolic_sine(vec x) {
  const vec k1 = V::splat(1.2732395f), k2 = V::splat(0.40528473f), k3 = V::splat(0.225f);
  const vec y = sub(mul(k1, x), mul(mul(k2, x), abs_of(x)));
  return add(mul(k3, sub(mul(y, abs_of(y)), y)), y);
}

using sine_wrap::WRAP_HIGH;
using sine_wrap::WRAP_LIMIT;
using sine_wrap::WRAP_LOW;
constexpr float SAFE_PHASE = 6.2842f;      // start phases within this take the vector path
constexpr float SAFE_INCREMENT = 6.2832f;  // as do increments within this
// Increments below this wrap a phase at most once in about 60 samples.
constexpr float SLOW_INCREMENT = 0.1f;

// Both wrapped sums run beside the comparisons, off the latency of the
// phase chain; then a blend, by AVX-512's masks where the build has them.
LANE_INLINE vec wrap_phases(vec s) {
  const vec hi = V::splat(WRAP_HIGH), lo = V::splat(WRAP_LOW);
  const vec low = V::splat(-WRAP_LIMIT), high = V::splat(WRAP_LIMIT);
  const vec up = add(add(s, hi), lo), down = sub(sub(s, hi), lo);
#if defined(__AVX512VL__)
  return V::pick_outside(s, low, high, up, down);
#else
  const vec below = V::le(s, low), above = V::ge(s, high);
  const vec keep = V::andnot(V::or_(below, above), s);
  return V::or_(V::or_(V::and_(below, up), V::and_(above, down)), keep);
#endif
}

// The wrap of phases that do not fall below -pi (a phase runs down only on a
// negative increment): the upper wrap alone, so the phase chain waits on one
// comparison and one blend; the caller takes wrap_phases when one does.
LANE_INLINE vec wrap_phases_above(vec s) {
  const vec hi = V::splat(WRAP_HIGH), lo = V::splat(WRAP_LOW), high = V::splat(WRAP_LIMIT);
  const vec down = sub(sub(s, hi), lo);
  return select(V::ge(s, high), down, s);
}

LANE_INLINE bool falls_below(vec s) { return V::any(V::le(s, V::splat(-WRAP_LIMIT))); }

LANE_INLINE bool needs_wrap(vec s) {
  return V::any(V::or_(V::le(s, V::splat(-WRAP_LIMIT)), V::ge(s, V::splat(WRAP_LIMIT))));
}

inline float max_abs(vec x) {
  float m[W];
  V::store(m, abs_of(x));
  float r = m[0];
  for (int k = 1; k < W; ++k) r = m[k] > r ? m[k] : r;
  return r;
}

// The scalar steps over samples [i, i + W) of G groups: each sample uses the
// phase before its own increment.
template <int G>
LANE_INLINE void scalar_phase_steps(vec p[G], vec (*inc)[SUB_CHUNK], int i, vec x[G][W]) {
  for (int g = 0; g < G; ++g) {
    float pk[W], ik[W];
    V::store(pk, p[g]);
    for (int j = 0; j < W; ++j) {
      V::store(ik, inc[g][i + j]);
      x[g][j] = V::load(pk);
      for (int k = 0; k < W; ++k) pk[k] = advance_phase(pk[k], ik[k]);
    }
    p[g] = V::load(pk);
  }
}

// G groups of up to W oscillators, one per lane. Per chunk of samples, the
// increments are formed first (all lanes at once); then the phases advance
// sample by sample, one vector per group, the groups' chains interleaved,
// with the increments of groups that need the fold (one reaches 2 pi)
// folded inside that loop, where the division overlaps the phase chains;
// the sines of the phases follow W samples at a time. Chunks whose phases or
// increments could leave the range of the single-precision wrap run the
// scalar steps instead (NaN fails the checks too); a folded increment found
// out of range after the loop sends its chunk back through the scalar steps.
template <int G, class IO = lane_io, bool SIDE = false>
void run_oscillators(const sine_osc_job* jobs, int count, int n, const IO* given = nullptr,
                     const biquad_job* side = nullptr) {
  // A side section (as biquad_process on its block, n even): one scalar step
  // a sample beside the phase chains, whose pass has room for its work.
  biquad sf = SIDE ? *side->f : biquad{};
  float* const side_block = SIDE ? side->block : nullptr;
  auto side_step = [&](int i) {
    if constexpr (SIDE) {
      const float x = side_block[i];
      const float y = sf.b0 * x + sf.b1 * sf.x1 + sf.b2 * sf.x2 + sf.c1 * sf.y1 + sf.c2 * sf.y2;
      sf.x2 = sf.x1;
      sf.x1 = x;
      sf.y2 = sf.y1;
      sf.y1 = y;
      side_block[i] = y;
    }
  };
  IO io[G];
  vec p[G], sc[G];
  for (int g = 0; g < G; ++g) {
    const int c = count - W * g < W ? count - W * g : W;
    float phase[W] = {}, scale[W] = {};
    for (int k = 0; k < c; ++k) {
      sine_osc* o = jobs[W * g + k].o;
      // The scalar oscillator normalises the phase first: a phase within one
      // turn keeps every bit, so only others take the call.
      if (!(__builtin_fabs(static_cast<double>(o->phase)) < 6.2831854820251465))
        sine_osc_process(o, jobs[W * g + k].block, 0);
      phase[k] = o->phase;
      scale[k] = o->scale;
    }
    if constexpr (std::is_same_v<IO, lane_io>)
      io[g].init(jobs + W * g, c);
    else
      io[g] = given[g];
    p[g] = V::load(phase);
    sc[g] = V::load(scale);
  }
  vec inc[G][SUB_CHUNK];
  for (int start = 0; start < n; start += SUB_CHUNK) {
    const int len = n - start < SUB_CHUNK ? n - start : SUB_CHUNK;
    bool vector_path = true, any_fold = false;
    bool slow[G], fold[G];
    for (int g = 0; g < G; ++g) {
      // An increment below 2 pi in magnitude folds to itself: the fold runs
      // only on chunks with a larger one (or a NaN). Four running maxima,
      // so that the maximum's latency does not chain the samples.
      vec wide[4] = {V::splat(0.0f), V::splat(0.0f), V::splat(0.0f), V::splat(0.0f)};
      for (int i = 0; i < len; i += W) {
        vec x[W];
        io[g].load(start + i, x);
        for (int j = 0; j < W; ++j) {
          inc[g][i + j] = mul(x[j], sc[g]);
          wide[j % 4] = V::max(wide[j % 4], abs_of(inc[g][i + j]));
        }
      }
      const vec widest = V::max(V::max(wide[0], wide[1]), V::max(wide[2], wide[3]));
      fold[g] = !(max_abs(widest) < WRAP_HIGH) || V::any(V::unord(widest, widest));
      any_fold = any_fold || fold[g];
      slow[g] = !fold[g] && max_abs(widest) < SLOW_INCREMENT;
      vector_path = vector_path && (fold[g] || max_abs(widest) <= SAFE_INCREMENT) &&
                    max_abs(p[g]) <= SAFE_PHASE && !V::any(V::unord(widest, p[g]));
    }
    bool side_pending = true;
    if (vector_path) {
      vec p0[G], folded_widest[G];
      for (int g = 0; g < G; ++g) p0[g] = p[g], folded_widest[g] = V::splat(0.0f);
      for (int i = 0; i < len; i += W) {
        vec x[G][W], step[G][W];
        for (int g = 0; g < G; ++g)
          for (int j = 0; j < W; ++j) {
            step[g][j] = inc[g][i + j];
            if (fold[g]) {
              step[g][j] = fold_increments(step[g][j]);
              folded_widest[g] = V::max(folded_widest[g], abs_of(step[g][j]));
            }
          }
        for (int j = 0; j < W; ++j) {
          side_step(start + i + j);
          for (int g = 0; g < G; ++g) {
            x[g][j] = p[g];
            const vec sum = add(p[g], step[g][j]);
            // Slow phases wrap rarely: a predicted branch keeps the blend
            // off their chain.
            if (slow[g])
              p[g] = needs_wrap(sum) ? wrap_phases(sum) : sum;
            else
              p[g] = falls_below(sum) ? wrap_phases(sum) : wrap_phases_above(sum);
          }
        }
        side_pending = false;
        for (int g = 0; g < G; ++g) {
          for (int j = 0; j < W; ++j) x[g][j] = parabolic_sine(x[g][j]);
          io[g].store(start + i, x[g]);
        }
      }
      if (!any_fold) continue;
      for (int g = 0; g < G; ++g)
        if (fold[g] && (!(max_abs(folded_widest[g]) <= SAFE_INCREMENT) ||
                        V::any(V::unord(folded_widest[g], folded_widest[g]))))
          vector_path = false;
      if (vector_path) continue;
      for (int g = 0; g < G; ++g) p[g] = p0[g];  // the chunk again, in scalar steps
    }
    if (side_pending)
      for (int i = 0; i < len; ++i) side_step(start + i);
    for (int g = 0; g < G; ++g)
      if (fold[g])
        for (int i = 0; i < len; ++i) inc[g][i] = fold_increments(inc[g][i]);
    for (int i = 0; i < len; i += W) {
      vec x[G][W];
      scalar_phase_steps<G>(p, inc, i, x);
      for (int g = 0; g < G; ++g) {
        for (int j = 0; j < W; ++j) x[g][j] = parabolic_sine(x[g][j]);
        io[g].store(start + i, x[g]);
      }
    }
  }
  for (int g = 0; g < G; ++g) {
    const int c = count - W * g < W ? count - W * g : W;
    float phase[W];
    V::store(phase, p[g]);
    for (int k = 0; k < c; ++k) jobs[W * g + k].o->phase = phase[k];
  }
  if constexpr (SIDE) *side->f = sf;
}

#if defined(LANE_PAIRED_OSCILLATORS)
// Up to four oscillators in an eight-lane build: the phase chain runs in
// four-lane vectors (sse_vectors, one oscillator per lane), while the
// increments, their fold and the sines take two samples per eight-lane
// vector (lanes 0-3 sample j, lanes 4-7 sample j + 4 of each group of
// eight, as in-half transposes of eight-sample rows leave them): half the
// operations of a four-lane pass for all but the chain. The same steps and
// checks as run_oscillators, lane for lane.
void run_oscillators_paired(const sine_osc_job* jobs, int count, int n) {
  using S = sse_vectors;
  using q = S::v;
  static_assert(W == 8);
  // Rows of the four lanes; missing lanes borrow lane 0's row (they read it
  // and write it before lane 0 does).
  float* row[4];
  for (int k = 0; k < 4; ++k) row[k] = jobs[k < count ? k : 0].block;
  float phase[4] = {}, scale[4] = {};
  for (int k = 0; k < count; ++k) {
    sine_osc* o = jobs[k].o;
    if (!(__builtin_fabs(static_cast<double>(o->phase)) < 6.2831854820251465))
      sine_osc_process(o, jobs[k].block, 0);
    phase[k] = o->phase;
    scale[k] = o->scale;
  }
  q p = S::load(phase);
  const vec sc = _mm256_insertf128_ps(_mm256_castps128_ps256(S::load(scale)), S::load(scale), 1);
  // Rows k of samples i..i + 7 to pairs: x[j] = samples i + j (low) and
  // i + j + 4 (high), j < 4; and back.
  auto load_pairs = [&](int i, vec x[4]) {
    vec r[4];
    for (int k = 0; k < 4; ++k) r[k] = V::load(row[k] + i);
    const vec t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const vec t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
    x[0] = _mm256_shuffle_ps(t0, t2, 0x44);
    x[1] = _mm256_shuffle_ps(t0, t2, 0xEE);
    x[2] = _mm256_shuffle_ps(t1, t3, 0x44);
    x[3] = _mm256_shuffle_ps(t1, t3, 0xEE);
  };
  auto store_pairs = [&](int i, vec x[4]) {
    const vec t0 = _mm256_unpacklo_ps(x[0], x[1]), t1 = _mm256_unpackhi_ps(x[0], x[1]);
    const vec t2 = _mm256_unpacklo_ps(x[2], x[3]), t3 = _mm256_unpackhi_ps(x[2], x[3]);
    const vec r[4] = {_mm256_shuffle_ps(t0, t2, 0x44), _mm256_shuffle_ps(t0, t2, 0xEE),
                      _mm256_shuffle_ps(t1, t3, 0x44), _mm256_shuffle_ps(t1, t3, 0xEE)};
    for (int k = 3; k >= 0; --k) V::store(row[k] + i, r[k]);
  };
  auto low = [](vec x) { return _mm256_castps256_ps128(x); };
  auto high = [](vec x) { return _mm256_extractf128_ps(x, 1); };
  auto join = [](q a, q b) { return _mm256_insertf128_ps(_mm256_castps128_ps256(a), b, 1); };
  auto max_abs4 = [](q x) {
    float m[4];
    S::store(m, S::and_(x, S::abs_mask()));
    float r = m[0];
    for (int k = 1; k < 4; ++k) r = m[k] > r ? m[k] : r;
    return r;
  };
  // The phase wraps of the four-lane chain (as wrap_phases and
  // wrap_phases_above, on four lanes).
  const q hi = S::splat(WRAP_HIGH), lo = S::splat(WRAP_LOW);
  const q low_limit = S::splat(-WRAP_LIMIT), high_limit = S::splat(WRAP_LIMIT);
  auto wrap_both = [&](q s) {
    const q up = S::add(S::add(s, hi), lo), down = S::sub(S::sub(s, hi), lo);
    const q below = S::le(s, low_limit), above = S::ge(s, high_limit);
    const q keep = S::andnot(S::or_(below, above), s);
    return S::or_(S::or_(S::and_(below, up), S::and_(above, down)), keep);
  };
  auto wrap_above = [&](q s) {
    const q down = S::sub(S::sub(s, hi), lo), above = S::ge(s, high_limit);
    return S::select(above, down, s);
  };
  vec inc[SUB_CHUNK / 2];  // pairs, four per eight samples
  for (int start = 0; start < n; start += SUB_CHUNK) {
    const int len = n - start < SUB_CHUNK ? n - start : SUB_CHUNK;
    vec wide[4] = {V::splat(0.0f), V::splat(0.0f), V::splat(0.0f), V::splat(0.0f)};
    for (int i = 0; i < len; i += 8) {
      vec x[4];
      load_pairs(start + i, x);
      for (int j = 0; j < 4; ++j) {
        inc[i / 2 + j] = mul(x[j], sc);
        wide[j] = V::max(wide[j], abs_of(inc[i / 2 + j]));
      }
    }
    const vec both = V::max(V::max(wide[0], wide[1]), V::max(wide[2], wide[3]));
    const q widest = S::max(low(both), high(both));
    const bool fold = !(max_abs4(widest) < WRAP_HIGH) || S::any(S::unord(widest, widest));
    const bool slow = !fold && max_abs4(widest) < SLOW_INCREMENT;
    bool vector_path = (fold || max_abs4(widest) <= SAFE_INCREMENT) &&
                       max_abs4(p) <= SAFE_PHASE && !S::any(S::unord(widest, p));
    if (vector_path) {
      const q p0 = p;
      vec folded_widest = V::splat(0.0f);
      for (int i = 0; i < len; i += 8) {
        vec step[4];
        for (int j = 0; j < 4; ++j) {
          step[j] = inc[i / 2 + j];
          if (fold) {
            step[j] = fold_increments(step[j]);
            folded_widest = V::max(folded_widest, abs_of(step[j]));
          }
        }
        q x[8];
        for (int j = 0; j < 8; ++j) {
          x[j] = p;
          const q sum = S::add(p, j < 4 ? low(step[j]) : high(step[j - 4]));
          if (slow) {
            const bool wraps = S::any(S::or_(S::le(sum, low_limit), S::ge(sum, high_limit)));
            p = wraps ? wrap_both(sum) : sum;
          } else {
            p = S::any(S::le(sum, low_limit)) ? wrap_both(sum) : wrap_above(sum);
          }
        }
        vec y[4];
        for (int j = 0; j < 4; ++j) y[j] = parabolic_sine(join(x[j], x[j + 4]));
        store_pairs(start + i, y);
      }
      if (!fold) continue;
      const q fw = S::max(low(folded_widest), high(folded_widest));
      if (max_abs4(fw) <= SAFE_INCREMENT && !S::any(S::unord(fw, fw))) continue;
      p = p0;  // the chunk again, in scalar steps
    }
    if (fold)
      for (int j = 0; j < len / 2; ++j) inc[j] = fold_increments(inc[j]);
    for (int i = 0; i < len; i += 8) {
      float pk[4], ik[8];
      S::store(pk, p);
      q x[8];
      for (int j = 0; j < 8; ++j) {
        V::store(ik, inc[i / 2 + (j & 3)]);
        x[j] = S::load(pk);
        for (int k = 0; k < 4; ++k) pk[k] = advance_phase(pk[k], ik[k + 4 * (j >> 2)]);
      }
      p = S::load(pk);
      vec y[4];
      for (int j = 0; j < 4; ++j) y[j] = parabolic_sine(join(x[j], x[j + 4]));
      store_pairs(start + i, y);
    }
  }
  S::store(phase, p);
  for (int k = 0; k < count; ++k) jobs[k].o->phase = phase[k];
}
#endif

#if defined(LANE_MAJOR_PASSES)
// --- Lane-major passes ------------------------------------------------------
// The same steps as the kernels above with a fixed job per lane and
// lane-major blocks in and out (x[j] = one load, no transpose).
static_assert(W == MAJOR_LANES);

LANE_INLINE vec major_load(const float* p, int i) { return V::load(p + i * W); }
LANE_INLINE void major_store(float* p, int i, vec x) { V::store(p + i * W, x); }

template <bool MULTIPLIES>
void run_control_chain_major(const control_chain_job* jobs, int n, float* control_out,
                             float* block_out, const ramp_osc_job* ramps, const float* slope,
                             const float* base, float* sweep_out,
                             const multiply_pair_job* chains) {
  // The multiply chains: one multiply a sample, far off this pass's own
  // latency (alone, their 64 dependent multiplies would hold up the passes).
  __m128d env = MULTIPLIES ? _mm_load_pd(chains->env) : _mm_setzero_pd();
  const __m128d env_mul = MULTIPLIES ? _mm_load_pd(chains->mul) : _mm_setzero_pd();
  // The sweeps: four ramps in the four lanes of the narrow vectors, each
  // value stored through its lane's line.
  using S = sse_vectors;
  using q = S::v;
  static const ramp_osc zero_ramp{};
  const ramp_osc* ramp[4];
  for (int k = 0; k < 4; ++k) ramp[k] = ramps[k].o ? ramps[k].o : &zero_ramp;
  q phase = S::make([&](int k) { return ramp[k]->phase; });
  const q increment = S::make([&](int k) { return ramp[k]->increment; });
  const q ramp_top = S::splat(1.0f), ramp_restart = S::splat(-1.0f);
  const q line_m = S::load(slope), line_b = S::load(base);

  biquad_df2 idle_pre[W] = {}, idle_post[W] = {};
  one_pole idle_smooth[W] = {};
  biquad_df2_job pre[W], post[W];
  one_pole_job smooth[W];
  lane_io control, block;
  for (int k = 0; k < W; ++k) {
    const control_chain_job& j = jobs[k];
    const bool on = j.smooth != nullptr;
    pre[k] = {on && j.pre ? j.pre : &idle_pre[k], nullptr};
    smooth[k] = {on ? j.smooth : &idle_smooth[k], nullptr};
    post[k] = {on ? j.post : &idle_post[k], nullptr};
    control.block[k] = on ? j.control : j.block;
    block.block[k] = j.block;
  }
  biquad_df2_lanes a, d;
  one_pole_lanes p;
  a.load(pre, W);
  p.load(smooth, W);
  d.load(post, W);
  const vec has_pre = lane_mask(jobs, W, [](const control_chain_job& j) { return j.smooth && j.pre; });
  const vec product = lane_mask(jobs, W, [](const control_chain_job& j) { return j.smooth && j.product; });
  const vec pass = lane_mask(jobs, W, [](const control_chain_job& j) { return !j.smooth; });
  const vec scale = V::make([&](int k) { return jobs[k].scale; });
  const vec offset = V::make([&](int k) { return jobs[k].offset; });
  for (int i = 0; i < n; i += W) {
    vec c[W], x[W];
    control.load(i, c);
    block.load(i, x);
#pragma GCC unroll 8
    for (int j = 0; j < W; ++j) {
      // The sweep ramps' short chain beside the filters' longer ones.
      S::store(sweep_out + 4 * (i + j), S::add(S::mul(S::add(phase, ramp_top), line_m), line_b));
      phase = S::add(phase, increment);
      const q restart = S::ge(phase, ramp_top);
      if (S::any(restart))
        phase = S::or_(S::and_(restart, ramp_restart), S::andnot(restart, phase));
      if constexpr (MULTIPLIES) env = _mm_mul_pd(env, env_mul);
      const vec filtered = a.step(c[j]);
      const vec m = p.step(select(has_pre, filtered, c[j]));
      const vec scaled = mul(m, scale);
      const vec driven = add(scaled, offset), modulated = mul(m, x[j]);
      const vec y = d.step(select(product, modulated, driven));
      major_store(control_out, i + j, scaled);
      major_store(block_out, i + j, select(pass, x[j], y));
    }
    if constexpr (MULTIPLIES) _mm_store_pd(chains->round + 2 * (i / W), env);
  }
  a.save(pre, W);
  p.save(smooth, W);
  d.save(post, W);
  float f[4];
  S::store(f, phase);
  for (int k = 0; k < 4; ++k)
    if (ramps[k].o) ramps[k].o->phase = f[k];
  if constexpr (MULTIPLIES) _mm_store_pd(chains->env, env);
}

// Frequencies from a four-wide buffer (lanes 0-3) and the upper half of an
// eight-wide one (lanes 4-7); sines out eight wide.
struct major_oscillator_io {
  const float* low = nullptr;
  const float* high = nullptr;
  float* out = nullptr;
  LANE_INLINE void load(int i, vec x[W]) {
    for (int j = 0; j < W; ++j)
      x[j] = _mm256_insertf128_ps(V::load(high + (i + j) * W), _mm_loadu_ps(low + (i + j) * 4), 0);
  }
  LANE_INLINE void store(int i, vec x[W]) {
    for (int j = 0; j < W; ++j) major_store(out, i + j, x[j]);
  }
};

void run_oscillators_major(const sine_osc_job* jobs, int n, const float* low, const float* high,
                           float* out, const biquad_job* side) {
  sine_osc idle[W] = {};
  sine_osc_job lanes[W];
  for (int k = 0; k < W; ++k) lanes[k] = {jobs[k].o ? jobs[k].o : &idle[k], nullptr};
  const major_oscillator_io io{low, high, out};
  if (side)
    run_oscillators<1, major_oscillator_io, true>(lanes, W, n, &io, side);
  else
    run_oscillators<1>(lanes, W, n, &io);
}

// The section, the gate and the band filter as run_section_band, the gated
// lanes' input being the drop pulse of their control and sine values, their
// tone the sines of the lane four away.
void run_section_band_major(const section_band_job* jobs, int n, const float* in,
                            const float* control, const float* sines, float threshold,
                            const float* gains) {
  biquad idle_section[W] = {};
  band_filter idle_band[W] = {};
  biquad_job sections[W];
  band_filter_job bands[W];
  for (int k = 0; k < W; ++k) {
    const bool on = jobs[k].section != nullptr;
    sections[k] = {on ? jobs[k].section : &idle_section[k], nullptr};
    bands[k] = {on ? jobs[k].band : &idle_band[k], jobs[k].block};
  }
  biquad_lanes s;
  band_filter_lanes b;
  s.load(sections, W);
  b.load(bands, W);
  lane_io out(bands, W);
  const vec gain = V::make([&](int k) { return jobs[k].section && jobs[k].tone ? jobs[k].gain : 1.0f; });
  const vec gate =
      lane_mask(jobs, W, [](const section_band_job& j) { return j.section && j.tone; });
  const vec above = V::splat(threshold), below = V::splat(-threshold);
  // The section and the gate of a sample, as the band filter takes it.
  auto gated = [&](int i) {
    const vec c = major_load(control, i), sine = major_load(sines, i);
    const vec pulse = add(V::max(mul(sine, mul(c, c)), above), below);
    const vec y = s.step(select(gate, pulse, major_load(in, i)));
    return select(gate, mul(V::swap_halves(sine), mul(y, gain)), y);
  };
  // The band filter runs a round of W samples behind the section, so that
  // each step holds two independent recurrences rather than one long chain
  // through three filters (which the processor could not overlap enough).
  // The outputs scaled by the lanes' gains where given, as they are stored.
  const bool scaled = gains != nullptr;
  const vec gain_out = scaled ? V::load(gains) : V::splat(1.0f);
  auto store = [&](int i, vec x[W]) {
    if (scaled)
      for (int j = 0; j < W; ++j) x[j] = mul(x[j], gain_out);
    out.store(i, x);
  };
  vec pending[W];
  for (int j = 0; j < W; ++j) pending[j] = gated(j);
  for (int i = W; i < n; i += W) {
    vec x[W];
#pragma GCC unroll 8
    for (int j = 0; j < W; ++j) {
      x[j] = b.step(pending[j]);
      pending[j] = gated(i + j);
    }
    store(i - W, x);
  }
  for (int j = 0; j < W; ++j) pending[j] = b.step(pending[j]);
  store(n - W, pending);
  s.save(sections, W);
  b.save(bands, W);
}

void kernel_control_chain_process_major(const control_chain_job* jobs, int n, float* control_out,
                                        float* block_out, const ramp_osc_job* ramps,
                                        const float* slope, const float* base, float* sweep_out,
                                        const multiply_pair_job* chains) {
  if (chains)
    run_control_chain_major<true>(jobs, n, control_out, block_out, ramps, slope, base, sweep_out,
                                  chains);
  else
    run_control_chain_major<false>(jobs, n, control_out, block_out, ramps, slope, base, sweep_out,
                                   chains);
}
void kernel_sine_osc_process_major(const sine_osc_job* jobs, int n, const float* low,
                                   const float* high, float* out, const biquad_job* side) {
  run_oscillators_major(jobs, n, low, high, out, side);
}
void kernel_section_band_process_major(const section_band_job* jobs, int n, const float* in,
                                       const float* control, const float* sines, float threshold,
                                       const float* gains) {
  run_section_band_major(jobs, n, in, control, sines, threshold, gains);
}
#endif

// Up to 2 W oscillators.
void run_oscillator_lanes(const sine_osc_job* jobs, int count, int n) {
#if defined(LANE_PAIRED_OSCILLATORS)
  if (count <= W / 2) {
    run_oscillators_paired(jobs, count, n);
    return;
  }
#endif
  if (count > W)
    run_oscillators<2>(jobs, count, n);
  else
    run_oscillators<1>(jobs, count, n);
}

// The entry points of this build of every kernel.
void kernel_resonator_process_lanes(const resonator_job* jobs, int count, int n) {
  run_lanes<resonator_lanes>(jobs, count, n);
}
void kernel_biquad_process_lanes(const biquad_job* jobs, int count, int n) {
  run_lanes<biquad_lanes>(jobs, count, n);
}
void kernel_band_filter_process_lanes(const band_filter_job* jobs, int count, int n) {
  run_lanes<band_filter_lanes>(jobs, count, n);
}
void kernel_biquad_df2_process_lanes(const biquad_df2_job* jobs, int count, int n) {
  run_lanes<biquad_df2_lanes>(jobs, count, n);
}
void kernel_one_pole_process_lanes(const one_pole_job* jobs, int count, int n) {
  run_lanes<one_pole_lanes>(jobs, count, n);
}
void kernel_biquad_chain_process_lanes(const biquad_chain_job* jobs, int count, int n) {
  run_chains(jobs, count, n);
}
void kernel_sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n) {
  run_oscillator_lanes(jobs, count, n);
}
void kernel_ramp_osc_process_lanes(const ramp_osc_job* jobs, int count, int n) {
  in_groups<ramp_osc_job, run_ramps>(jobs, count, n);
}
void kernel_section_band_process_lanes(const section_band_job* jobs, int count, int n) {
  in_groups<section_band_job, run_section_band>(jobs, count, n);
}
void kernel_control_chain_process_lanes(const control_chain_job* jobs, int count, int n) {
  in_groups<control_chain_job, run_control_chain>(jobs, count, n);
}
void kernel_control_chain_sweep_process_lanes(const control_chain_job* jobs, int count,
                                              const ramp_osc_job* ramps, int ramp_count,
                                              const float* slope, const float* base, int n,
                                              const multiply_pair_job* multiplies) {
  const sweep_lines sweeps{ramps, ramp_count, slope, base};
  const int first = count < W ? count : W;
  if (multiplies)
    run_control_chain_with<true, true>(jobs, first, n, &sweeps, multiplies);
  else
    run_control_chain_with<true>(jobs, first, n, &sweeps);
  in_groups<control_chain_job, run_control_chain>(jobs + first, count - first, n);
}
bool kernel_resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                                    const resonator_job* resonators, int resonator_count,
                                    const biquad_chain_job* biquads, int biquad_count, int n,
                                    const multiply_set_job* multiplies) {
  return run_resonator_pass_of_three(chains, chain_count, resonators, resonator_count, biquads,
                                     biquad_count, n, multiplies);
}
void kernel_biquad_df2_one_pole_process_lanes(const biquad_df2_one_pole_job* chains,
                                              int chain_count, const one_pole_job* poles,
                                              int pole_count, int n) {
  run_df2_one_pole(chains, chain_count, poles, pole_count, n);
}

}  // namespace
