#include "rain/voice_passes.h"

#define OSTRELLE_FAMILY voice_lanes
#define OSTRELLE_FAMILY_LIST OSTRELLE_VOICE_LANES
#include "dsp/simd/lane_dispatch.h"

#define OSTRELLE_FAMILY major_lanes
#define OSTRELLE_FAMILY_LIST OSTRELLE_MAJOR_LANES
#include "dsp/simd/lane_dispatch.h"
