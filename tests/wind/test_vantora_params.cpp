// Parameter access of the wind engine: stored values after init, clamping and
// mapping of the natural and normalised setters, the by-index functions, and
// the derived values and re-design marks the sub-setters write.

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "vantora_test_util.h"
#include "wind/shapes.h"

using namespace wind_test;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

enum kind { UNIT, FREE, CHOICE };

// Every key with its per-key functions, generated from the parameter list
// so that each per-key function is checked against the by-index access.
struct key_fns {
  uint32_t index;
  const char* key;
  kind k;
  void (*set)(vantora_engine*, double);  // natural; a choice gets the integer
  double (*get)(const vantora_engine*);
  void (*set_normalized)(vantora_engine*, float);
  float (*get_normalized)(const vantora_engine*);
};

#define KEY_ROW(index, key, kind_, ...)                                          \
  {index,                                                                        \
   #key,                                                                         \
   kind_,                                                                        \
   [](vantora_engine* e, double v) {                                             \
     vantora_set_##key(e, static_cast<VANTORA_KIND_TYPE_##kind_>(v));            \
   },                                                                            \
   [](const vantora_engine* e) -> double { return vantora_get_##key(e); },       \
   vantora_set_normalized_##key,                                                 \
   vantora_get_normalized_##key},
const key_fns KEYS[] = {VANTORA_PARAMETERS(KEY_ROW)};
#undef KEY_ROW

constexpr size_t KEY_COUNT = sizeof KEYS / sizeof KEYS[0];

// The "Silence" preset, the stored values after init, in engine-index order.
struct expected_value {
  const char* key;
  float value;  // a choice's integer as a float
};
const expected_value SILENCE[46] = {
    {"global_control", 1},
    {"global_coupling_from_outside", 0},
    {"global_amplitude", 0.467f},
    {"global_rate", 0.349f},
    {"global_dutycycle", 0.49111113f},
    {"global_floor", 0.18800001f},
    {"backflow_shape", 10},
    {"backflow_level", 0.225f},
    {"backflow_filtertype", 0},
    {"backflow_frequency", 0.435f},
    {"backflow_qfactor", 0.137f},
    {"variation_rate", 0.533f},
    {"variation_range", 0.925f},
    {"backflow_lc_freq", 50},
    {"backflow_hc_freq", 14234.5f},
    {"coupling_between_global_source_and_backflow", 1},
    {"whistling_level", 0.921f},
    {"whistling_shape", 1},
    {"whistling_qfactor", 0.331776f},
    {"whistling_floor", 0.008f},
    {"whistling_rate", 0.594f},
    {"whistling_min_freq", 344.79364f},
    {"whistling_max_freq", 2095.5142f},
    {"whistling_presence", 0.752f},
    {"whistling_lc_freq", 50},
    {"whistling_hc_freq", 6974.379f},
    {"coupling_between_global_source_and_whistling", 1},
    {"gusts_level", 0.192f},
    {"gusts_shape", 24},
    {"gusts_amplitude", 0.768f},
    {"gusts_rate", 0.586f},
    {"gusts_dutycycle", 0.48222223f},
    {"gusts_floor", 0.17999999f},
    {"gusts_lc_freq", 50},
    {"gusts_hc_freq", 3007.1477f},
    {"coupling_between_global_source_and_gusts", 0},
    {"squalls_level", 0},
    {"squalls_shape", 0},
    {"squalls_amplitude", 0.3f},
    {"squalls_rate", 0.5f},
    {"squalls_floor", 0},
    {"squalls_lc_freq", 50},
    {"squalls_hc_freq", 20000},
    {"coupling_between_global_source_and_squalls", 1},
    {"wind_lfe_level", 0},
    {"wind_lfe_freq_cutoff", 96},
};

const uint32_t CHOICE_INDICES[] = {6, 8, 17, 28, 37};

// The Hz parameters and their normalised mappings: stored = span x + low,
// normalised = (v - low) k.
struct hz_mapping {
  uint32_t index;
  float span, low, k;
};
const hz_mapping HZ[] = {
    {13, 19950, 50, 5.012531e-05f}, {14, 19950, 50, 5.012531e-05f},
    {21, 800, 200, 0.00125f},       {22, 4000, 1000, 0.00025f},
    {24, 19950, 50, 5.012531e-05f}, {25, 19950, 50, 5.012531e-05f},
    {33, 19950, 50, 5.012531e-05f}, {34, 19950, 50, 5.012531e-05f},
    {41, 19950, 50, 5.012531e-05f}, {42, 19950, 50, 5.012531e-05f},
    {45, 380, 20, 0.002631579f},
};

bool is_choice(uint32_t i) {
  for (uint32_t c : CHOICE_INDICES)
    if (c == i) return true;
  return false;
}

bool is_hz(uint32_t i) {
  for (const hz_mapping& h : HZ)
    if (h.index == i) return true;
  return false;
}

float get_float(const vantora_engine* e, uint32_t i) {
  float v = -12345.0f;
  EXPECT_EQ(vantora_get_parameter_value(e, i, &v), 0);
  return v;
}

int32_t get_int(const vantora_engine* e, uint32_t i) {
  int32_t v = -12345;
  EXPECT_EQ(vantora_get_parameter_value(e, i, &v), 0);
  return v;
}

void set_float(vantora_engine* e, uint32_t i, float v) {
  EXPECT_EQ(vantora_set_parameter_value(e, i, &v), 0);
}

void set_int(vantora_engine* e, uint32_t i, int32_t v) {
  EXPECT_EQ(vantora_set_parameter_value(e, i, &v), 0);
}

// The 4 stored bytes of every index, and the gain: a snapshot of all
// parameter values.
std::vector<uint32_t> all_values(const vantora_engine* e) {
  std::vector<uint32_t> v(VANTORA_PARAM_COUNT);
  for (uint32_t i = 0; i < VANTORA_PARAM_COUNT; ++i) vantora_get_parameter_value(e, i, &v[i]);
  return v;
}

// Distance in ulps between two finite floats of the same sign.
int64_t ulp_diff(float a, float b) {
  return std::llabs(static_cast<int64_t>(std::bit_cast<int32_t>(a)) -
                    static_cast<int64_t>(std::bit_cast<int32_t>(b)));
}

bool dirty(const vantora_engine* e, int flag) {
  return e->dirty[flag].load(std::memory_order_relaxed) != 0;
}

void clear_dirty(vantora_engine* e) {
  for (auto& f : e->dirty) f.store(0, std::memory_order_relaxed);
}

void expect_shape(const shape_coeffs* s, float g, float a1, float a2) {
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->g, g);
  EXPECT_EQ(s->a1, a1);
  EXPECT_EQ(s->a2, a2);
}

}  // namespace

