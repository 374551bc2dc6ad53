#pragma once
// Oscillators of independent instances run side by side, each bit for bit
// as its scalar processor would.

#include "dsp/lanes/filter_lanes.h"  // a section may ride along
#include "dsp/oscillators.h"

struct ramp_osc_job {
  ramp_osc* o;
  float* block;  // ramp values out
};

struct sine_osc_job {
  sine_osc* o;
  float* block;  // frequencies in, sine values out
};

// As ramp_osc_process for each job (any number of jobs).
void ramp_osc_process_lanes(const ramp_osc_job* jobs, int count, int n);
// In place, as sine_osc_process: the phase of each oscillator is normalised
// once per call, then advanced sample by sample. Up to OSCILLATOR_JOBS jobs;
// from two on, the eight-lane builds run them (two samples per vector where
// four lanes would hold them).
void sine_osc_process_lanes(const sine_osc_job* jobs, int count, int n);

// X(return type, name, parameters, arguments, lanes filled): see
// dsp/simd/lane_family.h.
#define OSTRELLE_OSCILLATOR_LANES(X)                                                         \
  X(void, ramp_osc_process_lanes, (const ramp_osc_job* jobs, int count, int n),              \
    (jobs, count, n), count)                                                                 \
  X(void, sine_osc_process_lanes, (const sine_osc_job* jobs, int count, int n),              \
    (jobs, count, n), count > 1 ? LANES + 1 : count)
OSTRELLE_LANE_TABLE(oscillator_lanes, OSTRELLE_OSCILLATOR_LANES)

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
