// The rain library as built: it exports exactly the engine functions its
// public header declares, depends on nothing but the C and maths libraries,
// and exports the normalised functions of 0..1 parameters as aliases of the
// natural ones. The paths come from the build (the test target depends on
// the library). The export and dependency listings come from the ELF tools;
// a Windows build checks its DLLs' PE tables on the build machine instead
// (tests/platform/check_pe_tables.cmake).

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "pluvessa_test_util.h"
#include "tests/common/aligned_memory.h"
#include "tests/host/library_loader.h"

using namespace rain_test;

namespace {

#if !defined(_WIN32)
// Output of a command, or an empty string with a failure recorded.
std::string run(const std::string& command) {
  std::string text;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return text;
  }
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) text.append(buf.data(), n);
  const int status = pclose(p);
  EXPECT_EQ(status, 0) << command;
  return text;
}
#endif

// The functions the public header declares.
std::set<std::string> header_functions() {
  std::ifstream in(PLUVESSA_HEADER_PATH);
  EXPECT_TRUE(in.good()) << PLUVESSA_HEADER_PATH;
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  const std::regex decl(R"(PLUVESSA_API\s+[A-Za-z0-9_ \*]*?\b(pluvessa_[a-z0-9_]+)\s*\()");
  std::set<std::string> names;
  size_t declarations = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), decl), end; it != end; ++it) {
    names.insert((*it)[1].str());
    ++declarations;
  }
  EXPECT_EQ(declarations, names.size()) << "a function is declared twice";
  return names;
}

}  // namespace

TEST(PluvessaLibrary, HeaderDeclares157Functions) {
  const std::set<std::string> names = header_functions();
  EXPECT_EQ(names.size(), 157u);
  for (const key_case& k : KEYS) {
    for (const char* prefix :
         {"pluvessa_set_", "pluvessa_get_", "pluvessa_set_normalized_", "pluvessa_get_normalized_"})
      EXPECT_EQ(names.count(prefix + std::string(k.key)), 1u) << prefix << k.key;
  }
}

#if !defined(_WIN32)
// `nm -D --defined-only` lists exactly the header's functions, all as code.
// The host entry point FMODGetDSPDescription is the one other name the
// library may export, once the plug-in adapter is linked into it.
TEST(PluvessaLibrary, ExportsExactlyTheHeaderFunctions) {
  const std::set<std::string> declared = header_functions();
  const std::string listing =
      run(std::string(PLUVESSA_NM) + " -D --defined-only '" + PLUVESSA_LIBRARY_PATH + "'");
  std::set<std::string> exported;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string address, type, name;
    fields >> address >> type >> name;
    if (name.empty()) continue;
    if (name == "FMODGetDSPDescription") continue;
    exported.insert(name);
    EXPECT_EQ(type, "T") << name << " is not exported as code";
  }
  for (const std::string& n : declared) EXPECT_EQ(exported.count(n), 1u) << n << " not exported";
  for (const std::string& n : exported) EXPECT_EQ(declared.count(n), 1u) << n << " exported";
  EXPECT_EQ(exported.size(), 157u);
}

// The library needs only the C library and the maths library at run time
// (the dynamic loader may be named too).
TEST(PluvessaLibrary, NeedsOnlyLibcAndLibm) {
#ifdef PLUVESSA_LIBRARY_INSTRUMENTED
  GTEST_SKIP() << "an instrumented build links the library against the sanitizer runtime";
#endif
  const std::string dynamic =
      run(std::string(PLUVESSA_READELF) + " -d '" + PLUVESSA_LIBRARY_PATH + "'");
  const std::regex needed(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
  std::set<std::string> libs;
  for (std::sregex_iterator it(dynamic.begin(), dynamic.end(), needed), end; it != end; ++it)
    libs.insert((*it)[1].str());
  EXPECT_EQ(libs.count("libc.so.6"), 1u);
  for (const std::string& lib : libs) {
    const bool allowed = lib == "libc.so.6" || lib == "libm.so.6" || lib.rfind("ld-linux", 0) == 0;
    EXPECT_TRUE(allowed) << "needs " << lib;
  }
}
#endif

// The normalised pair of a 0..1 parameter is its natural pair under a second
// name: one address for both. Hz-like parameters have functions of their own.
TEST(PluvessaLibrary, NormalisedUnitFunctionsAreAliases) {
  const fmod_host::shared_library lib(PLUVESSA_LIBRARY_PATH);
  ASSERT_TRUE(lib.loaded()) << lib.error();
  void* get_rate = lib.symbol("pluvessa_get_global_rate");
  void* get_rate_n = lib.symbol("pluvessa_get_normalized_global_rate");
  ASSERT_NE(get_rate, nullptr);
  EXPECT_EQ(get_rate_n, get_rate);
  for (const key_case& k : KEYS) {
    for (const char* verb : {"set", "get"}) {
      void* natural = lib.symbol((std::string("pluvessa_") + verb + "_" + k.key).c_str());
      void* normalised = lib.symbol((std::string("pluvessa_") + verb + "_normalized_" + k.key).c_str());
      ASSERT_NE(natural, nullptr) << verb << " " << k.key;
      ASSERT_NE(normalised, nullptr) << verb << " normalised " << k.key;
      if (k.unit) {
        EXPECT_EQ(normalised, natural) << verb << " " << k.key;
      } else {
        EXPECT_NE(normalised, natural) << verb << " " << k.key;
      }
    }
  }

  // And they return the same values on a record run by the library.
  using size_fn = uint32_t (*)();
  using init_fn = int32_t (*)(pluvessa_engine*, float);
  using set_fn = void (*)(pluvessa_engine*, float);
  using get_fn = float (*)(const pluvessa_engine*);
  const auto get_size = reinterpret_cast<size_fn>(lib.symbol("pluvessa_get_size"));
  const auto init = reinterpret_cast<init_fn>(lib.symbol("pluvessa_init"));
  const auto set_rate = reinterpret_cast<set_fn>(lib.symbol("pluvessa_set_normalized_global_rate"));
  ASSERT_TRUE(get_size && init && set_rate);
  const size_t size = (static_cast<size_t>(get_size()) + 63u) / 64u * 64u;
  void* memory = test_memory::aligned_allocate(64, size);
  auto* e = static_cast<pluvessa_engine*>(memory);
  ASSERT_EQ(init(e, RATE), 0);
  EXPECT_EQ(reinterpret_cast<get_fn>(get_rate)(e), 0.572f);
  EXPECT_EQ(reinterpret_cast<get_fn>(get_rate_n)(e), 0.572f);
  set_rate(e, 0.8f);
  EXPECT_EQ(reinterpret_cast<get_fn>(get_rate)(e), 0.8f);
  EXPECT_EQ(reinterpret_cast<get_fn>(get_rate_n)(e), 0.8f);
  test_memory::aligned_release(memory);
}