TEST(VantoraParameters, TableHasTheKeysInIndexOrder) {
  ASSERT_EQ(KEY_COUNT, 46u);
  for (uint32_t i = 0; i < 46; ++i) {
    EXPECT_EQ(KEYS[i].index, i);
    EXPECT_STREQ(VANTORA_PARAMETER_TABLE[i].key, SILENCE[i].key) << i;
    EXPECT_EQ(VANTORA_PARAMETER_TABLE[i].type, is_choice(i) ? 2 : 1) << i;
  }
  EXPECT_STREQ(VANTORA_PARAMETER_TABLE[46].key, "global_gain");
  EXPECT_EQ(VANTORA_PARAMETER_TABLE[6].choice_count, 27);
  EXPECT_EQ(VANTORA_PARAMETER_TABLE[8].choice_count, 3);
  EXPECT_EQ(VANTORA_PARAMETER_TABLE[17].choice_count, 3);
  EXPECT_EQ(VANTORA_PARAMETER_TABLE[28].choice_count, 27);
  EXPECT_EQ(VANTORA_PARAMETER_TABLE[37].choice_count, 3);
}

// Init loads "Silence" over the setup defaults: every stored value is the
// preset's, read by index and by key, and the gain stays 1.
TEST(VantoraParameters, StoredValuesAfterInitAreTheSilencePreset) {
  engine e;
  for (uint32_t i = 0; i < 46; ++i) {
    if (is_choice(i)) {
      EXPECT_EQ(get_int(e, i), static_cast<int32_t>(SILENCE[i].value)) << SILENCE[i].key;
    } else {
      EXPECT_EQ(std::bit_cast<uint32_t>(get_float(e, i)), std::bit_cast<uint32_t>(SILENCE[i].value))
          << SILENCE[i].key << " = " << get_float(e, i);
    }
    EXPECT_EQ(KEYS[i].get(e), static_cast<double>(SILENCE[i].value)) << SILENCE[i].key;
  }
  EXPECT_EQ(vantora_get_backflow_shape(e), 10);
  EXPECT_EQ(vantora_get_gusts_shape(e), 24);
  EXPECT_EQ(vantora_get_whistling_min_freq(e), 344.79364f);
  EXPECT_EQ(vantora_get_wind_lfe_freq_cutoff(e), 96.0f);
  EXPECT_EQ(vantora_get_gain(e), 1.0f);
  EXPECT_EQ(get_float(e, 46), 1.0f);

  // The preset's values reached the derived values through the sub-setters
  // (the setup wrote 80 Hz for the LFE cut and the flatlands row for the
  // squalls, whose "Medium" row has the gain 0.007).
  EXPECT_EQ(ld(e->lfe_p.cutoff), 96.0f);
  expect_shape(e->backflow_p.shape.load(), 0.0128f, -1.953753f, 0.970661f);
  expect_shape(e->gusts_p.shape.load(), 0.0369f, -1.639058f, 0.646753f);
  expect_shape(e->whistling_p.shape.load(), 0.0568f, -1.4752f, 0.4887f);
  expect_shape(e->squalls_p.shape.load(), 0.007f, -1.918f, 0.9186f);
}

