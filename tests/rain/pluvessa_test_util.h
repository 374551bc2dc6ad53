#pragma once
// Helpers of the rain engine tests: the shared engine helpers bound to the
// rain engine, band powers, the voice levels, the parameter keys and the
// default preset's values.

#include <cmath>
#include <cstring>
#include <vector>

#include "rain/pluvessa_engine.h"

// The engine entry points the shared helpers call.
inline uint32_t engine_size(const pluvessa_engine*) { return pluvessa_get_size(); }
inline int engine_init(pluvessa_engine* e, float rate) { return pluvessa_init(e, rate); }
inline int engine_process(pluvessa_engine* e, float* out, int32_t mask, uint32_t frames) {
  return pluvessa_process(e, out, mask, frames);
}
inline int engine_process_deinterleaved(pluvessa_engine* e, float* const* outs, int32_t mask,
                                        uint32_t frames) {
  return pluvessa_process_deinterleaved(e, outs, mask, frames);
}

#include "tests/common/engine_test_util.h"

namespace rain_test {

using engine_memory = engine_test::engine_memory<pluvessa_engine>;
using engine = engine_test::initialised_engine<pluvessa_engine>;
using engine_test::RATE;
using engine_test::layout_case;
using engine_test::LAYOUTS;
using engine_test::MONO;
using engine_test::STEREO;
using engine_test::TWO_ONE;
using engine_test::QUAD;
using engine_test::FIVE_ZERO;
using engine_test::FIVE_ONE;

// Renders in calls whose lengths cycle through `calls` (see the shared helpers).
inline std::vector<float> render_interleaved(pluvessa_engine* e, int32_t mask, uint32_t channels,
                                             uint32_t frames,
                                             const std::vector<uint32_t>& calls = {512}) {
  return engine_test::render_interleaved(e, mask, channels, frames, calls);
}
inline std::vector<float> render_deinterleaved(pluvessa_engine* e, int32_t mask, uint32_t channels,
                                               uint32_t frames,
                                               const std::vector<uint32_t>& calls = {512}) {
  return engine_test::render_deinterleaved(e, mask, channels, frames, calls);
}
inline std::vector<float> render(pluvessa_engine* e, bool deinterleaved, int32_t mask, uint32_t channels,
                                 uint32_t frames, const std::vector<uint32_t>& calls = {512}) {
  return engine_test::render(e, deinterleaved, mask, channels, frames, calls);
}
using engine_test::channel_of;
using engine_test::same_bits;
using engine_test::first_difference;
using engine_test::peak_abs;
using engine_test::energy;
using engine_test::count_out_of_range;
using engine_test::fnv1a64;
using engine_test::fft;
using engine_test::power_spectrum;

// Mean power of the bins within `half_width` Hz of `f`.
inline double band_power(const std::vector<double>& p, size_t size, double fs, double f,
                         double half_width) {
  const double bin = fs / static_cast<double>(size);
  const size_t k0 = static_cast<size_t>(std::ceil((f - half_width) / bin));
  const size_t k1 = static_cast<size_t>(std::floor((f + half_width) / bin));
  double s = 0.0;
  for (size_t k = k0; k <= k1; ++k) s += p[k];
  return s / static_cast<double>(k1 - k0 + 1);
}

// Levels of every voice kind; 0 silences a kind exactly (after the fade).
inline void set_levels(pluvessa_engine* e, float rumble, float shower, float liquid,
                       float liquid_2, float lfe) {
  pluvessa_set_rumble_level(e, rumble);
  pluvessa_set_shower_level(e, shower);
  pluvessa_set_liquid_level(e, liquid);
  pluvessa_set_liquid_2_level(e, liquid_2);
  pluvessa_set_rain_lfe_level(e, lfe);
}

// One row per parameter key (engine indices 0 to 33), written out here
// apart from the engine's own table: 0..1 parameters, whose normalised functions are the
// natural ones, and Hz-like parameters with their normalised mapping
// stored = span x + low and x = (stored - low) * k.
struct key_case {
  uint32_t index;
  const char* key;
  bool unit;
  float low, span, k;
  void (*set)(pluvessa_engine*, float);
  float (*get)(const pluvessa_engine*);
  void (*set_normalized)(pluvessa_engine*, float);
  float (*get_normalized)(const pluvessa_engine*);
};

#define RAIN_UNIT(i, key)                                                                  \
  key_case {                                                                               \
    i, #key, true, 0.0f, 1.0f, 1.0f, pluvessa_set_##key, pluvessa_get_##key,               \
        pluvessa_set_normalized_##key, pluvessa_get_normalized_##key                       \
  }
#define RAIN_FREE(i, key, low, span, k)                                                    \
  key_case {                                                                               \
    i, #key, false, low, span, k, pluvessa_set_##key, pluvessa_get_##key,                  \
        pluvessa_set_normalized_##key, pluvessa_get_normalized_##key                       \
  }

inline const key_case KEYS[34] = {
    RAIN_UNIT(0, global_control),
    RAIN_UNIT(1, global_coupling_from_outside),
    RAIN_UNIT(2, global_amplitude),
    RAIN_UNIT(3, global_rate),
    RAIN_UNIT(4, global_dutycycle),
    RAIN_UNIT(5, global_floor),
    RAIN_UNIT(6, rumble_level),
    RAIN_UNIT(7, rumble_density),
    RAIN_UNIT(8, rumble_notch_q),
    RAIN_FREE(9, rumble_hcut, 6000.0f, 14000.0f, 7.142857e-05f),
    RAIN_FREE(10, rumble_hp, 50.0f, 550.0f, 0.0018181818f),
    RAIN_UNIT(11, coupling_between_global_source_and_rumble),
    RAIN_UNIT(12, shower_level),
    RAIN_FREE(13, shower_color, 300.0f, 1200.0f, 0.0008333333f),
    RAIN_FREE(14, shower_lc_freq, 50.0f, 19950.0f, 5.012531e-05f),
    RAIN_FREE(15, shower_hc_freq, 50.0f, 19950.0f, 5.012531e-05f),
    RAIN_UNIT(16, liquid_level),
    RAIN_UNIT(17, liquid_drops_variance),
    RAIN_FREE(18, liquid_drops_color, 10.0f, 4990.0f, 0.0002004008f),
    RAIN_FREE(19, liquid_sweep_frequency, 0.5f, 399.5f, 0.002503129f),
    RAIN_UNIT(20, liquid_freq_min),
    RAIN_UNIT(21, liquid_freq_half_range),
    RAIN_FREE(22, liquid_hp_freq, 250.0f, 1350.0f, 0.0007407407f),
    RAIN_FREE(23, liquid_lp_freq, 4000.0f, 2000.0f, 0.0005f),
    RAIN_UNIT(24, liquid_2_level),
    RAIN_UNIT(25, liquid_2_drops_variance),
    RAIN_FREE(26, liquid_2_drops_color, 10.0f, 4990.0f, 0.0002004008f),
    RAIN_FREE(27, liquid_2_sweep_frequency, 0.5f, 399.5f, 0.002503129f),
    RAIN_UNIT(28, liquid_2_freq_min),
    RAIN_UNIT(29, liquid_2_freq_half_range),
    RAIN_FREE(30, liquid_2_hp_freq, 250.0f, 1350.0f, 0.0007407407f),
    RAIN_FREE(31, liquid_2_lp_freq, 4000.0f, 2000.0f, 0.0005f),
    RAIN_UNIT(32, rain_lfe_level),
    RAIN_FREE(33, rain_lfe_cutoff, 20.0f, 380.0f, 0.002631579f),
};

#undef RAIN_UNIT
#undef RAIN_FREE

// The default preset "Silence", natural values by engine index.
inline constexpr float SILENCE[34] = {
    0.23999998f, 1.0f,      0.17599997f, 0.572f,      0.552f,     0.0f,       0.43f,
    0.29600003f, 0.14799996f, 8075.191f, 220.71506f,  1.0f,       1.0f,       362.4461f,
    1228.7494f,  987.9425f, 0.373f,      0.7099296f,  179.41812f, 176.78f,    0.624f,
    1.0f,        394.5259f, 4048.6719f,  0.0f,        0.0f,       500.0f,     1.0f,
    1.0f,        1.0f,      380.0f,      4500.0f,     0.0f,       120.0f};

// Every voice audible with a full drop layer 2 and LFE, so that every column
// of every gain matrix carries signal.
inline void set_everything_audible(pluvessa_engine* e) {
  set_levels(e, 0.7f, 0.6f, 0.8f, 0.8f, 0.6f);
  pluvessa_set_liquid_drops_variance(e, 1.0f);
  pluvessa_set_liquid_2_drops_variance(e, 0.8f);
  pluvessa_set_liquid_2_freq_min(e, 0.3f);
  pluvessa_set_liquid_2_freq_half_range(e, 0.4f);
  pluvessa_set_liquid_2_sweep_frequency(e, 3.0f);
  pluvessa_set_coupling_between_global_source_and_rumble(e, 0.5f);
}

inline uint32_t u32_at(const void* p, size_t offset) {
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, 4);
  return v;
}

inline float f32_at(const void* p, size_t offset) {
  float v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, 4);
  return v;
}

}  // namespace rain_test
