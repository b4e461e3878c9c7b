// The host-level suites: the driver loaded as a host loads it (HostDriver), beside the
// simulated SDK, its completion callbacks counted per port, and fixtures that start it.
#pragma once

#include <gtest/gtest.h>
#include <tarnixdrv.h>

#include <cstdint>
#include <string>
#include <vector>

#include "harness/Completions.h"
#include "harness/HostDriver.h"
#include "harness/LineLog.h"
#include "harness/Simulator.h"
#include "harness/Wait.h"

namespace tarnix::test {

// The process's driver loaded with every export, the simulator back to its default set and
// the line log empty; the driver is not started.
class LoadedDriverTest : public ::testing::Test {
  protected:
    void SetUp() override;

    HostDriver& driver() { return Driver(); }
};

// The driver started for one test, with the line log and the completion counter installed;
// at the end every port is closed and every start-up the test left is undone.
class HostTest : public LoadedDriverTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // openCVLPort with the size checked against the camera's; returns whether it opened.
    bool Open(int32_t port, const std::string& name, uint32_t width, uint32_t height);
    // One doCVLGrab and its callback; false when the grab was refused or timed out.
    bool GrabOne(int32_t port);
    // Requests images on a camera in "Software" mode until one request made here has been
    // answered: the driver sends a new trigger only once the frame handler ended the pending
    // request. Needs no completion callback. False when a request is refused or the wait runs
    // out.
    bool AnswerOneRequest(int32_t port);
    // Every row of the port's last image, read with getCVLGrabRow.
    std::vector<uint8_t> ReadImage(int32_t port, uint32_t width, uint32_t height,
                                   uint32_t bytesPerPixel);
};

}  // namespace tarnix::test
