#pragma once
// Static limiter curve, level probe, parameter-range mapping, scalar helpers
// and the channel-count / channel-mask codes.

#include <cstdint>

// Above +-t only the fraction s of the excess remains (s = 0: hard clip).
struct limiter {
  float threshold;  // linear, positive
  float slope;
};

// Takes one sample out of every `period` samples of a control block.
struct level_probe {
  int32_t counter;
  int32_t period;
};

int limiter_init(limiter* l);                     // t = 1, s = 1: transparent
int limiter_set_threshold(limiter* l, float db);  // t = 10^(dB/20), s = 0
// t = 10^(dB/20), s = 1/ratio (ratio <= smallest normal: s = 1000000).
int limiter_set(limiter* l, float db, float ratio);
int limiter_process(const limiter* l, float* block, int n);
// The hard-clip curve (slope 0) of limiter_process at +-t, bit for bit, that
// also maps infinities to +-t and a NaN sample to 0, so nothing non-finite
// leaves an engine.
int limiter_clip_process(const limiter* l, float* block, int n);
// The gain an envelope gives, per sample: |envelope| through the limiter
// curve, times `amplitude`, at least `floor` (a NaN gain gives the floor);
// written back to the envelope and multiplied into the block (gain times
// sample). n: multiple of 4.
int limiter_envelope_gain(const limiter* l, float amplitude, float floor, float* envelope,
                          float* block, int n);

int level_probe_init(level_probe* p);  // counter 0, period 64; 4 for null
int level_probe_set_period(level_probe* p, int32_t period);
// For each sample: when the counter equals the period the sample becomes the
// output and the counter restarts; `out` keeps its value otherwise.
int level_probe_process(level_probe* p, const float* in, float* out, int n);
// The sample of an n-sample block that level_probe_process keeps as the
// output (the block's last reading), or -1 where the block holds none.
int level_probe_reading(const level_probe* p, int n);
// level_probe_process for a block known only by `value`, its sample at
// level_probe_reading: the output and the counter as process leaves them.
void level_probe_advance(level_probe* p, float value, float* out, int n);

// out = out_lo + (out_hi - out_lo) * t^e, t = (x - in_lo) / (in_hi - in_lo)
// (t = 0.5 when the input range is narrower than 2^-23). t is not clamped.
int map_curve(float in_lo, float in_hi, float out_lo, float out_hi, float e, float x, float* out);
int value_max(float a, float b, float* out);      // a > b ? a : b
int value_min(float a, float b, float* out);      // a < b ? a : b
int value_product(float a, float b, float* out);  // a * b

// Layout code of an output channel count: 1 -> 0x80000 (mono), 2 -> 3,
// 3 -> 0xB, 4 -> 0x33, 5 -> 0x37, 6 -> 0x3F, 7 -> 0x637, 8 -> 0x63F,
// n >= 9 -> 2^(n mod 32) - 1.
uint32_t channel_mask_for_count(uint32_t count);
// Set bits among the low 30 bits.
uint32_t channel_count_of_mask(uint32_t mask);
