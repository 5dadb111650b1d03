#pragma once
// Crash-safe file replacement and the other small file helpers of the platform layer.
//
// WriteFileAtomically writes a temporary file next to `path` (created with an unpredictable
// name), flushes it to disk, renames it over `path` and flushes the directory, so that after a
// crash at any moment `path` holds either the old or the new content, never a mixture.
//
// Threading: no shared state; safe from any thread for different paths.

#include <sys/types.h>
#include <string>
#include <string_view>

namespace platform {

// Throws std::system_error naming the path when any step fails; the old file is then untouched.
void WriteFileAtomically(const std::string& path, std::string_view content, mode_t mode = 0600);

// The prefix of the temporary files WriteFileAtomically leaves behind when killed mid-write.
std::string AtomicTempPrefix(const std::string& path);
// Removes such leftovers (only call when no other writer of `path` can be running).
void RemoveAtomicLeftovers(const std::string& path);

enum class ReadResult { Ok, Missing, Failed };
// Reads a whole file; on Failed, `error` names the reason.
ReadResult ReadWholeFile(const std::string& path, std::string& content, std::string& error);

// Creates `dir` and its missing parents; new folders get `mode` (before the umask).
void CreateDirectories(const std::string& dir, mode_t mode);

[[nodiscard]] bool IsRegularFile(const std::string& path);

// Files that hold passwords are kept readable by their owner only. MakePrivate takes the group's
// and others' permissions away from a file of ours that has them (the hives, phonebook.ini).
enum class Privacy { Private, Tightened, NotOurs, Missing, Failed };
Privacy MakePrivate(const std::string& path);
// What the program says when it tightened `path`.
[[nodiscard]] std::string TightenedMessage(const std::string& path);

}  // namespace platform
