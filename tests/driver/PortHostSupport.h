// What the port and shutdown tests share: the driver loaded as a host loads it and started
// once for each test, completion callbacks counted, and every start-up and port undone at
// the end, whatever the test left behind.
#pragma once

#include <gtest/gtest.h>
#include <pvsim.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "HostDriver.h"

namespace tarnix::test {

HostDriver& PortTestDriver();

// Completion callbacks of all ports since the last Reset.
class CompletionCount {
  public:
    static void TARNIX_CALL Receive(int32_t reserved, int32_t port);
    static uint32_t Get();
    static void Reset();
};

// A simulated camera's attribute set through the SDK itself before the driver opens it.
void PresetCameraEnum(uint32_t id, const char* name, const char* value);

class PortHostTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    HostDriver& driver() { return PortTestDriver(); }
    // Requests images on a camera in "Software" mode until one request has been answered:
    // the driver sends a new trigger only once the frame handler ended the pending request,
    // and the doCVLGrab that sees it takes the camera's lock after that handler. False when
    // the wait runs out.
    bool AnswerOneRequest(int32_t port);

    static constexpr int32_t kPortsUsed = 8;
};

}  // namespace tarnix::test
