#include "tests/host/fmod_test_host.h"

#include <cstdlib>
#include <cstring>

#include "tests/common/aligned_memory.h"

namespace fmod_host {

// ---- plugin_library

plugin_library::plugin_library(const std::string& path) : path_(path), lib_(path) {
  if (!lib_.loaded()) {
    error_ = lib_.error();
    return;
  }
  entry_ = reinterpret_cast<FMOD_GET_DSP_DESCRIPTION_FUNC>(lib_.symbol("FMODGetDSPDescription"));
  if (!entry_) error_ = "FMODGetDSPDescription not exported by " + path;
}

FMOD_DSP_DESCRIPTION* plugin_library::description() const { return entry_ ? entry_() : nullptr; }

// ---- memory_service

memory_service& memory_service::get() {
  static memory_service service;
  return service;
}

void memory_service::reset_log() {
  std::lock_guard<std::mutex> lock(mu_);
  calls_.clear();
  bad_frees_ = 0;
  guard_violations_ = 0;
  fail_count_ = 0;
  offset_ = 16;
}

void memory_service::fail_next(int n) {
  std::lock_guard<std::mutex> lock(mu_);
  fail_count_ = n;
}

void memory_service::set_offset(unsigned offset) {
  std::lock_guard<std::mutex> lock(mu_);
  offset_ = offset & 63u;
}

std::vector<memory_call> memory_service::calls() const {
  std::lock_guard<std::mutex> lock(mu_);
  return calls_;
}

std::vector<memory_call> memory_service::allocs() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<memory_call> r;
  for (const auto& c : calls_)
    if (c.kind == memory_call::ALLOC) r.push_back(c);
  return r;
}

std::vector<memory_call> memory_service::frees() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<memory_call> r;
  for (const auto& c : calls_)
    if (c.kind == memory_call::FREE) r.push_back(c);
  return r;
}

std::size_t memory_service::live_blocks() const {
  std::lock_guard<std::mutex> lock(mu_);
  return live_.size();
}

std::size_t memory_service::bad_frees() const {
  std::lock_guard<std::mutex> lock(mu_);
  return bad_frees_;
}

std::size_t memory_service::guard_violations() const {
  std::lock_guard<std::mutex> lock(mu_);
  return guard_violations_;
}

bool memory_service::guards_ok(const void* p, const block& b) const {
  const auto* base = static_cast<const unsigned char*>(b.base);
  const auto* end = static_cast<const unsigned char*>(p) + b.size;
  for (std::size_t i = 0; i < b.front; ++i)
    if (base[i] != GUARD_BYTE) return false;
  for (std::size_t i = 0; i < GUARD_BYTES; ++i)
    if (end[i] != GUARD_BYTE) return false;
  return true;
}

void memory_service::check_block(const void* p, block& b) {
  if (!b.violated && !guards_ok(p, b)) {
    b.violated = true;
    ++guard_violations_;
  }
}

bool memory_service::check_guards() {
  std::lock_guard<std::mutex> lock(mu_);
  bool ok = true;
  for (auto& [p, b] : live_) {
    check_block(p, b);
    ok = ok && !b.violated;
  }
  return ok;
}

bool memory_service::is_live(const void* p, unsigned int* size) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = live_.find(p);
  if (it == live_.end()) return false;
  if (size) *size = it->second.size;
  return true;
}

void memory_service::record(memory_call::kind_t kind, unsigned int size, FMOD_MEMORY_TYPE type,
                            const char* source, void* address) {
  calls_.push_back(memory_call{kind, size, type, source == nullptr, source ? source : "", address});
}

void* memory_service::take(unsigned int size) {
  if (fail_count_ > 0) {
    --fail_count_;
    return nullptr;
  }
  // base | front guard (64 + offset bytes) | block | back guard (64 bytes
  // or more, up to the rounded total)
  const std::size_t front = GUARD_BYTES + offset_;
  const std::size_t total = (front + size + GUARD_BYTES + 63u) / 64u * 64u;
  void* base = test_memory::aligned_allocate(64, total);
  if (!base) return nullptr;
  std::memset(base, GUARD_BYTE, total);
  void* p = static_cast<char*>(base) + front;
  std::memset(p, 0xA5, size);
  live_[p] = block{base, size, front, false};
  return p;
}

