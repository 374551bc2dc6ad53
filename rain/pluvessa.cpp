// The Pluvessa rain engine: setup, sub-setters, voices per layout, and the
// exported C interface of include/pluvessa.h.

#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>

#include "dsp/noise.h"
#include "engine/engine_core.h"
#include "engine/pluvessa_bank.h"
#include "rain/pluvessa_engine.h"
#include "rain/voice_passes.h"

// The rain table has no choice parameters: its rows take no choice columns.
#define PLUVESSA_ROW(index, key, kind, group, short_name, long_name, unit, min, max, def, span, \
                     low, norm_k, description)                                                \
  PARAMETER_TABLE_ROW(index, key, kind, group, short_name, long_name, unit, min, max, def,     \
                      span, low, norm_k, 0, nullptr, description)
const parameter_info PLUVESSA_PARAMETER_TABLE[PLUVESSA_PARAM_COUNT] = {
    PLUVESSA_PARAMETERS(PLUVESSA_ROW) PARAMETER_TABLE_GAIN_ROW};
#undef PLUVESSA_ROW

namespace {

// Gain matrices, one row per output channel. Columns: LFE (only in the LFE
// layouts), rumble A, B, shower A, B, liquid 1 A, B, liquid 2 A, B.
const float MONO[1 * 6] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};

#define ROW_L 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f
#define ROW_R 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f, 0.35f, 0.65f
#define ROW_FL 0.75f, 0.25f, 0.75f, 0.25f, 0.8f, 0.1f, 0.1f, 0.1f
#define ROW_FR 0.25f, 0.75f, 0.25f, 0.75f, 0.1f, 0.8f, 0.1f, 0.1f
#define ROW_QSL 0.4f, 0.6f, 0.4f, 0.6f, 0.1f, 0.1f, 0.8f, 0.1f
#define ROW_QSR 0.6f, 0.4f, 0.6f, 0.4f, 0.1f, 0.1f, 0.1f, 0.8f
#define ROW_C 0.4f, 0.4f, 0.0f, 0.0f, 0.3f, 0.3f, 0.3f, 0.3f
// 5.0 and 5.1 surrounds take the rumble and shower pairs crossed.
#define ROW_SL 0.25f, 0.75f, 0.25f, 0.75f, 0.1f, 0.1f, 0.8f, 0.1f
#define ROW_SR 0.75f, 0.25f, 0.75f, 0.25f, 0.1f, 0.1f, 0.1f, 0.8f
#define ROW_SILENT 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f

const float STEREO[2 * 8] = {ROW_L, ROW_R};
const float TWO_ONE[3 * 9] = {0.0f, ROW_L, 0.0f, ROW_R, 0.5f, ROW_SILENT};
const float QUAD[4 * 8] = {ROW_FL, ROW_FR, ROW_QSL, ROW_QSR};
const float FIVE_ZERO[5 * 8] = {ROW_FL, ROW_FR, ROW_C, ROW_SL, ROW_SR};
const float FIVE_ONE[6 * 9] = {0.0f, ROW_FL, 0.0f, ROW_FR, 0.0f, ROW_C,
                               0.5f, ROW_SILENT, 0.0f, ROW_SL, 0.0f, ROW_SR};
const float FIVE_ZERO_C[5 * 8] = {ROW_FL, ROW_C, ROW_FR, ROW_SL, ROW_SR};
const float FIVE_ONE_C[6 * 9] = {0.0f, ROW_FL, 0.0f, ROW_C,  0.0f, ROW_FR,
                                 0.0f, ROW_SL, 0.0f, ROW_SR, 0.5f, ROW_SILENT};

#undef ROW_L
#undef ROW_R
#undef ROW_FL
#undef ROW_FR
#undef ROW_QSL
#undef ROW_QSR
#undef ROW_C
#undef ROW_SL
#undef ROW_SR
#undef ROW_SILENT

#define EIGHT 1, 2, 3, 4, 5, 6, 7, 8

