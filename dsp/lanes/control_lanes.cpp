#include "dsp/lanes/control_lanes.h"

#define OSTRELLE_FAMILY control_lanes
#define OSTRELLE_FAMILY_LIST OSTRELLE_CONTROL_LANES
#include "dsp/simd/lane_dispatch.h"
