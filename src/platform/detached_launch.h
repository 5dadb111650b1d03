#pragma once
// Starting a program that must outlive this one, as a browser does: it runs in its own session
// and process group (so a hang-up or the program's end does not take it along), is adopted by
// the system at once (never a zombie of ours), reads and writes /dev/null, and inherits none of
// our descriptors. The caller learns whether the exec worked and the process id it got; a
// pidfd lets it wait for the program's end without reusing a stale process id.
//
// Threading: any thread; the call blocks only until the exec has happened (or failed).

#include <sys/types.h>

#include <string>
#include <vector>

#include "core/unique_fd.h"

namespace platform {

struct LaunchedProcess {
  pid_t pid = 0;         // also the id of its process group
  core::UniqueFd pidfd;  // readable once the process has ended; invalid where unsupported
};

// The full path of `name` found in PATH (a name with a slash is taken as it is when executable);
// "" when there is none.
std::string FindInPath(const std::string& name);

// Starts `args` (args[0] looked up in PATH) detached, in `workDir` (empty: ours). False with
// `error` set when it could not be started, and `errorCode` the errno of the failure (ENOENT for
// a program that is not found).
bool StartDetached(const std::vector<std::string>& args, LaunchedProcess* launched,
                   std::string* error, const std::string& workDir = "", int* errorCode = nullptr);

}  // namespace platform
