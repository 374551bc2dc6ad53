#pragma once
// One-line descriptions of the factory presets: what each preset evokes and
// which parameters carry it. They live beside the banks, in bank order, one
// per preset and keyed by the preset's name, for the tools and the generated
// preset list. The plug-in libraries do not carry them.

#include <cstdint>

#include "engine/preset_bank.h"

struct preset_description {
  const char* name;  // the preset's name in its bank
  const char* text;  // one line, no line breaks
};

extern const preset_description VANTORA_PRESET_DESCRIPTIONS[];
extern const uint32_t VANTORA_PRESET_DESCRIPTION_COUNT;
extern const preset_description PLUVESSA_PRESET_DESCRIPTIONS[];
extern const uint32_t PLUVESSA_PRESET_DESCRIPTION_COUNT;

// The description of bank.presets[index] (VANTORA_BANK or PLUVESSA_BANK), or
// null for an index past the bank, another bank, or a row whose name does not
// match the preset's.
const char* preset_description_of(const preset_bank& bank, uint32_t index);
