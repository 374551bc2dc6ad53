#pragma once
// Helpers shared by the plug-in adapter tests: the two built plug-in
// libraries, a description of each plug-in's differences, reference engines
// linked into the test (with their own random seeds, separate from the
// plug-ins'), and access to the engine record inside a plug-in instance.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dsp/limiter.h"
#include "include/pluvessa.h"
#include "rain/pluvessa_engine.h"
#include "tests/common/aligned_memory.h"
#include "tests/host/fmod_test_host.h"
#include "wind/vantora.h"

namespace fmod_test {

inline constexpr int32_t LAYOUT_MONO = 0x80000;
inline constexpr int32_t LAYOUT_STEREO = 0x3;
inline constexpr int32_t LAYOUT_QUAD = 0x33;
inline constexpr int32_t LAYOUT_5_1 = 0x3F;

// The built library, or another build of it named by an environment
// variable (OSTRELLE_TEST_VANTORA_PLUGIN, OSTRELLE_TEST_PLUVESSA_PLUGIN).
inline const char* plugin_path(const char* variable, const char* built) {
  const char* p = std::getenv(variable);
  return p && *p ? p : built;
}

// The libraries stay loaded for the whole test process.
inline fmod_host::plugin_library& wind_library() {
  static fmod_host::plugin_library lib(
      plugin_path("OSTRELLE_TEST_VANTORA_PLUGIN", VANTORA_PLUGIN_PATH));
  return lib;
}
inline fmod_host::plugin_library& rain_library() {
  static fmod_host::plugin_library lib(
      plugin_path("OSTRELLE_TEST_PLUVESSA_PLUGIN", PLUVESSA_PLUGIN_PATH));
  return lib;
}

// An engine of the test's own build, fed the same calls a plug-in instance
// receives, to say what the plug-in must output.
class reference_engine {
 public:
  virtual ~reference_engine() = default;
  virtual void set_value(uint32_t engine_index, float value) = 0;
  virtual void set_gain(float gain) = 0;
  // Renders frames of the layout (interleaved) and returns them.
  virtual std::vector<float> render(int32_t layout, uint32_t frames) = 0;
  // The plug-in's warm-up: blocks mono blocks of frames each, discarded.
  void warm_up(int blocks, uint32_t frames) {
    for (int i = 0; i < blocks; ++i) render(LAYOUT_MONO, frames);
  }
};

template <class T>
class reference_engine_of : public reference_engine {
 public:
  // Initialised at rate with stereo output, as the plug-in's create does.
  explicit reference_engine_of(float rate) {
    const std::size_t size = (static_cast<std::size_t>(T::size()) + 63u) / 64u * 64u;
    mem_ = test_memory::aligned_allocate(64, size);
    std::memset(mem_, 0x5A, size);
    EXPECT_EQ(T::init(get(), rate), 0);
    T::set_channels(get(), 2);
  }
  ~reference_engine_of() override { test_memory::aligned_release(mem_); }
  typename T::engine* get() { return static_cast<typename T::engine*>(mem_); }

  void set_value(uint32_t engine_index, float value) override {
    EXPECT_EQ(T::set_value(get(), engine_index, &value), 0);
  }
  void set_gain(float gain) override { T::set_gain(get(), gain); }
  std::vector<float> render(int32_t layout, uint32_t frames) override {
    const uint32_t n = channel_count_of_mask(static_cast<uint32_t>(layout));
    std::vector<float> out(static_cast<std::size_t>(frames) * n, 0.0f);
    EXPECT_EQ(T::process(get(), out.data(), layout, frames), 0);
    return out;
  }

