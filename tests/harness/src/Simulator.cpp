#include "harness/Simulator.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "harness/LineLog.h"

namespace tarnix::test {

SimCamera AddCamera(tPvImageFormat format, uint32_t width, uint32_t height, uint32_t bitDepth,
                    uint32_t omit) {
    const tPvSimCameraDesc desc{nullptr, nullptr, nullptr, format, width, height, bitDepth, omit};
    SimCamera camera;
    camera.id = pvsim_add_camera(&desc);
    EXPECT_NE(camera.id, 0u);
    // Its plug event is handled now rather than in the middle of the test; a started driver's
    // line for it is not what the test is about.
    pvsim_flush_events();
    LineLog::Clear();
    char text[64];
    std::snprintf(text, sizeof text, "Sim%u [SIM-%u]", camera.id, camera.id);
    camera.name = text;
    std::snprintf(text, sizeof text, "127.1.%u.%u", camera.id >> 8 & 255, camera.id & 255);
    camera.address = text;
    return camera;
}

void SetCameraEnum(uint32_t id, const char* name, const char* value) {
    tPvHandle handle = 0;
    ASSERT_EQ(PvCameraOpen(id, ePvAccessMaster, &handle), ePvErrSuccess);
    EXPECT_EQ(PvAttrEnumSet(handle, name, value), ePvErrSuccess) << name << "=" << value;
    PvCameraClose(handle);
}

void SetCameraFloat(uint32_t id, const char* name, float value) {
    tPvHandle handle = 0;
    ASSERT_EQ(PvCameraOpen(id, ePvAccessMaster, &handle), ePvErrSuccess);
    EXPECT_EQ(PvAttrFloat32Set(handle, name, value), ePvErrSuccess) << name;
    PvCameraClose(handle);
}

}  // namespace tarnix::test
