#include "tools/safe_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/tool_error.h"

namespace {

std::string temp_name(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".part" + std::to_string(::getpid());
}

}  // namespace

atomic_output::atomic_output(std::string path) : path_(std::move(path)), temp_(temp_name(path_)) {}

atomic_output::~atomic_output() {
  if (!committed_) std::remove(temp_.c_str());
}

void atomic_output::commit() {
  if (std::rename(temp_.c_str(), path_.c_str()) != 0)
    throw tool_error("cannot write '" + path_ + "': " + std::strerror(errno));
  committed_ = true;
}
