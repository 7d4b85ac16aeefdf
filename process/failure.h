// How every step of the tools that can fail says so: it returns a Failure,
// empty when the step succeeded, otherwise the one line that tells the user
// why and the exit status that ends the run. Only memory running out is an
// exception (std::bad_alloc), caught once around each tool's run.
#pragma once

#include <string>
#include <utility>

namespace process {

inline constexpr int kFailed = 1;  // no result, or a file that could not be written
inline constexpr int kUsage = 2;   // a usage error, or outputs that are one file

class [[nodiscard]] Failure {
 public:
  Failure() = default;
  explicit Failure(std::string why, int status = kFailed) : why_(std::move(why)), status_(status) {}

  // True when the step failed.
  explicit operator bool() const { return !why_.empty(); }
  [[nodiscard]] const std::string& why() const { return why_; }
  [[nodiscard]] int status() const { return status_; }

  // The same failure told in its context: "cannot write 'fit.png': " + why;
  // none when there is none.
  [[nodiscard]] Failure after(const std::string& context) const {
    return why_.empty() ? Failure() : Failure(context + why_, status_);
  }

 private:
  std::string why_;
  int status_ = 0;
};

}  // namespace process
