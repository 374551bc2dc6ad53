// Baking ambience beds end to end: the report after a render, loudness
// normalisation, fades, seamless loops, other takes, --no-clobber, and the
// notes on parameters a layout leaves silent.

#include <ebur128.h>

#include <algorithm>

#include "tests/tools/ostrelle_fixture.h"
#include "tools/render.h"

using namespace ostrelle_test;

namespace {

// Integrated loudness (LUFS) and true peak (dBTP) of a stereo file, measured
// here with libebur128 directly.
std::pair<double, double> loudness_of(const sound& s) {
  ebur128_state* st = ebur128_init(static_cast<unsigned>(s.info.channels),
                                   static_cast<unsigned long>(s.info.samplerate),
                                   EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
  ebur128_add_frames_float(st, s.samples.data(), static_cast<std::size_t>(s.info.frames));
  double lufs = 0.0, peak = 0.0;
  ebur128_loudness_global(st, &lufs);
  for (int c = 0; c < s.info.channels; ++c) {
    double tp = 0.0;
    ebur128_true_peak(st, static_cast<unsigned>(c), &tp);
    peak = std::max(peak, tp);
  }
  ebur128_destroy(&st);
  return {lufs, 20.0 * std::log10(peak)};
}

// The number after a word in the report ("loudness -23.0 LUFS" -> -23.0).
double figure_after(const std::string& text, const std::string& word) {
  const auto at = text.find(word + " ");
  EXPECT_NE(at, std::string::npos) << word << " in " << text;
  return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + word.size() + 1, nullptr);
}

std::vector<float> channel(const sound& s, int c) {
  std::vector<float> x;
  for (sf_count_t f = 0; f < s.info.frames; ++f) x.push_back(s.samples[f * s.info.channels + c]);
  return x;
}

TEST_F(Ostrelle, ReportGivesLoudnessTruePeakAndSamplesAtTheClip) {
  // "Storm" reaches the clip in stereo: the report counts the samples the
  // file holds at full scale, and warns.
  const result loud = run("render rain -o storm.wav --preset Storm --seconds 3");
  ASSERT_EQ(loud.status, 0) << loud.err;
  const sound s = read_sound(path("storm.wav"));
  const long clipped =
      std::count_if(s.samples.begin(), s.samples.end(), [](float x) { return std::fabs(x) >= 1.0f; });
  ASSERT_GT(clipped, 0);
  EXPECT_NE(loud.out.find(std::to_string(clipped) + " samples at the clip"), std::string::npos)
      << loud.out;
  EXPECT_NE(loud.err.find("warning: 'storm.wav': " + std::to_string(clipped) + " samples at the clip"),
            std::string::npos)
      << loud.err;
  // The figures are the file's, as libebur128 measures it.
  const auto [lufs, true_peak] = loudness_of(s);
  EXPECT_NEAR(figure_after(loud.out, "loudness"), lufs, 0.051);
  EXPECT_NEAR(figure_after(loud.out, "true peak"), true_peak, 0.051);
  EXPECT_GE(true_peak, 0.0);

  // Away from the clip, half the master gain measures 6.02 dB less loudness
  // and true peak; no samples at the clip, no warning.
  const result half = run("render rain -o half.wav --preset Storm --seconds 3 --set global_gain=0.25");
  const result soft = run("render rain -o soft.wav --preset Storm --seconds 3 --set global_gain=0.125");
  ASSERT_EQ(soft.status, 0);
  EXPECT_NEAR(figure_after(soft.out, "loudness"), figure_after(half.out, "loudness") - 6.02, 0.11);
  EXPECT_NEAR(figure_after(soft.out, "true peak"), figure_after(half.out, "true peak") - 6.02, 0.11);
  EXPECT_NE(soft.out.find(" 0 samples at the clip"), std::string::npos) << soft.out;
  EXPECT_EQ(soft.err, "");
  // Six channels (the LFE weighs nothing in the loudness), true peaks
  // measured over odd lengths.
  const result six = run("render wind -o six.wav --layout 5.1 --seconds 1.3 --block 100");
  ASSERT_EQ(six.status, 0);
  sound surround = read_sound(path("six.wav"));
  EXPECT_NEAR(figure_after(six.out, "true peak"), loudness_of(surround).second, 0.051);
  for (sf_count_t f = 0; f < surround.info.frames; ++f) surround.samples[f * 6 + 3] = 0.0f;
  ebur128_state* st = ebur128_init(6, 48000, EBUR128_MODE_I);
  ebur128_add_frames_float(st, surround.samples.data(), surround.info.frames);
  double surround_lufs = 0.0;
  ebur128_loudness_global(st, &surround_lufs);
  ebur128_destroy(&st);
  EXPECT_NEAR(figure_after(six.out, "loudness"), surround_lufs, 0.051);

  // Too short to gate: said, not made up.
  EXPECT_NE(run("render rain -o short.wav --seconds 0.2").out.find("loudness -inf LUFS"),
            std::string::npos);
}

TEST_F(Ostrelle, LoudnessNormalisationReachesTheTargetOrSaysWhyNot) {
  const result r = run("render wind -o w.wav --seconds 4 --loudness -30");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(loudness_of(read_sound(path("w.wav"))).first, -30.0, 0.05);
  EXPECT_NE(r.out.find("loudness -30.0 LUFS"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("normalised by"), std::string::npos) << r.out;

  // Louder than the true-peak ceiling allows: refused, naming the loudest
  // target that fits; that one is then accepted and stays under -1 dBTP.
  const result refused = run("render rain -o s.wav --preset Storm --seconds 4 --loudness -8");
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.err.find("past -1 dBTP"), std::string::npos) << refused.err;
  EXPECT_EQ(files(), std::vector<std::string>{"w.wav"});
  const double allowed = figure_after(refused.err, "allows up to");
  ASSERT_LT(allowed, -8.0);
  char target[32];
  std::snprintf(target, sizeof target, "%.1f", allowed - 0.05);
  ASSERT_EQ(run(std::string("render rain -o s.wav --preset Storm --seconds 4 --quiet --loudness ") +
                target)
                .status,
            0);
  const auto [lufs, peak] = loudness_of(read_sound(path("s.wav")));
  EXPECT_NEAR(lufs, std::strtod(target, nullptr), 0.05);
  EXPECT_LE(peak, -1.0);
  // Scaled down, the engine's clipped samples are below full scale in the
  // file, but their distortion is not: still counted, and warned about.
  const result quieter = run("render rain -o t.wav --preset Storm --seconds 4 --loudness -30");
  EXPECT_NE(quieter.out.find(" 0 samples at the clip ("), std::string::npos) << quieter.out;
  EXPECT_NE(quieter.err.find("samples at the clip before normalising"), std::string::npos)
      << quieter.err;

  EXPECT_NE(run("render rain -o q.wav --seconds 0.2 --loudness -20").err.find("no measurable"),
            std::string::npos);
}

TEST_F(Ostrelle, FadesStartAndEndInSilenceAndLeaveTheMiddle) {
  const std::string args = " --seconds 2 --quiet --preset Forest_High";
  ASSERT_EQ(run("render wind -o plain.wav" + args).status, 0);
  ASSERT_EQ(run("render wind -o faded.wav --fade-in 0.5 --fade-out 0.25" + args).status, 0);
  const sound plain = read_sound(path("plain.wav")), faded = read_sound(path("faded.wav"));
  ASSERT_EQ(plain.samples.size(), faded.samples.size());
  const std::size_t n = plain.samples.size();
  EXPECT_EQ(faded.samples[0], 0.0f);
  EXPECT_EQ(faded.samples[n - 1], 0.0f);
  // Untouched between the fades.
  EXPECT_TRUE(std::equal(plain.samples.begin() + 2 * 24000, plain.samples.begin() + 2 * 84000,
                         faded.samples.begin() + 2 * 24000));
  // Within them, a gain in [0, 1] that only rises (fade-in) or falls (out).
  double last = 0.0;
  for (std::size_t i = 0; i < 2 * 24000; i += 2) {
    if (std::fabs(plain.samples[i]) < 1e-3f) continue;
    const double g = faded.samples[i] / static_cast<double>(plain.samples[i]);
    EXPECT_GE(g, last - 1e-6);
    EXPECT_LE(g, 1.0 + 1e-6);
    last = g;
  }
  EXPECT_GT(last, 0.95);
  EXPECT_LT(rms(faded.samples, n - 2 * 2400, n), 0.05 * rms(plain.samples, n - 2 * 2400, n));
}

TEST_F(Ostrelle, ALoopRunsFromItsEndIntoItsStartWithoutASeam) {
  // The wind's background flow alone, low-passed at 50 Hz at a steady
  // speed: its sample-to-sample changes are small next to its level, so a
  // cut shows as a step far larger than any of them.
  const std::string settings =
      " --quiet --rate 24000 --set whistling_level=0 --set gusts_level=0 --set squalls_level=0"
      " --set backflow_level=1 --set backflow_hc_freq=50 --set global_coupling_from_outside=1"
      " --set coupling_between_global_source_and_backflow=1";
  ASSERT_EQ(run("render wind -o loop.wav --loop 3 --crossfade 0.5" + settings).status, 0);
  ASSERT_EQ(run("render wind -o plain.wav --seconds 3.5" + settings).status, 0);
  const sound loop = read_sound(path("loop.wav")), plain = read_sound(path("plain.wav"));
  ASSERT_EQ(loop.info.frames, 72000);
  for (int c = 0; c < 2; ++c) {
    SCOPED_TRACE(c);
    const std::vector<float> x = channel(loop, c), y = channel(plain, c);
    double largest = 0.0;
    for (std::size_t i = 1; i < x.size(); ++i)
      largest = std::max(largest, std::fabs(static_cast<double>(x[i]) - x[i - 1]));
    const double wrap = std::fabs(static_cast<double>(x.front()) - x.back());
    EXPECT_LE(wrap, largest) << "step at the wrap";
    // The plain render cut to the same length has the seam the loop avoids.
    const double cut = std::fabs(static_cast<double>(y[72000 - 1]) - y[0]);
    EXPECT_GT(cut, 3.0 * largest);
    // The loop is the engine's own signal from its crossfade length on, up
    // to the crossfade at its end.
    EXPECT_TRUE(std::equal(x.begin(), x.begin() + 60000, y.begin() + 12000));
    // And it holds its level through the crossfade.
    EXPECT_NEAR(20 * std::log10(rms(x, 60000, 72000) / rms(x, 0, 60000)), 0.0, 3.0);
  }
  EXPECT_NE(run("render wind -o l.wav --loop 2 --crossfade 3").err.find("--crossfade"),
            std::string::npos);
  EXPECT_NE(run("render wind -o l.wav --loop 2 --seconds 3").err.find("drop --seconds"),
            std::string::npos);
}

TEST_F(Ostrelle, SeedsGiveOtherTakesWithTheSameStatistics) {
  // Steady rain (no automatic swells), so takes can be compared by level.
  const std::string settings =
      " --seconds 3 --quiet --set global_coupling_from_outside=1 --set global_amplitude=0"
      " --set global_control=0.7 --set rumble_level=1 --set liquid_level=1";
  ASSERT_EQ(run("render rain -o default.wav" + settings).status, 0);
  ASSERT_EQ(run("render rain -o zero.wav --seed 0" + settings).status, 0);
  ASSERT_EQ(run("render rain -o one.wav --seed 1" + settings).status, 0);
  ASSERT_EQ(run("render rain -o again.wav --seed 1" + settings).status, 0);
  EXPECT_TRUE(slurp(path("default.wav")) == slurp(path("zero.wav")));
  EXPECT_TRUE(slurp(path("one.wav")) == slurp(path("again.wav")));
  const sound a = read_sound(path("default.wav")), b = read_sound(path("one.wav"));
  ASSERT_EQ(a.samples.size(), b.samples.size());
  // Other draws: the two takes are unrelated sample by sample ...
  double ab = 0.0, aa = 0.0, bb = 0.0;
  for (std::size_t i = 0; i < a.samples.size(); ++i) {
    ab += static_cast<double>(a.samples[i]) * b.samples[i];
    aa += static_cast<double>(a.samples[i]) * a.samples[i];
    bb += static_cast<double>(b.samples[i]) * b.samples[i];
  }
  EXPECT_LT(std::fabs(ab) / std::sqrt(aa * bb), 0.2);
  // ... with the same level and the same brightness (mean absolute slope
  // against level) after the first second.
  const std::size_t from = 2 * 48000, to = a.samples.size();
  EXPECT_NEAR(20 * std::log10(rms(a.samples, from, to) / rms(b.samples, from, to)), 0.0, 1.0);
  auto slope = [&](const std::vector<float>& x) {
    double s = 0.0;
    for (std::size_t i = from + 2; i < to; ++i) s += std::fabs(static_cast<double>(x[i]) - x[i - 2]);
    return s / (to - from) / rms(x, from, to);
  };
  EXPECT_NEAR(slope(a.samples) / slope(b.samples), 1.0, 0.1);

  // --takes writes numbered files, take k with seed --seed + k - 1.
  const result takes = run("render rain -o take.wav --takes 3 --seed 1" + settings);
  ASSERT_EQ(takes.status, 0) << takes.err;
  EXPECT_TRUE(slurp(path("take-1.wav")) == slurp(path("one.wav")));
  ASSERT_EQ(run("render rain -o three.wav --seed 3" + settings).status, 0);
  EXPECT_TRUE(slurp(path("take-3.wav")) == slurp(path("three.wav")));
  EXPECT_FALSE(fs::exists(path("take.wav")));
}

TEST(TakePaths, NumberBeforeTheExtensionPaddedToTheCount) {
  EXPECT_EQ(take_path("bed.wav", 1, 1), "bed.wav");
  EXPECT_EQ(take_path("bed.wav", 2, 3), "bed-2.wav");
  EXPECT_EQ(take_path("out/bed.flac", 7, 12), "out/bed-07.flac");
  EXPECT_EQ(take_path("my.dir/bed", 3, 4), "my.dir/bed-3");
  EXPECT_EQ(take_path(".wav", 1, 2), ".wav-1");
}

TEST_F(Ostrelle, NoClobberRefusesAnExistingFile) {
  std::ofstream(path("bed.wav")) << "keep";
  std::ofstream(path("take-2.wav")) << "keep";
  const result r = run("render rain -o bed.wav --seconds 0.2 --no-clobber");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("'bed.wav' exists (--no-clobber)"), std::string::npos) << r.err;
  // Every take's name is checked before any is written.
  EXPECT_NE(run("render rain -o take.wav --takes 3 --seconds 0.2 --no-clobber").status, 0);
  EXPECT_EQ(slurp(path("bed.wav")), "keep");
  EXPECT_EQ(slurp(path("take-2.wav")), "keep");
  EXPECT_FALSE(fs::exists(path("take-1.wav")));
  ASSERT_EQ(run("render rain -o new.wav --seconds 0.2 --no-clobber --quiet").status, 0);
  ASSERT_EQ(run("render rain -o bed.wav --seconds 0.2 --quiet").status, 0);
  EXPECT_NE(slurp(path("bed.wav")), "keep");
}

