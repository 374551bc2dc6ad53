#pragma once
// Shared constants of the building blocks: status codes, the sub-block size
// and the smallest normal float used as the lower bound of every design check.

#include <cstdint>

inline constexpr int DSP_OK = 0;        // success
inline constexpr int DSP_NULL = 4;      // null record
inline constexpr int DSP_REJECTED = 5;  // argument rejected

// Frames per sub-block: the unit of rendering, control updates and gain ramps.
inline constexpr int SUB_BLOCK = 64;

inline constexpr float SMALLEST_NORMAL = 1.17549435e-38f;
inline constexpr double SMALLEST_NORMAL_D = 1.1754943508222875e-38;

// Flush denormal results and treat denormal inputs as zero on the calling
// thread (x86-64 MXCSR FTZ|DAZ, aarch64 FPCR.FZ). Left set on return.
void denormal_mode_set();