// Every 0..1 parameter is clamped by every setter that reaches it, with NaN
// stored as +0.
TEST(VantoraParameters, UnitParametersAreClamped) {
  engine e;
  const struct {
    float in, out;
  } cases[] = {{1.5f, 1.0f},  {-0.2f, 0.0f}, {NaN, 0.0f}, {INF, 1.0f},
               {-INF, 0.0f},  {0.3f, 0.3f},  {1.0f, 1.0f}, {0.0f, 0.0f}};
  for (const key_fns& p : KEYS) {
    if (p.k != UNIT) continue;
    for (const auto& c : cases) {
      // Each path starts from 0.5, distinct from every expected result.
      set_float(e, p.index, 0.5f);
      set_float(e, p.index, c.in);
      EXPECT_EQ(std::bit_cast<uint32_t>(get_float(e, p.index)), std::bit_cast<uint32_t>(c.out))
          << p.key << " by index <- " << c.in;

      set_float(e, p.index, 0.5f);
      p.set(e, c.in);
      EXPECT_EQ(std::bit_cast<uint32_t>(get_float(e, p.index)), std::bit_cast<uint32_t>(c.out))
          << p.key << " by key <- " << c.in;

      // The normalised functions of a 0..1 parameter are the natural ones.
      set_float(e, p.index, 0.5f);
      p.set_normalized(e, c.in);
      EXPECT_EQ(std::bit_cast<uint32_t>(get_float(e, p.index)), std::bit_cast<uint32_t>(c.out))
          << p.key << " normalised <- " << c.in;
      EXPECT_EQ(p.get_normalized(e), get_float(e, p.index)) << p.key;

      set_float(e, p.index, 0.5f);
      EXPECT_EQ(vantora_set_normalized_parameter_float_value(e, p.index, c.in), 0);
      EXPECT_EQ(std::bit_cast<uint32_t>(get_float(e, p.index)), std::bit_cast<uint32_t>(c.out))
          << p.key << " normalised by index <- " << c.in;
      EXPECT_EQ(vantora_get_normalized_parameter_float_value(e, p.index), get_float(e, p.index));
    }
  }
}

// Hz parameters and the gain store what they are given, in range or not.
TEST(VantoraParameters, UnclampedParametersStoreAnyFiniteValue) {
  engine e;
  for (const hz_mapping& h : HZ) {
    for (float v : {25.0f, 1.0e6f, -10.0f, 0.0f, 12345.678f}) {
      set_float(e, h.index, v);
      EXPECT_EQ(get_float(e, h.index), v) << KEYS[h.index].key;
      KEYS[h.index].set(e, v + 1.0f);
      EXPECT_EQ(get_float(e, h.index), v + 1.0f) << KEYS[h.index].key;
    }
  }
  vantora_set_backflow_lc_freq(e, 25.0f);
  EXPECT_EQ(vantora_get_backflow_lc_freq(e), 25.0f);

  vantora_set_gain(e, 2.0f);
  EXPECT_EQ(vantora_get_gain(e), 2.0f);
  vantora_set_gain(e, -0.5f);
  EXPECT_EQ(vantora_get_gain(e), -0.5f);
  set_float(e, 46, 2.0f);
  EXPECT_EQ(vantora_get_gain(e), 2.0f);
  EXPECT_EQ(vantora_set_normalized_parameter_float_value(e, 46, 0.7f), 0);
  EXPECT_EQ(vantora_get_gain(e), 0.7f);
  EXPECT_EQ(vantora_get_normalized_parameter_float_value(e, 46), 0.7f);
}

