#pragma once
// What both engines do the same way, written once over a traits class: init,
// parameter access by index in natural and normalised units, preset records,
// and the render call (carry-over, mixing, master gain ramp, hard clip).
//
// A traits class T names the engine record (T::engine) and provides:
//   param_count (gain last), table(), preset_size, default_preset()
//   setup(e), init_sources(e), force_update(e), sub_setter(e, index)
//   apply_updates(e), layouts() (the rendered layouts), render_voices(e, layout)
//   (one sub-block of every voice of the layout, in mix order),
//   voice_output(e, voice), advance_control(e)
// The engine record has the members frame, stored[param_count - 1], carry,
// out, output_channel_count and initial_process.

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>

#include "dsp/block_ops.h"
#include "dsp/dsp_common.h"
#include "dsp/limiter.h"
#include "dsp/noise.h"
#include "engine/frame.h"
#include "engine/param_table.h"

// One rendered output layout: which voices it mixes (in column order) and
// their gains, one row per output channel.
struct layout_def {
  uint32_t mask;
  int32_t channels;
  int32_t num_sources;
  uint8_t voices[14];
  const float* matrix;  // channels x num_sources
};

namespace engine_core {

inline constexpr uint32_t PRESET_HEADER = 16;

template <class T>
inline uint32_t stored_bits(const typename T::engine* e, uint32_t i) {
  return e->stored[i].load(std::memory_order_relaxed);
}

template <class T>
inline void store_bits(typename T::engine* e, uint32_t i, uint32_t bits) {
  e->stored[i].store(bits, std::memory_order_relaxed);
}

template <class T>
inline float stored_float(const typename T::engine* e, uint32_t i) {
  return std::bit_cast<float>(stored_bits<T>(e, i));
}

template <class T>
inline int32_t stored_int(const typename T::engine* e, uint32_t i) {
  return std::bit_cast<int32_t>(stored_bits<T>(e, i));
}

inline float clamp_unit(float v) {
  if (std::isnan(v)) return 0.0f;
  v = v < 0.0f ? 0.0f : v;
  return v > 1.0f ? 1.0f : v;
}

// Natural setter of a float parameter (or the gain): clamp or store, then
// the sub-setter. Unclamped parameters ignore non-finite values.
template <class T>
void set_float(typename T::engine* e, uint32_t i, float v) {
  const parameter_info& p = T::table()[i];
  switch (p.kind) {
    case KIND_UNIT:
      store_bits<T>(e, i, std::bit_cast<uint32_t>(clamp_unit(v)));
      break;
    case KIND_FREE:
      if (!std::isfinite(v)) return;
      store_bits<T>(e, i, std::bit_cast<uint32_t>(v));
      break;
    case KIND_GAIN:
      if (std::isfinite(v)) st(e->frame.master_gain, v);
      return;
    default:
      return;
  }
  T::sub_setter(e, i);
}

template <class T>
void set_choice(typename T::engine* e, uint32_t i, int32_t v) {
  store_bits<T>(e, i, std::bit_cast<uint32_t>(v));
  T::sub_setter(e, i);
}

template <class T>
float get_float(const typename T::engine* e, uint32_t i) {
  if (T::table()[i].kind == KIND_GAIN) return ld(e->frame.master_gain);
  return stored_float<T>(e, i);
}

template <class T>
int32_t get_choice(const typename T::engine* e, uint32_t i) {
  return stored_int<T>(e, i);
}

// Nearest integer with halves away from zero, saturated to 32 bits.
inline int32_t round_half_away(float y) {
  const double d = static_cast<double>(y);
  const double r = d >= 0.0 ? std::trunc(d + 0.5) : std::trunc(d - 0.5);
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(r);
}

template <class T>
void set_normalized(typename T::engine* e, uint32_t i, float x) {
  const parameter_info& p = T::table()[i];
  switch (p.kind) {
    case KIND_FREE: {
      // A value whose mapping overflows is ignored like a non-finite input.
      const float v = p.span * x + p.low;
      if (!std::isfinite(v)) return;
      store_bits<T>(e, i, std::bit_cast<uint32_t>(v));
      T::sub_setter(e, i);
      return;
    }
    case KIND_CHOICE:
      if (!std::isfinite(x)) return;
      set_choice<T>(e, i, round_half_away(static_cast<float>(p.choice_count - 1) * x));
      return;
    default:
      set_float<T>(e, i, x);
      return;
  }
}

template <class T>
float get_normalized(const typename T::engine* e, uint32_t i) {
  const parameter_info& p = T::table()[i];
  switch (p.kind) {
    case KIND_FREE:
      return (stored_float<T>(e, i) - p.low) * p.norm_k;
    case KIND_CHOICE:
      return static_cast<float>(stored_int<T>(e, i)) * p.norm_k;
    default:
      return get_float<T>(e, i);
  }
}

// By-index access. Indices past the table and null pointers are ignored.
template <class T>
int set_value(typename T::engine* e, uint32_t i, const void* value) {
  if (i >= T::param_count || value == nullptr) return ENGINE_OK;
  if (T::table()[i].type == PARAM_CHOICE) {
    int32_t v;
    std::memcpy(&v, value, 4);
    set_choice<T>(e, i, v);
  } else {
    float v;
    std::memcpy(&v, value, 4);
    set_float<T>(e, i, v);
  }
  return ENGINE_OK;
}

template <class T>
int get_value(const typename T::engine* e, uint32_t i, void* value) {
  if (i >= T::param_count || value == nullptr) return ENGINE_OK;
  if (T::table()[i].type == PARAM_CHOICE) {
    const int32_t v = get_choice<T>(e, i);
    std::memcpy(value, &v, 4);
  } else {
    const float v = get_float<T>(e, i);
    std::memcpy(value, &v, 4);
  }
  return ENGINE_OK;
}

template <class T>
int set_normalized_value(typename T::engine* e, uint32_t i, const float* x) {
  if (i >= T::param_count || x == nullptr) return ENGINE_OK;
  set_normalized<T>(e, i, *x);
  return ENGINE_OK;
}

template <class T>
int get_normalized_value(const typename T::engine* e, uint32_t i, float* x) {
  if (i >= T::param_count || x == nullptr) return ENGINE_OK;
  *x = get_normalized<T>(e, i);
  return ENGINE_OK;
}

template <class T>
int set_normalized_float_value(typename T::engine* e, uint32_t i, float x) {
  if (i < T::param_count) set_normalized<T>(e, i, x);
  return ENGINE_OK;
}

template <class T>
float get_normalized_float_value(const typename T::engine* e, uint32_t i) {
  return i < T::param_count ? get_normalized<T>(e, i) : 0.0f;
}

// Preset records: version, magic, 64-bit size, then (index, value) entries
// for every parameter but the gain, little-endian.
template <class T>
int save_preset(const typename T::engine* e, void* record) {
  if (record == nullptr) return ENGINE_OK;
  uint8_t buf[T::preset_size] = {};
  const uint32_t version = PRODUCT_ID, magic = RECORD_MAGIC;
  const uint64_t size = T::preset_size;
  std::memcpy(buf, &version, 4);
  std::memcpy(buf + 4, &magic, 4);
  std::memcpy(buf + 8, &size, 8);
  uint32_t off = PRESET_HEADER;
  for (uint32_t i = 0; i + 1 < T::param_count && off + 8 <= T::preset_size; ++i, off += 8) {
    const int32_t index = static_cast<int32_t>(i);
    std::memcpy(buf + off, &index, 4);
    get_value<T>(e, i, buf + off + 4);
  }
  std::memcpy(record, buf, T::preset_size);
  return ENGINE_OK;
}

template <class T>
int load_preset(typename T::engine* e, const void* record) {
  if (record == nullptr) return ENGINE_PRESET_REJECTED;
  uint8_t buf[T::preset_size];
  std::memcpy(buf, record, T::preset_size);
  uint32_t version, magic;
  uint64_t size;
  std::memcpy(&version, buf, 4);
  std::memcpy(&magic, buf + 4, 4);
  std::memcpy(&size, buf + 8, 8);
  if ((version & 0xFFFF0000u) != 0x00010000u) return ENGINE_BAD_MAJOR;
  const uint32_t minor = (version & 0xFFFFu) - 256u;
  if (minor > 1u) return ENGINE_BAD_MINOR;
  if (magic != RECORD_MAGIC) return ENGINE_PRESET_REJECTED;
  const uint64_t extra = size - T::preset_size;
  if (extra != 0 && extra != 8) return ENGINE_PRESET_REJECTED;
  T::init_sources(e);
  T::force_update(e);
  for (uint32_t off = PRESET_HEADER; off + 8 <= T::preset_size; off += 8) {
    int32_t index;
    std::memcpy(&index, buf + off, 4);
    if (index < 0 || static_cast<uint32_t>(index) >= T::param_count) return ENGINE_UNKNOWN_INDEX;
    set_value<T>(e, static_cast<uint32_t>(index), buf + off + 4);
  }
  return ENGINE_OK;
}

// The layout of a mask among those the engine renders, or null.
template <class T>
const layout_def* find_layout(uint32_t mask) {
  for (const layout_def& l : T::layouts())
    if (l.mask == mask) return &l;
  return nullptr;
}

// The registry defaults into the stored parameters (the gain lives apart).
template <class T>
void store_defaults(typename T::engine* e) {
  for (uint32_t i = 0; i + 1 < T::param_count; ++i) {
    const parameter_info& p = T::table()[i];
    store_bits<T>(e, i,
                  p.type == PARAM_CHOICE ? std::bit_cast<uint32_t>(static_cast<int32_t>(p.def))
                                         : std::bit_cast<uint32_t>(p.def));
  }
}

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

// Renders one block of any length. Whole sub-blocks are rendered; frames
// past the end of the block wait in the carry-over store, and a call shorter
// than what is carried takes what fits and leaves the rest for the next call.
template <class T>
int render(typename T::engine* e, float* out, float* const* outs, int32_t layout_arg,
           uint32_t frames) {
  const bool deint = outs != nullptr;
  const uint32_t layout = static_cast<uint32_t>(layout_arg);
  const uint32_t channels = channel_count_of_mask(layout);
  denormal_mode_set();
  T::apply_updates(e);

  if (deint) {
    for (uint32_t c = 0; c < channels; ++c)
      if (outs[c] == nullptr) return ENGINE_OK;
  } else if (out == nullptr) {
    return ENGINE_OK;
  }

  carry_store& carry = e->carry;
  const layout_def* lay = find_layout<T>(layout);
  if (ld(e->frame.master_gain) == 0.0f || lay == nullptr) {
    // Silence; otherwise every frame is written below (carried or rendered).
    if (deint)
      for (uint32_t c = 0; c < channels; ++c) std::memset(outs[c], 0, sizeof(float) * frames);
    else
      std::memset(out, 0, sizeof(float) * static_cast<size_t>(frames) * channels);
    carry.count = 0;
    return ENGINE_OK;
  }
  if (carry.count != 0 && (carry.layout != layout || carry.deinterleaved != (deint ? 1u : 0u)))
    carry.count = 0;

  const uint32_t ch = channels;
  const uint32_t delivered = carry.count < frames ? carry.count : frames;
  if (delivered != 0) {
    if (deint) {
      for (uint32_t c = 0; c < ch; ++c)
        std::memcpy(outs[c], carry.samples + c * CARRY_FRAMES + carry.offset,
                    sizeof(float) * delivered);
    } else {
      std::memcpy(out, carry.samples + carry.offset * ch, sizeof(float) * delivered * ch);
    }
    carry.offset += delivered;
    carry.count -= delivered;
  }
  if (carry.count == 0) carry.offset = 0;
  uint32_t remaining = frames - delivered;
  uint32_t pos = delivered;

  const float* sources[14];
  for (int s = 0; s < lay->num_sources; ++s) sources[s] = T::voice_output(e, lay->voices[s]);
  float* chans[MAX_CHANNELS];
  for (uint32_t c = 0; c < ch; ++c) chans[c] = e->out.mix + c * SUB_BLOCK;
  // The sources and the matrix hold for the whole call: their mix terms are
  // collected once.
  mix_plan plan;
  if (!deint) mix_plan_make(&plan, sources, lay->num_sources, static_cast<int>(ch), lay->matrix);

  while (remaining > 0) {
    T::render_voices(e, *lay);
    T::advance_control(e);
    const float gain = ld(e->frame.master_gain);
    const uint32_t fit = remaining < SUB_BLOCK ? remaining : SUB_BLOCK;
    if (deint) {
      mix_deinterleaved(sources, lay->num_sources, chans, static_cast<int>(ch), lay->matrix,
                        SUB_BLOCK);
      for (uint32_t c = 0; c < ch; ++c) {
        gain_ramp_apply(&e->out.ramp[c], gain, chans[c], SUB_BLOCK);
        limiter_clip_process(&e->out.clip, chans[c], SUB_BLOCK);
        std::memcpy(outs[c] + pos, chans[c], sizeof(float) * fit);
        std::memcpy(carry.samples + c * CARRY_FRAMES, chans[c] + fit,
                    sizeof(float) * (SUB_BLOCK - fit));
      }
    } else {
      const int n = SUB_BLOCK * static_cast<int>(ch);
      mix_interleaved_fresh_planned(&plan, e->out.mix, SUB_BLOCK);
      gain_ramp_apply(&e->out.ramp[0], gain, e->out.mix, n);
      limiter_clip_process(&e->out.clip, e->out.mix, n);
      std::memcpy(out + static_cast<size_t>(pos) * ch, e->out.mix, sizeof(float) * fit * ch);
      std::memcpy(carry.samples, e->out.mix + fit * ch, sizeof(float) * (SUB_BLOCK - fit) * ch);
    }
    if (fit < static_cast<uint32_t>(SUB_BLOCK)) {
      carry.count = SUB_BLOCK - fit;
      carry.offset = 0;
      carry.layout = layout;
      carry.deinterleaved = deint ? 1u : 0u;
    }
    pos += fit;
    remaining -= fit;
  }
  return ENGINE_OK;
}

}  // namespace engine_core
