// A stress host for the two built plug-in libraries. For each plug-in, each
// "Format" and a range of sample rates it runs sessions of random host block
// lengths (a query, then a perform into a buffer of the queried channel
// count) while a second thread hammers the parameter callbacks with valid,
// invalid and hostile values. Between blocks the audio thread also resets and
// re-creates the instance (the writer paused meanwhile), silences every level
// for a while so tails decay, and brings the levels back.
//
// Each block must come back with FMOD_OK, fill exactly its buffer (guard zones
// around it stay intact) with finite samples in [-1, 1]; no callback on the
// audio path or parameter path may allocate or free; no block may take far
// longer per frame than a plain render at default settings (a denormal stall
// would). The allocation count comes from malloc and operator new replaced in
// this executable (or the sanitizer's allocator hooks in sanitizer builds).
// That replacement is glibc's, so the harness is Linux only; on Windows the
// plug-in suite checks the audio path through the test host's own allocator
// watch instead (tests/fmod/test_allocations.cpp).
//
// Usage: plugin_stress [--seconds-per-session S] [--seed N]
//                      [--plugin wind|rain|both] [--quick] [--help] ...

#include <errno.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

#include "tests/host/fmod_test_host.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer) || __has_feature(hwaddress_sanitizer)
#define STRESS_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define STRESS_SANITIZED 1
#endif

// ---------------------------------------------------------------------------
// Allocation watch. A thread sets `inside` to the callback it is in; every
// malloc-family call or free made meanwhile on that thread is counted.

namespace alloc_watch {

enum where : int {
  NONE = 0,
  PROCESS_QUERY,
  PROCESS_PERFORM,
  RESET,
  SET_FLOAT,
  SET_INT,
  GET_FLOAT,
  GET_INT,
  SELF_CHECK,
};

inline const char* where_name(int w) {
  switch (w) {
    case PROCESS_QUERY: return "process (query)";
    case PROCESS_PERFORM: return "process (perform)";
    case RESET: return "reset";
    case SET_FLOAT: return "setparameterfloat";
    case SET_INT: return "setparameterint";
    case GET_FLOAT: return "getparameterfloat";
    case GET_INT: return "getparameterint";
    case SELF_CHECK: return "self-check";
    default: return "none";
  }
}

// Constant-initialised and in the executable, so reading it from inside
// malloc needs no allocation of its own.
constinit thread_local int inside = NONE;
std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> frees{0};
std::atomic<int> first_where{NONE};
std::atomic<uint64_t> first_size{0};

inline void on_alloc(std::size_t size) {
  const int w = inside;
  if (w == NONE) return;
  if (allocations.fetch_add(1, std::memory_order_relaxed) == 0 &&
      frees.load(std::memory_order_relaxed) == 0) {
    first_where.store(w, std::memory_order_relaxed);
    first_size.store(size, std::memory_order_relaxed);
  }
}
inline void on_free() {
  const int w = inside;
  if (w == NONE) return;
  if (frees.fetch_add(1, std::memory_order_relaxed) == 0 &&
      allocations.load(std::memory_order_relaxed) == 0)
    first_where.store(w, std::memory_order_relaxed);
}
inline uint64_t total() {
  return allocations.load(std::memory_order_relaxed) + frees.load(std::memory_order_relaxed);
}

// Forgets what was counted (no other thread may be in a marked scope).
inline void reset() {
  allocations.store(0, std::memory_order_relaxed);
  frees.store(0, std::memory_order_relaxed);
  first_where.store(NONE, std::memory_order_relaxed);
  first_size.store(0, std::memory_order_relaxed);
}

// Marks the current thread as inside a callback for the scope's lifetime.
struct scope {
  int saved;
  explicit scope(int w) : saved(inside) { inside = w; }
  ~scope() { inside = saved; }
};

}  // namespace alloc_watch

#if defined(STRESS_SANITIZED)
// The sanitizer owns malloc; it reports every allocation and free to hooks.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             std::size_t),
                                                         void (*free_hook)(const volatile void*));
namespace {
void sanitizer_malloc_hook(const volatile void*, std::size_t size) { alloc_watch::on_alloc(size); }
void sanitizer_free_hook(const volatile void* p) {
  if (p) alloc_watch::on_free();
}
bool install_alloc_watch() {
  return __sanitizer_install_malloc_and_free_hooks(sanitizer_malloc_hook, sanitizer_free_hook) != 0;
}
}  // namespace
#else
// The C allocator, replaced for the whole process (the plug-in libraries
// resolve malloc to these), forwarding to glibc's own entry points.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* __libc_memalign(std::size_t, std::size_t);
void* __libc_valloc(std::size_t);
void* __libc_pvalloc(std::size_t);

__attribute__((visibility("default"))) void* malloc(std::size_t size) {
  alloc_watch::on_alloc(size);
  return __libc_malloc(size);
}
__attribute__((visibility("default"))) void free(void* p) {
  if (p) alloc_watch::on_free();
  __libc_free(p);
}
__attribute__((visibility("default"))) void* calloc(std::size_t n, std::size_t size) {
  alloc_watch::on_alloc(n * size);
  return __libc_calloc(n, size);
}
__attribute__((visibility("default"))) void* realloc(void* p, std::size_t size) {
  alloc_watch::on_alloc(size);
  return __libc_realloc(p, size);
}
__attribute__((visibility("default"))) void* reallocarray(void* p, std::size_t n,
                                                          std::size_t size) {
  std::size_t bytes;
  if (__builtin_mul_overflow(n, size, &bytes)) {
    errno = ENOMEM;
    return nullptr;
  }
  return realloc(p, bytes);
}
__attribute__((visibility("default"))) void* memalign(std::size_t alignment, std::size_t size) {
  alloc_watch::on_alloc(size);
  return __libc_memalign(alignment, size);
}
__attribute__((visibility("default"))) void* aligned_alloc(std::size_t alignment,
                                                           std::size_t size) {
  alloc_watch::on_alloc(size);
  return __libc_memalign(alignment, size);
}
__attribute__((visibility("default"))) int posix_memalign(void** out, std::size_t alignment,
                                                          std::size_t size) {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  alloc_watch::on_alloc(size);
  void* p = __libc_memalign(alignment, size);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}
__attribute__((visibility("default"))) void* valloc(std::size_t size) {
  alloc_watch::on_alloc(size);
  return __libc_valloc(size);
}
__attribute__((visibility("default"))) void* pvalloc(std::size_t size) {
  alloc_watch::on_alloc(size);
  return __libc_pvalloc(size);
}
}  // extern "C"

