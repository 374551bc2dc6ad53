/* A program built against an unpacked release archive the way a game's build
 * would use it: the rain engine through pluvessa.h and the shipped library
 * alone (found with find_package or pkg-config). It renders the default rain
 * and a preset saved from one engine and loaded into another, checks the
 * samples, and prints one line. */

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pluvessa.h"

#if defined(_WIN32)
#include <malloc.h>
#endif

static void* aligned_block(size_t size) {
#if defined(_WIN32)
  return _aligned_malloc(size, 64);
#else
  return aligned_alloc(64, (size + 63u) / 64u * 64u);
#endif
}

static void aligned_block_free(void* p) {
#if defined(_WIN32)
  _aligned_free(p);
#else
  free(p);
#endif
}

/* Sum of squares of a block whose samples are all finite and within [-1, 1];
 * -1 if one is not. */
static double energy(const float* x, size_t n) {
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) {
    if (!isfinite(x[i]) || x[i] > 1.0f || x[i] < -1.0f) return -1.0;
    sum += (double)x[i] * (double)x[i];
  }
  return sum;
}

int main(void) {
  static float out[48000 * 2];
  unsigned char record[PLUVESSA_PRESET_SIZE];
  pluvessa_engine* a = (pluvessa_engine*)aligned_block(pluvessa_get_size());
  pluvessa_engine* b = (pluvessa_engine*)aligned_block(pluvessa_get_size());
  int failed = 0;
  if (a == NULL || b == NULL) return 2;

  if (pluvessa_init(a, 48000.0f) != 0 || pluvessa_get_product_id() != 0x00010101u) failed = 1;
  pluvessa_set_global_control(a, 0.8f);
  pluvessa_set_shower_color(a, 900.0f);
  for (uint32_t done = 0; done < 48000; done += 480)
    if (pluvessa_process(a, out + 2 * done, PLUVESSA_LAYOUT_STEREO, 480) != 0) failed = 1;
  const double first = energy(out, 48000 * 2);

  if (pluvessa_save_preset(a, record) != 0 || pluvessa_init(b, 44100.0f) != 0 ||
      pluvessa_load_preset(b, record) != 0 || pluvessa_get_shower_color(b) != 900.0f)
    failed = 1;
  if (pluvessa_process(b, out, PLUVESSA_LAYOUT_STEREO, 44100) != 0) failed = 1;
  const double second = energy(out, 44100 * 2);

  if (first <= 0.0 || second <= 0.0) failed = 1;
  printf("pluvessa consumer: %s (energy %.3f and %.3f)\n", failed ? "FAILED" : "ok", first, second);
  aligned_block_free(a);
  aligned_block_free(b);
  return failed;
}
