// ostrelle_docs: writes docs/parameters.md and docs/presets.md from the
// parameter tables, the plug-ins' host tables, the factory banks with their
// descriptions, and renders of every preset; --check compares instead of
// writing, so a stale document fails the test suite.
//
//   ostrelle_docs docs                 # rewrite both documents
//   ostrelle_docs --check docs         # exit 1 and show the first difference
//   ostrelle_docs --only parameters --check docs

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/parameter_notes.h"
#include "engine/preset_descriptions.h"
#include "fmod_studio/pluvessa_host_params.h"
#include "fmod_studio/vantora_host_params.h"
#include "tools/preset_levels.h"
#include "tools/synth.h"

namespace {

// How long each preset renders for the level figures, and how much of the
// start is counted apart (the start of a render from a fresh engine swells
// before the automatic controls settle).
constexpr double MEASURE_SECONDS = 20.0;
constexpr double START_SECONDS = 0.5;
// Presets whose peak comes this close to the clip are listed with those that
// reach it.
constexpr double NEAR_CLIP_DB = -1.0;

struct layout_column {
  const char* name;
  uint32_t mask;
};
constexpr layout_column LAYOUTS[] = {
    {"Mono", 0x80000}, {"Stereo", 0x3}, {"Quad", 0x33}, {"5.1", 0x3F}};
constexpr std::size_t STEREO = 1;
constexpr std::size_t LAYOUT_COUNT = sizeof LAYOUTS / sizeof LAYOUTS[0];

struct engine_doc {
  const char* title;   // section title
  const char* short_name;  // "wind", "rain": the engine name of the tools
  const char* plugin;  // the plug-in's name in FMOD Studio
  const host_param* host;
  int host_count;
  const synth_kind* kind;
};

std::vector<engine_doc> engines() {
  const synth_kind* wind = synth_find("wind");
  const synth_kind* rain = synth_find("rain");
  if (!wind || !rain) throw std::runtime_error("engine tables missing");
  return {{"Vantora (wind)", "wind", "Ostrelle Vantora", VANTORA_HOST_PARAMS, 48, wind},
          {"Pluvessa (rain)", "rain", "Ostrelle Pluvessa", PLUVESSA_HOST_PARAMS, 36, rain}};
}

// A number as a reader expects it: up to six significant digits, no
// exponent, no trailing zeros.
std::string num(double v) {
  char b[64];
  std::snprintf(b, sizeof b, "%.6g", v);
  std::string s = b;
  if (s.find('e') != std::string::npos) {
    std::snprintf(b, sizeof b, "%.8f", v);
    s = b;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string db(double v, int decimals) {
  if (std::isinf(v)) return "silent";
  char b[32];
  std::snprintf(b, sizeof b, "%.*f", decimals, v);
  std::string s = b;
  if (s.find_first_not_of("-0.") == std::string::npos) s = decimals ? "0.0" : "0";
  return s;
}

std::string with_unit(const std::string& value, const char* unit) {
  if (!unit || !*unit) return value;
  return std::string(unit) == "%" ? value + " %" : value + " " + unit;
}

std::string name_list(const std::vector<std::string>& names) {
  std::string s;
  for (std::size_t i = 0; i < names.size(); ++i)
    s += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return s;
}

// ---------------------------------------------------------------------------
// parameters.md

// The engine value a new instance starts from (after init, which loads the
// "Silence" preset), read back from the engine itself.
std::vector<float> new_instance_values(const synth_kind& k) {
  synth_instance s(k);
  k.init(s.engine(), 48000.0f);
  std::vector<float> v(k.param_count);
  for (uint32_t i = 0; i < k.param_count; ++i) v[i] = s.get(static_cast<int>(i));
  return v;
}

const char* mapping_of(const host_param& p, const parameter_info* row) {
  switch (p.conversion) {
    case CONV_DB:
      return row && row->kind == KIND_UNIT ? "10^(dB/20), at most 1; -80 dB and below: 0"
                                           : "10^(dB/20), not clamped; -80 dB and below: 0";
    case CONV_PERCENT:
      return "percent / 100";
    case CONV_NONE:
      return "the same number";
    case CONV_CHOICE:
      return "the same index";
    case CONV_FORMAT:
      return "output channels: Mono 1, Stereo 2, Quad 4, 5.1 6";
  }
  return "";
}

void write_parameter_table(std::ostream& o, const engine_doc& e) {
  const synth_kind& k = *e.kind;
  const std::vector<float> fresh = new_instance_values(k);
  const uint32_t gain = k.param_count - 1;

  // Every engine parameter is driven by exactly one plug-in parameter.
  std::vector<int> driven(k.param_count, 0);
  for (int h = 0; h < e.host_count; ++h) {
    const int ei = e.host[h].engine_index;
    if (ei >= 0 && static_cast<uint32_t>(ei) < k.param_count) ++driven[ei];
    if (ei == ENGINE_INDEX_GAIN) ++driven[gain];
  }
  for (uint32_t i = 0; i < k.param_count; ++i)
    if (driven[i] != 1)
      throw std::runtime_error(std::string(e.plugin) + ": engine parameter " +
                               k.table[i].key + " is driven by " + std::to_string(driven[i]) +
                               " plug-in parameters");

  std::string group;
  for (int h = 0; h < e.host_count; ++h) {
    const host_param& p = e.host[h];
    const int ei = p.engine_index == ENGINE_INDEX_GAIN ? static_cast<int>(gain) : p.engine_index;
    const parameter_info* row = ei >= 0 ? &k.table[ei] : nullptr;
    const std::string g = row ? row->group : "Output";
    if (g != group) {
      group = g;
      o << "\n### " << group << "\n\n"
        << "| Plug-in parameter | Key | Plug-in range (default) | Engine range (new instance) "
           "| Plug-in to engine | What it does |\n"
        << "|---|---|---|---|---|---|\n";
    }
    std::string plugin = std::to_string(h) + " \"" + p.name + "\"";
    if (*p.label) plugin += " (" + std::string(p.label) + ")";

    std::string host_range, engine_range, key = "(none)", note;
    if (p.type == FMOD_DSP_PARAMETER_TYPE_FLOAT) {
      host_range = with_unit(num(p.min) + " to " + num(p.max), p.label) + " (" + num(p.def) + ")";
    } else {
      host_range = num(p.min) + " to " + num(p.max) + " (" + num(p.def) + ", \"" +
                   p.value_names[static_cast<int>(p.def)] + "\")";
    }
    if (row) {
      key = "`" + std::string(row->key) + "` [" + std::to_string(ei) + "]";
      const std::string value = num(fresh[ei]);
      engine_range = with_unit(num(row->min) + " to " + num(row->max), row->unit);
      if (row->kind == KIND_GAIN) engine_range += ", not clamped";
      engine_range += " (" + value + ")";
      note = parameter_note_of(k.table, static_cast<uint32_t>(ei));
    } else {
      engine_range = "output channel count (2)";
      note = "Speaker setup of the instance's output: the layout the engine renders and the "
             "channel count FMOD receives.";
    }
    o << "| " << plugin << " | " << key << " | " << host_range << " | " << engine_range << " | "
      << mapping_of(p, row) << " | " << note << " |\n";
  }
}

// The choice lists: the plug-in's names and, where they differ, the engine's.
void write_choices(std::ostream& o, const engine_doc& e) {
  struct list {
    const char* const* host;
    const char* const* engine;
    int count;
    std::vector<std::string> users;
  };
  std::vector<list> lists;
  for (int h = 0; h < e.host_count; ++h) {
    const host_param& p = e.host[h];
    if (p.type != FMOD_DSP_PARAMETER_TYPE_INT) continue;
    const char* const* engine_names =
        p.engine_index >= 0 ? e.kind->table[p.engine_index].choice_names : nullptr;
    auto it = std::find_if(lists.begin(), lists.end(),
                           [&](const list& l) { return l.host == p.value_names; });
    if (it == lists.end()) {
      lists.push_back({p.value_names, engine_names, static_cast<int>(p.max - p.min) + 1, {}});
      it = lists.end() - 1;
    }
    it->users.push_back("\"" + std::string(p.name) + "\"");
  }
  o << "\n### Choices\n";
  for (const list& l : lists) {
    o << "\n";
    for (std::size_t i = 0; i < l.users.size(); ++i) o << (i ? ", " : "") << l.users[i];
    o << ":\n\n| Index | Plug-in name | Engine name |\n|---|---|---|\n";
    for (int i = 0; i < l.count; ++i) {
      const std::string hn = l.host[i];
      const std::string en = l.engine ? l.engine[i] : "";
      o << "| " << i << " | " << hn << " | "
        << (l.engine ? (en == hn ? "(same)" : en) : "(plug-in only)") << " |\n";
    }
  }
}

// Whether the default FMOD Studio shows differs from what a new instance
// plays by more than the shown figure's rounding: a twentieth of a dB for
// levels, half a unit of the last shown digit for percent and Hz (defaults
// are shown as whole numbers there).
bool shown_default_differs(const host_param& p, const synth_kind& k,
                           const std::vector<float>& fresh) {
  if (p.engine_index == ENGINE_INDEX_FORMAT) return false;
  const uint32_t ei = p.engine_index == ENGINE_INDEX_GAIN ? k.param_count - 1
                                                          : static_cast<uint32_t>(p.engine_index);
  const double actual = fresh[ei];
  switch (p.conversion) {
    case CONV_DB: {
      double shown = std::max(static_cast<double>(p.def), -80.0);
      if (k.table[ei].kind == KIND_UNIT) shown = std::min(shown, 0.0);
      const double actual_db = actual <= 0.0 ? -80.0 : 20.0 * std::log10(actual);
      return std::fabs(shown - actual_db) > 0.05;
    }
    case CONV_PERCENT:
      return std::fabs(p.def - 100.0 * actual) > 0.5 + 1e-6;
    default:
      return std::fabs(p.def - actual) > 0.5 + 1e-6;
  }
}

void write_parameters(std::ostream& o) {
  o << R"md(# Parameters

<!-- Generated by ostrelle_docs from the parameter tables (engine/), the
plug-ins' host tables (fmod_studio/) and the notes beside them
(engine/parameter_notes.cpp); edit those and run `build/tools/ostrelle_docs docs`. -->

Every sound parameter exists twice: as a plug-in parameter that FMOD Studio shows
and automates, in host units (dB, percent, Hz, choices), and as an engine
parameter in natural units (linear gains, fractions 0 to 1, Hz, choice
indices), named by its key. The plug-in converts one into the other. The keys
are what `ostrelle render --set KEY=VALUE` and `ostrelle params` use, and the
rain library's C interface names its functions after them
(`pluvessa_set_rumble_level`; the engine index is the `PLUVESSA_PARAM_...`
constant of `include/pluvessa.h`).

How plug-in values become engine values:

- dB (levels): the engine value is 10^(dB/20): 0 dB is 1.0, -6 dB about 0.5,
  -80 dB and below 0 (off). Voice levels stop at 1.0 in the engine, so the
  plug-in's range above 0 dB adds nothing; only "GlobalGain", the master gain,
  goes higher (+10 dB is 3.16). Read back, a level shows 20 log10(value), and
  -80 for 0.
- Percent: the engine value is the percentage divided by 100.
- Hz and the other plain numbers: the same number.
- Choices: the same index; the names differ in a few spellings (below).
- "Format" is no engine parameter: it sets the instance's output channel count.

In the tables, "Plug-in range (default)" is what FMOD Studio shows, with the
default it shows for a new instance; "Engine range (new instance)" is the
engine's range with the value a new instance really starts from: the preset
"Silence", read from the engine. The two agree up to the rounding of the
shown default, except for )md";
  std::vector<std::string> differ;
  for (const engine_doc& e : engines()) {
    const std::vector<float> fresh = new_instance_values(*e.kind);
    for (int h = 0; h < e.host_count; ++h)
      if (shown_default_differs(e.host[h], *e.kind, fresh))
        differ.push_back("\"" + std::string(e.host[h].name) + "\" (" + e.short_name + ")");
  }
  o << (differ.empty() ? std::string("none") : name_list(differ))
    << ". An instance plays the engine's value until the host sets the parameter.\n";
  for (const engine_doc& e : engines()) {
    o << "\n## " << e.title << ": \"" << e.plugin << "\"\n";
    write_parameter_table(o, e);
    write_choices(o, e);
  }
}

// ---------------------------------------------------------------------------
// presets.md

const char* const WIND_INTRO = R"md(The wind is built from the global wind speed (automatic swells mixed with a
manual speed), the background flow (a landscape noise shape through a moving
filter), the whistling (a resonant band whose pitch and loudness follow the
wind), the gusts (noise swells on their own envelopes or on the wind speed),
the squalls (a fast flutter) and the LFE, which only sounds in layouts with an
LFE channel. Shapes are named as the plug-in lists them ("Blizzard",
"Sea Low", "Desert", "Woods Far"...). In a Low / Med / High (/ Very_High)
family the wind speed asked for rises (manual speed and swell peak) and every
voice level stays or rises, so each step is louder; the voices that follow
the wind (whistle pitch and loudness, coupled gusts, squalls) grow with it.
Room tones run on a manual speed with little automatic variation and narrow
cuts; Inside presets keep every audible voice under 4 kHz.
)md";

