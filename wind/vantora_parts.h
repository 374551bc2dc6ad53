#pragma once
// The parts of the wind engine that its exported functions (wind/vantora.cpp)
// bind to the shared instance frame: the layouts (wind/layouts.cpp), the
// render schedule (wind/schedule.cpp) and the render-side half of the
// parameter plumbing (wind/parameters.cpp). Not part of the interface.

#include <span>

#include "engine/engine_core.h"
#include "engine/vantora_bank.h"
#include "wind/vantora.h"

// The rendered layouts: voices in mix order and their gain matrices.
std::span<const layout_def> vantora_layouts();
// The block a voice (mix-order column) writes its output to. Gusts keep an
// envelope block beside each output block; backflow and whistling blocks
// share the voices' numbering.
inline const float* vantora_voice_output(vantora_engine* e, int v) {
  if (v >= VV_GUSTS && v < VV_SQUALLS) return e->buffer_table[VB_GUSTS + 2 * (v - VV_GUSTS)];
  if (v >= VV_SQUALLS && v < VV_LFE) return e->buffer_table[VB_SQUALLS + (v - VV_SQUALLS)];
  if (v == VV_LFE) return e->buffer_table[VB_LFE];
  return e->buffer_table[v];
}

// One sub-block of every voice of the layout, each in its own block.
void vantora_render_voices(vantora_engine* e, const layout_def& layout);
// The controller's sub-block after the voices: the wind speed of the next.
void vantora_advance_control(vantora_engine* e);

// The re-designs the setters asked for, at the start of a render call.
void vantora_apply_updates(vantora_engine* e);

// The wind engine as the shared instance frame sees it.
struct vantora_traits {
  using engine = vantora_engine;
  static constexpr uint32_t param_count = VANTORA_PARAM_COUNT;
  static constexpr uint32_t preset_size = VANTORA_PRESET_SIZE;
  static const parameter_info* table() { return VANTORA_PARAMETER_TABLE; }
  static const uint8_t* default_preset() { return VANTORA_DEFAULT_PRESET; }
  static void setup(engine* e) { vantora_engine_setup(e); }
  static void init_sources(engine* e) { vantora_init_sources(e); }
  static void force_update(engine* e) { vantora_force_update(e); }
  static void sub_setter(engine* e, uint32_t i) { vantora_sub_setter(e, i); }
  static void apply_updates(engine* e) { vantora_apply_updates(e); }
  static std::span<const layout_def> layouts() { return vantora_layouts(); }
  static const float* voice_output(engine* e, int v) { return vantora_voice_output(e, v); }
  static void render_voices(engine* e, const layout_def& l) { vantora_render_voices(e, l); }
  static void advance_control(engine* e) { vantora_advance_control(e); }
};
