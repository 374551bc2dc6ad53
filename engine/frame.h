#pragma once
// The instance frame both engines share: header fields, dirty flags, the
// carry-over store and the relaxed-atomic helpers through which setters (any
// thread) and the render call (audio thread) share values.
//
// Threading: a setter stores a value, writes the derived values with relaxed
// stores and then raises dirty flags with release stores; the render call
// takes a flag with an acquire exchange before it re-designs from the derived
// values. Relaxed loads and stores of 32-bit fields compile to plain moves, so
// the audio path pays nothing for this.

#include <atomic>
#include <cstdint>

#include "dsp/block_ops.h"
#include "dsp/dsp_common.h"
#include "dsp/limiter.h"

using afloat = std::atomic<float>;
using aint = std::atomic<int32_t>;

inline float ld(const afloat& a) { return a.load(std::memory_order_relaxed); }
inline int32_t ld(const aint& a) { return a.load(std::memory_order_relaxed); }
inline void st(afloat& a, float v) { a.store(v, std::memory_order_relaxed); }
inline void st(aint& a, int32_t v) { a.store(v, std::memory_order_relaxed); }

inline constexpr uint32_t PRODUCT_ID = 0x00010101u;
inline constexpr uint32_t RECORD_MAGIC = 0x7AB9CAFEu;
inline constexpr uint32_t MAX_CHANNELS = 6;
inline constexpr uint32_t CARRY_FRAMES = 63;
// The rate the voices were tuned at: their fixed tables (wind shapes) and the
// level of their noise hold there. At another rate a voice moves them, when
// it re-designs, so that it sounds the same in seconds and hertz.
inline constexpr float TUNING_RATE = 48000.0f;

// Engine status codes.
enum : int {
  ENGINE_OK = 0,
  ENGINE_PRESET_REJECTED = 7,
  ENGINE_BAD_RATE = 10,
  ENGINE_UNKNOWN_INDEX = 11,
  ENGINE_BAD_MAJOR = 13,
  ENGINE_BAD_MINOR = 18,
};

// Highest sample rate init accepts: above it, envelope lengths in samples
// could overflow 32-bit counters.
inline constexpr float MAX_SAMPLE_RATE = 1000000.0f;

using dirty_flag = std::atomic<uint8_t>;

inline void mark(dirty_flag& f) { f.store(1, std::memory_order_release); }
// True (and clears the flag) when a setter marked it since the last take.
inline bool take(dirty_flag& f) {
  return f.load(std::memory_order_relaxed) != 0 && f.exchange(0, std::memory_order_acquire) != 0;
}

// The dirty flags of one voice kind's instances: count flags from first.
struct dirty_group {
  uint8_t first, count;
};

inline void mark_group(dirty_flag* flags, dirty_group g) {
  for (int k = 0; k < g.count; ++k) mark(flags[g.first + k]);
}

// Frames rendered past the end of a host block, waiting for the next call.
// They belong to the layout and output path that rendered them.
struct carry_store {
  float samples[MAX_CHANNELS * CARRY_FRAMES];  // interleaved run, or one slot per channel
  uint32_t count;                              // frames waiting
  uint32_t offset;                             // frames of the store already delivered
  uint32_t layout;                             // layout mask that rendered them
  uint32_t deinterleaved;                      // output path that rendered them
};

struct frame_header {
  uint32_t product_id;
  uint32_t magic;
  afloat master_gain;  // linear, stored unchanged
  float sample_rate;   // Hz
};

// The output stage: mix block, master gain ramps and the hard clip.
struct output_stage {
  alignas(16) float mix[SUB_BLOCK * MAX_CHANNELS];
  limiter clip;
  gain_ramp_state ramp[MAX_CHANNELS];  // the interleaved path uses only the first
};
