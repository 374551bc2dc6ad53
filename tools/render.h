#pragma once
// The render command: an engine at the requested settings, written to a
// sound file or to standard output.

#include <string>
#include <vector>

#include "tools/param_values.h"
#include "tools/preset_files.h"
#include "tools/synth.h"

struct render_options {
  std::string engine, out, preset, load_preset, format = "stereo", encoding;
  std::vector<std::string> sets, automations;
  double seconds = 10.0;
  int rate = 48000;
  int block = 512;
  bool quiet = false;
};

int run_render(const render_options& o);

// Brings the engine to the requested parameters: a factory preset, then a
// preset file, then the settings, each over the one before. Whatever path
// leads to the same values, the engine ends up freshly initialised with
// exactly one preset load, so equal settings give equal renders.
void set_up(synth_instance& s, int rate, const std::string& preset, const preset_file* file,
            const std::vector<assignment>& sets);
