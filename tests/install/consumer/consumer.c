/* Links the installed rain library by its header alone: one second of the
 * preset a new engine starts from, then the rumble silenced by index, with
 * the header's named constants. Prints "ok" and exits 0 when all is well. */

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <pluvessa.h>

#if defined(_WIN32)
#include <malloc.h>
#endif

/* 64-byte aligned memory: the Windows C runtime has no aligned_alloc and
 * its own pair takes its place there. */
static void* aligned_block(size_t size) {
#if defined(_WIN32)
  return _aligned_malloc(size, 64);
#else
  return aligned_alloc(64, size);
#endif
}

static void aligned_block_free(void* p) {
#if defined(_WIN32)
  _aligned_free(p);
#else
  free(p);
#endif
}

static double energy(pluvessa_engine* e, int32_t layout, int channels, uint32_t frames) {
  float* out = (float*)malloc(sizeof(float) * frames * (size_t)channels);
  double sum = 0.0;
  if (out == NULL || pluvessa_process(e, out, layout, frames) != PLUVESSA_STATUS_OK) {
    free(out);
    return -1.0;
  }
  for (size_t i = 0; i < (size_t)frames * (size_t)channels; ++i) {
    if (!isfinite(out[i]) || fabsf(out[i]) > 1.0f) sum = -1.0e9;
    sum += (double)out[i] * out[i];
  }
  free(out);
  return sum;
}

int main(void) {
  const size_t size = ((size_t)pluvessa_get_size() + 63u) / 64u * 64u;
  pluvessa_engine* e = (pluvessa_engine*)aligned_block(size);
  if (e == NULL) return 2;
  if (pluvessa_get_product_id() != PLUVESSA_PRODUCT_ID) return 3;
  if (pluvessa_init(e, 0.0f) != PLUVESSA_STATUS_BAD_SAMPLE_RATE) return 4;
  if (pluvessa_init(e, 48000.0f) != PLUVESSA_STATUS_OK) return 5;
  if (energy(e, PLUVESSA_LAYOUT_STEREO, 2, 48000) <= 0.0) return 6;

  unsigned char record[PLUVESSA_PRESET_SIZE];
  if (pluvessa_save_preset(e, record) != PLUVESSA_STATUS_OK) return 7;
  const float zero = 0.0f;
  pluvessa_set_parameter_value(e, PLUVESSA_PARAM_RUMBLE_LEVEL, &zero);
  if (pluvessa_get_rumble_level(e) != 0.0f) return 8;
  if (pluvessa_load_preset(e, record) != PLUVESSA_STATUS_OK) return 9;
  if (pluvessa_get_rumble_level(e) == 0.0f) return 10;

  aligned_block_free(e);
  printf("ok\n");
  return 0;
}
