#pragma once
// What each engine parameter does to the sound, in plain words for users:
// one note per row of an engine's parameter table, in index order, keyed by
// the parameter's key. The tools and the generated parameter reference use
// them; the plug-in libraries do not carry them.

#include <cstdint>

#include "engine/param_table.h"

struct parameter_note {
  const char* key;   // the parameter's key in its table
  const char* text;  // one paragraph, no line breaks
};

extern const parameter_note VANTORA_PARAMETER_NOTES[];
extern const uint32_t VANTORA_PARAMETER_NOTE_COUNT;
extern const parameter_note PLUVESSA_PARAMETER_NOTES[];
extern const uint32_t PLUVESSA_PARAMETER_NOTE_COUNT;

// The note of row `index` of VANTORA_PARAMETER_TABLE or
// PLUVESSA_PARAMETER_TABLE, or null for an index past the table, another
// table, or a note whose key does not match the row's.
const char* parameter_note_of(const parameter_info* table, uint32_t index);
