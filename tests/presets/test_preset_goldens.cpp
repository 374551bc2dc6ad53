// Pins the exact sound of several factory presets of each engine beyond the
// default: for each, one hash over the first second of all eight layouts,
// interleaved and deinterleaved (each an FNV-1a 64 of the raw float bytes,
// chained). Work on the render loops must leave every one unchanged; a
// deliberate change of sound updates them from the failure messages, which
// list the per-layout hashes.

#include <cinttypes>
#include <cstdio>
#include <string>

#include "dsp/simd/levels.h"
#include "dsp/lanes.h"

#include "preset_test_util.h"

using namespace preset_test;

namespace {

constexpr int32_t LAYOUT_MASKS[8] = {0x80000, 0x3, 0xB, 0x33, 0x37, 0x3F, 0x40000037, 0x4000003F};

uint64_t fnv1a(const void* data, size_t n, uint64_t h = 0xCBF29CE484222325ull) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

// 48000 frames in 512-frame calls after init and loading the preset.
uint64_t render_hash(bank_id b, const factory_preset& p, int32_t mask, bool deinterleaved) {
  const uint32_t channels = channel_count_of_mask(static_cast<uint32_t>(mask));
  synth s(b);
  EXPECT_EQ(s.load(p.record), 0);
  std::vector<float> out(48000u * channels);
  std::vector<float> planes(512u * channels);
  for (uint32_t done = 0; done < 48000u; done += 512u) {
    const uint32_t n = 48000u - done < 512u ? 48000u - done : 512u;
    if (deinterleaved) {
      float* outs[6];
      for (uint32_t c = 0; c < channels; ++c) outs[c] = planes.data() + c * 512u;
      if (b == bank_id::wind)
        vantora_process_deinterleaved(s.wind(), outs, mask, n);
      else
        pluvessa_process_deinterleaved(s.rain(), outs, mask, n);
      for (uint32_t c = 0; c < channels; ++c)
        std::copy(outs[c], outs[c] + n, out.begin() + c * 48000u + done);
    } else {
      float* dst = out.data() + static_cast<size_t>(done) * channels;
      if (b == bank_id::wind)
        vantora_process(s.wind(), dst, mask, n);
      else
        pluvessa_process(s.rain(), dst, mask, n);
    }
  }
  return fnv1a(out.data(), out.size() * sizeof(float));
}

struct golden {
  bank_id bank;
  const char* preset;
  uint64_t hash;
};

constexpr golden GOLDENS[] = {
    {bank_id::wind, "Blizzard_High", 0x1D65BA8A68E30DBDull},
    {bank_id::wind, "Spaceship", 0x03B010263E460C75ull},
    {bank_id::wind, "Forest_Very_High", 0x8530AADEEFA8ABF3ull},
    {bank_id::wind, "Room", 0xEB7C0B45E7B1D551ull},
    {bank_id::rain, "Storm", 0x8E92CE8F5DBEF1CFull},
    {bank_id::rain, "Move_Liquid2_Density", 0xEBFA90852DD231DDull},
    {bank_id::rain, "Car_High", 0x69AF3783FDD97D8Aull},
    {bank_id::rain, "Psychedelic_Rain", 0xC0592F180BEC0D55ull},
};

std::string hex(uint64_t v) {
  char s[24];
  std::snprintf(s, sizeof s, "0x%016" PRIX64, v);
  return s;
}

}  // namespace

namespace {

void expect_goldens() {
  for (const golden& g : GOLDENS) {
    const factory_preset& p = preset_named(g.bank, g.preset);
    uint64_t all = 0xCBF29CE484222325ull;
    std::string detail;
    for (int32_t mask : LAYOUT_MASKS) {
      for (bool deint : {false, true}) {
        const uint64_t h = render_hash(g.bank, p, mask, deint);
        all = fnv1a(&h, sizeof h, all);
        detail.append(" ").append(hex(h));
      }
    }
    EXPECT_EQ(hex(all), hex(g.hash)) << bank_name(g.bank) << " " << g.preset << ":" << detail;
  }
}

}  // namespace

TEST(PresetGoldens, EveryLayoutAndPathOfSeveralPresetsIsUnchanged) { expect_goldens(); }

// The same sound from every vector level other than the one the processor
// picks: every level this build and processor run, down to the portable
// one (with AVX-512, the sixteen-lane block operations or the 256-bit ones,
// whichever it does not pick).
TEST(PresetGoldens, EveryKernelBuildGivesTheSameSound) {
  for (const vector_level level : vector_levels_supported()) {
    if (level == best_vector_level()) continue;
    SCOPED_TRACE(vector_level_name(level));
    vector_level_select(level);
    expect_goldens();
  }
  wide_vectors_allow(true);
}
