// End-to-end checks of the ostrelle command-line renderer, through the built
// binary: files read back with libsndfile, reproducibility, automation,
// presets, and every bad-input case (message, status, no file left).

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "engine/pluvessa_bank.h"
#include "engine/preset_descriptions.h"
#include "engine/vantora_bank.h"
#include "tools/synth.h"
#include "tests/tools/ostrelle_fixture.h"

using namespace ostrelle_test;

namespace {

TEST_F(Ostrelle, RendersFilesThatReadBackWithTheirFormat) {
  struct expect {
    std::string args, file;
    int channels, rate, format;
    long frames;
  };
  const expect cases[] = {
      {"render wind -o w.wav --quiet", "w.wav", 2, 48000, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT,
       480000},
      {"render rain -o r.wav --seconds 1.5 --rate 44100 --format 5.1 --encoding pcm16 --quiet",
       "r.wav", 6, 44100, SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 66150},
      {"render wind -o m.flac --seconds 0.5 --format mono --quiet", "m.flac", 1, 48000,
       SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 24000},
      {"render rain -o q.wav --seconds 0.25 --format quad --encoding pcm24 --rate 96000 --quiet",
       "q.wav", 4, 96000, SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 24000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const result r = run(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    const sound s = read_sound(path(c.file));
    EXPECT_EQ(s.info.channels, c.channels);
    EXPECT_EQ(s.info.samplerate, c.rate);
    EXPECT_EQ(s.info.format, c.format);
    EXPECT_EQ(s.info.frames, c.frames);
    ASSERT_FALSE(s.samples.empty());
    EXPECT_GT(rms(s.samples, 0, s.samples.size()), 1e-4);
  }
}

TEST_F(Ostrelle, SummaryLineNamesPathDurationChannelsPeakAndRms) {
  const result r = run("render rain -o rain.wav --seconds 1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("rain.wav"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1.00 s"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 channels"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("peak"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("RMS"), std::string::npos) << r.out;
  // Not a terminal: no progress bar.
  EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(Ostrelle, SameCommandGivesIdenticalBytesAndBlockSizeDoesNotChangeTheAudio) {
  ASSERT_EQ(run("render wind -o a.wav --seconds 2 --quiet").status, 0);
  // Past a second boundary, so nothing time-stamped may sneak into the file.
  ::usleep(1100000);
  ASSERT_EQ(run("render wind -o b.wav --seconds 2 --quiet").status, 0);
  EXPECT_TRUE(slurp(path("a.wav")) == slurp(path("b.wav")));
  for (const char* block : {"1", "7", "100", "4096"}) {
    SCOPED_TRACE(block);
    ASSERT_EQ(run(std::string("render wind -o c.wav --seconds 2 --quiet --block ") + block).status,
              0);
    EXPECT_TRUE(slurp(path("a.wav")) == slurp(path("c.wav")));
  }
}

TEST_F(Ostrelle, RawFloatOnStandardOutputMatchesTheFile) {
  ASSERT_EQ(run("render rain -o f.wav --seconds 0.5 --quiet").status, 0);
  const result r = run("render rain -o - --seconds 0.5");
  ASSERT_EQ(r.status, 0) << r.err;
  const sound s = read_sound(path("f.wav"));
  ASSERT_EQ(r.out.size(), s.samples.size() * sizeof(float));
  EXPECT_EQ(0, std::memcmp(r.out.data(), s.samples.data(), r.out.size()));
}

TEST_F(Ostrelle, AutomationIsAudible) {
  // The LFE channel of 5.1 follows rain_lfe_level: silent at the start, loud
  // at the end.
  ASSERT_EQ(run("render rain -o a.wav --format 5.1 --seconds 4 --quiet "
                "--set global_coupling_from_outside=1 --set global_control=1 "
                "--automate rain_lfe_level=0:0,1:0,3:1")
                .status,
            0);
  const sound s = read_sound(path("a.wav"));
  ASSERT_EQ(s.info.channels, 6);
  std::vector<float> lfe;
  for (std::size_t f = 0; f < static_cast<std::size_t>(s.info.frames); ++f)
    lfe.push_back(s.samples[f * 6 + 3]);
  const double first = rms(lfe, 0, 48000), last = rms(lfe, 3 * 48000, 4 * 48000);
  EXPECT_LT(first, 1e-6);
  EXPECT_GT(last, 1e-3);

  // The wind speed moved from still to full: the last second is louder.
  ASSERT_EQ(run("render wind -o w.wav --seconds 6 --quiet --set global_coupling_from_outside=1 "
                "--set coupling_between_global_source_and_gusts=1 "
                "--automate global_control=0:0,5:1")
                .status,
            0);
  const sound w = read_sound(path("w.wav"));
  EXPECT_GT(rms(w.samples, 5 * 96000, 6 * 96000), 1.5 * rms(w.samples, 0, 96000));
}

TEST_F(Ostrelle, PresetListingMatchesTheBank) {
  for (const char* engine : {"wind", "rain"}) {
    SCOPED_TRACE(engine);
    const synth_kind& k = *synth_find(engine);
    const result list = run(std::string("presets ") + engine);
    ASSERT_EQ(list.status, 0) << list.err;
    // Each preset on a line of its own, ending in its one-line description.
    for (uint32_t i = 0; i < k.bank->preset_count; ++i) {
      const auto at = list.out.find(std::string("\n  ") + k.bank->presets[i].name + " ");
      ASSERT_NE(at, std::string::npos) << k.bank->presets[i].name;
      const std::string line = list.out.substr(at + 1, list.out.find('\n', at + 1) - at - 1);
      const std::string about = preset_description_of(*k.bank, i);
      ASSERT_FALSE(about.empty());
      EXPECT_EQ(line.substr(line.size() - std::min(line.size(), about.size())), about);
    }
    for (uint32_t c = 0; c < k.bank->category_count; ++c)
      EXPECT_NE(list.out.find(std::string(k.bank->categories[c].name) + "\n"), std::string::npos);

    // Every KEY VALUE line reads back the exact value the record holds.
    const factory_preset& p = k.bank->presets[k.bank->preset_count - 1];
    const result one = run(std::string("presets ") + engine + " " + p.name);
    ASSERT_EQ(one.status, 0) << one.err;
    synth_instance s(k);
    k.init(s.engine(), 48000.0f);
    k.load_preset(s.engine(), p.record);
    std::istringstream lines(one.out);
    std::string key, value;
    uint32_t count = 0;
    while (lines >> key >> value) {
      ASSERT_EQ(key, k.table[count].key);
      EXPECT_EQ(std::strtof(value.c_str(), nullptr), s.get(static_cast<int>(count))) << key;
      ++count;
    }
    EXPECT_EQ(count, k.param_count - 1);
  }
}

TEST_F(Ostrelle, ParamsListsEveryKey) {
  const result r = run("params rain");
  ASSERT_EQ(r.status, 0);
  const synth_kind& k = *synth_find("rain");
  for (uint32_t i = 0; i < k.param_count; ++i)
    EXPECT_NE(r.out.find(k.table[i].key), std::string::npos) << k.table[i].key;
  EXPECT_NE(r.out.find("Hz"), std::string::npos);
}

TEST_F(Ostrelle, SavedPresetReproducesTheRender) {
  ASSERT_EQ(run("preset save rain -o my.preset --set rumble_level=0.2 --set shower_color=900")
                .status,
            0);
  EXPECT_EQ(fs::file_size(path("my.preset")), 288u);
  ASSERT_EQ(run("render rain -o a.wav --seconds 1 --quiet --set rumble_level=0.2 "
                "--set shower_color=900")
                .status,
            0);
  ASSERT_EQ(run("render rain -o b.wav --seconds 1 --quiet --load-preset my.preset").status, 0);
  EXPECT_TRUE(slurp(path("a.wav")) == slurp(path("b.wav")));
  // The same settings reached from a factory preset render the same too.
  ASSERT_EQ(run("preset save rain -o storm.preset --preset Storm").status, 0);
  ASSERT_EQ(run("render rain -o c.wav --seconds 1 --quiet --preset Storm").status, 0);
  ASSERT_EQ(run("render rain -o d.wav --seconds 1 --quiet --load-preset storm.preset").status, 0);
  EXPECT_TRUE(slurp(path("c.wav")) == slurp(path("d.wav")));
}

TEST_F(Ostrelle, BadInputGivesOneLineAStatusAndNoFile) {
  // A valid wind preset record to corrupt.
  ASSERT_EQ(run("preset save wind -o good.preset").status, 0);
  const std::string good = slurp(path("good.preset"));
  auto write = [&](const std::string& name, std::string bytes) {
    std::ofstream(path(name), std::ios::binary) << bytes;
  };
  auto patched = [&](std::size_t offset, uint32_t v) {
    std::string b = good;
    std::memcpy(b.data() + offset, &v, 4);
    return b;
  };
  write("short.preset", good.substr(0, 100));
  write("long.preset", good + "xxxx");
  write("major.preset", patched(0, 0x00020101u));
  write("minor.preset", patched(0, 0x00010102u));
  write("magic.preset", patched(4, 0xDEADBEEFu));
  write("index.preset", patched(16, 47u));
  write("sizefield.preset", patched(8, 400u));

  struct bad {
    std::string args, says;
  };
  const bad cases[] = {
      {"render snow -o x.wav", "unknown engine"},
      {"render wind -o x.wav --preset Nope", "unknown wind preset"},
      {"render wind -o x.wav --set nope=1", "unknown parameter"},
      {"render wind -o x.wav --set global_control=loud", "not a number"},
      {"render wind -o x.wav --set global_control=nan", "not a finite number"},
      {"render wind -o x.wav --set global_control=inf", "not a finite number"},
      {"render wind -o x.wav --automate global_control=0:1,oops", "not T:V"},
      {"render wind -o x.wav --automate global_control", "expected KEY=T:V"},
      {"render wind -o x.wav --automate global_control=0:1,2:0,1:1", "times must increase"},
      {"render wind -o x.wav --rate 7999", "outside 8000..384000"},
      {"render wind -o x.wav --rate 384001", "outside 8000..384000"},
      {"render wind -o x.wav --seconds 0", "duration"},
      {"render wind -o x.wav --seconds 86401", "duration"},
      {"render wind -o x.wav --block 0", "block size"},
      {"render wind -o x.wav --block 16385", "block size"},
      {"render wind -o no/such/dir/x.wav", "cannot write"},
      {"render wind -o x.mp3", "unsupported file extension"},
      {"render wind -o x.ogg --encoding pcm16", "Vorbis"},
      {"render wind -o x.wav --encoding pcm8", "unknown encoding"},
      {"render wind -o x.wav --format 7.1", "unknown layout"},
      {"render wind -o x.wav --load-preset missing.preset", "cannot read preset file"},
      {"render wind -o x.wav --load-preset short.preset", "truncated"},
      {"render wind -o x.wav --load-preset long.preset", "wrong size"},
      {"render wind -o x.wav --load-preset sizefield.preset", "wrong size"},
      {"render wind -o x.wav --load-preset major.preset", "unsupported major version"},
      {"render wind -o x.wav --load-preset minor.preset", "unsupported minor version"},
      {"render wind -o x.wav --load-preset magic.preset", "bad magic"},
      {"render wind -o x.wav --load-preset index.preset", "unknown parameter index"},
      {"render rain -o x.wav --load-preset good.preset", "a wind preset record, not a rain one"},
      {"presets fog", "unknown engine"},
      {"presets rain Nope", "unknown rain preset"},
      {"preset save rain -o x.preset --set nope=2", "unknown parameter"},
  };
  for (const auto& c : cases) expect_refused(c.args, c.says);
}

TEST_F(Ostrelle, HelpAndVersion) {
  const result v = run("--version");
  EXPECT_EQ(v.status, 0);
  EXPECT_NE(v.out.find("ostrelle"), std::string::npos);
  const result h = run("--help");
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("render"), std::string::npos);
  const result rh = run("render --help");
  EXPECT_EQ(rh.status, 0);
  EXPECT_NE(rh.out.find("--automate"), std::string::npos);
  const result none = run("");
  EXPECT_NE(none.status, 0);
}

}  // namespace
