// The rain engine's instance frame: size, initialisation and its refusals,
// output channel count, the initial-process flag, the header, the start-up
// state, re-initialisation and force update.

#include <cmath>
#include <cstring>
#include <limits>

#include "dsp/envelope.h"
#include "pluvessa_test_util.h"

using namespace rain_test;

TEST(PluvessaFrame, SizeIsConstantAndHoldsTheRecord) {
  const uint32_t before = pluvessa_get_size();
  engine a;
  std::vector<float> out(512 * 2);
  pluvessa_process(a, out.data(), STEREO, 512);
  engine b(96000.0f);
  EXPECT_EQ(pluvessa_get_size(), before);
  EXPECT_EQ(pluvessa_get_size(), pluvessa_get_size());
  EXPECT_GE(before, sizeof(pluvessa_engine));
}

// The product identifier is 65793 and is also the record's first field; the
// record magic is the second.
TEST(PluvessaFrame, ProductIdentifierAndHeader) {
  EXPECT_EQ(pluvessa_get_product_id(), 65793u);
  EXPECT_EQ(pluvessa_get_product_id(), 0x00010101u);
  engine e;
  EXPECT_EQ(u32_at(e.get(), 0), pluvessa_get_product_id());
  EXPECT_EQ(u32_at(e.get(), 4), 0x7AB9CAFEu);
  EXPECT_EQ(e->frame.sample_rate, RATE);
  EXPECT_EQ(pluvessa_get_gain(e), 1.0f);
}

// A rate that is not a positive finite number up to 1 MHz is refused with 10
// before anything is written, on an initialised record as on fresh memory.
TEST(PluvessaFrame, InitRejectsBadRatesAndLeavesTheRecordUntouched) {
  const float bad[] = {0.0f,
                       -0.0f,
                       -1.0f,
                       -48000.0f,
                       std::numeric_limits<float>::quiet_NaN(),
                       -std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(),
                       1000001.0f};
  engine e;
  pluvessa_set_output_channel_count(e, 6);
  pluvessa_set_gain(e, 0.25f);
  pluvessa_set_shower_color(e, 1234.0f);
  pluvessa_set_initial_process_done(e);
  std::vector<float> out(100 * 2);
  pluvessa_process(e, out.data(), STEREO, 100);  // leaves frames in the carry-over store
  const std::vector<uint8_t> initialised = e.bytes();
  for (float rate : bad) {
    EXPECT_EQ(pluvessa_init(e, rate), 10) << rate;
    EXPECT_TRUE(e.bytes() == initialised) << "record changed by init(" << rate << ")";
  }

  engine_memory fresh(0x5C);
  const std::vector<uint8_t> untouched = fresh.bytes();
  for (float rate : bad) {
    EXPECT_EQ(pluvessa_init(fresh, rate), 10) << rate;
    EXPECT_TRUE(fresh.bytes() == untouched) << "fresh memory changed by init(" << rate << ")";
  }
}

TEST(PluvessaFrame, InitAcceptsRatesUpToOneMegahertz) {
  for (float rate : {1.0f, 8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f,
                     1000000.0f}) {
    engine_memory e;
    EXPECT_EQ(pluvessa_init(e, rate), 0) << rate;
    EXPECT_EQ(e->frame.sample_rate, rate);
  }
}

// At high rates the 3 Hz carrier smoother of the drop layers rounds to a
// pole on the unit circle unless the design keeps it stable; an unstable
// filter would run to infinity and NaN, which the output clip turns into
// silence. Every voice is audible, so one broken voice silences the mix.
TEST(PluvessaFrame, HighRatesStayStableAndAudible) {
  for (float rate : {176400.0f, 192000.0f, 384000.0f, 1000000.0f}) {
    engine e(rate);
    set_levels(e, 1.0f, 0.5f, 1.0f, 1.0f, 1.0f);
    pluvessa_set_liquid_drops_variance(e, 1.0f);
    pluvessa_set_liquid_2_drops_variance(e, 1.0f);
    const uint32_t frames = static_cast<uint32_t>(rate * 1.5f);
    const std::vector<float> out = render_interleaved(e, FIVE_ONE, 6, frames, {4096});
    EXPECT_EQ(count_out_of_range(out), 0u) << rate;
    // The last 0.1 s: no channel is stuck at silence.
    const size_t tail = static_cast<size_t>(rate * 0.1f);
    for (uint32_t c = 0; c < 6; ++c) {
      const std::vector<float> ch = channel_of(out, 6, c);
      size_t zeros = 0;
      for (size_t i = ch.size() - tail; i < ch.size(); ++i) zeros += ch[i] == 0.0f ? 1 : 0;
      EXPECT_LT(zeros, tail / 100) << "rate " << rate << " channel " << c;
    }
  }
}

