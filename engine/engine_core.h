#pragma once
// What both engines do the same way, written once over a traits class: the
// instance (init, setup of the frame, output channel count, the
// initial-process flag), parameter access (engine/param_access.h), preset
// records (engine/preset_io.h) and the render call (engine/render_loop.h).
//
// A traits class T names the engine record (T::engine) and provides:
//   param_count (gain last), table(), preset_size, default_preset()
//   setup(e), init_sources(e), force_update(e), sub_setter(e, index)
//   apply_updates(e), layouts() (the rendered layouts), render_voices(e, layout)
//   (one sub-block of every voice of the layout, in mix order),
//   voice_output(e, voice), advance_control(e)
// The engine record has the members frame, dirty, buffers, buffer_table,
// stored[param_count - 1], carry, out, output_channel_count and
// initial_process.

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dsp/block_ops.h"
#include "dsp/limiter.h"
#include "dsp/noise.h"
#include "engine/frame.h"
#include "engine/param_access.h"
#include "engine/param_table.h"
#include "engine/preset_io.h"
#include "engine/render_loop.h"

namespace engine_core {

template <class T>
int get_output_channel_count(const typename T::engine* e, int32_t* count) {
  if (e && count)
    *count = static_cast<int32_t>(e->output_channel_count.load(std::memory_order_relaxed));
  return ENGINE_OK;
}

// Stored unchecked; the render layout comes from it through the plug-in.
template <class T>
int set_output_channel_count(typename T::engine* e, int32_t count) {
  if (e) e->output_channel_count.store(static_cast<uint32_t>(count), std::memory_order_relaxed);
  return ENGINE_OK;
}

template <class T>
uint32_t is_initial_process(const typename T::engine* e) {
  return e ? e->initial_process.load(std::memory_order_relaxed) : 0u;
}

template <class T>
int set_initial_process_done(typename T::engine* e) {
  if (e) e->initial_process.store(0, std::memory_order_relaxed);
  return ENGINE_OK;
}

template <class T>
int init(typename T::engine* e, float rate) {
  if (e == nullptr) return ENGINE_BAD_RATE;
  if (!(rate > 0.0f) || !(rate <= MAX_SAMPLE_RATE)) return ENGINE_BAD_RATE;
  e->frame.sample_rate = rate;
  e->initial_process.store(1, std::memory_order_relaxed);
  // The output channel count is 2 after the first init of a record; a count
  // set before a re-init survives it.
  if (e->frame.magic != RECORD_MAGIC) e->output_channel_count.store(2, std::memory_order_relaxed);
  T::setup(e);
  if (load_preset<T>(e, T::default_preset()) != ENGINE_OK) return ENGINE_PRESET_REJECTED;
  return ENGINE_OK;
}

// Points the buffer table at the sub-block buffers of the record itself.
template <class T>
void bind_buffers(typename T::engine* e) {
  constexpr size_t count = sizeof e->buffers / sizeof e->buffers[0];
  for (size_t i = 0; i < count; ++i) e->buffer_table[i] = e->buffers[i];
}

// Sets up the frame part of the record: header, every dirty flag raised,
// carry-over store, the shared random seeds reset, the buffer table bound
// and the sub-block buffers cleared.
template <class T>
void setup_frame(typename T::engine* e) {
  e->frame.product_id = PRODUCT_ID;
  e->frame.magic = RECORD_MAGIC;
  st(e->frame.master_gain, 1.0f);
  for (auto& f : e->dirty) f.store(1, std::memory_order_relaxed);
  std::memset(e->carry.samples, 0, sizeof e->carry.samples);
  e->carry.count = 0;
  e->carry.offset = 0;
  e->carry.layout = 0;
  e->carry.deinterleaved = 0;
  noise_set_uniform_seed(UNIFORM_SEED_START);
  noise_set_gaussian_seed(GAUSSIAN_SEED_START);
  bind_buffers<T>(e);
  std::memset(e->buffers, 0, sizeof e->buffers);
}

template <class T>
void setup_output_stage(typename T::engine* e) {
  limiter_init(&e->out.clip);
  limiter_set_threshold(&e->out.clip, 0.0f);
  for (auto& r : e->out.ramp) gain_ramp_init(&r);
}

}  // namespace engine_core
