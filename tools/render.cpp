#include "tools/render.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>

#include "engine/frame.h"
#include "tools/lookup.h"
#include "tools/meter.h"
#include "tools/safe_output.h"
#include "tools/sound_file.h"
#include "tools/tool_error.h"

namespace {

// A bar on standard error while a render runs, when that is a terminal:
// redrawn at most ten times a second, and finished at 100 % on a line of its
// own so that whatever is printed next starts a fresh line.
class progress {
 public:
  explicit progress(bool enabled) : enabled_(enabled && ::isatty(2)) {}
  ~progress() {
    if (drawn_ >= 0) std::fputc('\n', stderr);  // cut short: end the line
  }
  void update(double fraction) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ >= 0 && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    draw(std::min(fraction, 1.0));
  }
  void finish() {
    if (!enabled_) return;
    draw(1.0);
    std::fputc('\n', stderr);
    drawn_ = -1;
    enabled_ = false;
  }

 private:
  void draw(double fraction) {
    const int width = 40, filled = static_cast<int>(fraction * width);
    const int percent = static_cast<int>(fraction * 100);
    if (percent == drawn_) return;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), percent);
    drawn_ = percent;
  }
  bool enabled_;
  int drawn_ = -1;  // percentage on screen, -1 for none
  std::chrono::steady_clock::time_point last_;
};

// A render's settings, checked, in frames.
struct render_plan {
  const synth_kind* kind;
  const layout_choice* layout;
  sound_format format;
  int rate;
  uint32_t block;
  std::string preset;
  preset_file file;
  bool has_file;
  std::vector<assignment> sets;
  std::vector<automation> autos;
  uint64_t frames;     // written
  uint64_t crossfade;  // a loop's crossfade, 0 for a plain render
  uint64_t fade_in, fade_out;
};

// The engine under its automation, called for at most a block of frames at a
// time, each call's automation taken at its first frame.
class engine_stream {
 public:
  engine_stream(const render_plan& p, uint64_t seed) : p_(p), s_(*p.kind) {
    set_up(s_, p.rate, p.preset, p.has_file ? &p.file : nullptr, p.sets, seed);
  }
  void render(float* out, uint32_t n) {
    const double t = static_cast<double>(done_) / p_.rate;
    for (const automation& a : p_.autos) s_.set(a.index, a.at(t));
    p_.kind->process(s_.engine(), out, p_.layout->mask, n);
    done_ += n;
  }

 private:
  const render_plan& p_;
  synth_instance s_;
  uint64_t done_ = 0;
};

// The signal a render writes, block by block. A loop of n frames renders
// c frames more; its first c frames (the head) are set aside, the file
// starts at frame c, and the c frames after frame n are crossfaded into the
// head as the file ends: the end then runs into frame c, the file's start,
// as the engine itself would have. Then fades, then the normalising gain.
class bed_source {
 public:
  bed_source(const render_plan& p, uint64_t seed, double gain)
      : p_(p), engine_(p, seed), gain_(gain) {}

  // The next frames, at most a block; 0 at the end.
  uint32_t next(float* out) {
    const int ch = p_.layout->channels;
    if (at_ == 0 && p_.crossfade > 0) {
      head_.resize(p_.crossfade * ch);
      for (uint64_t d = 0; d < p_.crossfade;) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(p_.block, p_.crossfade - d));
        engine_.render(head_.data() + d * ch, n);
        d += n;
      }
    }
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(p_.block, p_.frames - at_));
    if (n == 0) return 0;
    engine_.render(out, n);
    const uint64_t tail = p_.frames - p_.crossfade;
    const bool shaped = p_.fade_in || p_.fade_out || gain_ != 1.0;
    if (shaped || at_ + n > tail) {
      for (uint32_t i = 0; i < n; ++i) {
        const uint64_t j = at_ + i;
        float* frame = out + static_cast<std::size_t>(i) * ch;
        if (j >= tail) {
          double a, b;
          crossfade_weights(j - tail, p_.crossfade, a, b);
          const float* h = head_.data() + (j - tail) * ch;
          for (int c = 0; c < ch; ++c) frame[c] = static_cast<float>(frame[c] * a + h[c] * b);
        }
        if (shaped) {
          const double g = gain_ * fade_gain(j, p_.frames, p_.fade_in, p_.fade_out);
          for (int c = 0; c < ch; ++c) frame[c] = static_cast<float>(frame[c] * g);
        }
      }
    }
    at_ += n;
    return n;
  }

 private:
  const render_plan& p_;
  engine_stream engine_;
  double gain_;
  uint64_t at_ = 0;
  std::vector<float> head_;
};

