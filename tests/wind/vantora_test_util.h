#pragma once
// Helpers of the wind engine tests: the shared engine helpers bound to the
// wind engine, the spectral peak finder and the voice levels.

#include <cmath>
#include <vector>

#include "wind/vantora.h"

// The engine entry points the shared helpers call.
inline uint32_t engine_size(const vantora_engine*) { return vantora_get_size(); }
inline int engine_init(vantora_engine* e, float rate) { return vantora_init(e, rate); }
inline int engine_process(vantora_engine* e, float* out, int32_t mask, uint32_t frames) {
  return vantora_process(e, out, mask, frames);
}
inline int engine_process_deinterleaved(vantora_engine* e, float* const* outs, int32_t mask,
                                        uint32_t frames) {
  return vantora_process_deinterleaved(e, outs, mask, frames);
}

#include "tests/common/engine_test_util.h"

namespace wind_test {

using engine_memory = engine_test::engine_memory<vantora_engine>;
using engine = engine_test::initialised_engine<vantora_engine>;
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
inline std::vector<float> render_interleaved(vantora_engine* e, int32_t mask, uint32_t channels,
                                             uint32_t frames,
                                             const std::vector<uint32_t>& calls = {512}) {
  return engine_test::render_interleaved(e, mask, channels, frames, calls);
}
inline std::vector<float> render_deinterleaved(vantora_engine* e, int32_t mask, uint32_t channels,
                                               uint32_t frames,
                                               const std::vector<uint32_t>& calls = {512}) {
  return engine_test::render_deinterleaved(e, mask, channels, frames, calls);
}
inline std::vector<float> render(vantora_engine* e, bool deinterleaved, int32_t mask, uint32_t channels,
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

// Frequency of the strongest bin between lo and hi Hz, refined by a parabola
// through the log powers of the bin and its neighbours.
inline double spectral_peak(const std::vector<double>& p, size_t size, double fs, double lo,
                            double hi) {
  const double bin = fs / static_cast<double>(size);
  size_t k0 = static_cast<size_t>(lo / bin), k1 = static_cast<size_t>(hi / bin);
  if (k0 < 1) k0 = 1;
  if (k1 > p.size() - 2) k1 = p.size() - 2;
  size_t best = k0;
  for (size_t k = k0; k <= k1; ++k)
    if (p[k] > p[best]) best = k;
  const double a = std::log(p[best - 1]), b = std::log(p[best]), c = std::log(p[best + 1]);
  const double d = a - 2.0 * b + c;
  const double shift = d != 0.0 ? 0.5 * (a - c) / d : 0.0;
  return (static_cast<double>(best) + shift) * bin;
}

// Levels of every voice kind (background flow, whistling, gusts, squalls,
// LFE); 0 silences a kind exactly.
inline void set_levels(vantora_engine* e, float backflow, float whistling, float gusts,
                       float squalls, float lfe) {
  vantora_set_backflow_level(e, backflow);
  vantora_set_whistling_level(e, whistling);
  vantora_set_gusts_level(e, gusts);
  vantora_set_squalls_level(e, squalls);
  vantora_set_wind_lfe_level(e, lfe);
}

}  // namespace wind_test
