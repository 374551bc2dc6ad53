#include "dsp/noise.h"

#include <atomic>
#include <cmath>

#include "dsp/block_kernels.h"
#include "dsp/dsp_common.h"

namespace {

std::atomic<uint32_t> g_uniform_seed{UNIFORM_SEED_START};
std::atomic<uint32_t> g_gaussian_seed{GAUSSIAN_SEED_START};

constexpr uint32_t UNIFORM_MUL = 16807u;
constexpr float TWO_POW_M31 = 4.656613e-10f;  // bits 0x30000000, exactly 2^-31

}  // namespace

const float GAUSSIAN_LAYER_TABLE[128] = {
    1.62317662e-08f, 2.16291127e-08f, 2.54246011e-08f, 2.84579293e-08f, 3.10339807e-08f,
    3.33011592e-08f, 3.53438949e-08f, 3.72152549e-08f, 3.89509793e-08f, 4.05763885e-08f,
    4.21101518e-08f, 4.35664624e-08f, 4.49563977e-08f, 4.62887897e-08f, 4.75707971e-08f,
    4.8808328e-08f,  5.00063067e-08f, 5.11689002e-08f, 5.22996579e-08f, 5.34016493e-08f,
    5.44775318e-08f, 5.5529636e-08f,  5.65600118e-08f, 5.75704817e-08f, 5.85626694e-08f,
    5.95380349e-08f, 6.04978823e-08f, 6.14434086e-08f, 6.23756904e-08f, 6.32957153e-08f,
    6.42044e-08f,    6.51025687e-08f, 6.59909887e-08f, 6.68703777e-08f, 6.77414036e-08f,
    6.86046846e-08f, 6.94608033e-08f, 7.03102998e-08f, 7.11536927e-08f, 7.19914652e-08f,
    7.28240792e-08f, 7.36519752e-08f, 7.44755582e-08f, 7.52952403e-08f, 7.61113981e-08f,
    7.69244011e-08f, 7.77345903e-08f, 7.85423211e-08f, 7.93479202e-08f, 8.01517075e-08f,
    8.09540026e-08f, 8.1755104e-08f,  8.25553172e-08f, 8.33549407e-08f, 8.41542587e-08f,
    8.49535624e-08f, 8.57531433e-08f, 8.65532712e-08f, 8.73542376e-08f, 8.81563125e-08f,
    8.89597871e-08f, 8.97649457e-08f, 9.05720654e-08f, 9.13814375e-08f, 9.21933463e-08f,
    9.30080901e-08f, 9.38259674e-08f, 9.46472838e-08f, 9.54723518e-08f, 9.63014841e-08f,
    9.71350147e-08f, 9.79732633e-08f, 9.88165922e-08f, 9.96653426e-08f, 1.00519898e-07f,
    1.01380635e-07f, 1.02247952e-07f, 1.03122261e-07f, 1.04003995e-07f, 1.04893608e-07f,
    1.05791571e-07f, 1.0669838e-07f,  1.07614568e-07f, 1.08540675e-07f, 1.09477291e-07f,
    1.10425034e-07f, 1.11384558e-07f, 1.1235656e-07f,  1.13341777e-07f, 1.14341006e-07f,
    1.153551e-07f,   1.16384975e-07f, 1.17431604e-07f, 1.1849604e-07f,  1.1957944e-07f,
    1.2068304e-07f,  1.21808199e-07f, 1.22956379e-07f, 1.24129201e-07f, 1.25328427e-07f,
    1.26556031e-07f, 1.27814147e-07f, 1.29105189e-07f, 1.30431829e-07f, 1.3179708e-07f,
    1.3320431e-07f,  1.34657355e-07f, 1.36160565e-07f, 1.37718956e-07f, 1.39338297e-07f,
    1.41025296e-07f, 1.42787854e-07f, 1.44635308e-07f, 1.4657887e-07f,  1.48632111e-07f,
    1.50811758e-07f, 1.53138686e-07f, 1.55639512e-07f, 1.58348911e-07f, 1.61313309e-07f,
    1.64596941e-07f, 1.68292488e-07f, 1.72541121e-07f, 1.77574279e-07f, 1.83813555e-07f,
    1.92166041e-07f, 2.05295464e-07f, 2.22600818e-07f};

