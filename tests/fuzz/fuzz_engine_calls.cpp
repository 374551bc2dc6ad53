// Fuzzes the engine interface with byte-driven call sequences: setters and
// getters by index (natural and normalised, any value), the gain, preset load
// and save, force update, re-init at odd rates and renders of any layout and
// length, interleaved or not. Every render must stay finite and bounded.

#include <vector>

#include "rain/pluvessa_engine.h"
#include "tests/fuzz/fuzz_util.h"
#include "wind/vantora.h"

namespace {

constexpr int32_t LAYOUTS[] = {0x80000, 0x3, 0xB, 0x33, 0x37, 0x3F, 0x40000037, 0x4000003F,
                               0x637, 0, 0x7};

struct calls {
  const synth_kind& k;
  void* e;

  void normalized(uint32_t i, float x);
  float get_normalized(uint32_t i);
};

void calls::normalized(uint32_t i, float x) {
  if (std::strcmp(k.name, "wind") == 0)
    vantora_set_normalized_parameter_value(static_cast<vantora_engine*>(e), i, &x);
  else
    pluvessa_set_normalized_parameter_value(static_cast<pluvessa_engine*>(e), i, &x);
}

float calls::get_normalized(uint32_t i) {
  if (std::strcmp(k.name, "wind") == 0)
    return vantora_get_normalized_parameter_float_value(static_cast<vantora_engine*>(e), i);
  return pluvessa_get_normalized_parameter_float_value(static_cast<pluvessa_engine*>(e), i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  byte_reader in{data, size};
  const bool rain = in.u8() & 1;
  static synth_instance wind_s(*synth_find("wind")), rain_s(*synth_find("rain"));
  synth_instance& s = rain ? rain_s : wind_s;
  const synth_kind& k = s.kind();
  calls c{k, s.engine()};
  if (k.init(s.engine(), 48000.0f) != 0) std::abort();

  static std::vector<float> out(4096 * 8), planes(4096 * 8);
  std::vector<uint8_t> record(k.preset_size);
  for (int step = 0; step < 64 && !in.empty(); ++step) {
    switch (in.u8() % 10) {
      case 0: {  // natural set by index, raw 4 bytes
        const uint32_t i = in.u8();
        const uint32_t v = in.u32();
        k.set_value(s.engine(), i % (k.param_count + 2), &v);
        break;
      }
      case 1: c.normalized(in.u8() % (k.param_count + 2), in.f32()); break;
      case 2: {
        uint32_t v;
        k.get_value(s.engine(), in.u8() % (k.param_count + 2), &v);
        c.get_normalized(in.u8() % (k.param_count + 2));
        break;
      }
      case 3: {  // master gain, any value
        const float g = in.f32();
        s.set(static_cast<int>(k.param_count) - 1, g);
        break;
      }
      case 4: {
        for (auto& b : record) b = in.u8();
        k.load_preset(s.engine(), record.data());
        break;
      }
      case 5: k.save_preset(s.engine(), record.data()); break;
      case 6:
        if (rain)
          pluvessa_force_update(static_cast<pluvessa_engine*>(s.engine()));
        else
          vantora_force_update(static_cast<vantora_engine*>(s.engine()));
        break;
      case 7: {
        static constexpr float rates[] = {8000.0f, 22050.0f, 44100.0f, 96000.0f, 192000.0f};
        k.init(s.engine(), rates[in.u8() % 5]);
        break;
      }
      default: {  // render
        const int32_t layout = LAYOUTS[in.u8() % (sizeof LAYOUTS / sizeof LAYOUTS[0])];
        const uint32_t frames = in.u32() % 4097u;
        const uint32_t ch = channel_count_of_mask(static_cast<uint32_t>(layout));
        if (in.u8() & 1) {
          float* outs[30];
          for (uint32_t i = 0; i < ch; ++i) outs[i] = planes.data() + i * 4096;
          if (rain)
            pluvessa_process_deinterleaved(static_cast<pluvessa_engine*>(s.engine()), outs,
                                           layout, frames);
          else
            vantora_process_deinterleaved(static_cast<vantora_engine*>(s.engine()), outs, layout,
                                          frames);
          for (uint32_t i = 0; i < ch && i < 8; ++i) require_bounded(outs[i], frames);
        } else if (ch <= 8) {
          k.process(s.engine(), out.data(), layout, frames);
          require_bounded(out.data(), static_cast<std::size_t>(frames) * ch);
        }
        break;
      }
    }
  }
  return 0;
}
