// The rain voices' lane passes against the scalar processors in the order
// they stand for, at every vector level that has them: the section, drop gate
// and band filter; the control chains with the tone sweeps and the
// controller's multiply chains riding along; the lane-major passes (a fixed
// job per lane, blocks handed on in lane order) with lanes of every kind
// (product and offset chains with and without a pre-section, lanes that pass
// their block through, gated and ungated bands, idle lanes), oscillators
// that need the fold and ones that do not, outputs scaled by held levels or
// not, the multiply chains riding along or not.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "dsp/filters.h"
#include "dsp/oscillators.h"
#include "rain/voice_passes.h"
#include "tests/dsp/control_chain_rig.h"
#include "tests/dsp/dsp_test_util.h"

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


// The section-gate-band pass against the scalar steps (the section, then
// for gated jobs tone x (output x gain), then the band filter), with gated
// and ungated jobs mixed, in place and from a separate input, over one to
// sixteen jobs at every vector level; the second round starts from tiny
// inputs whose filter outputs are subnormal (no flush on this thread); the
// last two are one round of eight samples and an empty block.
TEST(RainVoicePasses, SectionGateBandEqualsScalarSteps) {
  dsp_test::test_noise rnd(2024u);
  for (const vector_level level : dsp_test::vector_levels())
    for (const int count : {1, 3, 4, 5, 8, 9, 16}) {
      SCOPED_TRACE(std::string(dsp_test::level_name(level)) + ", " + std::to_string(count));
      vector_level_select(level);
      float in[16][64], tone[16][64], lane_out[16][64], scalar_out[16][64];
      biquad ql[16], qs[16];
      band_filter bl[16], bs[16];
      section_band_job jobs[16];
      for (int k = 0; k < 16; ++k) {
        biquad_init(&ql[k]);
        biquad_design_q_db(&ql[k], k % 3 ? FILTER_HIGHPASS : FILTER_NOTCH, 0.0f,
                           200.0f + 300.0f * k, 0.8f, 48000.0f);
        band_filter_init(&bl[k]);
        band_filter_design(&bl[k], 100.0f + 20.0f * k, 4000.0f + 500.0f * k, 1.0f, 48000.0f);
        qs[k] = ql[k];
        bs[k] = bl[k];
      }
      for (int round = 0; round < 5; ++round) {
        const float size = round == 1 ? 1e-37f : 1.0f;
        const int n = round < 3 ? 64 : round == 3 ? 8 : 0;
        for (int k = 0; k < 16; ++k)
          for (int i = 0; i < 64; ++i) {
            in[k][i] = size * rnd();
            tone[k][i] = 0.5f + rnd();
            lane_out[k][i] = scalar_out[k][i] = rnd();
          }
        for (int k = 0; k < count; ++k) {
          const bool gated = k % 2 == 1, in_place = k % 4 == 0;
          if (in_place) {
            std::memcpy(lane_out[k], in[k], sizeof in[k]);
            std::memcpy(scalar_out[k], in[k], sizeof in[k]);  // past n: the input, untouched
          }
          jobs[k] = {&ql[k], &bl[k], in_place ? lane_out[k] : in[k], gated ? tone[k] : nullptr,
                     k % 3 ? 1.9f : 0.7f, lane_out[k]};
          float x[64];
          std::memcpy(x, in[k], sizeof x);
          biquad_process(&qs[k], x, n);
          if (gated)
            for (int i = 0; i < n; ++i) x[i] = tone[k][i] * (x[i] * jobs[k].gain);
          band_filter_process(&bs[k], x, n);
          std::memcpy(scalar_out[k], x, sizeof(float) * n);
        }
        section_band_process_lanes(jobs, count, n);
        ASSERT_EQ(0, std::memcmp(lane_out, scalar_out, sizeof lane_out)) << "round " << round;
        for (int k = 0; k < count; ++k) {
          ASSERT_EQ(0, std::memcmp(&ql[k], &qs[k], sizeof ql[k])) << k;
          ASSERT_EQ(0, std::memcmp(&bl[k], &bs[k], sizeof bl[k])) << k;
        }
      }
    }
  wide_vectors_allow(true);
}

