// Setters on one thread while another renders, as a host does with parameter
// changes from its UI thread. The engine keeps every value a setter shares
// with the render call in an atomic field, so the two threads below share
// nothing else: the test is race-free by construction and runs clean under
// ThreadSanitizer.

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "engine/pluvessa_bank.h"
#include "pluvessa_test_util.h"

using namespace rain_test;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// Valid, out-of-range and non-finite values.
constexpr float VALUES[] = {0.5f, 0.0f,  1.0f,     -0.2f, 1.5f, NaN,   INF,    -INF,
                            0.9f, 1e6f, -1e6f,     250.0f, 4500.0f, 1e-40f, 12000.0f, 3e38f};
constexpr size_t VALUE_COUNT = sizeof VALUES / sizeof VALUES[0];

// One round of writes through every kind of setter.
void hammer(pluvessa_engine* e, uint32_t round) {
  for (const key_case& k : KEYS) {
    const float v = VALUES[(round + k.index) % VALUE_COUNT];
    switch ((round + k.index) % 5) {
      case 0: k.set(e, v); break;
      case 1: k.set_normalized(e, v); break;
      case 2: pluvessa_set_parameter_value(e, k.index, &v); break;
      case 3: pluvessa_set_normalized_parameter_value(e, k.index, &v); break;
      default: pluvessa_set_normalized_parameter_float_value(e, k.index, v); break;
    }
    (void)k.get(e);
    (void)pluvessa_get_normalized_parameter_float_value(e, k.index);
  }
  const float gains[] = {1.0f, 0.0f, 2.0f, -1.0f, NaN, INF, 0.5f, 1e6f};
  pluvessa_set_gain(e, gains[round % 8]);
  (void)pluvessa_get_instantaneous_wind_control(e);
}

}  // namespace

// About one second per output path rendered while setters run flat out:
// every sample finite and within [-1, 1]; afterwards, with sane values
// restored, the engine sounds again in every channel (no state was left
// broken by a value it took mid-render).
TEST(PluvessaConcurrency, SettersWhileRendering) {
  engine e;
  set_everything_audible(e);
  std::atomic<bool> started{false}, stop{false};
  std::atomic<uint32_t> rounds{0};
  std::thread writer([&] {
    uint32_t round = 0;
    started.store(true, std::memory_order_release);
    while (!stop.load(std::memory_order_acquire)) {
      hammer(e, round++);
      rounds.store(round, std::memory_order_relaxed);
    }
  });
  while (!started.load(std::memory_order_acquire)) std::this_thread::yield();

  // At least a second per output path, and on until the writer has run a
  // good number of rounds during the renders (at most 5 s on a loaded
  // machine, where the writer may wait for a core).
  size_t bad = 0;
  const uint32_t first_round = rounds.load(std::memory_order_relaxed);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (int call = 0;
       call < 94 * 2 || (rounds.load(std::memory_order_relaxed) - first_round < 100 &&
                         std::chrono::steady_clock::now() < deadline);
       ++call) {
    const bool deint = call % 2 == 1;
    const int32_t mask = call % 3 == 0 ? STEREO : FIVE_ONE;
    const uint32_t ch = mask == STEREO ? 2 : 6;
    const std::vector<float> out = render(e, deint, mask, ch, 511, {511});  // 511: carries
    bad += count_out_of_range(out);
  }
  const uint32_t rounds_during = rounds.load(std::memory_order_relaxed) - first_round;
  stop.store(true, std::memory_order_release);
  writer.join();
  EXPECT_EQ(bad, 0u);
  EXPECT_GT(rounds_during, 0u) << "the writer never ran while rendering";

  ASSERT_EQ(pluvessa_load_preset(e, PLUVESSA_DEFAULT_PRESET), 0);
  pluvessa_set_gain(e, 1.0f);
  set_everything_audible(e);
  const std::vector<float> out = render_interleaved(e, FIVE_ONE, 6, 24000);
  for (uint32_t c = 0; c < 6; ++c) {
    const std::vector<float> ch = channel_of(out, 6, c);
    size_t zeros = 0;
    for (size_t i = ch.size() / 2; i < ch.size(); ++i) zeros += ch[i] == 0.0f ? 1 : 0;
    EXPECT_LT(zeros, ch.size() / 200) << "channel " << c;
  }
}