TEST_F(Ostrelle, ANoteSaysWhenTheLayoutSilencesAParameter) {
  struct expect {
    std::string args, note;  // "" for no note
  };
  const expect cases[] = {
      {"rain --preset Move_Liquid2_Density --format mono", "no second drop layer"},
      {"rain --preset Move_Liquid2_Density --format stereo", ""},
      {"rain --format mono", ""},  // the default has no second layer to miss
      {"rain --format mono --automate liquid_2_level=0:0,1:0.5", "liquid_2_level"},
      {"rain --set rain_lfe_level=1", "rain_lfe_level is silent: the stereo layout"},
      {"wind --set wind_lfe_level=1 --format quad", "wind_lfe_level is silent: the quad layout"},
      {"rain --set rain_lfe_level=1 --format 5.1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const result r = run("render " + c.args + " -o x.wav --seconds 0.1");
    ASSERT_EQ(r.status, 0) << r.err;
    if (c.note.empty()) {
      EXPECT_EQ(r.err.find("note:"), std::string::npos) << r.err;
    } else {
      EXPECT_NE(r.err.find("note: "), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(c.note), std::string::npos) << r.err;
    }
  }
}

TEST_F(Ostrelle, BedOptionsThatCannotWorkAreRefused) {
  struct bad {
    std::string args, says;
  };
  const bad cases[] = {
      {"--loop 4 --seconds 4", "drop --seconds"},
      {"--loop 4 --fade-in 1", "a loop has no start or end"},
      {"--loop 0", "duration must be above 0"},
      {"--crossfade 1", "--crossfade belongs to --loop"},
      {"--loop 2 --crossfade 2.5", "at most the loop's length"},
      {"--loop 2 --crossfade 0", "must be above 0"},
      {"--seconds 2 --fade-in 1.5 --fade-out 1", "no longer than the render (2.00 s)"},
      {"--seconds 2 --fade-out -1", "must be 0 s or longer"},
      {"--seconds 2 --fade-in 1e300 --fade-out 1e300", "no longer than the render"},
      {"--loudness 3", "outside -70..0 LUFS"},
      {"--loudness nan", "outside -70..0 LUFS"},
      {"--takes 0", "--takes 0 is outside 1..1000"},
      {"--takes 2 -o -", "not to standard output"},
  };
  for (const auto& c : cases) {
    const bool out = c.args.find("-o -") != std::string::npos;
    expect_refused("render wind " + c.args + (out ? "" : " -o x.wav"), c.says);
  }
}

}  // namespace
