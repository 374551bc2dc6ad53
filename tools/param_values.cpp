#include "tools/param_values.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>
#include <cstdlib>

#include "tools/lookup.h"
#include "tools/names.h"
#include "tools/tool_error.h"

namespace {

// Reads text in full as a finite float; else says what it is not.
std::string number_fault(const std::string& text, float& value) {
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE)
    return "not a number";
  if (!std::isfinite(v) || !std::isfinite(static_cast<float>(v))) return "not a finite number";
  value = static_cast<float>(v);
  return "";
}

}  // namespace

float parse_number(const std::string& text, const std::string& what) {
  float v = 0.0f;
  const std::string fault = number_fault(text, v);
  if (!fault.empty()) throw tool_error(what + ": '" + text + "' is " + fault);
  return v;
}

std::string range_text(const parameter_info& p) {
  std::string r = format_value(p, p.min) + ".." + format_value(p, p.max);
  if (p.type == PARAM_CHOICE) return r + " or a name";
  return *p.unit ? r + " " + p.unit : r;
}

float parse_param_value(const synth_kind& k, int index, const std::string& text,
                        const std::string& what) {
  const parameter_info& p = k.table[index];
  const std::string range = std::string(p.key) + " takes " + range_text(p);
  auto refuse = [&](const std::string& why) { return tool_error(what + ": " + why); };
  float v = 0.0f;
  std::string fault;
  if (p.type == PARAM_CHOICE) {
    const std::vector<std::string_view> names = choice_names(p);
    const int i = name_find(names, text);
    if (i >= 0) return static_cast<float>(i);
    fault = number_fault(text, v);
    if (!fault.empty()) {
      const std::string hint = name_suggestion(names, text);
      throw refuse("no such choice (" + (hint.empty() ? range : hint) + ")");
    }
    if (v != std::floor(v)) throw refuse("not a whole number (" + range + ")");
  } else {
    fault = number_fault(text, v);
    if (!fault.empty()) throw refuse(fault + " (" + range + ")");
  }
  if (!(v >= p.min && v <= p.max)) throw refuse("out of range (" + range + ")");
  return v;
}

assignment parse_set(const synth_kind& k, const std::string& text) {
  const auto eq = text.find('=');
  if (eq == std::string::npos) throw tool_error("--set '" + text + "': expected KEY=VALUE");
  const int i = param_index(k, text.substr(0, eq));
  return {i, parse_param_value(k, i, text.substr(eq + 1), "--set " + text)};
}

float automation::at(double t) const {
  if (t <= points.front().first) return points.front().second;
  if (t >= points.back().first) return points.back().second;
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (t <= points[i].first) {
      const auto& [t0, v0] = points[i - 1];
      const auto& [t1, v1] = points[i];
      const double a = (t - t0) / (t1 - t0);
      return static_cast<float>(v0 + (v1 - v0) * a);
    }
  }
  return points.back().second;
}

automation parse_automation(const synth_kind& k, const std::string& text) {
  const auto eq = text.find('=');
  if (eq == std::string::npos)
    throw tool_error("--automate '" + text + "': expected KEY=T:V,T:V,...");
  const std::string key = text.substr(0, eq);
  automation a{param_index(k, key), {}};
  std::string list = text.substr(eq + 1);
  std::size_t start = 0;
  while (start <= list.size()) {
    const auto comma = list.find(',', start);
    const std::string point =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const auto colon = point.find(':');
    if (colon == std::string::npos)
      throw tool_error("--automate " + key + ": point '" + point + "' is not T:V");
    const float t = parse_number(point.substr(0, colon), "--automate " + key + " time");
    const float v =
        parse_param_value(k, a.index, point.substr(colon + 1), "--automate " + key + " " + point);
    if (t < 0.0f) throw tool_error("--automate " + key + ": time " + point + " is negative");
    if (!a.points.empty() && !(t > a.points.back().first))
      throw tool_error("--automate " + key + ": times must increase (" + point + ")");
    a.points.emplace_back(t, v);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return a;
}

std::string format_value(const parameter_info& p, float v) {
  char buf[64];
  const auto r = p.type == PARAM_CHOICE
                     ? std::to_chars(buf, buf + sizeof buf, static_cast<int>(v))
                     : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}
