// Render cost of the engines: ten seconds of audio at 48 kHz from the default
// preset, interleaved, in 512-frame calls, for each speaker setup the plug-in
// offers. Reports nanoseconds per frame and the real-time factor (seconds of
// audio rendered per second of processor time), both from the rendering
// thread's CPU time so that other load on the machine does not count.
//
// Each engine is described by a small adapter struct (record type, size,
// init, interleaved render); a new engine needs one adapter and one
// registration line below.

#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>
#include <vector>

#include "dsp/filters.h"
#include "dsp/simd/levels.h"
#include "dsp/lanes.h"
#include "dsp/limiter.h"
#include "engine/pluvessa_bank.h"
#include "engine/vantora_bank.h"
#include "rain/pluvessa_engine.h"
#include "wind/vantora.h"

namespace {

// OSTRELLE_LANES=<level> measures the kernels of a vector level other than
// the one the processor would pick (a name of dsp/simd/levels.h: portable,
// sse2 or 4, avx, avx2, avx512, avx512-16; capped at what the processor
// runs); the report's context says which ran.
[[maybe_unused]] const bool LANE_CONTEXT = [] {
  const char* lanes = std::getenv("OSTRELLE_LANES");
  if (lanes && vector_level_named(lanes) >= 0)
    vector_level_select(static_cast<vector_level>(vector_level_named(lanes)));
  benchmark::AddCustomContext("vector_level", vector_level_name(vector_level_now()));
  return true;
}();

constexpr float RATE = 48000.0f;
constexpr uint32_t BLOCK = 512;
constexpr uint32_t SECONDS = 10;
constexpr uint32_t FRAMES = static_cast<uint32_t>(RATE) * SECONDS;

struct vantora_adapter {
  using record = vantora_engine;
  static const preset_bank& bank() { return VANTORA_BANK; }
  static constexpr const char* heavy = "Blizzard_High";
  static int load(record* e, const uint8_t* r) { return vantora_load_preset(e, r); }
  static uint32_t size() { return vantora_get_size(); }
  static int init(record* e, float rate) { return vantora_init(e, rate); }
  static int process(record* e, float* out, int32_t mask, uint32_t frames) {
    return vantora_process(e, out, mask, frames);
  }
};

struct pluvessa_adapter {
  using record = pluvessa_engine;
  static const preset_bank& bank() { return PLUVESSA_BANK; }
  static constexpr const char* heavy = "Storm";
  static int load(record* e, const uint8_t* r) { return pluvessa_load_preset(e, r); }
  static uint32_t size() { return pluvessa_get_size(); }
  static int init(record* e, float rate) { return pluvessa_init(e, rate); }
  static int process(record* e, float* out, int32_t mask, uint32_t frames) {
    return pluvessa_process(e, out, mask, frames);
  }
};

double thread_cpu_ns() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// The record in caller-owned, 64-byte aligned memory, as the plug-in holds it.
template <class E>
class instance {
 public:
  instance() {
    const size_t bytes = (static_cast<size_t>(E::size()) + 63u) / 64u * 64u;
    mem_ = std::aligned_alloc(64, bytes);
    std::memset(mem_, 0, bytes);
  }
  ~instance() { std::free(mem_); }
  instance(const instance&) = delete;
  instance& operator=(const instance&) = delete;
  typename E::record* get() { return static_cast<typename E::record*>(mem_); }

 private:
  void* mem_;
};

// The unit that travels between machines: one plain scalar direct-form-I
// biquad sample, measured once in this process (64-sample blocks).
double biquad_unit_ns() {
  static const double unit = [] {
    biquad f;
    biquad_init(&f);
    biquad_design_q_linear(&f, FILTER_LOWPASS, 1.0f, 1000.0f, 0.7071f, RATE);
    std::vector<float> block(64);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<float>(i % 7) * 0.1f;
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
      const double start = thread_cpu_ns();
      for (int k = 0; k < 20000; ++k) {
        biquad_process(&f, block.data(), 64);
        benchmark::DoNotOptimize(block.data());
      }
      best = std::min(best, (thread_cpu_ns() - start) / (20000.0 * 64.0));
    }
    return best;
  }();
  return unit;
}

