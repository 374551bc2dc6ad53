// Preset records of the wind engine: the saved layout, round trips, the
// header checks and their order, entry handling, and the factory "Silence".

#include <bit>
#include <cstring>
#include <vector>

#include "engine/vantora_bank.h"
#include "vantora_test_util.h"

using namespace wind_test;

namespace {

constexpr size_t PRESET_SIZE = 384;
using preset = std::vector<uint8_t>;

uint32_t u32(const preset& p, size_t off) {
  uint32_t v;
  std::memcpy(&v, p.data() + off, 4);
  return v;
}

uint64_t u64(const preset& p, size_t off) {
  uint64_t v;
  std::memcpy(&v, p.data() + off, 8);
  return v;
}

void put32(preset& p, size_t off, uint32_t v) { std::memcpy(p.data() + off, &v, 4); }
void put64(preset& p, size_t off, uint64_t v) { std::memcpy(p.data() + off, &v, 8); }

preset save(const vantora_engine* e) {
  preset p(PRESET_SIZE, 0xEE);
  EXPECT_EQ(vantora_save_preset(e, p.data()), 0);
  return p;
}

// The 4 value bytes of every parameter index (the gain last).
std::vector<uint32_t> values(const vantora_engine* e) {
  std::vector<uint32_t> v(VANTORA_PARAM_COUNT);
  for (uint32_t i = 0; i < VANTORA_PARAM_COUNT; ++i) vantora_get_parameter_value(e, i, &v[i]);
  return v;
}

bool is_choice(uint32_t i) { return i == 6 || i == 8 || i == 17 || i == 28 || i == 37; }

// Moves every parameter away from "Silence" to a valid, distinct value.
void scramble(vantora_engine* e) {
  for (uint32_t i = 0; i < 46; ++i) {
    if (is_choice(i)) {
      const int32_t v = static_cast<int32_t>(i % 3 == 0 ? 2 : 1);
      vantora_set_parameter_value(e, i, &v);
    } else {
      float v = 0.1f + 0.017f * static_cast<float>(i);
      if (i == 13 || i == 14 || i == 24 || i == 25 || i == 33 || i == 34 || i == 41 || i == 42)
        v = 100.0f + 311.5f * static_cast<float>(i);
      if (i == 21) v = 411.25f;
      if (i == 22) v = 3333.5f;
      if (i == 45) v = 150.75f;
      vantora_set_parameter_value(e, i, &v);
    }
  }
}

}  // namespace

// Version 0x00010101, magic, a 64-bit size of 384, then (index, value) for
// indices 0..45 in order, the values as the getters report them.
TEST(VantoraPresets, SavedRecordLayout) {
  engine e;
  scramble(e);
  vantora_set_gain(e, 0.4f);
  const preset p = save(e);
  EXPECT_EQ(u32(p, 0), 0x00010101u);
  EXPECT_EQ(u32(p, 4), 0x7AB9CAFEu);
  EXPECT_EQ(u64(p, 8), 384u);
  EXPECT_EQ(u32(p, 12), 0u);  // high half of the size
  for (uint32_t i = 0; i < 46; ++i) {
    EXPECT_EQ(u32(p, 16 + 8 * i), i) << "entry " << i;
    uint32_t v;
    vantora_get_parameter_value(e, i, &v);
    EXPECT_EQ(u32(p, 20 + 8 * i), v) << "entry " << i;
  }
  // Entries fill the record exactly: no gain entry.
  EXPECT_EQ(16u + 46u * 8u, PRESET_SIZE);
  EXPECT_EQ(static_cast<int32_t>(u32(p, 20 + 8 * 6)), vantora_get_backflow_shape(e));
}

// Save on one engine, load on another: every stored value but the gain is
// the same; the loading engine keeps its own gain.
TEST(VantoraPresets, RoundTripOntoASecondEngine) {
  engine a;
  scramble(a);
  vantora_set_gain(a, 0.8f);
  const preset p = save(a);
  engine b;
  vantora_set_gain(b, 0.3f);
  ASSERT_NE(values(b), values(a));
  EXPECT_EQ(vantora_load_preset(b, p.data()), 0);
  const std::vector<uint32_t> va = values(a), vb = values(b);
  for (uint32_t i = 0; i < 46; ++i) EXPECT_EQ(vb[i], va[i]) << "index " << i;
  EXPECT_EQ(vantora_get_gain(b), 0.3f);
  // Saving the loaded engine gives the same record back.
  EXPECT_EQ(save(b), p);
}

