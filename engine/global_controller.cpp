#include "engine/global_controller.h"

#include "dsp/block_ops.h"
#include "dsp/dsp_common.h"

void global_controller_setup(global_controller* g) {
  random_envelope_init(&g->slow);
  level_probe_init(&g->probe);
  random_envelope_init(&g->flicker);
  g->period = 1000.0f;
  g->flicker_max = 0.1f;
  g->slow_min = 0.2f;
  g->flicker_min = 0.02f;
  g->held = 0.0f;
}

void global_controller_update(global_controller* g, float sample_rate) {
  const float amplitude = ld(g->params.amplitude);
  value_min(ld(g->params.floor), amplitude, &g->slow_min);
  map_curve(1.0f, 0.0f, 300.0f, 10000.0f, 1.0f, ld(g->params.rate), &g->period);
  value_product(amplitude, 0.1f, &g->flicker_max);
  value_product(g->slow_min, 0.1f, &g->flicker_min);
  random_envelope_set_amplitude_range(&g->flicker, g->flicker_min, g->flicker_max);
  random_envelope_set_time_ranges(&g->flicker, 20.0f, 300.0f, 10.0f, 200.0f, sample_rate);
  random_envelope_set_amplitude_range(&g->slow, g->slow_min, amplitude);
  random_envelope_set_rhythm(&g->slow, g->period, 0.7f, ld(g->params.duty_cycle), 0.2f,
                             sample_rate);
  random_envelope_set_floor(&g->flicker, g->flicker_min);
  random_envelope_set_floor(&g->slow, g->slow_min);
}

void global_controller_init(global_controller* g, float sample_rate) {
  random_envelope_retrigger(&g->slow);
  level_probe_set_period(&g->probe, 256);
  global_controller_update(g, sample_rate);
}

namespace {

// The automatic value (from the held reading) mixed with the manual one.
float mix_value(global_controller* g) {
  value_max(g->held, 0.0f, &g->held);
  const float c = ld(g->params.coupling);
  const float v = (1.0f - c) * g->held + c * ld(g->params.manual);
  st(g->instantaneous, v);
  return v;
}

}  // namespace

float global_controller_process(global_controller* g, float* scratch_a, float* scratch_b) {
  float reading = 0.0f;
  if (global_controller_advance_quiet(g, &reading)) return global_controller_finish(g, reading);
  random_envelope_process_pair(&g->slow, scratch_a, &g->flicker, scratch_b, SUB_BLOCK);
  block_add(scratch_b, scratch_a, SUB_BLOCK);
  level_probe_process(&g->probe, scratch_a, &g->held, SUB_BLOCK);
  return mix_value(g);
}

// Without a swell starting, only the sample the probe reads is needed.
bool global_controller_advance_quiet(global_controller* g, float* reading) {
  if (!random_envelope_quiet(&g->slow, SUB_BLOCK) || !random_envelope_quiet(&g->flicker, SUB_BLOCK))
    return false;
  random_envelope* pair[2] = {&g->slow, &g->flicker};
  const int at = global_controller_reading(g);
  const int read_at[2] = {at, at};
  float values[2] = {};
  random_envelope_advance_quiet(pair, 2, SUB_BLOCK, read_at, values);
  *reading = values[0] + values[1];
  return true;
}

bool global_controller_chains_begin(const global_controller* g, global_controller_chains* c) {
  if (!random_envelope_quiet(&g->slow, SUB_BLOCK) || !random_envelope_quiet(&g->flicker, SUB_BLOCK))
    return false;
  c->at = global_controller_reading(g);
  return random_envelope_pair_chain_begin(&g->slow, &g->flicker, SUB_BLOCK, c->env, c->mul);
}

float global_controller_chains_end(global_controller* g, const global_controller_chains* c) {
  float read[2] = {};
  random_envelope_pair_chain_end(&g->slow, &g->flicker, SUB_BLOCK, c->env, c->mul, c->round, c->at,
                                 read);
  return read[0] + read[1];
}

float global_controller_finish(global_controller* g, float reading) {
  level_probe_advance(&g->probe, reading, &g->held, SUB_BLOCK);
  return mix_value(g);
}

int global_controller_reading(const global_controller* g) {
  return level_probe_reading(&g->probe, SUB_BLOCK);
}
