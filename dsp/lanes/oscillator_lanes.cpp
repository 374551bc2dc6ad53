#include "dsp/lanes/oscillator_lanes.h"

#define OSTRELLE_FAMILY oscillator_lanes
#define OSTRELLE_FAMILY_LIST OSTRELLE_OSCILLATOR_LANES
#include "dsp/simd/lane_dispatch.h"