void report(benchmark::State& state, double cpu_ns, double frames) {
  state.counters["ns_per_frame"] = cpu_ns / frames;
  state.counters["realtime_x"] = (frames / RATE) / (cpu_ns * 1e-9);
  state.counters["biquad_units"] = cpu_ns / frames / biquad_unit_ns();
}

// range(0): output channel count (1, 2, 4 or 6); range(1): 0 for the default
// preset, 1 for the engine's heavy preset.
template <class E>
void BM_Render10s(benchmark::State& state) {
  const uint32_t channels = static_cast<uint32_t>(state.range(0));
  const int32_t mask = static_cast<int32_t>(channel_mask_for_count(channels));
  instance<E> inst;
  if (E::init(inst.get(), RATE) != 0) {
    state.SkipWithError("init failed");
    return;
  }
  if (state.range(1) != 0) E::load(inst.get(), preset_bank_find(E::bank(), E::heavy)->record);
  std::vector<float> out(static_cast<size_t>(BLOCK) * channels);
  double cpu_ns = 0.0;
  for (auto _ : state) {
    const double start = thread_cpu_ns();
    for (uint32_t done = 0; done < FRAMES; done += BLOCK) {
      E::process(inst.get(), out.data(), mask, BLOCK);
      benchmark::DoNotOptimize(out.data());
    }
    benchmark::ClobberMemory();
    cpu_ns += thread_cpu_ns() - start;
  }
  report(state, cpu_ns, static_cast<double>(FRAMES) * static_cast<double>(state.iterations()));
}

// 64 stereo instances rendered round-robin on one thread, block by block, as
// a game with many ambience emitters would; figures per instance.
template <class E>
void BM_SixtyFourInstances(benchmark::State& state) {
  constexpr int COUNT = 64;
  constexpr uint32_t SECONDS_EACH = 1;
  std::vector<std::unique_ptr<instance<E>>> all;
  for (int i = 0; i < COUNT; ++i) {
    all.push_back(std::make_unique<instance<E>>());
    E::init(all.back()->get(), RATE);
  }
  std::vector<float> out(static_cast<size_t>(BLOCK) * 2);
  const uint32_t frames_each = static_cast<uint32_t>(RATE) * SECONDS_EACH;
  double cpu_ns = 0.0;
  for (auto _ : state) {
    const double start = thread_cpu_ns();
    for (uint32_t done = 0; done < frames_each; done += BLOCK)
      for (auto& inst : all) {
        E::process(inst->get(), out.data(), 0x3, BLOCK);
        benchmark::DoNotOptimize(out.data());
      }
    benchmark::ClobberMemory();
    cpu_ns += thread_cpu_ns() - start;
  }
  report(state, cpu_ns,
         static_cast<double>(frames_each) * COUNT * static_cast<double>(state.iterations()));
}

// The unit itself as a case of its own: one plain scalar direct-form-I biquad
// over 64-sample blocks, ns per sample (`unit_ns` is the value the engine
// cases divide by, the fastest of five timed rounds).
void BM_BiquadUnit(benchmark::State& state) {
  biquad f;
  biquad_init(&f);
  biquad_design_q_linear(&f, FILTER_LOWPASS, 1.0f, 1000.0f, 0.7071f, RATE);
  std::vector<float> block(64);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<float>(i % 7) * 0.1f;
  for (auto _ : state) {
    biquad_process(&f, block.data(), 64);
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["ns_per_sample"] = benchmark::Counter(
      64.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["unit_ns"] = biquad_unit_ns();
}
BENCHMARK(BM_BiquadUnit)->Name("BiquadUnit");

#define ENGINE_CASES(adapter, name)                                                  \
  BENCHMARK_TEMPLATE(BM_Render10s, adapter)                                          \
      ->Name(name "/Render10s")                                                      \
      ->ArgNames({"channels", "heavy"})                                              \
      ->ArgsProduct({{1, 2, 4, 6}, {0, 1}})                                          \
      ->Unit(benchmark::kMillisecond);                                               \
  BENCHMARK_TEMPLATE(BM_SixtyFourInstances, adapter)                                 \
      ->Name(name "/SixtyFourStereoInstances")                                       \
      ->Unit(benchmark::kMillisecond)

ENGINE_CASES(vantora_adapter, "Vantora");
ENGINE_CASES(pluvessa_adapter, "Pluvessa");

}  // namespace
