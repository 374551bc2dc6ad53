#pragma once
// Loads a shared library the way a host loads a plug-in, on each system with
// its own loader: dlopen (RTLD_NOW | RTLD_LOCAL, so the library's symbols
// stay private to it) on Linux, LoadLibrary and GetProcAddress on Windows.
//
// It can also watch the library's calls of the system allocator: the
// library's imports of the allocation functions (its GOT slots on Linux, its
// import address table on Windows) are pointed at counting wrappers that
// forward to the real functions. A host can then check that a callback
// allocated nothing, without replacing the allocator of the whole process.

#include <cstdint>
#include <string>

namespace fmod_host {

class shared_library {
 public:
  explicit shared_library(const std::string& path);
  ~shared_library();
  shared_library(const shared_library&) = delete;
  shared_library& operator=(const shared_library&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // Why loading (or the last watch_allocations) failed.
  const std::string& error() const { return error_; }

  // An exported symbol, or null.
  void* symbol(const char* name) const;

  // Points the library's imports of the allocation functions (malloc and its
  // family, operator new and delete, mmap on Linux; the C runtime's
  // allocators and the heap, virtual, local and global memory functions of
  // KERNEL32 on Windows) at the counting wrappers. Returns the number of
  // import slots redirected, or -1 with error() set. Idempotent: a slot
  // already redirected is counted again but left as it is.
  int watch_allocations();

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// Calls of the system allocator made by watched libraries since the process
// started: allocations (including reallocations and mappings) and frees.
struct allocation_counts {
  uint64_t allocations = 0;
  uint64_t frees = 0;
};
allocation_counts watched_allocation_counts();

}  // namespace fmod_host
