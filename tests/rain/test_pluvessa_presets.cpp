// Preset records of the rain engine: the saved layout, round trips, the
// header checks in their order, refused entries, what loading keeps, and the
// factory record of "Silence".

#include <bit>
#include <cstring>

#include "engine/pluvessa_bank.h"
#include "engine/preset_bank.h"
#include "pluvessa_test_util.h"

using namespace rain_test;

namespace {

using record = std::array<uint8_t, PLUVESSA_PRESET_SIZE>;

void put_u32(record& r, size_t offset, uint32_t v) { std::memcpy(r.data() + offset, &v, 4); }
void put_u64(record& r, size_t offset, uint64_t v) { std::memcpy(r.data() + offset, &v, 8); }

// A valid record (saved from an engine with a few values changed).
record saved_record() {
  engine e;
  pluvessa_set_shower_color(e, 1111.0f);
  pluvessa_set_rumble_density(e, 0.8f);
  pluvessa_set_liquid_2_level(e, 0.6f);
  record r;
  EXPECT_EQ(pluvessa_save_preset(e, r.data()), 0);
  return r;
}

// Values every parameter can take, distinct from "Silence".
float other_value(const key_case& k) {
  return k.unit ? 0.125f + 0.025f * static_cast<float>(k.index % 30)
                : k.low + (0.1f + 0.02f * static_cast<float>(k.index % 40)) * k.span;
}

}  // namespace

// Version 0x00010101, magic, a 64-bit size of 288 (bytes 12..15 zero), then
// 34 entries for indices 0..33 ascending, each with the natural value; the
// record is written in full and nothing beyond it.
TEST(PluvessaPresets, SaveLayout) {
  engine e;
  for (const key_case& k : KEYS) k.set(e, other_value(k));
  pluvessa_set_gain(e, 0.4f);  // never saved
  std::array<uint8_t, PLUVESSA_PRESET_SIZE + 32> buf;
  buf.fill(0xEE);
  ASSERT_EQ(pluvessa_save_preset(e, buf.data()), 0);
  EXPECT_EQ(u32_at(buf.data(), 0), 0x00010101u);
  EXPECT_EQ(u32_at(buf.data(), 4), 0x7AB9CAFEu);
  uint64_t size;
  std::memcpy(&size, buf.data() + 8, 8);
  EXPECT_EQ(size, 288u);
  for (size_t i = 12; i < 16; ++i) EXPECT_EQ(buf[i], 0) << "byte " << i;
  for (uint32_t i = 0; i < 34; ++i) {
    const size_t at = 16 + 8 * i;
    EXPECT_EQ(u32_at(buf.data(), at), i);
    EXPECT_EQ(u32_at(buf.data(), at + 4), std::bit_cast<uint32_t>(KEYS[i].get(e))) << KEYS[i].key;
  }
  for (size_t i = PLUVESSA_PRESET_SIZE; i < buf.size(); ++i)
    EXPECT_EQ(buf[i], 0xEE) << "written past the record at " << i;
}

// Save on one engine, load on a second: every stored value arrives bit for
// bit; the second engine's master gain stays its own.
TEST(PluvessaPresets, RoundTripOntoASecondEngine) {
  record r;
  {
    engine a;
    for (const key_case& k : KEYS) k.set(a, other_value(k));
    pluvessa_set_rumble_hcut(a, 25.0f);  // out of range, stored as is
    pluvessa_set_gain(a, 2.0f);
    ASSERT_EQ(pluvessa_save_preset(a, r.data()), 0);
    engine b;
    pluvessa_set_gain(b, 0.7f);
    ASSERT_EQ(pluvessa_load_preset(b, r.data()), 0);
    for (const key_case& k : KEYS)
      EXPECT_EQ(std::bit_cast<uint32_t>(k.get(b)), std::bit_cast<uint32_t>(k.get(a))) << k.key;
    EXPECT_EQ(pluvessa_get_gain(b), 0.7f);
    record again;
    ASSERT_EQ(pluvessa_save_preset(b, again.data()), 0);
    EXPECT_TRUE(again == r);
  }
}

