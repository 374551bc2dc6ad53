// The thread's denormal mode as the building blocks set it, checked through
// the arithmetic itself rather than the control bits alone: afterwards a
// product that would be denormal is zero and a denormal operand counts as
// zero (MXCSR's FTZ and DAZ on x86-64, FPCR's FZ on 64-bit ARM).

#include <gtest/gtest.h>

#include <limits>
#include <thread>

#include "dsp/dsp_common.h"
#include "dsp_test_util.h"

namespace {

using dsp_test::bits_of;
using dsp_test::float_of;

TEST(DenormalMode, FlushesDenormalResultsAndOperandsToZero) {
#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__)
  // On a thread of its own, so that the test runner's threads keep their mode.
  std::thread t([] {
    volatile float smallest_normal = std::numeric_limits<float>::min();
    volatile float half = 0.5f, one = 1.0f;
    volatile float denormal = float_of(0x00000400u);

    dsp_test::denormal_mode_clear();
    ASSERT_FALSE(dsp_test::denormal_mode_is_set());
    float product = smallest_normal * half;
    float passed = denormal * one;
    EXPECT_EQ(bits_of(product), 0x00400000u) << "gradual underflow while the mode is clear";
    EXPECT_EQ(bits_of(passed), 0x00000400u);

    denormal_mode_set();
    EXPECT_TRUE(dsp_test::denormal_mode_is_set());
    product = smallest_normal * half;
    passed = denormal * one;
    EXPECT_EQ(bits_of(product), 0u) << "a denormal result flushed to zero";
    EXPECT_EQ(bits_of(passed), 0u) << "a denormal operand read as zero";
    dsp_test::denormal_mode_clear();
  });
  t.join();
#else
  GTEST_SKIP() << "no denormal control on this processor";
#endif
}

}  // namespace
