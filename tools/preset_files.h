#pragma once
// Preset files: reading and checking saved records before the engine sees
// them, so a bad file is refused with its reason.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/synth.h"

// A saved record of engine k, checked the way the engine's loader checks it.
std::vector<uint8_t> read_preset_file(const synth_kind& k, const std::string& path);

// Loads a saved record into the engine.
void apply_preset_file(synth_instance& s, const std::string& path);
