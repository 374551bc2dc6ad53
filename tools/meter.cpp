#include "tools/meter.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "tools/sound_file.h"

namespace {

constexpr std::size_t CHUNK_FRAMES = 4096;
constexpr std::size_t QUEUED_CHUNKS = 32;  // per worker, before the render waits

}  // namespace

double to_db(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -INFINITY; }

true_peak_workers::true_peak_workers(int channels, int rate) : channels_(channels) {
  const int count =
      std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, channels);
  for (int w = 0; w < count; ++w) workers_.push_back(std::make_unique<worker>());
  for (int c = 0; c < channels; ++c) {
    worker& w = *workers_[c % count];
    ebur128_state* st = ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_TRUE_PEAK);
    if (!st) throw std::bad_alloc();
    w.channels.push_back(c);
    w.states.push_back(st);
  }
  for (auto& w : workers_) w->thread = std::thread([this, &w = *w] { work(w); });
}

true_peak_workers::~true_peak_workers() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
  }
  more_.notify_all();
  for (auto& w : workers_) {
    if (w->thread.joinable()) w->thread.join();
    for (ebur128_state*& st : w->states) ebur128_destroy(&st);
  }
}

void true_peak_workers::add(const float* frames, std::size_t count) {
  const std::size_t n = count * static_cast<std::size_t>(channels_);
  filling_.insert(filling_.end(), frames, frames + n);
  if (filling_.size() >= CHUNK_FRAMES * channels_) publish();
}

void true_peak_workers::publish() {
  if (filling_.empty()) return;
  const chunk c = std::make_shared<const std::vector<float>>(std::move(filling_));
  filling_.clear();
  std::unique_lock<std::mutex> hold(lock_);
  room_.wait(hold, [&] {
    return std::all_of(workers_.begin(), workers_.end(),
                       [](const auto& w) { return w->queue.size() < QUEUED_CHUNKS; });
  });
  for (auto& w : workers_) w->queue.push_back(c);
  hold.unlock();
  more_.notify_all();
}

void true_peak_workers::work(worker& w) {
  std::vector<float> one;  // a channel's samples of a chunk
  for (;;) {
    chunk c;
    {
      std::unique_lock<std::mutex> hold(lock_);
      more_.wait(hold, [&] { return closing_ || !w.queue.empty(); });
      if (w.queue.empty()) return;
      c = std::move(w.queue.front());
      w.queue.pop_front();
    }
    room_.notify_one();
    const std::size_t frames = c->size() / channels_;
    one.resize(frames);
    for (std::size_t k = 0; k < w.channels.size(); ++k) {
      for (std::size_t i = 0; i < frames; ++i) one[i] = (*c)[i * channels_ + w.channels[k]];
      ebur128_add_frames_float(w.states[k], one.data(), frames);
    }
  }
}

double true_peak_workers::finish() {
  publish();
  {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
  }
  more_.notify_all();
  double peak = 0.0;
  for (auto& w : workers_) {
    if (w->thread.joinable()) w->thread.join();
    for (ebur128_state* st : w->states) {
      double tp = 0.0;
      ebur128_true_peak(st, 0, &tp);
      peak = std::max(peak, tp);
    }
  }
  return peak;
}

sound_meter::sound_meter(const layout_choice& layout, int rate, meter_mode mode)
    : channels_(layout.channels) {
  if (mode == meter_mode::level) return;
  state_ = ebur128_init(static_cast<unsigned>(channels_), static_cast<unsigned long>(rate),
                        EBUR128_MODE_I);
  if (!state_) throw std::bad_alloc();
  // Channel weights by position: a mono file counts once (one loudspeaker),
  // the LFE not at all.
  for (int c = 0; c < channels_; ++c) {
    int position = EBUR128_UNUSED;
    switch (layout.channel_map[c]) {
      case SF_CHANNEL_MAP_LEFT: position = EBUR128_LEFT; break;
      case SF_CHANNEL_MAP_RIGHT: position = EBUR128_RIGHT; break;
      case SF_CHANNEL_MAP_CENTER: position = EBUR128_CENTER; break;
      case SF_CHANNEL_MAP_REAR_LEFT: position = EBUR128_LEFT_SURROUND; break;
      case SF_CHANNEL_MAP_REAR_RIGHT: position = EBUR128_RIGHT_SURROUND; break;
      default: break;
    }
    ebur128_set_channel(state_, static_cast<unsigned>(c), position);
  }
  if (mode == meter_mode::loudness_and_true_peak)
    true_peak_ = std::make_unique<true_peak_workers>(channels_, rate);
}

sound_meter::~sound_meter() {
  if (state_) ebur128_destroy(&state_);
}

void sound_meter::add(const float* frames, std::size_t count) {
  const std::size_t n = count * static_cast<std::size_t>(channels_);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = std::fabs(frames[i]);
    peak_ = std::max(peak_, x);
    sum_squares_ += x * x;
    clipped_ += x >= 1.0;
  }
  samples_ += n;
  if (state_) ebur128_add_frames_float(state_, frames, count);
  if (true_peak_) true_peak_->add(frames, count);
}

sound_measures sound_meter::result() {
  sound_measures m;
  m.samples = samples_;
  m.clipped = clipped_;
  m.peak = peak_;
  m.rms = samples_ ? std::sqrt(sum_squares_ / static_cast<double>(samples_)) : 0.0;
  if (state_) ebur128_loudness_global(state_, &m.loudness);
  if (true_peak_) m.true_peak = true_peak_->finish();
  return m;
}
