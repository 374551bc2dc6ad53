// Block-rate random walks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "dsp/noise.h"
#include "dsp/walks.h"
#include "dsp_test_util.h"

using dsp_test::uniform_seed_before;

namespace {

constexpr uint32_t UNIFORM_MUL = 16807u;
constexpr uint32_t UP_STATE = 0x12345678u;    // reads as non-negative: up
constexpr uint32_t DOWN_STATE = 0x92345678u;  // reads as negative: down

float draw(uint32_t& seed) {
  seed *= UNIFORM_MUL;
  return static_cast<float>(seed & 0x7FFFFFFFu) * 0x1p-31f;
}

bool direction_up(uint32_t& seed) {
  seed *= UNIFORM_MUL;
  return static_cast<int32_t>(seed) >= 0;
}

// Makes the next step call move (at least the interval has passed).
template <class Walk>
void make_due(Walk& w) {
  w.counter = w.interval;
}

}  // namespace

// Init: null rejected, defaults stored, no draw taken.
TEST(RandomWalk, InitTakesNoDraw) {
  EXPECT_EQ(random_walk_init(nullptr), 4);
  noise_set_uniform_seed(317u);
  random_walk w;
  ASSERT_EQ(random_walk_init(&w), 0);
  EXPECT_EQ(noise_get_uniform_seed(), 317u);
  EXPECT_EQ(w.counter, 0);
  EXPECT_EQ(w.next, 0.5f);
  EXPECT_EQ(w.interval, 480);
  EXPECT_EQ(w.current, 0.0f);
}

// 64-sample blocks: 0 for eight calls, 0.5 at the ninth, drawn step and direction.
TEST(RandomWalk, FirstMoveAfterTheInterval) {
  noise_set_uniform_seed(317u);
  random_walk w;
  random_walk_init(&w);
  float out = -1.0f;
  for (int call = 1; call <= 8; ++call) {
    ASSERT_EQ(random_walk_step(&w, &out, 64), 0);
    EXPECT_EQ(out, 0.0f) << call;
  }
  EXPECT_EQ(noise_get_uniform_seed(), 317u);
  random_walk_step(&w, &out, 64);
  EXPECT_EQ(out, 0.5f);
  EXPECT_EQ(w.current, 0.5f);
  EXPECT_EQ(w.counter, 1);
  // Step drawn from 0.25..0.75, then the direction; the interval range is
  // empty, so no third draw.
  uint32_t seed = 317u;
  const float step = 0.25f + (0.75f - 0.25f) * draw(seed);
  const float next =
      direction_up(seed) ? std::fmin(0.5f + step, 1.0f) : std::fmax(0.5f - step, 0.0f);
  EXPECT_EQ(noise_get_uniform_seed(), seed);
  EXPECT_EQ(w.next, next);
  EXPECT_EQ(w.interval, 480);
  // The counter restarts at 1 on the moving call, so the next move comes
  // nine calls later.
  for (int call = 10; call <= 17; ++call) {
    random_walk_step(&w, &out, 64);
    EXPECT_EQ(out, 0.5f) << call;
  }
  random_walk_step(&w, &out, 64);
  EXPECT_EQ(out, next);
}

// Equal step and interval bounds: one draw per move, the direction.
TEST(RandomWalk, EqualBoundsTakeOneDrawPerMove) {
  noise_set_uniform_seed(4242u);
  random_walk w;
  random_walk_init(&w);
  ASSERT_EQ(random_walk_set_step_range(&w, 0.1f, 0.1f), 0);
  ASSERT_EQ(random_walk_set_interval(&w, 2.0f, 0.0f, 48000.0f), 0);
  float out;
  make_due(w);
  for (int move = 0; move < 20; ++move) {
    const uint32_t before = noise_get_uniform_seed();
    uint32_t seed = before;
    const bool up = direction_up(seed);
    const float cur = w.next;
    random_walk_step(&w, &out, 64);
    EXPECT_EQ(out, cur);
    EXPECT_EQ(noise_get_uniform_seed(), before * UNIFORM_MUL) << move;
    EXPECT_EQ(w.next, up ? std::fmin(cur + 0.1f, 1.0f) : std::fmax(cur - 0.1f, 0.0f)) << move;
    EXPECT_EQ(w.interval, 96);       // 2 ms at 48 kHz
    random_walk_step(&w, &out, 64);  // 1 -> 65: not due
    EXPECT_EQ(noise_get_uniform_seed(), before * UNIFORM_MUL);
    random_walk_step(&w, &out, 64);  // 65 -> 129: not due
  }
}