void noise_set_uniform_seed(uint32_t seed) { g_uniform_seed.store(seed, std::memory_order_relaxed); }
void noise_set_gaussian_seed(uint32_t seed) { g_gaussian_seed.store(seed, std::memory_order_relaxed); }
uint32_t noise_get_uniform_seed() { return g_uniform_seed.load(std::memory_order_relaxed); }
uint32_t noise_get_gaussian_seed() { return g_gaussian_seed.load(std::memory_order_relaxed); }

float noise_uniform_draw() {
  const uint32_t s = g_uniform_seed.load(std::memory_order_relaxed) * UNIFORM_MUL;
  g_uniform_seed.store(s, std::memory_order_relaxed);
  return static_cast<float>(static_cast<int32_t>(s & 0x7FFFFFFFu)) * TWO_POW_M31;
}

bool noise_uniform_sign_draw() {
  const uint32_t s = g_uniform_seed.load(std::memory_order_relaxed) * UNIFORM_MUL;
  g_uniform_seed.store(s, std::memory_order_relaxed);
  return static_cast<int32_t>(s) >= 0;
}

int noise_white_process(float* block, int n) {
  const uint32_t seed = g_uniform_seed.load(std::memory_order_relaxed);
  g_uniform_seed.store(block_kernels_now().white(block, n, seed), std::memory_order_relaxed);
  return DSP_OK;
}

namespace {

inline void gaussian_4(uint32_t& seed, float* out) {
  uint32_t j[4];
  uint32_t s = seed;
  for (int k = 0; k < 4; ++k) {
    s = s * GAUSS_MUL + GAUSS_ADD;
    j[k] = s;
  }
  seed = s;
  for (int k = 0; k < 4; ++k) {
    const float m = static_cast<float>(static_cast<int32_t>(j[k] >> 8));
    const float v = m * GAUSSIAN_LAYER_TABLE[j[3 - k] & 127u];
    // Bit 7 of the draw becomes the sign bit of the value.
    uint32_t bits;
    __builtin_memcpy(&bits, &v, 4);
    bits |= (j[k] & 128u) << 24;
    __builtin_memcpy(&out[k], &bits, 4);
  }
}

}  // namespace

int noise_gaussian_4(float* out) {
  uint32_t seed = g_gaussian_seed.load(std::memory_order_relaxed);
  gaussian_4(seed, out);
  g_gaussian_seed.store(seed, std::memory_order_relaxed);
  return DSP_OK;
}

// Sixteen draws per step, from the seed loaded at its start; within each
// group of four, lane k takes its magnitude from draw k and its table entry
// from draw 3 - k, as in noise_gaussian_4. Every value is finite, so times a
// gain of 1 it keeps its bits: the plain form is the scaled one.
int noise_gaussian_scaled(float* block, int n, float gain) {
  const uint32_t seed = g_gaussian_seed.load(std::memory_order_relaxed);
  g_gaussian_seed.store(block_kernels_now().gaussian(block, n, seed, gain),
                        std::memory_order_relaxed);
  return DSP_OK;
}

int noise_gaussian_process(float* block, int n) { return noise_gaussian_scaled(block, n, 1.0f); }

void noise_gaussian_edges(uint32_t seed, double edges[256]) {
  for (int g = 0; g < 64; ++g) {
    uint32_t j[4];
    for (int k = 0; k < 4; ++k) j[k] = seed = seed * GAUSS_MUL + GAUSS_ADD;
    for (int k = 0; k < 4; ++k) {
      const double edge = static_cast<double>(GAUSSIAN_LAYER_TABLE[j[3 - k] & 127u]) * 16777216.0;
      edges[4 * g + k] = (j[k] & 128u) != 0 ? -edge : edge;
    }
  }
}

float noise_density_gain(float fs, float reference) {
  return static_cast<float>(std::sqrt(static_cast<double>(fs) / static_cast<double>(reference)));
}
