#pragma once
// One uniform handle on either engine for the command-line tools: size,
// init, render, parameters by key, presets and the factory bank.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/param_table.h"
#include "engine/preset_bank.h"

struct synth_kind {
  const char* name;  // "wind" or "rain"
  const char* product;
  uint32_t param_count;  // the gain last
  uint32_t preset_size;
  const parameter_info* table;
  const preset_bank* bank;
  uint32_t (*size)();
  int (*init)(void* e, float rate);
  int (*process)(void* e, float* out, int32_t layout, uint32_t frames);
  int (*set_value)(void* e, uint32_t index, const void* value);
  int (*get_value)(const void* e, uint32_t index, void* value);
  int (*load_preset)(void* e, const void* record);
  int (*save_preset)(const void* e, void* record);
};

// The engine of that name ("wind" or "rain"), or null.
const synth_kind* synth_find(std::string_view name);

// A parameter index by key ("global_gain" included), or -1.
int synth_param_index(const synth_kind& k, std::string_view key);

// Points the engines' two random generators at another take: 0 leaves them
// where init put them (the engines' own sound); any other seed starts both
// sequences elsewhere, on cycles as long as the defaults'. Call after init,
// before the draws (a preset load) begin.
void synth_reseed(uint64_t seed);

// An engine record on its own 64-byte aligned memory.
class synth_instance {
 public:
  explicit synth_instance(const synth_kind& k);
  ~synth_instance();
  synth_instance(const synth_instance&) = delete;
  synth_instance& operator=(const synth_instance&) = delete;
  void* engine() const { return mem_; }
  const synth_kind& kind() const { return kind_; }

  // Natural value of a parameter (choices as their integer, in float).
  void set(int index, float value);
  float get(int index) const;

 private:
  const synth_kind& kind_;
  void* mem_;
};
