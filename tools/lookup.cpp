#include "tools/lookup.h"

#include "tools/tool_error.h"

const synth_kind& engine_named(const std::string& name) {
  const synth_kind* k = synth_find(name);
  if (!k) throw tool_error("unknown engine '" + name + "' (expected wind or rain)");
  return *k;
}

int param_index(const synth_kind& k, const std::string& key) {
  const int i = synth_param_index(k, key);
  if (i < 0)
    throw tool_error("unknown parameter '" + key + "' for the " + std::string(k.name) +
                     " engine (see 'ostrelle params " + k.name + "')");
  return i;
}

const factory_preset& preset_named(const synth_kind& k, const std::string& name) {
  const factory_preset* p = preset_bank_find(*k.bank, name.c_str());
  if (!p)
    throw tool_error("unknown " + std::string(k.name) + " preset '" + name +
                     "' (see 'ostrelle presets " + k.name + "')");
  return *p;
}
