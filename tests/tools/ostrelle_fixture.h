#pragma once
// The fixture of the renderer's end-to-end tests: the built binary run in a
// folder of its own, with both output streams captured, and sound files read
// back with libsndfile.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ostrelle_test {

namespace fs = std::filesystem;

struct result {
  int status;
  std::string out, err;
};

inline std::string slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The binary under test: the build's, or another one named by
// OSTRELLE_TEST_BINARY (an installed copy, an older build).
inline const char* binary() {
  const char* other = std::getenv("OSTRELLE_TEST_BINARY");
  return other && *other ? other : OSTRELLE_BINARY;
}

class Ostrelle : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ostrelle_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path path(const std::string& name) const { return dir_ / name; }


  // Runs the binary with the arguments (a shell word list) from the test
  // folder, capturing both output streams.
  result run(const std::string& args) const {
    const fs::path out = dir_ / ".stdout", err = dir_ / ".stderr";
    const std::string cmd = "cd '" + dir_.string() + "' && '" + std::string(binary()) + "' " + args +
                            " > '" + out.string() + "' 2> '" + err.string() + "' < /dev/null";
    const int raw = std::system(cmd.c_str());
    result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
    fs::remove(out);
    fs::remove(err);
    return r;
  }

  // Starts the binary with the arguments in the test folder without a shell,
  // so that signals reach it, with every signal at its default disposition
  // and output files limited to file_size_limit bytes (0: no limit).
  pid_t start(const std::vector<std::string>& args, rlim_t file_size_limit = 0) const {
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (int sig = 1; sig < NSIG; ++sig) std::signal(sig, SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      if (file_size_limit) {
        const rlimit limit{file_size_limit, file_size_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      if (::chdir(dir_.c_str()) != 0) ::_exit(126);
      std::FILE* null = std::fopen("/dev/null", "w");
      ::dup2(::fileno(null), 1);
      ::dup2(::fileno(null), 2);
      std::vector<char*> argv{const_cast<char*>(binary())};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(binary(), argv.data());
      ::_exit(127);
    }
    return pid;
  }

  // Files in the test folder (the check that a failed command left nothing).
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  // A refused command: a non-zero status, one line on standard error that
  // says `says`, nothing on standard output, the folder's files as before.
  void expect_refused(const std::string& args, const std::string& says) const {
    SCOPED_TRACE(args);
    const std::vector<std::string> before = files();
    const result r = run(args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(files(), before);
  }

  fs::path dir_;
};

struct sound {
  SF_INFO info{};
  std::vector<float> samples;
};

inline sound read_sound(const fs::path& p) {
  sound s;
  SNDFILE* f = sf_open(p.c_str(), SFM_READ, &s.info);
  if (!f) return s;
  s.samples.resize(static_cast<std::size_t>(s.info.frames) * s.info.channels);
  sf_readf_float(f, s.samples.data(), s.info.frames);
  sf_close(f);
  return s;
}

inline double rms(const std::vector<float>& x, std::size_t from, std::size_t to) {
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

}  // namespace ostrelle_test
