#pragma once
// The vectors every processor of the target architecture has, for code
// built once for all of them (the block operations without a kernel of their
// own, the engines): SSE2 on x86-64, plain C++ elsewhere.

#if defined(__x86_64__)
#include "dsp/simd/sse2.h"
namespace {
using base_vectors = sse2_vectors;
}  // namespace
#else
#include "dsp/simd/portable.h"
namespace {
using base_vectors = portable_vectors;
}  // namespace
#endif
