#pragma once
// Helpers shared by the rain engine tests: caller-owned engine memory, render
// helpers for both output paths, the rendered layouts, a byte hash, an
// averaged power spectrum and the voice levels.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "rain/pluvessa_engine.h"

namespace rain_test {

inline constexpr float RATE = 48000.0f;

// Engine memory the way a program provides it: raw, 64-byte aligned, of
// pluvessa_get_size() bytes rounded up, and filled with a pattern so that
// nothing may rely on zeroed memory. The record is never copied or moved.
class engine_memory {
 public:
  explicit engine_memory(uint8_t fill = 0xA5) {
    size_ = (static_cast<size_t>(pluvessa_get_size()) + 63u) / 64u * 64u;
    p_ = std::aligned_alloc(64, size_);
    std::memset(p_, fill, size_);
  }
  ~engine_memory() { std::free(p_); }
  engine_memory(const engine_memory&) = delete;
  engine_memory& operator=(const engine_memory&) = delete;

  pluvessa_engine* get() const { return static_cast<pluvessa_engine*>(p_); }
  pluvessa_engine* operator->() const { return get(); }
  operator pluvessa_engine*() const { return get(); }

  // A copy of the record's bytes (for before/after comparisons only).
  std::vector<uint8_t> bytes() const {
    const auto* b = static_cast<const uint8_t*>(p_);
    return std::vector<uint8_t>(b, b + pluvessa_get_size());
  }

 private:
  void* p_;
  size_t size_;
};

// An engine initialised at the given rate (48 kHz by default).
class engine : public engine_memory {
 public:
  explicit engine(float rate = RATE) { EXPECT_EQ(pluvessa_init(get(), rate), 0); }
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
inline std::vector<float> render_interleaved(pluvessa_engine* e, int32_t mask, uint32_t channels,
                                             uint32_t frames,
                                             const std::vector<uint32_t>& calls = {512}) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  uint32_t done = 0;
  for (size_t k = 0; done < frames; ++k) {
    uint32_t n = calls[k % calls.size()];
    if (n > frames - done) n = frames - done;
    EXPECT_EQ(pluvessa_process(e, out.data() + static_cast<size_t>(done) * channels, mask, n), 0);
    done += n;
  }
  return out;
}

// The same through the deinterleaved path; the result holds the channels one
// after the other (channel-major).
inline std::vector<float> render_deinterleaved(pluvessa_engine* e, int32_t mask,
                                               uint32_t channels, uint32_t frames,
                                               const std::vector<uint32_t>& calls = {512}) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  uint32_t done = 0;
  for (size_t k = 0; done < frames; ++k) {
    uint32_t n = calls[k % calls.size()];
    if (n > frames - done) n = frames - done;
    float* outs[8];
    for (uint32_t c = 0; c < channels; ++c)
      outs[c] = out.data() + static_cast<size_t>(c) * frames + done;
    EXPECT_EQ(pluvessa_process_deinterleaved(e, outs, mask, n), 0);
    done += n;
  }
  return out;
}

