#include "platform/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/atomic_file.h"

namespace platform {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// XDG variables count only when they hold an absolute path.
std::string XdgEnv(const char* name) {
  std::string value = Env(name);
  return value.starts_with('/') ? value : std::string();
}

std::string UserHome() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    return pw->pw_dir;
  }
  throw std::runtime_error("cannot find the home folder (HOME is not set)");
}

std::string Absolute(const std::string& path) {
  std::string abs = std::filesystem::absolute(path).lexically_normal().string();
  while (abs.size() > 1 && abs.back() == '/') abs.pop_back();
  return abs;
}

std::string RuntimeFallback() {
  return "/tmp/stayline-" + std::to_string(::getuid());
}

// The shared /tmp fallback must be a real folder owned by us, or someone else could read our
// control socket or fake our lock.
void CheckPrivateFolder(const std::string& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot inspect " + dir);
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    throw std::runtime_error("the run folder " + dir + " is not a folder owned by this user");
  }
  if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot make " + dir + " private");
  }
}

}  // namespace

Paths Paths::Resolve(const std::string& homeArg) {
  std::string home = homeArg.empty() ? Env("STAYLINE_HOME") : homeArg;
  Paths paths;
  if (!home.empty()) {
    home = Absolute(home);
    paths.configDir = home + "/config";
    paths.dataDir = home + "/data";
    paths.runDir = home + "/run";
    paths.autostartDir = home + "/config/autostart";
    return paths;
  }
  std::string config = XdgEnv("XDG_CONFIG_HOME");
  if (config.empty()) config = UserHome() + "/.config";
  std::string data = XdgEnv("XDG_DATA_HOME");
  if (data.empty()) data = UserHome() + "/.local/share";
  const std::string runtime = XdgEnv("XDG_RUNTIME_DIR");
  paths.configDir = Absolute(config) + "/stayline";
  paths.dataDir = Absolute(data) + "/stayline";
  paths.runDir = runtime.empty() ? RuntimeFallback() : Absolute(runtime) + "/stayline";
  paths.autostartDir = Absolute(config) + "/autostart";
  return paths;
}

void Paths::EnsureCreated() const {
  CreateDirectories(configDir, 0700);
  CreateDirectories(dataDir, 0700);  // logs and the FTP listing cache name hosts and logins
  CreateDirectories(runDir, 0700);
  if (runDir == RuntimeFallback()) {
    CheckPrivateFolder(runDir);
  } else if (::chmod(runDir.c_str(), 0700) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot make " + runDir + " private");
  }
}

}  // namespace platform
