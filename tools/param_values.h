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

// A parameter's value from text: a number within the range 'params' lists,
// or for a choice a whole number or one of its names (any letter case).
// Anything else is refused naming the key and its range, the message led by
// what (where the value came from: "--set backflow_shape=40").
float parse_param_value(const synth_kind& k, int index, const std::string& text,
                        const std::string& what);

// "0..1", "50..20000 Hz", "0..26 or a name".
std::string range_text(const parameter_info& p);

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
