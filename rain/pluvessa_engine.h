#pragma once
// The Pluvessa rain engine record and its inner steps. The public interface
// is include/pluvessa.h; this header completes its opaque record for the
// engine itself, the tests and the tools.

#include <atomic>
#include <cstdint>

#include "dsp/dsp_common.h"
#include "engine/engine_descriptor.h"
#include "engine/frame.h"
#include "engine/global_controller.h"
#include "engine/param_table.h"
#include "dsp/lanes.h"
#include "engine/pluvessa_params.h"
#include "include/pluvessa.h"
#include "rain/liquid.h"
#include "rain/rain_lfe.h"
#include "rain/rumble.h"
#include "rain/shower.h"

// The public header's figures follow from the table: changing the table
// changes the library's interface.
static_assert(PLUVESSA_GAIN_INDEX == PLUVESSA_PARAM_COUNT - 1,
              "the gain's index in include/pluvessa.h follows the table's last row");
static_assert(PLUVESSA_PRESET_SIZE == 16 + 8 * (PLUVESSA_PARAM_COUNT - 1),
              "the preset size in include/pluvessa.h holds one entry per parameter but the gain");

// Dirty flags, in the order the render call applies them.
enum pluvessa_flag : int {
  RF_GLOBAL = 0,
  RF_LFE = 1,
  RF_RUMBLE = 2,  // A, B
  RF_SHOWER = 4,  // A, B
  RF_LIQUID = 6,  // 1A, 1B, 2A, 2B
  RF_COUNT = 10,
};

// Voices in mix order: the columns of every gain matrix.
enum pluvessa_voice : uint8_t {
  RV_LFE = 0,
  RV_RUMBLE = 1,  // A, B
  RV_SHOWER = 3,  // A, B
  RV_LIQUID = 5,  // 1A, 1B, 2A, 2B
  RV_COUNT = 9,
};

// Sub-block buffers.
enum pluvessa_buffer : int {
  RB_LFE = 0,
  RB_RUMBLE = 1,  // A, B
  RB_SHOWER = 3,  // A, B
  RB_LIQUID = 5,  // trigger, output per instance: 5..12
  RB_SCRATCH_A = 13,
  RB_SCRATCH_B = 14,
  RB_RUMBLE_MODULATOR = 15,  // A, B
  RB_TONE = 17,               // tone frequency, then tone, per liquid instance: 17..20
  RB_COUNT = 21,
};

struct pluvessa_engine {
  frame_header frame;
  dirty_flag dirty[RF_COUNT];
  alignas(16) float buffers[RB_COUNT][SUB_BLOCK];  // vector loads never split a cache line
  // The drops' chain hands its blocks on lane-major where the eight-lane
  // passes run: control values, control-chain outputs, sines (eight lanes:
  // rumble A, B, shower A, B, liquid 1A, 1B, 2A, 2B), tone frequencies
  // (four lanes, the liquid instances).
  alignas(16) float major_control[SUB_BLOCK * MAJOR_LANES];
  alignas(16) float major_block[SUB_BLOCK * MAJOR_LANES];
  alignas(16) float major_sines[SUB_BLOCK * MAJOR_LANES];
  alignas(16) float major_tone[SUB_BLOCK * 4];
  carry_store carry;
  float* buffer_table[RB_COUNT];
  output_stage out;

  global_controller global;
  rain_lfe_voice lfe;
  rumble_voice rumble[2];
  shower_voice shower[2];
  liquid_voice liquid[4];  // 1A, 1B, 2A, 2B

  // Derived values written by the sub-setters, one set per voice kind.
  rain_lfe_params lfe_p;
  rumble_params rumble_p;
  shower_params shower_p;
  liquid_params liquid_p[2];  // liquid 1, liquid 2
  float strength_copy;        // rain strength the rumble and LFE of the next sub-block use
  // This sub-block's controller envelopes advanced ahead of the voices'
  // filter passes (then control_reading holds their sum at the probe's sample).
  bool control_envelopes_done;
  float control_reading;

  // Stored parameters by engine index, and the copy of the instantaneous
  // rain strength.
  std::atomic<uint32_t> stored[PLUVESSA_PARAM_COUNT - 1];
  afloat stored_strength;

  std::atomic<uint32_t> output_channel_count;
  std::atomic<uint32_t> initial_process;

  pluvessa_engine() = default;
  pluvessa_engine(const pluvessa_engine&) = delete;
  pluvessa_engine& operator=(const pluvessa_engine&) = delete;
};

// The parameter registry, PLUVESSA_PARAM_COUNT rows in engine-index order.
extern const parameter_info PLUVESSA_PARAMETER_TABLE[PLUVESSA_PARAM_COUNT];

// The engine described as a table ("Pluvessa v1.1 b6686").
extern const engine_descriptor<pluvessa_engine, int32_t> PLUVESSA_DESCRIPTOR;

void pluvessa_engine_setup(pluvessa_engine* e);
void pluvessa_bind_buffers(pluvessa_engine* e);
void pluvessa_init_sources(pluvessa_engine* e);
// Derives the voice values of a stored parameter and marks the voice kind
// the table names for it; false where that voice's sub-setter has no case
// for the key (a table fault), or for the gain and indices past the table.
bool pluvessa_sub_setter(pluvessa_engine* e, uint32_t index);
