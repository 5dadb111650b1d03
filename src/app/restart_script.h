#pragma once
// The restart of the broken-connection recovery: a shell script in the temporary folder that
// waits until this process has ended, removes the temporary file it was named after and itself,
// and then becomes the program, started with the arguments this instance was started with and
// the environment values the caller adds. The script's own process turns into the new instance,
// so it leaves no finished shell behind.
//
// The temporary file is created first with an unpredictable name (prefix "uis"); the script
// takes the same name with ".sh" in place of the temporary file's extension and is created
// exclusively, so nobody can have placed a file or a link there. Every path and value in the
// script is quoted for the shell, so blanks, quotes and dollar signs are harmless.
//
// Threading: any thread.

#include <sys/types.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace app {

class RestartScript {
 public:
  struct Files {
    std::string TempFile;
    std::string Script;
  };
  // Variables (name, value) exported to the new instance; names are shell identifiers.
  using Environment = std::vector<std::pair<std::string, std::string>>;

  // Creates the temporary file and the script in the temporary folder ($TMPDIR, else /tmp).
  // `command` is the program path and its arguments. Throws std::system_error when they cannot
  // be made.
  static Files Write(const std::vector<std::string>& command, const Environment& environment,
                     pid_t waitForPid);
  // The script text: the wait for `waitForPid`, the removal of the temporary file and of the
  // script, the environment, then the program in the script's place.
  static std::string Text(const std::vector<std::string>& command, const Environment& environment,
                          pid_t waitForPid, const std::string& tempFile, const std::string& script);
  // Runs the script detached, in the temporary folder; false (with `error`) when it cannot be
  // started.
  static bool Launch(const Files& files, std::string* error);

  // `text` as one word for the POSIX shell.
  static std::string ShellQuote(const std::string& text);

  // The temporary file and a script beside it holding `text(files)`, made as above; shared with
  // the other scripts the program leaves behind. Throws std::system_error.
  static Files WriteScript(const std::function<std::string(const Files&)>& text);
  // Shell lines that wait until process `pid` has ended, at most kWaitLimitSeconds.
  static std::string WaitForProcess(pid_t pid);

  // How long the script waits for the old process before it starts the new one regardless.
  static constexpr int kWaitLimitSeconds = 60;
};

}  // namespace app
