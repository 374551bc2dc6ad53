#pragma once
// Parameter values as users write them on the command line: KEY=VALUE
// settings, KEY=T:V,... automation, and values printed so they read back
// exactly.

#include <string>
#include <utility>
#include <vector>

#include "tools/synth.h"

// A number in full (no trailing text), finite as a float.
float parse_number(const std::string& text, const std::string& what);

struct assignment {
  int index;
  float value;
};

// KEY=VALUE.
assignment parse_set(const synth_kind& k, const std::string& text);

// A parameter moved linearly between time points, held outside them.
struct automation {
  int index;
  std::vector<std::pair<double, float>> points;  // seconds, value

  float at(double t) const;
};

// KEY=T:V,T:V,... with increasing times.
automation parse_automation(const synth_kind& k, const std::string& text);

// Choices as integers; floats in the shortest form that reads back exactly.
std::string format_value(const parameter_info& p, float v);
