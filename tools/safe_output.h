#pragma once
// Output files written whole or not at all.

#include <string>

// Writes a file through a temporary beside it, renamed at the end and
// removed on failure.
class atomic_output {
 public:
  explicit atomic_output(std::string path);
  ~atomic_output();
  atomic_output(const atomic_output&) = delete;
  atomic_output& operator=(const atomic_output&) = delete;

  const std::string& temp() const { return temp_; }
  void commit();

 private:
  std::string path_, temp_;
  bool committed_ = false;
};
