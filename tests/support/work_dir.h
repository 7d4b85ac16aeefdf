// A fresh temporary working directory for one test, removed afterwards.
#pragma once

#include <string>

namespace fake {

class WorkDir {
 public:
  WorkDir();
  ~WorkDir();
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

void writeFile(const std::string& name, const std::string& bytes);
std::string readFile(const std::string& name);
bool fileExists(const std::string& name);

}  // namespace fake
