#include "app/restart_script.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/unique_fd.h"
#include "platform/detached_launch.h"
#include "platform/temp_file.h"

namespace app {

namespace {

// The script's name: the temporary file's name with ".sh" in place of its extension.
std::string ScriptName(const std::string& tempFile) {
  const std::size_t slash = tempFile.rfind('/');
  const std::size_t dot = tempFile.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? tempFile.substr(0, dot) : tempFile) + ".sh";
}

}  // namespace

std::string RestartScript::ShellQuote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  out += '\'';
  return out;
}

std::string RestartScript::WaitForProcess(pid_t pid) {
  const std::string id = std::to_string(pid);
  // A zombie counts as gone: it holds no lock any more. Without /proc only kill -0 can tell, and
  // it counts a zombie as alive until it is reaped.
  std::string text = "n=0\n";
  text += "while [ $n -lt " + std::to_string(kWaitLimitSeconds * 10) + " ]; do\n";
  text += "  if [ -d /proc/self ]; then\n";
  text += "    s=$(sed -n 's/.*) \\(.\\).*/\\1/p' /proc/" + id + "/stat 2>/dev/null)\n";
  text += "    case \"$s\" in ''|Z|X) break ;; esac\n";
  text += "  else\n";
  text += "    kill -0 " + id + " 2>/dev/null || break\n";
  text += "  fi\n";
  text += "  sleep 0.1; n=$((n + 1))\n";
  text += "done\n";
  return text;
}

std::string RestartScript::Text(const std::vector<std::string>& command,
                                const Environment& environment, pid_t waitForPid,
                                const std::string& tempFile, const std::string& script) {
  std::string start;
  for (const std::string& word : command) {
    if (!start.empty()) start += ' ';
    start += ShellQuote(word);
  }
  std::string text = "#!/bin/sh\n";
  text += WaitForProcess(waitForPid);
  // The files go first: the shell keeps reading the script it has open. Then the shell becomes
  // the program, so no shell is left behind to be reaped.
  text += "rm -f " + ShellQuote(tempFile) + "\n";
  text += "rm -f " + ShellQuote(script) + "\n";
  for (const auto& [name, value] : environment) {
    text += "export " + name + "=" + ShellQuote(value) + "\n";
  }
  text += "exec " + start + " </dev/null >/dev/null 2>&1\n";
  return text;
}

RestartScript::Files RestartScript::Write(const std::vector<std::string>& command,
                                          const Environment& environment, pid_t waitForPid) {
  return WriteScript([&](const Files& files) {
    return Text(command, environment, waitForPid, files.TempFile, files.Script);
  });
}

RestartScript::Files RestartScript::WriteScript(
    const std::function<std::string(const Files&)>& textOf) {
  // A name whose script twin exists already is given back and another one is taken.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string tempFile = platform::MakeTempFile("uis", ".tmp");
    const std::string script = ScriptName(tempFile);
    core::UniqueFd fd(
        ::open(script.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700));
    if (!fd) {
      const int e = errno;
      ::unlink(tempFile.c_str());
      if (e == EEXIST) continue;
      throw std::system_error(e, std::generic_category(), "cannot create " + script);
    }
    const std::string text = textOf(Files{tempFile, script});
    std::size_t done = 0;
    int failure = 0;
    while (done < text.size() && failure == 0) {
      const ssize_t n = ::write(fd.Get(), text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failure = n < 0 ? errno : EIO;
      } else {
        done += static_cast<std::size_t>(n);
      }
    }
    if (fd.Close() != 0 && failure == 0) failure = errno;
    if (failure != 0) {
      ::unlink(script.c_str());
      ::unlink(tempFile.c_str());
      throw std::system_error(failure, std::generic_category(), "cannot write " + script);
    }
    return {tempFile, script};
  }
  throw std::system_error(EEXIST, std::generic_category(), "no free name for a script");
}

bool RestartScript::Launch(const Files& files, std::string* error) {
  return platform::StartDetached({"/bin/sh", files.Script}, nullptr, error, platform::TempFolder());
}

}  // namespace app