uint64_t frames_of(double seconds, int rate) {
  return static_cast<uint64_t>(std::llround(seconds * rate));
}

std::string seconds_text(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, std::fabs(s) < 1e7 ? "%.2f s" : "%.3g s", s);
  return buf;
}

std::string db_text(double db) {
  char buf[32];
  std::snprintf(buf, sizeof buf, std::isfinite(db) ? "%+.1f" : "-inf", db);
  return buf;
}

render_plan plan_render(const render_options& o) {
  render_plan p{};
  p.kind = &engine_named(o.engine);
  const synth_kind& k = *p.kind;
  if (o.rate < 8000 || o.rate > 384000)
    throw tool_error("sample rate " + std::to_string(o.rate) + " Hz is outside 8000..384000");
  p.rate = o.rate;
  if (o.block < 1 || o.block > 16384)
    throw tool_error("block size " + std::to_string(o.block) + " is outside 1..16384");
  p.block = static_cast<uint32_t>(o.block);
  p.layout = &layout_named(o.layout);
  for (const auto& s : o.sets) p.sets.push_back(parse_set(k, s));
  for (const auto& a : o.automations) p.autos.push_back(parse_automation(k, a));
  if (!o.preset.empty()) p.preset = preset_named(k, o.preset).name;
  p.has_file = !o.load_preset.empty();
  if (p.has_file) p.file = read_preset_file(o.load_preset, &k);

  const bool loop = o.loop_given;
  if (loop && o.seconds_given)
    throw tool_error("--loop gives the length: drop --seconds");
  const double seconds = loop ? o.loop : o.seconds;
  if (!(seconds > 0.0) || seconds > 86400.0)
    throw tool_error("duration must be above 0 and at most 24 hours");
  p.frames = frames_of(seconds, o.rate);
  if (p.frames == 0)
    throw tool_error("duration " + std::to_string(seconds) + " s is shorter than one frame at " +
                     std::to_string(o.rate) + " Hz");
  if (o.crossfade_given && !loop) throw tool_error("--crossfade belongs to --loop");
  if (loop) {
    if (o.fade_in != 0.0 || o.fade_out != 0.0)
      throw tool_error("a loop has no start or end to fade: drop --fade-in and --fade-out");
    const double c = o.crossfade_given ? o.crossfade : std::min(2.0, seconds / 4.0);
    if (!(c > 0.0) || c > seconds)
      throw tool_error("--crossfade " + seconds_text(c) +
                       " must be above 0 and at most the loop's length");
    p.crossfade = std::clamp<uint64_t>(frames_of(c, o.rate), 1, p.frames);
  }
  if (!(o.fade_in >= 0.0 && o.fade_out >= 0.0 && o.fade_in + o.fade_out <= seconds))
    throw tool_error("--fade-in and --fade-out must be 0 s or longer and together (" +
                     seconds_text(o.fade_in + o.fade_out) + ") no longer than the render (" +
                     seconds_text(seconds) + ")");
  p.fade_in = std::min(frames_of(o.fade_in, o.rate), p.frames);
  p.fade_out = std::min(frames_of(o.fade_out, o.rate), p.frames - p.fade_in);
  if (o.normalise && !(o.loudness >= -70.0 && o.loudness <= 0.0))
    throw tool_error("--loudness " + std::to_string(o.loudness) + " is outside -70..0 LUFS");
  if (o.takes < 1 || o.takes > 1000)
    throw tool_error("--takes " + std::to_string(o.takes) + " is outside 1..1000");

  p.format = choose_format(o.out, o.encoding, *p.layout, o.rate);
  if (p.format.to_stdout && o.takes > 1)
    throw tool_error("--takes writes numbered files: not to standard output");
  check_size(o.out, p.format, *p.layout, p.frames);
  return p;
}

// Parameters whose voices the layout leaves out, set to sound: said once, so
// a silent result is not taken for a fault.
void note_silent_parameters(const render_plan& p) {
  const synth_kind& k = *p.kind;
  synth_instance s(k);
  set_up(s, p.rate, p.preset, p.has_file ? &p.file : nullptr, p.sets);
  auto audible = [&](const char* key) {
    const int i = synth_param_index(k, key);
    bool on = s.get(i) > 0.0f;
    for (const automation& a : p.autos)
      if (a.index == i)
        for (const auto& [t, v] : a.points) on = on || v > 0.0f;
    return on;
  };
  const std::string layout = p.layout->name;
  if (std::strcmp(k.name, "rain") == 0 && layout == "mono" && audible("liquid_2_level"))
    std::fprintf(stderr,
                 "ostrelle: note: the mono layout has no second drop layer: liquid_2_level and "
                 "the other liquid_2_* parameters are silent (stereo and more have it)\n");
  const std::string lfe = std::string(k.name) + "_lfe_level";
  if (layout != "5.1" && audible(lfe.c_str()))
    std::fprintf(stderr,
                 "ostrelle: note: %s is silent: the %s layout has no LFE channel (5.1 has)\n",
                 lfe.c_str(), layout.c_str());
}

