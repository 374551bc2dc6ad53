#pragma once
// Preset records both engines share: saving every parameter but the gain,
// and loading a record's entries through the by-index setter after the
// header checks, the voices' re-initialisation and the forced update.

#include <cstdint>
#include <cstring>

#include "engine/frame.h"
#include "engine/param_access.h"

namespace engine_core {

inline constexpr uint32_t PRESET_HEADER = 16;

// Preset records: version, magic, 64-bit size, then (index, value) entries
// for every parameter but the gain, little-endian.
template <class T>
int save_preset(const typename T::engine* e, void* record) {
  if (record == nullptr) return ENGINE_OK;
  uint8_t buf[T::preset_size] = {};
  const uint32_t version = PRODUCT_ID, magic = RECORD_MAGIC;
  const uint64_t size = T::preset_size;
  std::memcpy(buf, &version, 4);
  std::memcpy(buf + 4, &magic, 4);
  std::memcpy(buf + 8, &size, 8);
  uint32_t off = PRESET_HEADER;
  for (uint32_t i = 0; i + 1 < T::param_count && off + 8 <= T::preset_size; ++i, off += 8) {
    const int32_t index = static_cast<int32_t>(i);
    std::memcpy(buf + off, &index, 4);
    get_value<T>(e, i, buf + off + 4);
  }
  std::memcpy(record, buf, T::preset_size);
  return ENGINE_OK;
}

template <class T>
int load_preset(typename T::engine* e, const void* record) {
  if (record == nullptr) return ENGINE_PRESET_REJECTED;
  uint8_t buf[T::preset_size];
  std::memcpy(buf, record, T::preset_size);
  uint32_t version, magic;
  uint64_t size;
  std::memcpy(&version, buf, 4);
  std::memcpy(&magic, buf + 4, 4);
  std::memcpy(&size, buf + 8, 8);
  if ((version & 0xFFFF0000u) != 0x00010000u) return ENGINE_BAD_MAJOR;
  const uint32_t minor = (version & 0xFFFFu) - 256u;
  if (minor > 1u) return ENGINE_BAD_MINOR;
  if (magic != RECORD_MAGIC) return ENGINE_PRESET_REJECTED;
  const uint64_t extra = size - T::preset_size;
  if (extra != 0 && extra != 8) return ENGINE_PRESET_REJECTED;
  T::init_sources(e);
  T::force_update(e);
  for (uint32_t off = PRESET_HEADER; off + 8 <= T::preset_size; off += 8) {
    int32_t index;
    std::memcpy(&index, buf + off, 4);
    if (index < 0 || static_cast<uint32_t>(index) >= T::param_count) return ENGINE_UNKNOWN_INDEX;
    set_value<T>(e, static_cast<uint32_t>(index), buf + off + 4);
  }
  return ENGINE_OK;
}

}  // namespace engine_core
