// The public header's named constants against the engine: the status codes
// the calls return, the preset size, the layouts the engine renders and the
// index of every parameter.

#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "pluvessa_test_util.h"

using namespace rain_test;

namespace {

// As the compiler sees the header: the engine's own numbers.
#define COUNT_ROW(...) +1
constexpr int TABLE_ROWS = 0 PLUVESSA_PARAMETERS(COUNT_ROW);
#undef COUNT_ROW
static_assert(PLUVESSA_STATUS_OK == ENGINE_OK);
static_assert(PLUVESSA_STATUS_PRESET_REJECTED == ENGINE_PRESET_REJECTED);
static_assert(PLUVESSA_STATUS_BAD_SAMPLE_RATE == ENGINE_BAD_RATE);
static_assert(PLUVESSA_STATUS_UNKNOWN_PARAMETER == ENGINE_UNKNOWN_INDEX);
static_assert(PLUVESSA_STATUS_BAD_MAJOR_VERSION == ENGINE_BAD_MAJOR);
static_assert(PLUVESSA_STATUS_BAD_MINOR_VERSION == ENGINE_BAD_MINOR);
static_assert(PLUVESSA_PRODUCT_ID == PRODUCT_ID);
static_assert(PLUVESSA_PARAMETER_COUNT == PLUVESSA_PARAM_COUNT);
static_assert(PLUVESSA_PARAMETER_COUNT == TABLE_ROWS + 1);
static_assert(PLUVESSA_PARAM_GLOBAL_GAIN == PLUVESSA_GAIN_INDEX);
static_assert(PLUVESSA_GAIN_INDEX == TABLE_ROWS);
static_assert(PLUVESSA_PRESET_SIZE == 16 + 8 * TABLE_ROWS);

// Every PLUVESSA_PARAM_ constant of the header, by the key its name spells.
std::map<std::string, long> header_parameter_constants() {
  std::ifstream in(PLUVESSA_HEADER_PATH);
  EXPECT_TRUE(in.good()) << PLUVESSA_HEADER_PATH;
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  const std::regex def(R"(#define PLUVESSA_PARAM_([A-Z0-9_]+) +([0-9]+))");
  std::map<std::string, long> out;
  for (std::sregex_iterator it(text.begin(), text.end(), def), end; it != end; ++it) {
    std::string key = (*it)[1].str();
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(out.emplace(key, std::stol((*it)[2].str())).second) << key << " twice";
  }
  return out;
}

TEST(PluvessaHeader, ParameterConstantsNameEveryKey) {
  const std::map<std::string, long> constants = header_parameter_constants();
  EXPECT_EQ(constants.size(), PLUVESSA_PARAM_COUNT) << "one constant per key, nothing else";
  for (uint32_t i = 0; i < PLUVESSA_PARAM_COUNT; ++i) {
    const std::string key = PLUVESSA_PARAMETER_TABLE[i].key;
    const auto it = constants.find(key);
    ASSERT_NE(it, constants.end()) << "no constant for " << key;
    EXPECT_EQ(it->second, static_cast<long>(i)) << key;
  }
  // The compiled values are the ones the text says.
  EXPECT_STREQ(PLUVESSA_PARAMETER_TABLE[PLUVESSA_PARAM_RUMBLE_LEVEL].key, "rumble_level");
  EXPECT_STREQ(PLUVESSA_PARAMETER_TABLE[PLUVESSA_PARAM_RAIN_LFE_CUTOFF].key, "rain_lfe_cutoff");
}

TEST(PluvessaHeader, StatusConstantsAreWhatTheCallsReturn) {
  engine_memory e;
  EXPECT_EQ(pluvessa_init(e.get(), 0.0f), PLUVESSA_STATUS_BAD_SAMPLE_RATE);
  ASSERT_EQ(pluvessa_init(e.get(), RATE), PLUVESSA_STATUS_OK);
  EXPECT_EQ(pluvessa_get_product_id(), PLUVESSA_PRODUCT_ID);

  uint8_t good[PLUVESSA_PRESET_SIZE];
  ASSERT_EQ(pluvessa_save_preset(e.get(), good), PLUVESSA_STATUS_OK);
  auto load_with = [&](size_t offset, uint32_t value) {
    uint8_t r[PLUVESSA_PRESET_SIZE];
    std::memcpy(r, good, sizeof r);
    std::memcpy(r + offset, &value, 4);
    return pluvessa_load_preset(e.get(), r);
  };
  EXPECT_EQ(load_with(4, 0x12345678u), PLUVESSA_STATUS_PRESET_REJECTED);  // magic
  EXPECT_EQ(load_with(0, 0x00020101u), PLUVESSA_STATUS_BAD_MAJOR_VERSION);
  EXPECT_EQ(load_with(0, 0x00010102u), PLUVESSA_STATUS_BAD_MINOR_VERSION);
  EXPECT_EQ(load_with(16, PLUVESSA_PARAMETER_COUNT), PLUVESSA_STATUS_UNKNOWN_PARAMETER);
  EXPECT_EQ(pluvessa_load_preset(e.get(), good), PLUVESSA_STATUS_OK);
}

// Every layout constant is one the engine renders (sound in its channels;
// a mask it does not render stays silent), and the plain ones are the masks
// of 1 to 6 channels.
TEST(PluvessaHeader, LayoutConstantsAreRendered) {
  const int32_t layouts[] = {PLUVESSA_LAYOUT_MONO,
                             PLUVESSA_LAYOUT_STEREO,
                             PLUVESSA_LAYOUT_2_1,
                             PLUVESSA_LAYOUT_QUAD,
                             PLUVESSA_LAYOUT_5_0,
                             PLUVESSA_LAYOUT_5_1,
                             PLUVESSA_LAYOUT_5_0_CENTRE_SECOND,
                             PLUVESSA_LAYOUT_5_1_CENTRE_SECOND};
  for (uint32_t n = 1; n <= 6; ++n)
    EXPECT_EQ(channel_mask_for_count(n), static_cast<uint32_t>(layouts[n - 1])) << n;
  auto energy = [](int32_t mask) {
    engine e;
    const uint32_t channels = channel_count_of_mask(static_cast<uint32_t>(mask));
    std::vector<float> out(4096 * channels);
    EXPECT_EQ(pluvessa_process(e.get(), out.data(), mask, 4096), PLUVESSA_STATUS_OK);
    double sum = 0.0;
    for (float x : out) sum += static_cast<double>(x) * x;
    return sum;
  };
  for (int32_t mask : layouts) EXPECT_GT(energy(mask), 0.0) << std::hex << mask;
  EXPECT_EQ(energy(0x7), 0.0);
}

}  // namespace