// Writes one take and returns what its samples measure.
sound_measures write_take(const render_plan& p, const std::string& path, uint64_t seed,
                          double gain, meter_mode mode, bool no_clobber, progress& bar,
                          double& done, double work) {
  std::unique_ptr<atomic_output> file;
  if (!p.format.to_stdout) file = std::make_unique<atomic_output>(path, no_clobber);
  sound_writer writer(p.format.to_stdout ? path : file->temp(), p.format, *p.layout, p.rate);
  sound_meter meter(*p.layout, p.rate, mode);
  bed_source source(p, seed, gain);
  std::vector<float> buffer(static_cast<std::size_t>(p.block) * p.layout->channels);
  bool ok = true;
  for (uint32_t n; ok && (n = source.next(buffer.data())) > 0;) {
    meter.add(buffer.data(), n);
    ok = writer.write(buffer.data(), n);
    done += n;
    bar.update(done / work);
  }
  ok = writer.close() && ok;
  if (!ok)
    throw tool_error("cannot write '" + path + "': " +
                     (p.format.to_stdout ? std::string(std::strerror(errno)) : "write failed"));
  if (file) file->commit();
  return meter.result();
}

// Measures a take without writing it, for the normalising gain.
sound_measures measure_take(const render_plan& p, uint64_t seed, progress& bar, double& done,
                            double work) {
  sound_meter meter(*p.layout, p.rate, meter_mode::loudness_and_true_peak);
  bed_source source(p, seed, 1.0);
  std::vector<float> buffer(static_cast<std::size_t>(p.block) * p.layout->channels);
  for (uint32_t n; (n = source.next(buffer.data())) > 0;) {
    meter.add(buffer.data(), n);
    done += n;
    bar.update(done / work);
  }
  return meter.result();
}

// The gain that brings a take to the target loudness, refused (with the
// loudest target this take allows) if its true peak would pass -1 dBTP.
double normalising_gain(const render_options& o, const sound_measures& m) {
  char what[48];
  std::snprintf(what, sizeof what, "--loudness %.1f", o.loudness);
  if (!std::isfinite(m.loudness))
    throw tool_error(std::string(what) +
                     ": the render has no measurable loudness (silent, or shorter than 0.4 s)");
  const double gain_db = o.loudness - m.loudness;
  const double peak_db = to_db(m.true_peak) + gain_db;
  if (peak_db > -1.0) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  ": the render measures %.1f LUFS; %s dB would take its true peak to %s dBTP, "
                  "past -1 dBTP (this render allows up to %.1f LUFS)",
                  m.loudness, db_text(gain_db).c_str(), db_text(peak_db).c_str(),
                  o.loudness - (peak_db + 1.0));
    throw tool_error(std::string(what) + buf);
  }
  return std::pow(10.0, gain_db / 20.0);
}

// clipped_before: samples the engine left at the clip before normalising
// scaled them down (the distortion stays in the file).
void report(const render_plan& p, const render_options& o, const std::string& path,
            uint64_t seed, double gain, const sound_measures& m, uint64_t clipped_before) {
  std::FILE* to = p.format.to_stdout ? stderr : stdout;
  const int ch = p.layout->channels;
  std::fprintf(to, "%s: %.2f s%s, %d channel%s, %d Hz, peak %.1f dBFS, RMS %.1f dBFS\n",
               p.format.to_stdout ? "standard output" : path.c_str(),
               static_cast<double>(p.frames) / p.rate,
               p.crossfade ? " loop" : "", ch, ch == 1 ? "" : "s", p.rate, to_db(m.peak),
               to_db(m.rms));
  std::string extra;
  if (clipped_before > 0) extra += " (" + std::to_string(clipped_before) + " before normalising)";
  if (o.normalise) extra += ", normalised by " + db_text(to_db(gain)) + " dB";
  if (o.takes > 1 || seed != 0) extra += ", seed " + std::to_string(seed);
  std::fprintf(to, "  loudness %.1f LUFS, true peak %.1f dBTP, %llu sample%s at the clip%s\n",
               m.loudness, to_db(m.true_peak), static_cast<unsigned long long>(m.clipped),
               m.clipped == 1 ? "" : "s", extra.c_str());
}

}  // namespace

