#pragma once
// What a render report says about the samples written: the sample peak, the
// RMS, the count of samples at the clip, and, through libebur128, the
// integrated loudness (EBU R128, LUFS) and the true peak (dBTP).

#include <ebur128.h>

#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
// loudness, and the true peak as well.
enum class meter_mode { level, loudness, loudness_and_true_peak };

// The true peak of each channel, measured on worker threads beside the
// render: its four-times oversampling costs several times what the engines
// do, and the channels are independent. Each worker takes some channels and
// reads the same chunks of interleaved frames.
class true_peak_workers {
 public:
  true_peak_workers(int channels, int rate);
  ~true_peak_workers();
  true_peak_workers(const true_peak_workers&) = delete;
  true_peak_workers& operator=(const true_peak_workers&) = delete;

  void add(const float* frames, std::size_t count);
  // Waits for the workers to finish; the largest true peak, linear.
  double finish();

 private:
  using chunk = std::shared_ptr<const std::vector<float>>;
  struct worker {
    std::vector<int> channels;
    std::vector<ebur128_state*> states;  // one per channel
    std::deque<chunk> queue;
    std::thread thread;
  };
  void publish();
  void work(worker& w);

  int channels_;
  std::vector<float> filling_;  // frames not yet published
  std::vector<std::unique_ptr<worker>> workers_;
  std::mutex lock_;
  std::condition_variable more_, room_;
  bool closing_ = false;
};

class sound_meter {
 public:
  sound_meter(const layout_choice& layout, int rate, meter_mode mode);
  ~sound_meter();
  sound_meter(const sound_meter&) = delete;
  sound_meter& operator=(const sound_meter&) = delete;

  void add(const float* frames, std::size_t count);
  // Once, at the end.
  sound_measures result();

 private:
  int channels_;
  ebur128_state* state_ = nullptr;  // loudness
  std::unique_ptr<true_peak_workers> true_peak_;
  uint64_t samples_ = 0, clipped_ = 0;
  double peak_ = 0.0, sum_squares_ = 0.0;
};

double to_db(double linear);