// NaN and infinities sent to a setter that does not clamp (Hz parameters,
// the gain, the normalised setters of Hz and choice parameters) are ignored.
TEST(VantoraParameters, NonFiniteValuesToUnclampedSettersAreIgnored) {
  engine e;
  for (float bad : {NaN, INF, -INF}) {
    for (const hz_mapping& h : HZ) {
      const key_fns& p = KEYS[h.index];
      set_float(e, h.index, 1234.5f);
      set_float(e, h.index, bad);
      EXPECT_EQ(get_float(e, h.index), 1234.5f) << p.key << " by index <- " << bad;
      p.set(e, bad);
      EXPECT_EQ(get_float(e, h.index), 1234.5f) << p.key << " by key <- " << bad;
      p.set_normalized(e, bad);
      EXPECT_EQ(get_float(e, h.index), 1234.5f) << p.key << " normalised <- " << bad;
      EXPECT_EQ(vantora_set_normalized_parameter_value(e, h.index, &bad), 0);
      EXPECT_EQ(get_float(e, h.index), 1234.5f) << p.key << " normalised by index <- " << bad;
      EXPECT_EQ(vantora_set_normalized_parameter_float_value(e, h.index, bad), 0);
      EXPECT_EQ(get_float(e, h.index), 1234.5f) << p.key << " normalised float <- " << bad;
    }
    for (uint32_t i : CHOICE_INDICES) {
      set_int(e, i, 2);
      KEYS[i].set_normalized(e, bad);
      EXPECT_EQ(get_int(e, i), 2) << KEYS[i].key << " normalised <- " << bad;
      vantora_set_normalized_parameter_value(e, i, &bad);
      EXPECT_EQ(get_int(e, i), 2) << KEYS[i].key << " normalised by index <- " << bad;
      vantora_set_normalized_parameter_float_value(e, i, bad);
      EXPECT_EQ(get_int(e, i), 2) << KEYS[i].key << " normalised float <- " << bad;
    }
    vantora_set_gain(e, 0.6f);
    vantora_set_gain(e, bad);
    EXPECT_EQ(vantora_get_gain(e), 0.6f) << bad;
    set_float(e, 46, bad);
    EXPECT_EQ(vantora_get_gain(e), 0.6f) << bad;
    vantora_set_normalized_parameter_value(e, 46, &bad);
    EXPECT_EQ(vantora_get_gain(e), 0.6f) << bad;
    vantora_set_normalized_parameter_float_value(e, 46, bad);
    EXPECT_EQ(vantora_get_gain(e), 0.6f) << bad;
  }
}

// Hz parameters: stored = span x + low without clamping; the getter gives
// (v - low) k, negative below low.
TEST(VantoraParameters, NormalisedMappingOfHzParameters) {
  engine e;
  for (const hz_mapping& h : HZ) {
    const key_fns& p = KEYS[h.index];
    p.set_normalized(e, 0.0f);
    EXPECT_EQ(get_float(e, h.index), h.low) << p.key;
    EXPECT_EQ(p.get_normalized(e), 0.0f) << p.key;
    p.set_normalized(e, 1.0f);
    EXPECT_EQ(get_float(e, h.index), h.low + h.span) << p.key;
    EXPECT_NEAR(p.get_normalized(e), 1.0f, 2e-6f) << p.key;
    for (float x : {0.25f, 0.5f, 0.9f, -0.5f, 1.5f}) {
      p.set_normalized(e, x);
      EXPECT_EQ(get_float(e, h.index), h.span * x + h.low) << p.key << " x " << x;
      EXPECT_NEAR(p.get_normalized(e), x, 2e-6f) << p.key << " x " << x;
      float by_index = -1.0f;
      EXPECT_EQ(vantora_get_normalized_parameter_value(e, h.index, &by_index), 0);
      EXPECT_EQ(by_index, p.get_normalized(e));
      EXPECT_EQ(vantora_get_normalized_parameter_float_value(e, h.index), by_index);
    }
    // Natural value below the range: a negative normalised value.
    set_float(e, h.index, h.low - 25.0f);
    EXPECT_EQ(p.get_normalized(e), -25.0f * h.k) << p.key;
    EXPECT_LT(p.get_normalized(e), 0.0f);
    // By-index normalised setters use the same mapping.
    float x = 0.5f;
    vantora_set_normalized_parameter_value(e, h.index, &x);
    EXPECT_EQ(get_float(e, h.index), h.span * 0.5f + h.low);
    vantora_set_normalized_parameter_float_value(e, h.index, 0.25f);
    EXPECT_EQ(get_float(e, h.index), h.span * 0.25f + h.low);
  }
  vantora_set_normalized_whistling_min_freq(e, 0.5f);
  EXPECT_EQ(vantora_get_whistling_min_freq(e), 600.0f);
  vantora_set_normalized_wind_lfe_freq_cutoff(e, 0.5f);
  EXPECT_EQ(vantora_get_wind_lfe_freq_cutoff(e), 210.0f);
  vantora_set_normalized_backflow_hc_freq(e, 0.5f);
  EXPECT_EQ(vantora_get_backflow_hc_freq(e), 10025.0f);
}