const layout_def LAYOUTS[] = {
    {0x80000u, 1, 6, {1, 2, 3, 4, 5, 6}, MONO},
    {0x3u, 2, 8, {EIGHT}, STEREO},
    {0xBu, 3, 9, {0, EIGHT}, TWO_ONE},
    {0x33u, 4, 8, {EIGHT}, QUAD},
    {0x37u, 5, 8, {EIGHT}, FIVE_ZERO},
    {0x3Fu, 6, 9, {0, EIGHT}, FIVE_ONE},
    {0x40000037u, 5, 8, {EIGHT}, FIVE_ZERO_C},
    {0x4000003Fu, 6, 9, {0, EIGHT}, FIVE_ONE_C},
};

#undef EIGHT

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

  static void apply_updates(engine* e) {
    const float fs = e->frame.sample_rate;
    if (take(e->dirty[RF_GLOBAL])) global_controller_update(&e->global, fs);
    if (take(e->dirty[RF_LFE])) pluvessa_lfe_update(e->lfe, e->lfe_p, fs);
    for (int i = 0; i < 2; ++i)
      if (take(e->dirty[RF_RUMBLE + i])) pluvessa_rumble_update(e->rumble[i], e->rumble_p, fs);
    for (int i = 0; i < 2; ++i)
      if (take(e->dirty[RF_SHOWER + i])) pluvessa_shower_update(e->shower[i], e->shower_p, fs);
    for (int i = 0; i < 4; ++i)
      if (take(e->dirty[RF_LIQUID + i]))
        pluvessa_liquid_update(e->liquid[i], e->liquid_p[i / 2], fs);
  }

  static std::span<const layout_def> layouts() { return LAYOUTS; }

  static const float* voice_output_of(float* const* b, int v) {
    if (v >= RV_LIQUID) return b[RB_LIQUID + 2 * (v - RV_LIQUID) + 1];
    return b[v];  // LFE, rumble and shower share their numbering
  }
  static const float* voice_output(engine* e, int v) { return voice_output_of(e->buffer_table, v); }

  // One sub-block of the layout's voices. Each voice first draws its noise,
  // in mix order (the generators are shared, so the order of the draws is
  // part of the sound); then the filters and oscillators of all voices run
  // side by side, stage by stage, and each voice finishes on its own.
  static void render_voices(engine* e, const layout_def& lay) {
    // The layouts with all four liquid instances fill the eight lanes; mono's
    // two would leave the oscillator pass half idle (its four oscillators
    // take two samples per vector in the other path).
    if (lay.num_sources >= 8 && lane_major_available(SUB_BLOCK)) {
      render_voices_major(e, lay);
      return;
    }
    const float fs = e->frame.sample_rate;
    const float strength = e->strength_copy;
    float* const* b = e->buffer_table;
    auto out_of = [b](int v) { return const_cast<float*>(voice_output_of(b, v)); };
    auto trigger_of = [b](int v) { return b[RB_LIQUID + 2 * (v - RV_LIQUID)]; };
    // The control chains in one pass: the drops' jitter (band pass, low
    // pass, scaled into the trigger, plus the carrier's 30 Hz, smoothed into
    // the carrier frequency) and the rumble's modulator (smoothed, times the
    // noise, through the body filter).
    lane_batch<control_chain_job, control_chain_process_lanes, FILTER_JOBS> controls;
    lane_batch<sine_osc_job, sine_osc_process_lanes, OSCILLATOR_JOBS> oscillators;
    lane_batch<biquad_job, biquad_process_lanes, FILTER_JOBS> sections;
    // Each voice's last section and its band filter (with the drops' gate
    // between them) share a pass.
    lane_batch<section_band_job, section_band_process_lanes, FILTER_JOBS> bands;

    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      float* out = out_of(v);
      if (v == RV_LFE) {
        pluvessa_lfe_prepare(e->lfe, e->lfe_p, strength, out);
        sections.add({&e->lfe.lowpass, out});
      } else if (v < RV_SHOWER) {
        const int i = v - RV_RUMBLE;
        rumble_voice& x = e->rumble[i];
        float* mod = b[RB_RUMBLE_MODULATOR + i];
        pluvessa_rumble_prepare(x, e->rumble_p, fs, strength, out, mod);
        controls.add({nullptr, &x.smoother, mod, 1.0f, 0.0f, true, &x.body, out});
        bands.add({&x.notch, &x.cut, out, nullptr, 1.0f, out});
      } else if (v < RV_LIQUID) {
        shower_voice& x = e->shower[v - RV_SHOWER];
        pluvessa_shower_prepare(x, e->shower_p, fs, out);
        bands.add({&x.colour, &x.cut, out, nullptr, 1.0f, out});
      } else {
        const int i = v - RV_LIQUID;
        liquid_voice& x = e->liquid[i];
        float* trig = trigger_of(v);
        pluvessa_liquid_prepare(e->liquid_p[i / 2], trig);
        controls.add({&x.jitter_bandpass, &x.jitter_lowpass, trig, LIQUID_JITTER_SCALE,
                      LIQUID_CARRIER_HZ, false, &x.carrier_smoother, out});
        bands.add({&x.colour_highpass, &x.cut, trig, b[RB_TONE + i], LIQUID_GATE_GAIN, out});
      }
    }

    // The sweep ramps ride along the control chains' pass (their short chain
    // beside its long ones), each stored through its tone's line; only the
    // exponential remains.
    // The layouts' liquid instances are the first ones, in order, so sweep k
    // is instance k's (its tone line and its tone block).
    ramp_osc_job sweeps[4];
    float line_m[4], line_b[4];
    pluvessa_liquid_tone_lines(e->liquid_p, line_m, line_b);
    int sweep_count = 0;
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v < RV_LIQUID) continue;
      const int i = v - RV_LIQUID;
      assert(i == sweep_count);
      sweeps[sweep_count++] = {&e->liquid[i].sweep, b[RB_TONE + i]};
    }
    envelope_ride ride;  // the controller's envelopes, where they can ride
    control_chain_sweep_process_lanes(controls.jobs, controls.count, sweeps, sweep_count, line_m,
                                      line_b, SUB_BLOCK, envelope_ride_begin(e, &ride));
    envelope_ride_end(e, ride);
    controls.count = 0;
    // The tone frequencies: the tone blocks lie side by side, one call.
    block_exp(b[RB_TONE], sweep_count * SUB_BLOCK);
    // Carriers and tones in one pass: eight independent phase chains.
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v >= RV_LIQUID) oscillators.add({&e->liquid[v - RV_LIQUID].carrier, out_of(v)});
    }
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v >= RV_LIQUID) {
        const int i = v - RV_LIQUID;
        oscillators.add({&e->liquid[i].tone, b[RB_TONE + i]});
      }
    }
    oscillators.run(SUB_BLOCK);
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v >= RV_LIQUID) pluvessa_liquid_pulses(trigger_of(v), out_of(v));
    }
    sections.run(SUB_BLOCK);
    bands.run(SUB_BLOCK);
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      float* out = out_of(v);
      if (v == RV_LFE)
        pluvessa_lfe_finish(e->lfe, out);
      else if (v < RV_SHOWER)
        pluvessa_rumble_finish(e->rumble[v - RV_RUMBLE], e->rumble_p, out);
      else if (v < RV_LIQUID)
        pluvessa_shower_finish(e->shower[v - RV_SHOWER], e->shower_p, out);
      else
        pluvessa_liquid_finish(e->liquid[v - RV_LIQUID], e->liquid_p[(v - RV_LIQUID) / 2], out);
    }
  }

  // The same voices through the eight-lane passes, which hand the blocks of
  // the drops' chain on lane-major: each voice has a fixed lane (rumble A, B
  // in 0-1, shower A, B in 2-3, liquid 1A, 1B, 2A, 2B in 4-7; in the
  // oscillator pass tones in 0-3 and carriers in 4-7), and the lanes of
  // voices the layout lacks idle. The noise is drawn in mix order as above.
  // The control pass takes the rumbles' chains and the liquids' jitter and
  // carrier chains, and passes the showers' noise on; the oscillators read
  // the carrier frequencies from its outputs; the section-band pass forms
  // the drops' pulses from the jitter and the carriers as it reads them.
  static void render_voices_major(engine* e, const layout_def& lay) {
    const float fs = e->frame.sample_rate;
    const float strength = e->strength_copy;
    float* const* b = e->buffer_table;
    float* const idle_block = b[RB_SCRATCH_A];
    control_chain_job controls[MAJOR_LANES];
    section_band_job bands[MAJOR_LANES];
    sine_osc_job oscillators[MAJOR_LANES] = {};
    ramp_osc_job sweeps[4] = {};
    for (int k = 0; k < MAJOR_LANES; ++k) {
      controls[k] = {nullptr, nullptr, nullptr, 0.0f, 0.0f, false, nullptr, idle_block};
      bands[k] = {nullptr, nullptr, nullptr, nullptr, 1.0f, idle_block};
    }
    biquad_job lfe{nullptr, nullptr};
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      const int lane = v - RV_RUMBLE;  // rumble, shower and liquid voices in lane order
      float* out = const_cast<float*>(voice_output_of(b, v));
      if (v == RV_LFE) {
        pluvessa_lfe_prepare(e->lfe, e->lfe_p, strength, out);
        lfe = {&e->lfe.lowpass, out};
      } else if (v < RV_SHOWER) {
        const int i = v - RV_RUMBLE;
        rumble_voice& x = e->rumble[i];
        float* mod = b[RB_RUMBLE_MODULATOR + i];
        pluvessa_rumble_prepare(x, e->rumble_p, fs, strength, out, mod);
        controls[lane] = {nullptr, &x.smoother, mod, 1.0f, 0.0f, true, &x.body, out};
        bands[lane] = {&x.notch, &x.cut, nullptr, nullptr, 1.0f, out};
      } else if (v < RV_LIQUID) {
        shower_voice& x = e->shower[v - RV_SHOWER];
        pluvessa_shower_prepare(x, e->shower_p, fs, out);
        controls[lane].block = out;  // passed on as it is
        bands[lane] = {&x.colour, &x.cut, nullptr, nullptr, 1.0f, out};
      } else {
        const int i = v - RV_LIQUID;
        liquid_voice& x = e->liquid[i];
        float* trig = b[RB_LIQUID + 2 * i];
        pluvessa_liquid_prepare(e->liquid_p[i / 2], trig);
        controls[lane] = {&x.jitter_bandpass, &x.jitter_lowpass, trig, LIQUID_JITTER_SCALE,
                          LIQUID_CARRIER_HZ, false, &x.carrier_smoother, out};
        bands[lane] = {&x.colour_highpass, &x.cut, nullptr, e->major_sines, LIQUID_GATE_GAIN, out};
        sweeps[i] = {&x.sweep, nullptr};
        oscillators[i] = {&x.tone, nullptr};
        oscillators[4 + i] = {&x.carrier, nullptr};
      }
    }
    float line_m[4], line_b[4];
    pluvessa_liquid_tone_lines(e->liquid_p, line_m, line_b);
    envelope_ride ride;  // the controller's envelopes, where they can ride
    control_chain_process_major(controls, SUB_BLOCK, e->major_control, e->major_block, sweeps,
                                line_m, line_b, e->major_tone, envelope_ride_begin(e, &ride));
    envelope_ride_end(e, ride);
    block_exp(e->major_tone, 4 * SUB_BLOCK);  // the tone frequencies
    // The LFE's lone section rides along the oscillators' pass: alone, its
    // chain of multiplies and adds would be a pass of its own.
    sine_osc_process_major(oscillators, SUB_BLOCK, e->major_tone, e->major_block, e->major_sines,
                           lfe.f ? &lfe : nullptr);
    // The voices' level ramps (their finish step): where every level holds,
    // the section-band pass scales its outputs by them as it stores them.
    gain_ramp_state* ramps[MAJOR_LANES] = {};
    float levels[MAJOR_LANES], held[MAJOR_LANES];
    bool hold = true;
    for (int k = 0; k < MAJOR_LANES; ++k) held[k] = 1.0f;
    for (int s = 0; s < lay.num_sources; ++s) {
      const int v = lay.voices[s];
      if (v == RV_LFE) continue;
      const int lane = v - RV_RUMBLE;
      if (v < RV_SHOWER) {
        ramps[lane] = &e->rumble[v - RV_RUMBLE].ramp;
        levels[lane] = ld(e->rumble_p.level);
      } else if (v < RV_LIQUID) {
        ramps[lane] = &e->shower[v - RV_SHOWER].ramp;
        levels[lane] = ld(e->shower_p.level);
      } else {
        ramps[lane] = &e->liquid[v - RV_LIQUID].ramp;
        levels[lane] = ld(e->liquid_p[(v - RV_LIQUID) / 2].level);
      }
      hold = hold && gain_ramp_holds(ramps[lane], levels[lane], SUB_BLOCK, &held[lane]);
    }
    section_band_process_major(bands, SUB_BLOCK, e->major_block, e->major_control, e->major_sines,
                               LIQUID_DROP_THRESHOLD, hold ? held : nullptr);
    if (lfe.f) pluvessa_lfe_finish(e->lfe, lfe.block);
    for (int k = 0; k < MAJOR_LANES; ++k) {
      if (!ramps[k]) continue;
      if (hold)
        ramps[k]->gain = levels[k];
      else
        gain_ramp_apply(ramps[k], levels[k], bands[k].block, SUB_BLOCK);
    }
  }

  // Where no swell starts in this sub-block, the controller's envelopes
  // advance here, after the voices' draws and before their filter passes:
  // their chain of multiplies (nothing the voices read) then runs beside the
  // passes rather than before the mixing.
  static void advance_control_envelopes(engine* e) {
    e->control_envelopes_done = global_controller_advance_quiet(&e->global, &e->control_reading);
  }

  // The controller's envelopes in the voices' control pass: in most
  // sub-blocks (no swell starting, no multiplier changing) their multiply
  // chains ride along it, through the job begin returns; else they advance
  // on their own first and begin returns null. End takes the reading.
  struct envelope_ride {
    global_controller_chains chains;
    multiply_pair_job job;
    bool riding;
  };
  static const multiply_pair_job* envelope_ride_begin(engine* e, envelope_ride* r) {
    r->riding = global_controller_chains_begin(&e->global, &r->chains);
    if (!r->riding) {
      advance_control_envelopes(e);
      return nullptr;
    }
    r->job = {r->chains.env, r->chains.mul, r->chains.round};
    return &r->job;
  }
  static void envelope_ride_end(engine* e, envelope_ride& r) {
    if (!r.riding) return;
    e->control_envelopes_done = true;
    e->control_reading = global_controller_chains_end(&e->global, &r.chains);
  }

  // The controller finishes after the voices: they use the strength of the
  // previous sub-block.
  static void advance_control(engine* e) {
    const float v = e->control_envelopes_done
                        ? global_controller_finish(&e->global, e->control_reading)
                        : global_controller_process(&e->global, e->buffer_table[RB_SCRATCH_A],
                                                    e->buffer_table[RB_SCRATCH_B]);
    st(e->stored_strength, v);
    e->strength_copy = v;
  }
};

