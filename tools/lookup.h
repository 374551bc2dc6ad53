#pragma once
// Engines, parameters and factory presets looked up by the names users type.

#include <string>

#include "tools/synth.h"

const synth_kind& engine_named(const std::string& name);
int param_index(const synth_kind& k, const std::string& key);
const factory_preset& preset_named(const synth_kind& k, const std::string& name);
