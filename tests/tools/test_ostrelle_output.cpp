// The renderer's output files end to end: never a partial file left behind,
// the headers and channel masks other tools read, standard output.

#include <chrono>
#include <thread>

#include "tests/tools/ostrelle_fixture.h"

using namespace ostrelle_test;

namespace {

// Waits until the file exists (true) or the process has ended (false).
bool wait_for_file(const fs::path& p, pid_t pid) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < until) {
    if (fs::exists(p)) return true;
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

TEST_F(Ostrelle, AnInterruptedRenderLeavesNoFile) {
  // Ctrl-C, kill, a closed terminal, a quit key, a crash: whatever stops a
  // long render midway, neither its temporary nor a partial file remains.
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGSEGV}) {
    SCOPED_TRACE(strsignal(sig));
    const pid_t pid = start({"render", "wind", "-o", "long.wav", "--seconds", "3600"});
    const fs::path part = path(".long.wav.part" + std::to_string(pid));
    ASSERT_TRUE(wait_for_file(part, pid));
    ::kill(pid, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    // Stopped by the signal itself, as a shell expects (a sanitizer build
    // reports a crash signal and exits instead).
    if (sig != SIGSEGV) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    } else {
      EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(files(), std::vector<std::string>{});
  }

  // A file-size limit stops the render with SIGXFSZ on its own.
  const pid_t pid = start({"render", "wind", "-o", "big.wav", "--seconds", "60"}, 1 << 20);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  EXPECT_EQ(files(), std::vector<std::string>{});
}

}  // namespace
