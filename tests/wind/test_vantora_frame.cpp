// The wind engine's instance frame: size, initialisation, output channel
// count, the initial-process flag, re-initialisation and force update.

#include <cmath>
#include <cstring>
#include <limits>

#include "dsp/envelope.h"
#include "vantora_test_util.h"

using namespace wind_test;

namespace {

uint32_t u32_at(const vantora_engine* e, size_t offset) {
  uint32_t v;
  std::memcpy(&v, reinterpret_cast<const uint8_t*>(e) + offset, 4);
  return v;
}

}  // namespace

TEST(VantoraFrame, SizeIsConstantAndHoldsTheRecord) {
  const uint32_t before = vantora_get_size();
  engine a;
  std::vector<float> out(512 * 2);
  vantora_process(a, out.data(), STEREO, 512);
  engine b(96000.0f);
  EXPECT_EQ(vantora_get_size(), before);
  EXPECT_GE(before, sizeof(vantora_engine));
}

TEST(VantoraFrame, InitWritesTheHeader) {
  engine e;
  EXPECT_EQ(u32_at(e, 0), 0x00010101u);  // product identifier, first field
  EXPECT_EQ(u32_at(e, 4), 0x7AB9CAFEu);  // record magic, second field
  EXPECT_EQ(vantora_get_gain(e), 1.0f);
}

// A rate that is not a positive finite number up to 1 MHz is refused with 10
// before anything is written, on an initialised record as on fresh memory.
TEST(VantoraFrame, InitRejectsBadRatesAndLeavesTheRecordUntouched) {
  const float bad[] = {0.0f,
                       -0.0f,
                       -1.0f,
                       -48000.0f,
                       std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(),
                       1000001.0f};
  engine e;
  vantora_set_output_channel_count(e, 6);
  vantora_set_gain(e, 0.25f);
  std::vector<float> out(100 * 2);
  vantora_process(e, out.data(), STEREO, 100);  // leaves frames in the carry-over store
  const std::vector<uint8_t> initialised = e.bytes();
  for (float rate : bad) {
    EXPECT_EQ(vantora_init(e, rate), 10) << rate;
    EXPECT_TRUE(e.bytes() == initialised) << "record changed by init(" << rate << ")";
  }

  engine_memory fresh(0x5C);
  const std::vector<uint8_t> untouched = fresh.bytes();
  for (float rate : bad) {
    EXPECT_EQ(vantora_init(fresh, rate), 10) << rate;
    EXPECT_TRUE(fresh.bytes() == untouched) << "fresh memory changed by init(" << rate << ")";
  }
}

TEST(VantoraFrame, InitAcceptsUsualRates) {
  for (float rate : {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
    engine_memory e;
    EXPECT_EQ(vantora_init(e, rate), 0) << rate;
    EXPECT_EQ(e->frame.sample_rate, rate);
  }
}

TEST(VantoraFrame, InitialProcessFlagFollowsInitAndDone) {
  engine_memory e;
  ASSERT_EQ(vantora_init(e, RATE), 0);
  EXPECT_NE(vantora_is_initial_process(e), 0u);
  EXPECT_EQ(vantora_set_initial_process_done(e), 0);
  EXPECT_EQ(vantora_is_initial_process(e), 0u);
  // Rendering neither reads nor clears it.
  std::vector<float> out(256);
  vantora_process(e, out.data(), MONO, 256);
  EXPECT_EQ(vantora_is_initial_process(e), 0u);
  ASSERT_EQ(vantora_init(e, RATE), 0);
  EXPECT_NE(vantora_is_initial_process(e), 0u);
}

// Two after the first init, whatever the memory held; a count set before a
// re-initialisation survives it; any integer is stored unchecked.
TEST(VantoraFrame, OutputChannelCount) {
  for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xA5}, uint8_t{0xFF}}) {
    engine_memory e(fill);
    ASSERT_EQ(vantora_init(e, RATE), 0);
    int32_t count = -1;
    EXPECT_EQ(vantora_get_output_channel_count(e, &count), 0);
    EXPECT_EQ(count, 2) << "memory filled with " << int{fill};

    EXPECT_EQ(vantora_set_output_channel_count(e, 4), 0);
    ASSERT_EQ(vantora_init(e, 44100.0f), 0);
    vantora_get_output_channel_count(e, &count);
    EXPECT_EQ(count, 4);

    for (int32_t v : {6, 1, 7, 0, -3}) {
      vantora_set_output_channel_count(e, v);
      vantora_get_output_channel_count(e, &count);
      EXPECT_EQ(count, v);
    }
  }
}

