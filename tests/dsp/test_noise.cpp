#include <gtest/gtest.h>
#include "dsp/noise.h"
TEST(Noise, Placeholder) { EXPECT_EQ(UNIFORM_SEED_START, 317u); }
