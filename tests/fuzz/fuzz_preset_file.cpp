// Fuzzes the renderer's preset files: any bytes, read as a binary record or
// as KEY VALUE text for either engine or for whichever it belongs to. A file
// is refused with a message of one line, or accepted with values that the
// range checks let through and that the engine then takes.

#include <cstring>
#include <string>

#include "tests/fuzz/fuzz_util.h"
#include "tools/preset_files.h"
#include "tools/render.h"
#include "tools/tool_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const synth_kind* expected = (data[0] & 3) == 0   ? synth_find("wind")
                               : (data[0] & 3) == 1 ? synth_find("rain")
                                                    : nullptr;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  preset_file f;
  try {
    f = parse_preset_file("fuzz: ", bytes, expected);
  } catch (const tool_error& e) {
    if (std::strchr(e.what(), '\n')) std::abort();
    return 0;
  }
  if (!f.kind || (expected && f.kind != expected)) std::abort();
  for (const assignment& a : f.values) {
    const parameter_info& p = f.kind->table[a.index];
    if (!(a.value >= p.min && a.value <= p.max)) std::abort();
  }
  synth_instance s(*f.kind);
  set_up(s, 48000, "", &f, {});
  float out[256 * 2];
  f.kind->process(s.engine(), out, 0x3, 256);
  require_bounded(out, 512);
  return 0;
}
