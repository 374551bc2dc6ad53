// ostrelle_rates: does every factory preset sound the same at every sample
// rate? Renders each preset (stereo) at 48000 Hz and at the other rates,
// several takes each, and compares per preset: the integrated loudness (EBU
// R128 through libebur128), the level of each octave band from 63 Hz to
// 8 kHz (bands that reach past the lower rate's Nyquist frequency left out)
// and the samples at the clip. The random draws differ between rates, so a
// figure is the mean power of its takes; two independent sets of 48000 Hz
// takes, compared on the same measures, show how far takes differ by chance.
//
//   ostrelle_rates                        # every preset, every rate: the table
//   ostrelle_rates --preset Pressure --rates 96000 --details
//   ostrelle_rates --quick --jobs 2       # fewer, shorter takes
//   ostrelle_rates --check                # exit 1 when a preset fails a limit

#include <CLI/CLI.hpp>
#include <ebur128.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tools/synth.h"

namespace {

constexpr int REFERENCE_RATE = 48000;
constexpr uint32_t STEREO = 0x3;
constexpr int BANDS = 8;  // octaves centred on 62.5 Hz .. 8 kHz
constexpr uint32_t BLOCK = 1024;

// Limits of a pass.
constexpr double LOUDNESS_LIMIT_DB = 1.0;
constexpr double BAND_LIMIT_DB = 2.0;
// A band more than this far below the render's strongest band is not
// compared: a change there is masked by the rest of the spectrum.
constexpr double BAND_FLOOR_DB = 40.0;

double band_centre(int b) { return 1000.0 * std::pow(2.0, b - 4); }
double band_top(int b) { return band_centre(b) * std::sqrt(2.0); }

// The measures of one take.
struct take_measures {
  double loudness_power = 0.0;  // 10^(LUFS/10); 0 when silent
  std::array<double, BANDS> band{};  // mean square per band, both channels summed
  uint64_t clipped = 0;
};

// Octave-band powers by averaged, Hann-windowed spectra (every other window
// of N, N giving bins of at most 3 Hz) of
// both channels at once: left in the real part, right in the imaginary part
// of one complex transform.
class band_meter {
 public:
  explicit band_meter(int rate) : rate_(rate) {
    n_ = 1;
    while (n_ < static_cast<std::size_t>(rate / 3)) n_ *= 2;  // bins of at most 3 Hz
    window_.resize(n_);
    double sum = 0.0;
    for (std::size_t i = 0; i < n_; ++i) {
      window_[i] = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / n_);
      sum += window_[i] * window_[i];
    }
    window_power_ = sum;
    fill_.reserve(n_);
    spectrum_.resize(n_);
    power_.assign(n_ / 2 + 1, 0.0);
    twiddle_.resize(n_ / 2);
    for (std::size_t k = 0; k < n_ / 2; ++k)
      twiddle_[k] = std::polar(1.0, -2.0 * M_PI * static_cast<double>(k) / static_cast<double>(n_));
  }

