#include "wind/vantora.h"

#include <cmath>
#include <cstring>

#include "dsp/noise.h"
#include "engine/engine_core.h"
#include "engine/vantora_bank.h"
#include "wind/pass_of_three.h"

namespace {

const char* const BACKFLOW_FILTER_NAMES[3] = {"Low Pass", "Band Pass Q", "All-pass"};

}  // namespace

const parameter_info VANTORA_PARAMETER_TABLE[VANTORA_PARAM_COUNT] = {
    VANTORA_PARAMETERS(PARAMETER_TABLE_ROW) PARAMETER_TABLE_GAIN_ROW};

namespace {

// Gain matrices, one row per output channel, columns in voice order.
// Mono: backflow 1, whistling 1 and 2, gusts 1, squalls 1.
const float MONO[1 * 5] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f};

// Stereo: B1 B2 W1 W2 G1 G2 S1 S2.
const float STEREO[2 * 8] = {
    0.85f, 0.15f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f,  // left
    0.15f, 0.85f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f,  // right
};

// 2.1: B1 B2 W1 W2 G1 G2 S1 S2 L (the squalls sit closer to the centre).
const float TWO_ONE[3 * 9] = {
    0.85f, 0.15f, 0.65f, 0.35f, 0.65f, 0.35f, 0.55f, 0.45f, 0.0f,  // left
    0.15f, 0.85f, 0.35f, 0.65f, 0.35f, 0.65f, 0.45f, 0.55f, 0.0f,  // right
    0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.5f,  // LFE
};

// Rows of the layouts with four or more channels: B1-B4 W1-W3 G1-G4 S1 S2 L.
#define ROW_LEFT 0.9f, 0.1f, 0.0f, 0.0f, 0.7f, 0.2f, 0.1f, 0.9f, 0.1f, 0.0f, 0.0f, 0.7f, 0.3f
#define ROW_RIGHT_A 0.1f, 0.9f, 0.0f, 0.0f, 0.2f, 0.7f, 0.1f, 0.1f, 0.9f, 0.1f, 0.0f, 0.3f, 0.7f
#define ROW_RIGHT_B 0.1f, 0.9f, 0.0f, 0.0f, 0.2f, 0.7f, 0.1f, 0.1f, 0.9f, 0.0f, 0.0f, 0.3f, 0.7f
#define ROW_CENTRE 0.4f, 0.4f, 0.2f, 0.2f, 0.2f, 0.2f, 0.4f, 0.4f, 0.4f, 0.2f, 0.2f, 0.0f, 0.0f
#define ROW_SURR_L \
  0.195f, 0.0f, 0.39f, 0.065f, 0.455f, 0.13f, 0.065f, 0.195f, 0.0f, 0.39f, 0.065f, 0.26f, 0.13f
#define ROW_SURR_R \
  0.0f, 0.195f, 0.065f, 0.39f, 0.065f, 0.13f, 0.455f, 0.0f, 0.195f, 0.065f, 0.39f, 0.13f, 0.26f
#define ROW_SILENT 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f

const float QUAD[4 * 13] = {ROW_LEFT, ROW_RIGHT_A, ROW_SURR_L, ROW_SURR_R};
const float FIVE_ZERO[5 * 13] = {ROW_LEFT, ROW_RIGHT_B, ROW_CENTRE, ROW_SURR_L, ROW_SURR_R};
const float FIVE_ONE[6 * 14] = {ROW_LEFT,   0.0f, ROW_RIGHT_B, 0.0f, ROW_CENTRE, 0.0f,
                                ROW_SILENT, 0.5f, ROW_SURR_L,  0.0f, ROW_SURR_R, 0.0f};
const float FIVE_ZERO_C[5 * 13] = {ROW_LEFT, ROW_CENTRE, ROW_RIGHT_A, ROW_SURR_L, ROW_SURR_R};
const float FIVE_ONE_C[6 * 14] = {ROW_LEFT,   0.0f, ROW_CENTRE, 0.0f, ROW_RIGHT_B, 0.0f,
                                  ROW_SURR_L, 0.0f, ROW_SURR_R, 0.0f, ROW_SILENT,  0.5f};