// The header checks run in order (major version, minor version, magic,
// size) and a refused record changes nothing.
TEST(PluvessaPresets, HeaderChecksInOrder) {
  const record good = saved_record();
  struct {
    uint32_t version, magic;
    uint64_t size;
    int32_t result;
  } const cases[] = {
      {0x00020101u, 0x7AB9CAFEu, 288, 13},  {0x00000101u, 0x7AB9CAFEu, 288, 13},
      {0xFFFF0101u, 0x7AB9CAFEu, 288, 13},  {0x00010102u, 0x7AB9CAFEu, 288, 18},
      {0x000100FFu, 0x7AB9CAFEu, 288, 18},  {0x00010000u, 0x7AB9CAFEu, 288, 18},
      {0x00010001u, 0x7AB9CAFEu, 288, 18},  {0x00010100u, 0x7AB9CAFEu, 288, 0},
      {0x00010101u, 0x7AB9CAFEu, 288, 0},   {0x00010101u, 0x7AB9CAFFu, 288, 7},
      {0x00010101u, 0x00000000u, 288, 7},   {0x00010101u, 0x7AB9CAFEu, 288 + 16, 7},
      {0x00010101u, 0x7AB9CAFEu, 296, 0},   {0x00010101u, 0x7AB9CAFEu, 280, 7},
      {0x00010101u, 0x7AB9CAFEu, 289, 7},   {0x00010101u, 0x7AB9CAFEu, 0, 7},
      {0x00010101u, 0x7AB9CAFEu, 288 + (1ull << 32), 7},
      // Several faults: the first check that fails decides.
      {0x00020102u, 0x12345678u, 5, 13},    {0x00010103u, 0x12345678u, 5, 18},
      {0x00010101u, 0x12345678u, 5, 7},
  };
  for (const auto& c : cases) {
    record r = good;
    put_u32(r, 0, c.version);
    put_u32(r, 4, c.magic);
    put_u64(r, 8, c.size);
    engine e;
    pluvessa_set_gain(e, 0.5f);
    std::vector<float> out(100 * 2);
    pluvessa_process(e, out.data(), STEREO, 100);
    const std::vector<uint8_t> before = e.bytes();
    EXPECT_EQ(pluvessa_load_preset(e, r.data()), c.result)
        << std::hex << c.version << " " << c.magic << " " << c.size;
    if (c.result != 0) {
      EXPECT_TRUE(e.bytes() == before) << "refused record changed the engine";
    } else {
      EXPECT_EQ(pluvessa_get_shower_color(e), 1111.0f);
    }
  }
  engine e;
  EXPECT_EQ(pluvessa_load_preset(e, nullptr), 7);
}

// An entry naming no parameter stops the walk with 11, after the sources
// were re-initialised and the automatic variation restarted, with the
// entries before it applied and those after it not.
TEST(PluvessaPresets, UnknownEntryIndex) {
  const record good = saved_record();
  for (int32_t bad : {35, 36, 1000, -1}) {
    engine e;
    record r = good;
    put_u32(r, 16, static_cast<uint32_t>(bad));
    EXPECT_EQ(pluvessa_load_preset(e, r.data()), 11) << bad;
    for (const key_case& k : KEYS) EXPECT_EQ(k.get(e), SILENCE[k.index]) << k.key;
  }
  {
    engine e;
    record r = good;
    put_u32(r, 16 + 8 * 20, 35);  // entry 20 of 34
    EXPECT_EQ(pluvessa_load_preset(e, r.data()), 11);
    EXPECT_EQ(pluvessa_get_shower_color(e), 1111.0f);  // entry 13: applied
    EXPECT_EQ(pluvessa_get_rumble_density(e), 0.8f);   // entry 7: applied
    EXPECT_EQ(pluvessa_get_liquid_2_level(e), 0.0f);   // entry 24: not applied
  }

  // The restart is audible: the refused load sounds like a re-initialisation
  // of the sources followed by force update, done by hand, and like a load
  // of the engine's own values; unlike force update alone or no load at all.
  record bad = good;
  put_u32(bad, 16, 35);
  enum { NONE, REFUSED, RELOADED, BY_HAND, FORCE_ONLY };
  auto run = [&](int what) {
    engine e;
    set_everything_audible(e);
    record own;
    pluvessa_save_preset(e, own.data());
    if (what == REFUSED) {
      EXPECT_EQ(pluvessa_load_preset(e, bad.data()), 11);
    } else if (what == RELOADED) {
      EXPECT_EQ(pluvessa_load_preset(e, own.data()), 0);
    } else if (what == BY_HAND) {
      pluvessa_init_sources(e);
      pluvessa_force_update(e);
    } else if (what == FORCE_ONLY) {
      pluvessa_force_update(e);
    }
    return render_interleaved(e, STEREO, 2, 16384);
  };
  const std::vector<float> refused = run(REFUSED);
  EXPECT_EQ(first_difference(refused, run(BY_HAND)), -1);
  EXPECT_EQ(first_difference(refused, run(RELOADED)), -1);
  EXPECT_NE(first_difference(refused, run(FORCE_ONLY)), -1);
  EXPECT_NE(first_difference(refused, run(NONE)), -1);
}