  void add(const float* frames, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      fill_.emplace_back(frames[2 * i], frames[2 * i + 1]);
      if (fill_.size() == n_) {
        if (++windows_ % 2) transform();  // every other window: the transform costs more than the engines
        fill_.clear();
      }
    }
  }

  std::array<double, BANDS> bands() const {
    std::array<double, BANDS> out{};
    if (frames_ == 0) return out;
    const double bin = static_cast<double>(rate_) / n_;
    for (std::size_t k = 1; k < n_ / 2; ++k) {
      const double f = k * bin;
      for (int b = 0; b < BANDS; ++b)
        if (f >= band_centre(b) / std::sqrt(2.0) && f < band_top(b)) out[b] += power_[k];
    }
    // One-sided mean square: 2 |X|^2 / (N sum w^2), averaged over the frames.
    for (double& v : out) v *= 2.0 / (static_cast<double>(n_) * window_power_ * frames_);
    return out;
  }

 private:
  void transform() {
    for (std::size_t i = 0; i < n_; ++i) spectrum_[i] = fill_[i] * window_[i];
    fft(spectrum_);
    for (std::size_t k = 1; k < n_ / 2; ++k) {
      const std::complex<double> a = spectrum_[k], b = std::conj(spectrum_[n_ - k]);
      const std::complex<double> left = 0.5 * (a + b);
      const std::complex<double> right = std::complex<double>(0.0, -0.5) * (a - b);
      power_[k] += left.real() * left.real() + left.imag() * left.imag() +
                   right.real() * right.real() + right.imag() * right.imag();
    }
    ++frames_;
  }

  // In-place radix-2 transform with a table of twiddles (products written
  // out: std::complex's operator* takes the slow path for infinities).
  void fft(std::vector<std::complex<double>>& x) const {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
      std::size_t bit = n >> 1;
      for (; j & bit; bit >>= 1) j ^= bit;
      j ^= bit;
      if (i < j) std::swap(x[i], x[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
      const std::size_t stride = n / len;
      for (std::size_t i = 0; i < n; i += len)
        for (std::size_t j = 0; j < len / 2; ++j) {
          const std::complex<double> w = twiddle_[j * stride];
          const std::complex<double> b = x[i + j + len / 2];
          const std::complex<double> v(b.real() * w.real() - b.imag() * w.imag(),
                                       b.real() * w.imag() + b.imag() * w.real());
          const std::complex<double> u = x[i + j];
          x[i + j] = u + v;
          x[i + j + len / 2] = u - v;
        }
    }
  }

  int rate_;
  std::size_t n_;
  std::vector<double> window_;
  double window_power_ = 0.0;
  std::vector<std::complex<double>> fill_, spectrum_, twiddle_;
  std::vector<double> power_;
  uint64_t frames_ = 0, windows_ = 0;
};

take_measures measure_take(const synth_kind& k, int preset, int rate, uint64_t seed,
                           double start, double seconds) {
  synth_instance s(k);
  k.init(s.engine(), static_cast<float>(rate));
  synth_reseed(seed);
  k.load_preset(s.engine(), k.bank->presets[preset].record);

  std::vector<float> buf(2 * BLOCK);
  const uint64_t skip = static_cast<uint64_t>(std::llround(start * rate));
  const uint64_t total = static_cast<uint64_t>(std::llround(seconds * rate));
  for (uint64_t done = 0; done < skip; done += BLOCK)
    k.process(s.engine(), buf.data(), STEREO, static_cast<uint32_t>(std::min<uint64_t>(BLOCK, skip - done)));

  ebur128_state* loud = ebur128_init(2, static_cast<unsigned long>(rate), EBUR128_MODE_I);
  band_meter bands(rate);
  take_measures m;
  for (uint64_t done = 0; done < total; done += BLOCK) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(BLOCK, total - done));
    k.process(s.engine(), buf.data(), STEREO, n);
    for (uint32_t i = 0; i < 2 * n; ++i)
      if (std::fabs(buf[i]) >= 1.0f) ++m.clipped;
    ebur128_add_frames_float(loud, buf.data(), n);
    bands.add(buf.data(), n);
  }
  double lufs = -HUGE_VAL;
  ebur128_loudness_global(loud, &lufs);
  ebur128_destroy(&loud);
  m.loudness_power = std::isfinite(lufs) ? std::pow(10.0, lufs / 10.0) : 0.0;
  m.band = bands.bands();
  return m;
}

// Mean of several takes.
struct measures {
  double loudness = -HUGE_VAL;  // LUFS of the mean power
  std::array<double, BANDS> band{};  // dB
  uint64_t clipped = 0;  // over all takes
};

double db(double p) { return p > 0.0 ? 10.0 * std::log10(p) : -HUGE_VAL; }

