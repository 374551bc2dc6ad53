/* A library that calls the system allocator on request: the allocation
 * watch of the test host must count each call it makes once watched. */

#include <stdlib.h>

#if defined(_WIN32)
#define PROBE_EXPORT __declspec(dllexport)
#else
#define PROBE_EXPORT __attribute__((visibility("default")))
#endif

PROBE_EXPORT void* probe_malloc(size_t n) { return malloc(n); }
PROBE_EXPORT void* probe_calloc(size_t n) { return calloc(n, 1); }
PROBE_EXPORT void* probe_realloc(void* p, size_t n) { return realloc(p, n); }
PROBE_EXPORT void probe_free(void* p) { free(p); }