// Header checks run in order (major version 13, minor version 18, magic 7,
// size 7) and a rejected record changes nothing in the engine. Each case
// starts from an engine that has rendered, and a good record of another.
class VantoraPresetHeader : public ::testing::Test {
 protected:
  VantoraPresetHeader() {
    scramble(src);
    good = save(src);
    std::vector<float> out(100 * 2);
    vantora_process(e, out.data(), STEREO, 100);
    before = e.bytes();
  }
  int load(const preset& p) { return vantora_load_preset(e, p.data()); }
  preset with_version(uint32_t v) const {
    preset p = good;
    put32(p, 0, v);
    return p;
  }

  engine src;
  preset good;
  engine e;
  std::vector<uint8_t> before;
};

TEST_F(VantoraPresetHeader, EachCheckGivesItsStatus) {
  EXPECT_EQ(load(with_version(0x00020101u)), 13);
  EXPECT_EQ(load(with_version(0x00000101u)), 13);
  EXPECT_EQ(load(with_version(0x01010101u)), 13);
  EXPECT_EQ(load(with_version(0x00010102u)), 18);
  EXPECT_EQ(load(with_version(0x000100FFu)), 18);
  EXPECT_EQ(load(with_version(0x00010000u)), 18);
  EXPECT_EQ(load(with_version(0x00010001u)), 18);
  preset bad_magic = good;
  put32(bad_magic, 4, 0x7AB9CAFFu);
  EXPECT_EQ(load(bad_magic), 7);
  for (uint64_t size : {384ull + 16ull, 376ull, 385ull, 0ull, 384ull + (1ull << 32)}) {
    preset p = good;
    put64(p, 8, size);
    EXPECT_EQ(load(p), 7) << size;
  }
  EXPECT_TRUE(e.bytes() == before) << "a rejected record changed the engine";
}

// Several faults: the first check in order decides.
TEST_F(VantoraPresetHeader, TheFirstFailingCheckDecides) {
  preset p = good;
  put32(p, 4, 0x7AB9CAFFu);
  put32(p, 0, 0x00020101u);
  EXPECT_EQ(load(p), 13);
  put32(p, 0, 0x00010102u);
  EXPECT_EQ(load(p), 18);
  put64(p, 8, 400);
  put32(p, 0, 0x00010101u);
  EXPECT_EQ(load(p), 7);
  EXPECT_TRUE(e.bytes() == before) << "a rejected record changed the engine";
}

// Minor versions 0x0100 and 0x0101 and the sizes 384 and 392 pass.
TEST_F(VantoraPresetHeader, BothMinorVersionsAndBothSizesPass) {
  for (uint32_t v : {0x00010100u, 0x00010101u}) {
    for (uint64_t size : {384ull, 392ull}) {
      preset q = good;
      put32(q, 0, v);
      put64(q, 8, size);
      ASSERT_EQ(vantora_load_preset(e, q.data()), 0) << std::hex << v << " " << size;
      EXPECT_EQ(values(e)[21], values(src)[21]);
      vantora_init(e, RATE);
    }
  }
}

// An entry naming no parameter stops the walk with 11: the entries before it
// are applied, the rest are not.
TEST(VantoraPresets, UnknownEntryIndexStopsTheWalk) {
  engine src;
  scramble(src);
  const preset good = save(src);
  engine e;
  const std::vector<uint32_t> silence = values(e);
  const std::vector<uint32_t> wanted = values(src);

  preset first = good;
  put32(first, 16, 47);
  EXPECT_EQ(vantora_load_preset(e, first.data()), 11);
  EXPECT_EQ(values(e), silence);

  for (int32_t bad : {47, 1000, -1}) {
    preset mid = good;
    put32(mid, 16 + 8 * 10, static_cast<uint32_t>(bad));
    vantora_init(e, RATE);
    EXPECT_EQ(vantora_load_preset(e, mid.data()), 11) << bad;
    const std::vector<uint32_t> now = values(e);
    for (uint32_t i = 0; i < 46; ++i)
      EXPECT_EQ(now[i], i < 10 ? wanted[i] : silence[i]) << "index " << i << " after entry " << bad;
  }
}

// The sources are re-initialised and retriggered before the entries are
// walked, so a record that fails at its first entry still restarts them:
// its effect equals calling the two steps directly.
TEST(VantoraPresets, FailedEntryStillRestartsTheSources) {
  engine src;
  const preset good = save(src);
  preset bad = good;
  put32(bad, 16, 47);
  std::vector<float> after_bad, by_hand, untouched;
  {
    engine e;
    ASSERT_EQ(vantora_load_preset(e, bad.data()), 11);
    after_bad = render_interleaved(e, QUAD, 4, 24000);
  }
  {
    engine e;
    vantora_init_sources(e);
    vantora_force_update(e);
    by_hand = render_interleaved(e, QUAD, 4, 24000);
  }
  {
    engine e;
    untouched = render_interleaved(e, QUAD, 4, 24000);
  }
  EXPECT_EQ(first_difference(after_bad, by_hand), -1);
  EXPECT_NE(first_difference(after_bad, untouched), -1);
}