inline std::vector<float> render(pluvessa_engine* e, bool deinterleaved, int32_t mask,
                                 uint32_t channels, uint32_t frames,
                                 const std::vector<uint32_t>& calls = {512}) {
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

// Averaged power spectrum (Hann windows of `size` samples, half overlap) of a
// mono signal; size / 2 + 1 bins.
inline std::vector<double> power_spectrum(const std::vector<float>& x, size_t size) {
  std::vector<double> acc(size / 2 + 1, 0.0);
  std::vector<std::complex<double>> buf(size);
  for (size_t start = 0; start + size <= x.size(); start += size / 2) {
    for (size_t i = 0; i < size; ++i) {
      const double w = 0.5 - 0.5 * std::cos(2.0 * 3.141592653589793 * static_cast<double>(i) /
                                            static_cast<double>(size));
      buf[i] = w * static_cast<double>(x[start + i]);
    }
    fft(buf);
    for (size_t k = 0; k < acc.size(); ++k) acc[k] += std::norm(buf[k]);
  }
  return acc;
}

// Mean power of the bins within `half_width` Hz of `f`.
inline double band_power(const std::vector<double>& p, size_t size, double fs, double f,
                         double half_width) {
  const double bin = fs / static_cast<double>(size);
  const size_t k0 = static_cast<size_t>(std::ceil((f - half_width) / bin));
  const size_t k1 = static_cast<size_t>(std::floor((f + half_width) / bin));
  double s = 0.0;
  for (size_t k = k0; k <= k1; ++k) s += p[k];
  return s / static_cast<double>(k1 - k0 + 1);
}

// Levels of every voice kind; 0 silences a kind exactly (after the fade).
inline void set_levels(pluvessa_engine* e, float rumble, float shower, float liquid,
                       float liquid_2, float lfe) {
  pluvessa_set_rumble_level(e, rumble);
  pluvessa_set_shower_level(e, shower);
  pluvessa_set_liquid_level(e, liquid);
  pluvessa_set_liquid_2_level(e, liquid_2);
  pluvessa_set_rain_lfe_level(e, lfe);
}

// One row per parameter key (engine indices 0 to 33), written out here
// apart from the engine's own table: 0..1 parameters, whose normalised functions are the
// natural ones, and Hz-like parameters with their normalised mapping
// stored = span x + low and x = (stored - low) * k.
struct key_case {
  uint32_t index;
  const char* key;
  bool unit;
  float low, span, k;
  void (*set)(pluvessa_engine*, float);
  float (*get)(const pluvessa_engine*);
  void (*set_normalized)(pluvessa_engine*, float);
  float (*get_normalized)(const pluvessa_engine*);
};

#define RAIN_UNIT(i, key)                                                                  \
  key_case {                                                                               \
    i, #key, true, 0.0f, 1.0f, 1.0f, pluvessa_set_##key, pluvessa_get_##key,               \
        pluvessa_set_normalized_##key, pluvessa_get_normalized_##key                       \
  }
#define RAIN_FREE(i, key, low, span, k)                                                    \
  key_case {                                                                               \
    i, #key, false, low, span, k, pluvessa_set_##key, pluvessa_get_##key,                  \
        pluvessa_set_normalized_##key, pluvessa_get_normalized_##key                       \
  }

inline const key_case KEYS[34] = {
    RAIN_UNIT(0, global_control),
    RAIN_UNIT(1, global_coupling_from_outside),
    RAIN_UNIT(2, global_amplitude),
    RAIN_UNIT(3, global_rate),
    RAIN_UNIT(4, global_dutycycle),
    RAIN_UNIT(5, global_floor),
    RAIN_UNIT(6, rumble_level),
    RAIN_UNIT(7, rumble_density),
    RAIN_UNIT(8, rumble_notch_q),
    RAIN_FREE(9, rumble_hcut, 6000.0f, 14000.0f, 7.142857e-05f),
    RAIN_FREE(10, rumble_hp, 50.0f, 550.0f, 0.0018181818f),
    RAIN_UNIT(11, coupling_between_global_source_and_rumble),
    RAIN_UNIT(12, shower_level),
    RAIN_FREE(13, shower_color, 300.0f, 1200.0f, 0.0008333333f),
    RAIN_FREE(14, shower_lc_freq, 50.0f, 19950.0f, 5.012531e-05f),
    RAIN_FREE(15, shower_hc_freq, 50.0f, 19950.0f, 5.012531e-05f),
    RAIN_UNIT(16, liquid_level),
    RAIN_UNIT(17, liquid_drops_variance),
    RAIN_FREE(18, liquid_drops_color, 10.0f, 4990.0f, 0.0002004008f),
    RAIN_FREE(19, liquid_sweep_frequency, 0.5f, 399.5f, 0.002503129f),
    RAIN_UNIT(20, liquid_freq_min),
    RAIN_UNIT(21, liquid_freq_half_range),
    RAIN_FREE(22, liquid_hp_freq, 250.0f, 1350.0f, 0.0007407407f),
    RAIN_FREE(23, liquid_lp_freq, 4000.0f, 2000.0f, 0.0005f),
    RAIN_UNIT(24, liquid_2_level),
    RAIN_UNIT(25, liquid_2_drops_variance),
    RAIN_FREE(26, liquid_2_drops_color, 10.0f, 4990.0f, 0.0002004008f),
    RAIN_FREE(27, liquid_2_sweep_frequency, 0.5f, 399.5f, 0.002503129f),
    RAIN_UNIT(28, liquid_2_freq_min),
    RAIN_UNIT(29, liquid_2_freq_half_range),
    RAIN_FREE(30, liquid_2_hp_freq, 250.0f, 1350.0f, 0.0007407407f),
    RAIN_FREE(31, liquid_2_lp_freq, 4000.0f, 2000.0f, 0.0005f),
    RAIN_UNIT(32, rain_lfe_level),
    RAIN_FREE(33, rain_lfe_cutoff, 20.0f, 380.0f, 0.002631579f),
};

#undef RAIN_UNIT
#undef RAIN_FREE

// The default preset "Silence", natural values by engine index.
inline constexpr float SILENCE[34] = {
    0.23999998f, 1.0f,      0.17599997f, 0.572f,      0.552f,     0.0f,       0.43f,
    0.29600003f, 0.14799996f, 8075.191f, 220.71506f,  1.0f,       1.0f,       362.4461f,
    1228.7494f,  987.9425f, 0.373f,      0.7099296f,  179.41812f, 176.78f,    0.624f,
    1.0f,        394.5259f, 4048.6719f,  0.0f,        0.0f,       500.0f,     1.0f,
    1.0f,        1.0f,      380.0f,      4500.0f,     0.0f,       120.0f};

// Every voice audible with a full drop layer 2 and LFE, so that every column
// of every gain matrix carries signal.
inline void set_everything_audible(pluvessa_engine* e) {
  set_levels(e, 0.7f, 0.6f, 0.8f, 0.8f, 0.6f);
  pluvessa_set_liquid_drops_variance(e, 1.0f);
  pluvessa_set_liquid_2_drops_variance(e, 0.8f);
  pluvessa_set_liquid_2_freq_min(e, 0.3f);
  pluvessa_set_liquid_2_freq_half_range(e, 0.4f);
  pluvessa_set_liquid_2_sweep_frequency(e, 3.0f);
  pluvessa_set_coupling_between_global_source_and_rumble(e, 0.5f);
}

inline uint32_t u32_at(const void* p, size_t offset) {
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, 4);
  return v;
}

inline float f32_at(const void* p, size_t offset) {
  float v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, 4);
  return v;
}

}  // namespace rain_test
