#include "dsp/lanes/filter_lanes.h"

#define OSTRELLE_FAMILY filter_lanes
#define OSTRELLE_FAMILY_LIST OSTRELLE_FILTER_LANES
#include "dsp/simd/lane_dispatch.h"

int lane_width_now() { return filter_lanes_now()->lanes; }

bool lane_major_available(int n) { return n % MAJOR_LANES == 0 && lane_width_now() == MAJOR_LANES; }
