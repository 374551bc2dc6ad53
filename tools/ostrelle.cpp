// ostrelle: renders the Vantora wind and Pluvessa rain engines to audio
// files, lists and saves presets, and documents the parameters.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tools/lookup.h"
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
    for (uint32_t c = 0; c < bank.category_count; ++c) {
      const preset_category& cat = bank.categories[c];
      std::printf("%s\n", cat.name);
      for (uint32_t i = 0; i < bank.preset_count; ++i)
        if (bank.presets[i].category == cat.id) std::printf("  %s\n", bank.presets[i].name);
    }
    return 0;
  }
  const factory_preset& p = preset_named(k, name);
  synth_instance s(k);
  k.init(s.engine(), 48000.0f);
  k.load_preset(s.engine(), p.record);
  for (uint32_t i = 0; i + 1 < k.param_count; ++i)
    std::printf("%s %s\n", k.table[i].key,
                format_value(k.table[i], s.get(static_cast<int>(i))).c_str());
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

int run_preset_save(const std::string& engine, const std::string& out, const std::string& preset,
                    const std::vector<std::string>& set_texts) {
  const synth_kind& k = engine_named(engine);
  std::vector<assignment> sets;
  for (const auto& s : set_texts) sets.push_back(parse_set(k, s));
  synth_instance s(k);
  set_up(s, 48000, preset, "", sets);
  std::vector<uint8_t> record(k.preset_size);
  k.save_preset(s.engine(), record.data());
  atomic_output file(out);
  {
    std::ofstream f(file.temp(), std::ios::binary);
    if (!f) throw tool_error("cannot write '" + out + "': " + std::strerror(errno));
    f.write(reinterpret_cast<const char*>(record.data()),
            static_cast<std::streamsize>(record.size()));
    if (!f.flush()) throw tool_error("cannot write '" + out + "': write failed");
  }
  file.commit();
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
  render->add_option("-o,--output", r.out, "Output file (.wav, .flac, .ogg, ...), or - for raw "
                                           "32-bit float on standard output")
      ->required();
  render->add_option("--preset", r.preset, "Factory preset name (default: Silence)");
  render->add_option("--set", r.sets, "KEY=VALUE, natural units (repeatable)")
      ->allow_extra_args(false);
  render->add_option("--automate", r.automations,
                     "KEY=T:V,T:V,... linear moves between times in seconds (repeatable)")
      ->allow_extra_args(false);
  render->add_option("--seconds", r.seconds, "Duration in seconds (default 10)");
  render->add_option("--rate", r.rate, "Sample rate in Hz, 8000..384000 (default 48000)");
  render->add_option("--layout,--format", r.format,
                     "Channel layout: mono, stereo, quad or 5.1 (default stereo)");
  render->add_option("--block", r.block, "Frames per engine call, 1..16384 (default 512)");
  render->add_option("--encoding", r.encoding, "float, pcm16 or pcm24 (default float; pcm24 for FLAC)");
  render->add_option("--load-preset", r.load_preset, "Apply a saved preset record first");
  render->add_flag("--quiet", r.quiet, "No progress bar and no summary");

  std::string presets_engine, presets_name;
  auto* presets = app.add_subcommand("presets", "List the factory presets, or print one");
  presets->add_option("engine", presets_engine, "wind or rain")->required();
  presets->add_option("name", presets_name, "Preset to print as KEY VALUE lines");

  std::string params_engine;
  auto* params = app.add_subcommand("params", "List every parameter with range and default");
  params->add_option("engine", params_engine, "wind or rain")->required();

  auto* preset = app.add_subcommand("preset", "Work with preset records");
  preset->require_subcommand(1);
  std::string save_engine, save_out, save_preset;
  std::vector<std::string> save_sets;
  auto* save = preset->add_subcommand("save", "Write a binary preset record");
  save->add_option("engine", save_engine, "wind or rain")->required();
  save->add_option("-o,--output", save_out, "Output file")->required();
  save->add_option("--preset", save_preset, "Start from this factory preset");
  save->add_option("--set", save_sets, "KEY=VALUE, natural units (repeatable)")
      ->allow_extra_args(false);

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

  try {
    if (*render) return run_render(r);
    if (*presets) return run_presets(presets_engine, presets_name);
    if (*params) return run_params(params_engine);
    if (*save) return run_preset_save(save_engine, save_out, save_preset, save_sets);
  } catch (const tool_error& e) {
    std::fprintf(stderr, "ostrelle: %s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ostrelle: %s\n", e.what());
    return 1;
  }
  return 0;
}
