#include "tools/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "tools/lookup.h"
#include "tools/names.h"
#include "tools/tool_error.h"

namespace {

constexpr layout_choice LAYOUTS[] = {
    {"mono", 0x80000, 1}, {"stereo", 0x3, 2}, {"quad", 0x33, 4}, {"5.1", 0x3F, 6}};

std::string lower_extension(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

}  // namespace

const layout_choice& layout_named(const std::string& name) {
  std::vector<std::string_view> names;
  for (const auto& l : LAYOUTS) names.push_back(l.name);
  const int i = name_find(names, name);
  if (i < 0)
    throw tool_error("unknown layout '" + name + "'" +
                     unknown_hint(names, name, "expected " + name_list(names)));
  return LAYOUTS[i];
}

int sound_format(const std::string& path, const std::string& encoding, int channels, int rate) {
  const std::string ext = lower_extension(path);
  int container = 0;
  if (ext == "wav") container = SF_FORMAT_WAV;
  else if (ext == "w64") container = SF_FORMAT_W64;
  else if (ext == "aif" || ext == "aiff") container = SF_FORMAT_AIFF;
  else if (ext == "caf") container = SF_FORMAT_CAF;
  else if (ext == "flac") container = SF_FORMAT_FLAC;
  else if (ext == "ogg") container = SF_FORMAT_OGG;
  else
    throw tool_error("cannot write '" + path + "': unsupported file extension '" + ext +
                     "' (use .wav, .w64, .aiff, .caf, .flac or .ogg)");
  const std::vector<std::string_view> encodings = {"float", "pcm16", "pcm24"};
  const int e = encoding.empty() ? -1 : name_find(encodings, encoding);
  if (!encoding.empty() && e < 0)
    throw tool_error("unknown encoding '" + encoding + "'" +
                     unknown_hint(encodings, encoding, "expected float, pcm16 or pcm24"));
  int subtype = 0;
  if (container == SF_FORMAT_OGG) {
    if (!encoding.empty())
      throw tool_error("cannot write '" + path + "': .ogg holds Vorbis only (drop --encoding)");
    subtype = SF_FORMAT_VORBIS;
  } else if (encoding.empty()) {
    subtype = container == SF_FORMAT_FLAC ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
  } else {
    subtype = e == 0 ? SF_FORMAT_FLOAT : e == 1 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24;
  }
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = container | subtype;
  if (!sf_format_check(&info))
    throw tool_error("cannot write '" + path + "': this container does not take encoding '" +
                     (encoding.empty() ? "float" : encoding) + "'");
  return info.format;
}
