#pragma once
// Random swell envelope: each swell rises exponentially from the floor towards
// a randomly drawn peak over a random attack time, falls back over a random
// decay time, and is followed at once by the next swell. Draws come from the
// process-wide uniform seed in the order attack, decay, peak.

#include <cstdint>

struct random_envelope {
  double env;        // current multiplier, 1.0 at the start of a swell
  double attack_mul;  // 1 + ln2 / attack length
  double decay_mul;   // 1 - ln2 / decay length
  int32_t counter;   // position in the swell, 1 at its start
  float peak;        // peak of the current swell
  float floor;       // value at the start and end of every swell
  int32_t attack_len;  // samples of the rise
  int32_t swell_len;   // attack + decay samples
  float amp_min, amp_max;        // bounds of the peak draw
  float attack_min, attack_max;  // ms
  float decay_min, decay_max;    // ms
  float sample_rate;             // Hz
};

// Defaults (peak 1.0..1.5, attack 100 ms, decay 500 ms, 48000 Hz), first swell
// drawn at once; sets the denormal mode. 4 for null.
int random_envelope_init(random_envelope* e);
// Starts a new swell now (counter 1, env 1.0).
int random_envelope_retrigger(random_envelope* e);
// n >= 1 control samples.
int random_envelope_process(random_envelope* e, float* out, int n);
// Exactly random_envelope_process(a, out_a, n) then (b, out_b, n). Where
// neither starts a swell within the block, the two serial multiply chains
// advance in one loop, each hiding the other's latency; otherwise they run
// one after the other, which keeps the order of the random draws.
int random_envelope_process_pair(random_envelope* a, float* out_a, random_envelope* b,
                                 float* out_b, int n);
// No swell starts within the next n samples (so processing them draws
// nothing from the uniform seed).
bool random_envelope_quiet(const random_envelope* e, int n);
// For envelopes none of which starts a swell within the next n samples (each
// random_envelope_quiet): advances them all over n samples exactly as
// random_envelope_process would, in one loop whose multiply chains hide each
// other's latency, but writes no block: for each k with 0 <= at[k] < n,
// values[k] receives the value process would write at sample at[k] (the
// others are left alone). count <= 16 (more: nothing is done).
void random_envelope_advance_quiet(random_envelope* const* envs, int count, int n, const int* at,
                                   float* values);
// The same advance for two quiet envelopes, a and b, with their multiply
// chains run by another loop. Begin returns false where either multiplier
// changes within the n samples (attack to decay; nothing is written), else
// writes the chains' start values to env[2] and their multipliers to mul[2].
// The loop then runs n multiplies env[k] *= mul[k], leaving the values after
// every eighth sample in round[2 r + k] (r = 0, 1, ...) and the last ones in
// env. End advances the envelopes over the n samples and, where 0 <= at < n,
// writes what process would write at sample at to read[0] (a) and read[1]
// (b).
bool random_envelope_pair_chain_begin(const random_envelope* a, const random_envelope* b, int n,
                                      double* env, double* mul);
void random_envelope_pair_chain_end(random_envelope* a, random_envelope* b, int n,
                                    const double* env, const double* mul, const double* round,
                                    int at, float* read);
// The same for `count` envelopes (at most MULTIPLY_SET): begin writes
// env[k] and mul[k] for k < count and a resting chain (zero times one) in
// the rest of the MULTIPLY_SET places; the rounds lie MULTIPLY_SET apart
// (round[MULTIPLY_SET r + k]); end reads envelope k at at[k].
inline constexpr int MULTIPLY_SET = 8;
bool random_envelope_chain_begin(const random_envelope* const* envs, int count, int n,
                                 double* env, double* mul);
void random_envelope_chain_end(random_envelope* const* envs, int count, int n, const double* env,
                               const double* mul, const double* round, const int* at,
                               float* read);
// Needs max >= min (else 5); lowers the floor to min if it was above.
int random_envelope_set_amplitude_range(random_envelope* e, float min, float max);
// Attack and decay bounds in ms; each pair needs max >= min (else 5, the
// attack pair already stored when only the decay pair fails).
int random_envelope_set_time_ranges(random_envelope* e, float attack_min, float attack_max,
                                    float decay_min, float decay_max, float sample_rate);
// Needs amplitude min >= floor (else 5).
int random_envelope_set_floor(random_envelope* e, float floor);
// Time bounds from a period P (ms), its variation V, a duty cycle D and its
// variation W. No check.
int random_envelope_set_rhythm(random_envelope* e, float period, float period_var, float duty,
                               float duty_var, float sample_rate);
