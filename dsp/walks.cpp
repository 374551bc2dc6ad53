#include "dsp/walks.h"

#include <cmath>

#include "dsp/dsp_common.h"
#include "dsp/noise.h"

namespace {

// The step, then the direction (always drawn), then the clamped next value.
template <class Walk>
void draw_next(Walk& w, float lower, float upper) {
  float step = w.step_min;
  if (w.step_min != w.step_max) {
    const float u = noise_uniform_draw();
    step = w.step_min + (w.step_max - w.step_min) * u;
  }
  if (noise_uniform_sign_draw()) {
    const float v = w.current + step;
    w.next = v < upper ? v : upper;
  } else {
    const float v = w.current - step;
    w.next = v > lower ? v : lower;
  }
}

template <class Walk>
void draw_interval(Walk& w) {
  float t = w.interval_min;
  if (w.interval_max > w.interval_min) {
    const float u = noise_uniform_draw();
    t = (w.interval_max - w.interval_min) * u + w.interval_min;
  }
  const double v = std::floor(static_cast<double>(t * (w.sample_rate * 0.001f)));
  w.interval = v < 2147483647.0 ? (v > -2147483648.0 ? static_cast<int32_t>(v) : INT32_MIN)
                                : INT32_MAX;
}

template <class Walk>
void walk_step(Walk& w, float* out, int n, float lower, float upper) {
  if (w.interval > w.counter) {
    *out = w.current;
    w.counter += n;
    return;
  }
  *out = w.next;
  w.counter = 1;
  w.current = w.next;
  draw_next(w, lower, upper);
  draw_interval(w);
}

}  // namespace

int random_walk_init(random_walk* w) {
  if (!w) return DSP_NULL;
  *w = random_walk{0, 0.5f, 480, 0.25f, 0.75f, 10.0f, 10.0f, 0.0f, 48000.0f};
  return DSP_OK;
}

int random_walk_step(random_walk* w, float* out, int n) {
  walk_step(*w, out, n, 0.0f, 1.0f);
  return DSP_OK;
}

int random_walk_set_step_range(random_walk* w, float step_min, float step_max) {
  if (!(step_min <= step_max)) return DSP_REJECTED;
  w->step_min = step_min;
  w->step_max = step_max;
  return DSP_OK;
}

int random_walk_set_interval(random_walk* w, float period, float variation, float sample_rate) {
  if (!(variation <= 1.0f)) return DSP_REJECTED;
  w->sample_rate = sample_rate;
  w->interval_min = (1.0f - variation) * period;
  w->interval_max = (1.0f + variation) * period;
  return DSP_OK;
}

int bounded_random_walk_init(bounded_random_walk* w) {
  if (!w) return DSP_NULL;
  *w = bounded_random_walk{0, 0.5f, 480, 0.0f, 1.0f, 0.25f, 0.75f, 10.0f, 10.0f, 0.0f, 48000.0f};
  return DSP_OK;
}

int bounded_random_walk_step(bounded_random_walk* w, float* out, int n) {
  walk_step(*w, out, n, w->lower, w->upper);
  return DSP_OK;
}

int bounded_random_walk_set(bounded_random_walk* w, float lower, float upper, float step_min,
                            float step_max, float interval_min, float interval_max,
                            float current, float sample_rate) {
  if (!(upper >= lower)) return DSP_REJECTED;
  w->lower = lower;
  w->upper = upper;
  if (!(step_max >= step_min)) return DSP_REJECTED;
  w->step_min = step_min;
  w->step_max = step_max;
  if (!(interval_max >= interval_min)) return DSP_REJECTED;
  w->interval_min = interval_min;
  w->interval_max = interval_max;
  if (!(lower <= current && current <= upper)) return DSP_REJECTED;
  w->current = current;
  w->sample_rate = sample_rate;
  draw_next(*w, w->lower, w->upper);
  draw_interval(*w);
  return DSP_OK;
}
