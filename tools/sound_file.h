#pragma once
// Channel layouts and the sound files the renderer writes.
//
// Channel order, as the engines render it and as WAV, W64, FLAC and CAF
// files carry it (WAV as WAVE_FORMAT_EXTENSIBLE with the channel mask):
//   mono    C                      mask 0x4
//   stereo  L R                    mask 0x3
//   quad    L R Ls Rs              mask 0x33 (surrounds as back left, right)
//   5.1     L R C LFE Ls Rs        mask 0x3F (surrounds as back left, right)
// Ogg Vorbis files carry 5.1 in Vorbis order (L C R Ls Rs LFE); AIFF files
// have no channel map and keep the engines' order.

#include <cstdint>
#include <sndfile.h>
#include <string>

struct layout_choice {
  const char* name;
  int32_t mask;  // the engines' layout code
  int channels;
  const char* order;     // channel names in file order
  uint32_t wave_mask;    // WAVE_FORMAT_EXTENSIBLE speaker mask
  int channel_map[6];    // libsndfile channel map
};

const layout_choice& layout_named(const std::string& name);

// What a render writes: a sound file of a container and encoding, or raw
// little-endian samples on standard output ("-").
struct sound_format {
  int sf_format;  // libsndfile major format | encoding
  bool to_stdout;
  const char* encoding;  // "float", "pcm16", "pcm24" or "vorbis"
};

// The format for a path and an encoding ("" for the default: float, pcm24 in
// FLAC), checked against the layout and rate.
sound_format choose_format(const std::string& path, const std::string& encoding,
                           const layout_choice& layout, int rate);

// Refuses a render that its container cannot hold (a WAV file stops at 4 GiB).
void check_size(const std::string& path, const sound_format& f, const layout_choice& layout,
                uint64_t frames);

// Writes interleaved frames in the engines' channel order to a file (or to
// standard output), in the container's own order.
class sound_writer {
 public:
  sound_writer(const std::string& path, const sound_format& f, const layout_choice& layout,
               int rate);
  ~sound_writer();
  sound_writer(const sound_writer&) = delete;
  sound_writer& operator=(const sound_writer&) = delete;

  // False when the write failed.
  bool write(const float* frames, std::size_t count);
  bool close();

 private:
  SNDFILE* file_;
  int channels_;
  const int* order_;  // source channel of each file channel, or null
  float reordered_[6 * 512];
};
