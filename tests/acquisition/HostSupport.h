// What the acquisition tests need as a host: the driver loaded by file name and started,
// the completion callbacks counted per port (with an optional hook run inside them),
// small simulated cameras, and bounded waits.
#pragma once

#include <gtest/gtest.h>
#include <pvsim.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "HostDriver.h"

namespace tarnix::test {

// Generous: the sanitizer builds and Wine are slow, and a wait that ends early costs nothing.
constexpr std::chrono::seconds kWaitLimit{30};

HostDriver& Driver();

// Completion callbacks the driver made, per port, and what the test runs inside them.
class Completions {
  public:
    using Hook = std::function<void(int32_t port)>;

    static void TARNIX_CALL Receive(int32_t reserved, int32_t port);
    static uint32_t Count(int32_t port);
    // Waits until the port has had more than `seen` callbacks; false on time-out.
    static bool WaitBeyond(int32_t port, uint32_t seen);
    // Runs inside every callback until cleared. Clear it only when no port streams any more.
    static void SetHook(Hook hook);
    static void Reset();
    // Callbacks whose first argument was not 0.
    static uint32_t BadReserved();
};

// Collects diagnostic lines until one starts with prefix. Returns all it collected; when
// the wait runs out, none of them matches.
std::vector<std::string> LinesUntil(const std::string& prefix);

// A simulated camera added for one test. Null texts take the simulator's defaults.
struct SimCamera {
    uint32_t id = 0;
    std::string name;     // configuration name
    std::string address;  // dotted network address
};
SimCamera AddCamera(tPvImageFormat format, uint32_t width, uint32_t height, uint32_t bitDepth = 8);
// Attributes of a camera no port has open, set through the SDK itself (the camera keeps them
// for the next open); floats such as "FrameRate" cannot be written through the driver.
void SetCameraEnum(uint32_t id, const char* name, const char* value);
void SetCameraFloat(uint32_t id, const char* name, float value);

// The driver started for one test, with the line log and the completion counter installed;
// every port it opened is closed at the end.
class HostTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    HostDriver& driver() { return Driver(); }
    // openCVLPort with the size checked against the camera's; returns whether it opened.
    bool Open(int32_t port, const std::string& name, uint32_t width, uint32_t height);
    // One doCVLGrab and its callback; false when the grab was refused or timed out.
    bool GrabOne(int32_t port);
    // Every row of the port's last image, read with getCVLGrabRow.
    std::vector<uint8_t> ReadImage(int32_t port, uint32_t width, uint32_t height,
                                   uint32_t bytesPerPixel);

    std::vector<int32_t> m_Opened;
};

}  // namespace tarnix::test