measures mean_of(const std::vector<take_measures>& takes) {
  measures m;
  double loud = 0.0;
  std::array<double, BANDS> band{};
  for (const take_measures& t : takes) {
    loud += t.loudness_power;
    for (int b = 0; b < BANDS; ++b) band[b] += t.band[b];
    m.clipped += t.clipped;
  }
  const double n = static_cast<double>(takes.size());
  m.loudness = db(loud / n);
  for (int b = 0; b < BANDS; ++b) m.band[b] = db(band[b] / n);
  return m;
}

// How one rate compares with the reference.
struct comparison {
  bool silent = false;   // silent at both rates: nothing to compare
  double loudness = 0.0;  // dB, rate minus reference
  double worst_band = 0.0;  // dB, the band off most (signed)
  int worst_band_index = -1;
  bool new_clip = false;  // clipped at the rate, not at the reference
};

comparison compare(const measures& ref, const measures& at, int rate) {
  comparison c;
  if (!std::isfinite(ref.loudness) && !std::isfinite(at.loudness)) {
    c.silent = true;
    return c;
  }
  c.loudness = at.loudness - ref.loudness;
  if (!std::isfinite(c.loudness)) c.loudness = std::isfinite(at.loudness) ? 99.0 : -99.0;
  const double nyquist = 0.5 * std::min(rate, REFERENCE_RATE);
  double strongest = -HUGE_VAL;
  for (int b = 0; b < BANDS; ++b)
    if (band_top(b) <= nyquist) strongest = std::max(strongest, ref.band[b]);
  for (int b = 0; b < BANDS; ++b) {
    if (band_top(b) > nyquist || ref.band[b] < strongest - BAND_FLOOR_DB) continue;
    double d = at.band[b] - ref.band[b];
    if (!std::isfinite(d)) d = std::isfinite(at.band[b]) ? 99.0 : -99.0;
    if (std::fabs(d) > std::fabs(c.worst_band)) {
      c.worst_band = d;
      c.worst_band_index = b;
    }
  }
  c.new_clip = at.clipped > 0 && ref.clipped == 0;
  return c;
}

bool fails(const comparison& c) {
  return !c.silent && (std::fabs(c.loudness) > LOUDNESS_LIMIT_DB ||
                       std::fabs(c.worst_band) > BAND_LIMIT_DB || c.new_clip);
}

struct row_summary {
  std::string label;
  int count = 0;
  std::vector<double> loud;
  int over1 = 0, over3 = 0, band_fail = 0, clip_fail = 0, any_fail = 0;
  double worst_band = 0.0;
};

void add(row_summary& r, const comparison& c) {
  if (c.silent) return;
  ++r.count;
  r.loud.push_back(c.loudness);
  if (std::fabs(c.loudness) > 1.0) ++r.over1;
  if (std::fabs(c.loudness) > 3.0) ++r.over3;
  if (std::fabs(c.worst_band) > BAND_LIMIT_DB) ++r.band_fail;
  if (c.new_clip) ++r.clip_fail;
  if (fails(c)) ++r.any_fail;
  if (std::fabs(c.worst_band) > std::fabs(r.worst_band)) r.worst_band = c.worst_band;
}

void print(const row_summary& r) {
  std::vector<double> v = r.loud;
  if (v.empty()) return;
  std::sort(v.begin(), v.end());
  const double median = v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
  std::printf("| %s | %+.2f dB | %+.2f to %+.2f | %d / %d of %d | %d (worst %+.1f dB) | %d | %d |\n",
              r.label.c_str(), median, v.front(), v.back(), r.over1, r.over3, r.count,
              r.band_fail, r.worst_band, r.clip_fail, r.any_fail);
}

