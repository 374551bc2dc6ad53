// Preset files: binary records and KEY VALUE text, read, printed and
// converted, and a file of the other engine named as such.

#include "engine/frame.h"
#include "tests/tools/ostrelle_fixture.h"
#include "tools/preset_files.h"
#include "tools/render.h"
#include "tools/tool_error.h"

using namespace ostrelle_test;

namespace {

void write_file(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// The record an engine saves after set-up from the given settings.
std::vector<uint8_t> saved(const synth_kind& k, const std::string& preset, const preset_file* f) {
  synth_instance s(k);
  set_up(s, 48000, preset, f, {});
  std::vector<uint8_t> record(k.preset_size);
  k.save_preset(s.engine(), record.data());
  return record;
}

TEST(PresetFiles, EveryFactoryPresetsTextReadsBackToTheSameValues) {
  const fs::path p = fs::temp_directory_path() / ("ostrelle_text_" + std::to_string(::getpid()));
  for (const char* engine : {"wind", "rain"}) {
    const synth_kind& k = *synth_find(engine);
    for (uint32_t i = 0; i < k.bank->preset_count; ++i) {
      const char* name = k.bank->presets[i].name;
      SCOPED_TRACE(name);
      synth_instance s(k);
      set_up(s, 48000, name, nullptr, {});
      write_file(p, preset_text(s));
      // Read as its own engine's, and told apart from the other's by its keys.
      const preset_file f = read_preset_file(p, nullptr);
      ASSERT_EQ(f.kind, &k);
      EXPECT_TRUE(f.record.empty());
      EXPECT_EQ(f.values.size(), k.param_count - 1);
      EXPECT_EQ(saved(k, "", &f), saved(k, name, nullptr));
    }
  }
  fs::remove(p);
}

TEST_F(Ostrelle, APresetFileOfTheOtherEngineIsNamedAsSuch) {
  ASSERT_EQ(run("preset save wind -o w.preset").status, 0);
  ASSERT_EQ(run("preset save rain -o r.preset").status, 0);
  write_file(path("r.txt"), run("presets rain Storm").out);
  write_file(path("w.txt"), run("presets wind Office").out);
  struct bad {
    std::string args, says;
  };
  const bad cases[] = {
      {"render wind -o x.wav --load-preset r.preset", "a rain preset record, not a wind one"},
      {"render rain -o x.wav --load-preset w.preset", "a wind preset record, not a rain one"},
      {"render wind -o x.wav --load-preset r.txt", "a rain preset (rumble_level on line 7)"},
      {"render rain -o x.wav --load-preset w.txt", "a wind preset (backflow_shape on line 7)"},
      {"preset show r.preset --engine wind", "a rain preset record, not a wind one"},
  };
  for (const auto& c : cases) expect_refused(c.args, c.says);
}

TEST_F(Ostrelle, TextPresetsPrintReadAndConvert) {
  // The printed text of a factory preset renders what the preset renders.
  const result text = run("presets rain Storm");
  ASSERT_EQ(text.status, 0);
  write_file(path("storm.txt"), text.out);
  const std::string args = " --seconds 0.5 --quiet";
  ASSERT_EQ(run("render rain -o a.wav --preset Storm" + args).status, 0);
  ASSERT_EQ(run("render rain -o b.wav --load-preset storm.txt" + args).status, 0);
  EXPECT_TRUE(slurp(path("a.wav")) == slurp(path("b.wav")));

  // A binary record and its text show the same lines; text converts back to
  // the same record, and 'preset save' writes text for a .txt name.
  ASSERT_EQ(run("preset save rain -o storm.preset --preset storm").status, 0);
  ASSERT_EQ(run("preset save rain -o again.preset --load-preset storm.txt").status, 0);
  EXPECT_TRUE(slurp(path("storm.preset")) == slurp(path("again.preset")));
  ASSERT_EQ(run("preset save rain -o saved.txt --load-preset storm.preset").status, 0);
  EXPECT_EQ(slurp(path("saved.txt")), text.out);
  const result shown_record = run("preset show storm.preset");
  const result shown_text = run("preset show storm.txt");
  ASSERT_EQ(shown_record.status, 0) << shown_record.err;
  EXPECT_EQ(shown_record.out, "# rain preset, from a binary record\n" + text.out);
  EXPECT_EQ(shown_text.out, "# rain preset, from a text file\n" + text.out);

  // Hand-written text: comments, blank lines, keys in any case, choice names,
  // only some keys (the rest keep their values from --preset).
  write_file(path("patch.txt"),
             "# a louder storm\n\nRUMBLE_LEVEL 0.5   # up front\n  shower_color\t900\n");
  ASSERT_EQ(run("render rain -o c.wav --preset Storm --load-preset patch.txt" + args).status, 0);
  ASSERT_EQ(run("render rain -o d.wav --preset Storm --set rumble_level=0.5 "
                "--set shower_color=900" + args)
                .status,
            0);
  EXPECT_TRUE(slurp(path("c.wav")) == slurp(path("d.wav")));
  write_file(path("shape.txt"), "backflow_shape Sea Low\nglobal_gain 0.5\n");
  ASSERT_EQ(run("render wind -o e.wav --load-preset shape.txt" + args).status, 0);
  ASSERT_EQ(run("render wind -o f.wav --set backflow_shape=12 --set global_gain=0.5" + args)
                .status,
            0);
  EXPECT_TRUE(slurp(path("e.wav")) == slurp(path("f.wav")));
}

TEST_F(Ostrelle, BadTextPresetsAreRefusedWithTheirLine) {
  struct bad {
    std::string text, says;
  };
  const bad cases[] = {
      {"rumble_level 0.5\nrumble_levl 0.2\n", "line 2: unknown parameter 'rumble_levl'"},
      {"rumble_levl 0.2\n", "did you mean rumble_level?"},
      {"shower_color 100\n", "line 1: shower_color 100: out of range (shower_color takes 300..1500 Hz)"},
      {"rumble_level\n", "line 1: expected KEY VALUE"},
      {"# nothing\n\n", "no KEY VALUE lines"},
      {"rumble_level loud\n", "not a number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    write_file(path("bad.txt"), c.text);
    expect_refused("render rain -o x.wav --load-preset bad.txt", c.says);
  }
  // Only keys both engines have: 'preset show' needs the engine named.
  write_file(path("shared.txt"), "global_control 0.5\n");
  EXPECT_NE(run("preset show shared.txt").err.find("name the engine"), std::string::npos);
  EXPECT_EQ(run("preset show shared.txt --engine rain").status, 0);
}

}  // namespace
