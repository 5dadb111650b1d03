#include "app/removal_script.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>

namespace app {

std::string RemovalScript::Text(const Targets& targets, pid_t waitForPid,
                                const RestartScript::Files& files) {
  auto q = [](const std::string& path) { return RestartScript::ShellQuote(path); };
  std::string text = "#!/bin/sh\n";
  text += RestartScript::WaitForProcess(waitForPid);
  text += "n=0\n";
  text += "while [ $n -lt " + std::to_string(kRetrySeconds * 10) + " ]; do\n";
  for (const std::string& folder : targets.Folders) text += "  rm -rf -- " + q(folder) + "\n";
  for (const std::string& file : targets.Files) text += "  rm -f -- " + q(file) + "\n";
  text += "  left=0\n";
  for (const std::string& folder : targets.Folders) {
    text += "  [ -e " + q(folder) + " ] && left=1\n";
  }
  for (const std::string& file : targets.Files) text += "  [ -e " + q(file) + " ] && left=1\n";
  text += "  [ $left -eq 0 ] && break\n";
  text += "  sleep 0.1; n=$((n + 1))\n";
  text += "done\n";
  text += "rm -f -- " + q(files.TempFile) + "\n";
  text += "rm -f -- " + q(files.Script) + "\n";
  return text;
}

RestartScript::Files RemovalScript::Write(const Targets& targets, pid_t waitForPid) {
  return RestartScript::WriteScript(
      [&](const RestartScript::Files& files) { return Text(targets, waitForPid, files); });
}

bool RemovalScript::ProgramRemovable(const std::string& programPath) {
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(programPath, ec);
  if (ec) return false;
  const std::string dir = real.parent_path().string();
  static constexpr std::string_view kSystem[] = {"/usr",   "/bin",   "/sbin",    "/lib",
                                                 "/lib32", "/lib64", "/opt",     "/etc",
                                                 "/snap",  "/nix",   "/var/lib", "/boot"};
  for (std::string_view system : kSystem) {
    if (dir == system || dir.rfind(std::string(system) + "/", 0) == 0) return false;
  }
  return dir != "/" && ::access(dir.c_str(), W_OK) == 0;
}

}  // namespace app