TEST(PluvessaFrame, InitialProcessFlagFollowsInitAndDone) {
  engine_memory e;
  ASSERT_EQ(pluvessa_init(e, RATE), 0);
  EXPECT_NE(pluvessa_is_initial_process(e), 0u);
  EXPECT_EQ(pluvessa_set_initial_process_done(e), 0);
  EXPECT_EQ(pluvessa_is_initial_process(e), 0u);
  // Rendering and preset loading neither read nor change it.
  std::vector<float> out(256);
  pluvessa_process(e, out.data(), MONO, 256);
  EXPECT_EQ(pluvessa_is_initial_process(e), 0u);
  uint8_t preset[PLUVESSA_PRESET_SIZE];
  ASSERT_EQ(pluvessa_save_preset(e, preset), 0);
  ASSERT_EQ(pluvessa_load_preset(e, preset), 0);
  EXPECT_EQ(pluvessa_is_initial_process(e), 0u);
  ASSERT_EQ(pluvessa_init(e, RATE), 0);
  EXPECT_NE(pluvessa_is_initial_process(e), 0u);
}

// Two after the first init, whatever the memory held; a count set before a
// re-initialisation survives it; any integer is stored unchecked.
TEST(PluvessaFrame, OutputChannelCount) {
  for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xA5}, uint8_t{0xFF}}) {
    engine_memory e(fill);
    ASSERT_EQ(pluvessa_init(e, RATE), 0);
    int32_t count = -1;
    EXPECT_EQ(pluvessa_get_output_channel_count(e, &count), 0);
    EXPECT_EQ(count, 2) << "memory filled with " << int{fill};

    EXPECT_EQ(pluvessa_set_output_channel_count(e, 4), 0);
    ASSERT_EQ(pluvessa_init(e, RATE), 0);
    count = -1;
    pluvessa_get_output_channel_count(e, &count);
    EXPECT_EQ(count, 4);
    ASSERT_EQ(pluvessa_init(e, 44100.0f), 0);
    count = -1;
    pluvessa_get_output_channel_count(e, &count);
    EXPECT_EQ(count, 4);

    for (int32_t v : {6, 1, 7, 0, -3}) {
      EXPECT_EQ(pluvessa_set_output_channel_count(e, v), 0);
      pluvessa_get_output_channel_count(e, &count);
      EXPECT_EQ(count, v);
    }
    // A refused init keeps it too.
    EXPECT_EQ(pluvessa_init(e, 0.0f), 10);
    pluvessa_get_output_channel_count(e, &count);
    EXPECT_EQ(count, -3);
  }
}

