// Setting up a rain instance: the record's frame, the shared seeds, every
// voice's records in the order that fixes its random sequence, the stored
// defaults and the derived values they give; and the voices' full
// re-initialisation that preset loading repeats.

#include <cstring>

#include "rain/pluvessa_parts.h"

void pluvessa_bind_buffers(pluvessa_engine* e) { engine_core::bind_buffers<pluvessa_traits>(e); }

void pluvessa_engine_setup(pluvessa_engine* e) {
  engine_core::setup_frame<pluvessa_traits>(e);
  std::memset(e->major_control, 0, sizeof e->major_control);
  std::memset(e->major_block, 0, sizeof e->major_block);
  std::memset(e->major_sines, 0, sizeof e->major_sines);
  std::memset(e->major_tone, 0, sizeof e->major_tone);

  const float fs = e->frame.sample_rate;
  global_controller_setup(&e->global);
  pluvessa_lfe_setup(e->lfe);
  for (auto& v : e->rumble) pluvessa_rumble_setup(v);
  for (auto& v : e->shower) pluvessa_shower_setup(v);
  for (auto& v : e->liquid) pluvessa_liquid_setup(v, fs);
  engine_core::setup_output_stage<pluvessa_traits>(e);

  // Stored defaults are the registry defaults; the derived values follow
  // from them through the sub-setters.
  engine_core::store_defaults<pluvessa_traits>(e);
  for (uint32_t i = 0; i + 1 < PLUVESSA_PARAM_COUNT; ++i) pluvessa_sub_setter(e, i);

  // Start-up values of the control path before the first sub-block.
  e->strength_copy = 0.5009177f;
  st(e->stored_strength, 0.5009177f);
  st(e->global.instantaneous, 0.50608259f);
  e->global.held = 0.0f;
  e->control_envelopes_done = false;
  e->control_reading = 0.0f;
  for (auto& v : e->rumble) pluvessa_rumble_derive(v, e->rumble_p, e->strength_copy);

  pluvessa_init_sources(e);
}

void pluvessa_init_sources(pluvessa_engine* e) {
  const float fs = e->frame.sample_rate;
  global_controller_init(&e->global, fs);
  pluvessa_lfe_update(e->lfe, e->lfe_p, fs);
  for (auto& v : e->rumble) pluvessa_rumble_init(v, e->rumble_p, fs);
  for (auto& v : e->shower) pluvessa_shower_update(v, e->shower_p, fs);
  for (int i = 0; i < 4; ++i) pluvessa_liquid_init(e->liquid[i], e->liquid_p[i / 2], fs, i);
}

int32_t pluvessa_force_update(pluvessa_engine* e) {
  if (e) random_envelope_retrigger(&e->global.slow);
  return ENGINE_OK;
}

