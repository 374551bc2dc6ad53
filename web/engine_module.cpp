// One engine as a WebAssembly module for the playground page: built once for
// the wind (OSTRELLE_WEB_WIND) and once for the rain, each with its own copy
// of the building blocks and its own random seeds, as the plug-in libraries.
//
// The module holds one engine instance and every buffer it needs in static
// memory and has no allocator at all (malloc and operator new trap), so
// nothing can allocate once the page has started it: not on the audio
// thread, not in a render. The page reads the parameter table and the
// factory bank once, as JSON text, and then drives the instance through the
// functions exported below, in the engine's natural units.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "dsp/simd/levels.h"
#include "engine/parameter_notes.h"
#include "engine/preset_descriptions.h"

#if defined(OSTRELLE_WEB_WIND)
#include "engine/vantora_bank.h"
#include "wind/vantora.h"
#else
#include "engine/pluvessa_bank.h"
#include "rain/pluvessa_engine.h"
#endif

#define WEB_EXPORT(name) extern "C" __attribute__((export_name(#name), used))

namespace {

// The engine's functions and tables by their prefix.
#if defined(OSTRELLE_WEB_WIND)
#define ENGINE(name) vantora_##name
#define TABLES(name) VANTORA_##name
constexpr const char* ENGINE_NAME = "wind";
constexpr const char* PRODUCT = "Ostrelle Vantora";
#else
#define ENGINE(name) pluvessa_##name
#define TABLES(name) PLUVESSA_##name
constexpr const char* ENGINE_NAME = "rain";
constexpr const char* PRODUCT = "Ostrelle Pluvessa";
#endif

using engine_record = ENGINE(engine);
constexpr uint32_t PARAM_COUNT = TABLES(PARAM_COUNT);
constexpr uint32_t PRESET_SIZE = TABLES(PRESET_SIZE);
const parameter_info* const TABLE = TABLES(PARAMETER_TABLE);
const preset_bank& BANK = TABLES(BANK);
const parameter_note* const NOTES = TABLES(PARAMETER_NOTES);
const uint32_t& NOTE_COUNT = TABLES(PARAMETER_NOTE_COUNT);
const preset_description* const DESCRIPTIONS = TABLES(PRESET_DESCRIPTIONS);
const uint32_t& DESCRIPTION_COUNT = TABLES(PRESET_DESCRIPTION_COUNT);

constexpr uint32_t GAIN_INDEX = PARAM_COUNT - 1;
// Frames per render call and channels per frame the output buffer holds: the
// renderer's default block of 512 frames and the audio thread's 128 fit, and
// every layout up to 5.1.
constexpr uint32_t MAX_FRAMES = 4096;
constexpr uint32_t OUTPUT_CHANNELS = 6;
// Parameter settings a render set-up takes, more than a table has rows.
constexpr uint32_t MAX_SETTINGS = 2 * PARAM_COUNT;

alignas(64) unsigned char instance_memory[sizeof(engine_record)];
alignas(16) float output[MAX_FRAMES * OUTPUT_CHANNELS];
uint8_t record[PRESET_SIZE];
// (index, value) pairs the page writes before a render set-up.
struct setting {
  int32_t index;
  float value;
};
setting settings[MAX_SETTINGS];
bool started = false;

engine_record* instance() { return reinterpret_cast<engine_record*>(instance_memory); }

int32_t layout_channels(int32_t layout) { return __builtin_popcount(layout & 0x3FFFFFFF); }

// A natural value through the by-index setter: choices as their integer.
void set_value(uint32_t index, float value) {
  if (TABLE[index].type == PARAM_CHOICE) {
    const int32_t v = static_cast<int32_t>(value);
    ENGINE(set_parameter_value)(instance(), index, &v);
  } else {
    ENGINE(set_parameter_value)(instance(), index, &value);
  }
}

// ---- The tables as JSON, written once into static memory.

// JSON text into a fixed buffer: objects and arrays opened and closed in
// order, members and elements separated as they come. Too much text is
// noted, not written past the buffer.
class json_writer {
 public:
  json_writer(char* buffer, std::size_t size) : at_(buffer), end_(buffer + size - 1) {}

