// Where a camera's settings file lies: a folder, the path separator, "Tarnix.ini".
#pragma once

#include <cstddef>

namespace tarnix {

constexpr const char* kSettingsFileName = "Tarnix.ini";

// Writes folder + separator + "Tarnix.ini" into out (size bytes, terminator included). The
// separator is added only when folder is not empty and does not end in one already, so an
// empty folder gives the bare file name. Returns false, leaving out empty, when the path
// does not fit.
bool ComposeSettingsPath(const char* folder, char* out, size_t size);

}  // namespace tarnix