void* F_CALL memory_service::alloc(unsigned int size, FMOD_MEMORY_TYPE type, const char* source) {
  memory_service& s = get();
  std::lock_guard<std::mutex> lock(s.mu_);
  void* p = s.take(size);
  s.record(memory_call::ALLOC, size, type, source, p);
  return p;
}

void* F_CALL memory_service::realloc(void* ptr, unsigned int size, FMOD_MEMORY_TYPE type,
                                     const char* source) {
  memory_service& s = get();
  std::lock_guard<std::mutex> lock(s.mu_);
  void* p = s.take(size);
  if (p && ptr) {
    auto it = s.live_.find(ptr);
    if (it != s.live_.end()) {
      s.check_block(it->first, it->second);
      std::memcpy(p, ptr, it->second.size < size ? it->second.size : size);
      test_memory::aligned_release(it->second.base);
      s.live_.erase(it);
    } else {
      ++s.bad_frees_;
    }
  }
  s.record(memory_call::REALLOC, size, type, source, p);
  return p;
}

void F_CALL memory_service::free(void* ptr, FMOD_MEMORY_TYPE type, const char* source) {
  memory_service& s = get();
  std::lock_guard<std::mutex> lock(s.mu_);
  s.record(memory_call::FREE, 0, type, source, ptr);
  auto it = s.live_.find(ptr);
  if (it == s.live_.end()) {
    ++s.bad_frees_;
    return;
  }
  s.check_block(it->first, it->second);
  test_memory::aligned_release(it->second.base);
  s.live_.erase(it);
}

// ---- guarded_buffer

namespace {
float canary_value() {
  float f;
  const uint32_t b = guarded_buffer::CANARY_BITS;
  std::memcpy(&f, &b, 4);
  return f;
}
bool is_canary(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b == guarded_buffer::CANARY_BITS;
}
}  // namespace

guarded_buffer::guarded_buffer(unsigned int frames, int channels)
    : frames_(frames),
      channels_(channels),
      storage_(2 * GUARD + static_cast<std::size_t>(frames) * (channels > 0 ? channels : 0),
               canary_value()) {}

bool guarded_buffer::guards_intact() const {
  for (std::size_t i = 0; i < GUARD; ++i)
    if (!is_canary(storage_[i]) || !is_canary(storage_[GUARD + size() + i])) return false;
  return true;
}

std::size_t guarded_buffer::untouched_samples() const {
  std::size_t n = 0;
  for (std::size_t i = 0; i < size(); ++i) n += is_canary(data()[i]) ? 1 : 0;
  return n;
}

void guarded_buffer::refill() {
  for (std::size_t i = 0; i < size(); ++i) storage_[GUARD + i] = canary_value();
}

std::vector<float> guarded_buffer::samples() const {
  return std::vector<float>(data(), data() + size());
}

// ---- output_array

namespace {
FMOD_SPEAKERMODE speakermode_for(int channels) {
  switch (channels) {
    case 1:
      return FMOD_SPEAKERMODE_MONO;
    case 2:
      return FMOD_SPEAKERMODE_STEREO;
    case 4:
      return FMOD_SPEAKERMODE_QUAD;
    case 5:
      return FMOD_SPEAKERMODE_SURROUND;
    case 6:
      return FMOD_SPEAKERMODE_5POINT1;
    case 8:
      return FMOD_SPEAKERMODE_7POINT1;
    default:
      return FMOD_SPEAKERMODE_RAW;
  }
}
}  // namespace

output_array::output_array(float* b, int channels) : numchannels(channels), buffer(b) {
  array.numbuffers = 1;
  array.buffernumchannels = &numchannels;
  array.bufferchannelmask = &mask;
  array.buffers = &buffer;
  array.speakermode = speakermode_for(channels);
}

