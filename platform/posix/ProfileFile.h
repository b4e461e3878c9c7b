// Reading and rewriting a settings file safely when several threads and processes share it.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>

namespace tarnix::platform::detail {

// The whole file, or nothing when it cannot be opened. Never a half-written file: writers
// replace the file in one step. held, when given, gets the status of the file that was read,
// from its descriptor under the lock, before the read.
std::optional<std::string> ReadProfileFile(const char* path, struct stat* held = nullptr);

// Read-modify-write under an exclusive lock on the file, so that no writer in this or another
// process loses the keys of another. change gets the current text (empty for a new file) and
// returns the new one, or nothing to leave the file as it is. Returns false when the file
// could not be written.
bool UpdateProfileFile(const char* path,
                       const std::function<std::optional<std::string>(const std::string&)>& change);

}  // namespace tarnix::platform::detail
