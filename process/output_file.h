// Every file the tools write, the figure, --profiles and --script alike, goes
// through one writer: the new bytes replace a file whole or not at all. A
// regular file (or a name not yet taken) gets a temporary with a short hidden
// name beside it, written in full, synced and renamed over the file only when
// the run commits; a symbolic link to a regular file keeps being a link, the
// file it points to is replaced. A device, a FIFO, a socket or standard
// output ("-", /dev/stdout) is written in place at commit: there is nothing
// to rename into it. Until then an output leaves no trace, and a failed or
// interrupted run leaves the old file byte for byte.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "process/failure.h"
#include "process/messages.h"

namespace process {

class Output {
 public:
  explicit Output(std::string name);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Writes the bytes to the temporary and syncs them, or holds them for a
  // target written in place. The failure is the error of the call that
  // failed (the temporary is then gone).
  Failure stage(std::string_view bytes);
  // Renames the temporary over the target, or writes the held bytes in
  // place. The failure is the error of the call that failed.
  Failure commit();
  // Whether the bytes go to the process's standard output.
  [[nodiscard]] bool toStandardOutput() const { return standardOutput_; }
  // Whether the bytes are written in place at commit (no temporary).
  [[nodiscard]] bool inPlace() const { return target_.empty(); }

 private:
  std::string name_;       // as given
  std::string target_;     // the regular file to replace; empty when written in place
  std::string temporary_;  // while it exists
  std::string held_;
  int slot_ = -1;
  int unresolved_ = 0;  // the error of a link on the way to the target that could not be read
  bool standardOutput_ = false;
  void dropTemporary();
};

// The files of one run: each staged when its bytes are ready, all taking
// their places at commit, those written in place first, then the others,
// each in the order staged, so that nothing is kept unless the whole run
// succeeds. What the run says it wrote goes between the two: only once what
// cannot be taken back is written, and before anything is renamed. A
// failure names its file: "cannot write 'NAME': " and the error.
class OutputFiles {
 public:
  Failure stage(const std::string& name, std::string_view bytes);
  // Whether a file staged goes to standard output: what the run prints
  // then goes to standard error, so that the file there stays whole.
  [[nodiscard]] bool toStandardOutput() const;
  // Writes the outputs written in place (which cannot be taken back, and
  // fail most: a full device, a reader gone from a pipe).
  Failure commitInPlace();
  // Renames the others into place.
  Failure commitRenamed();

 private:
  std::vector<std::pair<std::string, std::unique_ptr<Output>>> outputs_;
};

// Whether an output named `name` goes to a terminal: "-" when standard
// output is one. No image is written there.
[[nodiscard]] bool toTerminal(const std::string& name);

// Why `name` cannot be written (a folder, a folder that is missing or not
// writable, a file that may not be written); none when it can, or when it
// is written in place.
Failure unwritable(const std::string& name);

// The refusal (exit status kUsage) when two outputs are one file, an
// output is an input (by device and inode where the file exists, by resolved
// path where not) or two inputs are one pipe; none when all differ. "-" is
// standard output among outputs, standard input among inputs.
Failure sameFileRefusal(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

// Refused before anything is read: outputs that are one file or the input,
// then one that cannot be written ("cannot write 'NAME': WHY; choose
// another name").
Failure refuseOutputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

}  // namespace process
