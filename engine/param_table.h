#pragma once
// The registry row of one engine parameter, and the kinds that decide how a
// setter stores a value.

#include <cmath>
#include <cstdint>

enum param_type : int32_t { PARAM_FLOAT = 1, PARAM_CHOICE = 2 };

// How the natural setter stores a value.
enum param_kind : int32_t {
  KIND_UNIT = 0,    // 0..1, clamped (NaN stored as 0)
  KIND_FREE = 1,    // float stored unchanged (non-finite values ignored)
  KIND_CHOICE = 2,  // integer index stored unchanged
  KIND_GAIN = 3,    // master gain, stored unchanged (non-finite values ignored)
};

// x^p taken in double on the widened value, rounded to float: the power of
// the sub-setter formulas.
inline float pow_widened(float x, double p) {
  return static_cast<float>(std::pow(static_cast<double>(x), p));
}

struct parameter_info {
  int32_t type;  // PARAM_FLOAT or PARAM_CHOICE
  const char* group;
  const char* key;
  const char* short_name;
  const char* long_name;
  const char* unit;  // "Hz" or ""
  const char* description;
  float min, max, def;  // natural units (a choice holds 0, count - 1, default index)
  int32_t choice_count;
  const char* const* choice_names;
  // Beyond the registry columns: how the parameter is stored and mapped to
  // 0..1. For a free float, stored = span * x + low and x = (v - low) * norm_k.
  int32_t kind;
  float span, low, norm_k;
};

// One registry row from the columns of an engine's parameter X-macro:
// X(index, key, kind, voice, group, short name, long name, unit, min, max,
//   default, normalised span, normalised low, normalised getter factor,
//   choice count, choice names, description)
#define PARAMETER_TABLE_ROW(index, key, kind, voice, group, short_name, long_name, unit, min, max, \
                            def, span, low, norm_k, count, names, description)                   \
  {KIND_##kind == KIND_CHOICE ? PARAM_CHOICE : PARAM_FLOAT,                                   \
   group,                                                                                     \
   #key,                                                                                      \
   short_name,                                                                                \
   long_name,                                                                                 \
   unit,                                                                                      \
   description,                                                                               \
   static_cast<float>(min),                                                                   \
   static_cast<float>(max),                                                                   \
   static_cast<float>(def),                                                                   \
   count,                                                                                     \
   names,                                                                                     \
   KIND_##kind,                                                                               \
   static_cast<float>(span),                                                                  \
   static_cast<float>(low),                                                                   \
   static_cast<float>(norm_k)},

// The master gain's row, last in both tables.
#define PARAMETER_TABLE_GAIN_ROW                                                          \
  {PARAM_FLOAT, "Global", "global_gain", "Level", "GlobalGain", "",                       \
   "Global gain applied to all sources", 0.0f, 1.0f, 1.0f, 0, nullptr, KIND_GAIN, 0.0f, 0.0f, \
   0.0f}
