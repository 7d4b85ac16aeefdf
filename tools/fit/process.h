// Running the other programs: chi2map and gnuplot.
#pragma once

#include <string>
#include <vector>

namespace fit {

// A fresh directory under TMPDIR (or /tmp), removed with all it holds.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Empty when the directory could not be made.
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct Redirections {
  std::string directory;  // where the program runs; empty: here
  std::string input;      // files for standard input, output and error
  std::string output;
  std::string error;
};

// Runs `argv` (argv[0] a path) and waits for it: its exit status, 128 plus
// the signal's number when a signal ended it, -1 when it could not be run.
[[nodiscard]] int runProgram(const std::vector<std::string>& argv, const Redirections& redirections);

// The first executable NAME on PATH; empty when there is none.
[[nodiscard]] std::string findOnPath(const std::string& name);

// The directory this program's binary is in.
[[nodiscard]] std::string ownDirectory();

[[nodiscard]] bool readFile(const std::string& path, std::string& text);
[[nodiscard]] bool writeFile(const std::string& path, const std::string& text);

}  // namespace fit