#undef ROW_LEFT
#undef ROW_RIGHT_A
#undef ROW_RIGHT_B
#undef ROW_CENTRE
#undef ROW_SURR_L
#undef ROW_SURR_R
#undef ROW_SILENT

#define ALL_THIRTEEN 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12

const layout_def LAYOUTS[] = {
    {0x80000u, 1, 5, {0, 4, 5, 7, 11}, MONO},
    {0x3u, 2, 8, {0, 1, 4, 5, 7, 8, 11, 12}, STEREO},
    {0xBu, 3, 9, {0, 1, 4, 5, 7, 8, 11, 12, 13}, TWO_ONE},
    {0x33u, 4, 13, {ALL_THIRTEEN}, QUAD},
    {0x37u, 5, 13, {ALL_THIRTEEN}, FIVE_ZERO},
    {0x3Fu, 6, 14, {ALL_THIRTEEN, 13}, FIVE_ONE},
    {0x40000037u, 5, 13, {ALL_THIRTEEN}, FIVE_ZERO_C},
    {0x4000003Fu, 6, 14, {ALL_THIRTEEN, 13}, FIVE_ONE_C},
};

#undef ALL_THIRTEEN

inline void mark_range(vantora_engine* e, int first, int count) {
  for (int k = 0; k < count; ++k) mark(e->dirty[first + k]);
}

