#include "tools/preset_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "engine/frame.h"
#include "tools/lookup.h"
#include "tools/names.h"
#include "tools/tool_error.h"

namespace {

const synth_kind& other_engine(const synth_kind& k) {
  return *synth_find(std::strcmp(k.name, "wind") == 0 ? "rain" : "wind");
}

// The header checks of the engines' loader, in its order; "" when they pass.
std::string header_fault(const synth_kind& k, const std::vector<uint8_t>& bytes) {
  uint32_t version, magic;
  uint64_t size;
  std::memcpy(&version, bytes.data(), 4);
  std::memcpy(&magic, bytes.data() + 4, 4);
  std::memcpy(&size, bytes.data() + 8, 8);
  if ((version & 0xFFFF0000u) != 0x00010000u)
    return "unsupported major version " + std::to_string(version >> 16);
  if (((version & 0xFFFFu) - 256u) > 1u)
    return "unsupported minor version " + std::to_string(version & 0xFFFFu);
  if (magic != RECORD_MAGIC) return "bad magic";
  if (size != k.preset_size && size != k.preset_size + 8u)
    return "wrong size field (" + std::to_string(size) + ")";
  return "";
}

// A record's entries must name parameters of its engine, or the engine would
// stop loading halfway.
bool entries_known(const synth_kind& k, const std::vector<uint8_t>& bytes) {
  for (std::size_t at = 16; at + 8 <= k.preset_size; at += 8) {
    int32_t index;
    std::memcpy(&index, bytes.data() + at, 4);
    if (index < 0 || static_cast<uint32_t>(index) >= k.param_count) return false;
  }
  return true;
}

preset_file read_record(const std::string& where, std::vector<uint8_t> bytes,
                        const synth_kind* expected) {
  const synth_kind* k = expected;
  if (!k) {
    for (const char* name : {"wind", "rain"})
      if (bytes.size() == synth_find(name)->preset_size) k = synth_find(name);
    if (!k)
      throw tool_error(where + "not a preset record (" + std::to_string(bytes.size()) +
                       " bytes; a wind record has " +
                       std::to_string(synth_find("wind")->preset_size) + ", a rain record " +
                       std::to_string(synth_find("rain")->preset_size) + ")");
  }
  if (bytes.size() != k->preset_size) {
    const synth_kind& other = other_engine(*k);
    if (bytes.size() == other.preset_size && header_fault(other, bytes).empty())
      throw tool_error(where + "a " + other.name + " preset record, not a " + k->name + " one");
    throw tool_error(where + (bytes.size() < k->preset_size ? "truncated (" : "wrong size (") +
                     std::to_string(bytes.size()) + " bytes, a " + k->name + " preset has " +
                     std::to_string(k->preset_size) + ")");
  }
  const std::string fault = header_fault(*k, bytes);
  if (!fault.empty()) throw tool_error(where + fault);
  if (!entries_known(*k, bytes)) throw tool_error(where + "unknown parameter index");
  return {k, std::move(bytes), {}};
}

std::string trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string_view::npos) return "";
  return std::string(s.substr(b, s.find_last_not_of(" \t\r") - b + 1));
}

// The engine whose keys a text preset uses: the first key only one engine
// has decides.
const synth_kind* text_engine(const std::vector<std::pair<int, std::string>>& keys) {
  const synth_kind& wind = *synth_find("wind");
  const synth_kind& rain = *synth_find("rain");
  for (const auto& [line, key] : keys) {
    const bool in_wind = synth_param_index(wind, name_fold(key)) >= 0;
    const bool in_rain = synth_param_index(rain, name_fold(key)) >= 0;
    if (in_wind != in_rain) return in_wind ? &wind : &rain;
  }
  return nullptr;
}

preset_file read_text(const std::string& where, const std::string& text,
                      const synth_kind* expected) {
  // KEY VALUE lines first, so the engine can be told from the keys.
  struct line {
    int number;
    std::string key, value;
  };
  std::vector<line> lines;
  std::vector<std::pair<int, std::string>> keys;
  std::size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    const auto end = std::min(text.find('\n', start), text.size());
    std::string_view l(text.data() + start, end - start);
    start = end + 1;
    l = l.substr(0, l.find('#'));
    const std::string t = trim(l);
    if (t.empty()) continue;
    const auto gap = t.find_first_of(" \t");
    if (gap == std::string::npos)
      throw tool_error(where + "line " + std::to_string(number) + ": expected KEY VALUE");
    lines.push_back({number, t.substr(0, gap), trim(std::string_view(t).substr(gap))});
    keys.emplace_back(number, lines.back().key);
  }
  if (lines.empty()) throw tool_error(where + "no KEY VALUE lines");

  const synth_kind* belongs = text_engine(keys);
  if (expected && belongs && belongs != expected) {
    for (const auto& [number, key] : keys)
      if (synth_param_index(*expected, name_fold(key)) < 0 &&
          synth_param_index(*belongs, name_fold(key)) >= 0)
        throw tool_error(where + "a " + belongs->name + " preset (" + key + " on line " +
                         std::to_string(number) + "), not a " + expected->name + " one");
  }
  const synth_kind* k = expected ? expected : belongs;
  if (!k)
    throw tool_error(where + "its keys belong to both engines: name the engine (--engine)");

  preset_file f{k, {}, {}};
  for (const line& l : lines) {
    const std::string at = where + "line " + std::to_string(l.number) + ": ";
    int index;
    try {
      index = param_index(*k, l.key);
    } catch (const tool_error& e) {
      throw tool_error(at + e.what());
    }
    f.values.push_back({index, parse_param_value(*k, index, l.value, at + l.key + " " + l.value)});
  }
  return f;
}

}  // namespace

preset_file read_preset_file(const std::string& path, const synth_kind* expected) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw tool_error("cannot read preset file '" + path + "': " + std::strerror(errno));
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return parse_preset_file("preset file '" + path + "': ", bytes, expected);
}

preset_file parse_preset_file(const std::string& where, const std::string& bytes,
                              const synth_kind* expected) {
  // Records always hold zero bytes (the size field's high half); text never.
  if (bytes.find('\0') != std::string::npos)
    return read_record(where, std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
  return read_text(where, bytes, expected);
}

std::string preset_text(const synth_instance& s) {
  const synth_kind& k = s.kind();
  std::string text;
  for (uint32_t i = 0; i + 1 < k.param_count; ++i)
    text += std::string(k.table[i].key) + " " +
            format_value(k.table[i], s.get(static_cast<int>(i))) + "\n";
  return text;
}
