#pragma once
// The vector kernels of the block operations, written once for any vector
// policy (dsp/block_kernels_body.h), built for every block policy of every
// vector unit (dsp/simd/vector_units.cmake), and chosen by the level that
// runs. The block operations (block_ops.h, noise.h, limiter.h) call them
// through block_kernels_now(); every build gives the same bits.

#include <array>
#include <cstdint>

#include "dsp/block_ops.h"  // mix_terms
#include "dsp/simd/levels.h"

struct block_kernels_table {
  // block = e^block (n: multiple of 4), as block_exp.
  void (*exp)(float* block, int n);
  // block = e^(((block + a) * m) + b) (n: multiple of 4), as block_exp_of_line.
  void (*exp_of_line)(float a, float m, float b, float* block, int n);
  // block *= k (n: multiple of 4).
  void (*scale)(float k, float* block, int n);
  // The products of gain_ramp_apply's ramp from its first gain g0 and its
  // step (n: multiple of 4), the gains formed as the four-lane chain forms
  // them.
  void (*ramp)(float g0, float step, float* block, int n);
  // limiter_clip_process's clip at +-t (NaN to 0), any n.
  void (*clip)(float t, float* block, int n);
  // limiter_envelope_gain's steps (t, s: the limiter's threshold and slope;
  // n: multiple of 4).
  void (*envelope_gain)(float t, float s, float amplitude, float floor, float* envelope,
                        float* block, int n);
  // n white-noise samples from `seed` (n: multiple of 8); returns the seed
  // after them.
  uint32_t (*white)(float* block, int n, uint32_t seed);
  // n Gaussian-shaped samples from `seed`, each times `gain` (n: multiple of
  // 16); returns the seed after them.
  uint32_t (*gaussian)(float* block, int n, uint32_t seed, float gain);
  // A fresh interleaved mix of one to eight channels (frames: multiple of 4).
  void (*mix_fresh)(const mix_terms* channels, int channel_count, float* out, int frames);
};

// Each level's kernels (levels of other architectures: none).
extern const std::array<const block_kernels_table*, VECTOR_LEVEL_COUNT> BLOCK_KERNELS;

// The kernels of the level that runs (static: see vector_level_now).
static inline const block_kernels_table& block_kernels_now() {
  return *BLOCK_KERNELS[vector_level_now()];
}
