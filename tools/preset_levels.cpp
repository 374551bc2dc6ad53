#include "tools/preset_levels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

void level_stats_add(level_stats& s, const float* x, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const double a = std::fabs(static_cast<double>(x[i]));
    if (a >= 1.0) ++s.clipped;
    s.peak = std::max(s.peak, a);
    s.sum_squares += a * a;
  }
  s.samples += n;
}

double level_rms_db(const level_stats& s) {
  if (s.samples == 0 || s.sum_squares <= 0.0) return -std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(s.sum_squares / static_cast<double>(s.samples));
}

double level_peak_db(const level_stats& s) {
  if (s.peak <= 0.0) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(s.peak);
}

preset_levels measure_preset(const synth_kind& kind, const factory_preset& preset,
                             uint32_t layout, double seconds, double start_seconds) {
  constexpr float RATE = 48000.0f;
  constexpr uint32_t BLOCK = 512;
  const uint32_t channels = static_cast<uint32_t>(__builtin_popcount(layout & 0x3FFFFFFFu));
  const uint64_t total = static_cast<uint64_t>(std::llround(seconds * RATE));
  const uint64_t start = static_cast<uint64_t>(std::llround(start_seconds * RATE));

  synth_instance s(kind);
  kind.init(s.engine(), RATE);
  kind.load_preset(s.engine(), preset.record);
  std::vector<float> block(static_cast<std::size_t>(BLOCK) * channels);
  preset_levels out;
  for (uint64_t done = 0; done < total;) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(BLOCK, total - done));
    kind.process(s.engine(), block.data(), static_cast<int32_t>(layout), n);
    // Frames before the end of the start count there, the others in the rest.
    const uint64_t in_start = done < start ? std::min<uint64_t>(n, start - done) : 0;
    level_stats_add(out.start, block.data(), static_cast<std::size_t>(in_start) * channels);
    level_stats_add(out.rest, block.data() + in_start * channels,
                    static_cast<std::size_t>(n - in_start) * channels);
    done += n;
  }
  return out;
}