// The state a fresh record starts from: every voice flagged for re-design,
// nothing carried, the start-up copies of the rain strength, and gain ramps
// at zero so the first sub-block fades in.
TEST(PluvessaFrame, StartUpState) {
  engine e;
  for (int i = 0; i < RF_COUNT; ++i) EXPECT_NE(e->dirty[i].load(), 0) << "flag " << i;
  EXPECT_EQ(e->carry.count, 0u);
  EXPECT_EQ(pluvessa_get_instantaneous_wind_control(e), 0.50608259f);
  EXPECT_EQ(e->strength_copy, 0.5009177f);
  EXPECT_EQ(e->lfe.ramp.gain, 0.0f);
  for (const auto& r : e->out.ramp) EXPECT_EQ(r.gain, 0.0f);
  for (const auto& v : e->rumble) EXPECT_EQ(v.ramp.gain, 0.0f);
  for (const auto& v : e->shower) EXPECT_EQ(v.ramp.gain, 0.0f);
  for (const auto& v : e->liquid) EXPECT_EQ(v.ramp.gain, 0.0f);

  // The first frames rise from silence: the master ramp alone scales frame
  // j of the first stereo sub-block by at most (2j + 2) / 128, on top of the
  // voices' own fade-in.
  set_levels(e, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
  std::vector<float> out(64 * 2);
  pluvessa_process(e, out.data(), STEREO, 64);
  for (int j = 0; j < 4; ++j)
    for (int c = 0; c < 2; ++c)
      EXPECT_LE(std::fabs(out[j * 2 + c]), (2.0f * j + 2.0f) / 128.0f) << j;
}

// Init again at any time gives exactly a fresh record: parameters, master
// gain, carry-over and every running state are reset, and the shared seeds
// restart, so the next render equals a fresh engine's first render.
TEST(PluvessaFrame, ReinitialisationEqualsAFreshRecord) {
  std::vector<float> fresh_out;
  {
    engine e;
    fresh_out = render_interleaved(e, FIVE_ONE, 6, 4096);
  }
  engine e;
  std::vector<float> scratch(100 * 6);
  pluvessa_process(e, scratch.data(), FIVE_ONE, 100);  // carried frames pending
  pluvessa_set_gain(e, 0.3f);
  pluvessa_set_shower_color(e, 1400.0f);
  pluvessa_set_rumble_level(e, 0.9f);
  pluvessa_set_rain_lfe_level(e, 0.7f);
  pluvessa_force_update(e);
  ASSERT_EQ(pluvessa_init(e, RATE), 0);
  EXPECT_EQ(pluvessa_get_gain(e), 1.0f);
  EXPECT_EQ(pluvessa_get_shower_color(e), 362.4461f);
  EXPECT_EQ(pluvessa_get_rumble_level(e), 0.43f);
  EXPECT_EQ(e->carry.count, 0u);
  const std::vector<float> again = render_interleaved(e, FIVE_ONE, 6, 4096);
  EXPECT_EQ(first_difference(again, fresh_out), -1);
}

// Force update retriggers the slow envelope of the global controller, once;
// the retrigger draws from the shared seed, so it is audible in every voice's
// noise from then on.
TEST(PluvessaFrame, ForceUpdateRetriggersTheSlowEnvelopeOnce) {
  auto prepare = [](pluvessa_engine* e) { set_levels(e, 0.8f, 0.5f, 1.0f, 1.0f, 1.0f); };
  std::vector<float> forced, by_hand, twice, untouched;
  {
    engine e;
    prepare(e);
    EXPECT_EQ(pluvessa_force_update(e), 0);
    forced = render_interleaved(e, FIVE_ONE, 6, 24000);
  }
  {
    engine e;
    prepare(e);
    random_envelope_retrigger(&e->global.slow);
    by_hand = render_interleaved(e, FIVE_ONE, 6, 24000);
  }
  {
    engine e;
    prepare(e);
    random_envelope_retrigger(&e->global.slow);
    random_envelope_retrigger(&e->global.slow);
    twice = render_interleaved(e, FIVE_ONE, 6, 24000);
  }
  {
    engine e;
    prepare(e);
    untouched = render_interleaved(e, FIVE_ONE, 6, 24000);
  }
  EXPECT_EQ(first_difference(forced, by_hand), -1);
  EXPECT_NE(first_difference(forced, twice), -1);
  EXPECT_NE(first_difference(forced, untouched), -1);
}

// Null records are refused without a crash by the frame functions.
TEST(PluvessaFrame, NullRecords) {
  EXPECT_NE(pluvessa_init(nullptr, RATE), 0);
  int32_t count = 77;
  EXPECT_EQ(pluvessa_get_output_channel_count(nullptr, &count), 0);
  EXPECT_EQ(count, 77);
  EXPECT_EQ(pluvessa_set_output_channel_count(nullptr, 4), 0);
  EXPECT_EQ(pluvessa_is_initial_process(nullptr), 0u);
  EXPECT_EQ(pluvessa_set_initial_process_done(nullptr), 0);
  EXPECT_EQ(pluvessa_force_update(nullptr), 0);
  engine e;
  EXPECT_EQ(pluvessa_get_output_channel_count(e, nullptr), 0);
}

// The descriptor table: 64-bit slots in the documented order, and its entry
// points drive an engine exactly like the exported functions.
TEST(PluvessaFrame, DescriptorDescribesTheEngine) {
  static_assert(sizeof(PLUVESSA_DESCRIPTOR) == 22 * 8);
  const auto& d = PLUVESSA_DESCRIPTOR;
  EXPECT_STREQ(d.version, "Pluvessa v1.1 b6686");
  EXPECT_EQ(d.product_id, 0x00010101u);
  EXPECT_EQ(d.get_size(), pluvessa_get_size());
  EXPECT_EQ(d.unused, nullptr);
  EXPECT_EQ(d.parameters, PLUVESSA_PARAMETER_TABLE);
  EXPECT_EQ(d.parameter_count, 35u);
  EXPECT_EQ(d.preset_size, 288u);
  EXPECT_EQ(d.load_preset, &pluvessa_load_preset);
  EXPECT_EQ(d.process_deinterleaved, &pluvessa_process_deinterleaved);

  engine_memory a, b;
  ASSERT_EQ(d.init(a, RATE), 0);
  const float colour = 900.0f;
  ASSERT_EQ(d.set_parameter_value(a, 13, &colour), 0);
  std::vector<float> via_table(2 * 640), direct(2 * 640);
  d.process(a, via_table.data(), 0x3, 640);
  ASSERT_EQ(pluvessa_init(b, RATE), 0);
  pluvessa_set_shower_color(b, 900.0f);
  pluvessa_process(b, direct.data(), 0x3, 640);
  EXPECT_EQ(0, std::memcmp(via_table.data(), direct.data(), direct.size() * sizeof(float)));
}

// A record needs no more than malloc's 16-byte alignment: one placed 16 bytes
// past a cache line renders exactly what a cache-aligned one renders.
TEST(PluvessaFrame, WorksOnSixteenByteAlignedMemory) {
  static_assert(alignof(pluvessa_engine) <= 16);
  const size_t size = pluvessa_get_size();
  void* raw = test_memory::aligned_allocate(64, (size + 16 + 63) / 64 * 64);
  auto* shifted = reinterpret_cast<pluvessa_engine*>(static_cast<char*>(raw) + 16);
  engine_memory aligned;
  std::vector<float> a(2 * 1000), b(2 * 1000);
  // One after the other: the two records share the process-wide generators.
  ASSERT_EQ(pluvessa_init(shifted, RATE), 0);
  pluvessa_process(shifted, a.data(), 0x3, 1000);
  ASSERT_EQ(pluvessa_init(aligned, RATE), 0);
  pluvessa_process(aligned, b.data(), 0x3, 1000);
  EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
  test_memory::aligned_release(raw);
}