const char* const RAIN_INTRO = R"md(The rain is built from the global rain strength, the rumble (a continuous
band of modulated noise whose density follows the strength when coupled), the
shower (a sparse crackle coloured around its colour frequency), two liquid
drop layers (pitched drops: density, drop colour, viscosity = the speed of the
tone sweep, tone bounds) and the LFE, which only sounds in layouts with an LFE
channel. Only the rumble and the LFE follow the rain strength, so in a Low /
Med / High family the strength asked for, the drop densities and every level
rise together. Inside presets keep the rumble and the shower under 4 kHz.
Drops are short and peaky: their levels are set by their peaks, not their
average level, so the drops stand out of the bed; their peaks are also what
comes closest to the clip (see "Levels and the clip"). The mono layout has no
second drop layer.
)md";

uint32_t record_version(const uint8_t* record) {
  return static_cast<uint32_t>(record[0]) | static_cast<uint32_t>(record[1]) << 8 |
         static_cast<uint32_t>(record[2]) << 16 | static_cast<uint32_t>(record[3]) << 24;
}

std::string category_name(const preset_bank& bank, int32_t id) {
  for (uint32_t i = 0; i < bank.category_count; ++i)
    if (bank.categories[i].id == id) return bank.categories[i].name;
  throw std::runtime_error("preset in unknown category " + std::to_string(id));
}

