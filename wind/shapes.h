#pragma once
// Noise-shape coefficients: every wind voice colours its white noise with a
// two-pole resonator (y = g x - a1 y1 - a2 y2) whose coefficients come from
// one of these tables.

#include <atomic>
#include <cstdint>

#include "dsp/filters.h"
#include "engine/frame.h"

struct shape_coeffs {
  float g, a1, a2;
};

inline constexpr int32_t NOISE_SHAPE_COUNT = 27;  // background flow and gusts
inline constexpr int32_t SMALL_SHAPE_COUNT = 3;   // whistling, squalls

extern const shape_coeffs NOISE_SHAPES[NOISE_SHAPE_COUNT];
extern const shape_coeffs WHISTLE_SHAPES[SMALL_SHAPE_COUNT];
extern const shape_coeffs SQUALL_SHAPES[SMALL_SHAPE_COUNT];

// Host and engine names of the noise shapes (they differ in spelling in a
// few rows), and the names of the small tables.
extern const char* const NOISE_SHAPE_HOST_NAMES[NOISE_SHAPE_COUNT];
extern const char* const NOISE_SHAPE_ENGINE_NAMES[NOISE_SHAPE_COUNT];
extern const char* const SMALL_SHAPE_NAMES[SMALL_SHAPE_COUNT];

// A shape's coefficients at the engine's rate: the table's at the tuning
// rate; at another rate the poles keep their hertz and the gain keeps the
// shaped noise's level per hertz (white noise's own density included).
shape_coeffs shape_at_rate(const shape_coeffs& s, float fs);

// The low and high cut that follow a shape. Below the tuning rate the high
// cut also takes back what the moved shape keeps near the new Nyquist
// frequency (an all-pole filter cannot lose it: 2.5 dB at 8 kHz for 24000
// Hz), so shape and cut keep their response in hertz together. At the
// tuning rate and above: band_filter_design_db(low, high, 0 dB).
void shape_band_design(band_filter* band, const shape_coeffs& tuned, float low_cut,
                       float high_cut, float fs);

// A voice's shape parameter: the index is stored as given; an index within
// the table selects its row, one outside it keeps the current coefficients.
inline void shape_select(std::atomic<const shape_coeffs*>& slot, aint& index_slot,
                         const shape_coeffs* table, int32_t count, int32_t index) {
  st(index_slot, index);
  if (index >= 0 && index < count) slot.store(&table[index], std::memory_order_relaxed);
}
