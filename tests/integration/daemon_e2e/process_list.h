#pragma once
// Finding the processes a test started, by what their command lines name (a test's own folder).

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// The processes (other than this one) whose command line names `text`.
inline std::vector<pid_t> ProcessesMentioning(const std::string& text) {
  std::vector<pid_t> found;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return found;
  while (dirent* e = ::readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
    if (pid <= 0 || pid == ::getpid()) continue;
    std::ifstream in(std::string("/proc/") + e->d_name + "/cmdline", std::ios::binary);
    std::stringstream cmd;
    cmd << in.rdbuf();
    if (cmd.str().find(text) != std::string::npos) found.push_back(pid);
  }
  ::closedir(proc);
  return found;
}

}  // namespace testing_support