// A shape index selects a row; outside the table the coefficients stay.
inline void select_shape(std::atomic<const shape_coeffs*>& slot, aint& index_slot,
                         const shape_coeffs* table, int32_t count, int32_t index) {
  st(index_slot, index);
  if (index >= 0 && index < count) slot.store(&table[index], std::memory_order_relaxed);
}

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

  static void apply_updates(engine* e) {
    const float fs = e->frame.sample_rate;
    if (take(e->dirty[VF_GLOBAL])) global_controller_update(&e->global, fs);
    for (int i = 0; i < 4; ++i)
      if (take(e->dirty[VF_BACKFLOW + i])) vantora_backflow_update(e->backflow[i], e->backflow_p, fs);
    for (int i = 0; i < 3; ++i)
      if (take(e->dirty[VF_WHISTLING + i]))
        vantora_whistling_update(e->whistling[i], e->whistling_p, fs);
    for (int i = 0; i < 4; ++i)
      if (take(e->dirty[VF_GUSTS + i])) vantora_gusts_update(e->gusts[i], e->gusts_p, fs);
    for (int i = 0; i < 2; ++i)
      if (take(e->dirty[VF_SQUALLS + i])) vantora_squalls_update(e->squalls[i], e->squalls_p, fs);
    if (take(e->dirty[VF_LFE])) vantora_lfe_update(e->lfe, e->lfe_p, fs);
  }

  static std::span<const layout_def> layouts() { return LAYOUTS; }

  static const float* voice_output(engine* e, int v) {
    if (v >= VV_GUSTS && v < VV_SQUALLS) return e->buffer_table[VB_GUSTS + 2 * (v - VV_GUSTS)];
    if (v >= VV_SQUALLS && v < VV_LFE) return e->buffer_table[VB_SQUALLS + (v - VV_SQUALLS)];
    if (v == VV_LFE) return e->buffer_table[VB_LFE];
    return e->buffer_table[v];  // backflow and whistling share their numbering
  }

  // The gusts' and the controller's envelopes of one sub-block, and how they
  // advance. Where a swell starts (not quiet), each pair runs in its place.
  // Else (nothing is drawn) they advance together, keeping only the samples
  // their probes read (each gust's reading is the sum block_add would form
  // there): in the layouts whose pass of three fits one set of eight-lane
  // vectors, and where no multiplier changes within the sub-block, their
  // multiply chains ride along that pass and the readings are taken after it
  // (riding); otherwise in one loop before the voices.
  struct envelope_set {
    random_envelope* envelopes[MULTIPLY_SET + 2];
    int read_at[MULTIPLY_SET + 2], gust_of[4];
    int total, gusts;
    bool quiet, riding;
    alignas(32) double env[MULTIPLY_SET], mul[MULTIPLY_SET];
    alignas(32) double round[SUB_BLOCK / 8 * MULTIPLY_SET];
    multiply_set_job job;
  };

  // Whether the layout's pass of three takes one set of eight-lane vectors.
  static bool pass_of_three_is_one_group(const layout_def& lay) {
    int chains = 0, resonators = 0, squalls = 0;
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v < VV_GUSTS) ++chains;
      else if (v < VV_SQUALLS) ++resonators;
      else if (v < VV_LFE) ++resonators, ++squalls;
    }
    const biquad_chain_job two_sections[2] = {{{}, 2, nullptr}, {{}, 2, nullptr}};
    return squalls <= 2 && lane_major_available(SUB_BLOCK) &&
           pass_of_three_fits_eight(chains, resonators, two_sections, squalls);
  }

  static void envelopes_begin(engine* e, const layout_def& lay, envelope_set* set,
                              float* gust_reading) {
    set->total = set->gusts = 0;
    auto add_pair = [&](random_envelope* slow, random_envelope* flicker, int at) {
      set->envelopes[set->total] = slow;
      set->read_at[set->total++] = at;
      set->envelopes[set->total] = flicker;
      set->read_at[set->total++] = at;
    };
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v < VV_GUSTS || v >= VV_SQUALLS) continue;
      gusts_voice& x = e->gusts[v - VV_GUSTS];
      set->gust_of[set->gusts++] = v - VV_GUSTS;
      add_pair(&x.slow, &x.flicker, vantora_gusts_reading(x));
    }
    add_pair(&e->global.slow, &e->global.flicker, global_controller_reading(&e->global));
    bool quiet = true;
    for (int k = 0; k < set->total; ++k)
      quiet = quiet && random_envelope_quiet(set->envelopes[k], SUB_BLOCK);
    set->quiet = quiet;
    e->control_envelopes_done = quiet;
    set->riding = quiet && set->total <= MULTIPLY_SET && pass_of_three_is_one_group(lay) &&
                  random_envelope_chain_begin(set->envelopes, set->total, SUB_BLOCK, set->env,
                                              set->mul);
    set->job = {set->env, set->mul, set->round};
    if (!quiet || set->riding) return;
    float value[MULTIPLY_SET + 2] = {};
    random_envelope_advance_quiet(set->envelopes, set->total, SUB_BLOCK, set->read_at, value);
    take_readings(e, set, value, gust_reading);
  }

  // After the chains rode along: the envelopes advanced and their readings.
  static void envelopes_end(engine* e, envelope_set* set, float* gust_reading) {
    float value[MULTIPLY_SET + 2] = {};
    random_envelope_chain_end(set->envelopes, set->total, SUB_BLOCK, set->env, set->mul,
                              set->round, set->read_at, value);
    take_readings(e, set, value, gust_reading);
  }

  static void take_readings(engine* e, const envelope_set* set, const float* value,
                            float* gust_reading) {
    for (int g = 0; g < set->gusts; ++g)
      gust_reading[set->gust_of[g]] = value[2 * g] + value[2 * g + 1];
    e->control_reading = value[set->total - 2] + value[set->total - 1];
  }

  // One sub-block of the layout's voices. Each voice first draws its noise
  // and control values, in mix order (the generators are shared, so the
  // order of the draws is part of the sound); then the filters of all voices
  // run side by side, stage by stage, and each voice finishes on its own.
  static void render_voices(engine* e, const layout_def& lay) {
    const float fs = e->frame.sample_rate;
    const float speed = e->speed_copy;
    float* const* b = e->buffer_table;
    // The noise shapes: followed by their filter in the background flows and
    // the whistles, alone in the gusts and squalls. With them, where the
    // three groups fit one pass, the squalls' envelope pairs; the LFE's four
    // sections (and everything, where they do not fit) in the chains pass.
    resonator_biquad_job shaped[8] = {};
    resonator_job shapes[8] = {};
    biquad_chain_job envelopes[2] = {};
    int shaped_count = 0, shape_count = 0, envelope_count = 0;
    lane_batch<biquad_chain_job, biquad_chain_process_lanes, FILTER_JOBS> chains;
    lane_batch<band_filter_job, band_filter_process_lanes, FILTER_JOBS> bands;

    float gust_reading[4] = {};
    envelope_set set;
    envelopes_begin(e, lay, &set, gust_reading);
    const bool quiet = set.quiet;

    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v < VV_WHISTLING) {
        backflow_voice& x = e->backflow[v];
        float* out = b[VB_BACKFLOW + v];
        vantora_backflow_prepare(x, e->backflow_p, fs, speed, out);
        shaped[shaped_count++] = {&x.shape, &x.main, out};
        bands.add({&x.band, out});
      } else if (v < VV_GUSTS) {
        const int i = v - VV_WHISTLING;
        whistling_voice& x = e->whistling[i];
        float* out = b[VB_WHISTLING + i];
        vantora_whistling_prepare(x, e->whistling_p, fs, speed, out);
        shaped[shaped_count++] = {&x.shape, &x.whistle, out};
        bands.add({&x.band, out});
      } else if (v < VV_SQUALLS) {
        const int i = v - VV_GUSTS;
        gusts_voice& x = e->gusts[i];
        float* out = b[VB_GUSTS + 2 * i];
        if (set.riding)
          vantora_gusts_prepare_riding(out);
        else if (quiet)
          vantora_gusts_prepare_quiet(x, e->gusts_p, speed, out, gust_reading[i]);
        else
          vantora_gusts_prepare(x, e->gusts_p, speed, out, b[VB_GUSTS + 2 * i + 1],
                                b[VB_SCRATCH_B]);
        shapes[shape_count++] = {&x.shape, out};
        bands.add({&x.band, out});
      } else if (v < VV_LFE) {
        const int i = v - VV_SQUALLS;
        squalls_voice& x = e->squalls[i];
        float* out = b[VB_SQUALLS + i];
        float* env = b[VB_SQUALL_ENVELOPE + i];
        vantora_squalls_prepare(x, e->squalls_p, speed, out, env);
        shapes[shape_count++] = {&x.shape, out};
        envelopes[envelope_count++] = {{&x.env_lp1, &x.env_lp2}, 2, env};
        bands.add({&x.band, out});
      } else {
        float* out = b[VB_LFE];
        vantora_lfe_prepare(e->lfe, e->lfe_p, speed, out);
        wind_lfe_voice& l = e->lfe;
        chains.add({{&l.lowpass[0], &l.lowpass[1], &l.lowpass[2], &l.lowpass[3]}, 4, out});
      }
    }

    if (!resonator_pass_of_three(shaped, shaped_count, shapes, shape_count, envelopes,
                                 envelope_count, SUB_BLOCK, set.riding ? &set.job : nullptr)) {
      // Wide layouts: all shapes in one pass, then every chain.
      lane_batch<resonator_job, resonator_process_lanes, FILTER_JOBS> all_shapes;
      for (int k = 0; k < shaped_count; ++k) {
        all_shapes.add({shaped[k].r, shaped[k].block});
        chains.add({{shaped[k].f}, 1, shaped[k].block});
      }
      for (int k = 0; k < shape_count; ++k) all_shapes.add(shapes[k]);
      for (int k = 0; k < envelope_count; ++k) chains.add(envelopes[k]);
      all_shapes.run(SUB_BLOCK);
      if (set.riding) multiply_set_process(&set.job, SUB_BLOCK);  // not expected: see begin
    }
    if (set.riding) {
      envelopes_end(e, &set, gust_reading);
      for (int g = 0; g < set.gusts; ++g) {
        const int i = set.gust_of[g];
        vantora_gusts_take_reading(e->gusts[i], e->gusts_p, speed, gust_reading[i]);
      }
    }
    chains.run(SUB_BLOCK);
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v >= VV_WHISTLING && v < VV_GUSTS) {
        const int i = v - VV_WHISTLING;
        vantora_whistling_scale(e->whistling[i], b[VB_WHISTLING + i]);
      } else if (v >= VV_GUSTS && v < VV_SQUALLS) {
        const int i = v - VV_GUSTS;
        vantora_gusts_scale(e->gusts[i], b[VB_GUSTS + 2 * i]);
      } else if (v >= VV_SQUALLS && v < VV_LFE) {
        const int i = v - VV_SQUALLS;
        vantora_squalls_shape(e->squalls[i], e->squalls_p, b[VB_SQUALLS + i],
                              b[VB_SQUALL_ENVELOPE + i]);
      }
    }
    bands.run(SUB_BLOCK);
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v < VV_WHISTLING)
        vantora_backflow_finish(e->backflow[v], e->backflow_p, b[VB_BACKFLOW + v]);
      else if (v < VV_GUSTS)
        vantora_whistling_finish(e->whistling[v - VV_WHISTLING], e->whistling_p,
                                 b[VB_WHISTLING + v - VV_WHISTLING]);
      else if (v < VV_SQUALLS)
        vantora_gusts_finish(e->gusts[v - VV_GUSTS], e->gusts_p,
                             b[VB_GUSTS + 2 * (v - VV_GUSTS)]);
      else if (v < VV_LFE)
        vantora_squalls_finish(e->squalls[v - VV_SQUALLS], e->squalls_p,
                               b[VB_SQUALLS + v - VV_SQUALLS]);
      else
        vantora_lfe_finish(e->lfe, b[VB_LFE]);
    }
  }

  // The controller runs after the voices: they use the speed of the previous
  // sub-block.
  static void advance_control(engine* e) {
    float* a = e->buffer_table[VB_SCRATCH_A];
    float* b = e->buffer_table[VB_SCRATCH_B];
    const float v = e->control_envelopes_done
                        ? global_controller_finish(&e->global, e->control_reading)
                        : global_controller_process(&e->global, a, b);
    st(e->stored_speed, v);
    e->speed_copy = v;
  }
};

