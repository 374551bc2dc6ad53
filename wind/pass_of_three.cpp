#include "wind/pass_of_three.h"

#define OSTRELLE_FAMILY pass_of_three_lanes
#define OSTRELLE_FAMILY_LIST OSTRELLE_PASS_OF_THREE_LANES
#include "dsp/simd/lane_dispatch.h"