double fade_gain(uint64_t j, uint64_t n, uint64_t fade_in, uint64_t fade_out) {
  constexpr double quarter = std::numbers::pi / 2.0;
  double g = 1.0;
  if (j < fade_in) {
    const double s = std::sin(quarter * static_cast<double>(j) / static_cast<double>(fade_in));
    g *= s * s;
  }
  if (n - 1 - j < fade_out) {
    const double s =
        std::sin(quarter * static_cast<double>(n - 1 - j) / static_cast<double>(fade_out));
    g *= s * s;
  }
  return g;
}

void crossfade_weights(uint64_t k, uint64_t c, double& tail, double& head) {
  const double angle =
      std::numbers::pi / 2.0 * (static_cast<double>(k) + 0.5) / static_cast<double>(c);
  tail = std::cos(angle);
  head = std::sin(angle);
}

std::string take_path(const std::string& path, int k, int count) {
  if (count == 1) return path;
  const auto slash = path.rfind('/');
  auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
      dot == (slash == std::string::npos ? 0 : slash + 1))
    dot = path.size();
  std::string number = std::to_string(k);
  number.insert(0, std::to_string(count).size() - number.size(), '0');
  return path.substr(0, dot) + "-" + number + path.substr(dot);
}

void set_up(synth_instance& s, int rate, const std::string& preset, const preset_file* file,
            const std::vector<assignment>& sets, uint64_t seed) {
  const synth_kind& k = s.kind();
  if (k.init(s.engine(), static_cast<float>(rate)) != ENGINE_OK)
    throw tool_error("engine rejected sample rate " + std::to_string(rate));
  if (!preset.empty()) k.load_preset(s.engine(), preset_named(k, preset).record);
  if (file && !file->record.empty() && k.load_preset(s.engine(), file->record.data()) != ENGINE_OK)
    throw tool_error("preset record rejected by the engine");
  // The master gain is no part of a preset: it is set after the reload.
  std::vector<assignment> all;
  if (file) all = file->values;
  all.insert(all.end(), sets.begin(), sets.end());
  const int gain = static_cast<int>(k.param_count) - 1;
  for (const assignment& a : all)
    if (a.index != gain) s.set(a.index, a.value);
  std::vector<uint8_t> record(k.preset_size);
  k.save_preset(s.engine(), record.data());
  k.init(s.engine(), static_cast<float>(rate));
  synth_reseed(seed);
  k.load_preset(s.engine(), record.data());
  for (const assignment& a : all)
    if (a.index == gain) s.set(a.index, a.value);
}

int run_render(const render_options& o) {
  const render_plan p = plan_render(o);
  std::vector<std::string> paths;
  for (int t = 1; t <= o.takes; ++t) paths.push_back(take_path(o.out, t, o.takes));
  if (o.no_clobber && !p.format.to_stdout)
    for (const auto& path : paths) refuse_existing(path);
  if (!o.quiet) note_silent_parameters(p);

  const meter_mode mode = o.quiet ? meter_mode::level
                          : o.normalise ? meter_mode::loudness
                                        : meter_mode::loudness_and_true_peak;
  const double work = static_cast<double>(p.frames) * (o.normalise ? 2 : 1);
  for (int t = 0; t < o.takes; ++t) {
    progress bar(!o.quiet);
    double done = 0.0;
    const uint64_t seed = o.seed + static_cast<uint64_t>(t);
    double gain = 1.0;
    sound_measures before{};
    if (o.normalise) {
      before = measure_take(p, seed, bar, done, work);
      gain = normalising_gain(o, before);
    }
    sound_measures m =
        write_take(p, paths[t], seed, gain, mode, o.no_clobber, bar, done, work);
    // The true peak scales with the gain exactly: no need to measure it twice.
    if (o.normalise) m.true_peak = before.true_peak * gain;
    bar.finish();
    if (!o.quiet) report(p, o, paths[t], seed, gain, m, before.clipped);
    const uint64_t clipped = std::max(m.clipped, before.clipped);
    if (clipped > 0)
      std::fprintf(stderr,
                   "ostrelle: warning: '%s': %llu samples at the clip%s (lower global_gain or "
                   "the levels)\n",
                   p.format.to_stdout ? "standard output" : paths[t].c_str(),
                   static_cast<unsigned long long>(clipped),
                   m.clipped < before.clipped ? " before normalising" : "");
  }
  std::fflush(stdout);
  return 0;
}