// ---- plugin_instance

plugin_instance::plugin_instance(const FMOD_DSP_DESCRIPTION* description) : desc_(description) {
  functions_.alloc = &memory_service::alloc;
  functions_.realloc = &memory_service::realloc;
  functions_.free = &memory_service::free;
  functions_.getsamplerate = &plugin_instance::getsamplerate;
  state_.instance = this;
  state_.functions = &functions_;
}

plugin_instance::~plugin_instance() {
  if (owns_memory_ && !released_) release();
}

FMOD_RESULT F_CALL plugin_instance::getsamplerate(FMOD_DSP_STATE* state, int* rate) {
  auto* self = static_cast<plugin_instance*>(state->instance);
  ++self->rate_calls_;
  if (!self->rate_writes_nothing_ && rate) *rate = self->rate_;
  return FMOD_OK;
}

FMOD_RESULT plugin_instance::create() {
  void* before = state_.plugindata;
  const FMOD_RESULT r = desc_->create(&state_);
  if (state_.plugindata != before) owns_memory_ = true;
  released_ = false;
  return r;
}

FMOD_RESULT plugin_instance::release() {
  released_ = true;
  return desc_->release(&state_);
}

FMOD_RESULT plugin_instance::reset() { return desc_->reset(&state_); }

FMOD_RESULT plugin_instance::process(unsigned int length, FMOD_DSP_BUFFER_ARRAY* out,
                                     FMOD_DSP_PROCESS_OPERATION op, FMOD_BOOL inputs_idle) {
  return desc_->process(&state_, length, nullptr, out, inputs_idle, op);
}

FMOD_RESULT plugin_instance::query(query_result* result) {
  int channels = -1;
  FMOD_CHANNELMASK mask = 0xFFFFFFFFu;
  FMOD_DSP_BUFFER_ARRAY a{};
  a.numbuffers = 1;
  a.buffernumchannels = &channels;
  a.bufferchannelmask = &mask;
  a.buffers = nullptr;
  a.speakermode = -1;
  const FMOD_RESULT r = process(0, &a, FMOD_DSP_PROCESS_QUERY);
  if (result) *result = query_result{channels, a.speakermode, mask};
  return r;
}

FMOD_RESULT plugin_instance::perform(float* buffer, int channels, unsigned int length) {
  output_array out(buffer, channels);
  return process(length, out.get(), FMOD_DSP_PROCESS_PERFORM);
}

FMOD_RESULT plugin_instance::perform(guarded_buffer& buffer) {
  return perform(buffer.data(), buffer.channels(), buffer.frames());
}

FMOD_RESULT plugin_instance::run_block(unsigned int length, std::vector<float>* out,
                                       int* channels) {
  query_result q{};
  FMOD_RESULT r = query(&q);
  if (r != FMOD_OK) return r;
  if (q.channels <= 0) return FMOD_ERR_INVALID_PARAM;
  std::vector<float> block(static_cast<std::size_t>(length) * q.channels, 0.0f);
  r = perform(block.data(), q.channels, length);
  if (out) *out = std::move(block);
  if (channels) *channels = q.channels;
  return r;
}

FMOD_RESULT plugin_instance::set_float(int index, float value) {
  return desc_->setparameterfloat(&state_, index, value);
}

FMOD_RESULT plugin_instance::get_float(int index, float* value) {
  char text[FMOD_DSP_GETPARAM_VALUESTR_LENGTH] = {};
  return desc_->getparameterfloat(&state_, index, value, text);
}

FMOD_RESULT plugin_instance::set_int(int index, int value) {
  return desc_->setparameterint(&state_, index, value);
}

FMOD_RESULT plugin_instance::get_int(int index, int* value) {
  char text[FMOD_DSP_GETPARAM_VALUESTR_LENGTH] = {};
  return desc_->getparameterint(&state_, index, value, text);
}

}  // namespace fmod_host
