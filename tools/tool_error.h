#pragma once
// The one kind of failure the tools report: a message of one line for the
// user, printed as "ostrelle: MESSAGE" with a non-zero exit status.

#include <stdexcept>

struct tool_error : std::runtime_error {
  using std::runtime_error::runtime_error;
};
