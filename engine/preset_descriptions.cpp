#include "engine/preset_descriptions.h"

#include <cstring>

#include "engine/pluvessa_bank.h"
#include "engine/vantora_bank.h"

const char* preset_description_of(const preset_bank& bank, uint32_t index) {
  const preset_description* rows = nullptr;
  uint32_t count = 0;
  if (&bank == &VANTORA_BANK) {
    rows = VANTORA_PRESET_DESCRIPTIONS;
    count = VANTORA_PRESET_DESCRIPTION_COUNT;
  } else if (&bank == &PLUVESSA_BANK) {
    rows = PLUVESSA_PRESET_DESCRIPTIONS;
    count = PLUVESSA_PRESET_DESCRIPTION_COUNT;
  }
  if (index >= bank.preset_count || index >= count) return nullptr;
  if (std::strcmp(rows[index].name, bank.presets[index].name) != 0) return nullptr;
  return rows[index].text;
}
