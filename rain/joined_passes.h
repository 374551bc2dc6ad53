#pragma once
// The passes of one rain sub-block that several voices join, one vector
// lane per voice instance: rumble A and B in lanes 0-1, shower A and B in
// 2-3, liquid 1A, 1B, 2A, 2B in 4-7 (their mix order). A voice's draw step
// (in its own file) draws its noise and fills its lane's jobs; the render
// schedule (rain/schedule.cpp) runs the passes, gathering the jobs into
// groups of lanes or handing them on lane-major, as the layout family takes.

#include "dsp/lanes.h"
#include "rain/voice_passes.h"

inline constexpr int RAIN_LANES = 8;
inline constexpr int RAIN_LANE_RUMBLE = 0;
inline constexpr int RAIN_LANE_SHOWER = 2;
inline constexpr int RAIN_LANE_LIQUID = 4;

struct rain_passes {
  // The control pass: a lane whose job has no smoother only hands its block
  // on (the lane-major passes read it from there).
  control_chain_job control[RAIN_LANES];
  // The section-band pass: a voice's last section, the drops' gate (jobs
  // with a tone) and its low and high cut.
  section_band_job band[RAIN_LANES];
  unsigned joined = 0;  // the lanes whose voice drew (bit k: lane k); the others idle
  // The drop layers' instances (0..3): the sweep ramp beside the control
  // pass, then the tone and carrier oscillators.
  ramp_osc_job sweep[4];
  sine_osc_job tone[4], carrier[4];
  int drops = 0;  // the instances that drew: the first ones, in order
  // The LFE's low pass (no filter: no LFE in the layout).
  biquad_job lfe{nullptr, nullptr};

  // A voice fills its lane's control and band jobs (a drop instance also its
  // sweep, tone and carrier, and raises drops), then joins the lane.
  void join(int lane) { joined |= 1u << lane; }
};