// The control-chain pass with sweeps beside the chains (none, two, four; slow
// ones and ones restarting every few samples) against the scalar steps: the
// chains as the plain pass gives them, the sweeps' lines and phases, and the
// two multiply chains riding along in every other block. One to sixteen
// chains at every vector level; three blocks of 64 samples, then one of 8,
// one of 4 and an empty one.
TEST(RainVoicePasses, ControlChainsWithSweepsEqualScalarSteps) {
  dsp_test::test_noise rnd(99u);
  const float sweep_hz[4] = {2.0f, 9000.0f, 0.3f, 23000.0f};
  const float slope[4] = {1.5f, 0.25f, 2.0f, 0.75f}, base[4] = {4.0f, 6.5f, 3.0f, 5.0f};
  for (const vector_level level : dsp_test::vector_levels())
    for (const int count : {1, 2, 4, 6, 8, 11, 16})
      for (const int sweep_count : {0, 2, 4}) {
        SCOPED_TRACE(std::string(dsp_test::level_name(level)) + ", " + std::to_string(count) +
                     " chains, " + std::to_string(sweep_count) + " sweeps");
        vector_level_select(level);
        dsp_test::control_chain_rig rig;
        ramp_osc ramp_l[4], ramp_s[4];
        float lane_line[4][64] = {}, scalar_line[4][64];
        ramp_osc_job sweeps[4];
        for (int k = 0; k < 4; ++k) {
          ramp_osc_init(&ramp_l[k]);
          ramp_osc_set_freq(&ramp_l[k], sweep_hz[k], 48000.0f);
          ramp_l[k].phase = 0.3f * static_cast<float>(k) - 0.5f;
          ramp_s[k] = ramp_l[k];
          sweeps[k] = {&ramp_l[k], lane_line[k]};
        }
        for (int round = 0; round < 6; ++round) {
          const int n = dsp_test::control_round_length(round);
          rig.round(rnd, count, n);
          for (int k = 0; k < sweep_count; ++k) {
            std::memcpy(scalar_line[k], lane_line[k], sizeof lane_line[k]);
            ramp_osc_process(&ramp_s[k], scalar_line[k], n);
            for (int i = 0; i < n; ++i)
              scalar_line[k][i] = (scalar_line[k][i] + 1.0f) * slope[k] + base[k];
          }
          // Every other block with the two multiply chains beside the pass:
          // the values after each eight samples and the last ones.
          const bool with_multiplies = round % 2 == 0;
          alignas(16) double env[2] = {0.3 + round, 0.7 / (round + 1)};
          alignas(16) const double mul[2] = {0.99991, 1.0000123};
          alignas(16) double rounds[16] = {}, want_rounds[16] = {};
          double want_env[2] = {env[0], env[1]};
          for (int i = 0; i < n; ++i) {
            for (int k = 0; k < 2; ++k) want_env[k] *= mul[k];
            if (i % 8 == 7)
              for (int k = 0; k < 2; ++k) want_rounds[2 * (i / 8) + k] = want_env[k];
          }
          const multiply_pair_job multiplies{env, mul, rounds};
          control_chain_sweep_process_lanes(rig.jobs, count, sweeps, sweep_count, slope, base, n,
                                            with_multiplies ? &multiplies : nullptr);
          if (with_multiplies) {
            ASSERT_EQ(0, std::memcmp(env, want_env, sizeof env)) << round;
            ASSERT_EQ(0, std::memcmp(rounds, want_rounds, sizeof rounds)) << round;
          }
          ASSERT_NO_FATAL_FAILURE(rig.expect_same(count, round));
          for (int k = 0; k < sweep_count; ++k) {
            ASSERT_EQ(0, std::memcmp(lane_line[k], scalar_line[k], sizeof lane_line[k])) << k;
            ASSERT_EQ(0, std::memcmp(&ramp_l[k], &ramp_s[k], sizeof ramp_l[k])) << k;
          }
        }
      }
  wide_vectors_allow(true);
}

TEST(RainVoicePasses, LaneMajorDropPassesEqualScalarSteps) {
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
TEST(RainVoicePasses, SideSectionBesideTheMajorOscillatorsEqualsItsOwnPass) {
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
