#include "tools/render.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/frame.h"
#include "tools/lookup.h"
#include "tools/preset_files.h"
#include "tools/safe_output.h"
#include "tools/sound_file.h"
#include "tools/tool_error.h"

namespace {

double to_db(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -INFINITY; }

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

}  // namespace

void set_up(synth_instance& s, int rate, const std::string& preset, const preset_file* file,
            const std::vector<assignment>& sets) {
  const synth_kind& k = s.kind();
  if (k.init(s.engine(), static_cast<float>(rate)) != ENGINE_OK)
    throw tool_error("engine rejected sample rate " + std::to_string(rate));
  if (!preset.empty()) k.load_preset(s.engine(), preset_named(k, preset).record);
  // The master gain is no part of a preset: it is set after the reload.
  std::vector<assignment> all;
  if (file && !file->record.empty() && k.load_preset(s.engine(), file->record.data()) != ENGINE_OK)
    throw tool_error("preset record rejected by the engine");
  if (file) all = file->values;
  all.insert(all.end(), sets.begin(), sets.end());
  const int gain = static_cast<int>(k.param_count) - 1;
  for (const assignment& a : all)
    if (a.index != gain) s.set(a.index, a.value);
  std::vector<uint8_t> record(k.preset_size);
  k.save_preset(s.engine(), record.data());
  k.init(s.engine(), static_cast<float>(rate));
  k.load_preset(s.engine(), record.data());
  for (const assignment& a : all)
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
  preset_file file{};
  if (!o.load_preset.empty()) file = read_preset_file(o.load_preset, &k);

  const sound_format format = choose_format(o.out, o.encoding, layout, o.rate);
  const uint64_t total = static_cast<uint64_t>(std::llround(o.seconds * o.rate));
  if (total == 0)
    throw tool_error("duration " + std::to_string(o.seconds) + " s is shorter than one frame at " +
                     std::to_string(o.rate) + " Hz");
  check_size(o.out, format, layout, total);

  synth_instance s(k);
  set_up(s, o.rate, o.preset, o.load_preset.empty() ? nullptr : &file, sets);

  std::unique_ptr<atomic_output> file_out;
  if (!format.to_stdout) file_out = std::make_unique<atomic_output>(o.out);
  sound_writer writer(format.to_stdout ? o.out : file_out->temp(), format, layout, o.rate);

  std::vector<float> buffer(static_cast<std::size_t>(o.block) * layout.channels);
  double sum_squares = 0.0, peak = 0.0;
  progress bar(!o.quiet);
  bool write_ok = true;
  for (uint64_t done = 0; done < total && write_ok;) {
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
    write_ok = writer.write(buffer.data(), n);
    done += n;
    bar.update(static_cast<double>(done) / total);
  }
  if (!writer.close()) write_ok = false;
  if (write_ok) bar.finish();
  if (!write_ok)
    throw tool_error("cannot write '" + o.out + "': " +
                     (format.to_stdout ? std::string(std::strerror(errno)) : "write failed"));
  if (format.to_stdout) return 0;
  file_out->commit();
  if (!o.quiet) {
    const double rms = std::sqrt(sum_squares / (static_cast<double>(total) * layout.channels));
    std::printf("%s: %.2f s, %d channel%s, %d Hz, peak %.1f dBFS, RMS %.1f dBFS\n", o.out.c_str(),
                static_cast<double>(total) / o.rate, layout.channels,
                layout.channels == 1 ? "" : "s", o.rate, to_db(peak), to_db(rms));
  }
  return 0;
}
