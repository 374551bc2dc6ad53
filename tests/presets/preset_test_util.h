#pragma once
// Helpers shared by the factory bank tests: one engine of either kind behind
// a common face (init, load a record, read and write a parameter by key,
// render stereo), level measures, and the bank lookups the tests use.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "engine/pluvessa_bank.h"
#include "engine/vantora_bank.h"
#include "rain/pluvessa_engine.h"
#include "tests/common/aligned_memory.h"
#include "wind/vantora.h"

namespace preset_test {

inline constexpr float RATE = 48000.0f;
inline constexpr int32_t STEREO = 0x3;
inline constexpr uint32_t CALL_FRAMES = 512;

enum class bank_id { wind, rain };

inline const char* bank_name(bank_id b) { return b == bank_id::wind ? "Wind" : "Rain"; }

// Test names show the bank rather than its bytes.
inline void PrintTo(bank_id b, std::ostream* os) { *os << bank_name(b); }

inline const preset_bank& bank_of(bank_id b) {
  return b == bank_id::wind ? VANTORA_BANK : PLUVESSA_BANK;
}

// Entries in a record: every parameter but the master gain.
inline uint32_t entry_count(bank_id b) { return b == bank_id::wind ? 46u : 34u; }
inline uint32_t record_size(bank_id b) { return b == bank_id::wind ? 384u : 288u; }

inline const parameter_info* table_of(bank_id b) {
  return b == bank_id::wind ? VANTORA_PARAMETER_TABLE : PLUVESSA_PARAMETER_TABLE;
}

// Engine index of a parameter key; fails the test and returns 0 if unknown.
inline uint32_t index_of(bank_id b, const char* key) {
  const parameter_info* t = table_of(b);
  for (uint32_t i = 0; i < entry_count(b); ++i)
    if (std::strcmp(t[i].key, key) == 0) return i;
  ADD_FAILURE() << "no parameter " << key;
  return 0;
}

inline std::string category_name(bank_id b, int32_t id) {
  const preset_bank& bank = bank_of(b);
  for (uint32_t i = 0; i < bank.category_count; ++i)
    if (bank.categories[i].id == id) return bank.categories[i].name;
  return "?";
}

inline const factory_preset& preset_named(bank_id b, const char* name) {
  const factory_preset* p = preset_bank_find(bank_of(b), name);
  if (p == nullptr) {
    ADD_FAILURE() << bank_name(b) << " bank has no preset " << name;
    return bank_of(b).presets[0];
  }
  return *p;
}

inline uint32_t read_u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline uint32_t bits_of(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

// One engine of either kind in 64-byte aligned, caller-owned memory, never
// moved after init.
class synth {
 public:
  explicit synth(bank_id b) : bank_(b) {
    const size_t size = b == bank_id::wind ? vantora_get_size() : pluvessa_get_size();
    mem_ = test_memory::aligned_allocate(64, (size + 63) / 64 * 64);
    std::memset(mem_, 0, (size + 63) / 64 * 64);
    const int status =
        b == bank_id::wind ? vantora_init(wind(), RATE) : pluvessa_init(rain(), RATE);
    EXPECT_EQ(status, 0);
  }
  ~synth() { test_memory::aligned_release(mem_); }
  synth(const synth&) = delete;
  synth& operator=(const synth&) = delete;

  int load(const uint8_t* record) {
    return bank_ == bank_id::wind ? vantora_load_preset(wind(), record)
                                  : pluvessa_load_preset(rain(), record);
  }

  // The stored value's 4 bytes (a float, or an int32 for a wind choice).
  uint32_t raw(uint32_t index) const {
    uint32_t v = 0;
    if (bank_ == bank_id::wind)
      vantora_get_parameter_value(wind(), index, &v);
    else
      pluvessa_get_parameter_value(rain(), index, &v);
    return v;
  }
  bool is_choice(uint32_t index) const { return table_of(bank_)[index].type == PARAM_CHOICE; }
  // The stored value as a number, whatever its kind.
  double value(uint32_t index) const {
    const uint32_t v = raw(index);
    if (is_choice(index)) return static_cast<int32_t>(v);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
  }
  double get(const char* key) const { return value(index_of(bank_, key)); }
  void set(const char* key, float v) {
    const uint32_t i = index_of(bank_, key);
    if (bank_ == bank_id::wind)
      vantora_set_parameter_value(wind(), i, &v);
    else
      pluvessa_set_parameter_value(rain(), i, &v);
  }

  // Interleaved stereo frames, rendered in calls of CALL_FRAMES.
  std::vector<float> render(uint32_t frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    for (uint32_t done = 0; done < frames; done += CALL_FRAMES) {
      const uint32_t n = frames - done < CALL_FRAMES ? frames - done : CALL_FRAMES;
      float* o = out.data() + static_cast<size_t>(done) * 2;
      const int status = bank_ == bank_id::wind ? vantora_process(wind(), o, STEREO, n)
                                                : pluvessa_process(rain(), o, STEREO, n);
      EXPECT_EQ(status, 0);
    }
    return out;
  }

  vantora_engine* wind() const { return static_cast<vantora_engine*>(mem_); }
  pluvessa_engine* rain() const { return static_cast<pluvessa_engine*>(mem_); }

 private:
  bank_id bank_;
  void* mem_;
};

// A factory preset rendered from a freshly initialised engine.
inline std::vector<float> render_preset(bank_id b, const factory_preset& p, double seconds) {
  synth s(b);
  EXPECT_EQ(s.load(p.record), 0);
  return s.render(static_cast<uint32_t>(seconds * RATE));
}

inline uint32_t frames_of(double seconds) { return static_cast<uint32_t>(seconds * RATE); }

// RMS in dBFS of frames [from, to) of interleaved stereo; channel -1 takes
// both channels.
inline double rms_db(const std::vector<float>& x, uint32_t from, uint32_t to, int channel = -1) {
  double sum = 0.0;
  size_t n = 0;
  for (size_t f = from; f < to && 2 * f + 1 < x.size(); ++f)
    for (int c = 0; c < 2; ++c)
      if (channel < 0 || channel == c) {
        const double v = x[2 * f + static_cast<size_t>(c)];
        sum += v * v;
        ++n;
      }
  if (n == 0 || sum <= 0.0) return -400.0;
  return 10.0 * std::log10(sum / static_cast<double>(n));
}

// Share of samples at the hard clip (|x| >= 1), in percent.
inline double clip_percent(const std::vector<float>& x) {
  size_t n = 0;
  for (float v : x)
    if (std::fabs(v) >= 1.0f) ++n;
  return 100.0 * static_cast<double>(n) / static_cast<double>(x.size());
}

// Families: presets named <stem>_Low, <stem>_Med, <stem>_High and
// <stem>_Very_High, gathered from a bank in rising order of intensity.
struct family {
  bank_id bank;
  std::string stem;
  std::vector<const factory_preset*> members;  // Low first
};

inline int intensity_rank(const std::string& name, std::string* stem) {
  static const char* const suffixes[] = {"_Low", "_Med", "_High", "_Very_High"};
  for (int r = 3; r >= 0; --r) {
    const std::string s = suffixes[r];
    if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) {
      *stem = name.substr(0, name.size() - s.size());
      return r;
    }
  }
  return -1;
}

inline std::vector<family> families_of(bank_id b) {
  const preset_bank& bank = bank_of(b);
  std::vector<family> out;
  for (uint32_t i = 0; i < bank.preset_count; ++i) {
    std::string stem;
    if (intensity_rank(bank.presets[i].name, &stem) < 0) continue;
    family* f = nullptr;
    for (auto& g : out)
      if (g.stem == stem) f = &g;
    if (f == nullptr) {
      out.push_back(family{b, stem, {}});
      f = &out.back();
    }
    f->members.push_back(&bank.presets[i]);
  }
  for (auto& f : out) {
    std::vector<const factory_preset*> sorted;
    for (int r = 0; r < 4; ++r)
      for (const factory_preset* p : f.members) {
        std::string stem;
        if (intensity_rank(p->name, &stem) == r) sorted.push_back(p);
      }
    f.members = sorted;
  }
  return out;
}

}  // namespace preset_test