using core = vantora_traits;

}  // namespace

void vantora_bind_buffers(vantora_engine* e) {
  for (int i = 0; i < VB_COUNT; ++i) e->buffer_table[i] = e->buffers[i];
}

void vantora_sub_setter(vantora_engine* e, uint32_t i) {
  const float x = engine_core::stored_float<core>(e, i);
  const int32_t n = engine_core::stored_int<core>(e, i);
  auto& b = e->backflow_p;
  auto& w = e->whistling_p;
  auto& u = e->gusts_p;
  auto& s = e->squalls_p;
  switch (i) {
    case 0: case 1: case 2: case 3: case 4: case 5:
      global_controller_set(e->global.params, i, x);
      break;
    case 6: select_shape(b.shape, b.shape_index, NOISE_SHAPES, NOISE_SHAPE_COUNT, n); break;
    case 7: st(b.level, x); break;
    case 8: {
      static constexpr int32_t types[3] = {FILTER_LOWPASS, FILTER_BANDPASS_Q, FILTER_GAIN};
      if (n >= 0 && n < 3) st(b.filter_type, types[n]);
      break;
    }
    case 9: st(b.base_freq, engine_core::pow_widened(x, 3.9956350326538086) * 9900.0f + 100.0f); break;
    case 10: st(b.q, engine_core::pow_widened(x, 0.9956352114677429) * 9.9f + 0.1f); break;
    case 11: st(b.variation_rate, 90.0f * x + 10.0f); break;
    case 12: st(b.variation_depth, x); break;
    case 13: st(b.low_cut, x); break;
    case 14: st(b.high_cut, x); break;
    case 15: st(b.coupling, x); break;
    case 16: st(w.level, x); break;
    case 17: select_shape(w.shape, w.shape_index, WHISTLE_SHAPES, SMALL_SHAPE_COUNT, n); break;
    case 18: st(w.q, 18.0f * x + 2.0f); break;
    case 19: st(w.floor, x); break;
    case 20: st(w.rate, x); break;
    case 21: st(w.min_freq, x); break;
    case 22: st(w.max_freq, x); break;
    case 23: st(w.presence, x); break;
    case 24: st(w.low_cut, x); break;
    case 25: st(w.high_cut, x); break;
    case 26: st(w.coupling, x); break;
    case 27: st(u.level, x); break;
    case 28: select_shape(u.shape, u.shape_index, NOISE_SHAPES, NOISE_SHAPE_COUNT, n); break;
    case 29: st(u.amplitude, x); break;
    case 30: st(u.rate, x); break;
    case 31: st(u.duty_cycle, 0.9f * x + 0.05f); break;
    case 32: st(u.floor, x); break;
    case 33: st(u.low_cut, x); break;
    case 34: st(u.high_cut, x); break;
    case 35: st(u.coupling, x); break;
    case 36: st(s.level, x); break;
    case 37: select_shape(s.shape, s.shape_index, SQUALL_SHAPES, SMALL_SHAPE_COUNT, n); break;
    case 38: st(s.amplitude, x); break;
    case 39: st(s.envelope_cutoff, 12.8f * x + 2.2f); break;
    case 40: st(s.floor, x); break;
    case 41: st(s.low_cut, x); break;
    case 42: st(s.high_cut, x); break;
    case 43: st(s.coupling, x); break;
    case 44: st(e->lfe_p.level, x); break;
    case 45: st(e->lfe_p.cutoff, x); break;
    default: return;
  }
  // Mark the instances of the kind the parameter feeds.
  if (i <= 5)
    mark(e->dirty[VF_GLOBAL]);
  else if (i <= 15)
    mark_range(e, VF_BACKFLOW, 4);
  else if (i <= 26)
    mark_range(e, VF_WHISTLING, 3);
  else if (i <= 35)
    mark_range(e, VF_GUSTS, 4);
  else if (i <= 43)
    mark_range(e, VF_SQUALLS, 2);
  else
    mark(e->dirty[VF_LFE]);
}

