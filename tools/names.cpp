#include "tools/names.h"

#include <algorithm>
#include <cctype>

namespace {

// Edits between two strings, counting a swap of neighbours as one edit.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  const std::size_t n = a.size(), m = b.size();
  std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
  for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[n][m];
}

}  // namespace

std::string name_fold(std::string_view s) {
  std::string f(s);
  for (char& c : f) {
    if (c == '-' || c == ' ') c = '_';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return f;
}

int name_find(const std::vector<std::string_view>& names, std::string_view text) {
  const std::string t = name_fold(text);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (name_fold(names[i]) == t) return static_cast<int>(i);
  return -1;
}

std::string name_list(const std::vector<std::string_view>& names) {
  std::string s;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) s += i + 1 == names.size() ? " or " : ", ";
    s += names[i];
  }
  return s;
}

std::string name_suggestion(const std::vector<std::string_view>& names, std::string_view text) {
  const std::string t = name_fold(text);
  if (t.empty()) return "";
  // Up to a quarter of the letters may be wrong (at least one).
  const std::size_t limit = std::max<std::size_t>(1, t.size() / 4);
  std::vector<std::size_t> distance(names.size());
  std::size_t best = limit + 1;
  for (std::size_t i = 0; i < names.size(); ++i) {
    distance[i] = edit_distance(t, name_fold(names[i]));
    best = std::min(best, distance[i]);
  }
  std::vector<std::string_view> close;
  for (std::size_t i = 0; i < names.size() && close.size() < 3; ++i) {
    const bool near = best <= limit ? distance[i] == best
                                    : t.size() >= 3 && name_fold(names[i]).find(t) != std::string::npos;
    if (near) close.push_back(names[i]);
  }
  return close.empty() ? "" : "did you mean " + name_list(close) + "?";
}
