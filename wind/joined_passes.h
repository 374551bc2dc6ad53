#pragma once
// The filter passes of one wind sub-block that several voices join. A
// voice's draw step (in its own file) draws its noise and adds its filters
// here; the render schedule (wind/schedule.cpp) then runs the passes side by
// side, one voice per vector lane, in the order its layout family takes.

#include "dsp/lanes.h"
#include "wind/pass_of_three.h"

struct wind_passes {
  // The noise shape and, in the same lane, the voice's own filter after it
  // (background flows: main filter; whistles: whistle band pass).
  resonator_biquad_job shaped[8];
  int shaped_count = 0;
  // The noise shape alone (gusts, squalls).
  resonator_job shapes[8];
  int shape_count = 0;
  // Two-section chains that run beside the shapes where they fit (the
  // squalls' envelope low passes).
  biquad_chain_job envelopes[2];
  int envelope_count = 0;
  // Chains of a pass of their own (the LFE's four low-pass sections).
  lane_batch<biquad_chain_job, biquad_chain_process_lanes, FILTER_JOBS> chains;
  // The low and high cut of every voice but the LFE.
  lane_batch<band_filter_job, band_filter_process_lanes, FILTER_JOBS> bands;

  void join_shaped(resonator* shape, biquad* filter, float* block) {
    shaped[shaped_count++] = {shape, filter, block};
  }
  void join_shape(resonator* shape, float* block) { shapes[shape_count++] = {shape, block}; }
  void join_envelope(biquad* first, biquad* second, float* block) {
    envelopes[envelope_count++] = {{first, second}, 2, block};
  }
  void join_chain(const biquad_chain_job& chain) { chains.add(chain); }
  void join_band(band_filter* band, float* block) { bands.add({band, block}); }
};
