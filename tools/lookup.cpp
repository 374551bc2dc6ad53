#include "tools/lookup.h"

#include "tools/names.h"
#include "tools/tool_error.h"

namespace {

const std::vector<std::string_view> ENGINE_NAMES = {"wind", "rain"};

std::vector<std::string_view> param_keys(const synth_kind& k) {
  std::vector<std::string_view> keys;
  for (uint32_t i = 0; i < k.param_count; ++i) keys.push_back(k.table[i].key);
  return keys;
}

}  // namespace

std::string unknown_hint(const std::vector<std::string_view>& names, const std::string& text,
                         const std::string& otherwise) {
  const std::string s = name_suggestion(names, text);
  return " (" + (s.empty() ? otherwise : s) + ")";
}

const synth_kind& engine_named(const std::string& name) {
  const int i = name_find(ENGINE_NAMES, name);
  if (i < 0)
    throw tool_error("unknown engine '" + name + "'" +
                     unknown_hint(ENGINE_NAMES, name, "expected wind or rain"));
  return *synth_find(ENGINE_NAMES[i]);
}

int param_index(const synth_kind& k, const std::string& key) {
  const std::vector<std::string_view> keys = param_keys(k);
  const int i = name_find(keys, key);
  if (i < 0)
    throw tool_error("unknown parameter '" + key + "' for the " + std::string(k.name) +
                     " engine" +
                     unknown_hint(keys, key, "see 'ostrelle params " + std::string(k.name) + "'"));
  return i;
}

std::vector<std::string_view> preset_names(const synth_kind& k) {
  std::vector<std::string_view> names;
  for (uint32_t i = 0; i < k.bank->preset_count; ++i) names.push_back(k.bank->presets[i].name);
  return names;
}

std::vector<std::string_view> choice_names(const parameter_info& p) {
  return std::vector<std::string_view>(p.choice_names, p.choice_names + p.choice_count);
}

const factory_preset& preset_named(const synth_kind& k, const std::string& name) {
  const std::vector<std::string_view> names = preset_names(k);
  const int i = name_find(names, name);
  if (i < 0)
    throw tool_error("unknown " + std::string(k.name) + " preset '" + name + "'" +
                     unknown_hint(names, name, "see 'ostrelle presets " + std::string(k.name) + "'"));
  return k.bank->presets[i];
}
