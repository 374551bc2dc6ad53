// The state of up to W instances of one filter kind as vectors, with the
// step of one sample: the resonator, the two biquad forms, the band filter,
// the one-pole filter, chains of biquads and filters in series. Records are
// read on load and written back on save. Written for any vector policy V,
// after dsp/lanes/lane_core.h (included per policy by each vector unit).

// One field of the real lanes' records written back from a vector.
template <class Rec, class Job>
LANE_INLINE void scatter(const Job* jobs, int count, Rec* (*rec)(const Job&), float Rec::*field,
                         vec x) {
  float f[W];
  V::store(f, x);
  for (int k = 0; k < count; ++k) rec(jobs[k])->*field = f[k];
}

// The last W fields of the real lanes' records written back from their
// vectors (fields[i] holds field first + i, first = fields - W): one
// transpose and one store per record. Fields among them that the kernel
// leaves alone get their own values back. (Eight lanes: the four-lane
// kernels write field by field.)
template <class Rec, class Job, class... Fields>
LANE_INLINE void scatter_last(const Job* jobs, int count, Rec* (*rec)(const Job&),
                              Fields... fields) {
  constexpr int first = static_cast<int>(sizeof(Rec) / sizeof(float)) - W;
  static_assert(first >= 0 && sizeof...(Fields) == W);
  vec x[W] = {fields...};
  V::transpose(x);
  for (int k = 0; k < count; ++k) V::store(reinterpret_cast<float*>(rec(jobs[k])) + first, x[k]);
}

inline resonator* rec_of(const resonator_job& j) { return j.r; }
inline biquad* rec_of(const biquad_job& j) { return j.f; }
inline band_filter* rec_of(const band_filter_job& j) { return j.f; }
inline biquad_df2* rec_of(const biquad_df2_job& j) { return j.f; }
inline one_pole* rec_of(const one_pole_job& j) { return j.p; }

// Every field of up to W records of floats as vectors (field i of record k
// in lane k; 0 for missing lanes): each run of W fields by W loads and one
// transpose, the rest one field at a time. The records were last written a
// pass or more ago, so the wide loads find them out of the store buffer.
// Vectors that can load the first floats of a record without reading past it.
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
    if constexpr (W == 8) {
      // The record's last eight fields: b1, b2, x1, x2, c1, c2, y1, y2.
      scatter_last<rec_type>(jobs, count, rec_of, b1, b2, x1, x2, c1, c2, y1, y2);
    } else {
      SCATTER(x1, x1);
      SCATTER(x2, x2);
      SCATTER(y1, y1);
      SCATTER(y2, y2);
    }
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
    if constexpr (W == 8) {
      // The record's last eight fields: lp_c2, x1, x2, u1, u2, u2_in, y1, y2.
      scatter_last<rec_type>(jobs, count, rec_of, lc2, x1, x2, u1, u2, u2_in, y1, y2);
    } else {
      SCATTER(x1, x1);
      SCATTER(x2, x2);
      SCATTER(u1, u1);
      SCATTER(u2, u2);
      SCATTER(u2_in, u2_in);
      SCATTER(y1, y1);
      SCATTER(y2, y2);
    }
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