std::vector<int> parse_rates(const std::string& s) {
  std::vector<int> out;
  std::size_t p = 0;
  while (p < s.size()) {
    std::size_t q = s.find(',', p);
    if (q == std::string::npos) q = s.size();
    out.push_back(std::stoi(s.substr(p, q - p)));
    p = q + 1;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Compares every factory preset at other sample rates with 48000 Hz"};
  std::string engine = "both", rates_text = "22050,24000,32000,44100,88200,96000,176400,192000";
  std::vector<std::string> preset_names;
  double seconds = 30.0, start = 2.0;
  int takes = 2, jobs = 2;
  bool quick = false, details = false, check = false;
  app.add_option("--engine", engine, "wind, rain or both")->check(CLI::IsMember({"wind", "rain", "both"}));
  app.add_option("--preset", preset_names, "Only these presets (repeat the option)");
  app.add_option("--rates", rates_text, "Rates to compare with 48000 Hz, comma-separated");
  app.add_option("--seconds", seconds, "Seconds measured per take")->check(CLI::PositiveNumber);
  app.add_option("--start", start, "Seconds rendered and left out before the measure");
  app.add_option("--takes", takes, "Takes (seeds) per preset and rate")->check(CLI::Range(1, 64));
  app.add_option("--jobs", jobs, "Parallel renders (processes)")->check(CLI::Range(1, 64));
  app.add_flag("--quick", quick, "10-second takes, 1 per rate (a coarse figure, for iterating)");
  app.add_flag("--details", details, "One line per preset and rate");
  app.add_flag("--check", check, "Exit 1 when a preset is off a limit at some rate");
  CLI11_PARSE(app, argc, argv);
  if (quick) {
    seconds = 10.0;
    takes = 1;
  }
  const std::vector<int> rates = parse_rates(rates_text);

  // The work: per engine, preset and rate, the takes; at the reference rate
  // twice as many (two independent sets).
  struct job {
    const synth_kind* kind;
    int preset, rate;
    uint64_t seed;
    take_measures result;
  };
  struct preset_ref {
    const synth_kind* kind;
    int preset;
  };
  std::vector<preset_ref> presets;
  for (const char* name : {"wind", "rain"}) {
    if (engine != "both" && engine != name) continue;
    const synth_kind* k = synth_find(name);
    for (uint32_t i = 0; i < k->bank->preset_count; ++i) {
      if (!preset_names.empty() &&
          std::find(preset_names.begin(), preset_names.end(), k->bank->presets[i].name) ==
              preset_names.end())
        continue;
      presets.push_back({k, static_cast<int>(i)});
    }
  }
  if (presets.empty()) {
    std::fprintf(stderr, "no preset of that name\n");
    return 2;
  }
  std::vector<job> work;
  for (const preset_ref& p : presets) {
    for (int t = 0; t < 2 * takes; ++t)
      work.push_back({p.kind, p.preset, REFERENCE_RATE, static_cast<uint64_t>(t + 1), {}});
    for (int rate : rates)
      for (int t = 0; t < takes; ++t)
        work.push_back({p.kind, p.preset, rate, static_cast<uint64_t>(t + 1), {}});
  }
  // Dealt round the workers longest first, so they finish together.
  std::stable_sort(work.begin(), work.end(), [](const job& a, const job& b) { return a.rate > b.rate; });

  // Parallel renders run in processes, not threads: the engines' random
  // generators are shared by every instance of a process, and instances on
  // two threads would interleave their draws (the Gaussian noise's low bits,
  // which repeat every 256 draws, would no longer repeat).
  const auto t0 = std::chrono::steady_clock::now();
  std::vector<std::pair<pid_t, int>> children;
  for (int j = 0; j < jobs; ++j) {
    int fd[2];
    if (pipe(fd) != 0) return 2;
    const pid_t pid = fork();
    if (pid < 0) return 2;
    if (pid == 0) {
      close(fd[0]);
      for (std::size_t i = static_cast<std::size_t>(j); i < work.size(); i += static_cast<std::size_t>(jobs)) {
        const take_measures m = measure_take(*work[i].kind, work[i].preset, work[i].rate,
                                             work[i].seed, start, seconds);
        if (write(fd[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) _exit(1);
      }
      _exit(0);
    }
    close(fd[1]);
    children.emplace_back(pid, fd[0]);
  }
  for (int j = 0; j < jobs; ++j) {
    const int fd = children[static_cast<std::size_t>(j)].second;
    for (std::size_t i = static_cast<std::size_t>(j); i < work.size(); i += static_cast<std::size_t>(jobs)) {
      char* to = reinterpret_cast<char*>(&work[i].result);
      std::size_t got = 0;
      while (got < sizeof(take_measures)) {
        const ssize_t r = read(fd, to + got, sizeof(take_measures) - got);
        if (r <= 0) return 2;
        got += static_cast<std::size_t>(r);
      }
    }
    close(fd);
    waitpid(children[static_cast<std::size_t>(j)].first, nullptr, 0);
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  auto takes_of = [&](const preset_ref& p, int rate, int first, int count) {
    std::vector<take_measures> out;
    for (const job& j : work)
      if (j.kind == p.kind && j.preset == p.preset && j.rate == rate &&
          j.seed >= static_cast<uint64_t>(first + 1) && j.seed <= static_cast<uint64_t>(first + count))
        out.push_back(j.result);
    return out;
  };

  std::printf("%zu presets, %zu rates, %d takes of %.0f s after %.0f s (48000 Hz: %d), %d jobs: %.0f s\n\n",
              presets.size(), rates.size(), takes, seconds, start, 2 * takes, jobs, elapsed);
  if (details) std::printf("engine preset rate: loudness dB, worst band dB (centre Hz), clipped samples at rate / at 48000 Hz\n");
  bool failed = false;
  for (const char* name : {"wind", "rain"}) {
    const synth_kind* k = synth_find(name);
    row_summary spread;
    spread.label = "48000 (takes vs takes)";
    std::vector<row_summary> rows(rates.size());
    for (std::size_t r = 0; r < rates.size(); ++r) rows[r].label = std::to_string(rates[r]);
    bool any = false;
    for (const preset_ref& p : presets) {
      if (p.kind != k) continue;
      any = true;
      const measures ref = mean_of(takes_of(p, REFERENCE_RATE, 0, takes));
      const measures other = mean_of(takes_of(p, REFERENCE_RATE, takes, takes));
      comparison sc = compare(ref, other, REFERENCE_RATE);
      sc.new_clip = false;  // clips of the same rate are no failure
      add(spread, sc);
      if (details && !sc.silent)
        std::printf("%s %s 48000 takes vs takes: %+.2f, %+.2f (%g)%s\n", name,
                    k->bank->presets[p.preset].name, sc.loudness, sc.worst_band,
                    sc.worst_band_index >= 0 ? band_centre(sc.worst_band_index) : 0.0,
                    fails(sc) ? "  FAIL" : "");
      const measures ref_all = mean_of(takes_of(p, REFERENCE_RATE, 0, 2 * takes));
      for (std::size_t r = 0; r < rates.size(); ++r) {
        const comparison c = compare(ref_all, mean_of(takes_of(p, rates[r], 0, takes)), rates[r]);
        add(rows[r], c);
        failed = failed || fails(c);
        if (details && !c.silent) {
          const measures at = mean_of(takes_of(p, rates[r], 0, takes));
          std::printf("%s %s %d: %+.2f, %+.2f (%g), clipped %llu / %llu%s\n", name,
                      k->bank->presets[p.preset].name, rates[r], c.loudness, c.worst_band,
                      c.worst_band_index >= 0 ? band_centre(c.worst_band_index) : 0.0,
                      static_cast<unsigned long long>(at.clipped),
                      static_cast<unsigned long long>(ref_all.clipped), fails(c) ? "  FAIL" : "");
        }
      }
    }
    if (!any) continue;
    std::printf("\n%s: loudness difference from 48000 Hz (median, range, presets off by > 1 dB / > 3 dB),\n"
                "presets with a band off by > %.0f dB (worst), presets clipping where 48000 Hz does not, presets failing\n\n",
                name, BAND_LIMIT_DB);
    std::printf("| rate | median | range | > 1 / > 3 dB | band > 2 dB | new clip | failing |\n|---|---|---|---|---|---|---|\n");
    for (const row_summary& r : rows) print(r);
    print(spread);
  }
  return check && failed ? 1 : 0;
}