// The value stops at 1.0 going up and at 0 going down.
TEST(RandomWalk, ValueStopsAtItsEnds) {
  random_walk w;
  random_walk_init(&w);
  random_walk_set_step_range(&w, 0.5f, 0.5f);
  float out;
  w.next = 0.9f;
  make_due(w);
  noise_set_uniform_seed(uniform_seed_before(UP_STATE));
  random_walk_step(&w, &out, 64);
  EXPECT_EQ(out, 0.9f);
  EXPECT_EQ(w.next, 1.0f);
  w.next = 0.1f;
  make_due(w);
  noise_set_uniform_seed(uniform_seed_before(DOWN_STATE));
  random_walk_step(&w, &out, 64);
  EXPECT_EQ(out, 0.1f);
  EXPECT_EQ(w.next, 0.0f);
}

// With both ranges open the draws come as step, direction, interval.
TEST(RandomWalk, DrawOrderIsStepDirectionInterval) {
  random_walk w;
  random_walk_init(&w);
  ASSERT_EQ(random_walk_set_step_range(&w, 0.1f, 0.3f), 0);
  ASSERT_EQ(random_walk_set_interval(&w, 20.0f, 0.5f, 44100.0f), 0);
  EXPECT_EQ(w.interval_min, 10.0f);
  EXPECT_EQ(w.interval_max, 30.0f);
  // Several seeds and rates: the interval is t * (rate * 0.001) in float, floored.
  for (uint32_t k = 0; k < 64; ++k) {
    const float rate = k % 4 == 0   ? 44100.0f
                       : k % 4 == 1 ? 96000.0f
                       : k % 4 == 2 ? 22050.0f
                                    : 88200.0f;
    w.sample_rate = rate;
    w.next = 0.5f;
    make_due(w);
    const uint32_t start = 777u + 1000u * k;
    noise_set_uniform_seed(start);
    float out;
    random_walk_step(&w, &out, 64);
    uint32_t seed = start;
    const float step = 0.1f + (0.3f - 0.1f) * draw(seed);
    const bool up = direction_up(seed);
    const float t = (30.0f - 10.0f) * draw(seed) + 10.0f;
    EXPECT_EQ(noise_get_uniform_seed(), seed);
    EXPECT_EQ(w.next, up ? 0.5f + step : 0.5f - step);
    EXPECT_EQ(w.interval, static_cast<int32_t>(std::floor(t * (rate * 0.001f)))) << k;
  }
}

// Interval samples: the rate times 0.001 is formed first, in float.
TEST(RandomWalk, IntervalFormsTheRateProductInFloat) {
  // 238.39 ms at 44.1 kHz lands on 10513 this way and on 10512 when the
  // time is multiplied by the rate first.
  const float t = 238.39f;
  ASSERT_NE(std::floor(t * (44100.0f * 0.001f)), std::floor((t * 44100.0f) * 0.001f));
  random_walk w;
  random_walk_init(&w);
  ASSERT_EQ(random_walk_set_interval(&w, t, 0.0f, 44100.0f), 0);
  make_due(w);
  float out;
  random_walk_step(&w, &out, 64);
  EXPECT_EQ(w.interval, 10513);
}

// Step range: min above max or NaN rejected, nothing changes.
TEST(RandomWalk, StepRangeChecks) {
  random_walk w;
  random_walk_init(&w);
  EXPECT_EQ(random_walk_set_step_range(&w, 0.5f, 0.4f), 5);
  EXPECT_EQ(random_walk_set_step_range(&w, NAN, 0.4f), 5);
  EXPECT_EQ(w.step_min, 0.25f);
  EXPECT_EQ(w.step_max, 0.75f);
}

