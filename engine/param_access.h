#pragma once
// Parameter access both engines share, written once over a traits class
// (engine/engine_core.h says what it provides): the stored values, the
// natural and normalised setters and getters of one parameter, and access by
// index. A setter stores, then runs the engine's sub-setter.

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/frame.h"
#include "engine/param_table.h"

namespace engine_core {

template <class T>
inline uint32_t stored_bits(const typename T::engine* e, uint32_t i) {
  return e->stored[i].load(std::memory_order_relaxed);
}

template <class T>
inline void store_bits(typename T::engine* e, uint32_t i, uint32_t bits) {
  e->stored[i].store(bits, std::memory_order_relaxed);
}

template <class T>
inline float stored_float(const typename T::engine* e, uint32_t i) {
  return std::bit_cast<float>(stored_bits<T>(e, i));
}

template <class T>
inline int32_t stored_int(const typename T::engine* e, uint32_t i) {
  return std::bit_cast<int32_t>(stored_bits<T>(e, i));
}

inline float clamp_unit(float v) {
  if (std::isnan(v)) return 0.0f;
  v = v < 0.0f ? 0.0f : v;
  return v > 1.0f ? 1.0f : v;
}

// Natural setter of a float parameter (or the gain): clamp or store, then
// the sub-setter. Unclamped parameters ignore non-finite values.
template <class T>
void set_float(typename T::engine* e, uint32_t i, float v) {
  const parameter_info& p = T::table()[i];
  switch (p.kind) {
    case KIND_UNIT:
      store_bits<T>(e, i, std::bit_cast<uint32_t>(clamp_unit(v)));
      break;
    case KIND_FREE:
      if (!std::isfinite(v)) return;
      store_bits<T>(e, i, std::bit_cast<uint32_t>(v));
      break;
    case KIND_GAIN:
      if (std::isfinite(v)) st(e->frame.master_gain, v);
      return;
    default:
      return;
  }
  T::sub_setter(e, i);
}

template <class T>
void set_choice(typename T::engine* e, uint32_t i, int32_t v) {
  store_bits<T>(e, i, std::bit_cast<uint32_t>(v));
  T::sub_setter(e, i);
}

template <class T>
float get_float(const typename T::engine* e, uint32_t i) {
  if (T::table()[i].kind == KIND_GAIN) return ld(e->frame.master_gain);
  return stored_float<T>(e, i);
}

template <class T>
int32_t get_choice(const typename T::engine* e, uint32_t i) {
  return stored_int<T>(e, i);
}

// Nearest integer with halves away from zero, saturated to 32 bits.
inline int32_t round_half_away(float y) {
  const double d = static_cast<double>(y);
  const double r = d >= 0.0 ? std::trunc(d + 0.5) : std::trunc(d - 0.5);
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(r);
}

template <class T>
void set_normalized(typename T::engine* e, uint32_t i, float x) {
  const parameter_info& p = T::table()[i];
  switch (p.kind) {
    case KIND_FREE: {
      // A value whose mapping overflows is ignored like a non-finite input.
      const float v = p.span * x + p.low;
      if (!std::isfinite(v)) return;
      store_bits<T>(e, i, std::bit_cast<uint32_t>(v));
      T::sub_setter(e, i);
      return;
    }
    case KIND_CHOICE:
      if (!std::isfinite(x)) return;
      set_choice<T>(e, i, round_half_away(static_cast<float>(p.choice_count - 1) * x));
      return;
    default:
      set_float<T>(e, i, x);
      return;
  }
}

template <class T>
float get_normalized(const typename T::engine* e, uint32_t i) {
  const parameter_info& p = T::table()[i];
  switch (p.kind) {
    case KIND_FREE:
      return (stored_float<T>(e, i) - p.low) * p.norm_k;
    case KIND_CHOICE:
      return static_cast<float>(stored_int<T>(e, i)) * p.norm_k;
    default:
      return get_float<T>(e, i);
  }
}

// By-index access. Indices past the table and null pointers are ignored.
template <class T>
int set_value(typename T::engine* e, uint32_t i, const void* value) {
  if (i >= T::param_count || value == nullptr) return ENGINE_OK;
  if (T::table()[i].type == PARAM_CHOICE) {
    int32_t v;
    std::memcpy(&v, value, 4);
    set_choice<T>(e, i, v);
  } else {
    float v;
    std::memcpy(&v, value, 4);
    set_float<T>(e, i, v);
  }
  return ENGINE_OK;
}

template <class T>
int get_value(const typename T::engine* e, uint32_t i, void* value) {
  if (i >= T::param_count || value == nullptr) return ENGINE_OK;
  if (T::table()[i].type == PARAM_CHOICE) {
    const int32_t v = get_choice<T>(e, i);
    std::memcpy(value, &v, 4);
  } else {
    const float v = get_float<T>(e, i);
    std::memcpy(value, &v, 4);
  }
  return ENGINE_OK;
}

template <class T>
int set_normalized_value(typename T::engine* e, uint32_t i, const float* x) {
  if (i >= T::param_count || x == nullptr) return ENGINE_OK;
  set_normalized<T>(e, i, *x);
  return ENGINE_OK;
}

template <class T>
int get_normalized_value(const typename T::engine* e, uint32_t i, float* x) {
  if (i >= T::param_count || x == nullptr) return ENGINE_OK;
  *x = get_normalized<T>(e, i);
  return ENGINE_OK;
}

template <class T>
int set_normalized_float_value(typename T::engine* e, uint32_t i, float x) {
  if (i < T::param_count) set_normalized<T>(e, i, x);
  return ENGINE_OK;
}

template <class T>
float get_normalized_float_value(const typename T::engine* e, uint32_t i) {
  return i < T::param_count ? get_normalized<T>(e, i) : 0.0f;
}

// The registry defaults into the stored parameters (the gain lives apart).
template <class T>
void store_defaults(typename T::engine* e) {
  for (uint32_t i = 0; i + 1 < T::param_count; ++i) {
    const parameter_info& p = T::table()[i];
    store_bits<T>(e, i,
                  p.type == PARAM_CHOICE ? std::bit_cast<uint32_t>(static_cast<int32_t>(p.def))
                                         : std::bit_cast<uint32_t>(p.def));
  }
}

}  // namespace engine_core
