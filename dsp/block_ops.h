#pragma once
// Element-wise block arithmetic, the polynomial exponential, click-free gain
// ramps and matrix mixing, over unaligned float blocks: vector loops (the
// exponential, scaling, ramps and fresh mixes as kernels of the vector level
// that runs, dsp/block_kernels.h) with results identical to the element-wise
// definition. Lengths must fit the step of each operation:
// multiples of 16 for the element-wise operations, 8 for block_exp and the
// mixers, 4 for gain_ramp.

// Element-wise, n a positive multiple of 16; each returns 0.
int block_abs(float* block, int n);
int block_add(const float* __restrict src, float* __restrict dst, int n);       // dst += src
int block_scale(float k, float* block, int n);                                   // block *= k
int block_scale_to(float k, const float* __restrict in, float* __restrict out, int n);
int block_max(float k, float* block, int n);  // block = block > k ? block : k (k for NaN)
int block_multiply(const float* a, float* b, int n);  // b = a * b (a may alias b)
int block_multiply_to(const float* a, const float* b, float* __restrict out, int n);  // out = b * a
int block_offset(float k, float* block, int n);                                  // block += k
int block_offset_to(float k, const float* __restrict in, float* __restrict out, int n);

// e^x with the single-precision Cephes polynomial; inputs clamped to
// +-88.37626 (a NaN input counts as the upper bound). n: multiple of 8.
int block_exp(float* block, int n);
// block = e^(((block + a) * m) + b) in one pass: the three element-wise steps,
// then the steps of block_exp, the same bits as doing them one after another.
int block_exp_of_line(float a, float m, float b, float* block, int n);

// The gain applied at the end of the previous block.
struct gain_ramp_state {
  float gain;
};

int gain_ramp_init(gain_ramp_state* s);
// Multiplies the block by a gain moving linearly from the previous gain to g
// (the last sample gets nearly g); sets the denormal mode. n: multiple of 4.
int gain_ramp(gain_ramp_state* s, float g, float* block, int n);
// The same ramp without touching the floating-point mode (reading the control
// register costs about as much as a short ramp): for renderers that set the
// mode once per call.
int gain_ramp_apply(gain_ramp_state* s, float g, float* block, int n);
// Whether gain_ramp_apply(s, g, block, n) would scale the block by one gain
// (a level that holds); if so, *gain is that gain. The state is not moved:
// a caller that scales by *gain itself then sets s->gain = g, as the ramp
// would have.
bool gain_ramp_holds(const gain_ramp_state* s, float g, int n, float* gain);

// out[f * M + c] += sum over s of matrix[c * S + s] * sources[s][f].
// F: positive multiple of 8. The caller clears the output first.
// Both mixers skip the terms of zero gains: a sum that starts from +0 never
// becomes -0, so adding a zero product changes no bit (sources are finite:
// a zero gain times an infinite sample would have made the channel NaN).
int mix_interleaved(const float* const* sources, int num_sources, float* out, int num_channels,
                    const float* matrix, int frames);
// The same into an output that need not be cleared: the bits of clearing it
// and then mixing, without the clearing pass or the reads.
int mix_interleaved_fresh(const float* const* sources, int num_sources, float* out,
                          int num_channels, const float* matrix, int frames);

// The terms a channel receives in a mix: gain x source, in order.
struct mix_terms {
  const float* source[32];
  float gain[32];
  int count;
};

// mix_interleaved_fresh planned once for a run of blocks with the same
// sources, channels and matrix (a renderer's call): the terms each channel
// receives are collected once instead of for every block.
struct mix_plan {
  const float* const* sources;
  const float* matrix;
  int num_sources;
  int num_channels;
  bool collected;  // the terms below were collected (the mix takes one round)
  mix_terms terms[8];
};
// The arrays behind sources and matrix must outlive the plan's use.
void mix_plan_make(mix_plan* p, const float* const* sources, int num_sources, int num_channels,
                   const float* matrix);
// The bits of mix_interleaved_fresh with the plan's sources, channels and
// matrix.
int mix_interleaved_fresh_planned(const mix_plan* p, float* out, int frames);

// channels[c][f] = sum over s of matrix[c * S + s] * sources[s][f] (each
// channel cleared first).
int mix_deinterleaved(const float* const* sources, int num_sources, float* const* channels,
                      int num_channels, const float* matrix, int frames);
