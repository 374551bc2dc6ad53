#pragma once
// The wind's pass of three: its voices' first filter stage in one lane pass.
// The noise shapes (resonators) followed by their filter in the background
// flows and the whistles (resonator-then-biquad chains), the gusts' and
// squalls' lone shapes, and the squalls' envelope low passes (biquad chains),
// each job bit for bit as its scalar processors, the three groups' sample
// chains interleaved so that each hides the others' latency.

#include "dsp/lanes.h"

// Resonator-then-biquad chains, lone resonators and biquad chains of one
// length, in one pass of three lane groups when each kind fits a group (then
// returns true; a kind may be absent), with the multiplies of `multiplies`
// (where not null) beside them. Otherwise runs nothing and returns false.
bool resonator_pass_of_three(const resonator_biquad_job* chains, int chain_count,
                             const resonator_job* resonators, int resonator_count,
                             const biquad_chain_job* biquads, int biquad_count, int n,
                             const multiply_set_job* multiplies);

// Whether a pass of three fits one set of eight-lane vectors: one to four
// chains, up to four lone resonators and up to two biquad chains of two
// sections (the mono and stereo layouts).
static inline bool pass_of_three_fits_eight(int chain_count, int resonator_count,
                                            const biquad_chain_job* biquads, int biquad_count) {
  if (chain_count < 1 || chain_count > 4 || resonator_count > 4 || biquad_count > 2) return false;
  for (int k = 0; k < biquad_count; ++k)
    if (biquads[k].sections != 2) return false;
  return true;
}

// The lanes a pass of three fills otherwise: its largest group.
static inline int pass_of_three_lanes_filled(int chain_count, int resonator_count,
                                             int biquad_count) {
  const int larger = chain_count > resonator_count ? chain_count : resonator_count;
  return larger > biquad_count ? larger : biquad_count;
}

// X(return type, name, parameters, arguments, lanes filled): see
// dsp/simd/lane_family.h. Where the groups fit one set of eight-lane
// vectors, the eight-lane build runs them.
#define OSTRELLE_PASS_OF_THREE_LANES(X)                                                        \
  X(bool, resonator_pass_of_three,                                                             \
    (const resonator_biquad_job* chains, int chain_count, const resonator_job* resonators,     \
     int resonator_count, const biquad_chain_job* biquads, int biquad_count, int n,            \
     const multiply_set_job* multiplies),                                                      \
    (chains, chain_count, resonators, resonator_count, biquads, biquad_count, n, multiplies),  \
    pass_of_three_fits_eight(chain_count, resonator_count, biquads, biquad_count)              \
        ? LANES + 1                                                                            \
        : pass_of_three_lanes_filled(chain_count, resonator_count, biquad_count))
OSTRELLE_LANE_TABLE(pass_of_three_lanes, OSTRELLE_PASS_OF_THREE_LANES)