// Interval: V 1.5 rejected; V 1 gives 0 .. 2P and stores the rate.
TEST(RandomWalk, IntervalChecks) {
  random_walk w;
  random_walk_init(&w);
  EXPECT_EQ(random_walk_set_interval(&w, 100.0f, 1.5f, 96000.0f), 5);
  EXPECT_EQ(random_walk_set_interval(&w, 100.0f, 1.0001f, 96000.0f), 5);
  EXPECT_EQ(random_walk_set_interval(&w, 100.0f, NAN, 96000.0f), 5);
  EXPECT_EQ(w.interval_min, 10.0f);
  EXPECT_EQ(w.interval_max, 10.0f);
  EXPECT_EQ(w.sample_rate, 48000.0f);
  EXPECT_EQ(random_walk_set_interval(&w, 100.0f, 1.0f, 96000.0f), 0);
  EXPECT_EQ(w.interval_min, 0.0f);
  EXPECT_EQ(w.interval_max, 200.0f);
  EXPECT_EQ(w.sample_rate, 96000.0f);
}

// An interval shorter than a block still moves at most once per call.
TEST(RandomWalk, ShortIntervalMovesOncePerCall) {
  noise_set_uniform_seed(31u);
  random_walk w;
  random_walk_init(&w);
  random_walk_set_step_range(&w, 0.2f, 0.2f);
  random_walk_set_interval(&w, 0.5f, 0.0f, 48000.0f);  // 24 samples
  make_due(w);
  float out;
  for (int call = 0; call < 40; ++call) {
    const uint32_t before = noise_get_uniform_seed();
    random_walk_step(&w, &out, 64);
    // Move, then hold (counter 1 < 24), then move again.
    EXPECT_EQ(noise_get_uniform_seed(), call % 2 == 0 ? before * UNIFORM_MUL : before) << call;
  }
}

// A long run with wide random settings stays within [0, 1].
TEST(RandomWalk, LongRunStaysInRange) {
  noise_set_uniform_seed(5u);
  random_walk w;
  random_walk_init(&w);
  random_walk_set_step_range(&w, 0.0f, 1.0f);
  random_walk_set_interval(&w, 1.0f, 1.0f, 48000.0f);
  int moves = 0;
  float prev = 0.0f;
  for (int call = 0; call < 20000; ++call) {
    float out;
    random_walk_step(&w, &out, 64);
    ASSERT_GE(out, 0.0f);
    ASSERT_LE(out, 1.0f);
    moves += out != prev;
    prev = out;
  }
  EXPECT_GT(moves, 5000);
}

// Init: null rejected, defaults stored.
TEST(BoundedRandomWalk, InitStoresDefaults) {
  EXPECT_EQ(bounded_random_walk_init(nullptr), 4);
  noise_set_uniform_seed(317u);
  bounded_random_walk w;
  ASSERT_EQ(bounded_random_walk_init(&w), 0);
  EXPECT_EQ(noise_get_uniform_seed(), 317u);
  EXPECT_EQ(w.lower, 0.0f);
  EXPECT_EQ(w.upper, 1.0f);
  EXPECT_EQ(w.next, 0.5f);
  EXPECT_EQ(w.interval, 480);
  EXPECT_EQ(w.current, 0.0f);
  float out;
  for (int call = 1; call <= 8; ++call) {
    bounded_random_walk_step(&w, &out, 64);
    EXPECT_EQ(out, 0.0f);
  }
  bounded_random_walk_step(&w, &out, 64);
  EXPECT_EQ(out, 0.5f);
}