// operator new and delete on top of the replaced malloc and free.
namespace {
void* new_or_throw(std::size_t size) {
  if (void* p = malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* aligned_new_or_throw(std::size_t size, std::align_val_t al) {
  std::size_t a = static_cast<std::size_t>(al);
  if (a < sizeof(void*)) a = sizeof(void*);
  void* p = nullptr;
  if (posix_memalign(&p, a, size ? size : 1) != 0) throw std::bad_alloc();
  return p;
}
bool install_alloc_watch() { return true; }
}  // namespace

void* operator new(std::size_t n) { return new_or_throw(n); }
void* operator new[](std::size_t n) { return new_or_throw(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return malloc(n ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return malloc(n ? n : 1); }
void* operator new(std::size_t n, std::align_val_t a) { return aligned_new_or_throw(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return aligned_new_or_throw(n, a); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  try {
    return aligned_new_or_throw(n, a);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  try {
    return aligned_new_or_throw(n, a);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, std::size_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
#endif

namespace {

using fmod_host::plugin_instance;

// ---------------------------------------------------------------------------
// Reproducible randomness: splitmix64 seeding a xorshift-multiply generator.

uint64_t splitmix(uint64_t& s) {
  uint64_t z = (s += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

struct rng {
  uint64_t s[2];
  explicit rng(uint64_t seed) {
    s[0] = splitmix(seed);
    s[1] = splitmix(seed) | 1u;
  }
  uint64_t next() {  // xorshift128+
    uint64_t a = s[0];
    const uint64_t b = s[1];
    s[0] = b;
    a ^= a << 23;
    s[1] = a ^ b ^ (a >> 17) ^ (b >> 26);
    return s[1] + b;
  }
  // 0..n-1
  uint32_t below(uint32_t n) {
    return static_cast<uint32_t>(((next() >> 32) * static_cast<uint64_t>(n)) >> 32);
  }
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  bool chance(double p) { return unit() < p; }
  double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
};

uint64_t mix_seed(uint64_t a, uint64_t b) {
  uint64_t s = a ^ (b * 0x9E3779B97F4A7C15ull);
  return splitmix(s);
}

// ---------------------------------------------------------------------------
// Options.

struct options {
  double seconds = 10.0;  // audio seconds per session
  bool seconds_given = false;
  uint64_t seed = 1;
  bool wind = true, rain = true;
  bool quick = false;
  bool sequential = false;    // parameter writes on the audio thread, reproducible
  bool timing = true;         // the slow-block check
  double slow_factor = 20.0;  // slowest block per frame vs a plain render
  unsigned min_timed_frames = 64;
  std::vector<int> rates{8000, 22050, 44100, 48000, 96000, 192000};
  std::vector<int> formats{0, 1, 2, 3, -1};  // -1: "Format" switched by the writer
  std::string wind_path = VANTORA_PLUGIN_PATH;
  std::string rain_path = PLUVESSA_PLUGIN_PATH;
  std::string inject;  // a deliberate fault, to show the checks fire
  bool verbose = false;
};

void usage() {
  std::printf(
      "usage: plugin_stress [options]\n"
      "  --seconds-per-session S  audio seconds per session (default 10; --quick: 3)\n"
      "  --seed N                 random seed (default 1)\n"
      "  --plugin wind|rain|both  which plug-in (default both)\n"
      "  --quick                  short sessions, for the test suite\n"
      "  --rate HZ                one sample rate instead of 8000..192000\n"
      "  --format 0|1|2|3|switch  one \"Format\" instead of all (switch: the writer changes it)\n"
      "  --sequential             parameter writes between blocks on the audio thread\n"
      "                           (no second thread; the run is reproducible from the seed)\n"
      "  --slow-factor X          slowest block allowed, as a multiple of a plain render's\n"
      "                           cost at default settings (default 20; plus 300 us a block)\n"
      "  --min-timed-frames N     shorter blocks are not timed (default 64)\n"
      "  --no-timing              skip the slow-block check\n"
      "  --wind-library PATH, --rain-library PATH   other builds of the plug-ins\n"
      "  --inject alloc|nan|denormal|stall\n"
      "                           a deliberate fault, to see the checks report it\n"
      "  --verbose                one line per session\n");
}

bool parse_options(int argc, char** argv, options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "plugin_stress: %s needs a value\n", what);
        return nullptr;
      }
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      usage();
      std::exit(0);
    } else if (a == "--seconds-per-session") {
      const char* v = value("--seconds-per-session");
      if (!v) return false;
      o.seconds = std::atof(v);
      o.seconds_given = true;
      if (!(o.seconds > 0.0 && o.seconds <= 86400.0)) {
        std::fprintf(stderr, "plugin_stress: bad --seconds-per-session\n");
        return false;
      }
    } else if (a == "--seed") {
      const char* v = value("--seed");
      if (!v) return false;
      o.seed = std::strtoull(v, nullptr, 0);
    } else if (a == "--plugin") {
      const char* v = value("--plugin");
      if (!v) return false;
      const std::string p = v;
      if (p == "wind") {
        o.wind = true;
        o.rain = false;
      } else if (p == "rain") {
        o.wind = false;
        o.rain = true;
      } else if (p == "both") {
        o.wind = o.rain = true;
      } else {
        std::fprintf(stderr, "plugin_stress: --plugin takes wind, rain or both\n");
        return false;
      }
    } else if (a == "--quick") {
      o.quick = true;
    } else if (a == "--rate") {
      const char* v = value("--rate");
      if (!v) return false;
      const int r = std::atoi(v);
      if (r < 1000 || r > 768000) {
        std::fprintf(stderr, "plugin_stress: bad --rate\n");
        return false;
      }
      o.rates = {r};
    } else if (a == "--format") {
      const char* v = value("--format");
      if (!v) return false;
      const std::string f = v;
      if (f == "switch")
        o.formats = {-1};
      else if (f.size() == 1 && f[0] >= '0' && f[0] <= '3')
        o.formats = {f[0] - '0'};
      else {
        std::fprintf(stderr, "plugin_stress: --format takes 0..3 or switch\n");
        return false;
      }
    } else if (a == "--sequential") {
      o.sequential = true;
    } else if (a == "--slow-factor") {
      const char* v = value("--slow-factor");
      if (!v) return false;
      o.slow_factor = std::atof(v);
      if (!(o.slow_factor > 1.0)) {
        std::fprintf(stderr, "plugin_stress: bad --slow-factor\n");
        return false;
      }
    } else if (a == "--min-timed-frames") {
      const char* v = value("--min-timed-frames");
      if (!v) return false;
      o.min_timed_frames = static_cast<unsigned>(std::atoi(v));
    } else if (a == "--no-timing") {
      o.timing = false;
    } else if (a == "--wind-library") {
      const char* v = value("--wind-library");
      if (!v) return false;
      o.wind_path = v;
    } else if (a == "--rain-library") {
      const char* v = value("--rain-library");
      if (!v) return false;
      o.rain_path = v;
    } else if (a == "--inject") {
      const char* v = value("--inject");
      if (!v) return false;
      o.inject = v;
      if (o.inject != "alloc" && o.inject != "nan" && o.inject != "denormal" &&
          o.inject != "stall") {
        std::fprintf(stderr, "plugin_stress: --inject takes alloc, nan, denormal or stall\n");
        return false;
      }
    } else if (a == "--verbose") {
      o.verbose = true;
    } else {
      std::fprintf(stderr, "plugin_stress: unknown option %s (see --help)\n", a.c_str());
      return false;
    }
  }
  if (o.quick && !o.seconds_given) o.seconds = 3.0;
  return true;
}

// ---------------------------------------------------------------------------
// What the harness knows of a plug-in, read from its description.

struct param_row {
  bool is_float;
  std::string name, label;
  float min, max, def;   // float rows
  int imin, imax, idef;  // int rows
};

struct plugin_info {
  const char* name;  // "wind" or "rain"
  uint64_t id;
  const FMOD_DSP_DESCRIPTION* desc;
  std::vector<param_row> rows;
  std::vector<int> float_rows, int_rows;
  int format_index = -1;
  std::vector<int> level_rows;       // levels: -80 dB while silent
  std::vector<int> amount_rows;      // amounts in %: 0 while silent
  std::vector<bool> is_silence_row;  // either of the above
};

const char* const SILENT_AMOUNTS[] = {"GlobalSpeed",   "GlobalStrength", "GlobalMax",
                                      "GlobalMin",     "GustsMax",       "GustsMin",
                                      "SquallsAmp",    "SquallsFloor",   "WhistlingFloor",
                                      "RumbleDensity", "Liquid1Density", "Liquid2Density"};

bool read_info(const char* name, uint64_t id, const FMOD_DSP_DESCRIPTION* d, plugin_info& info,
               std::string& err) {
  info.name = name;
  info.id = id;
  info.desc = d;
  if (!d->create || !d->release || !d->reset || !d->process || !d->setparameterfloat ||
      !d->setparameterint || !d->getparameterfloat || !d->getparameterint || !d->paramdesc ||
      d->numparameters <= 0) {
    err = "the description lacks a callback or its parameter table";
    return false;
  }
  for (int i = 0; i < d->numparameters; ++i) {
    const FMOD_DSP_PARAMETER_DESC* p = d->paramdesc[i];
    if (!p) {
      err = "a null parameter record";
      return false;
    }
    param_row r{};
    r.name.assign(p->name, strnlen(p->name, sizeof p->name));
    r.label.assign(p->label, strnlen(p->label, sizeof p->label));
    if (p->type == FMOD_DSP_PARAMETER_TYPE_FLOAT) {
      r.is_float = true;
      r.min = p->floatdesc.min;
      r.max = p->floatdesc.max;
      r.def = p->floatdesc.defaultval;
      info.float_rows.push_back(i);
    } else if (p->type == FMOD_DSP_PARAMETER_TYPE_INT) {
      r.is_float = false;
      r.imin = p->intdesc.min;
      r.imax = p->intdesc.max;
      r.idef = p->intdesc.defaultval;
      info.int_rows.push_back(i);
      if (r.name == "Format") info.format_index = i;
    } else {
      err = "a parameter of a kind other than float or int";
      return false;
    }
    info.rows.push_back(r);
  }
  if (info.format_index < 0) {
    err = "no \"Format\" parameter";
    return false;
  }
  info.is_silence_row.assign(info.rows.size(), false);
  for (int i : info.float_rows) {
    const param_row& r = info.rows[i];
    // Every level but the master gain, which stays up so the sources' tails
    // are heard.
    if (r.label == "dB" && i != 0) info.level_rows.push_back(i);
    for (const char* a : SILENT_AMOUNTS)
      if (r.name == a && r.label == "%") info.amount_rows.push_back(i);
  }
  for (int i : info.level_rows) info.is_silence_row[i] = true;
  for (int i : info.amount_rows) info.is_silence_row[i] = true;
  if (info.level_rows.empty()) {
    err = "no level parameters";
    return false;
  }
  return true;
}

int channels_of_format(int f) {
  static constexpr int counts[4] = {1, 2, 4, 6};
  return f >= 0 && f < 4 ? counts[f] : 2;
}

// ---------------------------------------------------------------------------
// Parameter writes: random callbacks, indices and values, each with the
// result the callback must return.

enum class write_mode {
  chaos,         // anything, valid or not
  quiet,         // anything but the silenced levels and amounts
  invalid_only,  // only calls that must be refused or ignored
};

enum call_kind : uint8_t { CALL_SET_FLOAT = 1, CALL_SET_INT, CALL_GET_FLOAT, CALL_GET_INT };

struct call_record {
  uint64_t block;  // audio block counter when the call was made
  call_kind call;
  int index;
  uint32_t bits;  // the float's bits or the int
  FMOD_RESULT result;
};

// The host thread's floating-point mode as a host that sets nothing leaves
// it: denormals neither flushed nor read as zero. The plug-in must cope.
void clear_denormal_mode() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_setcsr(_mm_getcsr() & ~0x8040u);
#endif
}

// One logged call as text. The plug-in leaves denormals read as zero on the
// threads it runs on, which would print 1e-40 as 0: the mode is cleared first.
std::string describe_call(const plugin_info& P, const call_record& c) {
  clear_denormal_mode();
  char buf[200];
  const char* kind = c.call == CALL_SET_FLOAT   ? "setparameterfloat"
                     : c.call == CALL_SET_INT   ? "setparameterint"
                     : c.call == CALL_GET_FLOAT ? "getparameterfloat"
                                                : "getparameterint";
  const std::string pname = c.index >= 0 && c.index < static_cast<int>(P.rows.size())
                                ? "\"" + P.rows[c.index].name + "\""
                                : std::string("(no such index)");
  if (c.call == CALL_SET_FLOAT) {
    float v;
    std::memcpy(&v, &c.bits, 4);
    std::snprintf(buf, sizeof buf, "before block %llu: %s(%d %s, %.9g [0x%08X]) -> %d",
                  static_cast<unsigned long long>(c.block), kind, c.index, pname.c_str(),
                  static_cast<double>(v), c.bits, c.result);
  } else if (c.call == CALL_SET_INT) {
    std::snprintf(buf, sizeof buf, "before block %llu: %s(%d %s, %d) -> %d",
                  static_cast<unsigned long long>(c.block), kind, c.index, pname.c_str(),
                  static_cast<int>(c.bits), c.result);
  } else {
    std::snprintf(buf, sizeof buf, "before block %llu: %s(%d %s) -> %d",
                  static_cast<unsigned long long>(c.block), kind, c.index, pname.c_str(), c.result);
  }
  return buf;
}

float pick_float(rng& r, const param_row& row) {
  static const float specials[] = {NAN,      -NAN,   INFINITY, -INFINITY, 1e30f, -1e30f,  FLT_MAX,
                                   -FLT_MAX, 1e-40f, -1e-40f,  0.0f,      -0.0f, FLT_MIN, 1e-45f,
                                   1e10f,    -1e10f, 1e5f,     -1e5f,     -1.0f, 1e-7f};
  const float lo = row.is_float ? row.min : static_cast<float>(row.imin);
  const float hi = row.is_float ? row.max : static_cast<float>(row.imax);
  const float span = hi - lo;
  const uint32_t k = r.below(100);
  if (k < 40) return static_cast<float>(r.range(lo, hi));
  if (k < 50) {
    const float edge[3] = {lo, hi, row.is_float ? row.def : lo};
    return edge[r.below(3)];
  }
  if (k < 65) {
    const double out = span * r.range(0.0, 10.0) + 1e-3;
    return static_cast<float>(r.chance(0.5) ? lo - out : hi + out);
  }
  return specials[r.below(sizeof specials / sizeof specials[0])];
}

int pick_int(rng& r, const param_row* row) {
  static const int specials[] = {INT_MIN, INT_MAX, -1, -2, 4, 7, 27, 28, 100, 1 << 20, -(1 << 20)};
  const uint32_t k = r.below(100);
  if (row && k < 55) return row->imin + static_cast<int>(r.below(row->imax - row->imin + 1));
  if (row && k < 75) return r.chance(0.5) ? row->imin - 1 : row->imax + 1;
  return specials[r.below(sizeof specials / sizeof specials[0])];
}

// The random caller. Not thread-safe: one thread at a time drives it (the
// writer thread under its lock, or the audio thread in sequential mode).
class param_caller {
 public:
  param_caller(const plugin_info& P, uint64_t seed, bool format_switching)
      : P_(P), r_(seed), format_switching_(format_switching) {}

  static constexpr std::size_t LOG = 64;

  // One random call on inst. False when it returned the wrong result; the
  // first such call is kept in failure().
  bool one(plugin_instance& inst, write_mode mode, uint64_t block) {
    call_record c{};
    c.block = block;
    FMOD_RESULT expect = FMOD_OK;
    const int n = static_cast<int>(P_.rows.size());
    const uint32_t what = r_.below(100);
    const bool invalid = mode == write_mode::invalid_only || what < 12;
    if (invalid) {
      // An index outside the table, or a row of the other kind.
      static const int far[] = {-1, INT_MIN, INT_MAX, 0, 0, 1000};
      int index;
      const uint32_t k = r_.below(8);
      bool as_float;
      if (k < 3) {
        index = far[r_.below(6)];
        if (index == 0) index = n + static_cast<int>(r_.below(3));
        as_float = r_.chance(0.5);
        expect = FMOD_ERR_INVALID_PARAM;
      } else if (k < 5) {
        index = P_.int_rows[r_.below(static_cast<uint32_t>(P_.int_rows.size()))];
        as_float = true;
        expect = FMOD_ERR_INVALID_PARAM;
      } else if (k < 7) {
        index = P_.float_rows[r_.below(static_cast<uint32_t>(P_.float_rows.size()))];
        as_float = false;
        expect = FMOD_ERR_INVALID_PARAM;
      } else {
        // "Format" out of 0..3: ignored, FMOD_OK.
        index = P_.format_index;
        as_float = false;
        c.call = CALL_SET_INT;
        c.index = index;
        int v;
        do v = pick_int(r_, nullptr);
        while (v >= 0 && v <= 3);
        c.bits = static_cast<uint32_t>(v);
        c.result = call_set_int(inst, index, v);
        return finish(c, FMOD_OK);
      }
      c.index = index;
      const bool get = r_.chance(0.25);
      if (as_float) {
        if (get) {
          c.call = CALL_GET_FLOAT;
          float v = -1.0f;
          c.result = call_get_float(inst, index, &v);
        } else {
          c.call = CALL_SET_FLOAT;
          const float v = pick_float(r_, P_.rows[0]);
          std::memcpy(&c.bits, &v, 4);
          c.result = call_set_float(inst, index, v);
        }
      } else {
        if (get) {
          c.call = CALL_GET_INT;
          int v = -1;
          c.result = call_get_int(inst, index, &v);
        } else {
          c.call = CALL_SET_INT;
          const int v = pick_int(r_, nullptr);
          c.bits = static_cast<uint32_t>(v);
          c.result = call_set_int(inst, index, v);
        }
      }
      return finish(c, expect);
    }

    // A valid row of its own kind.
    int index;
    for (;;) {
      if (r_.below(100) < 85)
        index = P_.float_rows[r_.below(static_cast<uint32_t>(P_.float_rows.size()))];
      else
        index = P_.int_rows[r_.below(static_cast<uint32_t>(P_.int_rows.size()))];
      // Quiet: the silenced rows and the master gain stay as they were set.
      if (mode == write_mode::quiet && (P_.is_silence_row[index] || index == 0)) continue;
      break;
    }
    c.index = index;
    const param_row& row = P_.rows[index];
    const bool get = r_.below(100) < 8;
    if (row.is_float) {
      if (get) {
        c.call = CALL_GET_FLOAT;
        float v = 0.0f;
        c.result = call_get_float(inst, index, &v);
      } else {
        c.call = CALL_SET_FLOAT;
        const float v = pick_float(r_, row);
        std::memcpy(&c.bits, &v, 4);
        c.result = call_set_float(inst, index, v);
      }
    } else {
      if (get) {
        c.call = CALL_GET_INT;
        int v = 0;
        c.result = call_get_int(inst, index, &v);
      } else {
        c.call = CALL_SET_INT;
        int v = pick_int(r_, &row);
        // A fixed "Format" session keeps its channel count: only values the
        // plug-in must ignore.
        if (index == P_.format_index && !format_switching_)
          while (v >= 0 && v <= 3) v = pick_int(r_, nullptr);
        c.bits = static_cast<uint32_t>(v);
        c.result = call_set_int(inst, index, v);
      }
    }
    return finish(c, FMOD_OK);
  }

  uint64_t calls() const { return calls_; }
  const std::string& failure() const { return failure_; }
  // The last calls, oldest first.
  std::vector<call_record> recent(std::size_t max) const {
    std::vector<call_record> out;
    const std::size_t n = std::min<std::size_t>({max, LOG, static_cast<std::size_t>(calls_)});
    for (std::size_t i = 0; i < n; ++i) out.push_back(log_[(calls_ - n + i) % LOG]);
    return out;
  }

 private:
  static FMOD_RESULT call_set_float(plugin_instance& inst, int index, float v) {
    alloc_watch::scope s(alloc_watch::SET_FLOAT);
    return inst.set_float(index, v);
  }
  static FMOD_RESULT call_set_int(plugin_instance& inst, int index, int v) {
    alloc_watch::scope s(alloc_watch::SET_INT);
    return inst.set_int(index, v);
  }
  static FMOD_RESULT call_get_float(plugin_instance& inst, int index, float* v) {
    alloc_watch::scope s(alloc_watch::GET_FLOAT);
    return inst.get_float(index, v);
  }
  static FMOD_RESULT call_get_int(plugin_instance& inst, int index, int* v) {
    alloc_watch::scope s(alloc_watch::GET_INT);
    return inst.get_int(index, v);
  }

  bool finish(const call_record& c, FMOD_RESULT expect) {
    log_[calls_ % LOG] = c;
    ++calls_;
    if (c.result == expect) return true;
    if (failure_.empty())
      failure_ = describe_call(P_, c) + " (expected " + std::to_string(expect) + ")";
    return false;
  }

  const plugin_info& P_;
  rng r_;
  bool format_switching_;
  call_record log_[LOG]{};
  uint64_t calls_ = 0;
  std::string failure_;
};

// ---------------------------------------------------------------------------
// The writer thread. It calls parameter callbacks in batches, each batch under
// a mutex that the audio thread takes for create, release, reset and its own
// parameter writes; a pause request makes the writer step aside promptly.

class writer_thread {
 public:
  writer_thread(param_caller& caller, const std::atomic<uint64_t>& block, uint64_t seed)
      : caller_(caller), block_(block), pace_(seed) {
    th_ = std::thread([this] { run(); });
  }
  ~writer_thread() {
    stop_.store(true, std::memory_order_release);
    th_.join();
  }

  // Holds the writer off for its lifetime; inst and mode may change meanwhile.
  class pause {
   public:
    explicit pause(writer_thread& w) : w_(w) {
      w_.pause_request_.fetch_add(1, std::memory_order_acq_rel);
      lock_ = std::unique_lock<std::mutex>(w_.mu_);
    }
    ~pause() {
      lock_.unlock();
      w_.pause_request_.fetch_sub(1, std::memory_order_acq_rel);
    }
    void set(plugin_instance* inst, write_mode mode) {
      w_.inst_ = inst;
      w_.mode_ = mode;
    }

   private:
    writer_thread& w_;
    std::unique_lock<std::mutex> lock_;
  };

 private:
  void run() {
    while (!stop_.load(std::memory_order_acquire)) {
      if (pause_request_.load(std::memory_order_acquire) != 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        continue;
      }
      {
        std::lock_guard<std::mutex> lock(mu_);
        if (inst_ && caller_.failure().empty()) {
          const int n = 1 + static_cast<int>(pace_.below(12));
          for (int i = 0; i < n; ++i)
            caller_.one(*inst_, mode_, block_.load(std::memory_order_relaxed));
        }
      }
      // Bursts and lulls: sometimes back-to-back, sometimes a host-like pace.
      const uint32_t k = pace_.below(100);
      if (k < 60)
        std::this_thread::yield();
      else if (k < 90)
        std::this_thread::sleep_for(std::chrono::microseconds(20));
      else if (k < 99)
        std::this_thread::sleep_for(std::chrono::microseconds(300));
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  }

  param_caller& caller_;
  const std::atomic<uint64_t>& block_;
  rng pace_;  // only this thread uses it
  std::mutex mu_;
  std::atomic<int> pause_request_{0};
  std::atomic<bool> stop_{false};
  plugin_instance* inst_ = nullptr;      // guarded by mu_
  write_mode mode_ = write_mode::chaos;  // guarded by mu_
  std::thread th_;
};

// ---------------------------------------------------------------------------
// Crash context: what was running, printed if the process dies on a signal.

char g_context[512];
std::atomic<uint64_t> g_block{0};

#if !defined(STRESS_SANITIZED)

void write_all(const char* s, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(2, s, n);
    if (w <= 0) return;
    s += w;
    n -= static_cast<std::size_t>(w);
  }
}

void crash_handler(int sig) {
  char num[32];
  int k = 0;
  uint64_t b = g_block.load(std::memory_order_relaxed);
  char rev[24];
  int m = 0;
  do {
    rev[m++] = static_cast<char>('0' + b % 10);
    b /= 10;
  } while (b && m < 24);
  while (m) num[k++] = rev[--m];
  num[k] = 0;
  static const char head[] = "\nplugin_stress: FAIL: fatal signal during ";
  write_all(head, sizeof head - 1);
  write_all(g_context, strnlen(g_context, sizeof g_context));
  static const char mid[] = ", block ";
  write_all(mid, sizeof mid - 1);
  write_all(num, static_cast<std::size_t>(k));
  write_all("\n", 1);
  signal(sig, SIG_DFL);
  raise(sig);
}

void install_crash_handler() {
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, crash_handler);
}
#else
// The sanitizer reports fatal signals itself, with the same context printed
// by the failure messages.
void install_crash_handler() {}
#endif

// ---------------------------------------------------------------------------
// One session.

constexpr uint32_t CANARY = 0x7FC0DEADu;
constexpr std::size_t GUARD = 256;  // floats on each side of a block
constexpr unsigned MAX_BLOCK = 8192;

enum class phase_kind { chaos, reset, recreate, silence, recovery };

struct phase {
  phase_kind kind;
  double seconds;  // audio seconds rendered in the phase
};

const char* phase_name(phase_kind k) {
  switch (k) {
    case phase_kind::chaos: return "chaos";
    case phase_kind::reset: return "reset";
    case phase_kind::recreate: return "re-create";
    case phase_kind::silence: return "silence";
    case phase_kind::recovery: return "recovery";
  }
  return "?";
}

// Rounds of about ten seconds (or the whole session, if shorter): chaos, then
// a reset, a re-create and a silence followed by a recovery in a random
// order, each followed by more chaos. The chaos takes what the silence and
// recovery leave, split at random.
std::vector<phase> plan_phases(rng& r, double total) {
  const double silence = std::clamp(0.25 * total, 0.25, 3.0);
  const double recovery = std::clamp(0.15 * total, 0.3, 1.5);
  std::vector<phase> out;
  double t = 0.0;
  while (t < total) {
    const double round = std::min(std::max(10.0, silence + recovery + 2.0), total - t);
    const double chaos = std::max(0.2, round - silence - recovery);
    double w[4], sum = 0.0;
    for (double& x : w) sum += (x = r.range(0.25, 1.0));
    phase_kind events[3] = {phase_kind::reset, phase_kind::recreate, phase_kind::silence};
    for (uint32_t i = 2; i > 0; --i) std::swap(events[i], events[r.below(i + 1)]);
    out.push_back({phase_kind::chaos, chaos * w[0] / sum});
    for (int i = 0; i < 3; ++i) {
      if (events[i] == phase_kind::silence) {
        out.push_back({phase_kind::silence, silence});
        out.push_back({phase_kind::recovery, recovery});
      } else {
        out.push_back({events[i], 0.0});
      }
      out.push_back({phase_kind::chaos, chaos * w[i + 1] / sum});
    }
    t = 0.0;
    for (const phase& p : out) t += p.seconds;
  }
  return out;
}

// Host block lengths 1..8192: log-uniform (many short blocks), uniform, or
// the sizes hosts commonly use.
unsigned pick_block_length(rng& r) {
  static const unsigned common[] = {64, 128, 256, 441, 512, 1024, 2048, 4096, 8192};
  const uint32_t k = r.below(100);
  if (k < 35) {
    const unsigned n = static_cast<unsigned>(std::exp(r.unit() * std::log(8192.0)));
    return std::clamp(n, 1u, MAX_BLOCK);
  }
  if (k < 70) return 1u + r.below(MAX_BLOCK);
  return common[r.below(sizeof common / sizeof common[0])];
}

struct block_time {
  double ns_per_frame;
  unsigned frames;
  uint64_t block;
  phase_kind phase;
};

struct session_stats {
  uint64_t blocks = 0, frames = 0, calls = 0;
  int resets = 0, recreates = 0;
  double peak = 0.0;
  std::vector<block_time> times;
};

uint64_t thread_cpu_ns() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

class session {
 public:
  session(const plugin_info& P, int format, int rate, const options& o)
      : P_(P),
        format_(format),
        rate_(rate),
        o_(o),
        seed_(mix_seed(mix_seed(mix_seed(o.seed, P.id), static_cast<uint64_t>(format + 1)),
                       static_cast<uint64_t>(rate))),
        r_(seed_),
        caller_(P, mix_seed(seed_, 0xC0FFEEu), format < 0),
        buffer_(GUARD + static_cast<std::size_t>(MAX_BLOCK) * 6 + GUARD) {}

  std::string title() const {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s, Format %s, %d Hz", P_.name,
                  format_ < 0 ? "switching" : std::to_string(format_).c_str(), rate_);
    return buf;
  }
  std::string reproduce() const {
    char buf[320];
    std::snprintf(buf, sizeof buf,
                  "plugin_stress --plugin %s --format %s --rate %d --seed %llu "
                  "--seconds-per-session %g%s",
                  P_.name, format_ < 0 ? "switch" : std::to_string(format_).c_str(), rate_,
                  static_cast<unsigned long long>(o_.seed), o_.seconds,
                  o_.sequential ? " --sequential" : "");
    return buf;
  }

  // Runs the session; false (with failure()) on the first fault.
  bool run() {
    std::snprintf(g_context, sizeof g_context, "%s (reproduce: %s)", title().c_str(),
                  reproduce().c_str());
    fmod_host::memory_service::get().reset_log();
    alloc_watch::reset();
    g_block.store(0, std::memory_order_relaxed);  // block numbers count from the session's start
    std::vector<phase> phases = plan_phases(r_, o_.seconds);
    if (o_.timing && !calibrate()) return finish();

    inst_ = std::make_unique<plugin_instance>(P_.desc);
    if (!create_instance()) return finish();
    if (!o_.sequential)
      writer_ = std::make_unique<writer_thread>(caller_, g_block, seed_ ^ 0x5EEDu);
    if (writer_) {
      writer_thread::pause p(*writer_);
      p.set(inst_.get(), write_mode::chaos);
    }
    mode_ = write_mode::chaos;

    for (const phase& ph : phases) {
      if (!begin_phase(ph)) break;
      const uint64_t frames = static_cast<uint64_t>(ph.seconds * rate_);
      const uint64_t settle = frames * 6 / 10;  // where the phase's level check starts
      phase_meter m{};
      m.settle = settle;
      uint64_t done = 0;
      while (done < frames && failure_.empty()) {
        const unsigned n = pick_block_length(r_);
        block_result b{};
        if (o_.sequential) {
          const int k = static_cast<int>(r_.below(6));
          for (int i = 0; i < k; ++i) caller_.one(*inst_, mode_, g_block.load());
        }
        if (!render_block(n, ph.kind, b)) break;
        // A "Format" change brings back voices the previous layout did not
        // render, with the state (filters ringing, levels) they had when it
        // stopped: the meter starts again after the settling time.
        if (last_channels_ != 0 && b.channels != last_channels_) {
          m = phase_meter{};
          m.settle = done + n + settle;
        }
        last_channels_ = b.channels;
        if (done >= m.settle) {
          if (b.peak > m.peak) {
            m.peak = b.peak;
            m.peak_block = b.block;
            m.peak_frame = done + b.peak_frame;
            m.peak_channels = b.channels;
            m.peak_channel = b.peak_channel;
          }
          m.energy += b.energy;
          m.samples += static_cast<uint64_t>(n) * b.channels;
        }
        done += n;
      }
      if (!failure_.empty()) break;
      if (!end_phase(ph, m)) break;
    }

    // The writer goes before the instance.
    if (writer_) {
      {
        writer_thread::pause p(*writer_);
        p.set(nullptr, write_mode::chaos);
      }
      writer_.reset();
    }
    if (failure_.empty() && !caller_.failure().empty())
      fail("a parameter callback returned the wrong result: " + caller_.failure());
    release_instance();
    check_memory_service();
    if (failure_.empty()) check_timing();
    return finish();
  }

  const std::string& failure() const { return failure_; }
  const session_stats& stats() const { return stats_; }

 private:
  struct block_result {
    double peak, energy;
    int channels;
    uint64_t block;
    unsigned peak_frame;  // within the block
    int peak_channel;
  };
  // Levels over the end of a phase (from `settle` frames on).
  struct phase_meter {
    uint64_t settle;
    double peak, energy;
    uint64_t samples;
    uint64_t peak_block, peak_frame;  // frame counted from the phase's start
    int peak_channels, peak_channel;
  };

  bool finish() {
    stats_.calls = caller_.calls();
    return failure_.empty();
  }

  void fail(const std::string& what) {
    if (!failure_.empty()) return;
    failure_ = what;
  }

  bool create_instance() {
    inst_->set_rate(rate_);
    const FMOD_RESULT r = inst_->create();
    ++creates_;
    if (r != FMOD_OK) {
      fail("create returned " + std::to_string(r));
      return false;
    }
    after_start_ = true;
    return apply_format(format_ < 0 ? 1 : format_);
  }

  bool apply_format(int f) {
    const FMOD_RESULT r = inst_->set_int(P_.format_index, f);
    if (r != FMOD_OK) {
      fail("setparameterint \"Format\" " + std::to_string(f) + " returned " + std::to_string(r));
      return false;
    }
    return true;
  }

  void release_instance() {
    if (!inst_) return;
    const FMOD_RESULT r = inst_->release();
    ++releases_;
    if (r != FMOD_OK) fail("release returned " + std::to_string(r));
    inst_.reset();
  }

  // Writes the silence or recovery settings from the audio thread.
  bool write_settings(phase_kind k) {
    bool ok = true;
    auto set = [&](int index, float v) {
      const FMOD_RESULT r = inst_->set_float(index, v);
      if (r != FMOD_OK) {
        fail("setparameterfloat " + std::to_string(index) + " returned " + std::to_string(r));
        ok = false;
      }
    };
    if (k == phase_kind::silence) {
      for (int i : P_.level_rows) set(i, -80.0f);
      for (int i : P_.amount_rows) set(i, 0.0f);
      // The master gain at unity or boosted, so the tails stay audible.
      set(0, r_.chance(0.5) ? 0.0f : P_.rows[0].max);
    } else {
      // Every parameter back to its default; "Format" stays.
      for (int i : P_.float_rows) set(i, P_.rows[i].def);
      for (int i : P_.int_rows) {
        if (i == P_.format_index) continue;
        const FMOD_RESULT r = inst_->set_int(i, P_.rows[i].idef);
        if (r != FMOD_OK) {
          fail("setparameterint " + std::to_string(i) + " returned " + std::to_string(r));
          ok = false;
        }
      }
    }
    return ok;
  }

  bool begin_phase(const phase& ph) {
    std::unique_ptr<writer_thread::pause> p;
    if (writer_) p = std::make_unique<writer_thread::pause>(*writer_);
    switch (ph.kind) {
      case phase_kind::chaos: mode_ = write_mode::chaos; break;
      case phase_kind::reset: {
        FMOD_RESULT r;
        {
          alloc_watch::scope s(alloc_watch::RESET);
          r = inst_->reset();
        }
        ++stats_.resets;
        after_start_ = true;
        if (r != FMOD_OK) fail("reset returned " + std::to_string(r));
        break;
      }
      case phase_kind::recreate:
        release_instance();
        inst_ = std::make_unique<plugin_instance>(P_.desc);
        ++stats_.recreates;
        if (!create_instance()) return false;
        break;
      case phase_kind::silence:
        mode_ = write_mode::quiet;
        if (!write_settings(phase_kind::silence)) return false;
        break;
      case phase_kind::recovery:
        mode_ = write_mode::invalid_only;
        if (!write_settings(phase_kind::recovery)) return false;
        break;
    }
    if (p) p->set(inst_.get(), mode_);
    return failure_.empty();
  }

  bool end_phase(const phase& ph, const phase_meter& m) {
    if (m.samples == 0) return true;
    char where[96];
    std::snprintf(where, sizeof where, "block %llu (%s phase)",
                  static_cast<unsigned long long>(m.peak_block), phase_name(ph.kind));
    if (ph.kind == phase_kind::silence && m.peak > SILENCE_PEAK) {
      char buf[240];
      std::snprintf(buf, sizeof buf,
                    "every level at -80 dB from the phase's start, yet the output peaks at %.3g "
                    "%.3f s into the phase (frame %llu, channel %d of %d), past 60%% of it",
                    m.peak, static_cast<double>(m.peak_frame) / rate_,
                    static_cast<unsigned long long>(m.peak_frame), m.peak_channel, m.peak_channels);
      return fail_at(where, buf);
    }
    if (ph.kind == phase_kind::recovery) {
      const double rms = std::sqrt(m.energy / static_cast<double>(m.samples));
      if (rms < RECOVERY_RMS) {
        char buf[240];
        std::snprintf(buf, sizeof buf,
                      "every parameter back at its default for %.2f s, yet the phase's last 40%% "
                      "has RMS %.3g (peak %.3g): the sound did not come back",
                      ph.seconds, rms, m.peak);
        return fail_at(where, buf);
      }
    }
    return true;
  }

  // A query, then a perform into a buffer of the queried channel count.
  bool render_block(unsigned n, phase_kind ph, block_result& out) {
    const uint64_t block = g_block.load(std::memory_order_relaxed);
    char where[96];
    std::snprintf(where, sizeof where, "block %llu (%u frames, %s phase)",
                  static_cast<unsigned long long>(block), n, phase_name(ph));

    fmod_host::query_result q{};
    FMOD_RESULT r;
    {
      alloc_watch::scope s(alloc_watch::PROCESS_QUERY);
      r = inst_->query(&q);
    }
    if (r != FMOD_OK) return fail_at(where, "query returned " + std::to_string(r));
    const int ch = q.channels;
    if (ch != 1 && ch != 2 && ch != 4 && ch != 6)
      return fail_at(where, "query reported " + std::to_string(ch) + " channels");
    if (format_ >= 0 && ch != channels_of_format(format_))
      return fail_at(where, "query reported " + std::to_string(ch) + " channels, the \"Format\" " +
                                std::to_string(format_) + " gives " +
                                std::to_string(channels_of_format(format_)));

    const std::size_t count = static_cast<std::size_t>(n) * ch;
    float* data = buffer_.data() + GUARD;
    fill_canary(buffer_.data(), GUARD + count + GUARD);

    clear_denormal_mode();
    const uint64_t t0 = thread_cpu_ns();
    {
      alloc_watch::scope s(alloc_watch::PROCESS_PERFORM);
      r = inst_->perform(data, ch, n);
      if (o_.inject == "alloc" && !injected_ && block == 3) {
        injected_ = true;
        void* (*volatile m)(std::size_t) = std::malloc;
        void (*volatile f)(void*) = std::free;
        f(m(32));
      }
    }
    const uint64_t t1 = thread_cpu_ns();
    if (o_.inject == "stall" && !injected_ && block >= 40 && !after_start_ &&
        n >= std::max(512u, o_.min_timed_frames)) {
      injected_ = true;
      // As if this block had run 100 times slower.
      const uint64_t until = t1 + (t1 - t0) * 99;
      while (thread_cpu_ns() < until) {
      }
    }
    const uint64_t t2 = thread_cpu_ns();
    if (o_.inject == "nan" && !injected_ && block == 5) {
      injected_ = true;
      data[count / 2] = NAN;
    }
    if (o_.inject == "denormal" && !injected_ && block == 7) {
      injected_ = true;
      const uint32_t tiny = 1;
      std::memcpy(&data[count / 2], &tiny, 4);
    }
    g_block.fetch_add(1, std::memory_order_relaxed);
    ++stats_.blocks;
    stats_.frames += n;

    if (r != FMOD_OK) return fail_at(where, "perform returned " + std::to_string(r));
    if (alloc_watch::total() != 0) return fail_at(where, alloc_message());

    if (!guard_intact(buffer_.data(), GUARD))
      return fail_at(where, "samples written before the output buffer");
    if (!guard_intact(data + count, GUARD))
      return fail_at(where, "samples written past the end of the output buffer (" +
                                std::to_string(ch) + " channels)");
    double peak = 0.0, energy = 0.0;
    std::size_t peak_at = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const float x = data[i];
      uint32_t bits;
      std::memcpy(&bits, &x, 4);
      if (bits == CANARY)
        return fail_at(where, "frame " + std::to_string(i / ch) + " channel " +
                                  std::to_string(i % ch) + " left unwritten");
      // A denormal sample means the render ran without flushing denormals
      // to zero, the mode that keeps decaying tails from stalling.
      const bool denormal = (bits & 0x7F800000u) == 0 && (bits & 0x007FFFFFu) != 0;
      if (!std::isfinite(x) || x < -1.0f || x > 1.0f || denormal) {
        clear_denormal_mode();
        char buf[200];
        std::snprintf(buf, sizeof buf,
                      "first bad sample: frame %zu channel %zu of %d (session frame %llu) is "
                      "%s%.9g [0x%08X]",
                      i / ch, i % ch, ch,
                      static_cast<unsigned long long>(stats_.frames - n + i / ch),
                      denormal ? "denormal " : "", static_cast<double>(x), bits);
        return fail_at(where, buf);
      }
      const double a = std::fabs(static_cast<double>(x));
      if (a > peak) {
        peak = a;
        peak_at = i;
      }
      energy += a * a;
    }
    stats_.peak = std::max(stats_.peak, peak);
    out = block_result{peak,
                       energy,
                       ch,
                       block,
                       static_cast<unsigned>(peak_at / ch),
                       static_cast<int>(peak_at % ch)};

    // The first block after create or reset carries the warm-up; tiny blocks
    // are mostly fixed cost.
    if (!after_start_ && n >= o_.min_timed_frames)
      stats_.times.push_back({static_cast<double>(t2 - t0) / n, n, block, ph});
    after_start_ = false;
    return true;
  }

  bool fail_at(const char* where, const std::string& what) {
    std::string msg = std::string(where) + ": " + what;
    // The writer's log is read with the writer held off.
    std::unique_ptr<writer_thread::pause> p;
    if (writer_) p = std::make_unique<writer_thread::pause>(*writer_);
    const auto recent = caller_.recent(24);
    if (!recent.empty()) {
      msg += "\n    the last parameter calls (from block " + std::to_string(recent.front().block) +
             " on):";
      for (const call_record& c : recent) msg += "\n      " + describe_call(P_, c);
    }
    fail(msg);
    return false;
  }

  std::string alloc_message() const {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "%llu allocations and %llu frees inside plug-in callbacks; the first in %s "
                  "(%llu bytes)",
                  static_cast<unsigned long long>(alloc_watch::allocations.load()),
                  static_cast<unsigned long long>(alloc_watch::frees.load()),
                  alloc_watch::where_name(alloc_watch::first_where.load()),
                  static_cast<unsigned long long>(alloc_watch::first_size.load()));
    return buf;
  }

  static void fill_canary(float* p, std::size_t n) {
    float c;
    std::memcpy(&c, &CANARY, 4);
    std::fill(p, p + n, c);
  }
  static bool guard_intact(const float* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      uint32_t bits;
      std::memcpy(&bits, &p[i], 4);
      if (bits != CANARY) return false;
    }
    return true;
  }

  void check_memory_service() {
    auto& m = fmod_host::memory_service::get();
    const auto allocs = m.allocs().size(), frees = m.frees().size();
    if (allocs != static_cast<std::size_t>(creates_) ||
        frees != static_cast<std::size_t>(releases_))
      fail("the host allocator saw " + std::to_string(allocs) + " allocations and " +
           std::to_string(frees) + " frees for " + std::to_string(creates_) + " creates and " +
           std::to_string(releases_) + " releases");
    else if (m.live_blocks() != 0)
      fail(std::to_string(m.live_blocks()) + " host allocations still live after release");
    else if (m.bad_frees() != 0)
      fail(std::to_string(m.bad_frees()) + " frees of addresses the host did not hand out");
    else if (m.guard_violations() != 0)
      fail("writes outside the instance's host allocation (" +
           std::to_string(m.guard_violations()) + " blocks)");
    if (alloc_watch::total() != 0) fail(alloc_message());
  }

  // The per-frame cost of a plain render: a fresh instance at its defaults,
  // the session's rate and format (5.1 when the format switches), blocks of
  // 256 frames after the warm-up block; the median.
  bool calibrate() {
    constexpr unsigned frames = 256;
    constexpr int blocks = 33;
    plugin_instance c(P_.desc);
    c.set_rate(rate_);
    ++creates_;
    if (c.create() != FMOD_OK || c.set_int(P_.format_index, format_ < 0 ? 3 : format_) != FMOD_OK) {
      fail("create or \"Format\" failed on the timing reference instance");
      return false;
    }
    std::vector<double> v;
    for (int i = 0; i < blocks; ++i) {
      fmod_host::query_result q{};
      c.query(&q);
      clear_denormal_mode();
      const uint64_t t0 = thread_cpu_ns();
      const FMOD_RESULT r = c.perform(buffer_.data() + GUARD, q.channels, frames);
      const uint64_t t1 = thread_cpu_ns();
      if (r != FMOD_OK) {
        fail("perform failed on the timing reference instance");
        return false;
      }
      if (i > 0) v.push_back(static_cast<double>(t1 - t0) / frames);
    }
    ++releases_;
    c.release();
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    baseline_ = v[v.size() / 2];
    return true;
  }

  // No timed block may take longer than the limit times the plain render's
  // cost for its frames, plus a fixed allowance for an interrupt or page
  // fault charged to the block: a block stalled on denormal arithmetic runs
  // tens of times slower. CPU time of this thread, so a preempted block does
  // not count.
  void check_timing() {
    if (!o_.timing || stats_.times.empty() || !(baseline_ > 0.0)) return;
    std::vector<double> v;
    for (const block_time& t : stats_.times) v.push_back(t.ns_per_frame);
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    const double median = v[v.size() / 2];
    auto score = [&](const block_time& t) {
      return (t.ns_per_frame * t.frames - SLACK_NS) / (baseline_ * t.frames);
    };
    const block_time* worst = &stats_.times[0];
    for (const block_time& t : stats_.times)
      if (score(t) > score(*worst)) worst = &t;
    ratio_ = score(*worst);
    char info[200];
    std::snprintf(info, sizeof info,
                  "block %llu, %u frames, %s phase: %.0f ns/frame; plain render %.0f, session "
                  "median %.0f",
                  static_cast<unsigned long long>(worst->block), worst->frames,
                  phase_name(worst->phase), worst->ns_per_frame, baseline_, median);
    worst_ = info;
    if (ratio_ > o_.slow_factor) {
      char buf[360];
      std::snprintf(buf, sizeof buf,
                    "block %llu (%u frames, %s phase) took %.0f ns per frame: beyond %.0f times a "
                    "plain render's %.0f ns per frame plus %.0f us (session median %.0f ns per "
                    "frame): a stall such as denormal arithmetic",
                    static_cast<unsigned long long>(worst->block), worst->frames,
                    phase_name(worst->phase), worst->ns_per_frame, o_.slow_factor, baseline_,
                    SLACK_NS / 1000.0, median);
      fail(buf);
    }
  }

 public:
  double ratio() const { return ratio_; }
  const std::string& worst_block() const { return worst_; }

 private:
  static constexpr double SILENCE_PEAK = 1e-3;  // -60 dBFS
  static constexpr double RECOVERY_RMS = 1e-3;  // -60 dBFS
  static constexpr double SLACK_NS = 300e3;     // allowance per timed block

  const plugin_info& P_;
  int format_;
  int rate_;
  const options& o_;
  uint64_t seed_;
  rng r_;
  param_caller caller_;
  std::vector<float> buffer_;
  std::unique_ptr<plugin_instance> inst_;
  std::unique_ptr<writer_thread> writer_;  // declared after inst_: destroyed first
  write_mode mode_ = write_mode::chaos;
  bool after_start_ = true;
  int last_channels_ = 0;                // of the previous block
  static inline bool injected_ = false;  // --inject acts once per run
  int creates_ = 0, releases_ = 0;
  session_stats stats_;
  std::string failure_;
  double ratio_ = 0.0;
  double baseline_ = 0.0;  // ns per frame of a plain render
  std::string worst_;
};

// The counting itself works: a libc call that allocates inside a marked
// scope is seen (guards against a replacement that silently is not used).
bool alloc_watch_works() {
  char* (*volatile dup)(const char*) = strdup;
  void (*volatile release)(void*) = std::free;
  {
    alloc_watch::scope s(alloc_watch::SELF_CHECK);
    release(dup("plugin_stress"));
  }
  const bool seen = alloc_watch::allocations.load() >= 1 && alloc_watch::frees.load() >= 1;
  alloc_watch::reset();
  return seen;
}

}  // namespace

