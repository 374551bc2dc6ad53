#pragma once
// Helpers the wind and rain engine tests share: caller-owned engine memory,
// render helpers for both output paths, the rendered layouts, bit-level
// comparisons, a byte hash and an averaged power spectrum. Each engine's
// helper header supplies, for its record type R, the overloads
// engine_size(const R*), engine_init(R*, float), engine_process(R*, float*,
// int32_t, uint32_t) and engine_process_deinterleaved(R*, float* const*,
// int32_t, uint32_t) before including this one.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/common/aligned_memory.h"

namespace engine_test {

inline constexpr float RATE = 48000.0f;
// What the render helpers' buffers hold before the engine writes them.
inline const float UNWRITTEN = std::numeric_limits<float>::quiet_NaN();

// Engine memory the way a host or program provides it: raw, 64-byte aligned,
// of the engine's size rounded up, and filled with a pattern so that nothing
// may rely on zeroed memory. The record is never copied or moved.
template <class R>
class engine_memory {
 public:
  explicit engine_memory(uint8_t fill = 0xA5) {
    size_ = (static_cast<size_t>(engine_size(static_cast<const R*>(nullptr))) + 63u) / 64u * 64u;
    p_ = test_memory::aligned_allocate(64, size_);
    std::memset(p_, fill, size_);
  }
  ~engine_memory() { test_memory::aligned_release(p_); }
  engine_memory(const engine_memory&) = delete;
  engine_memory& operator=(const engine_memory&) = delete;

  R* get() const { return static_cast<R*>(p_); }
  R* operator->() const { return get(); }
  operator R*() const { return get(); }

  // A copy of the record's bytes (for before/after comparisons only).
  std::vector<uint8_t> bytes() const {
    const auto* b = static_cast<const uint8_t*>(p_);
    return std::vector<uint8_t>(b, b + engine_size(static_cast<const R*>(nullptr)));
  }