// Set checks in groups and keeps the groups stored before a failure.
TEST(BoundedRandomWalk, SetChecksInGroups) {
  bounded_random_walk w;
  bounded_random_walk_init(&w);
  noise_set_uniform_seed(55u);
  EXPECT_EQ(bounded_random_walk_set(&w, 2.0f, 1.0f, 0.1f, 0.2f, 5.0f, 6.0f, 1.5f, 44100.0f), 5);
  EXPECT_EQ(w.lower, 0.0f);
  EXPECT_EQ(w.upper, 1.0f);
  EXPECT_EQ(bounded_random_walk_set(&w, 1.0f, 2.0f, 0.3f, 0.2f, 5.0f, 6.0f, 1.5f, 44100.0f), 5);
  EXPECT_EQ(w.lower, 1.0f);
  EXPECT_EQ(w.upper, 2.0f);
  EXPECT_EQ(w.step_min, 0.25f);
  EXPECT_EQ(bounded_random_walk_set(&w, 1.0f, 2.0f, 0.1f, 0.2f, 6.0f, 5.0f, 1.5f, 44100.0f), 5);
  EXPECT_EQ(w.step_min, 0.1f);
  EXPECT_EQ(w.step_max, 0.2f);
  EXPECT_EQ(w.interval_min, 10.0f);
  // Current value outside the bounds: 5, current and rate kept, the rest stored.
  EXPECT_EQ(bounded_random_walk_set(&w, 1.0f, 2.0f, 0.1f, 0.2f, 5.0f, 6.0f, 2.5f, 44100.0f), 5);
  EXPECT_EQ(w.interval_min, 5.0f);
  EXPECT_EQ(w.interval_max, 6.0f);
  EXPECT_EQ(w.current, 0.0f);
  EXPECT_EQ(w.sample_rate, 48000.0f);
  EXPECT_EQ(w.next, 0.5f);
  EXPECT_EQ(w.interval, 480);
  EXPECT_EQ(noise_get_uniform_seed(), 55u);  // nothing drawn on failure
}

// A successful set draws the next value and the interval at once.
TEST(BoundedRandomWalk, SetDrawsNextValueAndInterval) {
  bounded_random_walk w;
  bounded_random_walk_init(&w);
  noise_set_uniform_seed(56u);
  ASSERT_EQ(bounded_random_walk_set(&w, -1.0f, 1.0f, 0.3f, 0.3f, 7.0f, 7.0f, 0.25f, 44100.0f), 0);
  uint32_t seed = 56u;
  const bool up = direction_up(seed);
  EXPECT_EQ(noise_get_uniform_seed(), seed);  // equal bounds: the direction only
  EXPECT_EQ(w.current, 0.25f);
  EXPECT_EQ(w.sample_rate, 44100.0f);
  EXPECT_EQ(w.next, up ? 0.25f + 0.3f : 0.25f - 0.3f);
  EXPECT_EQ(w.interval, static_cast<int32_t>(std::floor(7.0f * (44100.0f * 0.001f))));
}

// The value stops at the upper and lower bounds.
TEST(BoundedRandomWalk, ValueStopsAtTheBounds) {
  bounded_random_walk w;
  bounded_random_walk_init(&w);
  ASSERT_EQ(bounded_random_walk_set(&w, -2.0f, 3.0f, 1.5f, 1.5f, 1.0f, 1.0f, 0.0f, 48000.0f), 0);
  float out;
  w.next = 2.0f;
  make_due(w);
  noise_set_uniform_seed(uniform_seed_before(UP_STATE));
  bounded_random_walk_step(&w, &out, 64);
  EXPECT_EQ(out, 2.0f);
  EXPECT_EQ(w.next, 3.0f);
  w.next = -1.0f;
  make_due(w);
  noise_set_uniform_seed(uniform_seed_before(DOWN_STATE));
  bounded_random_walk_step(&w, &out, 64);
  EXPECT_EQ(out, -1.0f);
  EXPECT_EQ(w.next, -2.0f);
}

// A long run stays within the bounds.
TEST(BoundedRandomWalk, LongRunStaysWithinTheBounds) {
  noise_set_uniform_seed(8u);
  bounded_random_walk w;
  bounded_random_walk_init(&w);
  ASSERT_EQ(
      bounded_random_walk_set(&w, 200.0f, 900.0f, 10.0f, 400.0f, 0.5f, 3.0f, 500.0f, 48000.0f),
      0);
  for (int call = 0; call < 20000; ++call) {
    float out;
    bounded_random_walk_step(&w, &out, 64);
    ASSERT_GE(out, 200.0f);
    ASSERT_LE(out, 900.0f);
  }
}
