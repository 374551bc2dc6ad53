/* A C11 program that runs the rain engine through the shared library and its
 * public header alone: init, parameters by key and by index, rendering on
 * both output paths, and a preset saved from one engine and loaded into
 * another. Prints each failed check and exits non-zero if any failed. */

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pluvessa.h"

#if defined(_WIN32)
#include <malloc.h>
#endif

static int failures = 0;

#define CHECK(cond)                                                     \
  do {                                                                  \
    if (!(cond)) {                                                      \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                       \
    }                                                                   \
  } while (0)

/* 64-byte aligned memory. The Windows C runtime has no aligned_alloc; its
 * own pair takes its place there. */
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

/* A record on a 64-byte boundary, never moved once initialised. */
static pluvessa_engine* new_engine(void) {
  const size_t size = ((size_t)pluvessa_get_size() + 63u) / 64u * 64u;
  void* memory = aligned_block(size);
  if (memory != NULL) memset(memory, 0xA5, size);
  return (pluvessa_engine*)memory;
}

/* Every sample finite and within [-1, 1]; returns the sum of squares. */
static double check_block(const float* x, size_t n) {
  double sum = 0.0;
  size_t bad = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!isfinite(x[i]) || x[i] > 1.0f || x[i] < -1.0f) ++bad;
    sum += (double)x[i] * (double)x[i];
  }
  CHECK(bad == 0);
  return sum;
}

static uint32_t u32_at(const unsigned char* p) {
  uint32_t v;
  memcpy(&v, p, 4);
  return v;
}