using core = pluvessa_traits;

}  // namespace

void pluvessa_bind_buffers(pluvessa_engine* e) {
  for (int i = 0; i < RB_COUNT; ++i) e->buffer_table[i] = e->buffers[i];
}

void pluvessa_sub_setter(pluvessa_engine* e, uint32_t i) {
  const float x = engine_core::stored_float<core>(e, i);
  auto& r = e->rumble_p;
  auto& s = e->shower_p;
  switch (i) {
    case 0: case 1: case 2: case 3: case 4: case 5:
      global_controller_set(e->global.params, i, x);
      break;
    case 6: st(r.level, 0.5f * x); break;
    case 7: st(r.scaled_density, 0.9f * x); break;
    case 8: st(r.notch_q, engine_core::pow_widened(x, 0.29446619749069214) * 1.97f + 0.03f); break;
    case 9: st(r.high_cut, x); break;
    case 10: st(r.low_cut, x); break;
    case 11: st(r.coupling, x); break;
    case 12: st(s.level, x); break;
    case 13: st(s.colour, x); break;
    case 14: st(s.low_cut, x); break;
    case 15: st(s.high_cut, x); break;
    case 32: st(e->lfe_p.level, x); break;
    case 33: st(e->lfe_p.cutoff, x); break;
    default:
      if (i >= 16 && i <= 31) {
        // Liquid 1 keys 16..23, liquid 2 keys 24..31, in the same order.
        liquid_params& l = e->liquid_p[(i - 16) / 8];
        switch ((i - 16) % 8) {
          case 0: st(l.level, 30.0f * x); break;
          case 1: st(l.drop_density, 0.024f * x + 0.006f); break;
          case 2: st(l.drop_colour, x); break;
          case 3: st(l.sweep_freq, x); break;
          case 4: st(l.tone_min, 6.907755f * x + 2.995732f); break;
          case 5: st(l.tone_half_range, 3.453878f * x); break;
          case 6: st(l.low_cut, x); break;
          default: st(l.high_cut, x); break;
        }
        const int first = RF_LIQUID + 2 * static_cast<int>((i - 16) / 8);
        mark(e->dirty[first]);
        mark(e->dirty[first + 1]);
      }
      return;
  }
  if (i <= 5) {
    mark(e->dirty[RF_GLOBAL]);
  } else if (i <= 11) {
    mark(e->dirty[RF_RUMBLE]);
    mark(e->dirty[RF_RUMBLE + 1]);
  } else if (i <= 15) {
    mark(e->dirty[RF_SHOWER]);
    mark(e->dirty[RF_SHOWER + 1]);
  } else {
    mark(e->dirty[RF_LFE]);
  }
}

