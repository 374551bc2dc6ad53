#include "tools/safe_output.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "tools/tool_error.h"

namespace {

// Temporaries being written, readable from a signal handler: a slot is armed
// only once its path is complete, and disarmed only once the file is gone or
// renamed.
struct pending_file {
  char path[PATH_MAX];
  volatile sig_atomic_t armed;
};
constexpr int PENDING_SLOTS = 4;
pending_file pending[PENDING_SLOTS];

struct sigaction previous[NSIG];

// Removes the temporaries, puts back the action the signal had before (the
// default, or a sanitizer's report) and raises it again: delivered once this
// handler returns, it ends the program as it would have without us.
extern "C" void remove_pending_files(int sig) {
  const int saved = errno;
  for (pending_file& p : pending)
    if (p.armed) ::unlink(p.path);
  ::sigaction(sig, &previous[sig], nullptr);
  ::raise(sig);
  errno = saved;
}

// Every signal whose default action ends the process, except SIGKILL (and
// SIGSTOP, which only pauses it).
void install_handlers() {
  static char alternate_stack[64 * 1024];  // lets a stack overflow be handled
  stack_t ss{};
  ss.ss_sp = alternate_stack;
  ss.ss_size = sizeof alternate_stack;
  ::sigaltstack(&ss, nullptr);

  struct sigaction action {};
  action.sa_handler = remove_pending_files;
  action.sa_flags = SA_ONSTACK;
  ::sigfillset(&action.sa_mask);
  auto take = [&](int sig) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0) return;
    // A signal ignored when we started (nohup, a background job) stays ignored.
    if (!(old.sa_flags & SA_SIGINFO) && old.sa_handler == SIG_IGN) return;
    previous[sig] = old;
    ::sigaction(sig, &action, nullptr);
  };
  for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGUSR1,
                  SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM,
                  SIGPROF, SIGSYS})
    take(sig);
#ifdef SIGSTKFLT
  take(SIGSTKFLT);
#endif
#ifdef SIGIO
  take(SIGIO);
#endif
#ifdef SIGPWR
  take(SIGPWR);
#endif
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) take(sig);
}

std::mutex slots_lock;

int arm(const std::string& temp) {
  static std::once_flag installed;
  std::call_once(installed, install_handlers);
  if (temp.size() >= PATH_MAX) throw tool_error("cannot write '" + temp + "': path too long");
  std::lock_guard<std::mutex> hold(slots_lock);
  for (int i = 0; i < PENDING_SLOTS; ++i) {
    if (pending[i].armed) continue;
    std::memcpy(pending[i].path, temp.c_str(), temp.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    pending[i].armed = 1;
    return i;
  }
  throw tool_error("cannot write '" + temp + "': too many files open at once");
}

void disarm(int slot) {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  pending[slot].armed = 0;
}

std::string temp_name(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".part" + std::to_string(::getpid());
}

}  // namespace

void refuse_existing(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0)
    throw tool_error("'" + path + "' exists (--no-clobber)");
}

atomic_output::atomic_output(std::string path, bool no_clobber)
    : path_(std::move(path)), temp_(temp_name(path_)), slot_(-1), no_clobber_(no_clobber) {
  if (no_clobber_) refuse_existing(path_);
  slot_ = arm(temp_);
}

atomic_output::~atomic_output() {
  if (!committed_) std::remove(temp_.c_str());
  disarm(slot_);
}

void atomic_output::commit() {
  int rc;
  if (no_clobber_) {
    rc = ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_NOREPLACE);
    // File systems without that flag: a hard link fails as well when the
    // name exists.
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS) &&
        (rc = ::link(temp_.c_str(), path_.c_str())) == 0)
      ::unlink(temp_.c_str());
    if (rc != 0 && errno == EEXIST) throw tool_error("'" + path_ + "' exists (--no-clobber)");
  } else {
    rc = std::rename(temp_.c_str(), path_.c_str());
  }
  if (rc != 0) throw tool_error("cannot write '" + path_ + "': " + std::strerror(errno));
  committed_ = true;
}
