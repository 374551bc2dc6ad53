#pragma once
// Output files written whole or not at all, whatever stops the program.

#include <string>

// Refuses (with --no-clobber in the message) when a file of that name exists.
void refuse_existing(const std::string& path);

// Writes a file through a temporary beside it, renamed at the end. The
// temporary is removed on failure, and also when a signal ends the program
// (interrupt, terminate, hang-up, a crash: every signal that can be caught),
// after which the signal takes its course. With no_clobber an existing file
// of that name is never replaced: refused when the output is opened, and
// again (atomically) at the rename, should one have appeared meanwhile.
class atomic_output {
 public:
  explicit atomic_output(std::string path, bool no_clobber = false);
  ~atomic_output();
  atomic_output(const atomic_output&) = delete;
  atomic_output& operator=(const atomic_output&) = delete;

  const std::string& temp() const { return temp_; }
  void commit();

 private:
  std::string path_, temp_;
  int slot_;
  bool no_clobber_;
  bool committed_ = false;
};
