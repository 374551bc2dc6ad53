#pragma once
// The lane kernels: instances of a block run side by side, one per vector
// lane, each bit for bit as its scalar processor (see dsp/lanes/lane_base.h).
// By family: filters, oscillators, control chains, and the envelopes'
// multiply chains that ride along other passes.

#include "dsp/lanes/control_lanes.h"
#include "dsp/lanes/envelope_lanes.h"
#include "dsp/lanes/filter_lanes.h"
#include "dsp/lanes/lane_base.h"
#include "dsp/lanes/oscillator_lanes.h"
