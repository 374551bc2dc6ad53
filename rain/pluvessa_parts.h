#pragma once
// The parts of the rain engine that its exported functions (rain/pluvessa.cpp)
// bind to the shared instance frame: the layouts (rain/layouts.cpp), the
// render schedule (rain/schedule.cpp) and the render-side half of the
// parameter plumbing (rain/parameters.cpp). Not part of the interface.

#include <span>

#include "engine/engine_core.h"
#include "engine/pluvessa_bank.h"
#include "rain/pluvessa_engine.h"

// The rendered layouts: voices in mix order and their gain matrices.
std::span<const layout_def> pluvessa_layouts();
// The block a voice (mix-order column) writes its output to. The drop
// layers keep a trigger block before each output block; the LFE, rumble and
// shower blocks share the voices' numbering.
inline const float* pluvessa_voice_output(pluvessa_engine* e, int v) {
  if (v >= RV_LIQUID) return e->buffer_table[RB_LIQUID + 2 * (v - RV_LIQUID) + 1];
  return e->buffer_table[v];
}

// One sub-block of every voice of the layout, each in its own block.
void pluvessa_render_voices(pluvessa_engine* e, const layout_def& layout);
// The controller's sub-block after the voices: the rain strength of the next.
void pluvessa_advance_control(pluvessa_engine* e);

// The re-designs the setters asked for, at the start of a render call.
void pluvessa_apply_updates(pluvessa_engine* e);

// The rain engine as the shared instance frame sees it.
struct pluvessa_traits {
  using engine = pluvessa_engine;
  static constexpr uint32_t param_count = PLUVESSA_PARAM_COUNT;
  static constexpr uint32_t preset_size = PLUVESSA_PRESET_SIZE;
  static const parameter_info* table() { return PLUVESSA_PARAMETER_TABLE; }
  static const uint8_t* default_preset() { return PLUVESSA_DEFAULT_PRESET; }
  static void setup(engine* e) { pluvessa_engine_setup(e); }
  static void init_sources(engine* e) { pluvessa_init_sources(e); }
  static void force_update(engine* e) { pluvessa_force_update(e); }
  static void sub_setter(engine* e, uint32_t i) { pluvessa_sub_setter(e, i); }
  static void apply_updates(engine* e) { pluvessa_apply_updates(e); }
  static std::span<const layout_def> layouts() { return pluvessa_layouts(); }
  static const float* voice_output(engine* e, int v) { return pluvessa_voice_output(e, v); }
  static void render_voices(engine* e, const layout_def& l) { pluvessa_render_voices(e, l); }
  static void advance_control(engine* e) { pluvessa_advance_control(e); }
};
