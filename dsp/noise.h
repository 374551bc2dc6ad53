#pragma once
// Two process-wide generators (one pair per library) and the noise blocks
// built on them. Every access to a seed is one relaxed 32-bit atomic load or
// store, so instances rendering on different threads interleave their draws
// but never corrupt a seed.

#include <cstdint>

// The 128 layer edges of the Gaussian approximation, scaled by 2^-24.
extern const float GAUSSIAN_LAYER_TABLE[128];

inline constexpr uint32_t UNIFORM_SEED_START = 317;
inline constexpr uint32_t GAUSSIAN_SEED_START = 22222;
// The Gaussian generator's recurrence: seed * GAUSS_MUL + GAUSS_ADD (mod 2^32).
inline constexpr uint32_t GAUSS_MUL = 196314165u;
inline constexpr uint32_t GAUSS_ADD = 907633515u;

// The recurrence k + 1 steps ahead: state = seed * mul[k] + add[k] (mod 2^32),
// k = 0..15. Integer arithmetic, so the states are exactly those of the
// serial recurrence; they no longer wait on each other.
struct gaussian_jumps {
  uint32_t mul[16], add[16];
};
constexpr gaussian_jumps make_gaussian_jumps() {
  gaussian_jumps j{};
  uint32_t m = GAUSS_MUL, a = GAUSS_ADD;
  for (int k = 0; k < 16; ++k) {
    j.mul[k] = m;
    j.add[k] = a;
    m = m * GAUSS_MUL;
    a = a * GAUSS_MUL + GAUSS_ADD;
  }
  return j;
}
inline constexpr gaussian_jumps GAUSS_JUMPS = make_gaussian_jumps();

// 16807^(k + 1) mod 2^32, k = 0..15 (the uniform generator's recurrence is
// seed * 16807): the states of a group of white samples computed from the
// seed at its start, so that they no longer wait on each other.
struct white_powers {
  uint32_t m[16];
};
constexpr white_powers make_white_powers() {
  white_powers w{};
  uint32_t p = 1u;
  for (int k = 0; k < 16; ++k) w.m[k] = p = p * 16807u;
  return w;
}
inline constexpr white_powers WHITE_POWERS = make_white_powers();

void noise_set_uniform_seed(uint32_t seed);
void noise_set_gaussian_seed(uint32_t seed);
uint32_t noise_get_uniform_seed();
uint32_t noise_get_gaussian_seed();

// Advances the uniform seed (seed * 16807 mod 2^32) and returns its low 31
// bits times 2^-31: u in [0, 1] (1.0 when the integer rounds up to 2^31).
float noise_uniform_draw();

// Advances the uniform seed once more and reports the sign of the new state:
// true when it reads as a non-negative 32-bit integer (the walks' direction).
bool noise_uniform_sign_draw();

// n white samples in [-1, 1] (the seed states read as signed, times 2^-31).
// n: positive multiple of 8.
int noise_white_process(float* block, int n);
// White noise spreads the same power over 0..fs/2 at every rate, so its power
// per hertz falls as the rate rises. This factor, sqrt(fs / reference), gives
// noise at rate fs the power per hertz it has at the reference rate (exactly
// 1 when fs is the reference).
float noise_density_gain(float fs, float reference);

// The generator's low eight bits run through all 256 values and repeat (a
// full-period recurrence modulo 2^32 is one modulo 256 too), and they choose
// each value's layer edge and sign; only the magnitude comes from the high
// bits. So draw n (counted from `seed`) is u * edges[n % 256], u a uniform
// fraction in [0, 1): a repeating pattern times noise. Writes the 256 signed
// edges, times 2^24.
void noise_gaussian_edges(uint32_t seed, double edges[256]);

// Four Gaussian-shaped values: magnitude from draw k, layer edge from the
// index of draw 3-k, sign from bit 7 of draw k. |value| <= 3.734622.
int noise_gaussian_4(float* out);

// n Gaussian-shaped samples, four noise_gaussian_4 steps per 16 samples.
// n: positive multiple of 16.
int noise_gaussian_process(float* block, int n);
// The same draws, each times `gain` in the same pass: the bits of
// noise_gaussian_process followed by block_scale(gain).
int noise_gaussian_scaled(float* block, int n, float gain);