int main(int argc, char** argv) {
  options o;
  if (!parse_options(argc, argv, o)) return 2;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
#if defined(STRESS_SANITIZED)
  if (o.timing) {
    std::printf("plugin_stress: sanitizer build, the slow-block check is off\n");
    o.timing = false;
  }
#endif
  if (!install_alloc_watch() || !alloc_watch_works()) {
    std::printf("plugin_stress: FAIL: the allocation counter does not see allocations\n");
    return 1;
  }
  install_crash_handler();

  struct lib_case {
    const char* name;
    uint64_t id;
    std::string path;
  };
  std::vector<lib_case> libs;
  if (o.wind) libs.push_back({"wind", 1, o.wind_path});
  if (o.rain) libs.push_back({"rain", 2, o.rain_path});

  int passed = 0, failed = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const lib_case& lc : libs) {
    fmod_host::plugin_library lib(lc.path);
    if (!lib.loaded()) {
      std::printf("plugin_stress: FAIL: %s: cannot load %s: %s\n", lc.name, lc.path.c_str(),
                  lib.error().c_str());
      ++failed;
      continue;
    }
    plugin_info info;
    std::string err;
    if (!read_info(lc.name, lc.id, lib.description(), info, err)) {
      std::printf("plugin_stress: FAIL: %s: %s\n", lc.name, err.c_str());
      ++failed;
      continue;
    }
    double worst_ratio = 0.0;
    uint64_t blocks = 0, calls = 0;
    for (int format : o.formats) {
      for (int rate : o.rates) {
        session s(info, format, rate, o);
        const bool ok = s.run();
        const session_stats& st = s.stats();
        blocks += st.blocks;
        calls += st.calls;
        worst_ratio = std::max(worst_ratio, s.ratio());
        if (ok) {
          ++passed;
          if (o.verbose) {
            char timing[320] = "timing not checked";
            if (!s.worst_block().empty())
              std::snprintf(timing, sizeof timing, "slowest block %.1fx a plain render (%s)",
                            s.ratio(), s.worst_block().c_str());
            std::printf(
                "ok    %-34s %7llu blocks %6.1f s audio %8llu parameter calls, %d resets, %d "
                "re-creates, peak %.3f, %s\n",
                s.title().c_str(), static_cast<unsigned long long>(st.blocks),
                static_cast<double>(st.frames) / rate, static_cast<unsigned long long>(st.calls),
                st.resets, st.recreates, st.peak, timing);
          }
        } else {
          ++failed;
          std::printf("plugin_stress: FAIL: %s: %s\n    reproduce: %s\n", s.title().c_str(),
                      s.failure().c_str(), s.reproduce().c_str());
        }
      }
    }
    std::printf(
        "plugin_stress: %s: %llu blocks, %llu parameter calls, slowest block %.1fx a "
        "plain render\n",
        lc.name, static_cast<unsigned long long>(blocks), static_cast<unsigned long long>(calls),
        worst_ratio);
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("plugin_stress: seed %llu, %.1f s of audio per session, %.1f s wall\n",
              static_cast<unsigned long long>(o.seed), o.seconds, wall);
  std::printf("sessions: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
