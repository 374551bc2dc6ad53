#pragma once
// Envelopes' multiply chains riding along a lane pass: a quiet envelope
// advances by one multiply a sample (see random_envelope_chain_begin), a
// chain of latency the filter passes can hide beside theirs. Passes that
// take one say so; the values after every eighth sample are kept for the
// envelopes' readings.

#include "dsp/envelope.h"

// Two multiply chains in double precision (a pair of envelopes' multipliers)
// riding along a pass: at each sample env[k] *= mul[k]; after samples 8 r to
// 8 r + 7, round[2 r + k] = env[k]; env holds the last values after the
// pass (n: multiple of 8). All three arrays are 16-byte aligned.
struct multiply_pair_job {
  double* env;
  const double* mul;
  double* round;
};

// The same for MULTIPLY_SET (eight) chains (resting ones: zero times one):
// after samples 8 r to 8 r + 7, round[8 r + k] = env[k]. All three arrays
// are 32-byte aligned.
struct multiply_set_job {
  double* env;
  const double* mul;
  double* round;
};
// The multiplies of a set on their own (n: multiple of 8).
void multiply_set_process(const multiply_set_job* m, int n);
