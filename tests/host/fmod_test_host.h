#pragma once
// A small stand-in for the FMOD Studio host, for tests and tools that drive a
// DSP plug-in library the way the host does: load it, read its description,
// create instances, query and perform process calls, set and get parameters,
// reset and release. It provides its own allocator service (every call
// recorded, failures on request) and a sample-rate service per instance.
//
// Only our own declarations of the plug-in interface are used
// (fmod_studio/fmod_plugin_abi.h).

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "fmod_studio/fmod_plugin_abi.h"
#include "tests/host/library_loader.h"

namespace fmod_host {

// A plug-in library loaded as the host loads it (library_loader.h: dlopen
// on Linux, LoadLibrary on Windows), its symbols private to it.
class plugin_library {
 public:
  explicit plugin_library(const std::string& path);
  plugin_library(const plugin_library&) = delete;
  plugin_library& operator=(const plugin_library&) = delete;

  // False when loading failed or the entry point is missing; error() says why.
  bool loaded() const { return lib_.loaded() && entry_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }

  // Calls FMODGetDSPDescription; null if the library is not loaded.
  FMOD_DSP_DESCRIPTION* description() const;

  // Any symbol the library exports, or null.
  void* symbol(const char* name) const { return lib_.symbol(name); }
  template <class F>
  F function(const char* name) const {
    return reinterpret_cast<F>(symbol(name));
  }

  // Counts the library's calls of the system allocator from now on
  // (watched_allocation_counts); the number of imports redirected, or -1.
  int watch_allocations() { return lib_.watch_allocations(); }

 private:
  std::string path_;
  shared_library lib_;
  std::string error_;
  FMOD_GET_DSP_DESCRIPTION_FUNC entry_ = nullptr;
};

// One call the plug-in made on the allocator service.
struct memory_call {
  enum kind_t { ALLOC, REALLOC, FREE } kind;
  unsigned int size;  // requested size (alloc, realloc); 0 for free
  FMOD_MEMORY_TYPE type;
  bool source_null;    // the source string pointer was null
  std::string source;  // the source string, if any
  void* address;       // returned (null when the allocation failed) or freed
};

// The host's alloc, realloc and free services. Those callbacks carry no
// context, so one recorder serves the whole process; it is thread-safe.
// Allocations are real memory filled with 0xA5 (nothing may rely on zeroed
// memory), start at a configurable offset from a 64-byte boundary and sit
// between guard zones of 64 bytes or more, checked when the block is freed
// and on request.
class memory_service {
 public:
  static memory_service& get();

  // Forgets the recorded calls, the bad-free and guard counts and any
  // pending failures, and restores the default offset; blocks still
  // allocated stay tracked.
  void reset_log();
  // The next n allocations (alloc or realloc) return null; each is still
  // recorded.
  void fail_next(int n);
  // Returned addresses lie `offset` bytes past a 64-byte boundary (default
  // 16, like a typical malloc: not 64-byte aligned). 0..63.
  void set_offset(unsigned offset);

  std::vector<memory_call> calls() const;
  std::vector<memory_call> allocs() const;  // alloc calls only
  std::vector<memory_call> frees() const;   // free calls only
  std::size_t live_blocks() const;          // allocated and not yet freed
  // Frees of an address the service did not hand out or already took back.
  std::size_t bad_frees() const;
  // Blocks found with a guard zone overwritten (at free, realloc or
  // check_guards), counted once per block.
  std::size_t guard_violations() const;
  // Checks the guard zones of every live block now; true if all are intact.
  bool check_guards();
  // Whether p was returned by alloc and not freed yet; its requested size.
  bool is_live(const void* p, unsigned int* size = nullptr) const;

  static void* F_CALL alloc(unsigned int size, FMOD_MEMORY_TYPE type, const char* source);
  static void* F_CALL realloc(void* ptr, unsigned int size, FMOD_MEMORY_TYPE type,
                              const char* source);
  static void F_CALL free(void* ptr, FMOD_MEMORY_TYPE type, const char* source);

 private:
  struct block {
    void* base;  // what the system allocator returned
    unsigned int size;
    std::size_t front;  // guard bytes from base up to the block
    bool violated;      // a guard was found overwritten
  };
  static constexpr unsigned char GUARD_BYTE = 0xE7;
  static constexpr std::size_t GUARD_BYTES = 64;
  bool guards_ok(const void* p, const block& b) const;
  void check_block(const void* p, block& b);  // with mu_ held
  memory_service() = default;
  void* take(unsigned int size);  // with mu_ held
  void record(memory_call::kind_t kind, unsigned int size, FMOD_MEMORY_TYPE type,
              const char* source, void* address);  // with mu_ held