// Choices: round((count - 1) x) with halves away from zero, no clamping; the
// getter multiplies the index by 0.5 or 0.03846154.
TEST(VantoraParameters, NormalisedMappingOfChoiceParameters) {
  engine e;
  const struct {
    uint32_t index;
    float x;
    int32_t stored;
  } cases[] = {
      {17, 0.25f, 1},  {17, 0.24f, 0},  {17, 0.75f, 2},   {17, 0.5f, 1},  {17, 1.0f, 2},
      {17, -0.25f, -1}, {17, -0.24f, 0}, {17, 2.0f, 4},    {37, 0.74f, 1}, {8, 0.75f, 2},
      {8, 0.24f, 0},   {6, 1.0f, 26},   {6, 0.5f, 13},    {6, 0.0f, 0},   {28, 1.0f, 26},
      {28, 0.02f, 1},  {28, 0.019f, 0}, {28, 1.5f, 39},
  };
  for (const auto& c : cases) {
    set_int(e, c.index, 7);
    KEYS[c.index].set_normalized(e, c.x);
    EXPECT_EQ(get_int(e, c.index), c.stored) << KEYS[c.index].key << " x " << c.x;
    set_int(e, c.index, 7);
    vantora_set_normalized_parameter_float_value(e, c.index, c.x);
    EXPECT_EQ(get_int(e, c.index), c.stored) << KEYS[c.index].key << " by index x " << c.x;
  }
  vantora_set_normalized_backflow_shape(e, 1.0f);
  EXPECT_EQ(vantora_get_backflow_shape(e), 26);
  EXPECT_EQ(vantora_get_normalized_backflow_shape(e), 26.0f * 0.03846154f);
  vantora_set_whistling_shape(e, 1);
  EXPECT_EQ(vantora_get_normalized_whistling_shape(e), 0.5f);
  vantora_set_backflow_filtertype(e, 2);
  EXPECT_EQ(vantora_get_normalized_backflow_filtertype(e), 1.0f);
  vantora_set_squalls_shape(e, -2);
  EXPECT_EQ(vantora_get_normalized_squalls_shape(e), -1.0f);
}

TEST(VantoraParameters, PerKeyFunctionsMatchTheByIndexFunctions) {
  engine e;
  for (const key_fns& p : KEYS) {
    const double v = p.k == CHOICE ? 2.0 : p.k == FREE ? 777.0 : 0.625;
    p.set(e, v);
    if (p.k == CHOICE)
      EXPECT_EQ(get_int(e, p.index), 2) << p.key;
    else
      EXPECT_EQ(get_float(e, p.index), static_cast<float>(v)) << p.key;
    EXPECT_EQ(p.get(e), v) << p.key;
    EXPECT_EQ(p.get_normalized(e), vantora_get_normalized_parameter_float_value(e, p.index))
        << p.key;
  }
}

// All six by-index functions ignore an index past the table.
TEST(VantoraParameters, IndicesPastTheTableAreIgnored) {
  engine e;
  const std::vector<uint32_t> before = all_values(e);
  const std::vector<uint8_t> record = e.bytes();
  for (uint32_t index : {47u, 48u, 1000u, 0x80000000u, 0xFFFFFFFFu}) {
    const float f = 0.75f;
    const int32_t n = 3;
    EXPECT_EQ(vantora_set_parameter_value(e, index, &f), 0);
    EXPECT_EQ(vantora_set_parameter_value(e, index, &n), 0);
    EXPECT_EQ(vantora_set_normalized_parameter_value(e, index, &f), 0);
    EXPECT_EQ(vantora_set_normalized_parameter_float_value(e, index, f), 0);

    uint32_t sink = 0xDEADBEEFu;
    EXPECT_EQ(vantora_get_parameter_value(e, index, &sink), 0);
    EXPECT_EQ(sink, 0xDEADBEEFu) << index;
    float fsink = -7.0f;
    EXPECT_EQ(vantora_get_normalized_parameter_value(e, index, &fsink), 0);
    EXPECT_EQ(fsink, -7.0f) << index;
    EXPECT_EQ(vantora_get_normalized_parameter_float_value(e, index), 0.0f) << index;
  }
  EXPECT_EQ(all_values(e), before);
  EXPECT_TRUE(e.bytes() == record) << "an ignored index changed the record";
}

