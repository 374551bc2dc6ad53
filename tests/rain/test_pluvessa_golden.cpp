// Golden hashes: FNV-1a 64 over the raw float bytes of the first second
// (48000 frames in calls of 512) of a fresh engine with the default preset,
// per layout and output path (deinterleaved: the channels one after the
// other). They pin this toolchain's exact output, so that an optimisation or
// a refactoring cannot change the sound unnoticed; a deliberate change of
// the sound updates them.

#include <cinttypes>

#include "pluvessa_test_util.h"

using namespace rain_test;

namespace {

struct golden {
  int32_t mask;
  bool deinterleaved;
  uint64_t hash;
};

constexpr golden GOLDENS[] = {
    {0x00080000, false, 0x57D298199E2F5678ull},
    {0x00080000, true, 0x57D298199E2F5678ull},
    {0x00000003, false, 0xA1016D26EDA2CE8Eull},
    {0x00000003, true, 0x3F96E71A7056EE93ull},
    {0x0000000B, false, 0xE489EE279C33393Eull},
    {0x0000000B, true, 0x98DE3A807DF92D94ull},
    {0x00000033, false, 0x253EC3FCE8AD9D7Full},
    {0x00000033, true, 0x6969FCB500ECEB80ull},
    {0x00000037, false, 0x857AE10EBEC7A32Cull},
    {0x00000037, true, 0xF94B555182FA2E26ull},
    {0x0000003F, false, 0xB7D0378B5258F634ull},
    {0x0000003F, true, 0xC9B9D4A1A98F9943ull},
    {0x40000037, false, 0x2C35E047EF7B4869ull},
    {0x40000037, true, 0x196FF8F690C6B81Aull},
    {0x4000003F, false, 0xA03DE871A5F66572ull},
    {0x4000003F, true, 0x26450F374B4B2FCBull},
};

}  // namespace

TEST(PluvessaGolden, FirstSecondOfEveryLayout) {
  for (const golden& g : GOLDENS) {
    uint32_t channels = 0;
    for (const layout_case& l : LAYOUTS)
      if (l.mask == g.mask) channels = l.channels;
    ASSERT_NE(channels, 0u);
    engine e;
    const std::vector<float> out = render(e, g.deinterleaved, g.mask, channels, 48000, {512});
    const uint64_t h = fnv1a64(out.data(), out.size() * sizeof(float));
    char got[32];
    std::snprintf(got, sizeof got, "0x%016" PRIX64, h);
    EXPECT_EQ(h, g.hash) << std::hex << "layout 0x" << g.mask
                         << (g.deinterleaved ? " deinterleaved" : " interleaved") << ": got "
                         << got;
  }
}
