// Pins the exact sound of the default preset: a hash of the raw float bytes
// of the first second of every layout, interleaved and deinterleaved, so that
// no later optimisation or refactoring changes a single sample unnoticed.
// The values belong to this toolchain and build flags (exact single
// precision, no contraction); when a change of sound is intended, update them
// from the failure messages.

#include <cinttypes>
#include <cstdio>

#include "vantora_test_util.h"

using namespace wind_test;

namespace {

struct golden {
  uint64_t interleaved, deinterleaved;
};

// In the order of LAYOUTS. Mono has one channel, so both paths agree.
constexpr golden GOLDEN[8] = {
    {0x36E737BC226116A5ull, 0x36E737BC226116A5ull},  // mono
    {0x92773485B15748BCull, 0x9D9522CF7EAAD4DCull},  // stereo
    {0xCFE3A18E11C61888ull, 0x0B36D453DE2A5EA8ull},  // 2.1
    {0xFA54D06787310806ull, 0x6F9DDA677D449D8Eull},  // quad
    {0x523ED3A8F7856902ull, 0x7F70F4ED55A97DC6ull},  // 5.0
    {0xC60A9C3A0449EAA8ull, 0x7E60287AD7971E58ull},  // 5.1
    {0xA2764414E0271F29ull, 0x30FC1BD097447C56ull},  // 5.0, centre second
    {0xD53078C4F046D728ull, 0xB3B1FD20A4545AE0ull},  // 5.1, centre second
};

std::string hex(uint64_t v) {
  char s[24];
  std::snprintf(s, sizeof s, "0x%016" PRIX64, v);
  return s;
}

}  // namespace

// 48000 frames at 48 kHz in 512-frame calls from a fresh engine with the
// default preset; the deinterleaved output is hashed channel after channel.
TEST(VantoraGolden, FirstSecondOfEveryLayoutIsUnchanged) {
  for (int i = 0; i < 8; ++i) {
    const layout_case& l = LAYOUTS[i];
    std::vector<float> inter, deint;
    {
      engine e;
      inter = render_interleaved(e, l.mask, l.channels, 48000, {512});
    }
    {
      engine e;
      deint = render_deinterleaved(e, l.mask, l.channels, 48000, {512});
    }
    const uint64_t hi = fnv1a64(inter.data(), inter.size() * sizeof(float));
    const uint64_t hd = fnv1a64(deint.data(), deint.size() * sizeof(float));
    EXPECT_EQ(hex(hi), hex(GOLDEN[i].interleaved)) << l.name << " interleaved";
    EXPECT_EQ(hex(hd), hex(GOLDEN[i].deinterleaved)) << l.name << " deinterleaved";
  }
}