void pluvessa_engine_setup(pluvessa_engine* e) {
  engine_core::setup_frame<core>(e);
  for (auto& f : e->dirty) f.store(1, std::memory_order_relaxed);
  noise_set_uniform_seed(UNIFORM_SEED_START);
  noise_set_gaussian_seed(GAUSSIAN_SEED_START);
  pluvessa_bind_buffers(e);
  std::memset(e->buffers, 0, sizeof e->buffers);
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
  engine_core::setup_output_stage<core>(e);

  // Stored defaults are the registry defaults; the derived values follow
  // from them through the sub-setters.
  engine_core::store_defaults<core>(e);
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
  for (int i = 0; i < 4; ++i) pluvessa_liquid_init(e->liquid[i], e->liquid_p[i / 2], fs);
}

// The exported interface.

uint32_t pluvessa_get_size(void) { return static_cast<uint32_t>(sizeof(pluvessa_engine)); }

int32_t pluvessa_init(pluvessa_engine* e, float sample_rate) {
  return engine_core::init<core>(e, sample_rate);
}

uint32_t pluvessa_get_product_id(void) { return PRODUCT_ID; }

int32_t pluvessa_get_output_channel_count(const pluvessa_engine* e, int32_t* count) {
  return engine_core::get_output_channel_count<core>(e, count);
}

