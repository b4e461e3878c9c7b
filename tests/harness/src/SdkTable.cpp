#include "harness/SdkTable.h"

#include <base/SdkLoader.h>

namespace tarnix::test {

SdkApi DirectSdk() {
    SdkApi api{};
#define TARNIX_DIRECT_ENTRY(name, ordinal) api.name = &::name;
    TARNIX_SDK_FUNCTIONS(TARNIX_DIRECT_ENTRY)
#undef TARNIX_DIRECT_ENTRY
    return api;
}

void StartSimulatedSdk(const std::optional<SdkApi>& table) {
    if (table) {
        InstallSdk(*table);
    } else {
        std::string problem;
        ASSERT_TRUE(EnsureSdkLoaded(problem)) << problem;
    }
    ASSERT_EQ(Sdk().PvInitialize(), ePvErrSuccess);
}

void StopSimulatedSdk() {
    Sdk().PvUnInitialize();
}

void DebugLinesTest::SetUp() {
    SetDebugProc(LineLog::Receive);
    LineLog::Clear();
}

void DebugLinesTest::TearDown() {
    SetDebugProc(nullptr);
}

void SimulatedCameraTest::SetUp() {
    pvsim_reset();
    ASSERT_EQ(Sdk().PvCameraOpen(kMono8CameraId, ePvAccessMaster, &m_Handle), ePvErrSuccess);
    m_Camera = std::make_unique<CCamera>(m_Handle);
    DebugLinesTest::SetUp();
}

void SimulatedCameraTest::TearDown() {
    DebugLinesTest::TearDown();
    m_Camera.reset();
    Sdk().PvCameraClose(m_Handle);
}

}  // namespace tarnix::test
