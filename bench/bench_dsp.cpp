// Cost of the building blocks on the engines' 64-sample sub-blocks. Each case
// reports items/s (one item = one sample, or one frame for the mixers) and
// ns_per_sample. Filters run in place over their own output: their loops
// have no data-dependent branches, and the denormal mode set by the inits
// keeps decaying tails at full speed.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "dsp/block_ops.h"
#include "dsp/envelope.h"
#include "dsp/filters.h"
#include "dsp/simd/levels.h"
#include "dsp/lanes.h"
#include "dsp/dsp_common.h"
#include "dsp/noise.h"
#include "rain/voice_passes.h"
#include "wind/pass_of_three.h"

namespace {

constexpr int N = 64;

void report(benchmark::State& state, int samples = N) {
  state.SetItemsProcessed(state.iterations() * samples);
  // Inverted per-iteration rate: time per sample (printed with its unit).
  state.counters["ns_per_sample"] = benchmark::Counter(
      samples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Time per instance-sample of a pass over `jobs` instances' 64-sample blocks;
// puts the vector level back to the best one.
void report_jobs(benchmark::State& state, int jobs) {
  wide_vectors_allow(true);
  state.counters["ns_per_sample"] = benchmark::Counter(
      static_cast<double>(N) * jobs,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A block of white noise in [-1, 1].
void fill_noise(float* block) {
  noise_set_uniform_seed(UNIFORM_SEED_START);
  noise_white_process(block, N);
}

void BM_WhiteNoise(benchmark::State& state) {
  alignas(64) float block[N];
  noise_set_uniform_seed(UNIFORM_SEED_START);
  for (auto _ : state) {
    noise_white_process(block, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state);
}
BENCHMARK(BM_WhiteNoise);

void BM_GaussianNoise(benchmark::State& state) {
  alignas(64) float block[N];
  noise_set_gaussian_seed(GAUSSIAN_SEED_START);
  for (auto _ : state) {
    noise_gaussian_process(block, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state);
}
BENCHMARK(BM_GaussianNoise);

void BM_Biquad(benchmark::State& state) {
  alignas(64) float block[N];
  fill_noise(block);
  biquad f;
  biquad_init(&f);
  biquad_design_q_db(&f, FILTER_LOWPASS, 0.0f, 2000.0f, 0.7071f, 48000.0f);
  for (auto _ : state) {
    biquad_process(&f, block, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state);
}
BENCHMARK(BM_Biquad);

void BM_BandFilter(benchmark::State& state) {
  alignas(64) float block[N];
  fill_noise(block);
  band_filter f;
  band_filter_init(&f);
  band_filter_design(&f, 80.0f, 9000.0f, 1.0f, 48000.0f);
  for (auto _ : state) {
    band_filter_process(&f, block, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state);
}
BENCHMARK(BM_BandFilter);

void BM_Resonator(benchmark::State& state) {
  alignas(64) float block[N];
  fill_noise(block);
  resonator r;
  resonator_init(&r);
  resonator_set(&r, 0.001f, -1.97f, 0.985f);  // poles at radius ~0.99 near 1.1 kHz
  for (auto _ : state) {
    resonator_process(&r, block, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state);
}
BENCHMARK(BM_Resonator);

void BM_RandomEnvelope(benchmark::State& state) {
  alignas(64) float block[N];
  noise_set_uniform_seed(UNIFORM_SEED_START);
  random_envelope e;
  random_envelope_init(&e);
  for (auto _ : state) {
    random_envelope_process(&e, block, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state);
}
BENCHMARK(BM_RandomEnvelope);

// A level ramp over one sub-block at vector level `level` (the gain moves
// every call, as a voice's level does while it is automated).
void BM_GainRamp(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  alignas(64) float block[N];
  fill_noise(block);
  gain_ramp_state s{0.5f};
  float target = 0.25f;
  for (auto _ : state) {
    gain_ramp_apply(&s, target, block, N);
    target = 0.75f - target;
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state);
  wide_vectors_allow(true);
}
BENCHMARK(BM_GainRamp)->ArgName("level")->Arg(VECTORS_PORTABLE)->Arg(VECTORS_SSE2)->Arg(VECTORS_AVX)->Arg(VECTORS_AVX512);

// Inputs spread over [-8, 8], restored before each call (the copy is
// included in the figure).
void BM_BlockExp(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  const int n = static_cast<int>(state.range(1));  // the rain's tones: four blocks at once
  alignas(64) float input[4 * N], block[4 * N];
  for (int i = 0; i < n; i += N) fill_noise(input + i);
  for (float& x : input) x *= 8.0f;
  for (auto _ : state) {
    std::memcpy(block, input, sizeof(float) * static_cast<size_t>(n));
    block_exp(block, n);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report(state, n);
  wide_vectors_allow(true);
}
BENCHMARK(BM_BlockExp)
    ->ArgNames({"level", "n"})
    ->ArgsProduct({{VECTORS_PORTABLE, VECTORS_SSE2, VECTORS_AVX2, VECTORS_AVX512, VECTORS_AVX512_16},
                   {N, 4 * N}});

// S mono sources mixed into M interleaved channels (one item = one frame),
// accumulating (fresh: 0, as mix_interleaved) or written fresh (1, as the
// engines mix).
void BM_MixInterleaved(benchmark::State& state) {
  const bool fresh = state.range(2) != 0;
  const int sources_n = static_cast<int>(state.range(0));
  const int channels_n = static_cast<int>(state.range(1));
  std::vector<std::vector<float>> sources(sources_n, std::vector<float>(N));
  std::vector<const float*> ptrs;
  noise_set_uniform_seed(UNIFORM_SEED_START);
  for (auto& s : sources) {
    noise_white_process(s.data(), N);
    ptrs.push_back(s.data());
  }
  std::vector<float> matrix(sources_n * channels_n);
  for (size_t i = 0; i < matrix.size(); ++i) matrix[i] = 0.1f + 0.01f * static_cast<float>(i);
  std::vector<float> out(N * channels_n, 0.0f);
  for (auto _ : state) {
    if (fresh)
      mix_interleaved_fresh(ptrs.data(), sources_n, out.data(), channels_n, matrix.data(), N);
    else
      mix_interleaved(ptrs.data(), sources_n, out.data(), channels_n, matrix.data(), N);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  report(state);
}
BENCHMARK(BM_MixInterleaved)
    ->ArgNames({"sources", "channels", "fresh"})
    ->ArgsProduct({{8}, {1, 2, 6}, {0, 1}});

}  // namespace

// The lane kernels: `jobs` instances of one filter kind side by side over a
// 64-sample block, at vector level `level` (dsp/simd/levels.h: 0 portable,
// 1 SSE2, 2 AVX, 3 AVX2 (the AVX unit's lane kernels), 4 AVX-512, 5 AVX-512
// with sixteen-lane block kernels; capped at what the processor runs).
// ns_per_sample is per instance-sample.
template <class Job, class Rec, void (*Run)(const Job*, int, int), void (*Design)(Rec*)>
void BM_Lanes(benchmark::State& state) {
  const int jobs = static_cast<int>(state.range(0));
  vector_level_select(static_cast<vector_level>(state.range(1)));
  std::vector<Rec> recs(static_cast<size_t>(jobs));
  std::vector<float> blocks(static_cast<size_t>(jobs) * N);
  std::vector<Job> list;
  for (int k = 0; k < jobs; ++k) {
    Design(&recs[static_cast<size_t>(k)]);
    fill_noise(blocks.data() + k * N);
    list.push_back({&recs[static_cast<size_t>(k)], blocks.data() + k * N});
  }
  for (auto _ : state) {
    Run(list.data(), jobs, N);
    benchmark::DoNotOptimize(blocks.data());
    benchmark::ClobberMemory();
  }
  report_jobs(state, jobs);
}

void design_resonator(resonator* r) {
  resonator_init(r);
  resonator_set(r, 0.001f, -1.97f, 0.985f);
}
void design_biquad(biquad* f) {
  biquad_init(f);
  biquad_design_q_db(f, FILTER_LOWPASS, 0.0f, 2000.0f, 0.7071f, 48000.0f);
}
void design_band(band_filter* f) {
  band_filter_init(f);
  band_filter_design(f, 80.0f, 9000.0f, 1.0f, 48000.0f);
}
void design_df2(biquad_df2* f) {
  biquad_df2_init(f);
  biquad_df2_design_q(f, FILTER_BANDPASS_GAIN, 1.0f, 50.0f, 0.4f, 48000.0f);
}
void design_one_pole(one_pole* p) {
  one_pole_init(p);
  one_pole_design(p, 0, 400.0f, 48000.0f);
}

#define LANE_CASE(name, job, rec, run, design)                                          \
  BENCHMARK_TEMPLATE(BM_Lanes, job, rec, run, design)                                   \
      ->Name("BM_Lanes/" name)                                                          \
      ->ArgNames({"jobs", "level"})                                                      \
      ->ArgsProduct({{4, 8, 16}, {VECTORS_PORTABLE, VECTORS_SSE2, VECTORS_AVX, VECTORS_AVX512}})

LANE_CASE("Resonator", resonator_job, resonator, resonator_process_lanes, design_resonator);
LANE_CASE("Biquad", biquad_job, biquad, biquad_process_lanes, design_biquad);
LANE_CASE("BandFilter", band_filter_job, band_filter, band_filter_process_lanes, design_band);
LANE_CASE("BiquadDF2", biquad_df2_job, biquad_df2, biquad_df2_process_lanes, design_df2);
LANE_CASE("OnePole", one_pole_job, one_pole, one_pole_process_lanes, design_one_pole);

namespace {

// The drop oscillators of a stereo rain (`jobs` 8: four slow carriers, about
// 30 Hz, and four tones above the sample rate, whose increments need the
// fold) or a mono one (`jobs` 4: two and two), one pass at vector level
// `level`. The frequency blocks are refilled each round
// (the pass writes its sines over them); ns_per_sample is per
// oscillator-sample and includes the refill.
void BM_DropOscillators(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  const int count = static_cast<int>(state.range(1));
  sine_osc oscs[8];
  alignas(64) float blocks[8][N];
  float freq[8][N];
  for (int k = 0; k < 8; ++k) {
    sine_osc_init(&oscs[k], 48000.0f);
    for (int i = 0; i < N; ++i)
      freq[k][i] = k < count / 2 ? 30.0f + 0.01f * static_cast<float>(i + k)
                         : 52000.0f + 80.0f * static_cast<float>(i + 8 * k);
  }
  sine_osc_job jobs[8];
  for (int k = 0; k < 8; ++k) jobs[k] = {&oscs[k], blocks[k]};
  for (auto _ : state) {
    std::memcpy(blocks, freq, sizeof blocks);
    sine_osc_process_lanes(jobs, count, N);
    benchmark::DoNotOptimize(blocks);
    benchmark::ClobberMemory();
  }
  report_jobs(state, count);
}

}  // namespace

BENCHMARK(BM_DropOscillators)
    ->ArgNames({"level", "jobs"})
    ->ArgsProduct({{VECTORS_PORTABLE, VECTORS_SSE2, VECTORS_AVX, VECTORS_AVX512}, {4, 8}});

namespace {

// A control chain's records as the drops design them (jitter band pass,
// smoother, carrier smoother), its control and block filled with noise.
void design_drop_chain(biquad_df2* pre, one_pole* smooth, biquad_df2* post, float* control,
                       float* block) {
  biquad_df2_init(pre);
  biquad_df2_design_q(pre, FILTER_BANDPASS_GAIN, 1.0f, 50.0f, 0.4f, 48000.0f);
  biquad_df2_init(post);
  biquad_df2_design_bw(post, FILTER_LOWPASS, 1.0f, 3.0f, 1.0f, 48000.0f);
  one_pole_init(smooth);
  one_pole_design(smooth, 0, 400.0f, 48000.0f);
  fill_noise(control);
  fill_noise(block);
}

// The rain's control chains (four with a pre-section and an offset, two
// products) and its section-gate-band pass (four gated, four not), one pass
// each at vector level `level`; ns_per_sample is per job-sample.
void BM_RainControlChains(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  biquad_df2 pre[6], post[6];
  one_pole smooth[6];
  alignas(64) float control[6][N], block[6][N];
  control_chain_job jobs[6];
  for (int k = 0; k < 6; ++k) {
    design_drop_chain(&pre[k], &smooth[k], &post[k], control[k], block[k]);
    const bool product = k >= 4;
    jobs[k] = {product ? nullptr : &pre[k], &smooth[k], control[k], product ? 1.0f : 4.0f,
               product ? 0.0f : 30.0f, product, &post[k], block[k]};
  }
  for (auto _ : state) {
    control_chain_process_lanes(jobs, 6, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report_jobs(state, 6);
}

// The rain's eight lanes through the lane-major control pass: two product
// chains (rumble), two lanes passing their blocks on (shower), four drop
// chains, and beside them the four drops' sweeps.
void BM_RainControlChainsMajor(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  biquad_df2 pre[8], post[8];
  one_pole smooth[8];
  alignas(64) float control[8][N], block[8][N];
  alignas(64) float control_out[N * 8], block_out[N * 8], sweeps[N * 4];
  control_chain_job jobs[8];
  ramp_osc ramps[4];
  ramp_osc_job ramp_jobs[4];
  const float line_m[4] = {2.0f, 2.0f, 3.0f, 3.0f}, line_b[4] = {5.0f, 5.0f, 6.0f, 6.0f};
  for (int k = 0; k < 4; ++k) {
    ramp_osc_init(&ramps[k]);
    ramp_osc_set_freq(&ramps[k], 3.0f + static_cast<float>(k), 48000.0f);
    ramp_jobs[k] = {&ramps[k], nullptr};
  }
  for (int k = 0; k < 8; ++k) {
    design_drop_chain(&pre[k], &smooth[k], &post[k], control[k], block[k]);
    if (k < 2)
      jobs[k] = {nullptr, &smooth[k], control[k], 1.0f, 0.0f, true, &post[k], block[k]};
    else if (k < 4)
      jobs[k] = {nullptr, nullptr, nullptr, 0.0f, 0.0f, false, nullptr, block[k]};
    else
      jobs[k] = {&pre[k], &smooth[k], control[k], 4.0f, 30.0f, false, &post[k], block[k]};
  }
  for (auto _ : state) {
    control_chain_process_major(jobs, N, control_out, block_out, ramp_jobs, line_m, line_b,
                                sweeps, nullptr);
    benchmark::DoNotOptimize(block_out);
    benchmark::ClobberMemory();
  }
  report_jobs(state, 8);
}

// The rain's mono control pass: two product chains (rumble), two drop
// chains, and beside them the two drops' sweeps, each in its own tone block.
void BM_RainControlChainsMono(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  biquad_df2 pre[4], post[4];
  one_pole smooth[4];
  alignas(64) float control[4][N], block[4][N], tone[2][N];
  control_chain_job jobs[4];
  ramp_osc ramps[2];
  ramp_osc_job ramp_jobs[2];
  const float line_m[2] = {2.0f, 3.0f}, line_b[2] = {5.0f, 6.0f};
  for (int k = 0; k < 2; ++k) {
    ramp_osc_init(&ramps[k]);
    ramp_osc_set_freq(&ramps[k], 3.0f + static_cast<float>(k), 48000.0f);
    ramp_jobs[k] = {&ramps[k], tone[k]};
  }
  for (int k = 0; k < 4; ++k) {
    design_drop_chain(&pre[k], &smooth[k], &post[k], control[k], block[k]);
    if (k < 2)
      jobs[k] = {nullptr, &smooth[k], control[k], 1.0f, 0.0f, true, &post[k], block[k]};
    else
      jobs[k] = {&pre[k], &smooth[k], control[k], 4.0f, 30.0f, false, &post[k], block[k]};
  }
  for (auto _ : state) {
    control_chain_sweep_process_lanes(jobs, 4, ramp_jobs, 2, line_m, line_b, N, nullptr);
    benchmark::DoNotOptimize(block);
    benchmark::DoNotOptimize(tone);
    benchmark::ClobberMemory();
  }
  report_jobs(state, 4);
}

// A section and a band filter as the rain's voices design them.
void design_section_band(biquad* section, band_filter* band) {
  biquad_init(section);
  biquad_design_q_db(section, FILTER_HIGHPASS, 0.0f, 500.0f, 0.7f, 48000.0f);
  band_filter_init(band);
  band_filter_design(band, 200.0f, 8000.0f, 1.0f, 48000.0f);
}

void BM_RainSectionBands(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  biquad sections[8];
  band_filter bands[8];
  alignas(64) float in[8][N], tone[8][N], block[8][N];
  section_band_job jobs[8];
  for (int k = 0; k < 8; ++k) {
    design_section_band(&sections[k], &bands[k]);
    fill_noise(in[k]);
    fill_noise(tone[k]);
    const bool gated = k >= 4;
    jobs[k] = {&sections[k], &bands[k], gated ? in[k] : block[k], gated ? tone[k] : nullptr, 1.9f,
               block[k]};
  }
  for (auto _ : state) {
    for (int k = 0; k < 4; ++k) fill_noise(block[k]);
    section_band_process_lanes(jobs, 8, N);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report_jobs(state, 8);
}

// The same jobs through the lane-major pass: inputs, control values and
// sines lane-major, lanes 4-7 gated.
void BM_RainSectionBandsMajor(benchmark::State& state) {
  denormal_mode_set();
  vector_level_select(static_cast<vector_level>(state.range(0)));
  biquad sections[8];
  band_filter bands[8];
  alignas(64) float block[8][N];
  alignas(64) float in[N * 8], control[N * 8], sines[N * 8];
  section_band_job jobs[8];
  for (int k = 0; k < 8; ++k) {
    design_section_band(&sections[k], &bands[k]);
    jobs[k] = {&sections[k], &bands[k], nullptr, k >= 4 ? sines : nullptr, 1.9f, block[k]};
  }
  for (int i = 0; i < 8; ++i) {
    fill_noise(block[0]);
    for (int j = 0; j < N; ++j) in[8 * j + i] = block[0][j], control[8 * j + i] = 0.3f * block[0][j];
    fill_noise(block[0]);
    for (int j = 0; j < N; ++j) sines[8 * j + i] = block[0][j];
  }
  for (auto _ : state) {
    section_band_process_major(jobs, N, in, control, sines, 0.0245f, nullptr);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  report_jobs(state, 8);
}

}  // namespace

BENCHMARK(BM_RainSectionBandsMajor)->ArgName("level")->Arg(VECTORS_AVX)->Arg(VECTORS_AVX512);
BENCHMARK(BM_RainControlChainsMajor)->ArgName("level")->Arg(VECTORS_AVX)->Arg(VECTORS_AVX512);
BENCHMARK(BM_RainControlChainsMono)->ArgName("level")->Arg(VECTORS_SSE2)->Arg(VECTORS_AVX)->Arg(VECTORS_AVX512);
BENCHMARK(BM_RainControlChains)->ArgName("level")->Arg(VECTORS_SSE2)->Arg(VECTORS_AVX)->Arg(VECTORS_AVX512);
BENCHMARK(BM_RainSectionBands)->ArgName("level")->Arg(VECTORS_SSE2)->Arg(VECTORS_AVX)->Arg(VECTORS_AVX512);

namespace {

// The wind's pass of three groups as a mono layout has it: three
// shape-then-filter chains, two lone shapes, one two-section envelope chain.
void BM_WindPassOfThree(benchmark::State& state) {
  vector_level_select(static_cast<vector_level>(state.range(0)));
  resonator shapes[5];
  biquad filters[3], envelope[2];
  alignas(64) float blocks[6][N];
  resonator_biquad_job chains[3];
  resonator_job lone[2];
  biquad_chain_job envelopes[1];
  for (int k = 0; k < 5; ++k) {
    resonator_init(&shapes[k]);
    resonator_set(&shapes[k], 0.001f, -1.97f, 0.985f);
  }
  for (int k = 0; k < 3; ++k) {
    biquad_init(&filters[k]);
    biquad_design_q_db(&filters[k], FILTER_LOWPASS, 0.0f, 2000.0f, 0.7071f, 48000.0f);
    chains[k] = {&shapes[k], &filters[k], blocks[k]};
  }
  for (int k = 0; k < 2; ++k) {
    biquad_init(&envelope[k]);
    biquad_design_q_db(&envelope[k], FILTER_LOWPASS, 0.0f, 5.0f, 0.7071f, 48000.0f);
    lone[k] = {&shapes[3 + k], blocks[3 + k]};
  }
  envelopes[0] = {{&envelope[0], &envelope[1]}, 2, blocks[5]};
  for (auto& b : blocks) fill_noise(b);
  for (auto _ : state) {
    resonator_pass_of_three(chains, 3, lone, 2, envelopes, 1, N, nullptr);
    benchmark::DoNotOptimize(blocks);
    benchmark::ClobberMemory();
  }
  report_jobs(state, 1);
}

}  // namespace

BENCHMARK(BM_WindPassOfThree)->ArgName("level")->Arg(VECTORS_PORTABLE)->Arg(VECTORS_SSE2)->Arg(VECTORS_AVX)->Arg(VECTORS_AVX512);
