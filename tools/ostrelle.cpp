// ostrelle: renders the Vantora wind and Pluvessa rain engines to audio
// files, lists and saves presets, and documents the parameters.

#include <sndfile.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/frame.h"
#include "tools/synth.h"

namespace {

constexpr const char* VERSION_TEXT =
    "ostrelle 1.1.1 (Vantora v1.1 b6686, Pluvessa v1.1 b6686)";

// A failure with a one-line message for the user.
struct tool_error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const synth_kind& engine_named(const std::string& name) {
  const synth_kind* k = synth_find(name);
  if (!k) throw tool_error("unknown engine '" + name + "' (expected wind or rain)");
  return *k;
}

float parse_number(const std::string& text, const std::string& what) {
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE)
    throw tool_error(what + ": '" + text + "' is not a number");
  if (!std::isfinite(v) || !std::isfinite(static_cast<float>(v)))
    throw tool_error(what + ": '" + text + "' is not a finite number");
  return static_cast<float>(v);
}

int param_index(const synth_kind& k, const std::string& key) {
  const int i = synth_param_index(k, key);
  if (i < 0)
    throw tool_error("unknown parameter '" + key + "' for the " + std::string(k.name) +
                     " engine (see 'ostrelle params " + k.name + "')");
  return i;
}

struct assignment {
  int index;
  float value;
};

assignment parse_set(const synth_kind& k, const std::string& text) {
  const auto eq = text.find('=');
  if (eq == std::string::npos) throw tool_error("--set '" + text + "': expected KEY=VALUE");
  const int i = param_index(k, text.substr(0, eq));
  return {i, parse_number(text.substr(eq + 1), "--set " + text.substr(0, eq))};
}

// A parameter moved linearly between time points, held outside them.
struct automation {
  int index;
  std::vector<std::pair<double, float>> points;  // seconds, value

  float at(double t) const {
    if (t <= points.front().first) return points.front().second;
    if (t >= points.back().first) return points.back().second;
    for (std::size_t i = 1; i < points.size(); ++i) {
      if (t <= points[i].first) {
        const auto& [t0, v0] = points[i - 1];
        const auto& [t1, v1] = points[i];
        const double a = (t - t0) / (t1 - t0);
        return static_cast<float>(v0 + (v1 - v0) * a);
      }
    }
    return points.back().second;
  }
};

