// A silent or decaying voice must not cost more than a loud one: no denormal
// slowdown in decaying filter and envelope tails, no slow path for zero
// levels. Each engine renders 5.1 (every voice) in 512-frame calls, loud and
// silent phases taking turns so that machine load hits both alike; the
// fastest repetition of each phase is compared.

#include <gtest/gtest.h>

#include <time.h>
#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include <algorithm>
#include <vector>

#include "tests/rain/pluvessa_test_util.h"
#include "tests/wind/vantora_test_util.h"

namespace {

constexpr uint32_t CHANNELS = 6;
constexpr uint32_t CALL = 512;
constexpr int CALLS_PER_REP = 47;  // about half a second of audio
constexpr int REPS = 9;
// Timing on a shared machine: allow a little noise on top of the loud cost.
constexpr double TOLERANCE = 1.10;

double thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// A host's thread arrives with the default floating-point mode (denormals
// kept); the engine must set its own.
void host_float_mode() {
#if defined(__SSE2__)
  _mm_setcsr(_mm_getcsr() & ~0x8040u);  // FTZ and DAZ off
#endif
}

template <class R>
double timed_rep(R* e, std::vector<float>& out) {
  host_float_mode();
  const double t0 = thread_seconds();
  for (int i = 0; i < CALLS_PER_REP; ++i)
    EXPECT_EQ(engine_process(e, out.data(), engine_test::FIVE_ONE, CALL), 0);
  return thread_seconds() - t0;
}

struct phase_costs {
  double loud = 1e30;
  double silent = 1e30;
};

// Alternates loud and silent repetitions. Each silent repetition starts right
// after a loud one, so its voices are decaying from full level into silence.
template <class R, class Levels>
phase_costs measure(R* e, Levels set_levels) {
  std::vector<float> out(CHANNELS * CALL);
  phase_costs c;
  set_levels(e, 1.0f);
  timed_rep(e, out);  // warm caches and branch predictors
  for (int r = 0; r < REPS; ++r) {
    set_levels(e, 1.0f);
    c.loud = std::min(c.loud, timed_rep(e, out));
    set_levels(e, 0.0f);
    c.silent = std::min(c.silent, timed_rep(e, out));
  }
  return c;
}

TEST(VoiceCost, SilentWindVoicesCostNoMoreThanLoudOnes) {
  wind_test::engine e;
  const phase_costs c = measure(e.get(), [](vantora_engine* w, float level) {
    wind_test::set_levels(w, level, level, level, level, level);
  });
  EXPECT_LE(c.silent, c.loud * TOLERANCE) << "loud " << c.loud << " s, silent " << c.silent << " s";
}

TEST(VoiceCost, SilentRainVoicesCostNoMoreThanLoudOnes) {
  rain_test::engine e;
  const phase_costs c = measure(e.get(), [](pluvessa_engine* r, float level) {
    rain_test::set_levels(r, level, level, level, level, level);
  });
  EXPECT_LE(c.silent, c.loud * TOLERANCE) << "loud " << c.loud << " s, silent " << c.silent << " s";
}

}  // namespace
