// The wind's render schedule: in which order the voices of a layout draw,
// which filter passes then run for them side by side, and where the
// envelope chains of the gusts and the controller ride along (read it from
// vantora_render_voices at the end). Each voice's own steps are in its file.

#include "dsp/envelope.h"
#include "dsp/lanes.h"
#include "wind/vantora_parts.h"
#include "wind/joined_passes.h"

namespace {

// The gusts' and the controller's envelopes of one sub-block, and how they
// advance. Where a swell starts (not quiet), each pair runs in its place:
// the gust's in its draw, the controller's after the voices. Else (nothing
// is drawn) they advance together, keeping only the samples their probes
// read (each gust's reading is the sum block_add would form there): riding
// along the shape pass as multiply chains where it is one set of eight-lane
// vectors and no multiplier changes within the sub-block, the readings taken
// after it; otherwise in one loop before the voices draw.
struct envelope_set {
  random_envelope* envelopes[MULTIPLY_SET + 2];
  int read_at[MULTIPLY_SET + 2], gust_of[4];
  int total, gusts;
  bool quiet, riding;
  alignas(32) double env[MULTIPLY_SET], mul[MULTIPLY_SET];
  alignas(32) double round[SUB_BLOCK / 8 * MULTIPLY_SET];
  multiply_set_job job;
  float gust_reading[4];

