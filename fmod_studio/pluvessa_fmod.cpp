// The Pluvessa rain plug-in: description, parameter table and the binding of
// the shared adapter to the rain engine. The library also exports the
// engine's C interface (include/pluvessa.h).

#include "fmod_studio/adapter.h"
#include "fmod_studio/pluvessa_host_params.h"
#include "include/pluvessa.h"

namespace {

struct pluvessa_binding {
  using engine = pluvessa_engine;
  static constexpr const char* name = "Ostrelle Pluvessa";
  static constexpr const char* source = "fmod_studio/pluvessa_fmod.cpp";
  static constexpr int param_count = 36;
  static constexpr const host_param* params = PLUVESSA_HOST_PARAMS;
  static unsigned int size() { return pluvessa_get_size(); }
  static int init(engine* e, float rate) { return pluvessa_init(e, rate); }
  static int32_t get_channels(engine* e) {
    int32_t n = 6;
    pluvessa_get_output_channel_count(e, &n);
    return n;
  }
  static void set_channels(engine* e, int32_t n) { pluvessa_set_output_channel_count(e, n); }
  static uint32_t is_initial(engine* e) { return pluvessa_is_initial_process(e); }
  static void initial_done(engine* e) { pluvessa_set_initial_process_done(e); }
  static int process(engine* e, float* out, int32_t layout, uint32_t frames) {
    return pluvessa_process(e, out, layout, frames);
  }
  static void set_gain(engine* e, float g) { pluvessa_set_gain(e, g); }
  static float get_gain(engine* e) { return pluvessa_get_gain(e); }
  static int set_value(engine* e, uint32_t i, const void* v) {
    return pluvessa_set_parameter_value(e, i, v);
  }
  static int get_value(engine* e, uint32_t i, void* v) {
    return pluvessa_get_parameter_value(e, i, v);
  }
};

}  // namespace

extern "C" F_EXPORT FMOD_DSP_DESCRIPTION* F_CALL FMODGetDSPDescription() {
  return fmod_adapter<pluvessa_binding>::get_description();
}