// Entries may come in any order and repeat an index; the last one wins.
TEST(PluvessaPresets, EntriesInAnyOrderLastWins) {
  record r = saved_record();
  // Entries reversed, then the shower colour written three times.
  for (uint32_t i = 0; i < 34; ++i) {
    put_u32(r, 16 + 8 * i, 33 - i);
    std::memcpy(r.data() + 16 + 8 * i + 4, &SILENCE[33 - i], 4);
  }
  const float colours[3] = {400.0f, 1400.0f, 777.0f};
  for (uint32_t j = 0; j < 3; ++j) {
    put_u32(r, 16 + 8 * (31 + j), 13);
    std::memcpy(r.data() + 16 + 8 * (31 + j) + 4, &colours[j], 4);
  }
  engine e;
  for (const key_case& k : KEYS) k.set(e, other_value(k));
  ASSERT_EQ(pluvessa_load_preset(e, r.data()), 0);
  EXPECT_EQ(pluvessa_get_shower_color(e), 777.0f);
  for (const key_case& k : KEYS) {
    // Indices 0..2 lost their entries to the repeats and keep their values.
    const float want = k.index <= 2 ? other_value(k) : SILENCE[k.index];
    if (k.index == 13) continue;
    EXPECT_EQ(k.get(e), want) << k.key;
  }

  // An entry for index 34 would set the master gain.
  put_u32(r, 16, 34);
  const float g = 0.25f;
  std::memcpy(r.data() + 20, &g, 4);
  ASSERT_EQ(pluvessa_load_preset(e, r.data()), 0);
  EXPECT_EQ(pluvessa_get_gain(e), 0.25f);
}

// Values pass through the setters: a 0..1 parameter out of range is clamped,
// a Hz value out of range is stored as it is.
TEST(PluvessaPresets, EntriesGoThroughTheSetters) {
  record r = saved_record();
  const float too_big = 1.75f, low_cut = 12.0f;
  std::memcpy(r.data() + 16 + 8 * 6 + 4, &too_big, 4);   // rumble_level
  std::memcpy(r.data() + 16 + 8 * 10 + 4, &low_cut, 4);  // rumble_hp
  engine e;
  ASSERT_EQ(pluvessa_load_preset(e, r.data()), 0);
  EXPECT_EQ(pluvessa_get_rumble_level(e), 1.0f);
  EXPECT_EQ(e->rumble_p.level.load(), 0.5f);
  EXPECT_EQ(pluvessa_get_rumble_hp(e), 12.0f);
}

// Loading changes only stored parameters: master gain, sample rate, output
// channel count and initial-process flag stay as they were.
TEST(PluvessaPresets, LoadingKeepsTheFrame) {
  engine e(44100.0f);
  pluvessa_set_gain(e, 0.5f);
  pluvessa_set_output_channel_count(e, 6);
  pluvessa_set_initial_process_done(e);
  ASSERT_EQ(pluvessa_load_preset(e, PLUVESSA_DEFAULT_PRESET), 0);
  EXPECT_EQ(pluvessa_get_gain(e), 0.5f);
  EXPECT_EQ(e->frame.sample_rate, 44100.0f);
  int32_t count = 0;
  pluvessa_get_output_channel_count(e, &count);
  EXPECT_EQ(count, 6);
  EXPECT_EQ(pluvessa_is_initial_process(e), 0u);
  const record r = saved_record();
  ASSERT_EQ(pluvessa_load_preset(e, r.data()), 0);
  EXPECT_EQ(pluvessa_get_gain(e), 0.5f);
}

// The factory bank starts with "Silence" in "User": a factory record
// (version 0x00010100) whose entries are its documented values, and loading it
// restores those values over any others.
TEST(PluvessaPresets, FactorySilence) {
  ASSERT_GE(PLUVESSA_BANK.preset_count, 1u);
  EXPECT_STREQ(PLUVESSA_BANK.presets[0].name, "Silence");
  EXPECT_EQ(PLUVESSA_BANK.presets[0].category, 0);
  EXPECT_STREQ(PLUVESSA_BANK.categories[0].name, "User");
  EXPECT_EQ(PLUVESSA_BANK.presets[0].record, PLUVESSA_DEFAULT_PRESET);

  const uint8_t* r = PLUVESSA_DEFAULT_PRESET;
  EXPECT_EQ(u32_at(r, 0), 0x00010100u);
  EXPECT_EQ(u32_at(r, 4), 0x7AB9CAFEu);
  EXPECT_EQ(u32_at(r, 8), 288u);
  EXPECT_EQ(u32_at(r, 12), 0u);
  for (uint32_t i = 0; i < 34; ++i) {
    EXPECT_EQ(u32_at(r, 16 + 8 * i), i);
    EXPECT_EQ(f32_at(r, 16 + 8 * i + 4), SILENCE[i]) << KEYS[i].key;
  }

  engine e;
  for (const key_case& k : KEYS) k.set(e, other_value(k));
  ASSERT_EQ(pluvessa_load_preset(e, r), 0);
  for (const key_case& k : KEYS) EXPECT_EQ(k.get(e), SILENCE[k.index]) << k.key;
}
