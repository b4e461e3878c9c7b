// The simulator behind the driver's own SDK table, for the suites that link the driver's
// layers: loaded the way the driver loads it, or linked directly with entries of the test's
// own, and a camera object on the first default camera.
#pragma once

#include <base/Diagnostics.h>
#include <base/SdkApi.h>
#include <camera/Camera.h>
#include <gtest/gtest.h>
#include <pvapi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/LineLog.h"
#include "harness/Simulator.h"

namespace tarnix::test {

// The driver's SDK table filled with the simulator's own functions, linked directly rather
// than loaded, so a test can put its own function in any entry before installing the table.
SdkApi DirectSdk();

// Installs table (or, without one, loads the SDK as the driver does) and initialises it.
void StartSimulatedSdk(const std::optional<SdkApi>& table = std::nullopt);
void StopSimulatedSdk();

// The same for a whole test program:
//   ::testing::AddGlobalTestEnvironment(new SimulatedSdk);
class SimulatedSdk : public ::testing::Environment {
  public:
    SimulatedSdk() = default;
    explicit SimulatedSdk(const SdkApi& table) : m_Table(table) {}
    void SetUp() override { StartSimulatedSdk(m_Table); }
    void TearDown() override { StopSimulatedSdk(); }

  private:
    std::optional<SdkApi> m_Table;
};

// The driver's diagnostic lines go to the LineLog for the duration of each test.
class DebugLinesTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    static std::vector<std::string> lines() { return LineLog::Take(); }
};

// The simulator's default cameras, fresh for every test, with camera 1001 open in a camera
// object; the SDK is loaded as the driver loads it and initialised for the test suite.
class SimulatedCameraTest : public DebugLinesTest {
  protected:
    static void SetUpTestSuite() { StartSimulatedSdk(); }
    static void TearDownTestSuite() { StopSimulatedSdk(); }
    void SetUp() override;
    void TearDown() override;

    CCamera& camera() { return *m_Camera; }
    static uint32_t calls(const char* function) { return pvsim_call_count(function); }

    tPvHandle m_Handle = 0;
    std::unique_ptr<CCamera> m_Camera;
};

}  // namespace tarnix::test