void vantora_engine_setup(vantora_engine* e) {
  engine_core::setup_frame<core>(e);
  for (auto& f : e->dirty) f.store(1, std::memory_order_relaxed);
  noise_set_uniform_seed(UNIFORM_SEED_START);
  noise_set_gaussian_seed(GAUSSIAN_SEED_START);
  vantora_bind_buffers(e);
  std::memset(e->buffers, 0, sizeof e->buffers);

  // Record initialisers, in this order: the envelopes draw from the uniform
  // seed, so the order fixes every voice's random sequence.
  global_controller_setup(&e->global);
  for (auto& v : e->backflow) vantora_backflow_setup(v);
  for (auto& v : e->whistling) vantora_whistling_setup(v);
  for (auto& v : e->gusts) vantora_gusts_setup(v);
  for (auto& v : e->squalls) vantora_squalls_setup(v);
  vantora_lfe_setup(e->lfe);
  engine_core::setup_output_stage<core>(e);

  // Stored defaults (the registry defaults, but an 80 Hz LFE cut), and the
  // derived values they give through the sub-setters.
  engine_core::store_defaults<core>(e);
  e->stored[45].store(std::bit_cast<uint32_t>(80.0f), std::memory_order_relaxed);
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

uint32_t vantora_get_size() { return static_cast<uint32_t>(sizeof(vantora_engine)); }

int vantora_init(vantora_engine* e, float sample_rate) {
  return engine_core::init<core>(e, sample_rate);
}

int vantora_get_output_channel_count(const vantora_engine* e, int32_t* count) {
  return engine_core::get_output_channel_count<core>(e, count);
}

int vantora_set_output_channel_count(vantora_engine* e, int32_t count) {
  return engine_core::set_output_channel_count<core>(e, count);
}

uint32_t vantora_is_initial_process(const vantora_engine* e) {
  return engine_core::is_initial_process<core>(e);
}

int vantora_set_initial_process_done(vantora_engine* e) {
  return engine_core::set_initial_process_done<core>(e);
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

float vantora_get_instantaneous_wind_control(const vantora_engine* e) {
  return ld(e->global.instantaneous);
}

int vantora_process(vantora_engine* e, float* out, int32_t layout, uint32_t frames) {
  return engine_core::render<core>(e, out, nullptr, layout, frames);
}

int vantora_process_deinterleaved(vantora_engine* e, float* const* outs, int32_t layout,
                                  uint32_t frames) {
  if (outs == nullptr) return ENGINE_OK;
  return engine_core::render<core>(e, nullptr, outs, layout, frames);
}

int vantora_save_preset(const vantora_engine* e, void* record) {
  return engine_core::save_preset<core>(e, record);
}

int vantora_load_preset(vantora_engine* e, const void* record) {
  return engine_core::load_preset<core>(e, record);
}

void vantora_set_gain(vantora_engine* e, float gain) {
  engine_core::set_float<core>(e, VANTORA_GAIN_INDEX, gain);
}

float vantora_get_gain(const vantora_engine* e) { return ld(e->frame.master_gain); }

int vantora_set_parameter_value(vantora_engine* e, uint32_t index, const void* value) {
  return engine_core::set_value<core>(e, index, value);
}
int vantora_get_parameter_value(const vantora_engine* e, uint32_t index, void* value) {
  return engine_core::get_value<core>(e, index, value);
}
int vantora_set_normalized_parameter_value(vantora_engine* e, uint32_t index, const float* x) {
  return engine_core::set_normalized_value<core>(e, index, x);
}
int vantora_get_normalized_parameter_value(const vantora_engine* e, uint32_t index, float* x) {
  return engine_core::get_normalized_value<core>(e, index, x);
}
int vantora_set_normalized_parameter_float_value(vantora_engine* e, uint32_t index, float x) {
  return engine_core::set_normalized_float_value<core>(e, index, x);
}
float vantora_get_normalized_parameter_float_value(const vantora_engine* e, uint32_t index) {
  return engine_core::get_normalized_float_value<core>(e, index);
}

#define VANTORA_SETTER_UNIT engine_core::set_float<core>
#define VANTORA_SETTER_FREE engine_core::set_float<core>
#define VANTORA_SETTER_CHOICE engine_core::set_choice<core>
#define VANTORA_GETTER_UNIT engine_core::get_float<core>
#define VANTORA_GETTER_FREE engine_core::get_float<core>
#define VANTORA_GETTER_CHOICE engine_core::get_choice<core>
#define VANTORA_DEFINE(index, key, kind, ...)                                      \
  void vantora_set_##key(vantora_engine* e, VANTORA_KIND_TYPE_##kind value) {      \
    VANTORA_SETTER_##kind(e, index, value);                                        \
  }                                                                                \
  VANTORA_KIND_TYPE_##kind vantora_get_##key(const vantora_engine* e) {            \
    return VANTORA_GETTER_##kind(e, index);                                        \
  }                                                                                \
  void vantora_set_normalized_##key(vantora_engine* e, float x) {                  \
    engine_core::set_normalized<core>(e, index, x);                                \
  }                                                                                \
  float vantora_get_normalized_##key(const vantora_engine* e) {                    \
    return engine_core::get_normalized<core>(e, index);                            \
  }
VANTORA_PARAMETERS(VANTORA_DEFINE)
#undef VANTORA_DEFINE

const engine_descriptor<vantora_engine, int> VANTORA_DESCRIPTOR = {
    "Vantora v1.1 b6686",
    PRODUCT_ID,
    vantora_get_size,
    vantora_init,
    nullptr,
    vantora_set_parameter_value,
    vantora_get_parameter_value,
    vantora_set_normalized_parameter_value,
    vantora_get_normalized_parameter_value,
    vantora_set_normalized_parameter_float_value,
    vantora_get_normalized_parameter_float_value,
    VANTORA_PARAMETER_TABLE,
    VANTORA_PARAM_COUNT,
    vantora_process,
    vantora_process_deinterleaved,
    VANTORA_PRESET_SIZE,
    vantora_load_preset,
    vantora_save_preset,
    vantora_set_gain,
    vantora_get_gain,
    vantora_get_instantaneous_wind_control,
    vantora_force_update,
};
