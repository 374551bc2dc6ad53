// The wind's parameter plumbing: the sub-setter that turns a stored value
// into the derived values of the voice kind the table names for it and
// marks that kind's instances, and the re-designs the render call applies
// for the marks at its start.

#include <bit>

#include "wind/vantora_parts.h"

namespace {

// The voice kinds of the table's voice column.
enum class voice_kind : uint8_t { GLOBAL, BACKFLOW, WHISTLING, GUSTS, SQUALLS, LFE };

constexpr voice_kind VOICE_OF[] = {
#define VANTORA_VOICE_OF(index, key, kind, voice, ...) voice_kind::voice,
    VANTORA_PARAMETERS(VANTORA_VOICE_OF)
#undef VANTORA_VOICE_OF
};
static_assert(sizeof VOICE_OF / sizeof VOICE_OF[0] == VANTORA_GAIN_INDEX);

// The dirty flags of each kind's instances, by voice kind.
constexpr dirty_group DIRTY_GROUP[] = {
    {VF_GLOBAL, 1}, {VF_BACKFLOW, 4}, {VF_WHISTLING, 3},
    {VF_GUSTS, 4},  {VF_SQUALLS, 2},  {VF_LFE, 1},
};

}  // namespace

bool vantora_sub_setter(vantora_engine* e, uint32_t i) {
  if (i >= VANTORA_GAIN_INDEX) return false;  // the gain has none: the output stage reads it
  const auto key = static_cast<vantora_param>(i);
  const uint32_t bits = e->stored[i].load(std::memory_order_relaxed);
  const float x = std::bit_cast<float>(bits);
  const int32_t n = std::bit_cast<int32_t>(bits);
  const voice_kind voice = VOICE_OF[i];
  bool known = false;
  switch (voice) {
    case voice_kind::GLOBAL: known = global_controller_set(e->global.params, key, x); break;
    case voice_kind::BACKFLOW: known = vantora_backflow_set(e->backflow_p, key, x, n); break;
    case voice_kind::WHISTLING: known = vantora_whistling_set(e->whistling_p, key, x, n); break;
    case voice_kind::GUSTS: known = vantora_gusts_set(e->gusts_p, key, x, n); break;
    case voice_kind::SQUALLS: known = vantora_squalls_set(e->squalls_p, key, x, n); break;
    case voice_kind::LFE: known = vantora_lfe_set(e->lfe_p, key, x, n); break;
  }
  mark_group(e->dirty, DIRTY_GROUP[static_cast<int>(voice)]);
  return known;
}

void vantora_apply_updates(vantora_engine* e) {
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
