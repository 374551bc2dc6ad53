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

// In the order of LAYOUTS: mono, stereo, 2.1, quad, 5.0, 5.1, and the
// centre-second 5.0 and 5.1.
constexpr golden GOLDEN[8] = {
    {0x0ull, 0x0ull}, {0x0ull, 0x0ull}, {0x0ull, 0x0ull}, {0x0ull, 0x0ull},
    {0x0ull, 0x0ull}, {0x0ull, 0x0ull}, {0x0ull, 0x0ull}, {0x0ull, 0x0ull},
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
