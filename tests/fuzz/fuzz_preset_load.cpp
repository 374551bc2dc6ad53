// Fuzzes preset loading: the first byte picks the engine, the rest is the
// record (zero-padded to the record size). Whatever the record says, loading
// must not crash and the engine must keep rendering finite, bounded output.

#include <utility>
#include <vector>

#include "tests/fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const synth_kind& k = *synth_find((data[0] & 1) ? "rain" : "wind");
  static synth_instance wind(*synth_find("wind")), rain(*synth_find("rain"));
  synth_instance& s = (data[0] & 1) ? rain : wind;
  k.init(s.engine(), 48000.0f);

  std::vector<uint8_t> record(k.preset_size, 0);
  std::memcpy(record.data(), data + 1, std::min<std::size_t>(size - 1, k.preset_size));
  const int rc = k.load_preset(s.engine(), record.data());
  if (rc != 0 && rc != 7 && rc != 11 && rc != 13 && rc != 18) std::abort();

  float out[300 * 6];
  for (const auto& [layout, channels] : {std::pair{0x80000, 1u}, {0x3, 2u}, {0x3F, 6u}}) {
    k.process(s.engine(), out, layout, 300);
    require_bounded(out, 300u * channels);
  }
  // A record that loaded saves back to the same values.
  if (rc == 0) {
    std::vector<uint8_t> saved(k.preset_size);
    k.save_preset(s.engine(), saved.data());
    if (k.load_preset(s.engine(), saved.data()) != 0) std::abort();
  }
  return 0;
}
