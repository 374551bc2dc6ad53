#pragma once
// A sine oscillator driven by a per-sample frequency block (parabolic sine
// approximation, error below about 0.001) and a bipolar sawtooth ramp.

struct sine_osc {
  float phase;  // radians, within [-pi, pi] between blocks
  float scale;  // 2 pi / sample rate: Hz to radians per sample
};

struct ramp_osc {
  float phase;      // [-1, 1)
  float increment;  // per sample
};

// Phase pi/2 (first output is the peak). 4 for null.
int sine_osc_init(sine_osc* o, float fs);
// n: positive multiple of 8 (n <= 0 only normalises the phase).
int sine_osc_process_to(sine_osc* o, const float* __restrict freq, float* __restrict out, int n);
// In place: the block holds frequencies in and sine values out.
int sine_osc_process(sine_osc* o, float* block, int n);

void ramp_osc_init(ramp_osc* o);
// increment = 2 f / fs.
int ramp_osc_set_freq(ramp_osc* o, float freq, float fs);
// out = phase; phase += increment; a phase reaching 1 restarts at -1.
int ramp_osc_process(ramp_osc* o, float* out, int n);
