// Multiply chains as riders of a lane pass (dsp/lanes/envelope_lanes.h), for
// any vector policy V after dsp/lanes/lane_core.h. ON false: nothing rides.

// A pair of chains: one multiply of each a sample.
template <bool ON>
struct multiply_pair_rider {
  const multiply_pair_job* job;
  double env0 = 0.0, env1 = 0.0, mul0 = 0.0, mul1 = 0.0;
  LANE_INLINE explicit multiply_pair_rider(const multiply_pair_job* j) : job(j) {
    if constexpr (ON) {
      env0 = j->env[0], env1 = j->env[1];
      mul0 = j->mul[0], mul1 = j->mul[1];
    }
  }
  LANE_INLINE void step(int) {
    if constexpr (ON) env0 *= mul0, env1 *= mul1;
  }
  LANE_INLINE void round(int i) {
    if constexpr (ON) {
      if ((i + W) % 8 == 0) {  // eight-sample rounds, whatever the width
        job->round[2 * ((i + W) / 8 - 1)] = env0;
        job->round[2 * ((i + W) / 8 - 1) + 1] = env1;
      }
    }
  }
  LANE_INLINE void stored(int) {}
  LANE_INLINE void finish() {
    if constexpr (ON) job->env[0] = env0, job->env[1] = env1;
  }
};

// A set of MULTIPLY_SET chains.
template <bool ON>
struct multiply_set_rider {
  const multiply_set_job* job;
  double env[MULTIPLY_SET] = {}, mul[MULTIPLY_SET] = {};
  LANE_INLINE explicit multiply_set_rider(const multiply_set_job* j) : job(j) {
    if constexpr (ON)
      for (int k = 0; k < MULTIPLY_SET; ++k) env[k] = j->env[k], mul[k] = j->mul[k];
  }
  LANE_INLINE void step(int) {
    if constexpr (ON)
      for (int k = 0; k < MULTIPLY_SET; ++k) env[k] *= mul[k];
  }
  LANE_INLINE void round(int i) {
    if constexpr (ON) {
      if ((i + W) % 8 == 0)  // eight-sample rounds, whatever the width
        for (int k = 0; k < MULTIPLY_SET; ++k) job->round[8 * ((i + W) / 8 - 1) + k] = env[k];
    }
  }
  LANE_INLINE void stored(int) {}
  LANE_INLINE void finish() {
    if constexpr (ON)
      for (int k = 0; k < MULTIPLY_SET; ++k) job->env[k] = env[k];
  }
};
