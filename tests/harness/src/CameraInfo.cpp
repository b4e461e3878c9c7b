#include "harness/CameraInfo.h"

#include <cstdio>

namespace tarnix::test {

tPvCameraInfo CameraInfo(uint32_t id, const char* displayName, const char* serial) {
    tPvCameraInfo info{};
    info.UniqueId = id;
    std::snprintf(info.DisplayName, sizeof info.DisplayName, "%s", displayName);
    std::snprintf(info.SerialString, sizeof info.SerialString, "%s", serial);
    return info;
}

}  // namespace tarnix::test