TEST(VantoraParameters, NullValuePointersChangeNothing) {
  engine e;
  const std::vector<uint8_t> record = e.bytes();
  for (uint32_t index : {0u, 6u, 13u, 46u}) {
    EXPECT_EQ(vantora_set_parameter_value(e, index, nullptr), 0);
    EXPECT_EQ(vantora_set_normalized_parameter_value(e, index, nullptr), 0);
    EXPECT_EQ(vantora_get_parameter_value(e, index, nullptr), 0);
    EXPECT_EQ(vantora_get_normalized_parameter_value(e, index, nullptr), 0);
  }
  EXPECT_TRUE(e.bytes() == record);
}

// The natural by-index pair moves an int32 for a choice and a float for a
// float parameter.
TEST(VantoraParameters, ByIndexNaturalAccessMovesIntegersForChoices) {
  engine e;
  const int32_t five = 5;
  EXPECT_EQ(vantora_set_parameter_value(e, 6, &five), 0);
  EXPECT_EQ(vantora_get_backflow_shape(e), 5);
  int32_t back = 0;
  vantora_get_parameter_value(e, 6, &back);
  EXPECT_EQ(back, 5);
  // The bytes of the float 1.0 read as an integer, not as the number 1.
  const float one = 1.0f;
  vantora_set_parameter_value(e, 17, &one);
  EXPECT_EQ(vantora_get_whistling_shape(e), std::bit_cast<int32_t>(one));
  // A float parameter reads and writes float bytes.
  const float q = 0.75f;
  vantora_set_parameter_value(e, 18, &q);
  EXPECT_EQ(vantora_get_whistling_qfactor(e), 0.75f);
  float fq = 0.0f;
  vantora_get_parameter_value(e, 18, &fq);
  EXPECT_EQ(fq, 0.75f);
}

// Sub-setter formulas at the ends of their ranges, read from the derived
// values (powers in double, the rest in single precision): one case per
// voice kind the sub-setters feed.
TEST(VantoraParameters, SubSettersDeriveTheBackflowValues) {
  engine e;
  vantora_set_backflow_frequency(e, 0.0f);
  EXPECT_EQ(ld(e->backflow_p.base_freq), 100.0f);
  vantora_set_backflow_frequency(e, 1.0f);
  EXPECT_EQ(ld(e->backflow_p.base_freq), 10000.0f);
  vantora_set_backflow_frequency(e, 0.435f);
  const float bf = static_cast<float>(std::pow(0.435, 3.9956350326538086)) * 9900.0f + 100.0f;
  EXPECT_LE(ulp_diff(ld(e->backflow_p.base_freq), bf), 2);
  EXPECT_NEAR(ld(e->backflow_p.base_freq), 100.0 + 9900.0 * std::pow(0.435, 3.9956350326538086),
              0.01);

  vantora_set_backflow_qfactor(e, 0.0f);
  EXPECT_EQ(ld(e->backflow_p.q), 0.1f);
  vantora_set_backflow_qfactor(e, 1.0f);
  EXPECT_LE(ulp_diff(ld(e->backflow_p.q), 10.0f), 2);

  vantora_set_variation_rate(e, 0.0f);
  EXPECT_EQ(ld(e->backflow_p.variation_rate), 10.0f);
  vantora_set_variation_rate(e, 1.0f);
  EXPECT_EQ(ld(e->backflow_p.variation_rate), 100.0f);
}

TEST(VantoraParameters, SubSettersDeriveTheWhistlingValues) {
  engine e;
  vantora_set_whistling_qfactor(e, 0.0f);
  EXPECT_EQ(ld(e->whistling_p.q), 2.0f);
  vantora_set_whistling_qfactor(e, 1.0f);
  EXPECT_EQ(ld(e->whistling_p.q), 20.0f);
}

TEST(VantoraParameters, SubSettersDeriveTheSquallsValues) {
  engine e;
  vantora_set_squalls_rate(e, 0.0f);
  EXPECT_EQ(ld(e->squalls_p.envelope_cutoff), 2.2f);
  vantora_set_squalls_rate(e, 1.0f);
  EXPECT_LE(ulp_diff(ld(e->squalls_p.envelope_cutoff), 15.0f), 2);
}

