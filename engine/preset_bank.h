#pragma once
// A factory preset bank: categories and named preset records, constant data
// of each library. The engines use only the first entry; the tools list them.

#include <cstdint>
#include <cstring>

// Category kinds: 0 for "User", 1 for factory categories, 3 for "Empty".
struct preset_category {
  int32_t id;
  int32_t kind;
  const char* name;
};

struct factory_preset {
  const uint8_t* record;
  const char* name;
  int32_t category;  // category id
};

struct preset_bank {
  const preset_category* categories;
  uint32_t category_count;
  const factory_preset* presets;
  uint32_t preset_count;
};

// The preset of that name, or null.
inline const factory_preset* preset_bank_find(const preset_bank& bank, const char* name) {
  for (uint32_t i = 0; i < bank.preset_count; ++i)
    if (std::strcmp(bank.presets[i].name, name) == 0) return &bank.presets[i];
  return nullptr;
}
