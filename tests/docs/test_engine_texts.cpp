// The users' texts beside the engines' tables: exactly one description per
// factory preset and one note per parameter, in table order, each keyed by
// the name it describes, and the accessors that hand them out.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "engine/parameter_notes.h"
#include "engine/pluvessa_bank.h"
#include "engine/preset_descriptions.h"
#include "engine/vantora_bank.h"
#include "rain/pluvessa_engine.h"
#include "wind/vantora.h"

namespace {

// One line of prose: not empty, no line break or tab, no blank at either
// end, ends with a full stop (the generated lists print it as it stands).
void expect_one_line(const std::string& name, const char* text) {
  ASSERT_NE(text, nullptr) << name;
  const std::string t = text;
  EXPECT_FALSE(t.empty()) << name;
  EXPECT_EQ(t.find_first_of("\n\r\t"), std::string::npos) << name;
  EXPECT_NE(t.front(), ' ') << name;
  EXPECT_EQ(t.back(), '.') << name;
}

struct bank_texts {
  const char* engine;
  const preset_bank& bank;
  const preset_description* rows;
  uint32_t count;
};

TEST(PresetDescriptions, OnePerPresetInBankOrder) {
  for (const bank_texts& b :
       {bank_texts{"wind", VANTORA_BANK, VANTORA_PRESET_DESCRIPTIONS,
                   VANTORA_PRESET_DESCRIPTION_COUNT},
        bank_texts{"rain", PLUVESSA_BANK, PLUVESSA_PRESET_DESCRIPTIONS,
                   PLUVESSA_PRESET_DESCRIPTION_COUNT}}) {
    SCOPED_TRACE(b.engine);
    // Same count and the same name at every index: a one-to-one match, so
    // no preset lacks a description and none has two.
    ASSERT_EQ(b.count, b.bank.preset_count);
    std::set<std::string> names;
    for (uint32_t i = 0; i < b.count; ++i) {
      EXPECT_STREQ(b.rows[i].name, b.bank.presets[i].name) << "row " << i;
      names.insert(b.rows[i].name);
      expect_one_line(b.rows[i].name, b.rows[i].text);
      EXPECT_EQ(preset_description_of(b.bank, i), b.rows[i].text) << b.rows[i].name;
    }
    EXPECT_EQ(names.size(), b.count);
  }
}

TEST(PresetDescriptions, AccessorRefusesWhatItCannotName) {
  EXPECT_EQ(preset_description_of(VANTORA_BANK, VANTORA_BANK.preset_count), nullptr);
  EXPECT_EQ(preset_description_of(PLUVESSA_BANK, PLUVESSA_BANK.preset_count), nullptr);
  EXPECT_EQ(preset_description_of(PLUVESSA_BANK, 0xFFFFFFFFu), nullptr);
  // A bank the descriptions do not belong to, even with the same presets.
  const preset_bank copy = PLUVESSA_BANK;
  EXPECT_EQ(preset_description_of(copy, 0), nullptr);
  // The descriptions of the wind and rain "Silence" differ: each bank gets
  // its own table.
  EXPECT_STRNE(preset_description_of(VANTORA_BANK, 0), preset_description_of(PLUVESSA_BANK, 0));
}

struct table_texts {
  const char* engine;
  const parameter_info* table;
  uint32_t rows;
  const parameter_note* notes;
  uint32_t count;
};

TEST(ParameterNotes, OnePerParameterInIndexOrder) {
  for (const table_texts& t :
       {table_texts{"wind", VANTORA_PARAMETER_TABLE, VANTORA_PARAM_COUNT, VANTORA_PARAMETER_NOTES,
                    VANTORA_PARAMETER_NOTE_COUNT},
        table_texts{"rain", PLUVESSA_PARAMETER_TABLE, PLUVESSA_PARAM_COUNT,
                    PLUVESSA_PARAMETER_NOTES, PLUVESSA_PARAMETER_NOTE_COUNT}}) {
    SCOPED_TRACE(t.engine);
    ASSERT_EQ(t.count, t.rows);
    for (uint32_t i = 0; i < t.rows; ++i) {
      EXPECT_STREQ(t.notes[i].key, t.table[i].key) << "index " << i;
      expect_one_line(t.notes[i].key, t.notes[i].text);
      EXPECT_EQ(parameter_note_of(t.table, i), t.notes[i].text) << t.notes[i].key;
    }
    EXPECT_EQ(parameter_note_of(t.table, t.rows), nullptr);
  }
  EXPECT_EQ(parameter_note_of(VANTORA_PARAMETER_TABLE + 1, 0), nullptr);
}

}  // namespace
