// Setting up a wind instance: the record's frame, the shared seeds, every
// voice's records in the order that fixes its random sequence, the stored
// defaults and the derived values they give; and the voices' full
// re-initialisation that preset loading repeats.

#include <bit>
#include <cstring>

#include "wind/vantora_parts.h"

void vantora_bind_buffers(vantora_engine* e) { engine_core::bind_buffers<vantora_traits>(e); }

void vantora_engine_setup(vantora_engine* e) {
  engine_core::setup_frame<vantora_traits>(e);

  // Record initialisers, in this order: the envelopes draw from the uniform
  // seed, so the order fixes every voice's random sequence.
  global_controller_setup(&e->global);
  for (auto& v : e->backflow) vantora_backflow_setup(v);
  for (auto& v : e->whistling) vantora_whistling_setup(v);
  for (auto& v : e->gusts) vantora_gusts_setup(v);
  for (auto& v : e->squalls) vantora_squalls_setup(v);
  vantora_lfe_setup(e->lfe);
  engine_core::setup_output_stage<vantora_traits>(e);

  // Stored defaults (the registry defaults, but an 80 Hz LFE cut), and the
  // derived values they give through the sub-setters.
  engine_core::store_defaults<vantora_traits>(e);
  e->stored[static_cast<uint32_t>(vantora_param::wind_lfe_freq_cutoff)].store(
      std::bit_cast<uint32_t>(80.0f), std::memory_order_relaxed);
  for (uint32_t i = 0; i + 1 < VANTORA_PARAM_COUNT; ++i) vantora_sub_setter(e, i);
  // The squalls start on the flatlands row until their shape is first set.
  e->squalls_p.shape.store(&NOISE_SHAPES[0], std::memory_order_relaxed);

  // Start-up values of the control path before the first sub-block.
  e->speed_copy = 0.5009177f;
  st(e->stored_speed, 0.5009177f);
  st(e->global.instantaneous, 0.5059838f);
  e->global.held = 0.0f;

  vantora_init_sources(e);
}

void vantora_init_sources(vantora_engine* e) {
  const float fs = e->frame.sample_rate;
  global_controller_init(&e->global, fs);
  for (auto& v : e->backflow) vantora_backflow_update(v, e->backflow_p, fs);
  for (auto& v : e->whistling) vantora_whistling_update(v, e->whistling_p, fs);
  for (auto& v : e->gusts) vantora_gusts_init(v, e->gusts_p, fs);
  for (auto& v : e->squalls) vantora_squalls_init(v, e->squalls_p, fs);
  vantora_lfe_update(e->lfe, e->lfe_p, fs);
}

int vantora_force_update(vantora_engine* e) {
  // Each retrigger draws from the shared seed: the order is part of the sound.
  random_envelope_retrigger(&e->gusts[3].slow);
  random_envelope_retrigger(&e->gusts[0].slow);
  random_envelope_retrigger(&e->gusts[2].slow);
  random_envelope_retrigger(&e->global.slow);
  random_envelope_retrigger(&e->gusts[1].slow);
  return ENGINE_OK;
}

