#pragma once
// The constant record that describes an engine as a table of 64-bit slots:
// version text, product identifier, and the entry points a generic host of
// the engine would call. The plug-in adapters call the engine directly and do
// not read it.

#include <cstdint>

#include "engine/param_table.h"

template <class E, class Status>
struct engine_descriptor {
  const char* version;
  uint64_t product_id;
  uint32_t (*get_size)();
  Status (*init)(E*, float);
  void (*unused)();
  Status (*set_parameter_value)(E*, uint32_t, const void*);
  Status (*get_parameter_value)(const E*, uint32_t, void*);
  Status (*set_normalized_parameter_value)(E*, uint32_t, const float*);
  Status (*get_normalized_parameter_value)(const E*, uint32_t, float*);
  Status (*set_normalized_parameter_float_value)(E*, uint32_t, float);
  float (*get_normalized_parameter_float_value)(const E*, uint32_t);
  const parameter_info* parameters;
  uint64_t parameter_count;
  Status (*process)(E*, float*, int32_t, uint32_t);
  Status (*process_deinterleaved)(E*, float* const*, int32_t, uint32_t);
  uint64_t preset_size;
  Status (*load_preset)(E*, const void*);
  Status (*save_preset)(const E*, void*);
  void (*set_gain)(E*, float);
  float (*get_gain)(const E*);
  float (*get_instantaneous_control)(const E*);
  Status (*force_update)(E*);
};
