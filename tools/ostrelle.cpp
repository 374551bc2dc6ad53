// ostrelle: renders the Vantora wind and Pluvessa rain engines to audio
// files, lists and saves presets, and documents the parameters.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/preset_descriptions.h"
#include "tools/lookup.h"
#include "tools/names.h"
#include "tools/preset_files.h"
#include "tools/param_values.h"
#include "tools/render.h"
#include "tools/safe_output.h"
#include "tools/synth.h"
#include "tools/tool_error.h"

namespace {

constexpr const char* VERSION_TEXT =
    "ostrelle 1.1.1 (Vantora v1.1 b6686, Pluvessa v1.1 b6686)";

int run_presets(const std::string& engine, const std::string& name) {
  const synth_kind& k = engine_named(engine);
  const preset_bank& bank = *k.bank;
  if (name.empty()) {
    // Each category, then its presets with their descriptions in a column.
    int width = 0;
    for (uint32_t i = 0; i < bank.preset_count; ++i)
      width = std::max(width, static_cast<int>(std::strlen(bank.presets[i].name)));
    for (uint32_t c = 0; c < bank.category_count; ++c) {
      const preset_category& cat = bank.categories[c];
      std::printf("%s\n", cat.name);
      for (uint32_t i = 0; i < bank.preset_count; ++i) {
        if (bank.presets[i].category != cat.id) continue;
        const char* about = preset_description_of(bank, i);
        std::printf("  %-*s  %s\n", width, bank.presets[i].name, about ? about : "");
      }
    }
    return 0;
  }
  const factory_preset& p = preset_named(k, name);
  synth_instance s(k);
  k.init(s.engine(), 48000.0f);
  k.load_preset(s.engine(), p.record);
  std::fputs(preset_text(s).c_str(), stdout);
  return 0;
}

int run_params(const std::string& engine) {
  const synth_kind& k = engine_named(engine);
  for (uint32_t i = 0; i < k.param_count; ++i) {
    const parameter_info& p = k.table[i];
    std::string range = format_value(p, p.min) + ".." + format_value(p, p.max);
    if (p.type == PARAM_CHOICE) {
      range += " (";
      for (int c = 0; c < p.choice_count; ++c)
        range += std::to_string(c) + " " + p.choice_names[c] + (c + 1 < p.choice_count ? ", " : "");
      range += ")";
    }
    std::printf("%-45s %s, default %s%s%s: %s\n", p.key, range.c_str(),
                format_value(p, p.def).c_str(), *p.unit ? " " : "", p.unit, p.description);
  }
  return 0;
}

struct preset_save_options {
  std::string engine, out, preset, load_preset;
  std::vector<std::string> sets;
};

// Writes a binary record, or the text form when the file name ends in .txt.
int run_preset_save(const preset_save_options& o) {
  const synth_kind& k = engine_named(o.engine);
  std::vector<assignment> sets;
  for (const auto& s : o.sets) sets.push_back(parse_set(k, s));
  preset_file file{};
  if (!o.load_preset.empty()) file = read_preset_file(o.load_preset, &k);
  synth_instance s(k);
  set_up(s, 48000, o.preset, o.load_preset.empty() ? nullptr : &file, sets);
  std::string bytes;
  if (o.out.size() > 4 && name_fold(o.out.substr(o.out.size() - 4)) == ".txt") {
    bytes = preset_text(s);
  } else {
    bytes.resize(k.preset_size);
    k.save_preset(s.engine(), bytes.data());
  }
  atomic_output out(o.out);
  {
    std::ofstream f(out.temp(), std::ios::binary);
    if (!f) throw tool_error("cannot write '" + o.out + "': " + std::strerror(errno));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f.flush()) throw tool_error("cannot write '" + o.out + "': write failed");
  }
  out.commit();
  return 0;
}

