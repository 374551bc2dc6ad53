// The filter and control-chain lane kernels: every job run side by side
// with others, at every vector level, gives bit for bit what its scalar
// processors give.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "control_chain_rig.h"
#include "dsp/filters.h"
#include "dsp/lanes.h"
#include "dsp_test_util.h"

// Lane-parallel processing: each instance run side by side with others gives
// bit for bit what its scalar processor gives, whatever the job count (one
// to sixteen: one or two groups of four or eight lanes, one or more passes).
TEST(FilterLanes, EqualScalarProcessing) {
  for (const vector_level level : dsp_test::vector_levels()) {
    SCOPED_TRACE(dsp_test::level_name(level));
    vector_level_select(level);
    dsp_test::test_noise rnd(12345u);
    for (int count = 1; count <= 16; ++count) {
      SCOPED_TRACE(count);
      float lane_blocks[16][64], scalar_blocks[16][64];
      for (auto& b : lane_blocks)
        for (float& x : b) x = rnd();
      std::memcpy(scalar_blocks, lane_blocks, sizeof lane_blocks);

      band_filter bl[16], bs[16];
      biquad ql[16], qs[16];
      resonator rl[16], rs[16];
      biquad_df2 dl[16], ds[16];
      one_pole pl[16], ps[16];
      for (int k = 0; k < 16; ++k) {
        band_filter_init(&bl[k]);
        band_filter_design(&bl[k], 100.0f + 300.0f * k, 4000.0f + 1000.0f * k, 0.9f, 48000.0f);
        biquad_init(&ql[k]);
        biquad_design_q_db(&ql[k], k % 8, 3.0f, 500.0f + 700.0f * k, 0.7f + 0.5f * k, 48000.0f);
        resonator_init(&rl[k]);
        resonator_set(&rl[k], 0.01f * (k % 8 + 1), -1.9f + 0.05f * (k % 8), 0.92f + 0.01f * (k % 8));
        biquad_df2_init(&dl[k]);
        biquad_df2_design_q(&dl[k], FILTER_BANDPASS_GAIN, 1.0f, 50.0f * (k + 1), 0.4f, 48000.0f);
        one_pole_init(&pl[k]);
        one_pole_design(&pl[k], k % 2, 300.0f * (k + 1), 48000.0f);
        // Non-zero history, so the state hand-over is checked too.
        bl[k].y1 = ql[k].y1 = rl[k].y1 = dl[k].w1 = pl[k].y1 = 0.25f * (k + 1);
        bs[k] = bl[k];
        qs[k] = ql[k];
        rs[k] = rl[k];
        ds[k] = dl[k];
        ps[k] = pl[k];
      }
      band_filter_job bj[16];
      biquad_job qj[16];
      resonator_job rj[16];
      biquad_df2_job dj[16];
      one_pole_job pj[16];
      for (int k = 0; k < count; ++k) {
        bj[k] = {&bl[k], lane_blocks[k]};
        qj[k] = {&ql[k], lane_blocks[k]};
        rj[k] = {&rl[k], lane_blocks[k]};
        dj[k] = {&dl[k], lane_blocks[k]};
        pj[k] = {&pl[k], lane_blocks[k]};
      }
      for (int pass = 0; pass < 2; ++pass) {
        resonator_process_lanes(rj, count, 64);
        biquad_process_lanes(qj, count, 64);
        biquad_df2_process_lanes(dj, count, 64);
        one_pole_process_lanes(pj, count, 64);
        band_filter_process_lanes(bj, count, 64);
        for (int k = 0; k < count; ++k) {
          resonator_process(&rs[k], scalar_blocks[k], 64);
          biquad_process(&qs[k], scalar_blocks[k], 64);
          biquad_df2_process(&ds[k], scalar_blocks[k], 64);
          one_pole_process(&ps[k], scalar_blocks[k], 64);
          band_filter_process(&bs[k], scalar_blocks[k], 64);
        }
      }
      for (int k = 0; k < count; ++k) {
        EXPECT_EQ(0, std::memcmp(lane_blocks[k], scalar_blocks[k], sizeof lane_blocks[k])) << k;
        EXPECT_EQ(0, std::memcmp(&bl[k], &bs[k], sizeof bl[k])) << k;
        EXPECT_EQ(0, std::memcmp(&ql[k], &qs[k], sizeof ql[k])) << k;
        EXPECT_EQ(0, std::memcmp(&rl[k], &rs[k], sizeof rl[k])) << k;
        EXPECT_EQ(0, std::memcmp(&dl[k], &ds[k], sizeof dl[k])) << k;
        EXPECT_EQ(0, std::memcmp(&pl[k], &ps[k], sizeof pl[k])) << k;
      }
    }
  }
  wide_vectors_allow(true);
}

