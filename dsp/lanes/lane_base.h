#pragma once
// What every family of lane kernels shares. A lane kernel runs independent
// instances side by side, one instance per vector lane; each lane does
// exactly the arithmetic of the scalar processor on its own record (same
// operations, same order), so a lane's output is bit for bit the scalar
// output and four or eight instances cost about one. Block lengths are
// multiples of 4. Each kernel runs eight lanes where the level has them
// (from five jobs on, for lengths that are multiples of 8), else four.

#include <cstddef>      // for the bodies, which include nothing themselves
#include <type_traits>

#include "dsp/simd/lane_family.h"

// The jobs one four-lane pass takes; the filter kernels take up to
// FILTER_JOBS jobs (two groups of lanes interleaved per pass), the
// oscillator kernel up to OSCILLATOR_JOBS.
inline constexpr int LANES = 4;
inline constexpr int FILTER_JOBS = 16;
inline constexpr int OSCILLATOR_JOBS = 8;

// The lanes of the widest lane kernels at the level that runs (4 or 8).
int lane_width_now();

// A chain of passes can hand its blocks on in lane-major buffers (sample i
// of lane k at [i * MAJOR_LANES + k]) rather than in one block per job: no
// transpose on either side of the handoff. Passes written that way take
// exactly MAJOR_LANES jobs and run where the level has eight lanes, for
// lengths that are multiples of 8.
inline constexpr int MAJOR_LANES = 8;
bool lane_major_available(int n);

// Collects jobs of one kind and runs them `Width` at a time.
template <class Job, void (*Run)(const Job*, int, int), int Width = LANES>
struct lane_batch {
  Job jobs[16];
  int count = 0;
  void add(Job j) { jobs[count++] = j; }
  void run(int n) {
    for (int i = 0; i < count; i += Width) Run(jobs + i, count - i < Width ? count - i : Width, n);
    count = 0;
  }
};
