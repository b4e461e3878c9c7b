#include "camera/SettingsPath.h"

#include <platform/System.h>

#include <cstring>

namespace tarnix {

bool ComposeSettingsPath(const char* folder, char* out, size_t size) {
    if (size == 0) return false;
    out[0] = '\0';
    const size_t folderLength = std::strlen(folder);
    const bool needsSeparator =
        folderLength > 0 && folder[folderLength - 1] != platform::kPathSeparator;
    const size_t nameLength = std::strlen(kSettingsFileName);
    const size_t length = folderLength + (needsSeparator ? 1 : 0) + nameLength;
    if (length >= size) return false;
    std::memcpy(out, folder, folderLength);
    size_t at = folderLength;
    if (needsSeparator) out[at++] = platform::kPathSeparator;
    std::memcpy(out + at, kSettingsFileName, nameLength + 1);
    return true;
}

}  // namespace tarnix
