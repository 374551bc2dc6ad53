#include "tools/param_values.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "tools/lookup.h"
#include "tools/tool_error.h"

float parse_number(const std::string& text, const std::string& what) {
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE)
    throw tool_error(what + ": '" + text + "' is not a number");
  if (!std::isfinite(v) || !std::isfinite(static_cast<float>(v)))
    throw tool_error(what + ": '" + text + "' is not a finite number");
  return static_cast<float>(v);
}

assignment parse_set(const synth_kind& k, const std::string& text) {
  const auto eq = text.find('=');
  if (eq == std::string::npos) throw tool_error("--set '" + text + "': expected KEY=VALUE");
  const int i = param_index(k, text.substr(0, eq));
  return {i, parse_number(text.substr(eq + 1), "--set " + text.substr(0, eq))};
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
    const float v = parse_number(point.substr(colon + 1), "--automate " + key + " value");
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