 private:
  void* mem_;
};

struct wind_engine_calls {
  using engine = vantora_engine;
  static uint32_t size() { return vantora_get_size(); }
  static int init(engine* e, float rate) { return vantora_init(e, rate); }
  static void set_channels(engine* e, int32_t n) { vantora_set_output_channel_count(e, n); }
  static int process(engine* e, float* out, int32_t layout, uint32_t frames) {
    return vantora_process(e, out, layout, frames);
  }
  static int set_value(engine* e, uint32_t i, const void* v) {
    return vantora_set_parameter_value(e, i, v);
  }
  static void set_gain(engine* e, float g) { vantora_set_gain(e, g); }
};

struct rain_engine_calls {
  using engine = pluvessa_engine;
  static uint32_t size() { return pluvessa_get_size(); }
  static int init(engine* e, float rate) { return pluvessa_init(e, rate); }
  static void set_channels(engine* e, int32_t n) { pluvessa_set_output_channel_count(e, n); }
  static int process(engine* e, float* out, int32_t layout, uint32_t frames) {
    return pluvessa_process(e, out, layout, frames);
  }
  static int set_value(engine* e, uint32_t i, const void* v) {
    return pluvessa_set_parameter_value(e, i, v);
  }
  static void set_gain(engine* e, float g) { pluvessa_set_gain(e, g); }
};

// Reads of the engine record inside a plug-in instance (its plugindata).
// The rain library exports its engine, so the rain reads go through the
// library's own functions; the wind library exports nothing but the entry
// point, so the wind reads use the test's build of the same engine code on
// the plug-in's record.
struct engine_probe {
  virtual ~engine_probe() = default;
  virtual uint32_t size() const = 0;
  virtual float gain(void* record) const = 0;
  virtual void value(void* record, uint32_t engine_index, void* out) const = 0;
  virtual int32_t channels(void* record) const = 0;
  virtual void set_channels(void* record, int32_t count) const = 0;
  virtual uint32_t initial(void* record) const = 0;
  virtual float rate(void* record) const = 0;

  float value_float(void* record, uint32_t engine_index) const {
    float v = -12345.0f;
    value(record, engine_index, &v);
    return v;
  }
  int32_t value_int(void* record, uint32_t engine_index) const {
    int32_t v = -12345;
    value(record, engine_index, &v);
    return v;
  }
};

struct wind_probe : engine_probe {
  static vantora_engine* e(void* r) { return static_cast<vantora_engine*>(r); }
  uint32_t size() const override { return vantora_get_size(); }
  float gain(void* r) const override { return vantora_get_gain(e(r)); }
  void value(void* r, uint32_t i, void* out) const override {
    vantora_get_parameter_value(e(r), i, out);
  }
  int32_t channels(void* r) const override {
    int32_t n = -1;
    vantora_get_output_channel_count(e(r), &n);
    return n;
  }
  void set_channels(void* r, int32_t n) const override {
    vantora_set_output_channel_count(e(r), n);
  }
  uint32_t initial(void* r) const override { return vantora_is_initial_process(e(r)); }
  float rate(void* r) const override { return e(r)->frame.sample_rate; }
};

struct rain_probe : engine_probe {
  using get_size_fn = uint32_t (*)();
  using get_gain_fn = float (*)(const pluvessa_engine*);
  using get_value_fn = int32_t (*)(const pluvessa_engine*, uint32_t, void*);
  using get_channels_fn = int32_t (*)(const pluvessa_engine*, int32_t*);
  using set_channels_fn = int32_t (*)(pluvessa_engine*, int32_t);
  using is_initial_fn = uint32_t (*)(const pluvessa_engine*);

  rain_probe() {
    const auto& lib = rain_library();
    get_size = lib.function<get_size_fn>("pluvessa_get_size");
    get_gain = lib.function<get_gain_fn>("pluvessa_get_gain");
    get_value = lib.function<get_value_fn>("pluvessa_get_parameter_value");
    get_channels = lib.function<get_channels_fn>("pluvessa_get_output_channel_count");
    set_count = lib.function<set_channels_fn>("pluvessa_set_output_channel_count");
    is_initial = lib.function<is_initial_fn>("pluvessa_is_initial_process");
  }
  bool complete() const {
    return get_size && get_gain && get_value && get_channels && set_count && is_initial;
  }
  static pluvessa_engine* e(void* r) { return static_cast<pluvessa_engine*>(r); }
  uint32_t size() const override { return get_size(); }
  float gain(void* r) const override { return get_gain(e(r)); }
  void value(void* r, uint32_t i, void* out) const override { get_value(e(r), i, out); }
  int32_t channels(void* r) const override {
    int32_t n = -1;
    get_channels(e(r), &n);
    return n;
  }
  void set_channels(void* r, int32_t n) const override { set_count(e(r), n); }
  uint32_t initial(void* r) const override { return is_initial(e(r)); }
  float rate(void* r) const override { return e(r)->frame.sample_rate; }

