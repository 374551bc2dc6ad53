#pragma once
// The render call both engines share: carry-over delivery, whole 64-frame
// sub-blocks of the engine's voices (T::render_voices) and controller
// (T::advance_control), the layout's gain matrix, the master gain ramp and
// the hard clip, and the frames past the block into the carry-over store.

#include <cstdint>
#include <cstring>
#include <span>

#include "dsp/block_ops.h"
#include "dsp/dsp_common.h"
#include "dsp/limiter.h"
#include "engine/frame.h"

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

// The layout of a mask among those the engine renders, or null.
template <class T>
const layout_def* find_layout(uint32_t mask) {
  for (const layout_def& l : T::layouts())
    if (l.mask == mask) return &l;
  return nullptr;
}

// Delivers the frames carried over from the previous call to the start of
// the output, as many as fit; frames another layout or output path carried
// are dropped. Returns the frames delivered.
inline uint32_t deliver_carried(carry_store& carry, float* out, float* const* outs,
                                uint32_t layout, uint32_t ch, uint32_t frames) {
  const bool deint = outs != nullptr;
  if (carry.count != 0 && (carry.layout != layout || carry.deinterleaved != (deint ? 1u : 0u)))
    carry.count = 0;
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
  return delivered;
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
  const uint32_t ch = channels;
  const uint32_t delivered = deliver_carried(carry, out, outs, layout, ch, frames);
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
