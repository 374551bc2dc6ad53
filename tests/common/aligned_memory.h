#pragma once
// Aligned memory for engine records and host allocations in tests: the C
// library's aligned_alloc where it has one, _aligned_malloc on Windows (whose
// C runtime has no aligned_alloc and needs the matching free).

#include <cstddef>
#include <cstdlib>

#if defined(_WIN32)
#include <malloc.h>
#endif

namespace test_memory {

// size bytes at a multiple of alignment (a power of two); null on failure.
inline void* aligned_allocate(std::size_t alignment, std::size_t size) {
#if defined(_WIN32)
  return _aligned_malloc(size, alignment);
#else
  return std::aligned_alloc(alignment, size);
#endif
}

inline void aligned_release(void* p) {
#if defined(_WIN32)
  _aligned_free(p);
#else
  std::free(p);
#endif
}

}  // namespace test_memory
