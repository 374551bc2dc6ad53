#pragma once
// The rain factory bank: categories, presets in list order, and the records
// built from one table of natural values (one row per preset).

#include <cstdint>

#include "engine/preset_bank.h"

extern const preset_bank PLUVESSA_BANK;
// The first entry, "Silence": the sound of a new instance.
extern const uint8_t* const PLUVESSA_DEFAULT_PRESET;
