#include "tools/synth.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "dsp/noise.h"
#include "engine/pluvessa_bank.h"
#include "engine/vantora_bank.h"
#include "rain/pluvessa_engine.h"
#include "wind/vantora.h"

namespace {

template <class E>
E* as(void* e) {
  return static_cast<E*>(e);
}
template <class E>
const E* as(const void* e) {
  return static_cast<const E*>(e);
}

const synth_kind KINDS[] = {
    {"wind", "Ostrelle Vantora", VANTORA_PARAM_COUNT, VANTORA_PRESET_SIZE,
     VANTORA_PARAMETER_TABLE, &VANTORA_BANK, vantora_get_size,
     [](void* e, float r) { return vantora_init(as<vantora_engine>(e), r); },
     [](void* e, float* out, int32_t layout, uint32_t frames) {
       return vantora_process(as<vantora_engine>(e), out, layout, frames);
     },
     [](void* e, uint32_t i, const void* v) {
       return vantora_set_parameter_value(as<vantora_engine>(e), i, v);
     },
     [](const void* e, uint32_t i, void* v) {
       return vantora_get_parameter_value(as<vantora_engine>(e), i, v);
     },
     [](void* e, const void* r) { return vantora_load_preset(as<vantora_engine>(e), r); },
     [](const void* e, void* r) { return vantora_save_preset(as<vantora_engine>(e), r); }},
    {"rain", "Ostrelle Pluvessa", PLUVESSA_PARAM_COUNT, PLUVESSA_PRESET_SIZE,
     PLUVESSA_PARAMETER_TABLE, &PLUVESSA_BANK, pluvessa_get_size,
     [](void* e, float r) { return static_cast<int>(pluvessa_init(as<pluvessa_engine>(e), r)); },
     [](void* e, float* out, int32_t layout, uint32_t frames) {
       return static_cast<int>(pluvessa_process(as<pluvessa_engine>(e), out, layout, frames));
     },
     [](void* e, uint32_t i, const void* v) {
       return static_cast<int>(pluvessa_set_parameter_value(as<pluvessa_engine>(e), i, v));
     },
     [](const void* e, uint32_t i, void* v) {
       return static_cast<int>(pluvessa_get_parameter_value(as<pluvessa_engine>(e), i, v));
     },
     [](void* e, const void* r) {
       return static_cast<int>(pluvessa_load_preset(as<pluvessa_engine>(e), r));
     },
     [](const void* e, void* r) {
       return static_cast<int>(pluvessa_save_preset(as<pluvessa_engine>(e), r));
     }},
};

}  // namespace

const synth_kind* synth_find(std::string_view name) {
  for (const synth_kind& k : KINDS)
    if (name == k.name) return &k;
  return nullptr;
}

int synth_param_index(const synth_kind& k, std::string_view key) {
  for (uint32_t i = 0; i < k.param_count; ++i)
    if (key == k.table[i].key) return static_cast<int>(i);
  return -1;
}

void synth_reseed(uint64_t seed) {
  if (seed == 0) return;
  // SplitMix64's finaliser spreads neighbouring seeds over all 64 bits.
  uint64_t z = seed + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  // The uniform generator only multiplies: every odd start value runs on a
  // cycle as long as the default's, an even one on a shorter (zero stays zero).
  noise_set_uniform_seed(static_cast<uint32_t>(z) | 1u);
  // The Gaussian generator's low eight bits repeat every 256 draws and pick
  // each value's sign and layer: a pattern that every initialisation starts
  // at the same place, part of the engines' sound. A take keeps it and draws
  // other magnitudes (the high bits), as another instance would hear.
  const uint32_t pattern = noise_get_gaussian_seed() & 0xFFu;
  noise_set_gaussian_seed((static_cast<uint32_t>(z >> 32) & ~0xFFu) | pattern);
}

synth_instance::synth_instance(const synth_kind& k) : kind_(k) {
  const std::size_t size = (k.size() + 63u) / 64u * 64u;
  mem_ = std::aligned_alloc(64, size);
  if (!mem_) throw std::bad_alloc();
  std::memset(mem_, 0, size);
}

synth_instance::~synth_instance() { std::free(mem_); }

void synth_instance::set(int index, float value) {
  if (kind_.table[index].type == PARAM_CHOICE) {
    const int32_t v = static_cast<int32_t>(value);
    kind_.set_value(mem_, static_cast<uint32_t>(index), &v);
  } else {
    kind_.set_value(mem_, static_cast<uint32_t>(index), &value);
  }
}

float synth_instance::get(int index) const {
  if (kind_.table[index].type == PARAM_CHOICE) {
    int32_t v = 0;
    kind_.get_value(mem_, static_cast<uint32_t>(index), &v);
    return static_cast<float>(v);
  }
  float v = 0.0f;
  kind_.get_value(mem_, static_cast<uint32_t>(index), &v);
  return v;
}
