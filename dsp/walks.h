#pragma once
// Block-rate random walks: at random intervals a held value moves up or down
// by a random step and stays until the next move. One value per block; the
// value only changes at block boundaries. Draws are taken in the order step
// (if the step range is not empty), direction, interval (likewise).

#include <cstdint>

// Value within [0, 1].
struct random_walk {
  int32_t counter;    // samples since the last move
  float next;         // value that becomes current at the next move
  int32_t interval;   // samples between the last and the next move
  float step_min, step_max;
  float interval_min, interval_max;  // ms
  float current;
  float sample_rate;  // Hz
};

// Value within [lower, upper].
struct bounded_random_walk {
  int32_t counter;
  float next;
  int32_t interval;
  float lower, upper;
  float step_min, step_max;
  float interval_min, interval_max;  // ms
  float current;
  float sample_rate;
};

// Counter 0, next 0.5, interval 480, steps 0.25..0.75, intervals 10 ms, current 0.
int random_walk_init(random_walk* w);
// Writes this block's value; moves once at least the interval has passed.
int random_walk_step(random_walk* w, float* out, int n);
// Needs step_min <= step_max (else 5).
int random_walk_set_step_range(random_walk* w, float step_min, float step_max);
// Interval range (1 - V) P .. (1 + V) P ms; needs V <= 1 (else 5).
int random_walk_set_interval(random_walk* w, float period, float variation, float sample_rate);

int bounded_random_walk_init(bounded_random_walk* w);
int bounded_random_walk_step(bounded_random_walk* w, float* out, int n);
// Checks and stores in groups (bounds, steps, intervals, current value with
// the rate), returning 5 at the first failed group with the earlier groups
// stored; on success draws a new next value and interval at once.
int bounded_random_walk_set(bounded_random_walk* w, float lower, float upper, float step_min,
                            float step_max, float interval_min, float interval_max,
                            float current, float sample_rate);
