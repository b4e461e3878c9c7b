// A simulated camera opened through the driver's SDK table, with the diagnostic lines the
// driver writes meanwhile collected for checking.
#pragma once

#include <base/Diagnostics.h>
#include <base/SdkApi.h>
#include <base/SdkLoader.h>
#include <camera/PvCamera.h>
#include <gtest/gtest.h>
#include <pvsim.h>

#include <mutex>
#include <string>
#include <vector>

namespace tarnix::test {

constexpr uint32_t kMono8CameraId = 1001;

class DiagnosticLines {
  public:
    static void TARNIX_CALL Receive(const char* line) {
        std::lock_guard<std::mutex> lock(Mutex());
        Lines().emplace_back(line);
    }
    static std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(Mutex());
        std::vector<std::string> taken;
        taken.swap(Lines());
        return taken;
    }

  private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }
};

// The simulator's default cameras, fresh for every test, with camera 1001 open.
class SimulatedCameraTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string problem;
        ASSERT_TRUE(EnsureSdkLoaded(problem)) << problem;
        ASSERT_EQ(Sdk().PvInitialize(), ePvErrSuccess);
    }
    static void TearDownTestSuite() { Sdk().PvUnInitialize(); }

    void SetUp() override {
        pvsim_reset();
        ASSERT_EQ(Sdk().PvCameraOpen(kMono8CameraId, ePvAccessMaster, &m_Handle), ePvErrSuccess);
        m_Camera = std::make_unique<CCamera>(m_Handle);
        SetDebugProc(DiagnosticLines::Receive);
        DiagnosticLines::Take();
    }
    void TearDown() override {
        SetDebugProc(nullptr);
        m_Camera.reset();
        Sdk().PvCameraClose(m_Handle);
    }

    CCamera& camera() { return *m_Camera; }
    static std::vector<std::string> lines() { return DiagnosticLines::Take(); }
    static uint32_t calls(const char* function) { return pvsim_call_count(function); }

    tPvHandle m_Handle = 0;
    std::unique_ptr<CCamera> m_Camera;
};

}  // namespace tarnix::test
