// The real Win32 private-profile functions.
#include "platform/Profile.h"

#include <windows.h>

namespace tarnix::platform {

int32_t GetProfileInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, defaultValue, file));
}

uint32_t GetProfileString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t size, const char* file) {
    if (!buffer || size == 0) return 0;
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

}  // namespace tarnix::platform
