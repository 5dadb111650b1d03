#pragma once
// The removal script: a shell script in the temporary folder that waits until this process has
// ended, then deletes the program's files (retrying while one is still there, for at most a
// minute), then the temporary file it was named after and itself. It is made and started as the
// restart script is (unpredictable name, created exclusively, every path quoted).
//
// Threading: any thread.

#include <sys/types.h>

#include <string>
#include <vector>

#include "app/restart_script.h"

namespace app {

class RemovalScript {
 public:
  struct Targets {
    std::vector<std::string> Files;    // deleted with rm -f
    std::vector<std::string> Folders;  // deleted with everything in them
  };

  static std::string Text(const Targets& targets, pid_t waitForPid,
                          const RestartScript::Files& files);
  static RestartScript::Files Write(const Targets& targets, pid_t waitForPid);

  // Whether the program file at `programPath` may go with the rest: only when it lives in a
  // folder the user may write that is not one of the system's (under /usr, /bin, /opt, ...).
  static bool ProgramRemovable(const std::string& programPath);

  static constexpr int kRetrySeconds = 60;
};

}  // namespace app
