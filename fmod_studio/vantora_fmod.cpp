// The Vantora wind plug-in: description, parameter table and the binding of
// the shared adapter to the wind engine. Exports only FMODGetDSPDescription.

#include "fmod_studio/adapter.h"
#include "fmod_studio/vantora_host_params.h"
#include "wind/vantora.h"

namespace {

struct vantora_binding {
  using engine = vantora_engine;
  static constexpr const char* name = "Ostrelle Vantora";
  static constexpr const char* source = "fmod_studio/vantora_fmod.cpp";
  static constexpr int param_count = 48;
  static constexpr const host_param* params = VANTORA_HOST_PARAMS;
  static unsigned int size() { return vantora_get_size(); }
  static int init(engine* e, float rate) { return vantora_init(e, rate); }
  static int32_t get_channels(engine* e) {
    int32_t n = 6;
    vantora_get_output_channel_count(e, &n);
    return n;
  }
  static void set_channels(engine* e, int32_t n) { vantora_set_output_channel_count(e, n); }
  static uint32_t is_initial(engine* e) { return vantora_is_initial_process(e); }
  static void initial_done(engine* e) { vantora_set_initial_process_done(e); }
  static int process(engine* e, float* out, int32_t layout, uint32_t frames) {
    return vantora_process(e, out, layout, frames);
  }
  static void set_gain(engine* e, float g) { vantora_set_gain(e, g); }
  static float get_gain(engine* e) { return vantora_get_gain(e); }
  static int set_value(engine* e, uint32_t i, const void* v) {
    return vantora_set_parameter_value(e, i, v);
  }
  static int get_value(engine* e, uint32_t i, void* v) {
    return vantora_get_parameter_value(e, i, v);
  }
};

}  // namespace

extern "C" F_EXPORT FMOD_DSP_DESCRIPTION* F_CALL FMODGetDSPDescription() {
  return fmod_adapter<vantora_binding>::get_description();
}
