// Prints a plug-in library's description as a host reads it, in JSON: the
// plug-in's name and every parameter record (name, kind, range, value names
// of a choice). The deck test checks the FMOD Studio deck files against it.
//
// Usage: describe_plugin LIBRARY

#include <cstdio>
#include <string>

#include "tests/host/fmod_test_host.h"

namespace {

std::string json_string(const char* s) {
  std::string out = "\"";
  for (; s && *s; ++s) {
    const unsigned char c = static_cast<unsigned char>(*s);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: describe_plugin LIBRARY\n");
    return 2;
  }
  fmod_host::plugin_library lib(argv[1]);
  const FMOD_DSP_DESCRIPTION* d = lib.loaded() ? lib.description() : nullptr;
  if (d == nullptr) {
    std::fprintf(stderr, "describe_plugin: %s\n", lib.error().c_str());
    return 1;
  }
  std::printf("{\"name\": %s, \"parameters\": [", json_string(d->name).c_str());
  for (int i = 0; i < d->numparameters; ++i) {
    const FMOD_DSP_PARAMETER_DESC& p = *d->paramdesc[i];
    std::printf("%s\n  {\"name\": %s, \"label\": %s, ", i ? "," : "", json_string(p.name).c_str(),
                json_string(p.label).c_str());
    if (p.type == FMOD_DSP_PARAMETER_TYPE_FLOAT) {
      std::printf("\"type\": \"float\", \"min\": %.9g, \"max\": %.9g}", p.floatdesc.min,
                  p.floatdesc.max);
    } else if (p.type == FMOD_DSP_PARAMETER_TYPE_INT) {
      std::printf("\"type\": \"int\", \"min\": %d, \"max\": %d, \"valueNames\": [", p.intdesc.min,
                  p.intdesc.max);
      for (int v = p.intdesc.min; v <= p.intdesc.max && p.intdesc.valuenames; ++v)
        std::printf("%s%s", v > p.intdesc.min ? ", " : "",
                    json_string(p.intdesc.valuenames[v - p.intdesc.min]).c_str());
      std::printf("]}");
    } else {
      std::printf("\"type\": \"other\"}");
    }
  }
  std::printf("\n]}\n");
  return 0;
}
