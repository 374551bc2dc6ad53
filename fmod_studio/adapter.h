#pragma once
// The FMOD Studio adapter both plug-ins share: a thin translation from host
// callbacks, units and buffers to one engine instance. A binding class B
// names the engine and its functions, the plug-in name, the source string
// handed to the host's allocator and the parameter table:
//   B::engine, B::name, B::source, B::param_count, B::params (host_param[])
//   B::size(), B::init(e, rate), B::get_channels(e), B::set_channels(e, n),
//   B::is_initial(e), B::initial_done(e), B::process(e, out, layout, frames),
//   B::set_gain(e, g), B::get_gain(e), B::set_value(e, index, ptr),
//   B::get_value(e, index, ptr)

#include <cmath>
#include <cstdint>
#include <cstring>

#include "dsp/limiter.h"
#include "fmod_studio/fmod_plugin_abi.h"

// How a host parameter's value reaches the engine.
enum host_conversion : int {
  CONV_DB = 0,       // dB to linear (at or below -80 dB: 0)
  CONV_PERCENT = 1,  // percent to a fraction
  CONV_NONE = 2,     // Hz and other natural values
  CONV_CHOICE = 3,   // an integer choice, unchanged
  CONV_FORMAT = 4,   // "Format": the engine's output channel count
};

inline constexpr int ENGINE_INDEX_GAIN = -1;
inline constexpr int ENGINE_INDEX_FORMAT = -2;

struct host_param {
  FMOD_DSP_PARAMETER_TYPE type;
  const char* name;
  const char* label;
  const char* description;
  float min, max, def;             // host units (integers for int parameters)
  const char* const* value_names;  // int parameters: max - min + 1 names
  int engine_index;                // or ENGINE_INDEX_GAIN / ENGINE_INDEX_FORMAT
  host_conversion conversion;
};

inline const char* const FORMAT_NAMES[4] = {"Mono", "Stereo", "Quad", "5.1"};

// The dB conversion of every dB parameter, in single precision, through the
// C runtime's powf and log10f. Their last bits differ between systems:
// glibc's powf is one unit in the last place off the correctly rounded value
// for about 5 in 100000 dB values, its log10f one or two for about 1.6 % of
// gains; mingw-w64's round the double-precision results. Kept so: agreeing
// everywhere would mean carrying glibc's own algorithms, and the tests hold
// every system within those bounds.
inline float db_to_linear(float db) { return db <= -80.0f ? 0.0f : std::pow(10.0f, db / 20.0f); }
inline float linear_to_db(float v) { return v <= 0.0f ? -80.0f : 20.0f * std::log10(v); }

template <class B>
struct fmod_adapter {
  using engine = typename B::engine;

  static inline FMOD_DSP_PARAMETER_DESC param_records[B::param_count];
  static inline FMOD_DSP_PARAMETER_DESC* param_pointers[B::param_count];
  static inline FMOD_DSP_DESCRIPTION description;

  static engine* instance(FMOD_DSP_STATE* state) {
    return state ? static_cast<engine*>(state->plugindata) : nullptr;
  }

  static int host_rate(FMOD_DSP_STATE* state) {
    int rate = 48000;  // kept when the service writes nothing
    if (state->functions && state->functions->getsamplerate)
      state->functions->getsamplerate(state, &rate);
    return rate;
  }

