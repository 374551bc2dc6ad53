// The wind engine's interface: the parameter registry, every exported
// function and the per-key functions generated from the parameter table,
// bound to the shared instance frame (engine/engine_core.h).

#include "wind/vantora_parts.h"

namespace {

const char* const BACKFLOW_FILTER_NAMES[3] = {"Low Pass", "Band Pass Q", "All-pass"};

}  // namespace

const parameter_info VANTORA_PARAMETER_TABLE[VANTORA_PARAM_COUNT] = {
    VANTORA_PARAMETERS(PARAMETER_TABLE_ROW) PARAMETER_TABLE_GAIN_ROW};

using core = vantora_traits;

uint32_t vantora_get_size() { return static_cast<uint32_t>(sizeof(vantora_engine)); }

int vantora_init(vantora_engine* e, float sample_rate) {
  return engine_core::init<core>(e, sample_rate);
}

int vantora_get_output_channel_count(const vantora_engine* e, int32_t* count) {
  return engine_core::get_output_channel_count<core>(e, count);
}

int vantora_set_output_channel_count(vantora_engine* e, int32_t count) {
  return engine_core::set_output_channel_count<core>(e, count);
}

uint32_t vantora_is_initial_process(const vantora_engine* e) {
  return engine_core::is_initial_process<core>(e);
}

int vantora_set_initial_process_done(vantora_engine* e) {
  return engine_core::set_initial_process_done<core>(e);
}

float vantora_get_instantaneous_wind_control(const vantora_engine* e) {
  return ld(e->global.instantaneous);
}

int vantora_process(vantora_engine* e, float* out, int32_t layout, uint32_t frames) {
  return engine_core::render<core>(e, out, nullptr, layout, frames);
}

int vantora_process_deinterleaved(vantora_engine* e, float* const* outs, int32_t layout,
                                  uint32_t frames) {
  if (outs == nullptr) return ENGINE_OK;
  return engine_core::render<core>(e, nullptr, outs, layout, frames);
}

int vantora_save_preset(const vantora_engine* e, void* record) {
  return engine_core::save_preset<core>(e, record);
}

int vantora_load_preset(vantora_engine* e, const void* record) {
  return engine_core::load_preset<core>(e, record);
}

void vantora_set_gain(vantora_engine* e, float gain) {
  engine_core::set_float<core>(e, VANTORA_GAIN_INDEX, gain);
}

float vantora_get_gain(const vantora_engine* e) { return ld(e->frame.master_gain); }

int vantora_set_parameter_value(vantora_engine* e, uint32_t index, const void* value) {
  return engine_core::set_value<core>(e, index, value);
}
int vantora_get_parameter_value(const vantora_engine* e, uint32_t index, void* value) {
  return engine_core::get_value<core>(e, index, value);
}
int vantora_set_normalized_parameter_value(vantora_engine* e, uint32_t index, const float* x) {
  return engine_core::set_normalized_value<core>(e, index, x);
}
int vantora_get_normalized_parameter_value(const vantora_engine* e, uint32_t index, float* x) {
  return engine_core::get_normalized_value<core>(e, index, x);
}
int vantora_set_normalized_parameter_float_value(vantora_engine* e, uint32_t index, float x) {
  return engine_core::set_normalized_float_value<core>(e, index, x);
}
float vantora_get_normalized_parameter_float_value(const vantora_engine* e, uint32_t index) {
  return engine_core::get_normalized_float_value<core>(e, index);
}

#define VANTORA_SETTER_UNIT engine_core::set_float<core>
#define VANTORA_SETTER_FREE engine_core::set_float<core>
#define VANTORA_SETTER_CHOICE engine_core::set_choice<core>
#define VANTORA_GETTER_UNIT engine_core::get_float<core>
#define VANTORA_GETTER_FREE engine_core::get_float<core>
#define VANTORA_GETTER_CHOICE engine_core::get_choice<core>
#define VANTORA_DEFINE(index, key, kind, ...)                                      \
  void vantora_set_##key(vantora_engine* e, VANTORA_KIND_TYPE_##kind value) {      \
    VANTORA_SETTER_##kind(e, index, value);                                        \
  }                                                                                \
  VANTORA_KIND_TYPE_##kind vantora_get_##key(const vantora_engine* e) {            \
    return VANTORA_GETTER_##kind(e, index);                                        \
  }                                                                                \
  void vantora_set_normalized_##key(vantora_engine* e, float x) {                  \
    engine_core::set_normalized<core>(e, index, x);                                \
  }                                                                                \
  float vantora_get_normalized_##key(const vantora_engine* e) {                    \
    return engine_core::get_normalized<core>(e, index);                            \
  }
VANTORA_PARAMETERS(VANTORA_DEFINE)
#undef VANTORA_DEFINE

const engine_descriptor<vantora_engine, int> VANTORA_DESCRIPTOR = {
    "Vantora v1.1 b6686",
    PRODUCT_ID,
    vantora_get_size,
    vantora_init,
    nullptr,
    vantora_set_parameter_value,
    vantora_get_parameter_value,
    vantora_set_normalized_parameter_value,
    vantora_get_normalized_parameter_value,
    vantora_set_normalized_parameter_float_value,
    vantora_get_normalized_parameter_float_value,
    VANTORA_PARAMETER_TABLE,
    VANTORA_PARAM_COUNT,
    vantora_process,
    vantora_process_deinterleaved,
    VANTORA_PRESET_SIZE,
    vantora_load_preset,
    vantora_save_preset,
    vantora_set_gain,
    vantora_get_gain,
    vantora_get_instantaneous_wind_control,
    vantora_force_update,
};