TEST(VantoraParameters, SubSettersDeriveTheControllerAndGustsValues) {
  engine e;
  vantora_set_global_dutycycle(e, 0.0f);
  EXPECT_EQ(ld(e->global.params.duty_cycle), 0.05f);
  vantora_set_global_dutycycle(e, 1.0f);
  EXPECT_LE(ulp_diff(ld(e->global.params.duty_cycle), 0.95f), 2);
  vantora_set_gusts_dutycycle(e, 0.0f);
  EXPECT_EQ(ld(e->gusts_p.duty_cycle), 0.05f);
  vantora_set_gusts_dutycycle(e, 1.0f);
  EXPECT_LE(ulp_diff(ld(e->gusts_p.duty_cycle), 0.95f), 2);

  vantora_set_global_control(e, 0.3f);
  vantora_set_global_coupling_from_outside(e, 0.7f);
  EXPECT_EQ(ld(e->global.params.manual), 0.3f);
  EXPECT_EQ(ld(e->global.params.coupling), 0.7f);
}

TEST(VantoraParameters, SubSettersDeriveTheLfeValues) {
  engine e;
  vantora_set_wind_lfe_freq_cutoff(e, 150.0f);
  vantora_set_wind_lfe_level(e, 0.4f);
  EXPECT_EQ(ld(e->lfe_p.cutoff), 150.0f);
  EXPECT_EQ(ld(e->lfe_p.level), 0.4f);
}

// Filter type choice 0, 1, 2 selects low pass (0), constant-skirt band pass
// (3) and gain only (9); another value is stored but keeps the type.
TEST(VantoraParameters, BackflowFilterTypeMapping) {
  engine e;
  vantora_set_backflow_filtertype(e, 1);
  EXPECT_EQ(ld(e->backflow_p.filter_type), 3);
  vantora_set_backflow_filtertype(e, 2);
  EXPECT_EQ(ld(e->backflow_p.filter_type), 9);
  vantora_set_backflow_filtertype(e, 0);
  EXPECT_EQ(ld(e->backflow_p.filter_type), 0);
  vantora_set_backflow_filtertype(e, 1);
  for (int32_t bad : {3, -1, 9, 1000}) {
    clear_dirty(e);
    vantora_set_backflow_filtertype(e, bad);
    EXPECT_EQ(vantora_get_backflow_filtertype(e), bad);
    EXPECT_EQ(ld(e->backflow_p.filter_type), 3) << bad;
    EXPECT_TRUE(dirty(e, VF_BACKFLOW)) << "flags are set even for an invalid type";
  }
}

// The shape choices copy a row of their table; both "Forest" and whistle
// "Large" are (0.0568, -1.4752, 0.4887). An index outside the table is
// stored but keeps the coefficients, and the next render still runs.
TEST(VantoraParameters, ShapeTables) {
  engine e;
  vantora_set_backflow_shape(e, 5);
  vantora_set_whistling_shape(e, 1);
  expect_shape(e->backflow_p.shape.load(), 0.0568f, -1.4752f, 0.4887f);
  expect_shape(e->whistling_p.shape.load(), 0.0568f, -1.4752f, 0.4887f);
  vantora_set_gusts_shape(e, 11);
  expect_shape(e->gusts_p.shape.load(), 0.006f, -1.98f, 0.99f);
  vantora_set_squalls_shape(e, 2);
  expect_shape(e->squalls_p.shape.load(), 0.004f, -1.986406f, 0.992332f);
  vantora_set_squalls_shape(e, 0);
  expect_shape(e->squalls_p.shape.load(), 0.007f, -1.918f, 0.9186f);
  vantora_set_whistling_shape(e, 2);
  expect_shape(e->whistling_p.shape.load(), 0.006f, -1.98f, 0.99f);
  vantora_set_whistling_shape(e, 1);

  // The selected row reaches the voices' resonators at the next render.
  std::vector<float> out(64 * 4);
  vantora_process(e, out.data(), QUAD, 64);
  for (const auto& v : e->backflow) EXPECT_EQ(v.shape.g, 0.0568f);
  for (const auto& v : e->whistling) EXPECT_EQ(v.shape.a1, -1.4752f);

  for (int32_t bad : {27, -1, 1000}) {
    vantora_set_backflow_shape(e, bad);
    vantora_set_gusts_shape(e, bad);
    EXPECT_EQ(vantora_get_backflow_shape(e), bad);
    EXPECT_EQ(ld(e->backflow_p.shape_index), bad);
    expect_shape(e->backflow_p.shape.load(), 0.0568f, -1.4752f, 0.4887f);
    expect_shape(e->gusts_p.shape.load(), 0.006f, -1.98f, 0.99f);
  }
  for (int32_t bad : {3, -1}) {
    vantora_set_whistling_shape(e, bad);
    vantora_set_squalls_shape(e, bad);
    EXPECT_EQ(vantora_get_whistling_shape(e), bad);
    EXPECT_EQ(vantora_get_squalls_shape(e), bad);
    expect_shape(e->whistling_p.shape.load(), 0.0568f, -1.4752f, 0.4887f);
    expect_shape(e->squalls_p.shape.load(), 0.007f, -1.918f, 0.9186f);
  }
  vantora_process(e, out.data(), QUAD, 64);
  for (const auto& v : e->backflow) EXPECT_EQ(v.shape.g, 0.0568f);
  for (float s : out) EXPECT_TRUE(std::isfinite(s));
}

