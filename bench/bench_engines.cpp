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
#include <vector>

#include "dsp/limiter.h"
#include "rain/pluvessa_engine.h"
#include "wind/vantora.h"

namespace {

constexpr float RATE = 48000.0f;
constexpr uint32_t BLOCK = 512;
constexpr uint32_t SECONDS = 10;
constexpr uint32_t FRAMES = static_cast<uint32_t>(RATE) * SECONDS;

struct vantora_adapter {
  using record = vantora_engine;
  static uint32_t size() { return vantora_get_size(); }
  static int init(record* e, float rate) { return vantora_init(e, rate); }
  static int process(record* e, float* out, int32_t mask, uint32_t frames) {
    return vantora_process(e, out, mask, frames);
  }
};

struct pluvessa_adapter {
  using record = pluvessa_engine;
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

// range(0): output channel count (1, 2, 4 or 6).
template <class E>
void BM_Render10s(benchmark::State& state) {
  const uint32_t channels = static_cast<uint32_t>(state.range(0));
  const int32_t mask = static_cast<int32_t>(channel_mask_for_count(channels));
  instance<E> inst;
  if (E::init(inst.get(), RATE) != 0) {
    state.SkipWithError("init failed");
    return;
  }
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
  const double frames = static_cast<double>(FRAMES) * static_cast<double>(state.iterations());
  state.counters["ns_per_frame"] = cpu_ns / frames;
  state.counters["realtime_x"] = (frames / RATE) / (cpu_ns * 1e-9);
}

BENCHMARK_TEMPLATE(BM_Render10s, vantora_adapter)
    ->Name("Vantora/Render10s")
    ->ArgName("channels")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(6)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_TEMPLATE(BM_Render10s, pluvessa_adapter)
    ->Name("Pluvessa/Render10s")
    ->ArgName("channels")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(6)
    ->Unit(benchmark::kMillisecond);

}  // namespace
