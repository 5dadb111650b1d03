#pragma once
// Starting the built programs as children of a test, with a temporary home, and waiting on them.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "integration/daemon_e2e/process_list.h"
#include "platform/reg_format.h"

namespace testing_support {

inline std::string BinPath(const std::string& name) {
  return std::string(STAYLINE_BIN_DIR) + "/" + name;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Writes the user hive `path` (config/HKCU.reg of a home) holding `values` under the program's
// key, owner-only as the program keeps it. Values are stored as given (scramble the secret ones).
inline void WriteUserHive(const std::string& path,
                          const std::vector<std::pair<std::string, std::string>>& values) {
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\r\n";
  for (const auto& [name, value] : values) {
    text += "\"" + name + "\"=" + platform::QuoteRegString(value) + "\r\n";
  }
  WriteFile(path, text);
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

class TempHome {
 public:
  TempHome() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "stayline-e2e-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempHome() { std::filesystem::remove_all(path_); }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

// A child process with its output captured in a file; `environment` ("NAME=value") is added to
// the test's own.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::string& outFile,
        const std::vector<std::string>& environment = {}) {
    pid_ = ::fork();
    if (pid_ == 0) {
      for (const auto& e : environment) {
        const std::size_t eq = e.find('=');
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
      }
      FILE* f = std::fopen(outFile.c_str(), "w");
      if (f) {
        ::dup2(fileno(f), 1);
        ::dup2(fileno(f), 2);
      }
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      std::_Exit(127);
    }
  }
  ~Child() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  pid_t Pid() const { return pid_; }
  // Waits up to `ms` for the child to end; returns its exit code, or -1 on time-out.
  // Looks at least once (Wait(0) polls); an ended child keeps answering its exit code.
  int Wait(int ms) {
    if (exited_) return code_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return code_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return -1;
  }
  // Not once it has been reaped: its number may belong to another process by then.
  void Signal(int sig) {
    if (pid_ > 0 && !exited_) ::kill(pid_, sig);
  }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int code_ = -1;
};

struct CtlResult {
  int code = -1;
  std::string out;
};

// Runs stayline-ctl and returns its exit code and standard output (without the final newline).
inline CtlResult Ctl(const std::string& home, const std::vector<std::string>& request) {
  std::string cmd = "'" + BinPath("stayline-ctl") + "' --home '" + home + "'";
  for (const auto& r : request) cmd += " '" + r + "'";
  cmd += " 2>/dev/null";
  CtlResult result;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return result;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) result.out.append(buf, n);
  const int status = ::pclose(p);
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!result.out.empty() && result.out.back() == '\n') result.out.pop_back();
  return result;
}

inline bool WaitUntil(const std::function<bool()>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

}  // namespace testing_support