automation parse_automation(const synth_kind& k, const std::string& text) {
  const auto eq = text.find('=');
  if (eq == std::string::npos)
    throw tool_error("--automate '" + text + "': expected KEY=T:V,T:V,...");
  const std::string key = text.substr(0, eq);
  automation a{param_index(k, key), {}};
  std::string list = text.substr(eq + 1);
  std::size_t start = 0;
  while (start <= list.size()) {
    const auto comma = list.find(',', start);
    const std::string point =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const auto colon = point.find(':');
    if (colon == std::string::npos)
      throw tool_error("--automate " + key + ": point '" + point + "' is not T:V");
    const float t = parse_number(point.substr(0, colon), "--automate " + key + " time");
    const float v = parse_number(point.substr(colon + 1), "--automate " + key + " value");
    if (t < 0.0f) throw tool_error("--automate " + key + ": time " + point + " is negative");
    if (!a.points.empty() && !(t > a.points.back().first))
      throw tool_error("--automate " + key + ": times must increase (" + point + ")");
    a.points.emplace_back(t, v);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return a;
}

const factory_preset& preset_named(const synth_kind& k, const std::string& name) {
  const factory_preset* p = preset_bank_find(*k.bank, name.c_str());
  if (!p)
    throw tool_error("unknown " + std::string(k.name) + " preset '" + name +
                     "' (see 'ostrelle presets " + k.name + "')");
  return *p;
}

// Reads a preset file and says why the engine would reject it.
std::vector<uint8_t> read_preset_file(const synth_kind& k, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw tool_error("cannot read preset file '" + path + "': " + std::strerror(errno));
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  const std::string where = "preset file '" + path + "': ";
  if (bytes.size() < k.preset_size)
    throw tool_error(where + "truncated (" + std::to_string(bytes.size()) + " bytes, a " +
                     k.name + " preset has " + std::to_string(k.preset_size) + ")");
  if (bytes.size() > k.preset_size)
    throw tool_error(where + "wrong size (" + std::to_string(bytes.size()) + " bytes, a " +
                     k.name + " preset has " + std::to_string(k.preset_size) + ")");
  uint32_t version, magic;
  uint64_t size;
  std::memcpy(&version, bytes.data(), 4);
  std::memcpy(&magic, bytes.data() + 4, 4);
  std::memcpy(&size, bytes.data() + 8, 8);
  if ((version & 0xFFFF0000u) != 0x00010000u)
    throw tool_error(where + "unsupported major version " + std::to_string(version >> 16));
  if (((version & 0xFFFFu) - 256u) > 1u)
    throw tool_error(where + "unsupported minor version " + std::to_string(version & 0xFFFFu));
  if (magic != RECORD_MAGIC) throw tool_error(where + "bad magic");
  if (size != k.preset_size && size != k.preset_size + 8u)
    throw tool_error(where + "wrong size field (" + std::to_string(size) + ")");
  return bytes;
}

void apply_preset_file(synth_instance& s, const std::string& path) {
  const std::vector<uint8_t> bytes = read_preset_file(s.kind(), path);
  const int rc = s.kind().load_preset(s.engine(), bytes.data());
  if (rc == ENGINE_UNKNOWN_INDEX)
    throw tool_error("preset file '" + path + "': unknown parameter index");
  if (rc != ENGINE_OK)
    throw tool_error("preset file '" + path + "': rejected (status " + std::to_string(rc) + ")");
}

// Writes a file whole or not at all: into a temporary beside it, renamed at
// the end, removed on failure.
class atomic_output {
 public:
  explicit atomic_output(std::string path)
      : path_(std::move(path)), temp_(temp_name(path_)) {}
  ~atomic_output() {
    if (!committed_) std::remove(temp_.c_str());
  }
  const std::string& temp() const { return temp_; }
  void commit() {
    if (std::rename(temp_.c_str(), path_.c_str()) != 0)
      throw tool_error("cannot write '" + path_ + "': " + std::strerror(errno));
    committed_ = true;
  }

 private:
  static std::string temp_name(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + base + ".part" + std::to_string(::getpid());
  }
  std::string path_, temp_;
  bool committed_ = false;
};

struct layout_choice {
  const char* name;
  int32_t mask;
  int channels;
};

constexpr layout_choice LAYOUTS[] = {
    {"mono", 0x80000, 1}, {"stereo", 0x3, 2}, {"quad", 0x33, 4}, {"5.1", 0x3F, 6}};

const layout_choice& layout_named(const std::string& name) {
  for (const auto& l : LAYOUTS)
    if (name == l.name) return l;
  throw tool_error("unknown format '" + name + "' (expected mono, stereo, quad or 5.1)");
}

std::string lower_extension(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// libsndfile format for a path and an encoding ("" for the container's default).
int sound_format(const std::string& path, const std::string& encoding, int channels, int rate) {
  const std::string ext = lower_extension(path);
  int container = 0;
  if (ext == "wav") container = SF_FORMAT_WAV;
  else if (ext == "w64") container = SF_FORMAT_W64;
  else if (ext == "aif" || ext == "aiff") container = SF_FORMAT_AIFF;
  else if (ext == "caf") container = SF_FORMAT_CAF;
  else if (ext == "flac") container = SF_FORMAT_FLAC;
  else if (ext == "ogg") container = SF_FORMAT_OGG;
  else
    throw tool_error("cannot write '" + path + "': unsupported file extension '" + ext +
                     "' (use .wav, .w64, .aiff, .caf, .flac or .ogg)");
  int subtype = 0;
  if (container == SF_FORMAT_OGG) {
    if (!encoding.empty())
      throw tool_error("cannot write '" + path + "': .ogg holds Vorbis only (drop --encoding)");
    subtype = SF_FORMAT_VORBIS;
  } else if (encoding.empty()) {
    subtype = container == SF_FORMAT_FLAC ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
  } else if (encoding == "float") {
    subtype = SF_FORMAT_FLOAT;
  } else if (encoding == "pcm16") {
    subtype = SF_FORMAT_PCM_16;
  } else if (encoding == "pcm24") {
    subtype = SF_FORMAT_PCM_24;
  } else {
    throw tool_error("unknown encoding '" + encoding + "' (expected float, pcm16 or pcm24)");
  }
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = container | subtype;
  if (!sf_format_check(&info))
    throw tool_error("cannot write '" + path + "': this container does not take encoding '" +
                     (encoding.empty() ? "float" : encoding) + "'");
  return info.format;
}

double to_db(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -INFINITY; }

struct render_options {
  std::string engine, out, preset, load_preset, format = "stereo", encoding;
  std::vector<std::string> sets, automations;
  double seconds = 10.0;
  int rate = 48000;
  int block = 512;
  bool quiet = false;
};

// Shows a bar on a terminal once a render has run for a moment.
class progress {
 public:
  explicit progress(bool enabled) : enabled_(enabled && ::isatty(2)) {}
  void update(double fraction) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::milliseconds(300) ||
        now - last_ < std::chrono::milliseconds(100))
      return;
    last_ = now;
    const int width = 40, filled = static_cast<int>(fraction * width);
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), static_cast<int>(fraction * 100));
    shown_ = true;
  }
  ~progress() {
    if (shown_) std::fprintf(stderr, "\r%60s\r", "");
  }

 private:
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_;
};

