// The lane-major passes (a fixed job per lane, blocks handed on in lane
// order) against the scalar processors, at every kernel level that has them:
// lanes of every kind (product and offset chains with and without a
// pre-section, lanes that pass their block through, gated and ungated
// bands, idle lanes), oscillators that need the fold and ones that do not,
// outputs scaled by held levels or not, a pair of multiply chains riding
// along the control pass or not.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "dsp/cpu_features.h"
#include "dsp/filters.h"
#include "dsp/lanes.h"
#include "dsp/oscillators.h"
#include "dsp_test_util.h"

namespace {

constexpr int N = 64;
constexpr int L = MAJOR_LANES;

// The records of one lane-major pass set, as the lanes and as the scalar
// reference see them.
struct drop_records {
  biquad_df2 pre[L], post[L];
  one_pole pole[L];
  ramp_osc ramp[4];
  sine_osc osc[L];
  biquad section[L];
  band_filter band[L];
};

void design(drop_records& r) {
  for (int k = 0; k < L; ++k) {
    biquad_df2_init(&r.pre[k]);
    biquad_df2_design_q(&r.pre[k], FILTER_BANDPASS_GAIN, 1.0f, 40.0f + 10.0f * k, 0.4f, 48000.0f);
    biquad_df2_init(&r.post[k]);
    biquad_df2_design_bw(&r.post[k], FILTER_LOWPASS, 1.0f, 3.0f + k, 1.0f, 48000.0f);
    one_pole_init(&r.pole[k]);
    one_pole_design(&r.pole[k], 0, 300.0f + 40.0f * k, 48000.0f);
    sine_osc_init(&r.osc[k], 48000.0f);
    biquad_init(&r.section[k]);
    biquad_design_q_db(&r.section[k], k % 3 ? FILTER_HIGHPASS : FILTER_NOTCH, 0.0f,
                       200.0f + 300.0f * k, 0.8f, 48000.0f);
    band_filter_init(&r.band[k]);
    band_filter_design(&r.band[k], 100.0f + 20.0f * k, 4000.0f + 500.0f * k, 1.0f, 48000.0f);
  }
  for (int k = 0; k < 4; ++k) {
    ramp_osc_init(&r.ramp[k]);
    // Fast enough that every block restarts a ramp or two.
    ramp_osc_set_freq(&r.ramp[k], 900.0f + 400.0f * k, 48000.0f);
  }
}

void expect_same_records(const drop_records& a, const drop_records& b) {
  EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
}

}  // namespace

