// The wind's pass of three against the scalar processors.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dsp/filters.h"
#include "tests/dsp/dsp_test_util.h"
#include "wind/pass_of_three.h"

// The pass of three groups (resonator-then-biquad chains, lone resonators,
// biquad chains of one length) against the scalar processors, for group
// sizes from empty to full at either width, over one round of eight samples
// and over several (the small layouts' one-group pass runs the second
// sections a round behind); too many jobs or mixed chain lengths are refused
// without touching anything.
TEST(WindPassOfThree, EqualsScalarProcessing) {
  dsp_test::test_noise rnd(2024u);
  struct sizes {
    int chains, resonators, biquads, sections;
  };
  const sizes cases[] = {{4, 4, 2, 2}, {3, 2, 1, 2}, {0, 4, 4, 1}, {4, 0, 0, 4},
                         {7, 6, 2, 2}, {8, 8, 8, 1}, {1, 1, 1, 4}, {2, 4, 2, 2},
                         {1, 0, 2, 2}, {3, 3, 0, 1}, {0, 2, 1, 2}, {4, 4, 2, 1},
                         {4, 4, 3, 2}, {5, 1, 1, 2}};
  for (const vector_level level : dsp_test::vector_levels())
    for (const int n : {8, 64})
    for (const sizes& c : cases) {
      SCOPED_TRACE(std::to_string(c.chains) + "/" + std::to_string(c.resonators) + "/" +
                   std::to_string(c.biquads) + "x" + std::to_string(c.sections) + " n " +
                   std::to_string(n) + " " + dsp_test::level_name(level));
      vector_level_select(level);
      float lanes[24][64], scalar[24][64];
      for (auto& b : lanes)
        for (float& x : b) x = rnd();
      std::memcpy(scalar, lanes, sizeof lanes);
      resonator rl[16], rs[16];
      biquad ql[8][4], qs[8][4], cl[8], cs[8];
      resonator_biquad_job chain_jobs[8];
      resonator_job resonator_jobs[8];
      biquad_chain_job biquad_jobs[8];
      for (int k = 0; k < 16; ++k) {
        resonator_init(&rl[k]);
        resonator_set(&rl[k], 0.01f * (k % 8 + 1), -1.9f + 0.05f * (k % 8), 0.92f + 0.005f * k);
        rl[k].y1 = 0.1f;
        rs[k] = rl[k];
      }
      for (int k = 0; k < 8; ++k) {
        biquad_init(&cl[k]);
        biquad_design_q_db(&cl[k], FILTER_LOWPASS, 0.0f, 300.0f + 500.0f * k, 0.7f, 48000.0f);
        cs[k] = cl[k];
        for (int s = 0; s < 4; ++s) {
          biquad_init(&ql[k][s]);
          biquad_design_q_db(&ql[k][s], FILTER_LOWPASS, 0.0f, 5.0f + k + s, 0.7f, 48000.0f);
          ql[k][s].y1 = 0.2f;
          qs[k][s] = ql[k][s];
        }
      }
      for (int k = 0; k < c.chains; ++k) chain_jobs[k] = {&rl[k], &cl[k], lanes[k]};
      for (int k = 0; k < c.resonators; ++k) resonator_jobs[k] = {&rl[8 + k], lanes[8 + k]};
      for (int k = 0; k < c.biquads; ++k)
        biquad_jobs[k] = {{&ql[k][0], &ql[k][1], &ql[k][2], &ql[k][3]}, c.sections, lanes[16 + k]};
      const bool fits =
          (c.chains <= 8 && c.resonators <= 8 && c.biquads <= 8) &&
          (lane_width_now() == 8 || (c.chains <= 4 && c.resonators <= 4 && c.biquads <= 4));
      // Every other case with eight multiply chains beside the pass (the
      // values after each eight samples and the last ones).
      const bool with_multiplies = (&c - cases) % 2 == 0;
      alignas(32) double env[8], mul[8], rounds[64] = {}, want_rounds[64] = {};
      double want_env[8];
      for (int k = 0; k < 8; ++k) {
        env[k] = want_env[k] = 0.1 * (k + 1);
        mul[k] = 1.0 - 0.00013 * k + 0.0000071 * n;
      }
      for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 8; ++k) want_env[k] *= mul[k];
        if (i % 8 == 7)
          for (int k = 0; k < 8; ++k) want_rounds[8 * (i / 8) + k] = want_env[k];
      }
      const multiply_set_job multiplies{env, mul, rounds};
      ASSERT_EQ(resonator_pass_of_three(chain_jobs, c.chains, resonator_jobs, c.resonators,
                                        biquad_jobs, c.biquads, n,
                                        with_multiplies ? &multiplies : nullptr),
                fits);
      if (!fits) {
        EXPECT_EQ(0, std::memcmp(lanes, scalar, sizeof lanes));  // nothing ran
        for (int k = 0; k < 8; ++k) EXPECT_EQ(env[k], 0.1 * (k + 1));  // nor the multiplies
        for (const double r : rounds) EXPECT_EQ(r, 0.0);
        continue;
      }
      if (with_multiplies) {
        EXPECT_EQ(0, std::memcmp(env, want_env, sizeof env));
        EXPECT_EQ(0, std::memcmp(rounds, want_rounds, sizeof rounds));
      }
      for (int k = 0; k < c.chains; ++k) {
        resonator_process(&rs[k], scalar[k], n);
        biquad_process(&cs[k], scalar[k], n);
      }
      for (int k = 0; k < c.resonators; ++k) resonator_process(&rs[8 + k], scalar[8 + k], n);
      for (int k = 0; k < c.biquads; ++k)
        for (int s = 0; s < c.sections; ++s) biquad_process(&qs[k][s], scalar[16 + k], n);
      EXPECT_EQ(0, std::memcmp(lanes, scalar, sizeof lanes));
      EXPECT_EQ(0, std::memcmp(rl, rs, sizeof rl));
      EXPECT_EQ(0, std::memcmp(cl, cs, sizeof cl));
      EXPECT_EQ(0, std::memcmp(ql, qs, sizeof ql));
    }
  wide_vectors_allow(true);
  // Mixed chain lengths do not share a group.
  biquad f[3];
  for (auto& q : f) biquad_init(&q);
  float block[2][64] = {};
  const biquad_chain_job mixed[2] = {{{&f[0]}, 1, block[0]}, {{&f[1], &f[2]}, 2, block[1]}};
  EXPECT_FALSE(resonator_pass_of_three(nullptr, 0, nullptr, 0, mixed, 2, 64, nullptr));
}