int32_t pluvessa_set_output_channel_count(pluvessa_engine* e, int32_t count) {
  return engine_core::set_output_channel_count<core>(e, count);
}

uint32_t pluvessa_is_initial_process(const pluvessa_engine* e) {
  return engine_core::is_initial_process<core>(e);
}

int32_t pluvessa_set_initial_process_done(pluvessa_engine* e) {
  return engine_core::set_initial_process_done<core>(e);
}

int32_t pluvessa_force_update(pluvessa_engine* e) {
  if (e) random_envelope_retrigger(&e->global.slow);
  return ENGINE_OK;
}

int32_t pluvessa_process(pluvessa_engine* e, float* out, int32_t layout, uint32_t frames) {
  if (!e) return ENGINE_OK;
  return engine_core::render<core>(e, out, nullptr, layout, frames);
}

int32_t pluvessa_process_deinterleaved(pluvessa_engine* e, float* const* outs, int32_t layout,
                                       uint32_t frames) {
  if (!e || !outs) return ENGINE_OK;
  return engine_core::render<core>(e, nullptr, outs, layout, frames);
}

int32_t pluvessa_load_preset(pluvessa_engine* e, const void* record) {
  if (!e) return ENGINE_PRESET_REJECTED;
  return engine_core::load_preset<core>(e, record);
}

