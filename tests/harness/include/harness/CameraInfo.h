// Camera records as the SDK's enumeration fills them, for tests that build camera objects or
// script an enumeration.
#pragma once

#include <pvapi.h>

#include <cstdint>

namespace tarnix::test {

// The record of camera id; the texts are cut to their fields and always terminated.
tPvCameraInfo CameraInfo(uint32_t id, const char* displayName = "", const char* serial = "");

}  // namespace tarnix::test