TEST(LaneMajor, DropPassesEqualScalarSteps) {
  dsp_test::test_noise rnd(4242u);
  bool ran = false;
  for (const vector_level level : dsp_test::vector_levels())
    for (const bool with_idle : {false, true})
      for (const bool scaled : {false, true}) {
        vector_level_select(level);
        if (!lane_major_available(N)) continue;
        ran = true;
        SCOPED_TRACE(std::string(dsp_test::level_name(level)) + (with_idle ? ", idle lanes" : "") +
                     (scaled ? ", held levels" : ""));
        drop_records lanes, scalar;
        design(lanes);
        scalar = lanes;
        // Lane kinds: 0-1 product chains (no pre-section), 2-3 pass their block,
        // 4-7 offset chains with a pre-section; the section-band lanes 4-7
        // gated. With idle lanes, 3 and 6 have no records and ramp 2 none.
        auto idle = [&](int k) { return with_idle && (k == 3 || k == 6); };
        float rows_control[L][N], rows_block[L][N], spare[N];
        float control_out[N * L], block_out[N * L], sweep[N * 4];
        float low[N * 4], sines[N * L], out[L][N], want_out[L][N];
        const float slope[4] = {2.0f, 2.5f, 3.0f, 0.5f}, base[4] = {5.0f, 6.0f, 7.0f, 8.0f};
        const float gains[L] = {0.5f, 1.5f, 0.25f, 2.0f, 0.75f, 1.0f, 3.0f, 0.125f};
        for (int round = 0; round < 3; ++round) {
          for (int k = 0; k < L; ++k)
            for (int i = 0; i < N; ++i) {
              rows_control[k][i] = rnd();
              rows_block[k][i] = rnd();
            }
          for (int i = 0; i < N; ++i) spare[i] = rnd();

          // The control pass with the sweeps.
          control_chain_job jobs[L];
          ramp_osc_job ramps[4];
          for (int k = 0; k < L; ++k) {
            if (idle(k))
              jobs[k] = {nullptr, nullptr, nullptr, 0.0f, 0.0f, false, nullptr, spare};
            else if (k < 2)
              jobs[k] = {nullptr, &lanes.pole[k], rows_control[k], 1.0f, 0.0f, true,
                         &lanes.post[k], rows_block[k]};
            else if (k < 4)
              jobs[k] = {nullptr, nullptr, nullptr, 0.0f, 0.0f, false, nullptr, rows_block[k]};
            else
              jobs[k] = {&lanes.pre[k], &lanes.pole[k], rows_control[k], 4.0f, 30.0f, false,
                         &lanes.post[k], rows_block[k]};
          }
          for (int k = 0; k < 4; ++k)
            ramps[k] = {with_idle && k == 2 ? nullptr : &lanes.ramp[k], nullptr};
          // With held levels, a pair of envelope chains rides along too
          // (one rising, one falling).
          alignas(16) double env[2] = {0.75 + round, 1.25}, mul[2] = {1.0000144, 0.99998};
          alignas(16) double rounds[2 * (N / 8)] = {};
          const multiply_pair_job multiplies{env, mul, rounds};
          control_chain_process_major(jobs, N, control_out, block_out, ramps, slope, base, sweep,
                                      scaled ? &multiplies : nullptr);
          if (scaled) {
            double want[2] = {0.75 + round, 1.25};
            for (int i = 0; i < N; ++i)
              for (int k = 0; k < 2; ++k) {
                want[k] *= mul[k];
                if (i % 8 == 7) {
                  ASSERT_EQ(rounds[2 * (i / 8) + k], want[k]) << "sample " << i;
                }
              }
            EXPECT_EQ(env[0], want[0]);
            EXPECT_EQ(env[1], want[1]);
          }
          for (int k = 0; k < L; ++k) {
            if (idle(k)) continue;
            float c[N], x[N];
            std::memcpy(c, rows_control[k], sizeof c);
            std::memcpy(x, rows_block[k], sizeof x);
            if (k < 2 || k >= 4) {
              if (k >= 4) biquad_df2_process(&scalar.pre[k], c, N);
              one_pole_process(&scalar.pole[k], c, N);
              for (int i = 0; i < N; ++i) {
                const float m = c[i];
                c[i] = m * jobs[k].scale;
                x[i] = jobs[k].product ? m * x[i] : c[i] + jobs[k].offset;
              }
              biquad_df2_process(&scalar.post[k], x, N);
              for (int i = 0; i < N; ++i)
                ASSERT_EQ(dsp_test::bits_of(control_out[L * i + k]), dsp_test::bits_of(c[i]))
                    << "lane " << k << " sample " << i;
            }
            for (int i = 0; i < N; ++i)
              ASSERT_EQ(dsp_test::bits_of(block_out[L * i + k]), dsp_test::bits_of(x[i]))
                  << "lane " << k << " sample " << i;
          }
          for (int k = 0; k < 4; ++k) {
            if (!ramps[k].o) continue;
            float r[N];
            ramp_osc_process(&scalar.ramp[k], r, N);
            for (int i = 0; i < N; ++i)
              ASSERT_EQ(dsp_test::bits_of(sweep[4 * i + k]),
                        dsp_test::bits_of(((r[i] + 1.0f) * slope[k]) + base[k]))
                  << "ramp " << k << " sample " << i;
          }

          // The oscillators: lanes 0-3 from low (tones far above the sample
          // rate, which need the fold, in lanes 0 and 2), 4-7 from high's upper half.
          for (int i = 0; i < N; ++i)
            for (int k = 0; k < 4; ++k)
              low[4 * i + k] = k % 2 ? 800.0f + 300.0f * rnd() : 300000.0f + 50000.0f * rnd();
          sine_osc_job oscillators[L];
          for (int k = 0; k < L; ++k) oscillators[k] = {idle(k) ? nullptr : &lanes.osc[k], nullptr};
          sine_osc_process_major(oscillators, N, low, block_out, sines, nullptr);
          for (int k = 0; k < L; ++k) {
            if (idle(k)) continue;
            float f[N];
            for (int i = 0; i < N; ++i) f[i] = k < 4 ? low[4 * i + k] : block_out[L * i + k];
            sine_osc_process(&scalar.osc[k], f, N);
            for (int i = 0; i < N; ++i)
              ASSERT_EQ(dsp_test::bits_of(sines[L * i + k]), dsp_test::bits_of(f[i]))
                  << "oscillator " << k << " sample " << i;
          }

          // The section-band pass on the lane-major blocks.
          const float threshold = 0.02f;
          section_band_job bands[L];
          for (int k = 0; k < L; ++k) {
            const bool gated = k >= 4;
            bands[k] = {idle(k) ? nullptr : &lanes.section[k], &lanes.band[k], nullptr,
                        gated ? sines : nullptr, gated ? 1.9f : 1.0f, idle(k) ? spare : out[k]};
          }
          section_band_process_major(bands, N, block_out, control_out, sines, threshold,
                                     scaled ? gains : nullptr);
          for (int k = 0; k < L; ++k) {
            if (idle(k)) continue;
            float x[N];
            for (int i = 0; i < N; ++i) {
              if (k >= 4) {
                const float c = control_out[L * i + k];
                const float t = sines[L * i + k] * (c * c);
                x[i] = (t > threshold ? t : threshold) + -threshold;
              } else {
                x[i] = block_out[L * i + k];
              }
            }
            biquad_process(&scalar.section[k], x, N);
            if (k >= 4)
              for (int i = 0; i < N; ++i) x[i] = sines[L * i + (k ^ 4)] * (x[i] * 1.9f);
            band_filter_process(&scalar.band[k], x, N);
            if (scaled)
              for (int i = 0; i < N; ++i) x[i] = x[i] * gains[k];
            std::memcpy(want_out[k], x, sizeof x);
            ASSERT_EQ(0, std::memcmp(out[k], want_out[k], sizeof x)) << "lane " << k;
          }
          expect_same_records(lanes, scalar);
        }
      }
  wide_vectors_allow(true);
  if (!ran) GTEST_SKIP() << "no eight-lane kernels on this processor";
}

