#pragma once
// The eight-lane builds of block operations, for AVX (`_avx`), AVX2 (`_avx2`)
// and AVX-512 (`_avx512`), each compiled in its own unit for its instruction
// set and called only where the processor has it. Block lengths: multiples
// of 8.

#include <cstdint>

#include "dsp/block_ops.h"  // mix_terms

#if defined(OSTRELLE_WIDE_VECTORS)
void block_exp_avx(float* block, int n);
// block *= k (n: multiple of 8); AVX only (the same code serves every wider
// level).
void block_scale_avx(float k, float* block, int n);
void block_exp_avx2(float* block, int n);
void block_exp_avx512(float* block, int n);
// block = e^(((block + a) * m) + b), eight lanes (AVX and AVX2 builds).
void block_exp_of_line_avx(float a, float m, float b, float* block, int n);
void block_exp_of_line_avx2(float a, float m, float b, float* block, int n);
void block_exp_of_line_avx512(float a, float m, float b, float* block, int n);
// n white-noise samples from `seed` (n: multiple of 8); returns the seed
// after them. AVX2 and AVX-512 only.
uint32_t noise_white_avx2(float* block, int n, uint32_t seed);
uint32_t noise_white_avx512(float* block, int n, uint32_t seed);
// n Gaussian-shaped samples from `seed` (n: multiple of 16), each times
// `gain`; returns the seed after them. AVX2 and AVX-512 only.
uint32_t noise_gaussian_avx2(float* block, int n, uint32_t seed, float gain);
uint32_t noise_gaussian_avx512(float* block, int n, uint32_t seed, float gain);
// The level ramp's products from its first gain g0 and its step (n: multiple
// of 8), the gains formed as the four-lane ramp forms them. AVX only (the
// same code serves every wider level).
void gain_ramp_avx(float g0, float step, float* block, int n);
// limiter_clip_process's clip at +-t (NaN to 0), eight samples at a time.
// AVX only (the same code serves every wider level).
void limiter_clip_avx(float t, float* block, int n);
// limiter_envelope_gain's steps eight samples at a time (t, s: the
// limiter's threshold and slope). AVX only.
void limiter_envelope_gain_avx(float t, float s, float amplitude, float floor, float* envelope,
                               float* block, int n);
// A fresh interleaved mix of one to eight channels (frames: multiple of 8).
void mix_fresh_avx(const mix_terms* channels, int channel_count, float* out, int frames);
void mix_fresh_avx2(const mix_terms* channels, int channel_count, float* out, int frames);
void mix_fresh_avx512(const mix_terms* channels, int channel_count, float* out, int frames);
#else
// Never called: without the eight-lane units the dispatch always says no.
inline void block_exp_avx(float*, int) {}
inline void block_scale_avx(float, float*, int) {}
inline void block_exp_avx2(float*, int) {}
inline void block_exp_avx512(float*, int) {}
inline void block_exp_of_line_avx(float, float, float, float*, int) {}
inline void block_exp_of_line_avx2(float, float, float, float*, int) {}
inline void block_exp_of_line_avx512(float, float, float, float*, int) {}
inline uint32_t noise_white_avx2(float*, int, uint32_t seed) { return seed; }
inline uint32_t noise_white_avx512(float*, int, uint32_t seed) { return seed; }
inline uint32_t noise_gaussian_avx2(float*, int, uint32_t seed, float) { return seed; }
inline uint32_t noise_gaussian_avx512(float*, int, uint32_t seed, float) { return seed; }
inline void gain_ramp_avx(float, float, float*, int) {}
inline void limiter_clip_avx(float, float*, int) {}
inline void limiter_envelope_gain_avx(float, float, float, float, float*, float*, int) {}
inline void mix_fresh_avx(const mix_terms*, int, float*, int) {}
inline void mix_fresh_avx2(const mix_terms*, int, float*, int) {}
inline void mix_fresh_avx512(const mix_terms*, int, float*, int) {}
#endif