  get_size_fn get_size;
  get_gain_fn get_gain;
  get_value_fn get_value;
  get_channels_fn get_channels;
  set_channels_fn set_count;
  is_initial_fn is_initial;
};

// What distinguishes the two plug-ins in the tests below.
struct plugin_case {
  const char* name;
  fmod_host::plugin_library& (*library)();
  int param_count;
  int format_index;
  const char* source_file;  // the adapter's source file, ending the source string
  std::unique_ptr<reference_engine> (*make_reference)(float rate);
  const engine_probe& (*probe)();
};

inline const plugin_case WIND{
    "Wind",
    &wind_library,
    48,
    47,
    "vantora_fmod.cpp",
    [](float rate) -> std::unique_ptr<reference_engine> {
      return std::make_unique<reference_engine_of<wind_engine_calls>>(rate);
    },
    []() -> const engine_probe& {
      static const wind_probe p;
      return p;
    }};

inline const plugin_case RAIN{
    "Rain",
    &rain_library,
    36,
    35,
    "pluvessa_fmod.cpp",
    [](float rate) -> std::unique_ptr<reference_engine> {
      return std::make_unique<reference_engine_of<rain_engine_calls>>(rate);
    },
    []() -> const engine_probe& {
      static const rain_probe p;
      return p;
    }};

// Test names and listings show the plug-in, not an address.
inline void PrintTo(const plugin_case* c, std::ostream* os) { *os << c->name; }

inline std::string case_name(const testing::TestParamInfo<const plugin_case*>& info) {
  return info.param->name;
}

// A fixture per plug-in: the library loaded, the allocator log cleared, and
// one instance (not yet created).
class plugin_test : public testing::TestWithParam<const plugin_case*> {
 protected:
  void SetUp() override {
    fmod_host::memory_service::get().reset_log();
    lib_ = &GetParam()->library();
    ASSERT_TRUE(lib_->loaded()) << lib_->error();
    desc_ = lib_->description();
    ASSERT_NE(desc_, nullptr);
    if (GetParam() == &RAIN) {
      ASSERT_TRUE(static_cast<const rain_probe&>(probe()).complete())
          << "the rain library does not export its engine functions";
    }
    inst_ = std::make_unique<fmod_host::plugin_instance>(desc_);
  }

  const engine_probe& probe() const { return GetParam()->probe(); }
  void* record() const { return inst_->plugindata(); }
  fmod_host::plugin_instance& inst() { return *inst_; }
  // Creates the instance and expects success.
  void create() { ASSERT_EQ(inst_->create(), FMOD_OK); }

  fmod_host::plugin_library* lib_ = nullptr;
  FMOD_DSP_DESCRIPTION* desc_ = nullptr;
  std::unique_ptr<fmod_host::plugin_instance> inst_;
};

// Bit-exact comparison of two sample runs, with the first difference named.
inline testing::AssertionResult same_samples(const std::vector<float>& a,
                                             const std::vector<float>& b) {
  if (a.size() != b.size())
    return testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
      return testing::AssertionFailure()
             << "first difference at sample " << i << ": " << a[i] << " vs " << b[i];
  }
  return testing::AssertionSuccess();
}

inline double energy(const std::vector<float>& v) {
  double s = 0.0;
  for (float x : v) s += static_cast<double>(x) * x;
  return s;
}

}  // namespace fmod_test
