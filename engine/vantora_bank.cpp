#include "engine/vantora_bank.h"

#include <array>

#include "engine/param_table.h"
#include "engine/preset_record.h"
#include "engine/vantora_params.h"

namespace {

constexpr std::size_t N = 46;  // entries: every parameter but the gain

constexpr std::array<bool, N> CHOICE = {
#define VANTORA_IS_CHOICE(index, key, kind, ...) KIND_##kind == KIND_CHOICE,
    VANTORA_PARAMETERS(VANTORA_IS_CHOICE)
#undef VANTORA_IS_CHOICE
};

enum category : int32_t {
  USER = 0,
  HOT_WIND = 1,
  COLD_WIND = 2,
  ROOM_TONE = 3,
  INSIDE = 4,
  OUTSIDE = 5,
  FX = 6,
  TUTORIAL = 7,
  ROOM_TONE_EXTRA = 8,
  EMPTY = 9,
  LANDMARKS = 10,
};

const preset_category CATEGORIES[] = {
    {USER, 0, "User"},          {HOT_WIND, 1, "Hot Wind"},
    {COLD_WIND, 1, "Cold Wind"}, {ROOM_TONE, 1, "Room Tone"},
    {INSIDE, 1, "Inside"},      {OUTSIDE, 1, "Outside"},
    {FX, 1, "FX"},              {TUTORIAL, 1, "Tutorial"},
    {ROOM_TONE_EXTRA, 1, "Room Tone Extra"}, {LANDMARKS, 1, "Landmarks"},
    {EMPTY, 3, "Empty"},
};

struct row {
  const char* name;
  int32_t category;
  std::array<float, N> v;  // natural values in engine-index order
};

// Columns: global control, coupling from outside, amplitude, rate, duty
// cycle, floor | backflow shape, level, filter type, frequency, Q, variation
// rate, variation range, low cut, high cut, coupling | whistling level,
// shape, Q, floor, rate, min Hz, max Hz, presence, low cut, high cut,
// coupling | gusts level, shape, amplitude, rate, duty cycle, floor, low cut,
// high cut, coupling | squalls level, shape, amplitude, rate, floor, low cut,
// high cut, coupling | LFE level, LFE cut.
constexpr row ROWS[] = {
    {"Silence", USER,
     {1, 0, 0.467f, 0.349f, 0.49111113f, 0.18800001f,
      10, 0.225f, 0, 0.435f, 0.137f, 0.533f, 0.925f, 50, 14234.5f, 1,
      0.921f, 1, 0.331776f, 0.008f, 0.594f, 344.79364f, 2095.5142f, 0.752f, 50, 6974.379f, 1,
      0.192f, 24, 0.768f, 0.586f, 0.48222223f, 0.17999999f, 50, 3007.1477f, 0,
      0, 0, 0.3f, 0.5f, 0, 50, 20000, 1,
      0, 96}},
};

constexpr std::size_t COUNT = sizeof ROWS / sizeof ROWS[0];

constexpr auto build_records() {
  std::array<std::array<uint8_t, 16 + 8 * N>, COUNT> r{};
  for (std::size_t i = 0; i < COUNT; ++i)
    r[i] = make_preset_record<N>(
        ROWS[i].category == LANDMARKS ? PRESET_VERSION_CURRENT : PRESET_VERSION_FACTORY,
        ROWS[i].v, CHOICE);
  return r;
}

constexpr auto RECORDS = build_records();

constexpr auto build_list() {
  std::array<factory_preset, COUNT> l{};
  for (std::size_t i = 0; i < COUNT; ++i)
    l[i] = factory_preset{RECORDS[i].data(), ROWS[i].name, ROWS[i].category};
  return l;
}

constexpr auto PRESETS = build_list();

}  // namespace

const preset_bank VANTORA_BANK = {CATEGORIES, sizeof CATEGORIES / sizeof CATEGORIES[0],
                                  PRESETS.data(), static_cast<uint32_t>(COUNT)};

const uint8_t* const VANTORA_DEFAULT_PRESET = RECORDS[0].data();
