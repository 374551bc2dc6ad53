#pragma once
// Names as users type them: any letter case, with '_', '-' and ' ' alike, and
// the nearest names offered for a typo.

#include <string>
#include <string_view>
#include <vector>

// Lower case, with '-' and ' ' read as '_'.
std::string name_fold(std::string_view s);

// The index of the name equal to text once both are folded, or -1.
int name_find(const std::vector<std::string_view>& names, std::string_view text);

// "did you mean X?" or "did you mean X, Y or Z?" naming up to three names
// close to text (fewest edits, where an edit inserts, deletes, replaces or
// swaps two neighbouring letters; else names that contain it), or "" when
// none is close.
std::string name_suggestion(const std::vector<std::string_view>& names, std::string_view text);

// "a, b or c".
std::string name_list(const std::vector<std::string_view>& names);
