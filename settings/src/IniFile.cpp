#include "settings/IniFile.h"

#include <platform/Profile.h>

#include <cstdio>

namespace tarnix::settings {

void FormatSectionName(const char (&displayName)[16], const char (&serial)[32],
                       char (&out)[kSectionSize]) {
    std::snprintf(out, sizeof out, "%.*s %.*s", static_cast<int>(sizeof displayName), displayName,
                  static_cast<int>(sizeof serial), serial);
}

bool WriteIniInt(const char* section, const char* key, int32_t value, const char* file) {
    char text[64];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return platform::WriteProfileString(section, key, text, file);
}

}  // namespace tarnix::settings
