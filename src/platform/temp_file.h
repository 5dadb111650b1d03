#pragma once
// Temporary files with unpredictable names, created before their name is handed out (so nobody
// can slip a link in between), readable only by the user.
//
// Threading: safe from any thread.

#include <string>

namespace platform {

// $TMPDIR when it is set, else /tmp.
std::string TempFolder();

// Creates an empty file "<folder>/<prefix>XXXXXX<suffix>" (mode 0600) and returns its path.
// Throws std::system_error when no file can be created.
std::string MakeTempFile(const std::string& prefix, const std::string& suffix = "");

}  // namespace platform
