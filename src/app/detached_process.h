#pragma once
// Starts a program that lives on by itself: in a session of its own, not waited for, reaped at
// once by an intermediate process (so it never lingers as our zombie), with standard input,
// output and error on /dev/null and no other descriptor of ours. The arguments go to the program
// as they are; no shell sees them.
//
// Threading: any thread; the child side uses only calls that are safe after fork.

#include <string>
#include <vector>

namespace app {

class DetachedProcess {
 public:
  // argv[0] is the program path. `workDir` empty: the caller's folder. Returns whether the
  // program was started (false when it cannot be executed); `error` gets the reason and
  // `errorCode` the errno of the failure (0 when it has none).
  static bool Start(const std::vector<std::string>& argv, const std::string& workDir,
                    std::string* error = nullptr, int* errorCode = nullptr);
};

}  // namespace app
