#include "tools/preset_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/frame.h"
#include "tools/tool_error.h"

std::vector<uint8_t> read_preset_file(const synth_kind& k, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw tool_error("cannot read preset file '" + path + "': " + std::strerror(errno));
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  const std::string where = "preset file '" + path + "': ";
  if (bytes.size() < k.preset_size)
    throw tool_error(where + "truncated (" + std::to_string(bytes.size()) + " bytes, a " +
                     k.name + " preset has " + std::to_string(k.preset_size) + ")");
  if (bytes.size() > k.preset_size)
    throw tool_error(where + "wrong size (" + std::to_string(bytes.size()) + " bytes, a " +
                     k.name + " preset has " + std::to_string(k.preset_size) + ")");
  uint32_t version, magic;
  uint64_t size;
  std::memcpy(&version, bytes.data(), 4);
  std::memcpy(&magic, bytes.data() + 4, 4);
  std::memcpy(&size, bytes.data() + 8, 8);
  if ((version & 0xFFFF0000u) != 0x00010000u)
    throw tool_error(where + "unsupported major version " + std::to_string(version >> 16));
  if (((version & 0xFFFFu) - 256u) > 1u)
    throw tool_error(where + "unsupported minor version " + std::to_string(version & 0xFFFFu));
  if (magic != RECORD_MAGIC) throw tool_error(where + "bad magic");
  if (size != k.preset_size && size != k.preset_size + 8u)
    throw tool_error(where + "wrong size field (" + std::to_string(size) + ")");
  return bytes;
}

void apply_preset_file(synth_instance& s, const std::string& path) {
  const std::vector<uint8_t> bytes = read_preset_file(s.kind(), path);
  const int rc = s.kind().load_preset(s.engine(), bytes.data());
  if (rc == ENGINE_UNKNOWN_INDEX)
    throw tool_error("preset file '" + path + "': unknown parameter index");
  if (rc != ENGINE_OK)
    throw tool_error("preset file '" + path + "': rejected (status " + std::to_string(rc) + ")");
}