// Prints the preset a file makes on a new instance, as KEY VALUE lines.
int run_preset_show(const std::string& path, const std::string& engine) {
  const preset_file file =
      read_preset_file(path, engine.empty() ? nullptr : &engine_named(engine));
  synth_instance s(*file.kind);
  set_up(s, 48000, "", &file, {});
  std::printf("# %s preset, from a %s\n", file.kind->name,
              file.record.empty() ? "text file" : "binary record");
  std::fputs(preset_text(s).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Ostrelle: procedural wind (Vantora) and rain (Pluvessa) to audio files.",
               "ostrelle"};
  app.set_version_flag("--version", VERSION_TEXT);
  app.require_subcommand(1);

  render_options r;
  auto* render = app.add_subcommand("render", "Render an engine to an audio file");
  render->add_option("engine", r.engine, "wind or rain")->required();
  render->add_option("-o,--output", r.out, "Output file (.wav, .w64, .aiff, .caf, .flac, .ogg), or - for raw "
                                           "samples of the encoding on standard output")
      ->required();
  render->add_option("--preset", r.preset, "Factory preset name (default: Silence)");
  render->add_option("--set", r.sets, "KEY=VALUE, natural units (repeatable)")
      ->allow_extra_args(false);
  render->add_option("--automate", r.automations,
                     "KEY=T:V,T:V,... linear moves between times in seconds (repeatable)")
      ->allow_extra_args(false);
  auto* seconds = render->add_option("--seconds", r.seconds, "Duration in seconds (default 10)");
  render->add_option("--rate", r.rate, "Sample rate in Hz, 8000..384000 (default 48000)");
  render->add_option("--layout,--format", r.layout,
                     "Channel layout: mono, stereo, quad or 5.1 (default stereo)");
  render->add_option("--block", r.block, "Frames per engine call, 1..16384 (default 512)");
  render->add_option("--encoding", r.encoding, "float, pcm16 or pcm24 (default float; pcm24 for FLAC)");
  render->add_option("--load-preset", r.load_preset,
                     "Apply a preset file (binary record or KEY VALUE text) after --preset");
  auto* loudness = render->add_option(
      "--loudness", r.loudness,
      "Normalise to this integrated loudness in LUFS (EBU R128), refused if the true peak "
      "would pass -1 dBTP");
  render->add_option("--fade-in", r.fade_in, "Fade in over so many seconds");
  render->add_option("--fade-out", r.fade_out, "Fade out over so many seconds");
  auto* loop = render->add_option("--loop", r.loop,
                     "Write a loop of so many seconds that repeats without a seam "
                     "(instead of --seconds)");
  auto* crossfade = render->add_option("--crossfade", r.crossfade,
                     "The loop's crossfade in seconds (default a quarter of the loop, at most 2)");
  render->add_option("--seed", r.seed,
                     "Another take of the same settings: other random draws (default 0, the "
                     "engines' own)");
  render->add_option("--takes", r.takes,
                     "Write so many takes, NAME-1.EXT ..., seeds --seed, --seed + 1, ...");
  render->add_flag("--no-clobber", r.no_clobber, "Refuse to replace an existing file");
  render->add_flag("--quiet", r.quiet, "No progress bar, notes or report");

  std::string presets_engine, presets_name;
  auto* presets = app.add_subcommand(
      "presets", "List the factory presets with their descriptions, or print one");
  presets->add_option("engine", presets_engine, "wind or rain")->required();
  presets->add_option("name", presets_name, "Preset to print as KEY VALUE lines");

  std::string params_engine;
  auto* params = app.add_subcommand("params", "List every parameter with range and default");
  params->add_option("engine", params_engine, "wind or rain")->required();

  auto* preset = app.add_subcommand("preset", "Work with preset files");
  preset->require_subcommand(1);
  preset_save_options ps;
  auto* save = preset->add_subcommand(
      "save", "Write a preset file: a binary record, or KEY VALUE text for a .txt name");
  save->add_option("engine", ps.engine, "wind or rain")->required();
  save->add_option("-o,--output", ps.out, "Output file")->required();
  save->add_option("--preset", ps.preset, "Start from this factory preset");
  save->add_option("--load-preset", ps.load_preset, "Then apply this preset file");
  save->add_option("--set", ps.sets, "KEY=VALUE, natural units (repeatable)")
      ->allow_extra_args(false);
  std::string show_path, show_engine;
  auto* show = preset->add_subcommand(
      "show", "Print the preset a file (binary record or text) makes, as KEY VALUE lines");
  show->add_option("file", show_path, "Preset file")->required();
  show->add_option("--engine", show_engine, "wind or rain, for text naming only shared keys");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "ostrelle: %s\n", e.what());
    return 2;
  }

  r.seconds_given = seconds->count() > 0;
  r.normalise = loudness->count() > 0;
  r.loop_given = loop->count() > 0;
  r.crossfade_given = crossfade->count() > 0;
  try {
    if (*render) return run_render(r);
    if (*presets) return run_presets(presets_engine, presets_name);
    if (*params) return run_params(params_engine);
    if (*save) return run_preset_save(ps);
    if (*show) return run_preset_show(show_path, show_engine);
  } catch (const tool_error& e) {
    std::fprintf(stderr, "ostrelle: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ostrelle: %s\n", e.what());
    return 1;
  }
  return 0;
}