  gust_envelopes gusts_advance() const {
    return riding ? gust_envelopes::riding
                  : quiet ? gust_envelopes::advanced : gust_envelopes::own;
  }
};

// Whether the layout's pass of three takes one set of eight-lane vectors.
bool pass_of_three_is_one_group(const layout_def& lay) {
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

void take_readings(vantora_engine* e, envelope_set* set, const float* value) {
  for (int g = 0; g < set->gusts; ++g)
    set->gust_reading[set->gust_of[g]] = value[2 * g] + value[2 * g + 1];
  e->control_reading = value[set->total - 2] + value[set->total - 1];
}

// Gathers the envelopes of the layout's gusts and the controller and decides
// how they advance; where quiet and not riding, advances them now.
void envelopes_begin(vantora_engine* e, const layout_def& lay, envelope_set* set) {
  set->total = set->gusts = 0;
  for (float& r : set->gust_reading) r = 0.0f;
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
  set->riding = quiet && set->total <= MULTIPLY_SET &&
                pass_of_three_is_one_group(lay) &&
                random_envelope_chain_begin(set->envelopes, set->total, SUB_BLOCK, set->env,
                                            set->mul);
  set->job = {set->env, set->mul, set->round};
  if (!quiet || set->riding) return;
  float value[MULTIPLY_SET + 2] = {};
  random_envelope_advance_quiet(set->envelopes, set->total, SUB_BLOCK, set->read_at, value);
  take_readings(e, set, value);
}

// After the chains rode along: the envelopes advanced, the readings taken,
// and each gust's amplitude from its reading.
void envelopes_end(vantora_engine* e, envelope_set* set) {
  float value[MULTIPLY_SET + 2] = {};
  random_envelope_chain_end(set->envelopes, set->total, SUB_BLOCK, set->env, set->mul,
                            set->round, set->read_at, value);
  take_readings(e, set, value);
  for (int g = 0; g < set->gusts; ++g) {
    const int i = set->gust_of[g];
    vantora_gusts_take_reading(e->gusts[i], e->gusts_p, e->speed_copy, set->gust_reading[i]);
  }
}

// Every voice of the layout draws, in mix order (the generators are shared,
// so the order of the draws is part of the sound), and joins its passes.
void draw_voices(vantora_engine* e, const layout_def& lay, const envelope_set& set,
                 wind_passes& passes) {
  const float fs = e->frame.sample_rate;
  const float speed = e->speed_copy;
  float* const* b = e->buffer_table;
  for (int s = 0; s < lay.num_sources; ++s) {
    const int v = lay.voices[s];
    if (v < VV_WHISTLING) {
      vantora_backflow_draw(e->backflow[v], e->backflow_p, fs, speed, b[VB_BACKFLOW + v], passes);
    } else if (v < VV_GUSTS) {
      const int i = v - VV_WHISTLING;
      vantora_whistling_draw(e->whistling[i], e->whistling_p, fs, speed, b[VB_WHISTLING + i],
                             passes);
    } else if (v < VV_SQUALLS) {
      const int i = v - VV_GUSTS;
      vantora_gusts_draw(e->gusts[i], e->gusts_p, speed, set.gusts_advance(),
                         set.gust_reading[i], b[VB_GUSTS + 2 * i], b[VB_GUSTS + 2 * i + 1],
                         b[VB_SCRATCH_B], passes);
    } else if (v < VV_LFE) {
      const int i = v - VV_SQUALLS;
      vantora_squalls_draw(e->squalls[i], e->squalls_p, speed, b[VB_SQUALLS + i],
                           b[VB_SQUALL_ENVELOPE + i], passes);
    } else {
      vantora_lfe_draw(e->lfe, e->lfe_p, speed, b[VB_LFE], passes);
    }
  }
}

// The shapes in a pass of their own; the shaped voices' filters and the
// squalls' envelope low passes join the chain pass.
void run_shapes_apart(wind_passes& passes, envelope_set& set) {
  lane_batch<resonator_job, resonator_process_lanes, FILTER_JOBS> all_shapes;
  for (int k = 0; k < passes.shaped_count; ++k) {
    const resonator_biquad_job& j = passes.shaped[k];
    all_shapes.add({j.r, j.block});
    passes.chains.add({{j.f}, 1, j.block});
  }
  for (int k = 0; k < passes.shape_count; ++k) all_shapes.add(passes.shapes[k]);
  for (int k = 0; k < passes.envelope_count; ++k) passes.chains.add(passes.envelopes[k]);
  all_shapes.run(SUB_BLOCK);
  if (set.riding) multiply_set_process(&set.job, SUB_BLOCK);
}

// The voices' steps between the chain pass and the band pass.
void scale_voices(vantora_engine* e, const layout_def& lay) {
  float* const* b = e->buffer_table;
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
}

// Each voice's level ramp, the last step of its chain.
void finish_voices(vantora_engine* e, const layout_def& lay) {
  float* const* b = e->buffer_table;
  for (int s = 0; s < lay.num_sources; ++s) {
    const int v = lay.voices[s];
    if (v < VV_WHISTLING)
      vantora_backflow_finish(e->backflow[v], e->backflow_p, b[VB_BACKFLOW + v]);
    else if (v < VV_GUSTS)
      vantora_whistling_finish(e->whistling[v - VV_WHISTLING], e->whistling_p,
                               b[VB_WHISTLING + v - VV_WHISTLING]);
    else if (v < VV_SQUALLS)
      vantora_gusts_finish(e->gusts[v - VV_GUSTS], e->gusts_p, b[VB_GUSTS + 2 * (v - VV_GUSTS)]);
    else if (v < VV_LFE)
      vantora_squalls_finish(e->squalls[v - VV_SQUALLS], e->squalls_p,
                             b[VB_SQUALLS + v - VV_SQUALLS]);
    else
      vantora_lfe_finish(e->lfe, b[VB_LFE]);
  }
}

// The shapes, the shaped voices' filters and the squalls' envelope chains,
// in one pass of three lane groups where each kind fits a group (then the
// riding envelope chains run beside them); else the shapes apart.
void run_pass_of_three(wind_passes& passes, envelope_set& set) {
  if (!resonator_pass_of_three(passes.shaped, passes.shaped_count, passes.shapes,
                               passes.shape_count, passes.envelopes, passes.envelope_count,
                               SUB_BLOCK, set.riding ? &set.job : nullptr))
    run_shapes_apart(passes, set);
}

}  // namespace

// One schedule serves both layout families; they differ in how the shape
// pass groups its lanes and so in whether the envelope chains can ride it.
// Mono, stereo and 2.1: up to four shaped voices, four shapes and the two
// squalls' envelope chains fit one pass of three groups of eight lanes, and
// the gusts' and controller's envelope chains ride along it where eight-lane
// vectors run and no swell starts. Quad, 5.0 and 5.1: the thirteen voices'
// pass of three takes a group of lanes per kind (or, where only four-lane
// vectors run, the shapes go apart and the filters join the chain pass);
// the envelopes never ride, and quiet ones advance before the voices draw.
//   draw         every voice, in mix order, joining its passes
//   shape pass   the pass of three (envelope chains riding), or the shapes apart
//   readings     of the riding envelopes: the gusts' amplitudes
//   chain pass   the LFE's sections (and the filters, where apart)
//   scale        whistles, gusts, squalls
//   band pass    every voice's cuts
//   finish       every voice's level
void vantora_render_voices(vantora_engine* e, const layout_def& lay) {
  envelope_set set;
  envelopes_begin(e, lay, &set);
  wind_passes passes;
  draw_voices(e, lay, set, passes);
  run_pass_of_three(passes, set);
  if (set.riding) envelopes_end(e, &set);
  passes.chains.run(SUB_BLOCK);
  scale_voices(e, lay);
  passes.bands.run(SUB_BLOCK);
  finish_voices(e, lay);
}

// The controller runs after the voices: they use the speed of the previous
// sub-block.
void vantora_advance_control(vantora_engine* e) {
  float* a = e->buffer_table[VB_SCRATCH_A];
  float* b = e->buffer_table[VB_SCRATCH_B];
  const float v = e->control_envelopes_done
                      ? global_controller_finish(&e->global, e->control_reading)
                      : global_controller_process(&e->global, a, b);
  st(e->stored_speed, v);
  e->speed_copy = v;
}
