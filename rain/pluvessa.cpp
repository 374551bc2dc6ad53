// The rain engine's interface, the exported C functions of include/pluvessa.h:
// the parameter registry, every exported function and the per-key functions
// generated from the parameter table, bound to the shared instance frame
// (engine/engine_core.h).

#include "rain/pluvessa_parts.h"

// The rain table has no choice parameters: its rows take no choice columns.
#define PLUVESSA_ROW(index, key, kind, voice, group, short_name, long_name, unit, min, max, def, \
                     span, low, norm_k, description)                                           \
  PARAMETER_TABLE_ROW(index, key, kind, voice, group, short_name, long_name, unit, min, max, def, \
                      span, low, norm_k, 0, nullptr, description)
const parameter_info PLUVESSA_PARAMETER_TABLE[PLUVESSA_PARAM_COUNT] = {
    PLUVESSA_PARAMETERS(PLUVESSA_ROW) PARAMETER_TABLE_GAIN_ROW};
#undef PLUVESSA_ROW

using core = pluvessa_traits;

// The exported interface.

uint32_t pluvessa_get_size(void) { return static_cast<uint32_t>(sizeof(pluvessa_engine)); }

int32_t pluvessa_init(pluvessa_engine* e, float sample_rate) {
  return engine_core::init<core>(e, sample_rate);
}

uint32_t pluvessa_get_product_id(void) { return PRODUCT_ID; }

int32_t pluvessa_get_output_channel_count(const pluvessa_engine* e, int32_t* count) {
  return engine_core::get_output_channel_count<core>(e, count);
}

int32_t pluvessa_set_output_channel_count(pluvessa_engine* e, int32_t count) {
  return engine_core::set_output_channel_count<core>(e, count);
}

uint32_t pluvessa_is_initial_process(const pluvessa_engine* e) {
  return engine_core::is_initial_process<core>(e);
}

int32_t pluvessa_set_initial_process_done(pluvessa_engine* e) {
  return engine_core::set_initial_process_done<core>(e);
}

int32_t pluvessa_process(pluvessa_engine* e, float* out, int32_t layout, uint32_t frames) {
  if (!e) return ENGINE_OK;
  return engine_core::render<core>(e, out, nullptr, layout, frames);
}

int32_t pluvessa_process_deinterleaved(pluvessa_engine* e, float* const* outs, int32_t layout,
                                       uint32_t frames) {
  if (!e || !outs) return ENGINE_OK;
  return engine_core::render<core>(e, nullptr, outs, layout, frames);
}

int32_t pluvessa_load_preset(pluvessa_engine* e, const void* record) {
  if (!e) return ENGINE_PRESET_REJECTED;
  return engine_core::load_preset<core>(e, record);
}

int32_t pluvessa_save_preset(const pluvessa_engine* e, void* record) {
  if (!e) return ENGINE_OK;
  return engine_core::save_preset<core>(e, record);
}

int32_t pluvessa_set_parameter_value(pluvessa_engine* e, uint32_t index, const void* value) {
  return e ? engine_core::set_value<core>(e, index, value) : ENGINE_OK;
}
int32_t pluvessa_get_parameter_value(const pluvessa_engine* e, uint32_t index, void* value) {
  return e ? engine_core::get_value<core>(e, index, value) : ENGINE_OK;
}
int32_t pluvessa_set_normalized_parameter_value(pluvessa_engine* e, uint32_t index,
                                                const float* x) {
  return e ? engine_core::set_normalized_value<core>(e, index, x) : ENGINE_OK;
}
int32_t pluvessa_get_normalized_parameter_value(const pluvessa_engine* e, uint32_t index,
                                                float* x) {
  return e ? engine_core::get_normalized_value<core>(e, index, x) : ENGINE_OK;
}
int32_t pluvessa_set_normalized_parameter_float_value(pluvessa_engine* e, uint32_t index,
                                                      float x) {
  return e ? engine_core::set_normalized_float_value<core>(e, index, x) : ENGINE_OK;
}
float pluvessa_get_normalized_parameter_float_value(const pluvessa_engine* e, uint32_t index) {
  return e ? engine_core::get_normalized_float_value<core>(e, index) : 0.0f;
}

void pluvessa_set_gain(pluvessa_engine* e, float gain) {
  engine_core::set_float<core>(e, PLUVESSA_GAIN_INDEX, gain);
}
float pluvessa_get_gain(const pluvessa_engine* e) { return ld(e->frame.master_gain); }

float pluvessa_get_instantaneous_wind_control(const pluvessa_engine* e) {
  return ld(e->global.instantaneous);
}

const engine_descriptor<pluvessa_engine, int32_t> PLUVESSA_DESCRIPTOR = {
    "Pluvessa v1.1 b6686",
    PRODUCT_ID,
    pluvessa_get_size,
    pluvessa_init,
    nullptr,
    pluvessa_set_parameter_value,
    pluvessa_get_parameter_value,
    pluvessa_set_normalized_parameter_value,
    pluvessa_get_normalized_parameter_value,
    pluvessa_set_normalized_parameter_float_value,
    pluvessa_get_normalized_parameter_float_value,
    PLUVESSA_PARAMETER_TABLE,
    PLUVESSA_PARAM_COUNT,
    pluvessa_process,
    pluvessa_process_deinterleaved,
    PLUVESSA_PRESET_SIZE,
    pluvessa_load_preset,
    pluvessa_save_preset,
    pluvessa_set_gain,
    pluvessa_get_gain,
    pluvessa_get_instantaneous_wind_control,
    pluvessa_force_update,
};

// Per key: a 0..1 parameter's normalised pair is its natural pair (the same
// functions under a second name); a Hz parameter has its own mapping.
#define PLUVESSA_NATURAL(index, key)                                           \
  void pluvessa_set_##key(pluvessa_engine* e, float value) {                   \
    engine_core::set_float<core>(e, index, value);                             \
  }                                                                            \
  float pluvessa_get_##key(const pluvessa_engine* e) {                         \
    return engine_core::get_float<core>(e, index);                             \
  }
#define PLUVESSA_DEFINE_UNIT(index, key)                                                    \
  PLUVESSA_NATURAL(index, key)                                                              \
  void pluvessa_set_normalized_##key(pluvessa_engine*, float)                               \
      __attribute__((alias("pluvessa_set_" #key)));                                         \
  float pluvessa_get_normalized_##key(const pluvessa_engine*)                               \
      __attribute__((alias("pluvessa_get_" #key)));
#define PLUVESSA_DEFINE_FREE(index, key)                                       \
  PLUVESSA_NATURAL(index, key)                                                 \
  void pluvessa_set_normalized_##key(pluvessa_engine* e, float x) {            \
    engine_core::set_normalized<core>(e, index, x);                            \
  }                                                                            \
  float pluvessa_get_normalized_##key(const pluvessa_engine* e) {              \
    return engine_core::get_normalized<core>(e, index);                        \
  }
#define PLUVESSA_DEFINE(index, key, kind, ...) PLUVESSA_DEFINE_##kind(index, key)
PLUVESSA_PARAMETERS(PLUVESSA_DEFINE)
#undef PLUVESSA_DEFINE
#undef PLUVESSA_DEFINE_FREE
#undef PLUVESSA_DEFINE_UNIT
#undef PLUVESSA_NATURAL