// Brings the engine to the requested parameters. Whatever path leads to the
// same values (a factory preset, a saved record, --set), the engine ends up
// freshly initialised with exactly one preset load, so equal settings give
// equal renders.
void set_up(synth_instance& s, int rate, const std::string& preset,
            const std::string& preset_file, const std::vector<assignment>& sets) {
  const synth_kind& k = s.kind();
  if (k.init(s.engine(), static_cast<float>(rate)) != ENGINE_OK)
    throw tool_error("engine rejected sample rate " + std::to_string(rate));
  if (!preset.empty()) k.load_preset(s.engine(), preset_named(k, preset).record);
  if (!preset_file.empty()) apply_preset_file(s, preset_file);
  const int gain = static_cast<int>(k.param_count) - 1;
  for (const assignment& a : sets)
    if (a.index != gain) s.set(a.index, a.value);
  std::vector<uint8_t> record(k.preset_size);
  k.save_preset(s.engine(), record.data());
  k.init(s.engine(), static_cast<float>(rate));
  k.load_preset(s.engine(), record.data());
  for (const assignment& a : sets)
    if (a.index == gain) s.set(a.index, a.value);
}

int run_render(const render_options& o) {
  const synth_kind& k = engine_named(o.engine);
  if (o.rate < 8000 || o.rate > 384000)
    throw tool_error("sample rate " + std::to_string(o.rate) + " Hz is outside 8000..384000");
  if (!(o.seconds > 0.0) || o.seconds > 86400.0)
    throw tool_error("duration must be above 0 and at most 24 hours");
  if (o.block < 1 || o.block > 16384)
    throw tool_error("block size " + std::to_string(o.block) + " is outside 1..16384");
  const layout_choice& layout = layout_named(o.format);
  std::vector<assignment> sets;
  for (const auto& s : o.sets) sets.push_back(parse_set(k, s));
  std::vector<automation> autos;
  for (const auto& a : o.automations) autos.push_back(parse_automation(k, a));
  if (!o.preset.empty()) preset_named(k, o.preset);
  if (!o.load_preset.empty()) read_preset_file(k, o.load_preset);

  const bool to_stdout = o.out == "-";
  const int format = to_stdout ? 0 : sound_format(o.out, o.encoding, layout.channels, o.rate);

  synth_instance s(k);
  set_up(s, o.rate, o.preset, o.load_preset, sets);

  std::unique_ptr<atomic_output> file_out;
  SNDFILE* sf = nullptr;
  if (!to_stdout) {
    file_out = std::make_unique<atomic_output>(o.out);
    SF_INFO info{};
    info.samplerate = o.rate;
    info.channels = layout.channels;
    info.format = format;
    sf = sf_open(file_out->temp().c_str(), SFM_WRITE, &info);
    if (!sf) throw tool_error("cannot write '" + o.out + "': " + sf_strerror(nullptr));
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // No PEAK chunk: it carries the time of writing, and the same command must
    // give the same bytes.
    sf_command(sf, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  }

  const uint64_t total = static_cast<uint64_t>(std::llround(o.seconds * o.rate));
  std::vector<float> buffer(static_cast<std::size_t>(o.block) * layout.channels);
  double sum_squares = 0.0, peak = 0.0;
  progress bar(!o.quiet);
  bool write_failed = false;
  for (uint64_t done = 0; done < total;) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(o.block, total - done));
    const double t = static_cast<double>(done) / o.rate;
    for (const automation& a : autos) s.set(a.index, a.at(t));
    k.process(s.engine(), buffer.data(), layout.mask, n);
    const std::size_t samples = static_cast<std::size_t>(n) * layout.channels;
    for (std::size_t i = 0; i < samples; ++i) {
      const double x = buffer[i];
      sum_squares += x * x;
      peak = std::max(peak, std::fabs(x));
    }
    if (to_stdout) {
      write_failed = std::fwrite(buffer.data(), sizeof(float), samples, stdout) != samples;
    } else {
      write_failed = sf_writef_float(sf, buffer.data(), n) != static_cast<sf_count_t>(n);
    }
    if (write_failed) break;
    done += n;
    bar.update(static_cast<double>(done) / total);
  }
  if (sf && sf_close(sf) != 0) write_failed = true;
  if (write_failed)
    throw tool_error("cannot write '" + o.out + "': " +
                     (to_stdout ? std::string(std::strerror(errno)) : "write failed"));
  if (to_stdout) {
    std::fflush(stdout);
    return 0;
  }
  file_out->commit();
  if (!o.quiet) {
    const double rms = std::sqrt(sum_squares / (static_cast<double>(total) * layout.channels));
    std::printf("%s: %.2f s, %d channel%s, %d Hz, peak %.1f dBFS, RMS %.1f dBFS\n", o.out.c_str(),
                static_cast<double>(total) / o.rate, layout.channels,
                layout.channels == 1 ? "" : "s", o.rate, to_db(peak), to_db(rms));
  }
  return 0;
}

std::string format_value(const parameter_info& p, float v) {
  // Choices as integers; floats in the shortest form that reads back exactly.
  char buf[64];
  const auto r = p.type == PARAM_CHOICE
                     ? std::to_chars(buf, buf + sizeof buf, static_cast<int>(v))
                     : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

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
  render->add_option("--set", r.sets, "KEY=VALUE, natural units (repeatable)");
  render->add_option("--automate", r.automations,
                     "KEY=T:V,T:V,... linear moves between times in seconds (repeatable)");
  render->add_option("--seconds", r.seconds, "Duration in seconds (default 10)");
  render->add_option("--rate", r.rate, "Sample rate in Hz, 8000..384000 (default 48000)");
  render->add_option("--format", r.format, "mono, stereo, quad or 5.1 (default stereo)");
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
  save->add_option("--set", save_sets, "KEY=VALUE, natural units (repeatable)");

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
