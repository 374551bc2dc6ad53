#pragma once
// Control chains in lanes beside their scalar twins, for the tests of the
// control-chain pass and of the passes built on it: up to sixteen jobs,
// with and without a pre-section, of the offset and the product kind,
// mixed; each round fresh inputs, the scalar steps' results, and the check
// that the lanes gave the same bits (blocks, control blocks as written back,
// every record).

#include <gtest/gtest.h>

#include <cstring>

#include "dsp/lanes.h"
#include "dsp_test_util.h"

namespace dsp_test {

struct control_chain_rig {
  float lane_control[16][64], lane_block[16][64], scalar_control[16][64], scalar_block[16][64];
  biquad_df2 pre_l[16], pre_s[16], post_l[16], post_s[16];
  one_pole pole_l[16], pole_s[16];
  control_chain_job jobs[16];

  control_chain_rig() {
    for (int k = 0; k < 16; ++k) {
      biquad_df2_init(&pre_l[k]);
      biquad_df2_design_q(&pre_l[k], FILTER_BANDPASS_GAIN, 1.0f, 40.0f + 10.0f * k, 0.4f,
                          48000.0f);
      biquad_df2_init(&post_l[k]);
      biquad_df2_design_bw(&post_l[k], FILTER_LOWPASS, 1.0f, 3.0f + k, 1.0f, 48000.0f);
      one_pole_init(&pole_l[k]);
      one_pole_design(&pole_l[k], 0, 300.0f + 40.0f * k, 48000.0f);
      pre_s[k] = pre_l[k];
      post_s[k] = post_l[k];
      pole_s[k] = pole_l[k];
    }
  }

  // Fresh inputs for a round of n samples, the first `count` jobs on them,
  // and the scalar steps over them.
  void round(test_noise& rnd, int count, int n) {
    for (int k = 0; k < 16; ++k)
      for (int i = 0; i < 64; ++i) {
        lane_control[k][i] = scalar_control[k][i] = rnd();
        lane_block[k][i] = scalar_block[k][i] = rnd();
      }
    for (int k = 0; k < count; ++k) {
      const bool with_pre = k % 3 != 1, product = k % 2 == 1;
      jobs[k] = {with_pre ? &pre_l[k] : nullptr, &pole_l[k], lane_control[k],
                 product ? 1.0f : 4.0f, product ? 0.0f : 30.0f, product, &post_l[k],
                 lane_block[k]};
      if (with_pre) biquad_df2_process(&pre_s[k], scalar_control[k], n);
      one_pole_process(&pole_s[k], scalar_control[k], n);
      for (int i = 0; i < n; ++i) {
        const float m = scalar_control[k][i];
        scalar_control[k][i] = m * jobs[k].scale;
        scalar_block[k][i] = product ? m * scalar_block[k][i] : scalar_control[k][i] + jobs[k].offset;
      }
      biquad_df2_process(&post_s[k], scalar_block[k], n);
    }
  }

  // The lanes' blocks and records are the scalar steps' (call under
  // ASSERT_NO_FATAL_FAILURE).
  void expect_same(int count, int round) const {
    ASSERT_EQ(0, std::memcmp(lane_control, scalar_control, sizeof lane_control)) << round;
    ASSERT_EQ(0, std::memcmp(lane_block, scalar_block, sizeof lane_block)) << round;
    for (int k = 0; k < count; ++k) {
      ASSERT_EQ(0, std::memcmp(&pre_l[k], &pre_s[k], sizeof pre_l[k])) << k;
      ASSERT_EQ(0, std::memcmp(&pole_l[k], &pole_s[k], sizeof pole_l[k])) << k;
      ASSERT_EQ(0, std::memcmp(&post_l[k], &post_s[k], sizeof post_l[k])) << k;
    }
  }
};

// Three blocks of 64 samples, then one of 8, one of 4 and an empty one.
inline int control_round_length(int round) {
  return round < 3 ? 64 : round == 3 ? 8 : round == 4 ? 4 : 0;
}

}  // namespace dsp_test
