#pragma once
// Vantora, the wind engine: one caller-allocated record per instance,
// initialised for a sample rate, driven by setters in natural units and
// rendered block by block. The record points into itself: never move or copy
// it after vantora_init.
//
// Setters may run on another thread while a block renders; init, preset
// loading, force update and rendering must not overlap on one record.

#include <atomic>
#include <cstdint>

#include "dsp/dsp_common.h"
#include "engine/engine_descriptor.h"
#include "engine/frame.h"
#include "engine/global_controller.h"
#include "engine/param_table.h"
#include "dsp/lanes.h"
#include "wind/backflow.h"
#include "wind/gusts.h"
#include "wind/squalls.h"
#include "engine/vantora_params.h"
#include "wind/whistling.h"
#include "wind/wind_lfe.h"

// A preset record: a 16-byte header, then an (index, value) entry of 8 bytes
// for every parameter but the gain.
inline constexpr uint32_t VANTORA_PRESET_SIZE = 16 + 8 * (VANTORA_PARAM_COUNT - 1);

// Dirty flags, in the order the render call applies them.
enum vantora_flag : int {
  VF_GLOBAL = 0,
  VF_BACKFLOW = 1,   // 1..4
  VF_WHISTLING = 5,  // 5..7
  VF_GUSTS = 8,      // 8..11
  VF_SQUALLS = 12,   // 12..13
  VF_LFE = 14,
  VF_COUNT = 15,
};

// Voices in mix order: the columns of every gain matrix.
enum vantora_voice : uint8_t {
  VV_BACKFLOW = 0,   // 0..3
  VV_WHISTLING = 4,  // 4..6
  VV_GUSTS = 7,      // 7..10
  VV_SQUALLS = 11,   // 11..12
  VV_LFE = 13,
  VV_COUNT = 14,
};

// Sub-block buffers.
enum vantora_buffer : int {
  VB_BACKFLOW = 0,    // 0..3
  VB_WHISTLING = 4,   // 4..6
  VB_GUSTS = 7,       // output, envelope per instance: 7..14
  VB_SQUALLS = 15,    // 15..16
  VB_LFE = 17,
  VB_SCRATCH_A = 18,
  VB_SCRATCH_B = 19,
  VB_SQUALL_ENVELOPE = 20,  // 20..21
  VB_COUNT = 22,
};

struct vantora_engine {
  frame_header frame;
  dirty_flag dirty[VF_COUNT];
  alignas(16) float buffers[VB_COUNT][SUB_BLOCK];  // vector loads never split a cache line
  carry_store carry;
  float* buffer_table[VB_COUNT];
  output_stage out;

  global_controller global;
  backflow_voice backflow[4];
  whistling_voice whistling[3];
  gusts_voice gusts[4];
  squalls_voice squalls[2];
  wind_lfe_voice lfe;

  // Derived values written by the sub-setters, one set per voice kind.
  backflow_params backflow_p;
  whistling_params whistling_p;
  gusts_params gusts_p;
  squalls_params squalls_p;
  wind_lfe_params lfe_p;
  float speed_copy;  // wind speed the voices of the next sub-block use
  // This sub-block's controller envelopes advanced with the gusts' (then
  // control_reading holds their sum at the probe's sample).
  bool control_envelopes_done;
  float control_reading;

  // Stored parameters by engine index (float or int bits), and the copy of
  // the instantaneous wind speed.
  std::atomic<uint32_t> stored[VANTORA_PARAM_COUNT - 1];
  afloat stored_speed;

  std::atomic<uint32_t> output_channel_count;
  std::atomic<uint32_t> initial_process;

  vantora_engine() = default;
  vantora_engine(const vantora_engine&) = delete;
  vantora_engine& operator=(const vantora_engine&) = delete;
};

// The parameter registry, VANTORA_PARAM_COUNT rows in engine-index order.
extern const parameter_info VANTORA_PARAMETER_TABLE[VANTORA_PARAM_COUNT];

// The engine described as a table ("Vantora v1.1 b6686").
extern const engine_descriptor<vantora_engine, int> VANTORA_DESCRIPTOR;

// Instance frame.
uint32_t vantora_get_size();
// 0, or 10 for a rate not above 0, non-finite or above 1,000,000 Hz; 7 if
// the default preset was rejected.
int vantora_init(vantora_engine* e, float sample_rate);
int vantora_get_output_channel_count(const vantora_engine* e, int32_t* count);
int vantora_set_output_channel_count(vantora_engine* e, int32_t count);
uint32_t vantora_is_initial_process(const vantora_engine* e);
int vantora_set_initial_process_done(vantora_engine* e);
// Starts new slow swells at once (gusts 4, 1, 3, global, gusts 2).
int vantora_force_update(vantora_engine* e);
// The wind speed the controller produced at the end of the last sub-block.
float vantora_get_instantaneous_wind_control(const vantora_engine* e);

// Rendering: frames of the layout's channels, interleaved or one buffer per
// channel. Layouts: 0x80000 mono, 0x3 stereo, 0xB 2.1, 0x33 quad, 0x37 5.0,
// 0x3F 5.1, 0x40000037 and 0x4000003F (centre second); others are silent.
int vantora_process(vantora_engine* e, float* out, int32_t layout, uint32_t frames);
int vantora_process_deinterleaved(vantora_engine* e, float* const* outs, int32_t layout,
                                  uint32_t frames);

// Presets (VANTORA_PRESET_SIZE bytes): 0, 7, 11, 13 or 18.
int vantora_save_preset(const vantora_engine* e, void* record);
int vantora_load_preset(vantora_engine* e, const void* record);

// Master gain, linear, unclamped.
void vantora_set_gain(vantora_engine* e, float gain);
float vantora_get_gain(const vantora_engine* e);

// By index (engine index 0..46); past the table or with a null pointer
// nothing happens. The natural pair moves a float, or an int32 for a choice.
int vantora_set_parameter_value(vantora_engine* e, uint32_t index, const void* value);
int vantora_get_parameter_value(const vantora_engine* e, uint32_t index, void* value);
int vantora_set_normalized_parameter_value(vantora_engine* e, uint32_t index, const float* x);
int vantora_get_normalized_parameter_value(const vantora_engine* e, uint32_t index, float* x);
int vantora_set_normalized_parameter_float_value(vantora_engine* e, uint32_t index, float x);
float vantora_get_normalized_parameter_float_value(const vantora_engine* e, uint32_t index);

// Per key: natural setter and getter, normalised setter and getter.
#define VANTORA_KIND_TYPE_UNIT float
#define VANTORA_KIND_TYPE_FREE float
#define VANTORA_KIND_TYPE_CHOICE int32_t
#define VANTORA_DECLARE(index, key, kind, ...)                              \
  void vantora_set_##key(vantora_engine* e, VANTORA_KIND_TYPE_##kind value); \
  VANTORA_KIND_TYPE_##kind vantora_get_##key(const vantora_engine* e);      \
  void vantora_set_normalized_##key(vantora_engine* e, float x);            \
  float vantora_get_normalized_##key(const vantora_engine* e);
VANTORA_PARAMETERS(VANTORA_DECLARE)
#undef VANTORA_DECLARE

// Inner steps, exposed for tests.
void vantora_engine_setup(vantora_engine* e);
void vantora_bind_buffers(vantora_engine* e);
void vantora_init_sources(vantora_engine* e);
// Derives the voice values of a stored parameter and marks the voice kind
// the table names for it; false where that voice's sub-setter has no case
// for the key (a table fault), or for the gain and indices past the table.
bool vantora_sub_setter(vantora_engine* e, uint32_t index);
