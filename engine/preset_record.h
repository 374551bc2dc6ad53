#pragma once
// Building preset records at compile time from rows of natural values, so a
// factory bank is plain constant data read from one readable table.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "engine/frame.h"
#include "engine/preset_bank.h"

inline constexpr uint32_t PRESET_VERSION_FACTORY = 0x00010100u;
inline constexpr uint32_t PRESET_VERSION_CURRENT = 0x00010101u;

namespace preset_detail {

constexpr void put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace preset_detail

// A record of N entries (indices 0..N-1 in order). values[c] is the natural
// value of the parameter columns[c]; a choice parameter's value is stored as
// an integer.
template <std::size_t N>
constexpr std::array<uint8_t, 16 + 8 * N> make_preset_record(uint32_t version,
                                                             const std::array<float, N>& values,
                                                             const std::array<uint32_t, N>& columns,
                                                             const std::array<bool, N>& choice) {
  std::array<uint8_t, 16 + 8 * N> r{};
  preset_detail::put32(r.data(), version);
  preset_detail::put32(r.data() + 4, RECORD_MAGIC);
  preset_detail::put32(r.data() + 8, static_cast<uint32_t>(16 + 8 * N));
  for (std::size_t c = 0; c < N; ++c) {
    const uint32_t i = columns[c];
    uint8_t* p = r.data() + 16 + 8 * i;
    preset_detail::put32(p, i);
    const uint32_t bits = choice[i] ? static_cast<uint32_t>(static_cast<int32_t>(values[c]))
                                    : std::bit_cast<uint32_t>(values[c]);
    preset_detail::put32(p + 4, bits);
  }
  return r;
}

// One preset of a factory bank's table: natural values, one per column of
// the bank. A row with a value too few or too many does not compile.
template <std::size_t N>
struct preset_row {
  const char* name;
  int32_t category;
  std::array<float, N> v;

  template <std::size_t M>
  constexpr preset_row(const char* preset_name, int32_t preset_category, const float (&values)[M])
      : name(preset_name), category(preset_category), v{} {
    static_assert(M == N, "a preset row holds one value per bank column");
    for (std::size_t c = 0; c < N; ++c) v[c] = values[c];
  }
};

// Whether a bank's columns (engine indices) name every parameter 0..N-1 once.
template <std::size_t N>
constexpr bool columns_cover_every_parameter(const std::array<uint32_t, N>& columns) {
  std::array<int, N> seen{};
  for (uint32_t i : columns) {
    if (i >= N || seen[i]) return false;
    seen[i] = 1;
  }
  return true;
}

// The records of a table of rows. Presets of the category `current` carry
// the current version, the others the factory version.
template <std::size_t N, std::size_t COUNT>
constexpr auto build_preset_records(const preset_row<N> (&rows)[COUNT],
                                    const std::array<uint32_t, N>& columns,
                                    const std::array<bool, N>& choice, int32_t current) {
  std::array<std::array<uint8_t, 16 + 8 * N>, COUNT> r{};
  for (std::size_t i = 0; i < COUNT; ++i)
    r[i] = make_preset_record<N>(
        rows[i].category == current ? PRESET_VERSION_CURRENT : PRESET_VERSION_FACTORY, rows[i].v,
        columns, choice);
  return r;
}

// The bank's preset list: each record with its row's name and category.
template <std::size_t N, std::size_t COUNT>
constexpr auto build_preset_list(
    const preset_row<N> (&rows)[COUNT],
    const std::array<std::array<uint8_t, 16 + 8 * N>, COUNT>& records) {
  std::array<factory_preset, COUNT> l{};
  for (std::size_t i = 0; i < COUNT; ++i)
    l[i] = factory_preset{records[i].data(), rows[i].name, rows[i].category};
  return l;
}