// Init again at any time gives exactly a fresh record: parameters, master
// gain, carry-over and every running state are reset, and the shared seeds
// restart, so the next render equals a fresh engine's first render.
TEST(VantoraFrame, ReinitialisationEqualsAFreshRecord) {
  std::vector<float> fresh_out;
  {
    engine e;
    fresh_out = render_interleaved(e, FIVE_ONE, 6, 4096);
  }
  engine e;
  std::vector<float> scratch(100 * 6);
  vantora_process(e, scratch.data(), FIVE_ONE, 100);  // carried frames pending
  vantora_set_gain(e, 0.3f);
  vantora_set_whistling_qfactor(e, 0.9f);
  vantora_set_backflow_shape(e, 3);
  vantora_set_wind_lfe_level(e, 0.7f);
  ASSERT_EQ(vantora_init(e, RATE), 0);
  EXPECT_EQ(vantora_get_gain(e), 1.0f);
  EXPECT_EQ(vantora_get_backflow_shape(e), 10);
  const std::vector<float> again = render_interleaved(e, FIVE_ONE, 6, 4096);
  EXPECT_EQ(first_difference(again, fresh_out), -1);
}

// Force update retriggers five slow envelopes in a fixed order (gusts 4,
// gusts 1, gusts 3, global, gusts 2); the order matters because each
// retrigger draws from the shared seed.
TEST(VantoraFrame, ForceUpdateRetriggersTheSlowEnvelopesInOrder) {
  // Gusts and backflow audible so every retriggered envelope is heard.
  auto prepare = [](vantora_engine* e) {
    set_levels(e, 0.5f, 0.0f, 1.0f, 0.0f, 0.0f);
    vantora_set_coupling_between_global_source_and_backflow(e, 1.0f);
  };
  std::vector<float> forced, by_hand, swapped;
  {
    engine e;
    prepare(e);
    EXPECT_EQ(vantora_force_update(e), 0);
    forced = render_interleaved(e, QUAD, 4, 48000);
  }
  {
    engine e;
    prepare(e);
    random_envelope_retrigger(&e->gusts[3].slow);
    random_envelope_retrigger(&e->gusts[0].slow);
    random_envelope_retrigger(&e->gusts[2].slow);
    random_envelope_retrigger(&e->global.slow);
    random_envelope_retrigger(&e->gusts[1].slow);
    by_hand = render_interleaved(e, QUAD, 4, 48000);
  }
  {
    engine e;
    prepare(e);
    random_envelope_retrigger(&e->gusts[0].slow);
    random_envelope_retrigger(&e->gusts[1].slow);
    random_envelope_retrigger(&e->gusts[2].slow);
    random_envelope_retrigger(&e->gusts[3].slow);
    random_envelope_retrigger(&e->global.slow);
    swapped = render_interleaved(e, QUAD, 4, 48000);
  }
  EXPECT_EQ(first_difference(forced, by_hand), -1);
  EXPECT_NE(first_difference(forced, swapped), -1) << "the retrigger order is not audible";
}

// The descriptor table: 64-bit slots in the documented order, and its entry
// points drive an engine exactly like the functions themselves.
TEST(VantoraFrame, DescriptorDescribesTheEngine) {
  static_assert(sizeof(VANTORA_DESCRIPTOR) == 22 * 8);
  const auto& d = VANTORA_DESCRIPTOR;
  EXPECT_STREQ(d.version, "Vantora v1.1 b6686");
  EXPECT_EQ(d.product_id, 0x00010101u);
  EXPECT_EQ(d.get_size(), vantora_get_size());
  EXPECT_EQ(d.unused, nullptr);
  EXPECT_EQ(d.parameters, VANTORA_PARAMETER_TABLE);
  EXPECT_EQ(d.parameter_count, 47u);
  EXPECT_EQ(d.preset_size, 384u);
  EXPECT_EQ(d.force_update, &vantora_force_update);
  EXPECT_EQ(d.get_instantaneous_control, &vantora_get_instantaneous_wind_control);

  engine_memory a, b;
  ASSERT_EQ(d.init(a, RATE), 0);
  const float speed = 0.3f;
  ASSERT_EQ(d.set_parameter_value(a, 0, &speed), 0);
  d.set_gain(a, 0.5f);
  std::vector<float> via_table(2 * 640), direct(2 * 640);
  d.process(a, via_table.data(), 0x3, 640);
  ASSERT_EQ(vantora_init(b, RATE), 0);
  vantora_set_global_control(b, 0.3f);
  vantora_set_gain(b, 0.5f);
  vantora_process(b, direct.data(), 0x3, 640);
  EXPECT_EQ(0, std::memcmp(via_table.data(), direct.data(), direct.size() * sizeof(float)));
  EXPECT_EQ(d.get_gain(a), 0.5f);
}