int main(void) {
  pluvessa_engine* a = new_engine();
  pluvessa_engine* b = new_engine();
  if (a == NULL || b == NULL) {
    fprintf(stderr, "out of memory\n");
    return 2;
  }

  /* Instance */
  CHECK(pluvessa_get_size() > 0);
  CHECK(pluvessa_get_product_id() == 0x00010101u);
  CHECK(pluvessa_init(a, 0.0f) == 10);
  CHECK(pluvessa_init(a, 48000.0f) == 0);
  CHECK(pluvessa_is_initial_process(a) != 0);
  CHECK(pluvessa_set_initial_process_done(a) == 0);
  CHECK(pluvessa_is_initial_process(a) == 0);
  int32_t count = 0;
  CHECK(pluvessa_get_output_channel_count(a, &count) == 0 && count == 2);
  CHECK(pluvessa_set_output_channel_count(a, 6) == 0);
  CHECK(pluvessa_get_output_channel_count(a, &count) == 0 && count == 6);
  CHECK(pluvessa_get_global_control(a) == 0.23999998f);
  CHECK(pluvessa_get_rumble_hcut(a) == 8075.191f);
  CHECK(pluvessa_get_gain(a) == 1.0f);

  /* By key */
  pluvessa_set_shower_color(a, 900.0f);
  CHECK(pluvessa_get_shower_color(a) == 900.0f);
  pluvessa_set_rumble_level(a, 1.5f);
  CHECK(pluvessa_get_rumble_level(a) == 1.0f);
  pluvessa_set_liquid_level(a, -0.2f);
  CHECK(pluvessa_get_liquid_level(a) == 0.0f);
  pluvessa_set_normalized_rumble_hcut(a, 0.0f);
  CHECK(pluvessa_get_rumble_hcut(a) == 6000.0f);
  pluvessa_set_normalized_shower_lc_freq(a, 0.5f);
  CHECK(pluvessa_get_shower_lc_freq(a) == 10025.0f);
  CHECK(fabsf(pluvessa_get_normalized_shower_lc_freq(a) - 0.5f) < 1e-6f);
  pluvessa_set_gain(a, 2.0f);
  CHECK(pluvessa_get_gain(a) == 2.0f);
  pluvessa_set_gain(a, 0.8f);

  /* By index */
  const float colour = 1200.0f, level = 0.6f, two = 2.0f;
  float got = 0.0f;
  CHECK(pluvessa_set_parameter_value(a, 13, &colour) == 0);
  CHECK(pluvessa_get_shower_color(a) == 1200.0f);
  CHECK(pluvessa_get_parameter_value(a, 13, &got) == 0 && got == 1200.0f);
  CHECK(pluvessa_set_parameter_value(a, 24, &level) == 0); /* liquid_2_level */
  CHECK(pluvessa_get_liquid_2_level(a) == 0.6f);
  CHECK(pluvessa_set_normalized_parameter_float_value(a, 9, 1.0f) == 0);
  CHECK(pluvessa_get_rumble_hcut(a) == 20000.0f);
  CHECK(pluvessa_get_normalized_parameter_value(a, 9, &got) == 0 && fabsf(got - 1.0f) < 1e-6f);
  CHECK(pluvessa_set_parameter_value(a, 35, &two) == 0);
  got = -5.0f;
  CHECK(pluvessa_get_parameter_value(a, 35, &got) == 0 && got == -5.0f);
  CHECK(pluvessa_get_normalized_parameter_float_value(a, 35) == 0.0f);
  pluvessa_set_rain_lfe_level(a, 0.5f);

  /* Render: stereo interleaved in odd calls, 5.1 deinterleaved. */
  {
    static float stereo[1000 * 2];
    for (uint32_t done = 0; done < 1000; done += 100)
      CHECK(pluvessa_process(a, stereo + done * 2, PLUVESSA_LAYOUT_STEREO, 100) == 0);
    CHECK(check_block(stereo, 1000 * 2) > 0.0);

    static float ch[6][4800];
    float* outs[6];
    for (int c = 0; c < 6; ++c) outs[c] = ch[c];
    CHECK(pluvessa_process_deinterleaved(a, outs, PLUVESSA_LAYOUT_5_1, 4800) == 0);
    for (int c = 0; c < 6; ++c) CHECK(check_block(ch[c], 4800) > 0.0);

    static float seven[7 * 64];
    for (size_t i = 0; i < 7 * 64; ++i) seven[i] = 3.0f;
    CHECK(pluvessa_process(a, seven, 0x637, 64) == 0);
    CHECK(check_block(seven, 7 * 64) == 0.0);
  }

  /* Presets: save from a, load into b. */
  {
    unsigned char record[PLUVESSA_PRESET_SIZE];
    CHECK(pluvessa_save_preset(a, record) == 0);
    CHECK(u32_at(record) == 0x00010101u);
    CHECK(u32_at(record + 4) == 0x7AB9CAFEu);
    CHECK(u32_at(record + 8) == PLUVESSA_PRESET_SIZE && u32_at(record + 12) == 0);

    CHECK(pluvessa_init(b, 44100.0f) == 0);
    pluvessa_set_gain(b, 0.5f);
    CHECK(pluvessa_load_preset(b, record) == 0);
    for (uint32_t i = 0; i < PLUVESSA_GAIN_INDEX; ++i) {
      float va = -1.0f, vb = -2.0f;
      pluvessa_get_parameter_value(a, i, &va);
      pluvessa_get_parameter_value(b, i, &vb);
      if (memcmp(&va, &vb, 4) != 0) {
        fprintf(stderr, "preset entry %u: %g saved, %g loaded\n", (unsigned)i, va, vb);
        ++failures;
      }
    }
    CHECK(pluvessa_get_gain(b) == 0.5f);
    CHECK(pluvessa_get_shower_color(b) == 1200.0f);

    record[4] ^= 1u; /* wrong magic */
    CHECK(pluvessa_load_preset(b, record) == 7);
    record[4] ^= 1u;
    record[2] = 2; /* major version 2 */
    CHECK(pluvessa_load_preset(b, record) == 13);

    static float mono[512];
    CHECK(pluvessa_process(b, mono, PLUVESSA_LAYOUT_MONO, 512) == 0);
    CHECK(check_block(mono, 512) > 0.0);
  }

  aligned_block_free(a);
  aligned_block_free(b);
  if (failures != 0) {
    fprintf(stderr, "%d check(s) failed\n", failures);
    return 1;
  }
  printf("rain C interface: all checks passed\n");
  return 0;
}
