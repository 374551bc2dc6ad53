#pragma once
// Engines, parameters, factory presets and choices looked up by the names
// users type: any letter case, the nearest names offered for a typo.

#include <string>
#include <string_view>
#include <vector>

#include "tools/synth.h"

const synth_kind& engine_named(const std::string& name);
int param_index(const synth_kind& k, const std::string& key);
const factory_preset& preset_named(const synth_kind& k, const std::string& name);

// The names of an engine's factory presets and of a choice parameter's values.
std::vector<std::string_view> preset_names(const synth_kind& k);
std::vector<std::string_view> choice_names(const parameter_info& p);

// " (did you mean X?)" for a typo among names, else " (" + otherwise + ")".
std::string unknown_hint(const std::vector<std::string_view>& names, const std::string& text,
                         const std::string& otherwise);