  mutable std::mutex mu_;
  std::vector<memory_call> calls_;
  std::unordered_map<const void*, block> live_;
  std::size_t bad_frees_ = 0;
  std::size_t guard_violations_ = 0;
  int fail_count_ = 0;
  unsigned offset_ = 16;
};

// The format a query reported.
struct query_result {
  int channels;                  // buffernumchannels[0]
  FMOD_SPEAKERMODE speakermode;  // speakermode
  FMOD_CHANNELMASK mask;         // bufferchannelmask[0]
};

// An interleaved output buffer of frames x channels floats with guard zones
// on both sides; everything starts as the canary value, so both overruns
// and untouched samples can be seen.
class guarded_buffer {
 public:
  static constexpr std::size_t GUARD = 1024;            // floats on each side
  static constexpr uint32_t CANARY_BITS = 0x7FC0DEADu;  // a quiet NaN with a payload

  guarded_buffer(unsigned int frames, int channels);

  float* data() { return storage_.data() + GUARD; }
  const float* data() const { return storage_.data() + GUARD; }
  unsigned int frames() const { return frames_; }
  int channels() const { return channels_; }
  std::size_t size() const { return static_cast<std::size_t>(frames_) * channels_; }

  // Both guard zones still hold only canaries.
  bool guards_intact() const;
  // Number of samples of the buffer itself still holding the canary.
  std::size_t untouched_samples() const;
  // Refills the buffer (not the guards) with canaries.
  void refill();
  std::vector<float> samples() const;

 private:
  unsigned int frames_;
  int channels_;
  std::vector<float> storage_;
};

// One output buffer array with one buffer, as the host hands it to process.
struct output_array {
  int numchannels = 0;
  FMOD_CHANNELMASK mask = 0;
  float* buffer = nullptr;
  FMOD_DSP_BUFFER_ARRAY array{};

  output_array(float* buffer, int channels);
  output_array(const output_array&) = delete;
  output_array& operator=(const output_array&) = delete;
  FMOD_DSP_BUFFER_ARRAY* get() { return &array; }
};

// One plug-in instance with its FMOD_DSP_STATE and its sample-rate service.
// The state's instance field points back at this object, which is why it is
// neither copied nor moved.
class plugin_instance {
 public:
  explicit plugin_instance(const FMOD_DSP_DESCRIPTION* description);
  // Releases the instance if create stored memory in plugindata and release
  // was not called.
  ~plugin_instance();
  plugin_instance(const plugin_instance&) = delete;
  plugin_instance& operator=(const plugin_instance&) = delete;

  const FMOD_DSP_DESCRIPTION& description() const { return *desc_; }
  FMOD_DSP_STATE& state() { return state_; }
  void* plugindata() const { return state_.plugindata; }

  // Sample-rate service: the rate it reports (48000 by default), or, when
  // told to write nothing, it returns FMOD_OK and leaves the output alone.
  void set_rate(int rate) { rate_ = rate; }
  void set_rate_writes_nothing(bool on) { rate_writes_nothing_ = on; }
  int rate_calls() const { return rate_calls_; }

  FMOD_RESULT create();
  FMOD_RESULT release();
  FMOD_RESULT reset();

  // The process callback exactly as given.
  FMOD_RESULT process(unsigned int length, FMOD_DSP_BUFFER_ARRAY* out,
                      FMOD_DSP_PROCESS_OPERATION op, FMOD_BOOL inputs_idle = 0);
  // A query into a fresh array whose fields are pre-set to -1, so that
  // unwritten fields show.
  FMOD_RESULT query(query_result* result);
  // A perform into one buffer of the given channel count (interleaved,
  // length x channels floats).
  FMOD_RESULT perform(float* buffer, int channels, unsigned int length);
  FMOD_RESULT perform(guarded_buffer& buffer);
  // What the host does for each block: a query, then a perform into a buffer
  // of the queried channel count. out receives the block.
  FMOD_RESULT run_block(unsigned int length, std::vector<float>* out, int* channels = nullptr);

  FMOD_RESULT set_float(int index, float value);
  FMOD_RESULT get_float(int index, float* value);
  FMOD_RESULT set_int(int index, int value);
  FMOD_RESULT get_int(int index, int* value);

 private:
  static FMOD_RESULT F_CALL getsamplerate(FMOD_DSP_STATE* state, int* rate);

  const FMOD_DSP_DESCRIPTION* desc_;
  FMOD_DSP_STATE_FUNCTIONS functions_{};
  FMOD_DSP_STATE state_{};
  int rate_ = 48000;
  bool rate_writes_nothing_ = false;
  int rate_calls_ = 0;
  bool owns_memory_ = false;  // create changed plugindata
  bool released_ = false;
};

}  // namespace fmod_host