  static FMOD_RESULT F_CALL create(FMOD_DSP_STATE* state) {
    if (!state || !state->functions || !state->functions->alloc) return FMOD_ERR_INVALID_PARAM;
    void* raw = state->functions->alloc(B::size() + 64u, FMOD_MEMORY_NORMAL, B::source);
    if (!raw) return FMOD_ERR_MEMORY;
    // The instance sits on the next 64-byte boundary strictly above the raw
    // address, which is kept in the 8 bytes just below it for release.
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(raw) + 64u) & ~uintptr_t{63};
    std::memcpy(reinterpret_cast<void*>(aligned - 8), &raw, sizeof raw);
    state->plugindata = reinterpret_cast<void*>(aligned);
    engine* e = reinterpret_cast<engine*>(aligned);
    const int rc = B::init(e, static_cast<float>(host_rate(state)));
    B::set_channels(e, 2);
    return rc != 0 ? FMOD_ERR_PLUGIN : FMOD_OK;
  }

  static FMOD_RESULT F_CALL release(FMOD_DSP_STATE* state) {
    if (!state || !state->plugindata) return FMOD_OK;
    void* raw;
    std::memcpy(&raw, static_cast<char*>(state->plugindata) - 8, sizeof raw);
    if (state->functions && state->functions->free)
      state->functions->free(raw, FMOD_MEMORY_NORMAL, B::source);
    return FMOD_OK;
  }

  static FMOD_RESULT F_CALL reset(FMOD_DSP_STATE* state) {
    engine* e = instance(state);
    if (!e) return FMOD_ERR_INVALID_PARAM;
    return B::init(e, static_cast<float>(host_rate(state))) != 0 ? FMOD_ERR_PLUGIN : FMOD_OK;
  }

  static FMOD_RESULT F_CALL process(FMOD_DSP_STATE* state, unsigned int length,
                                    const FMOD_DSP_BUFFER_ARRAY*, FMOD_DSP_BUFFER_ARRAY* out,
                                    FMOD_BOOL, FMOD_DSP_PROCESS_OPERATION op) {
    engine* e = instance(state);
    if (!e) return FMOD_ERR_INVALID_PARAM;
    const int32_t channels = B::get_channels(e);
    if (op == FMOD_DSP_PROCESS_QUERY) {
      if (out) {
        int n = 6;
        FMOD_SPEAKERMODE mode = FMOD_SPEAKERMODE_5POINT1;
        if (channels == 1) {
          n = 1;
          mode = FMOD_SPEAKERMODE_MONO;
        } else if (channels == 2) {
          n = 2;
          mode = FMOD_SPEAKERMODE_STEREO;
        } else if (channels == 4) {
          n = 4;
          mode = FMOD_SPEAKERMODE_QUAD;
        }
        out->speakermode = mode;
        if (out->buffernumchannels) out->buffernumchannels[0] = n;
        if (out->bufferchannelmask) out->bufferchannelmask[0] = 0;
      }
      return FMOD_OK;
    }

    if (!out || out->numbuffers < 1 || !out->buffers || !out->buffers[0])
      return FMOD_ERR_INVALID_PARAM;
    // Nothing to render; the warm-up waits for the first real block.
    if (length == 0) return FMOD_OK;
    // Render the layout of the buffer the host handed us, so nothing is ever
    // written past it.
    const int buffer_channels = out->buffernumchannels ? out->buffernumchannels[0] : channels;
    if (buffer_channels <= 0) return FMOD_ERR_INVALID_PARAM;
    float* buffer = out->buffers[0];
    const uint32_t layout = channel_mask_for_count(static_cast<uint32_t>(buffer_channels));
    if (channel_count_of_mask(layout) != static_cast<uint32_t>(buffer_channels))
      std::memset(buffer, 0, sizeof(float) * length * static_cast<size_t>(buffer_channels));

    if (B::is_initial(e)) {
      // About half a second that nobody hears, so the first audible block
      // comes from an engine that has settled.
      const int rate = host_rate(state);
      const int blocks =
          static_cast<int>(static_cast<float>(rate) * 0.5f / static_cast<float>(length));
      for (int i = 0; i < blocks; ++i) B::process(e, buffer, 0x80000, length);
      B::initial_done(e);
    }
    return B::process(e, buffer, static_cast<int32_t>(layout), length) != 0 ? FMOD_ERR_PLUGIN
                                                                          : FMOD_OK;
  }

  static const host_param* row(int index, FMOD_DSP_PARAMETER_TYPE type) {
    if (index < 0 || index >= B::param_count) return nullptr;
    const host_param* p = &B::params[index];
    return p->type == type ? p : nullptr;
  }

  static FMOD_RESULT F_CALL set_float(FMOD_DSP_STATE* state, int index, float value) {
    const host_param* p = row(index, FMOD_DSP_PARAMETER_TYPE_FLOAT);
    engine* e = instance(state);
    if (!p || !e) return FMOD_ERR_INVALID_PARAM;
    if (p->engine_index == ENGINE_INDEX_GAIN) {
      B::set_gain(e, db_to_linear(value));
      return FMOD_OK;
    }
    float v = value;
    if (p->conversion == CONV_DB) v = db_to_linear(value);
    if (p->conversion == CONV_PERCENT) v = value / 100.0f;
    return B::set_value(e, static_cast<uint32_t>(p->engine_index), &v) != 0 ? FMOD_ERR_PLUGIN
                                                                           : FMOD_OK;
  }

  static FMOD_RESULT F_CALL get_float(FMOD_DSP_STATE* state, int index, float* value, char*) {
    const host_param* p = row(index, FMOD_DSP_PARAMETER_TYPE_FLOAT);
    engine* e = instance(state);
    if (!p || !e || !value) return FMOD_ERR_INVALID_PARAM;
    float v = 0.0f;
    if (p->engine_index == ENGINE_INDEX_GAIN)
      v = B::get_gain(e);
    else
      B::get_value(e, static_cast<uint32_t>(p->engine_index), &v);
    if (p->conversion == CONV_DB) v = linear_to_db(v);
    if (p->conversion == CONV_PERCENT) v = v * 100.0f;
    *value = v;
    return FMOD_OK;
  }

  static FMOD_RESULT F_CALL set_int(FMOD_DSP_STATE* state, int index, int value) {
    const host_param* p = row(index, FMOD_DSP_PARAMETER_TYPE_INT);
    engine* e = instance(state);
    if (!p || !e) return FMOD_ERR_INVALID_PARAM;
    if (p->conversion == CONV_FORMAT) {
      static constexpr int32_t counts[4] = {1, 2, 4, 6};
      if (value >= 0 && value < 4) B::set_channels(e, counts[value]);
      return FMOD_OK;
    }
    const int32_t v = value;
    B::set_value(e, static_cast<uint32_t>(p->engine_index), &v);
    return FMOD_OK;
  }

  static FMOD_RESULT F_CALL get_int(FMOD_DSP_STATE* state, int index, int* value, char*) {
    const host_param* p = row(index, FMOD_DSP_PARAMETER_TYPE_INT);
    engine* e = instance(state);
    if (!p || !e || !value) return FMOD_ERR_INVALID_PARAM;
    if (p->conversion == CONV_FORMAT) {
      switch (B::get_channels(e)) {
        case 1: *value = 0; break;
        case 2: *value = 1; break;
        case 4: *value = 2; break;
        case 6: *value = 3; break;
        default: break;  // any other count leaves the output unwritten
      }
      return FMOD_OK;
    }
    int32_t v = 0;
    B::get_value(e, static_cast<uint32_t>(p->engine_index), &v);
    *value = v;
    return FMOD_OK;
  }

  // Fills a parameter record from its row: zeroed, then type, name and label
  // (at most 15 characters), description and range.
  static void build_record(FMOD_DSP_PARAMETER_DESC& d, const host_param& p) {
    std::memset(&d, 0, sizeof d);
    d.type = p.type;
    std::strncpy(d.name, p.name, 15);
    std::strncpy(d.label, p.label, 15);
    d.description = p.description;
    if (p.type == FMOD_DSP_PARAMETER_TYPE_FLOAT) {
      d.floatdesc.min = p.min;
      d.floatdesc.max = p.max;
      d.floatdesc.defaultval = p.def;
      d.floatdesc.mapping.type = FMOD_DSP_PARAMETER_FLOAT_MAPPING_TYPE_AUTO;
    } else {
      d.intdesc.min = static_cast<int>(p.min);
      d.intdesc.max = static_cast<int>(p.max);
      d.intdesc.defaultval = static_cast<int>(p.def);
      d.intdesc.goestoinf = 0;
      d.intdesc.valuenames = p.value_names;
    }
  }

  // The description and its parameter records are rebuilt on every call. A
  // record is written only when its content differs, so repeated calls (from
  // any thread) never disturb a table the host is already reading.
  static FMOD_DSP_DESCRIPTION* get_description() {
    for (int i = 0; i < B::param_count; ++i) {
      FMOD_DSP_PARAMETER_DESC fresh;
      build_record(fresh, B::params[i]);
      if (std::memcmp(&fresh, &param_records[i], sizeof fresh) != 0) param_records[i] = fresh;
      if (param_pointers[i] != &param_records[i]) param_pointers[i] = &param_records[i];
    }
    FMOD_DSP_DESCRIPTION d;
    std::memset(&d, 0, sizeof d);
    d.pluginsdkversion = FMOD_PLUGIN_SDK_VERSION;
    std::strncpy(d.name, B::name, sizeof d.name - 1);
    d.version = 0x00010101u;
    d.numinputbuffers = 0;
    d.numoutputbuffers = 1;
    d.create = create;
    d.release = release;
    d.reset = reset;
    d.process = process;
    d.numparameters = B::param_count;
    d.paramdesc = param_pointers;
    d.setparameterfloat = set_float;
    d.setparameterint = set_int;
    d.getparameterfloat = get_float;
    d.getparameterint = get_int;
    if (std::memcmp(&d, &description, sizeof d) != 0) description = d;
    return &description;
  }
};