int32_t pluvessa_save_preset(const pluvessa_engine* e, void* record) {
  if (!e) return ENGINE_OK;
  return engine_core::save_preset<core>(e, record);
}

int32_t pluvessa_set_parameter_value(pluvessa_engine* e, uint32_t index, const void* value) {
  return e ? engine_core::set_value<core>(e, index, value) : ENGINE_OK;
}
int32_t pluvessa_get_parameter_value(const pluvessa_engine* e, uint32_t index, void* value) {
  return e ? engine_core::get_value<core>(e, index, value) : ENGINE_OK;
}
int32_t pluvessa_set_normalized_parameter_value(pluvessa_engine* e, uint32_t index,
                                                const float* x) {
  return e ? engine_core::set_normalized_value<core>(e, index, x) : ENGINE_OK;
}
int32_t pluvessa_get_normalized_parameter_value(const pluvessa_engine* e, uint32_t index,
                                                float* x) {
  return e ? engine_core::get_normalized_value<core>(e, index, x) : ENGINE_OK;
}
int32_t pluvessa_set_normalized_parameter_float_value(pluvessa_engine* e, uint32_t index,
                                                      float x) {
  return e ? engine_core::set_normalized_float_value<core>(e, index, x) : ENGINE_OK;
}
float pluvessa_get_normalized_parameter_float_value(const pluvessa_engine* e, uint32_t index) {
  return e ? engine_core::get_normalized_float_value<core>(e, index) : 0.0f;
}

