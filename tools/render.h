#pragma once
// The render command: an engine at the requested settings, written to sound
// files or to standard output, with what users baking ambience beds expect
// around it: a report of level, loudness and clipping, loudness
// normalisation, fades, seamless loops and other takes of the same settings.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/param_values.h"
#include "tools/preset_files.h"
#include "tools/synth.h"

struct render_options {
  std::string engine, out, preset, load_preset, layout = "stereo", encoding;
  std::vector<std::string> sets, automations;
  double seconds = 10.0;
  bool seconds_given = false;
  int rate = 48000;
  int block = 512;
  bool normalise = false;
  double loudness = -23.0;  // LUFS target when normalising
  double fade_in = 0.0, fade_out = 0.0;
  double loop = 0.0;  // loop length in seconds
  bool loop_given = false;
  double crossfade = 0.0;  // by default a quarter of the loop, at most 2 s
  bool crossfade_given = false;
  uint64_t seed = 0;       // 0: the engines' own sound
  int takes = 1;
  bool quiet = false;
  bool no_clobber = false;
};

int run_render(const render_options& o);

// Brings the engine to the requested parameters: a factory preset, then a
// preset file, then the settings, each over the one before. Whatever path
// leads to the same values, the engine ends up freshly initialised with
// exactly one preset load, so equal settings give equal renders; seed picks
// the take (synth_reseed).
void set_up(synth_instance& s, int rate, const std::string& preset, const preset_file* file,
            const std::vector<assignment>& sets, uint64_t seed = 0);

// The gain of frame j of n under a fade-in and a fade-out of so many frames:
// half a sine period squared (sin^2), from exactly 0 at the first frame and
// back to exactly 0 at the last.
double fade_gain(uint64_t j, uint64_t n, uint64_t fade_in, uint64_t fade_out);

// A loop's crossfade at frame k of c: the weights of the tail running out and
// of the head coming in, cos and sin of a quarter turn, so the power of two
// unrelated signals stays the same throughout.
void crossfade_weights(uint64_t k, uint64_t c, double& tail, double& head);

// The file name of take k (1-based) of count: "bed.wav" stays as it is for a
// single take, else "bed-1.wav" ... "bed-12.wav", numbers padded to the same
// width.
std::string take_path(const std::string& path, int k, int count);
