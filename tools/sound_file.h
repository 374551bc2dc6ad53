#pragma once
// Channel layouts and the sound-file formats the renderer writes.

#include <cstdint>
#include <string>

struct layout_choice {
  const char* name;
  int32_t mask;  // the engines' layout code
  int channels;
};

const layout_choice& layout_named(const std::string& name);

// libsndfile format for a path and an encoding ("" for the container's
// default), checked against the channel count and rate.
int sound_format(const std::string& path, const std::string& encoding, int channels, int rate);