// Biquad chains of one, two and four sections, mixed in any order and up to
// sixteen jobs (several passes, groups of different lengths interleaved):
// each block and each section's state bit for bit as its sections run one
// after the other with the scalar processor.
TEST(FilterLanes, ChainsEqualSectionsInSeries) {
  dsp_test::test_noise rnd(777u);
  const int lengths[16] = {2, 1, 4, 1, 1, 2, 4, 1, 2, 1, 4, 2, 1, 1, 2, 4};
  for (const int count : {1, 2, 3, 5, 7, 9, 12, 16})
    for (const vector_level level : dsp_test::vector_levels()) {
      SCOPED_TRACE(count);
      SCOPED_TRACE(dsp_test::level_name(level));
      vector_level_select(level);
      float lane_blocks[16][64], scalar_blocks[16][64];
      for (auto& b : lane_blocks)
        for (float& x : b) x = rnd();
      std::memcpy(scalar_blocks, lane_blocks, sizeof lane_blocks);
      biquad lanes[16][4], scalar[16][4];
      biquad_chain_job jobs[16];
      for (int j = 0; j < count; ++j) {
        jobs[j] = {{nullptr, nullptr, nullptr, nullptr}, lengths[j], lane_blocks[j]};
        for (int s = 0; s < lengths[j]; ++s) {
          biquad_init(&lanes[j][s]);
          biquad_design_q_db(&lanes[j][s], (j + s) % 8, 2.0f, 200.0f + 350.0f * j + 90.0f * s,
                             0.6f + 0.2f * s, 48000.0f);
          lanes[j][s].y1 = 0.1f * (s + 1);
          scalar[j][s] = lanes[j][s];
          jobs[j].f[s] = &lanes[j][s];
        }
      }
      for (int pass = 0; pass < 2; ++pass) {
        biquad_chain_process_lanes(jobs, count, 64);
        for (int j = 0; j < count; ++j)
          for (int s = 0; s < lengths[j]; ++s) biquad_process(&scalar[j][s], scalar_blocks[j], 64);
      }
      for (int j = 0; j < count; ++j) {
        EXPECT_EQ(0, std::memcmp(lane_blocks[j], scalar_blocks[j], sizeof lane_blocks[j])) << j;
        for (int s = 0; s < lengths[j]; ++s)
          EXPECT_EQ(0, std::memcmp(&lanes[j][s], &scalar[j][s], sizeof(biquad))) << j << " " << s;
      }
    }
  wide_vectors_allow(true);
}

// DF2-then-one-pole chains beside lone one-poles, in any numbers (one shared
// pass where both fit, else separate passes), at either vector width: every
// block and state as the scalar processors leave them.
TEST(FilterLanes, DF2OnePoleChainsEqualScalarProcessing) {
  dsp_test::test_noise rnd(4711u);
  for (const vector_level level : dsp_test::vector_levels())
    for (const int chains : {0, 1, 4, 5, 9})
      for (const int poles : {0, 2, 6, 10}) {
        SCOPED_TRACE(std::to_string(chains) + " chains, " + std::to_string(poles) + " poles");
        vector_level_select(level);
        float lane_blocks[19][64], scalar_blocks[19][64];
        for (auto& b : lane_blocks)
          for (float& x : b) x = rnd();
        std::memcpy(scalar_blocks, lane_blocks, sizeof lane_blocks);
        biquad_df2 dl[9], ds[9];
        one_pole cl[9], cs[9], pl[10], ps[10];
        biquad_df2_one_pole_job cj[9];
        one_pole_job pj[10];
        for (int k = 0; k < chains; ++k) {
          biquad_df2_init(&dl[k]);
          biquad_df2_design_q(&dl[k], FILTER_BANDPASS_GAIN, 1.0f, 40.0f + 15.0f * k, 0.4f,
                              48000.0f);
          one_pole_init(&cl[k]);
          one_pole_design(&cl[k], 0, 400.0f + 50.0f * k, 48000.0f);
          dl[k].w1 = 0.1f * k;
          cl[k].y1 = -0.05f * k;
          ds[k] = dl[k];
          cs[k] = cl[k];
          cj[k] = {&dl[k], &cl[k], lane_blocks[k]};
        }
        for (int k = 0; k < poles; ++k) {
          one_pole_init(&pl[k]);
          one_pole_design(&pl[k], k % 2, 100.0f + 200.0f * k, 48000.0f);
          pl[k].y1 = 0.3f;
          ps[k] = pl[k];
          pj[k] = {&pl[k], lane_blocks[9 + k]};
        }
        for (int pass = 0; pass < 2; ++pass) {
          biquad_df2_one_pole_process_lanes(cj, chains, pj, poles, 64);
          for (int k = 0; k < chains; ++k) {
            biquad_df2_process(&ds[k], scalar_blocks[k], 64);
            one_pole_process(&cs[k], scalar_blocks[k], 64);
          }
          for (int k = 0; k < poles; ++k) one_pole_process(&ps[k], scalar_blocks[9 + k], 64);
        }
        EXPECT_EQ(0, std::memcmp(lane_blocks, scalar_blocks, sizeof lane_blocks));
        for (int k = 0; k < chains; ++k) {
          EXPECT_EQ(0, std::memcmp(&dl[k], &ds[k], sizeof dl[k])) << k;
          EXPECT_EQ(0, std::memcmp(&cl[k], &cs[k], sizeof cl[k])) << k;
        }
        for (int k = 0; k < poles; ++k)
          EXPECT_EQ(0, std::memcmp(&pl[k], &ps[k], sizeof pl[k])) << k;
      }
  wide_vectors_allow(true);
}

// The control-chain pass against the scalar steps: jobs with and without a
// pre-section, of the offset and the product kind, mixed, over one to
// sixteen jobs at every vector level; the control block as written back and
// every record's state included. Three blocks of 64 samples, then one of 8,
// one of 4 and an empty one.
TEST(ControlLanes, ChainsEqualScalarSteps) {
  dsp_test::test_noise rnd(99u);
  for (const vector_level level : dsp_test::vector_levels())
    for (const int count : {1, 2, 4, 6, 8, 11, 16}) {
      SCOPED_TRACE(std::string(dsp_test::level_name(level)) + ", " + std::to_string(count) +
                   " chains");
      vector_level_select(level);
      dsp_test::control_chain_rig rig;
      for (int round = 0; round < 6; ++round) {
        const int n = dsp_test::control_round_length(round);
        rig.round(rnd, count, n);
        control_chain_process_lanes(rig.jobs, count, n);
        ASSERT_NO_FATAL_FAILURE(rig.expect_same(count, round));
      }
    }
  wide_vectors_allow(true);
}
