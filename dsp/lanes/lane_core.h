// The machinery every lane kernel shares, written once for any vector
// policy V: a vector unit includes it inside a namespace of its own per
// policy (see dsp/simd/vector_units.cmake), so nothing here is shared
// between units built for different instruction sets. Groups of up to W
// jobs run side by side, one job per lane; each lane does exactly the
// arithmetic of the scalar processor on its own record (same operations,
// same order), so every lane's output is bit for bit the scalar output.

#define LANE_INLINE inline __attribute__((always_inline))

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


LANE_INLINE vec mul(vec a, vec b) { return V::mul(a, b); }
LANE_INLINE vec add(vec a, vec b) { return V::add(a, b); }
LANE_INLINE vec sub(vec a, vec b) { return V::sub(a, b); }
LANE_INLINE vec abs_of(vec x) { return V::and_(x, V::abs_mask()); }
// a where the mask's lane is set, else b. Left in logic operations for the
// compiler to combine: forcing one blend or ternary-logic instruction here
// made the passes slower; only the paired oscillators' phase chain takes
// the four-lane policy's select.
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

// Up to G x W jobs as G groups of W lanes, the groups' sample chains
// interleaved so that the processor works on independent recurrences at once.
// Lanes is the state of one group of a filter kind (see
// dsp/lanes/filter_lane_states.h): load, save and step.
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

// Work that rides along a pass's sample loop, far off the pass's own
// latency (a pass takes a rider where it says so): step(j) first in the
// step of each sample j of a round, round(i) after the W samples from i
// have stepped, stored(i) after the pass has stored them, finish() after it
// has saved its records.
struct no_rider {
  LANE_INLINE void step(int) {}
  LANE_INLINE void round(int) {}
  LANE_INLINE void stored(int) {}
  LANE_INLINE void finish() {}
};

// Two riders, the first's work first at each hook.
template <class A, class B>
struct rider_pair {
  A& a;
  B& b;
  LANE_INLINE void step(int j) {
    a.step(j);
    b.step(j);
  }
  LANE_INLINE void round(int i) {
    a.round(i);
    b.round(i);
  }
  LANE_INLINE void stored(int i) {
    a.stored(i);
    b.stored(i);
  }
  LANE_INLINE void finish() {
    a.finish();
    b.finish();
  }
};
