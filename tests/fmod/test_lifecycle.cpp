// Create, reset and release of a plug-in instance: the host allocation and
// its alignment, allocation failure, the sample-rate service, engine init
// failure, and what reset restores.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/fmod/fmod_test_util.h"

namespace {

using fmod_host::memory_call;
using fmod_host::memory_service;
using fmod_host::plugin_instance;
using fmod_test::plugin_test;

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class FmodLifecycle : public plugin_test {};

// Whatever offset from a 64-byte boundary the host's allocation has, the
// engine sits on the next boundary strictly above it, and release hands
// exactly the allocated address back.
TEST_P(FmodLifecycle, AllocationAlignmentAndRelease) {
  memory_service& mem = memory_service::get();
  const std::size_t live = mem.live_blocks();
  for (unsigned offset = 0; offset < 64; offset += 8) {
    SCOPED_TRACE("allocation at boundary + " + std::to_string(offset));
    mem.reset_log();
    mem.set_offset(offset);
    plugin_instance p(desc_);
    ASSERT_EQ(p.create(), FMOD_OK);

    const auto allocs = mem.allocs();
    ASSERT_EQ(allocs.size(), 1u);
    const memory_call& a = allocs[0];
    EXPECT_EQ(a.size, probe().size() + 64u);
    EXPECT_EQ(a.type, 0u);
    ASSERT_FALSE(a.source_null);
    EXPECT_TRUE(ends_with(a.source, GetParam()->source_file)) << a.source;
    ASSERT_NE(a.address, nullptr);
    EXPECT_TRUE(mem.frees().empty());

    const auto raw = reinterpret_cast<uintptr_t>(a.address);
    const auto inst = reinterpret_cast<uintptr_t>(p.plugindata());
    EXPECT_EQ(inst % 64u, 0u);
    EXPECT_GE(inst, raw + 8u);
    EXPECT_LE(inst, raw + 64u);
    // The whole engine record lies inside the allocation.
    EXPECT_LE(inst + probe().size(), raw + a.size);

    ASSERT_EQ(p.release(), FMOD_OK);
    const auto frees = mem.frees();
    ASSERT_EQ(frees.size(), 1u);
    EXPECT_EQ(frees[0].address, a.address);
    EXPECT_EQ(frees[0].type, 0u);
    ASSERT_FALSE(frees[0].source_null);
    EXPECT_EQ(frees[0].source, a.source);
    EXPECT_EQ(mem.bad_frees(), 0u);
    EXPECT_EQ(mem.guard_violations(), 0u);
    EXPECT_EQ(mem.live_blocks(), live);
  }
}

TEST_P(FmodLifecycle, AllocationFailureLeavesPlugindataAlone) {
  memory_service& mem = memory_service::get();
  const std::size_t live = mem.live_blocks();
  void* const sentinel = reinterpret_cast<void*>(uintptr_t{0x5E5E5E5E0});
  inst().state().plugindata = sentinel;
  mem.fail_next(1);
  EXPECT_EQ(inst().create(), FMOD_ERR_MEMORY);
  EXPECT_EQ(inst().plugindata(), sentinel);
  const auto calls = mem.calls();
  ASSERT_EQ(calls.size(), 1u);  // the one failed alloc, no free
  EXPECT_EQ(calls[0].kind, memory_call::ALLOC);
  EXPECT_EQ(calls[0].address, nullptr);
  EXPECT_EQ(calls[0].size, probe().size() + 64u);
  EXPECT_EQ(mem.live_blocks(), live);
  EXPECT_EQ(inst().rate_calls(), 0);  // no engine, so no init
  inst().state().plugindata = nullptr;

  // The next create, with memory available, succeeds.
  ASSERT_EQ(inst().create(), FMOD_OK);
  EXPECT_NE(inst().plugindata(), nullptr);
}

TEST_P(FmodLifecycle, ReleaseWithoutEngineDoesNothing) {
  EXPECT_EQ(inst().release(), FMOD_OK);
  EXPECT_TRUE(memory_service::get().calls().empty());
}

TEST_P(FmodLifecycle, CreateInitialisesAtTheHostRateInStereo) {
  inst().set_rate(44100);
  create();
  EXPECT_GE(inst().rate_calls(), 1);
  EXPECT_EQ(probe().rate(record()), 44100.0f);
  EXPECT_EQ(probe().channels(record()), 2);
  EXPECT_NE(probe().initial(record()), 0u);
}

TEST_P(FmodLifecycle, SilentRateServiceMeans48000) {
  inst().set_rate(96000);
  inst().set_rate_writes_nothing(true);
  create();
  EXPECT_GE(inst().rate_calls(), 1);
  EXPECT_EQ(probe().rate(record()), 48000.0f);
  EXPECT_EQ(probe().channels(record()), 2);
}

// A rate the engine rejects: create reports a plug-in error but keeps the
// allocation in plugindata, and release frees it.
TEST_P(FmodLifecycle, EngineInitFailure) {
  memory_service& mem = memory_service::get();
  const std::size_t live = mem.live_blocks();
  for (int rate : {0, -44100}) {
    SCOPED_TRACE("rate " + std::to_string(rate));
    mem.reset_log();
    plugin_instance p(desc_);
    p.set_rate(rate);
    EXPECT_EQ(p.create(), FMOD_ERR_PLUGIN);
    ASSERT_NE(p.plugindata(), nullptr);
    ASSERT_EQ(mem.allocs().size(), 1u);
    EXPECT_EQ(mem.live_blocks(), live + 1);
    EXPECT_EQ(probe().channels(p.plugindata()), 2);
    EXPECT_EQ(p.release(), FMOD_OK);
    ASSERT_EQ(mem.frees().size(), 1u);
    EXPECT_EQ(mem.frees()[0].address, mem.allocs()[0].address);
    EXPECT_EQ(mem.live_blocks(), live);
    EXPECT_EQ(mem.guard_violations(), 0u);
  }
}

TEST_P(FmodLifecycle, ResetRestoresDefaultsButKeepsFormat) {
  create();
  const int format = GetParam()->format_index;
  float before = 0.0f;
  ASSERT_EQ(inst().get_float(1, &before), FMOD_OK);
  const float gain_before = probe().gain(record());
  ASSERT_EQ(inst().set_float(1, before < 50.0f ? 90.0f : 10.0f), FMOD_OK);
  ASSERT_EQ(inst().set_float(0, -20.0f), FMOD_OK);
  ASSERT_EQ(inst().set_int(format, 0), FMOD_OK);
  std::vector<float> block;
  ASSERT_EQ(inst().run_block(512, &block), FMOD_OK);
  EXPECT_EQ(probe().initial(record()), 0u);

  inst().set_rate(32000);
  const int rate_calls = inst().rate_calls();
  ASSERT_EQ(inst().reset(), FMOD_OK);
  EXPECT_GT(inst().rate_calls(), rate_calls);
  EXPECT_EQ(probe().rate(record()), 32000.0f);
  EXPECT_NE(probe().initial(record()), 0u);

  float after = 0.0f;
  ASSERT_EQ(inst().get_float(1, &after), FMOD_OK);
  EXPECT_NEAR(after, before, 1e-3f);
  EXPECT_EQ(probe().gain(record()), gain_before);
  int choice = -1;
  ASSERT_EQ(inst().get_int(format, &choice), FMOD_OK);
  EXPECT_EQ(choice, 0);
  EXPECT_EQ(probe().channels(record()), 1);
}

TEST_P(FmodLifecycle, ResetReportsEngineInitFailure) {
  create();
  inst().set_rate(0);
  EXPECT_EQ(inst().reset(), FMOD_ERR_PLUGIN);
  // The record is left as it was and still usable.
  EXPECT_EQ(probe().rate(record()), 48000.0f);
  inst().set_rate(48000);
  EXPECT_EQ(inst().reset(), FMOD_OK);
}

// Only create allocates: rendering, parameters and reset use the instance.
TEST_P(FmodLifecycle, NoAllocationAfterCreate) {
  memory_service& mem = memory_service::get();
  const std::size_t live = mem.live_blocks();
  create();
  std::vector<float> block;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(inst().run_block(256, &block), FMOD_OK);
  ASSERT_EQ(inst().set_float(1, 30.0f), FMOD_OK);
  ASSERT_EQ(inst().set_int(GetParam()->format_index, 3), FMOD_OK);
  ASSERT_EQ(inst().reset(), FMOD_OK);
  ASSERT_EQ(inst().run_block(256, &block), FMOD_OK);
  EXPECT_EQ(mem.calls().size(), 1u);
  ASSERT_EQ(inst().release(), FMOD_OK);
  EXPECT_EQ(mem.calls().size(), 2u);
  EXPECT_EQ(mem.live_blocks(), live);
  EXPECT_EQ(mem.guard_violations(), 0u);
}

// Distinct instances are distinct allocations.
TEST_P(FmodLifecycle, TwoInstances) {
  memory_service& mem = memory_service::get();
  const std::size_t live = mem.live_blocks();
  plugin_instance a(desc_), b(desc_);
  ASSERT_EQ(a.create(), FMOD_OK);
  ASSERT_EQ(b.create(), FMOD_OK);
  EXPECT_NE(a.plugindata(), b.plugindata());
  ASSERT_EQ(a.set_int(GetParam()->format_index, 3), FMOD_OK);
  EXPECT_EQ(probe().channels(a.plugindata()), 6);
  EXPECT_EQ(probe().channels(b.plugindata()), 2);
  ASSERT_EQ(a.release(), FMOD_OK);
  ASSERT_EQ(b.release(), FMOD_OK);
  EXPECT_EQ(mem.live_blocks(), live);
  EXPECT_EQ(mem.bad_frees(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Plugins, FmodLifecycle,
                         testing::Values(&fmod_test::WIND, &fmod_test::RAIN), fmod_test::case_name);

}  // namespace
