// The plug-ins take memory only from the host, only in create: process,
// reset and the parameter callbacks call no allocator at all, on any thread.
// The test host points each library's imports of the system allocator at
// counting wrappers (its GOT on Linux, its import address table on Windows),
// so the check replaces nothing in the process and runs the same on every
// system, under Wine and qemu too.

#include <gtest/gtest.h>

#include <cstddef>
#include <thread>
#include <vector>

#include "tests/fmod/fmod_test_util.h"

namespace {

using fmod_host::memory_service;
using fmod_host::shared_library;
using fmod_host::watched_allocation_counts;
using fmod_test::plugin_test;

// The watch itself, on a library that allocates when asked: nothing counts
// before it is watched, every call counts after.
TEST(AllocationWatch, CountsEveryAllocatorCallOfAWatchedLibrary) {
  shared_library probe(ALLOCATION_PROBE_PATH);
  ASSERT_TRUE(probe.loaded()) << probe.error();
  using alloc_fn = void* (*)(std::size_t);
  using realloc_fn = void* (*)(void*, std::size_t);
  using free_fn = void (*)(void*);
  const auto probe_malloc = reinterpret_cast<alloc_fn>(probe.symbol("probe_malloc"));
  const auto probe_calloc = reinterpret_cast<alloc_fn>(probe.symbol("probe_calloc"));
  const auto probe_realloc = reinterpret_cast<realloc_fn>(probe.symbol("probe_realloc"));
  const auto probe_free = reinterpret_cast<free_fn>(probe.symbol("probe_free"));
  ASSERT_TRUE(probe_malloc && probe_calloc && probe_realloc && probe_free);

  const auto start = watched_allocation_counts();
  probe_free(probe_malloc(100));
  EXPECT_EQ(watched_allocation_counts().allocations, start.allocations);
  EXPECT_EQ(watched_allocation_counts().frees, start.frees);

  ASSERT_GE(probe.watch_allocations(), 4) << probe.error();
  void* p = probe_malloc(100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(watched_allocation_counts().allocations, start.allocations + 1);
  p = probe_realloc(p, 5000);
  ASSERT_NE(p, nullptr);
  probe_free(p);
  p = probe_calloc(64);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(p)[63], 0u);
  probe_free(p);
  const auto end = watched_allocation_counts();
  EXPECT_EQ(end.allocations, start.allocations + 3);
  EXPECT_EQ(end.frees, start.frees + 2);
}

class FmodAllocations : public plugin_test {
 protected:
  void SetUp() override {
    plugin_test::SetUp();
    // Loaded once for the whole process: watched once.
    static bool watched[2] = {false, false};
    bool& w = watched[GetParam() == &fmod_test::RAIN ? 1 : 0];
    if (!w) {
      ASSERT_GE(lib_->watch_allocations(), 0) << lib_->error();
      w = true;
    }
  }

  // Every callback of the audio and parameter paths, in every format.
  void exercise(fmod_host::plugin_instance& p) {
    const FMOD_DSP_DESCRIPTION& d = *desc_;
    for (int format = 0; format < 4; ++format) {
      ASSERT_EQ(p.set_int(GetParam()->format_index, format), FMOD_OK);
      for (unsigned length : {1u, 63u, 512u, 1000u, 4096u}) {
        std::vector<float> block;
        ASSERT_EQ(p.run_block(length, &block), FMOD_OK);
      }
    }
    for (int i = 0; i < d.numparameters; ++i) {
      const FMOD_DSP_PARAMETER_DESC& r = *d.paramdesc[i];
      if (r.type == FMOD_DSP_PARAMETER_TYPE_FLOAT) {
        float v = 0.0f;
        for (float x : {r.floatdesc.min, r.floatdesc.max, r.floatdesc.defaultval})
          ASSERT_EQ(p.set_float(i, x), FMOD_OK) << r.name;
        ASSERT_EQ(p.get_float(i, &v), FMOD_OK) << r.name;
      } else if (i != GetParam()->format_index) {
        int v = 0;
        for (int x : {r.intdesc.min, r.intdesc.max, r.intdesc.defaultval})
          ASSERT_EQ(p.set_int(i, x), FMOD_OK) << r.name;
        ASSERT_EQ(p.get_int(i, &v), FMOD_OK) << r.name;
      }
    }
    std::vector<float> block;
    ASSERT_EQ(p.run_block(256, &block), FMOD_OK);
    ASSERT_EQ(p.reset(), FMOD_OK);
    ASSERT_EQ(p.run_block(256, &block), FMOD_OK);
  }
};

TEST_P(FmodAllocations, OnlyCreateAllocatesAndOnlyFromTheHost) {
  memory_service& mem = memory_service::get();
  const auto start = watched_allocation_counts();
  create();
  ASSERT_EQ(mem.allocs().size(), 1u);
  exercise(inst());
  // A thread the library has never run on: no per-thread state is set up
  // on first use either.
  std::thread audio([&] { exercise(inst()); });
  audio.join();
  EXPECT_EQ(mem.calls().size(), 1u) << "host allocator calls after create";
  ASSERT_EQ(inst().release(), FMOD_OK);
  EXPECT_EQ(mem.frees().size(), 1u);
  const auto end = watched_allocation_counts();
  EXPECT_EQ(end.allocations, start.allocations) << "system allocations by the plug-in";
  EXPECT_EQ(end.frees, start.frees) << "system frees by the plug-in";
}

INSTANTIATE_TEST_SUITE_P(Plugins, FmodAllocations,
                         testing::Values(&fmod_test::WIND, &fmod_test::RAIN), fmod_test::case_name);

}  // namespace