// Entries may come in any order and repeat (the last one wins); an entry for
// the gain, index 46, sets it.
TEST(VantoraPresets, EntriesInAnyOrderLastWins) {
  engine e;
  preset p(PRESET_SIZE, 0);
  put32(p, 0, 0x00010101u);
  put32(p, 4, 0x7AB9CAFEu);
  put64(p, 8, 384);
  // Fill all 46 slots with repeats of index 18, then override some.
  for (uint32_t k = 0; k < 46; ++k) {
    put32(p, 16 + 8 * k, 18);
    put32(p, 20 + 8 * k, std::bit_cast<uint32_t>(0.01f * static_cast<float>(k)));
  }
  put32(p, 16, 46);
  put32(p, 20, std::bit_cast<uint32_t>(0.25f));
  put32(p, 24, 6);
  put32(p, 28, 13);
  ASSERT_EQ(vantora_load_preset(e, p.data()), 0);
  EXPECT_EQ(vantora_get_whistling_qfactor(e), 0.01f * 45.0f);
  EXPECT_EQ(vantora_get_gain(e), 0.25f);
  EXPECT_EQ(vantora_get_backflow_shape(e), 13);
  EXPECT_EQ(vantora_get_global_rate(e), 0.349f);  // untouched
}

// Loading goes through the setters: values are clamped and the derived
// values follow.
TEST(VantoraPresets, LoadingUsesTheSetters) {
  engine src;
  preset p = save(src);
  put32(p, 20 + 8 * 18, std::bit_cast<uint32_t>(1.5f));  // whistling_qfactor
  put32(p, 20 + 8 * 9, std::bit_cast<uint32_t>(1.0f));   // backflow_frequency
  engine e;
  ASSERT_EQ(vantora_load_preset(e, p.data()), 0);
  EXPECT_EQ(vantora_get_whistling_qfactor(e), 1.0f);
  EXPECT_EQ(ld(e->whistling_p.q), 20.0f);
  EXPECT_EQ(ld(e->backflow_p.base_freq), 10000.0f);
}

TEST(VantoraPresets, LoadingKeepsTheMasterGain) {
  engine e;
  vantora_set_gain(e, 0.5f);
  ASSERT_EQ(vantora_load_preset(e, VANTORA_DEFAULT_PRESET), 0);
  EXPECT_EQ(vantora_get_gain(e), 0.5f);
  int32_t count = 0;
  vantora_set_output_channel_count(e, 6);
  vantora_set_initial_process_done(e);
  ASSERT_EQ(vantora_load_preset(e, VANTORA_DEFAULT_PRESET), 0);
  vantora_get_output_channel_count(e, &count);
  EXPECT_EQ(count, 6);
  EXPECT_EQ(vantora_is_initial_process(e), 0u);
  EXPECT_EQ(e->frame.sample_rate, RATE);
}

// The factory bank's first entry is "Silence" in "User", a complete record
// with version 0x00010100, and loading it gives the values init gives.
TEST(VantoraPresets, FactorySilenceRecord) {
  ASSERT_GE(VANTORA_BANK.preset_count, 1u);
  EXPECT_STREQ(VANTORA_BANK.presets[0].name, "Silence");
  EXPECT_EQ(VANTORA_BANK.presets[0].category, 0);
  EXPECT_EQ(VANTORA_BANK.presets[0].record, VANTORA_DEFAULT_PRESET);
  const preset p(VANTORA_DEFAULT_PRESET, VANTORA_DEFAULT_PRESET + PRESET_SIZE);
  EXPECT_EQ(u32(p, 0), 0x00010100u);
  EXPECT_EQ(u32(p, 4), 0x7AB9CAFEu);
  EXPECT_EQ(u64(p, 8), 384u);
  for (uint32_t i = 0; i < 46; ++i) EXPECT_EQ(u32(p, 16 + 8 * i), i);

  ASSERT_EQ(VANTORA_BANK.category_count, 11u);
  const char* names[] = {"User",  "Hot Wind", "Cold Wind", "Room Tone",       "Inside",   "Outside",
                         "FX",    "Tutorial", "Room Tone Extra", "Landmarks", "Empty"};
  const int32_t ids[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9};
  const int32_t kinds[] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 3};
  for (uint32_t i = 0; i < 11; ++i) {
    EXPECT_STREQ(VANTORA_BANK.categories[i].name, names[i]);
    EXPECT_EQ(VANTORA_BANK.categories[i].id, ids[i]);
    EXPECT_EQ(VANTORA_BANK.categories[i].kind, kinds[i]);
  }

  engine e;
  scramble(e);
  ASSERT_EQ(vantora_load_preset(e, VANTORA_DEFAULT_PRESET), 0);
  engine fresh;
  EXPECT_EQ(values(e), values(fresh));
}