  void open(char bracket) {
    separate();
    put(bracket);
    first_ = true;
  }
  void close(char bracket) {
    put(bracket);
    first_ = false;
  }
  // A member's name; its value follows.
  void key(const char* k) {
    separate();
    text(k);
    put(':');
    first_ = true;
  }
  void value(const char* s) {
    separate();
    text(s);
  }
  // The shortest decimal that reads back as the same float.
  void value(float v) {
    separate();
    char buf[32];
    digits(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
  void value(int64_t v) {
    separate();
    char buf[24];
    digits(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
  template <class T>
  void member(const char* k, T v) {
    key(k);
    value(v);
  }
  bool finish() {
    *at_ = '\0';
    return !overflow_;
  }

 private:
  void separate() {
    if (!first_) put(',');
    first_ = false;
  }
  void text(const char* s) {
    static const char HEX[] = "0123456789abcdef";
    put('"');
    for (; s && *s; ++s) {
      const unsigned char c = static_cast<unsigned char>(*s);
      if (c == '"' || c == '\\') {
        put('\\');
        put(static_cast<char>(c));
      } else if (c < 0x20) {
        for (const char* e = "\\u00"; *e; ++e) put(*e);
        put(HEX[c >> 4]);
        put(HEX[c & 15]);
      } else {
        put(static_cast<char>(c));
      }
    }
    put('"');
  }
  void digits(const char* from, const char* to) {
    while (from < to) put(*from++);
  }
  void put(char c) {
    if (at_ < end_) *at_++ = c;
    else overflow_ = true;
  }
  char* at_;
  char* end_;
  bool first_ = true;  // nothing written yet in the open object or array
  bool overflow_ = false;
};

char info_text[256 * 1024];

const char* note_of(uint32_t index) {
  const char* key = TABLE[index].key;
  for (uint32_t i = 0; i < NOTE_COUNT; ++i)
    if (std::strcmp(NOTES[i].key, key) == 0) return NOTES[i].text;
  return "";
}

const char* description_of(uint32_t preset) {
  const char* name = BANK.presets[preset].name;
  for (uint32_t i = 0; i < DESCRIPTION_COUNT; ++i)
    if (std::strcmp(DESCRIPTIONS[i].name, name) == 0) return DESCRIPTIONS[i].text;
  return "";
}

bool write_info() {
  json_writer w(info_text, sizeof info_text);
  w.open('{');
  w.member("engine", ENGINE_NAME);
  w.member("product", PRODUCT);
  w.member("gainIndex", int64_t{GAIN_INDEX});
  w.key("params");
  w.open('[');
  for (uint32_t i = 0; i < PARAM_COUNT; ++i) {
    const parameter_info& p = TABLE[i];
    w.open('{');
    w.member("index", int64_t{i});
    w.member("key", p.key);
    w.member("group", p.group);
    w.member("name", p.short_name);
    w.member("longName", p.long_name);
    w.member("unit", p.unit);
    w.member("min", p.min);
    w.member("max", p.max);
    w.member("description", p.description);
    w.member("note", note_of(i));
    w.key("choices");
    w.open('[');
    for (int32_t c = 0; p.type == PARAM_CHOICE && c < p.choice_count; ++c)
      w.value(p.choice_names[c]);
    w.close(']');
    w.close('}');
  }
  w.close(']');
  w.key("categories");
  w.open('[');
  for (uint32_t c = 0; c < BANK.category_count; ++c) {
    w.open('{');
    w.member("id", int64_t{BANK.categories[c].id});
    w.member("name", BANK.categories[c].name);
    w.close('}');
  }
  w.close(']');
  w.key("presets");
  w.open('[');
  for (uint32_t i = 0; i < BANK.preset_count; ++i) {
    w.open('{');
    w.member("name", BANK.presets[i].name);
    w.member("category", int64_t{BANK.presets[i].category});
    w.member("description", description_of(i));
    w.close('}');
  }
  w.close(']');
  w.close('}');
  return w.finish();
}

}  // namespace

// ---- No allocator: every call traps, so an allocation cannot pass unseen.

extern "C" void* malloc(std::size_t) { __builtin_trap(); }
extern "C" void* calloc(std::size_t, std::size_t) { __builtin_trap(); }
extern "C" void* realloc(void*, std::size_t) { __builtin_trap(); }
extern "C" void* aligned_alloc(std::size_t, std::size_t) { __builtin_trap(); }
extern "C" int posix_memalign(void**, std::size_t, std::size_t) { __builtin_trap(); }
extern "C" void free(void*) { __builtin_trap(); }
void* operator new(std::size_t) { __builtin_trap(); }
void* operator new[](std::size_t) { __builtin_trap(); }
void operator delete(void*) noexcept { __builtin_trap(); }
void operator delete[](void*) noexcept { __builtin_trap(); }
void operator delete(void*, std::size_t) noexcept { __builtin_trap(); }
void operator delete[](void*, std::size_t) noexcept { __builtin_trap(); }

// ---- What the page calls.

// The parameter table and factory bank as JSON text (NUL-terminated), or
// null if it did not fit.
WEB_EXPORT(web_info) const char* web_info() { return write_info() ? info_text : nullptr; }

WEB_EXPORT(web_param_count) uint32_t web_param_count() { return PARAM_COUNT; }
WEB_EXPORT(web_preset_count) uint32_t web_preset_count() { return BANK.preset_count; }
WEB_EXPORT(web_max_frames) uint32_t web_max_frames() { return MAX_FRAMES; }

// Initialises the instance at a sample rate: the engine's status (0 = ok).
WEB_EXPORT(web_init) int32_t web_init(float rate) {
  if (ENGINE(get_size)() > sizeof instance_memory) return -1;
  std::memset(instance_memory, 0, sizeof instance_memory);
  started = true;
  return ENGINE(init)(instance(), rate);
}

// The name of the vectors the kernels run on: WebAssembly's SIMD unless the
// page chose otherwise.
WEB_EXPORT(web_vectors) const char* web_vectors() { return vector_level_name(vector_level_now()); }

// Runs the kernels on WebAssembly's SIMD (on) or, for comparisons, on the
// portable four lanes of plain code: the same samples either way. Returns
// the name of the vectors that now run.
WEB_EXPORT(web_use_simd) const char* web_use_simd(int32_t on) {
  vector_level_select(on ? best_vector_level() : VECTORS_PORTABLE);
  return web_vectors();
}

// A natural value; choices as their index.
WEB_EXPORT(web_set) void web_set(uint32_t index, float value) {
  if (started && index < PARAM_COUNT) set_value(index, value);
}

WEB_EXPORT(web_get) float web_get(uint32_t index) {
  if (!started || index >= PARAM_COUNT) return 0.0f;
  if (TABLE[index].type == PARAM_CHOICE) {
    int32_t v = 0;
    ENGINE(get_parameter_value)(instance(), index, &v);
    return static_cast<float>(v);
  }
  float v = 0.0f;
  ENGINE(get_parameter_value)(instance(), index, &v);
  return v;
}

// Loads factory preset i of the bank (every parameter but the master gain):
// the engine's status, -1 for no such preset.
WEB_EXPORT(web_load_factory) int32_t web_load_factory(uint32_t i) {
  if (!started || i >= BANK.preset_count) return -1;
  return ENGINE(load_preset)(instance(), BANK.presets[i].record);
}

// Where the page writes (index, value) pairs for web_prepare.
WEB_EXPORT(web_settings) setting* web_settings() { return settings; }
WEB_EXPORT(web_max_settings) uint32_t web_max_settings() { return MAX_SETTINGS; }

// Brings a fresh instance to a factory preset (-1 for none) and then the
// first `count` settings, the way the renderer does it, so that a render here
// and `ostrelle render --preset P --set KEY=VALUE ...` are the same samples:
// the settings go in over the preset, the whole state is saved as a record,
// and a fresh instance loads that record alone; the master gain, no part of a
// record, is set last.
WEB_EXPORT(web_prepare) int32_t web_prepare(float rate, int32_t preset, uint32_t count) {
  if (count > MAX_SETTINGS) return -1;
  if (preset >= 0 && static_cast<uint32_t>(preset) >= BANK.preset_count) return -1;
  for (uint32_t s = 0; s < count; ++s)
    if (settings[s].index < 0 || static_cast<uint32_t>(settings[s].index) >= PARAM_COUNT)
      return -1;
  int32_t status = web_init(rate);
  if (status != 0) return status;
  if (preset >= 0) ENGINE(load_preset)(instance(), BANK.presets[preset].record);
  for (uint32_t s = 0; s < count; ++s)
    if (static_cast<uint32_t>(settings[s].index) != GAIN_INDEX)
      set_value(static_cast<uint32_t>(settings[s].index), settings[s].value);
  ENGINE(save_preset)(instance(), record);
  status = ENGINE(init)(instance(), rate);
  if (status != 0) return status;
  status = ENGINE(load_preset)(instance(), record);
  for (uint32_t s = 0; s < count; ++s)
    if (static_cast<uint32_t>(settings[s].index) == GAIN_INDEX) set_value(GAIN_INDEX, settings[s].value);
  return status;
}

// The output buffer web_render fills: web_max_frames frames of up to six
// channels.
WEB_EXPORT(web_output) float* web_output() { return output; }

// Renders `frames` frames (at most web_max_frames) of a layout mask (0x80000
// mono, 0x3 stereo, 0x33 quad, 0x3F 5.1) into the output buffer,
// interleaved; returns the buffer, or null if the call cannot be made.
WEB_EXPORT(web_render) float* web_render(int32_t layout, uint32_t frames) {
  const int32_t channels = layout_channels(layout);
  if (!started || frames > MAX_FRAMES || channels < 1 ||
      static_cast<uint32_t>(channels) > OUTPUT_CHANNELS)
    return nullptr;
  ENGINE(process)(instance(), output, layout, frames);
  return output;
}
