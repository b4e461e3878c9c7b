// The simulated cameras behind the stand-in SDK: the default set and cameras added for one
// test.
#pragma once

#include <pvapi.h>
#include <pvsim.h>

#include <cstdint>
#include <string>

namespace tarnix::test {

// The first camera of the default set: "SimMono8 [SIM-1001]" at 127.0.1.1, 1360 x 1024 Mono8.
constexpr uint32_t kMono8CameraId = 1001;

// A simulated camera added for one test, with the simulator's default texts.
struct SimCamera {
    uint32_t id = 0;
    std::string name;     // configuration name
    std::string address;  // dotted network address
};

// Adds a camera (ePvSimNo* flags in omit) and expects the simulator to take it. Returns once
// its plug event was handled, with the line a started driver writes for it dropped.
SimCamera AddCamera(tPvImageFormat format, uint32_t width, uint32_t height, uint32_t bitDepth = 8,
                    uint32_t omit = 0);

// Attributes of a camera nobody has open, set through the SDK itself (the camera keeps them
// for the next open); floats such as "FrameRate" cannot be written through the driver. The
// SDK must be initialised.
void SetCameraEnum(uint32_t id, const char* name, const char* value);
void SetCameraFloat(uint32_t id, const char* name, float value);

}  // namespace tarnix::test
