#include "wind/shapes.h"

#include "dsp/filters.h"
#include "dsp/noise.h"
#include "dsp/rate_moves.h"

// Real poles close to 1 give a steep low-pass tilt; complex pairs close to the
// unit circle ("Blizzard Far", whistle "Narrow") a broad resonance. The gain
// keeps the shaped noise at a usable level.
const shape_coeffs NOISE_SHAPES[NOISE_SHAPE_COUNT] = {
    {0.005f, -1.918f, 0.9186f},        // Flatlands Bass
    {0.0035f, -1.9835f, 0.9849f},      // Flatlands
    {0.0108f, -1.9206f, 0.9249f},      // Arctic Bass
    {0.0157f, -1.934f, 0.946f},        // Forest Bass
    {0.037f, -1.745f, 0.7597f},        // Forest HCut
    {0.0568f, -1.4752f, 0.4887f},      // Forest
    {0.0203f, -1.9307f, 0.9598f},      // Arctic
    {0.0121f, -1.9541f, 0.9635f},      // Steppes
    {0.004f, -1.986406f, 0.992332f},   // Steppes Far
    {0.0029f, -1.989724f, 0.992585f},  // Steppes Low
    {0.0128f, -1.953753f, 0.970661f},  // Blizzard
    {0.006f, -1.98f, 0.99f},           // Blizzard Far
    {0.0313f, -1.705f, 0.712f},        // Sea Low
    {0.0119f, -1.96f, 0.976f},         // Sea High
    {0.0304f, -1.83f, 0.85f},          // Woods
    {0.0174f, -1.894119f, 0.902972f},  // Woods Low
    {0.0131f, -1.929105f, 0.936655f},  // Woods Far
    {0.0123f, -1.908051f, 0.912771f},  // Woods Bass
    {0.017f, -1.892472f, 0.900551f},   // Woods 2
    {0.0378f, -1.670348f, 0.680488f},  // Noisy
    {0.0434f, -1.768013f, 0.799234f},  // Noisy High
    {0.0025f, -1.988957f, 0.989995f},  // Plains Low
    {0.0062f, -1.979296f, 0.990227f},  // Plains Grass
    {0.0121f, -1.955834f, 0.967666f},  // Plains High
    {0.0369f, -1.639058f, 0.646753f},  // Desert Noise
    {0.0042f, -1.978962f, 0.980337f},  // Desert Low
    {0.006f, -1.9804f, 0.9911f},       // Desert
};

const shape_coeffs WHISTLE_SHAPES[SMALL_SHAPE_COUNT] = {
    {0.0157f, -1.934f, 0.946f},    // Medium
    {0.0568f, -1.4752f, 0.4887f},  // Large
    {0.006f, -1.98f, 0.99f},       // Narrow
};

const shape_coeffs SQUALL_SHAPES[SMALL_SHAPE_COUNT] = {
    {0.007f, -1.918f, 0.9186f},       // Medium
    {0.0568f, -1.4752f, 0.4887f},     // Large
    {0.004f, -1.986406f, 0.992332f},  // Narrow
};

const char* const NOISE_SHAPE_HOST_NAMES[NOISE_SHAPE_COUNT] = {
    "Flatlands Bass", "Flatlands",    "Arctic Bass",   "Forest Bass",   "Forest HCut",
    "Forest",         "Arctic",       "Steppes",       "Steppes Far",   "Steppes Low",
    "Blizzard",       "Blizzard Far", "Sea Low",       "Sea High",      "Woods",
    "Woods Low",      "Woods Far",    "Woods Bass",    "Woods 2",       "Noisy",
    "Noisy High",     "Plains Low",   "Plains Grass",  "Plains High",   "Dessert Noise",
    "Dessert Low",    "Desert"};

const char* const NOISE_SHAPE_ENGINE_NAMES[NOISE_SHAPE_COUNT] = {
    "Flatlands Bass", "Flatlands",    "Arctic Bass",   "Forest Bass",   "Forest HCut",
    "Forest",         "Arctic",       "Steppes",       "Steppes Far",   "Steppes Low",
    "Blizzard",       "Blizzard Far", "Sea Low",       "Sea High",      "Woods",
    "Woods Low",      "Woods far",    "Woods Bass",    "Woods 2",       "Noisy",
    "Noisy High",     "Plains Low",   "Plains Grass",  "Plains High",   "Desert Noise",
    "Desert Low",     "Desert"};

const char* const SMALL_SHAPE_NAMES[SMALL_SHAPE_COUNT] = {"Medium", "Large", "Narrow"};

shape_coeffs shape_at_rate(const shape_coeffs& s, float fs) {
  if (fs == TUNING_RATE) return s;
  const float in[3] = {s.g, s.a1, s.a2};
  float out[3];
  resonator_move_rate(in, TUNING_RATE, fs, noise_density_gain(fs, TUNING_RATE), out);
  return {out[0], out[1], out[2]};
}

void shape_band_design(band_filter* band, const shape_coeffs& tuned, float low_cut,
                       float high_cut, float fs) {
  // Below the tuning rate: the shape's form as moved, without the noise's
  // density gain (what the cut makes up is only where the form misses).
  const float in[3] = {tuned.g, tuned.a1, tuned.a2};
  float moved[3];
  const bool below = fs < TUNING_RATE;
  if (below) resonator_move_rate(in, TUNING_RATE, fs, 1.0f, moved);
  band_filter_design_at(band, low_cut, high_cut, 1.0f, fs, TUNING_RATE, below ? in : nullptr,
                        below ? moved : nullptr);
}
