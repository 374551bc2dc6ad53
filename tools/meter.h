#pragma once
// What a render report says about the samples written: the sample peak, the
// RMS, the count of samples at the clip, and, through libebur128, the
// integrated loudness (EBU R128, LUFS) and the true peak (dBTP).

#include <ebur128.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

struct layout_choice;

struct sound_measures {
  uint64_t samples = 0;
  uint64_t clipped = 0;  // samples at or beyond full scale
  double peak = 0.0;     // linear
  double rms = 0.0;      // linear, over every sample
  double loudness = -INFINITY;  // LUFS; -inf when not measured or nothing passes the gate
  double true_peak = 0.0;       // linear
};

// What to measure beyond the level (peak, RMS, clipped samples): the
// loudness, and the true peak as well (its four-times oversampling is by far
// the costliest part).
enum class meter_mode { level, loudness, loudness_and_true_peak };

class sound_meter {
 public:
  sound_meter(const layout_choice& layout, int rate, meter_mode mode);
  ~sound_meter();
  sound_meter(const sound_meter&) = delete;
  sound_meter& operator=(const sound_meter&) = delete;

  void add(const float* frames, std::size_t count);
  sound_measures result() const;

 private:
  int channels_;
  ebur128_state* state_ = nullptr;
  bool true_peak_ = false;
  uint64_t samples_ = 0, clipped_ = 0;
  double peak_ = 0.0, sum_squares_ = 0.0;
};

double to_db(double linear);