// Each setter marks exactly the voices its parameter feeds for re-design;
// the gain marks none. The next render takes every mark.
TEST(VantoraParameters, SettersMarkOnlyTheirVoicesForRedesign) {
  engine e;
  std::vector<float> out(64 * 6);
  vantora_process(e, out.data(), FIVE_ONE, 64);
  for (int f = 0; f < VF_COUNT; ++f) EXPECT_FALSE(dirty(e, f)) << "flag " << f << " not taken";

  auto expected_range = [](uint32_t i, int* first, int* count) {
    if (i <= 5) *first = VF_GLOBAL, *count = 1;
    else if (i <= 15) *first = VF_BACKFLOW, *count = 4;
    else if (i <= 26) *first = VF_WHISTLING, *count = 3;
    else if (i <= 35) *first = VF_GUSTS, *count = 4;
    else if (i <= 43) *first = VF_SQUALLS, *count = 2;
    else *first = VF_LFE, *count = 1;
  };
  for (uint32_t i = 0; i < 46; ++i) {
    clear_dirty(e);
    if (is_choice(i))
      set_int(e, i, 1);
    else
      set_float(e, i, is_hz(i) ? 300.0f : 0.5f);
    int first, count;
    expected_range(i, &first, &count);
    for (int f = 0; f < VF_COUNT; ++f)
      EXPECT_EQ(dirty(e, f), f >= first && f < first + count) << KEYS[i].key << " flag " << f;
  }
}

TEST(VantoraParameters, TheGainMarksNoVoice) {
  engine e;
  clear_dirty(e);
  vantora_set_gain(e, 0.5f);
  for (int f = 0; f < VF_COUNT; ++f) EXPECT_FALSE(dirty(e, f));
}

TEST(VantoraParameters, SelectingTheSameShapeAgainStillMarksTheKind) {
  engine e;
  vantora_set_backflow_shape(e, 10);
  clear_dirty(e);
  vantora_set_backflow_shape(e, 10);
  for (int f = VF_BACKFLOW; f < VF_BACKFLOW + 4; ++f) EXPECT_TRUE(dirty(e, f));
}

TEST(VantoraParameters, MarksAreTakenByACallThatRendersNothing) {
  engine e;
  std::vector<float> out(64 * 6);
  vantora_set_backflow_shape(e, 10);
  vantora_set_gain(e, 0.0f);
  vantora_process(e, out.data(), FIVE_ONE, 64);
  for (int f = 0; f < VF_COUNT; ++f) EXPECT_FALSE(dirty(e, f));
}

// The table's voice column sends every parameter to a voice whose
// sub-setter has a case for it; the gain and indices past the table go
// nowhere. The keys the plug-in rows and the banks name by are the table's
// indices.
TEST(VantoraParameters, EveryParameterReachesTheSubSetterOfItsVoice) {
  engine e;
  for (uint32_t i = 0; i < VANTORA_GAIN_INDEX; ++i)
    EXPECT_TRUE(vantora_sub_setter(e, i)) << VANTORA_PARAMETER_TABLE[i].key;
  EXPECT_FALSE(vantora_sub_setter(e, VANTORA_GAIN_INDEX));
  EXPECT_FALSE(vantora_sub_setter(e, VANTORA_PARAM_COUNT));
  EXPECT_EQ(static_cast<uint32_t>(vantora_param::backflow_shape), 6u);
  EXPECT_STREQ(VANTORA_PARAMETER_TABLE[static_cast<uint32_t>(vantora_param::gusts_hc_freq)].key,
               "gusts_hc_freq");
  EXPECT_EQ(static_cast<uint32_t>(vantora_param::global_gain), VANTORA_GAIN_INDEX);
}
