// Writes the seed corpus of the preset fuzzer: every factory record of both
// banks, prefixed with the engine byte the fuzzer reads first.

#include <cstdio>
#include <string>

#include "tools/synth.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_corpus DIR\n");
    return 2;
  }
  int written = 0;
  for (int engine = 0; engine < 2; ++engine) {
    const synth_kind& k = *synth_find(engine ? "rain" : "wind");
    for (uint32_t i = 0; i < k.bank->preset_count; ++i) {
      const std::string path =
          std::string(argv[1]) + "/" + k.name + "_" + std::to_string(i) + ".bin";
      std::FILE* f = std::fopen(path.c_str(), "wb");
      if (!f) return 1;
      const unsigned char tag = static_cast<unsigned char>(engine);
      std::fwrite(&tag, 1, 1, f);
      std::fwrite(k.bank->presets[i].record, 1, k.preset_size, f);
      std::fclose(f);
      ++written;
    }
  }
  std::printf("%d records\n", written);
  return 0;
}