 private:
  void* p_;
  size_t size_;
};

// An engine initialised at the given rate (48 kHz by default).
template <class R>
class initialised_engine : public engine_memory<R> {
 public:
  explicit initialised_engine(float rate = RATE) { EXPECT_EQ(engine_init(this->get(), rate), 0); }
};

struct layout_case {
  int32_t mask;
  uint32_t channels;
  const char* name;
};

// The eight rendered layouts.
inline constexpr layout_case LAYOUTS[8] = {
    {0x80000, 1, "Mono"},         {0x3, 2, "Stereo"},
    {0xB, 3, "TwoOne"},           {0x33, 4, "Quad"},
    {0x37, 5, "FiveZero"},        {0x3F, 6, "FiveOne"},
    {0x40000037, 5, "FiveZeroC"}, {0x4000003F, 6, "FiveOneC"},
};

inline constexpr int32_t MONO = 0x80000;
inline constexpr int32_t STEREO = 0x3;
inline constexpr int32_t TWO_ONE = 0xB;
inline constexpr int32_t QUAD = 0x33;
inline constexpr int32_t FIVE_ZERO = 0x37;
inline constexpr int32_t FIVE_ONE = 0x3F;

// Renders `frames` interleaved frames in calls whose lengths cycle through
// `calls`.
template <class R>
std::vector<float> render_interleaved(R* e, int32_t mask, uint32_t channels, uint32_t frames,
                                      const std::vector<uint32_t>& calls = {512}) {
  // NaN until written: a frame the engine leaves alone shows in every check.
  std::vector<float> out(static_cast<size_t>(frames) * channels, UNWRITTEN);
  uint32_t done = 0;
  for (size_t k = 0; done < frames; ++k) {
    uint32_t n = calls[k % calls.size()];
    if (n > frames - done) n = frames - done;
    EXPECT_EQ(engine_process(e, out.data() + static_cast<size_t>(done) * channels, mask, n), 0);
    done += n;
  }
  return out;
}

// The same through the deinterleaved path; the result holds the channels one
// after the other (channel-major).
template <class R>
std::vector<float> render_deinterleaved(R* e, int32_t mask, uint32_t channels, uint32_t frames,
                                        const std::vector<uint32_t>& calls = {512}) {
  // NaN until written: a frame the engine leaves alone shows in every check.
  std::vector<float> out(static_cast<size_t>(frames) * channels, UNWRITTEN);
  uint32_t done = 0;
  for (size_t k = 0; done < frames; ++k) {
    uint32_t n = calls[k % calls.size()];
    if (n > frames - done) n = frames - done;
    float* outs[8];
    for (uint32_t c = 0; c < channels; ++c)
      outs[c] = out.data() + static_cast<size_t>(c) * frames + done;
    EXPECT_EQ(engine_process_deinterleaved(e, outs, mask, n), 0);
    done += n;
  }
  return out;
}

template <class R>
std::vector<float> render(R* e, bool deinterleaved, int32_t mask, uint32_t channels,
                          uint32_t frames, const std::vector<uint32_t>& calls = {512}) {
  return deinterleaved ? render_deinterleaved(e, mask, channels, frames, calls)
                       : render_interleaved(e, mask, channels, frames, calls);
}

// One channel of an interleaved render.
inline std::vector<float> channel_of(const std::vector<float>& x, uint32_t channels,
                                     uint32_t c) {
  std::vector<float> y(x.size() / channels);
  for (size_t i = 0; i < y.size(); ++i) y[i] = x[i * channels + c];
  return y;
}

inline bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Index of the first sample whose bits differ, or -1.
inline long first_difference(const std::vector<float>& a, const std::vector<float>& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
  return a.size() == b.size() ? -1 : static_cast<long>(n);
}

inline double peak_abs(const float* x, size_t n) {
  double m = 0.0;
  for (size_t i = 0; i < n; ++i) m = std::fabs(x[i]) > m ? std::fabs(x[i]) : m;
  return m;
}

inline double energy(const float* x, size_t n) {
  double s = 0.0;
  for (size_t i = 0; i < n; ++i) s += static_cast<double>(x[i]) * static_cast<double>(x[i]);
  return s;
}

// Number of samples that are NaN, infinite or outside [-1, 1].
inline size_t count_out_of_range(const std::vector<float>& x) {
  size_t bad = 0;
  for (float v : x)
    if (!std::isfinite(v) || v > 1.0f || v < -1.0f) ++bad;
  return bad;
}

// FNV-1a, 64 bits, over raw bytes.
inline uint64_t fnv1a64(const void* data, size_t n, uint64_t h = 0xcbf29ce484222325ull) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) {
    h ^= p[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

// In-place radix-2 FFT of a power-of-two length.
inline void fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double ang = -2.0 * 3.141592653589793 / static_cast<double>(len);
    const std::complex<double> wl(std::cos(ang), std::sin(ang));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0, 0.0);
      for (size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= wl;
      }
    }
  }
}

// Averaged power spectrum (Hann windows of `size` samples, half overlap) of
// every `stride`-th sample starting at `offset`; size / 2 + 1 bins.
inline std::vector<double> power_spectrum(const std::vector<float>& x, size_t size,
                                          size_t stride = 1, size_t offset = 0) {
  std::vector<double> acc(size / 2 + 1, 0.0);
  std::vector<std::complex<double>> buf(size);
  const size_t frames = (x.size() - offset) / stride;
  for (size_t start = 0; start + size <= frames; start += size / 2) {
    for (size_t i = 0; i < size; ++i) {
      const double w = 0.5 - 0.5 * std::cos(2.0 * 3.141592653589793 * static_cast<double>(i) /
                                            static_cast<double>(size));
      buf[i] = w * static_cast<double>(x[offset + (start + i) * stride]);
    }
    fft(buf);
    for (size_t k = 0; k < acc.size(); ++k) acc[k] += std::norm(buf[k]);
  }
  return acc;
}

}  // namespace engine_test
