#include "tools/sound_file.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "tools/lookup.h"
#include "tools/names.h"
#include "tools/tool_error.h"

namespace {

constexpr layout_choice LAYOUTS[] = {
    {"mono", 0x80000, 1, "C", 0x4, {SF_CHANNEL_MAP_CENTER}},
    {"stereo", 0x3, 2, "L R", 0x3, {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT}},
    {"quad", 0x33, 4, "L R Ls Rs", 0x33,
     {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_REAR_LEFT,
      SF_CHANNEL_MAP_REAR_RIGHT}},
    {"5.1", 0x3F, 6, "L R C LFE Ls Rs", 0x3F,
     {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
      SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT}},
};

// Vorbis puts the centre second and the LFE last: file channel k takes the
// engines' channel VORBIS_5_1[k].
constexpr int VORBIS_5_1[6] = {0, 2, 1, 4, 5, 3};

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

sound_format choose_format(const std::string& path, const std::string& encoding,
                           const layout_choice& layout, int rate) {
  const std::vector<std::string_view> encodings = {"float", "pcm16", "pcm24"};
  constexpr int SUBTYPES[] = {SF_FORMAT_FLOAT, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24};
  const int e = encoding.empty() ? -1 : name_find(encodings, encoding);
  if (!encoding.empty() && e < 0)
    throw tool_error("unknown encoding '" + encoding + "'" +
                     unknown_hint(encodings, encoding, "expected float, pcm16 or pcm24"));
  // Standard output takes the samples raw, as sox and ffmpeg write them for
  // a player: -e float / -f f32le, -e signed -b 16 / -f s16le, 24-bit packed.
  if (path == "-")
    return {SF_FORMAT_RAW | SF_ENDIAN_LITTLE | SUBTYPES[std::max(e, 0)], true,
            encodings[std::max(e, 0)].data()};

  const std::string ext = lower_extension(path);
  int container = 0;
  if (ext == "wav") container = SF_FORMAT_WAVEX;
  else if (ext == "w64") container = SF_FORMAT_W64;
  else if (ext == "aif" || ext == "aiff") container = SF_FORMAT_AIFF;
  else if (ext == "caf") container = SF_FORMAT_CAF;
  else if (ext == "flac") container = SF_FORMAT_FLAC;
  else if (ext == "ogg") container = SF_FORMAT_OGG;
  else
    throw tool_error("cannot write '" + path + "': unsupported file extension '" + ext +
                     "' (use .wav, .w64, .aiff, .caf, .flac or .ogg)");
  sound_format f{0, false, nullptr};
  if (container == SF_FORMAT_OGG) {
    if (!encoding.empty())
      throw tool_error("cannot write '" + path + "': .ogg holds Vorbis only (drop --encoding)");
    f.sf_format = container | SF_FORMAT_VORBIS;
    f.encoding = "vorbis";
  } else {
    const int chosen = e >= 0 ? e : container == SF_FORMAT_FLAC ? 2 : 0;
    f.sf_format = container | SUBTYPES[chosen];
    f.encoding = encodings[chosen].data();
  }
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = layout.channels;
  info.format = f.sf_format;
  if (!sf_format_check(&info))
    throw tool_error("cannot write '" + path + "': this container does not take encoding '" +
                     (encoding.empty() ? "float" : encoding) + "'");
  return f;
}

void check_size(const std::string& path, const sound_format& f, const layout_choice& layout,
                uint64_t frames) {
  if ((f.sf_format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAVEX) return;
  const int subtype = f.sf_format & SF_FORMAT_SUBMASK;
  const uint64_t bytes_per_sample = subtype == SF_FORMAT_PCM_16 ? 2 : subtype == SF_FORMAT_PCM_24 ? 3 : 4;
  const uint64_t data = frames * layout.channels * bytes_per_sample;
  // The RIFF size fields are 32 bits; leave room for the header.
  if (data > 0xFFFFFFFFull - 4096)
    throw tool_error("cannot write '" + path + "': " + std::to_string(data >> 20) +
                     " MiB is past the 4 GiB a WAV file holds (use .w64, .caf or .flac)");
}

sound_writer::sound_writer(const std::string& path, const sound_format& f,
                           const layout_choice& layout, int rate)
    : channels_(layout.channels), order_(nullptr) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = layout.channels;
  info.format = f.sf_format;
  file_ = f.to_stdout ? sf_open_fd(STDOUT_FILENO, SFM_WRITE, &info, SF_FALSE)
                      : sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file_)
    throw tool_error("cannot write '" + path + "': " + sf_strerror(nullptr));
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  // No PEAK chunk: it carries the time of writing, and the same command must
  // give the same bytes.
  sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  const int container = f.sf_format & SF_FORMAT_TYPEMASK;
  if (container == SF_FORMAT_OGG && layout.channels == 6) order_ = VORBIS_5_1;
  if (container != SF_FORMAT_RAW && container != SF_FORMAT_OGG)
    sf_command(file_, SFC_SET_CHANNEL_MAP_INFO, const_cast<int*>(layout.channel_map),
               static_cast<int>(sizeof(int) * layout.channels));
}

sound_writer::~sound_writer() {
  if (file_) sf_close(file_);
}

bool sound_writer::write(const float* frames, std::size_t count) {
  if (!order_) return sf_writef_float(file_, frames, count) == static_cast<sf_count_t>(count);
  const std::size_t step = sizeof reordered_ / sizeof(float) / channels_;
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min(step, count - done);
    for (std::size_t i = 0; i < n; ++i)
      for (int c = 0; c < channels_; ++c)
        reordered_[i * channels_ + c] = frames[(done + i) * channels_ + order_[c]];
    if (sf_writef_float(file_, reordered_, n) != static_cast<sf_count_t>(n)) return false;
    done += n;
  }
  return true;
}

bool sound_writer::close() {
  const int rc = sf_close(file_);
  file_ = nullptr;
  return rc == 0;
}
