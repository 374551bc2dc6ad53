#pragma once
// Shared by the fuzz targets: both engines behind one handle, and the check
// every render must pass (finite samples within [-1, 1]).

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tools/synth.h"

inline void require_bounded(const float* x, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!std::isfinite(x[i]) || std::fabs(x[i]) > 1.0f) std::abort();
}

// Reads little-endian values off the fuzzer's bytes; zeros once exhausted.
struct byte_reader {
  const uint8_t* p;
  std::size_t n;

  bool empty() const { return n == 0; }
  uint8_t u8() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(u8()) << (8 * i);
    return v;
  }
  float f32() {
    const uint32_t b = u32();
    float f;
    std::memcpy(&f, &b, 4);
    return f;
  }
};
