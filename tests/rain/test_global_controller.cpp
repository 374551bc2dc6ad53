// The global controller's steps (the quiet advance an engine runs ahead of
// its voices then finish, or its chains run by a pass then finish, or
// process) against every sample of its envelopes, sub-block by sub-block,
// through quiet sub-blocks, attacks that end within one, and swells that
// start.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "dsp/noise.h"
#include "engine/global_controller.h"
#include "engine/pluvessa_params.h"
#include "dsp/block_ops.h"
#include "dsp/dsp_common.h"

namespace {

uint32_t bits(float x) {
  uint32_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

// Manual control, coupling, amplitude, rate, duty cycle, floor: a fast rate,
// so that swells start often, and a little coupling, so that the readings
// reach the output.
void make(global_controller* g, float fs) {
  noise_set_uniform_seed(0x5eed1234u);
  noise_set_gaussian_seed(0x5eed5678u);
  global_controller_setup(g);
  global_controller_set(g->params, pluvessa_param::global_control, 0.4f);
  global_controller_set(g->params, pluvessa_param::global_coupling_from_outside, 0.25f);
  global_controller_set(g->params, pluvessa_param::global_amplitude, 0.9f);
  global_controller_set(g->params, pluvessa_param::global_rate, 0.95f);
  global_controller_set(g->params, pluvessa_param::global_dutycycle, 0.3f);
  global_controller_set(g->params, pluvessa_param::global_floor, 0.1f);
  global_controller_init(g, fs);
}

// The multiply chains as a pass runs them beside its own work.
void run_chains(global_controller_chains* c) {
  for (int i = 0; i < SUB_BLOCK; ++i)
    for (int k = 0; k < 2; ++k) {
      c->env[k] *= c->mul[k];
      if (i % 8 == 7) c->round[2 * (i / 8) + k] = c->env[k];
    }
}

TEST(GlobalController, StepsMatchEverySampleOfTheEnvelopes) {
  const float fs = 48000.0f;
  global_controller whole, split, riding;
  make(&whole, fs);
  make(&split, fs);
  make(&riding, fs);
  float c[SUB_BLOCK], d[SUB_BLOCK];
  float a[SUB_BLOCK], b[SUB_BLOCK];
  int quiet = 0, swelling = 0, rides = 0, turns = 0;
  for (int block = 0; block < 6000; ++block) {
    const uint32_t uniform = noise_get_uniform_seed(), gaussian = noise_get_gaussian_seed();
    // The reference: every sample of both envelopes, summed, the probe's
    // sample read from the sum.
    const int at = global_controller_reading(&whole);
    random_envelope_process_pair(&whole.slow, a, &whole.flicker, b, SUB_BLOCK);
    block_add(b, a, SUB_BLOCK);
    const float expected = global_controller_finish(&whole, at >= 0 ? a[at] : 0.0f);
    const uint32_t uniform_after = noise_get_uniform_seed();
    const uint32_t gaussian_after = noise_get_gaussian_seed();

    noise_set_uniform_seed(uniform);
    noise_set_gaussian_seed(gaussian);
    float reading = -1.0f, got;
    if (global_controller_advance_quiet(&split, &reading)) {
      ++quiet;
      // Nothing is drawn ahead of the voices: their draws keep their order.
      ASSERT_EQ(noise_get_uniform_seed(), uniform) << "block " << block;
      ASSERT_EQ(noise_get_gaussian_seed(), gaussian) << "block " << block;
      got = global_controller_finish(&split, reading);
    } else {
      ++swelling;
      got = global_controller_process(&split, c, d);
    }
    ASSERT_EQ(bits(got), bits(expected)) << "block " << block;
    ASSERT_EQ(noise_get_uniform_seed(), uniform_after) << "block " << block;
    ASSERT_EQ(noise_get_gaussian_seed(), gaussian_after) << "block " << block;
    ASSERT_EQ(split.slow.env, whole.slow.env) << "block " << block;
    ASSERT_EQ(split.flicker.env, whole.flicker.env) << "block " << block;
    ASSERT_EQ(split.slow.counter, whole.slow.counter) << "block " << block;
    ASSERT_EQ(split.flicker.counter, whole.flicker.counter) << "block " << block;
    ASSERT_EQ(bits(split.held), bits(whole.held)) << "block " << block;

    // The chains run by a pass where the multipliers hold; the quiet advance
    // where an attack ends within the sub-block.
    noise_set_uniform_seed(uniform);
    noise_set_gaussian_seed(gaussian);
    global_controller_chains chains;
    if (global_controller_chains_begin(&riding, &chains)) {
      ++rides;
      ASSERT_EQ(noise_get_uniform_seed(), uniform) << "block " << block;
      run_chains(&chains);
      got = global_controller_finish(&riding, global_controller_chains_end(&riding, &chains));
    } else if (global_controller_advance_quiet(&riding, &reading)) {
      ++turns;
      got = global_controller_finish(&riding, reading);
    } else {
      got = global_controller_process(&riding, c, d);
    }
    ASSERT_EQ(bits(got), bits(expected)) << "block " << block;
    ASSERT_EQ(noise_get_uniform_seed(), uniform_after) << "block " << block;
    ASSERT_EQ(noise_get_gaussian_seed(), gaussian_after) << "block " << block;
    ASSERT_EQ(0, std::memcmp(&riding.slow, &whole.slow, sizeof whole.slow)) << "block " << block;
    ASSERT_EQ(0, std::memcmp(&riding.flicker, &whole.flicker, sizeof whole.flicker))
        << "block " << block;
    ASSERT_EQ(bits(riding.held), bits(whole.held)) << "block " << block;
  }
  // Every kind of sub-block was met.
  EXPECT_GT(quiet, 100);
  EXPECT_GT(swelling, 20);
  EXPECT_GT(rides, 100);
  EXPECT_GT(turns, 10);
}

}  // namespace