void pluvessa_set_gain(pluvessa_engine* e, float gain) {
  engine_core::set_float<core>(e, PLUVESSA_GAIN_INDEX, gain);
}
float pluvessa_get_gain(const pluvessa_engine* e) { return ld(e->frame.master_gain); }

float pluvessa_get_instantaneous_wind_control(const pluvessa_engine* e) {
  return ld(e->global.instantaneous);
}

const engine_descriptor<pluvessa_engine, int32_t> PLUVESSA_DESCRIPTOR = {
    "Pluvessa v1.1 b6686",
    PRODUCT_ID,
    pluvessa_get_size,
    pluvessa_init,
    nullptr,
    pluvessa_set_parameter_value,
    pluvessa_get_parameter_value,
    pluvessa_set_normalized_parameter_value,
    pluvessa_get_normalized_parameter_value,
    pluvessa_set_normalized_parameter_float_value,
    pluvessa_get_normalized_parameter_float_value,
    PLUVESSA_PARAMETER_TABLE,
    PLUVESSA_PARAM_COUNT,
    pluvessa_process,
    pluvessa_process_deinterleaved,
    PLUVESSA_PRESET_SIZE,
    pluvessa_load_preset,
    pluvessa_save_preset,
    pluvessa_set_gain,
    pluvessa_get_gain,
    pluvessa_get_instantaneous_wind_control,
    pluvessa_force_update,
};

// Per key: a 0..1 parameter's normalised pair is its natural pair (the same
// functions under a second name); a Hz parameter has its own mapping.
#define PLUVESSA_NATURAL(index, key)                                           \
  void pluvessa_set_##key(pluvessa_engine* e, float value) {                   \
    engine_core::set_float<core>(e, index, value);                             \
  }                                                                            \
  float pluvessa_get_##key(const pluvessa_engine* e) {                         \
    return engine_core::get_float<core>(e, index);                             \
  }
#define PLUVESSA_DEFINE_UNIT(index, key)                                                    \
  PLUVESSA_NATURAL(index, key)                                                              \
  void pluvessa_set_normalized_##key(pluvessa_engine*, float)                               \
      __attribute__((alias("pluvessa_set_" #key)));                                         \
  float pluvessa_get_normalized_##key(const pluvessa_engine*)                               \
      __attribute__((alias("pluvessa_get_" #key)));
#define PLUVESSA_DEFINE_FREE(index, key)                                       \
  PLUVESSA_NATURAL(index, key)                                                 \
  void pluvessa_set_normalized_##key(pluvessa_engine* e, float x) {            \
    engine_core::set_normalized<core>(e, index, x);                            \
  }                                                                            \
  float pluvessa_get_normalized_##key(const pluvessa_engine* e) {              \
    return engine_core::get_normalized<core>(e, index);                        \
  }
#define PLUVESSA_DEFINE(index, key, kind, ...) PLUVESSA_DEFINE_##kind(index, key)
PLUVESSA_PARAMETERS(PLUVESSA_DEFINE)
#undef PLUVESSA_DEFINE
#undef PLUVESSA_DEFINE_FREE
#undef PLUVESSA_DEFINE_UNIT
#undef PLUVESSA_NATURAL