// A side section riding along the oscillators' pass gives biquad_process's
// output and state, and leaves the oscillators' output alone: in chunks the
// vector steps take, in chunks they hand back to the scalar steps (a fold
// out of range), and in chunks the scalar steps take from the start (a NaN
// phase, left by a NaN frequency the call before).
TEST(LaneMajor, SideSectionBesideTheOscillatorsEqualsItsOwnPass) {
  dsp_test::test_noise rnd(777u);
  bool ran = false;
  for (const vector_level level : dsp_test::vector_levels()) {
    vector_level_select(level);
    if (!lane_major_available(N)) continue;
    ran = true;
    SCOPED_TRACE(dsp_test::level_name(level));
    sine_osc with[L], without[L];
    biquad side, scalar_side;
    biquad_init(&side);
    biquad_design_q_db(&side, FILTER_LOWPASS, 0.0f, 120.0f, 0.7f, 48000.0f);
    scalar_side = side;
    for (int k = 0; k < L; ++k) {
      sine_osc_init(&with[k], 48000.0f);
      without[k] = with[k];
    }
    for (int round = 0; round < 4; ++round) {
      float low[N * 4], high[N * L], block[N], want[N];
      for (int i = 0; i < N; ++i) {
        for (int k = 0; k < 4; ++k) low[4 * i + k] = 300000.0f + 50000.0f * rnd();
        for (int k = 0; k < L; ++k) high[L * i + k] = 30.0f + rnd();
        block[i] = want[i] = rnd();
      }
      if (round == 1) low[4 * 5 + 2] = 8.0532e11f;  // folds to more than 2 pi
      if (round == 2) high[L * 9 + 6] = NAN;
      sine_osc_job jobs_with[L], jobs_without[L];
      for (int k = 0; k < L; ++k) {
        jobs_with[k] = {&with[k], nullptr};
        jobs_without[k] = {&without[k], nullptr};
      }
      float sines_with[N * L], sines_without[N * L];
      const biquad_job job{&side, block};
      sine_osc_process_major(jobs_with, N, low, high, sines_with, &job);
      sine_osc_process_major(jobs_without, N, low, high, sines_without, nullptr);
      biquad_process(&scalar_side, want, N);
      ASSERT_EQ(0, std::memcmp(block, want, sizeof block)) << "round " << round;
      ASSERT_EQ(0, std::memcmp(&side, &scalar_side, sizeof side)) << "round " << round;
      for (int i = 0; i < N * L; ++i)
        ASSERT_TRUE(dsp_test::bits_of(sines_with[i]) == dsp_test::bits_of(sines_without[i]) ||
                    (std::isnan(sines_with[i]) && std::isnan(sines_without[i])))
            << "round " << round << " value " << i;
    }
  }
  wide_vectors_allow(true);
  if (!ran) GTEST_SKIP() << "no eight-lane kernels on this processor";
}
