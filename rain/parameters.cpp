// The rain's parameter plumbing: the sub-setter that turns a stored value
// into the derived values of the voice kind the table names for it and
// marks that kind's instances, and the re-designs the render call applies
// for the marks at its start.

#include <bit>

#include "rain/pluvessa_parts.h"

namespace {

// The voice kinds of the table's voice column.
enum class voice_kind : uint8_t { GLOBAL, RUMBLE, SHOWER, LIQUID_1, LIQUID_2, LFE };

constexpr voice_kind VOICE_OF[] = {
#define PLUVESSA_VOICE_OF(index, key, kind, voice, ...) voice_kind::voice,
    PLUVESSA_PARAMETERS(PLUVESSA_VOICE_OF)
#undef PLUVESSA_VOICE_OF
};
static_assert(sizeof VOICE_OF / sizeof VOICE_OF[0] == PLUVESSA_GAIN_INDEX);

// The dirty flags of each kind's instances, by voice kind.
constexpr dirty_group DIRTY_GROUP[] = {
    {RF_GLOBAL, 1}, {RF_RUMBLE, 2},     {RF_SHOWER, 2},
    {RF_LIQUID, 2}, {RF_LIQUID + 2, 2}, {RF_LFE, 1},
};

}  // namespace

bool pluvessa_sub_setter(pluvessa_engine* e, uint32_t i) {
  if (i >= PLUVESSA_GAIN_INDEX) return false;  // the gain has none: the output stage reads it
  const auto key = static_cast<pluvessa_param>(i);
  const float x = std::bit_cast<float>(e->stored[i].load(std::memory_order_relaxed));
  const voice_kind voice = VOICE_OF[i];
  bool known = false;
  switch (voice) {
    case voice_kind::GLOBAL: known = global_controller_set(e->global.params, key, x); break;
    case voice_kind::RUMBLE: known = pluvessa_rumble_set(e->rumble_p, key, x); break;
    case voice_kind::SHOWER: known = pluvessa_shower_set(e->shower_p, key, x); break;
    case voice_kind::LIQUID_1: known = pluvessa_liquid_set(e->liquid_p[0], key, x); break;
    case voice_kind::LIQUID_2: known = pluvessa_liquid_set(e->liquid_p[1], key, x); break;
    case voice_kind::LFE: known = pluvessa_lfe_set(e->lfe_p, key, x); break;
  }
  mark_group(e->dirty, DIRTY_GROUP[static_cast<int>(voice)]);
  return known;
}

void pluvessa_apply_updates(pluvessa_engine* e) {
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
