// Setters on one thread while another renders: the engine's setters store
// with relaxed atomics and the render call picks the values up at its next
// call, so nothing here is a data race (the test is meant to run clean under
// ThreadSanitizer too). Whatever values arrive, the output stays finite and
// within full scale, and no voice turns non-finite.

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "vantora_test_util.h"

using namespace wind_test;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// Values thrown at every setter: in range, out of range and non-finite.
const float FLOATS[] = {NaN, INF, -INF, -1.0f, 0.0f, 0.25f, 0.5f, 1.0f,  1.5f,
                        25.0f, 50.0f, 440.0f, 1000.0f, 5000.0f, 20000.0f, 30000.0f, 1.0e6f};
const int32_t CHOICES[] = {-1, 0, 1, 2, 5, 10, 24, 26, 27, 1000, std::numeric_limits<int32_t>::min()};

struct lcg {
  uint32_t s;
  uint32_t next() { return s = s * 1664525u + 1013904223u, s >> 8; }
  template <class T, size_t N>
  T pick(const T (&a)[N]) { return a[next() % N]; }
};

}  // namespace

TEST(VantoraConcurrency, SettersWhileRendering) {
  engine e;
  set_levels(e, 0.8f, 0.8f, 0.8f, 0.8f, 0.8f);
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> writes{0};

  std::thread writer([&] {
    lcg r{42};
    uint64_t n = 0;
    while (!stop.load(std::memory_order_relaxed)) {
      const uint32_t index = r.next() % 52;  // past the table now and then
      const float f = r.pick(FLOATS);
      const int32_t c = r.pick(CHOICES);
      switch (r.next() % 8) {
        case 0: {
          const bool choice = index == 6 || index == 8 || index == 17 || index == 28 || index == 37;
          if (choice)
            vantora_set_parameter_value(e, index, &c);
          else
            vantora_set_parameter_value(e, index, &f);
          break;
        }
        case 1: vantora_set_normalized_parameter_value(e, index, &f); break;
        case 2: vantora_set_normalized_parameter_float_value(e, index, f); break;
        case 3: vantora_set_backflow_shape(e, c), vantora_set_whistling_shape(e, c); break;
        case 4: vantora_set_backflow_filtertype(e, c), vantora_set_squalls_shape(e, c); break;
        case 5: {
          // Keep the gain mostly audible so the render path does work.
          const float g = (r.next() & 7) == 0 ? f : 0.5f + 0.1f * static_cast<float>(r.next() % 8);
          vantora_set_gain(e, g);
          break;
        }
        case 6: {
          float v;
          vantora_get_parameter_value(e, index, &v);
          (void)vantora_get_normalized_parameter_float_value(e, index);
          (void)vantora_get_instantaneous_wind_control(e);
          break;
        }
        default:
          vantora_set_whistling_min_freq(e, f);
          vantora_set_whistling_max_freq(e, f);
          vantora_set_wind_lfe_freq_cutoff(e, f);
          vantora_set_global_control(e, f);
          break;
      }
      ++n;
    }
    writes.store(n, std::memory_order_relaxed);
  });

  const int32_t masks[] = {0x3F, 0x3, 0x80000, 0x33, 0x4000003F};
  const uint32_t channels[] = {6, 2, 1, 4, 6};
  std::vector<float> out(6 * 700);
  uint64_t samples = 0, bad = 0, bad_voice = 0, calls = 0;
  // A second and at least a hundred calls: under an emulator a second holds
  // far fewer.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
  while (std::chrono::steady_clock::now() < end || calls < 100) {
    const size_t m = (calls / 50) % 5;
    const uint32_t frames = 64 + static_cast<uint32_t>(calls * 37 % 600);
    EXPECT_EQ(vantora_process(e, out.data(), masks[m], frames), 0);
    const size_t n = static_cast<size_t>(frames) * channels[m];
    for (size_t i = 0; i < n; ++i) bad += !(std::isfinite(out[i]) && out[i] >= -1.0f && out[i] <= 1.0f);
    samples += n;
    for (int b = 0; b < VB_SCRATCH_A; ++b)
      for (float s : e->buffers[b]) bad_voice += !std::isfinite(s);
    ++calls;
  }
  stop.store(true, std::memory_order_relaxed);
  writer.join();

  EXPECT_EQ(bad, 0u) << "of " << samples << " samples";
  EXPECT_EQ(bad_voice, 0u) << "non-finite voice samples";
  EXPECT_GT(writes.load(), 1000u);
}