// The measured levels of every preset of an engine, per layout.
struct bank_levels {
  std::vector<std::array<preset_levels, LAYOUT_COUNT>> presets;
};

bank_levels measure_bank(const synth_kind& k) {
  bank_levels out;
  out.presets.resize(k.bank->preset_count);
  for (uint32_t i = 0; i < k.bank->preset_count; ++i)
    for (std::size_t l = 0; l < LAYOUT_COUNT; ++l)
      out.presets[i][l] =
          measure_preset(k, k.bank->presets[i], LAYOUTS[l].mask, MEASURE_SECONDS, START_SECONDS);
  return out;
}

double peak_db_of(const preset_levels& p) {
  return level_peak_db(p.start.peak > p.rest.peak ? p.start : p.rest);
}

uint64_t clipped_of(const preset_levels& p) { return p.start.clipped + p.rest.clipped; }

// The level printed beside each preset: stereo RMS after the start.
double preset_db(const bank_levels& b, uint32_t i) { return level_rms_db(b.presets[i][STEREO].rest); }


void write_presets(std::ostream& o) {
  const std::vector<engine_doc> all = engines();
  std::vector<bank_levels> levels;
  for (const engine_doc& e : all) levels.push_back(measure_bank(*e.kind));

  // Presets that reach the clip in some layout, for the summary.
  std::vector<std::string> clipping;
  for (std::size_t b = 0; b < all.size(); ++b)
    for (uint32_t i = 0; i < all[b].kind->bank->preset_count; ++i) {
      uint64_t n = 0;
      for (const preset_levels& p : levels[b].presets[i]) n += clipped_of(p);
      if (n > 0)
        clipping.push_back("`" + std::string(all[b].kind->bank->presets[i].name) + "` (" +
                           all[b].short_name + ")");
    }

  o << R"md(# Factory presets

<!-- Generated by ostrelle_docs from the factory banks, the descriptions beside
them (engine/*_preset_descriptions.cpp) and renders of every preset; edit
those and run `build/tools/ostrelle_docs docs`. -->

Both plug-ins ship a factory bank of named presets in categories, listed here
in bank order, one line each: the preset's level, what it evokes and which
parameters carry it. The level is the RMS of a stereo render in dBFS (see
"Levels and the clip" at the end). Loading a preset sets every sound parameter
but the master gain. `ostrelle presets ENGINE NAME` prints a preset's values;
`ostrelle render ENGINE --preset NAME` renders it.
)md";
  // Record versions, read from the records.
  o << "\nFactory records carry the record version 0x00010100, except those of ";
  std::vector<std::string> newer;
  for (const engine_doc& e : all) {
    const preset_bank& bank = *e.kind->bank;
    for (uint32_t c = 0; c < bank.category_count; ++c) {
      bool any = false, all_newer = true;
      for (uint32_t i = 0; i < bank.preset_count; ++i)
        if (bank.presets[i].category == bank.categories[c].id) {
          any = true;
          all_newer = all_newer && record_version(bank.presets[i].record) == 0x00010101u;
        }
      if (any && all_newer)
        newer.push_back("\"" + std::string(bank.categories[c].name) + "\" (" + e.short_name + ")");
    }
  }
  o << name_list(newer) << ", which carry 0x00010101.\n";

  o << "\nWithin " << num(MEASURE_SECONDS) << " s of rendering, "
    << (clipping.empty() ? std::string("no preset reaches")
                         : name_list(clipping) + (clipping.size() == 1 ? " reaches" : " reach"))
    << " the output clip in at least one layout; the others stay below it (see \"Levels and the "
       "clip\" at the end).\n";

  for (std::size_t b = 0; b < all.size(); ++b) {
    const engine_doc& e = all[b];
    const preset_bank& bank = *e.kind->bank;
    o << "\n## " << e.title << ", " << bank.preset_count << " presets\n\n"
      << (b == 0 ? WIND_INTRO : RAIN_INTRO);
    int32_t category = -1;
    for (uint32_t i = 0; i < bank.preset_count; ++i) {
      const factory_preset& p = bank.presets[i];
      if (p.category != category) {
        category = p.category;
        o << "\n### " << category_name(bank, category) << "\n\n";
      }
      const char* text = preset_description_of(bank, i);
      if (!text) throw std::runtime_error(std::string("no description for ") + p.name);
      o << "- `" << p.name << "` (" << db(preset_db(levels[b], i), 0) << " dBFS): " << text
        << "\n";
    }
  }

  o << "\n## Levels and the clip\n\n"
    << "The output stage clips hard at -1 and +1 (0 dBFS). The figures here are measured by "
       "rendering every preset with the engine for "
    << num(MEASURE_SECONDS)
    << " s at 48 kHz in blocks of 512 frames, from a freshly initialised engine with the preset "
       "loaded, as `ostrelle render --preset NAME` renders it, in each of the plug-in's four "
       "layouts. Levels are RMS over all channels after the first "
    << num(START_SECONDS)
    << " s, in dBFS; the first half second is counted apart, because the automatic controls "
       "swell higher right after an engine starts.\n";

  o << "\nLevels by category (stereo):\n\n| Engine | Category | Presets | Level (dBFS) |\n"
    << "|---|---|---|---|\n";
  for (std::size_t b = 0; b < all.size(); ++b) {
    const preset_bank& bank = *all[b].kind->bank;
    for (uint32_t c = 0; c < bank.category_count; ++c) {
      double lo = 0.0, hi = -1e9;
      int n = 0;
      for (uint32_t i = 0; i < bank.preset_count; ++i)
        if (bank.presets[i].category == bank.categories[c].id) {
          const double d = preset_db(levels[b], i);
          lo = n ? std::min(lo, d) : d;
          hi = std::max(hi, d);
          ++n;
        }
      if (n == 0) continue;
      o << "| " << all[b].short_name << " | " << bank.categories[c].name << " | " << n << " | "
        << (n == 1 ? db(lo, 0) : db(lo, 0) + " to " + db(hi, 0)) << " |\n";
    }
  }

  o << "\nPresets that reach the clip or come within " << num(-NEAR_CLIP_DB)
    << " dB of it in some layout. A cell gives the number of samples at the clip over the "
       "whole render (of "
    << num(MEASURE_SECONDS * 48000.0)
    << " per channel), with those of the first half second in brackets, or, below the clip, the "
       "peak in dBFS:\n\n| Preset |";
  for (const layout_column& l : LAYOUTS) o << " " << l.name << " |";
  o << "\n|---|";
  for (std::size_t l = 0; l < LAYOUT_COUNT; ++l) o << "---|";
  o << "\n";
  double best_peak = -1e9;
  std::string best_where;
  for (std::size_t b = 0; b < all.size(); ++b) {
    const preset_bank& bank = *all[b].kind->bank;
    for (uint32_t i = 0; i < bank.preset_count; ++i) {
      double top = -1e9;
      uint64_t clipped = 0;
      for (std::size_t l = 0; l < LAYOUT_COUNT; ++l) {
        top = std::max(top, peak_db_of(levels[b].presets[i][l]));
        clipped += clipped_of(levels[b].presets[i][l]);
      }
      if (clipped == 0 && top < NEAR_CLIP_DB) {
        for (std::size_t l = 0; l < LAYOUT_COUNT; ++l) {
          const double pk = peak_db_of(levels[b].presets[i][l]);
          if (pk > best_peak) {
            best_peak = pk;
            best_where = "`" + std::string(bank.presets[i].name) + "`, " + all[b].short_name +
                         ", " + LAYOUTS[l].name;
          }
        }
        continue;
      }
      o << "| `" << bank.presets[i].name << "` (" << all[b].short_name << ") |";
      for (std::size_t l = 0; l < LAYOUT_COUNT; ++l) {
        const preset_levels& p = levels[b].presets[i][l];
        const uint64_t n = clipped_of(p);
        if (n > 0)
          o << " " << n << " (" << p.start.clipped << ") |";
        else
          o << " " << db(peak_db_of(p), 1) << " |";
      }
      o << "\n";
    }
  }
  o << "\nEvery other preset peaks at " << db(best_peak, 1) << " dBFS or lower (the highest: "
    << best_where << ")."
    << R"md( The drops and the automatic swells are random, so a longer render
can touch the clip where this one did not, most likely in the presets listed
above. For headroom, lower the master gain ("GlobalGain", `global_gain`): the
clip comes after it.
)md";
}

// ---------------------------------------------------------------------------

struct document {
  const char* name;
  std::function<void(std::ostream&)> write;
};

// The first line where two texts differ (1-based), or 0 if they are equal.
std::size_t first_difference(const std::string& a, const std::string& b, std::string* la,
                             std::string* lb) {
  std::istringstream sa(a), sb(b);
  std::size_t line = 0;
  while (true) {
    ++line;
    std::string x, y;
    const bool ga = static_cast<bool>(std::getline(sa, x));
    const bool gb = static_cast<bool>(std::getline(sb, y));
    if (!ga && !gb) return 0;
    if (!ga || !gb || x != y) {
      *la = ga ? x : "(end of file)";
      *lb = gb ? y : "(end of file)";
      return line;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Writes docs/parameters.md and docs/presets.md from the tables, banks and renders"};
  std::string dir;
  bool check = false;
  std::string only;
  app.add_option("dir", dir, "the documents' folder (docs)")->required();
  app.add_flag("--check", check, "compare with the files instead of writing them; exit 1 if stale");
  app.add_option("--only", only, "one document: parameters or presets")
      ->check(CLI::IsMember({"parameters", "presets"}));
  CLI11_PARSE(app, argc, argv);

  const document docs[] = {{"parameters", write_parameters}, {"presets", write_presets}};
  int status = 0;
  try {
    for (const document& d : docs) {
      if (!only.empty() && only != d.name) continue;
      const std::string path = dir + "/" + d.name + ".md";
      std::ostringstream text;
      d.write(text);
      if (check) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream committed;
        committed << in.rdbuf();
        std::string was, now;
        const std::size_t line = first_difference(committed.str(), text.str(), &was, &now);
        if (!in || line != 0) {
          std::cerr << path << " is out of date"
                    << (in ? " at line " + std::to_string(line) : std::string(": cannot read it"))
                    << "\n  file:      " << was << "\n  generated: " << now
                    << "\nRegenerate it with: ostrelle_docs " << dir << "\n";
          status = 1;
        }
      } else {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text.str();
        if (!out.flush()) throw std::runtime_error("cannot write " + path);
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "ostrelle_docs: " << e.what() << "\n";
    return 2;
  }
  return status;
}
