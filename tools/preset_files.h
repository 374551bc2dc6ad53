#pragma once
// Preset files in two forms: the engines' binary records, and text of
// KEY VALUE lines (one parameter a line, '#' starts a comment) that can live
// in version control and be diffed. A file meant for one engine but made for
// the other is refused naming the engine it belongs to.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/param_values.h"
#include "tools/synth.h"

struct preset_file {
  const synth_kind* kind;          // the engine it belongs to
  std::vector<uint8_t> record;     // a binary record, checked as the engine checks it
  std::vector<assignment> values;  // or the text form's lines, values checked like --set
};

// Reads a preset file for the expected engine, or (null) for whichever
// engine it belongs to.
preset_file read_preset_file(const std::string& path, const synth_kind* expected);

// The same from a file's bytes; where leads every message ("preset file
// 'x': ").
preset_file parse_preset_file(const std::string& where, const std::string& bytes,
                              const synth_kind* expected);

// KEY VALUE lines of every parameter but the master gain, as the engine
// holds them, in index order; each value reads back exactly.
std::string preset_text(const synth_instance& s);
