#include "engine/pluvessa_bank.h"

#include <array>

#include "engine/preset_record.h"

namespace {

constexpr std::size_t N = 34;  // entries: every parameter but the gain
constexpr std::array<bool, N> CHOICE{};  // the rain engine has no choice parameters

enum category : int32_t {
  USER = 0,
  OUTSIDE = 1,
  INSIDE = 2,
  STRONG_RAIN = 3,
  COUNTRY_SIDE = 4,
  FX = 5,
  TUTORIAL = 6,
  EMPTY = 7,
};

const preset_category CATEGORIES[] = {
    {USER, 0, "User"},        {OUTSIDE, 1, "Outside"},           {INSIDE, 1, "Inside"},
    {STRONG_RAIN, 1, "Strong Rain"}, {COUNTRY_SIDE, 1, "Country Side"}, {FX, 1, "FX"},
    {TUTORIAL, 1, "Tutorial"}, {EMPTY, 3, "Empty"},
};

struct row {
  const char* name;
  int32_t category;
  std::array<float, N> v;  // natural values in engine-index order
};

// Columns: global control, coupling from outside, amplitude, rate, duty
// cycle, floor | rumble level, density, notch Q, high cut, low cut, coupling |
// shower level, colour, low cut, high cut | liquid 1 level, density, colour,
// viscosity, tone min, tone range, low cut, high cut | liquid 2 (same) |
// LFE level, LFE cut.
constexpr row ROWS[] = {
    {"Silence", USER,
     {0.23999998f, 1, 0.17599997f, 0.572f, 0.552f, 0,
      0.43f, 0.29600003f, 0.14799996f, 8075.191f, 220.71506f, 1,
      1, 362.4461f, 1228.7494f, 987.9425f,
      0.373f, 0.7099296f, 179.41812f, 176.78f, 0.624f, 1, 394.5259f, 4048.6719f,
      0, 0, 500, 1, 1, 1, 380, 4500,
      0, 120}},
};

constexpr std::size_t COUNT = sizeof ROWS / sizeof ROWS[0];

constexpr auto build_records() {
  std::array<std::array<uint8_t, 16 + 8 * N>, COUNT> r{};
  for (std::size_t i = 0; i < COUNT; ++i)
    r[i] = make_preset_record<N>(
        ROWS[i].category == COUNTRY_SIDE ? PRESET_VERSION_CURRENT : PRESET_VERSION_FACTORY,
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

const preset_bank PLUVESSA_BANK = {CATEGORIES, sizeof CATEGORIES / sizeof CATEGORIES[0],
                                   PRESETS.data(), static_cast<uint32_t>(COUNT)};

const uint8_t* const PLUVESSA_DEFAULT_PRESET = RECORDS[0].data();
