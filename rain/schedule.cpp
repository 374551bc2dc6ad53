// The rain's render schedule: in which order the voices of a layout draw,
// which passes then run for them side by side, and where the controller's
// envelope chains ride along. One function per layout family; each voice's
// own steps are in its file.

#include "dsp/block_ops.h"
#include "dsp/lanes.h"
#include "rain/pluvessa_parts.h"
#include "rain/joined_passes.h"

namespace {

// The controller's envelopes in the voices' control pass: in most
// sub-blocks (no swell starting, no multiplier changing) their multiply
// chains ride along it, through the job begin returns. Else they advance on
// their own first, after the voices' draws and before their passes (their
// chain of multiplies, which nothing the voices read, then overlaps the
// passes), and begin returns null. End takes the reading.
struct envelope_ride {
  global_controller_chains chains;
  multiply_pair_job job;
  bool riding;
};

const multiply_pair_job* envelope_ride_begin(pluvessa_engine* e, envelope_ride* r) {
  r->riding = global_controller_chains_begin(&e->global, &r->chains);
  if (!r->riding) {
    e->control_envelopes_done = global_controller_advance_quiet(&e->global, &e->control_reading);
    return nullptr;
  }
  r->job = {r->chains.env, r->chains.mul, r->chains.round};
  return &r->job;
}

void envelope_ride_end(pluvessa_engine* e, const envelope_ride& r) {
  if (!r.riding) return;
  e->control_envelopes_done = true;
  e->control_reading = global_controller_chains_end(&e->global, &r.chains);
}

// Every voice of the layout draws, in mix order (the generators are shared,
// so the order of the draws is part of the sound), and fills its lane's
// jobs.
void draw_voices(pluvessa_engine* e, const layout_def& lay, rain_passes& passes) {
  const float fs = e->frame.sample_rate;
  const float strength = e->strength_copy;
  float* const* b = e->buffer_table;
  // Drop instances in the layout: they come last in mix order.
  const int drawing = lay.voices[lay.num_sources - 1] - RV_LIQUID + 1;
  for (int s = 0; s < lay.num_sources; ++s) {
    const int v = lay.voices[s];
    float* out = const_cast<float*>(pluvessa_voice_output(e, v));
    if (v == RV_LFE) {
      pluvessa_lfe_draw(e->lfe, e->lfe_p, strength, out, passes);
    } else if (v < RV_SHOWER) {
      const int i = v - RV_RUMBLE;
      pluvessa_rumble_draw(e->rumble[i], e->rumble_p, fs, strength, i, out,
                           b[RB_RUMBLE_MODULATOR + i], passes);
    } else if (v < RV_LIQUID) {
      const int i = v - RV_SHOWER;
      pluvessa_shower_draw(e->shower[i], e->shower_p, fs, i, out, passes);
    } else {
      const int i = v - RV_LIQUID;
      pluvessa_liquid_draw(e->liquid[i], e->liquid_p[i / 2], i, drawing, b[RB_LIQUID + 2 * i], out,
                           b[RB_TONE + i], passes);
    }
  }
}

// Mono, and every layout where the eight-lane passes do not run: the jobs
// gathered into groups of lanes, each pass over its voices' own blocks.
//   control pass   the rumbles' and the drops' control chains, the drops'
//                  sweeps beside them, the controller's envelope chains
//                  riding along where they can;
//   then           the tone frequencies' exponential;
//   oscillators    the drops' carriers and tones;
//   then           the drops' pulses;
//   sections       the LFE's low pass;
//   section-band   every voice's last section, the drops' gate, the cuts;
//   then           every voice's level ramp.
void render_lane_groups(pluvessa_engine* e, const layout_def& lay) {
  float* const* b = e->buffer_table;
  rain_passes passes;
  draw_voices(e, lay, passes);

  control_chain_job controls[RAIN_LANES];
  section_band_job bands[RAIN_LANES];
  int control_count = 0, band_count = 0;
  for (int k = 0; k < RAIN_LANES; ++k) {
    if (!(passes.joined & (1u << k))) continue;
    if (passes.control[k].smooth) controls[control_count++] = passes.control[k];
    bands[band_count++] = passes.band[k];
  }
  // The layouts' drop instances are the first ones, in order, so the tone
  // blocks of the sweeps lie side by side.
  const int sweep_count = passes.drops;

  float line_m[4], line_b[4];
  pluvessa_liquid_tone_lines(e->liquid_p, line_m, line_b);
  envelope_ride ride;
  control_chain_sweep_process_lanes(controls, control_count, passes.sweep, sweep_count, line_m,
                                    line_b, SUB_BLOCK, envelope_ride_begin(e, &ride));
  envelope_ride_end(e, ride);
  block_exp(b[RB_TONE], sweep_count * SUB_BLOCK);

  // Carriers and tones in one pass: independent phase chains.
  lane_batch<sine_osc_job, sine_osc_process_lanes, OSCILLATOR_JOBS> oscillators;
  for (int i = 0; i < sweep_count; ++i) oscillators.add(passes.carrier[i]);
  for (int i = 0; i < sweep_count; ++i) oscillators.add(passes.tone[i]);
  oscillators.run(SUB_BLOCK);
  for (int i = 0; i < sweep_count; ++i)
    pluvessa_liquid_pulses(b[RB_LIQUID + 2 * i], passes.carrier[i].block);

  if (passes.lfe.f) biquad_process_lanes(&passes.lfe, 1, SUB_BLOCK);
  section_band_process_lanes(bands, band_count, SUB_BLOCK);

  for (int s = 0; s < lay.num_sources; ++s) {
    const int v = lay.voices[s];
    float* out = const_cast<float*>(pluvessa_voice_output(e, v));
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

// Stereo and wider (all eight voices), where the eight-lane passes run: the
// passes hand the drops' blocks on lane-major (voice k in lane k, in the
// oscillator pass tones in 0-3 and carriers in 4-7; lanes of voices the
// layout lacks idle), so nothing is transposed between them.
//   control pass   as above, the showers' noise handed on lane-major;
//   then           the tone frequencies' exponential;
//   oscillators    read the carrier frequencies from the control pass's
//                  outputs; the LFE's low pass rides along;
//   section-band   forms the drops' pulses from the jitter and the carriers
//                  as it reads them; where every level holds, it scales the
//                  voices by their levels as it stores them (their finish).
void render_lane_major(pluvessa_engine* e, const layout_def& lay) {
  float* const idle_block = e->buffer_table[RB_SCRATCH_A];
  rain_passes passes;
  draw_voices(e, lay, passes);
  // Lanes of voices the layout lacks idle, naming a block no voice writes.
  for (int k = 0; k < MAJOR_LANES; ++k) {
    if (passes.joined & (1u << k)) continue;
    passes.control[k] = {nullptr, nullptr, nullptr, 0.0f, 0.0f, false, nullptr, idle_block};
    passes.band[k] = {nullptr, nullptr, nullptr, nullptr, 1.0f, idle_block};
  }
  sine_osc_job oscillators[MAJOR_LANES] = {};
  for (int i = 0; i < passes.drops; ++i) {
    oscillators[i] = passes.tone[i];
    oscillators[4 + i] = passes.carrier[i];
  }
  for (int i = passes.drops; i < 4; ++i) passes.sweep[i] = {nullptr, nullptr};

  float line_m[4], line_b[4];
  pluvessa_liquid_tone_lines(e->liquid_p, line_m, line_b);
  envelope_ride ride;
  control_chain_process_major(passes.control, SUB_BLOCK, e->major_control, e->major_block,
                              passes.sweep, line_m, line_b, e->major_tone,
                              envelope_ride_begin(e, &ride));
  envelope_ride_end(e, ride);
  block_exp(e->major_tone, 4 * SUB_BLOCK);
  // Alone, the LFE's chain of multiplies and adds would be a pass of its own.
  sine_osc_process_major(oscillators, SUB_BLOCK, e->major_tone, e->major_block, e->major_sines,
                         passes.lfe.f ? &passes.lfe : nullptr);

  // The voices' level ramps: held levels ride along the section-band pass.
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
  for (int k = 0; k < MAJOR_LANES; ++k)
    if (passes.band[k].tone) passes.band[k].tone = e->major_sines;
  section_band_process_major(passes.band, SUB_BLOCK, e->major_block, e->major_control,
                             e->major_sines, LIQUID_DROP_THRESHOLD, hold ? held : nullptr);
  if (passes.lfe.f) pluvessa_lfe_finish(e->lfe, passes.lfe.block);
  for (int k = 0; k < MAJOR_LANES; ++k) {
    if (!ramps[k]) continue;
    if (hold)
      ramps[k]->gain = levels[k];
    else
      gain_ramp_apply(ramps[k], levels[k], passes.band[k].block, SUB_BLOCK);
  }
}

}  // namespace

void pluvessa_render_voices(pluvessa_engine* e, const layout_def& lay) {
  // Mono's two drop instances would leave the eight-lane oscillator pass
  // half idle: its four oscillators take two samples per vector in the
  // grouped passes.
  if (lay.num_sources >= 8 && lane_major_available(SUB_BLOCK))
    render_lane_major(e, lay);
  else
    render_lane_groups(e, lay);
}

// The controller finishes after the voices: they use the strength of the
// previous sub-block.
void pluvessa_advance_control(pluvessa_engine* e) {
  const float v = e->control_envelopes_done
                      ? global_controller_finish(&e->global, e->control_reading)
                      : global_controller_process(&e->global, e->buffer_table[RB_SCRATCH_A],
                                                  e->buffer_table[RB_SCRATCH_B]);
  st(e->stored_strength, v);
  e->strength_copy = v;
}
