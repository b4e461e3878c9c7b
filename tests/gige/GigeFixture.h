// Fake GigE Vision cameras behind the Aravis-backed SDK, linked in directly: the cameras a
// test program starts before the SDK's first discovery, record lookups that wait for the
// device list, and handles that close themselves.
#pragma once

#include <gtest/gtest.h>
#include <harness/FakeGigE.h>
#include <pvapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnix::test {

// Camera n of a test program: at FakeCameraAddress(n), serial "<prefix><n>".
std::unique_ptr<FakeGigECamera> MakeFakeCamera(const std::string& prefix, int n);

// The records the SDK lists now.
std::vector<tPvCameraInfo> ListedCameras();

// The record of the camera with this serial, once the device list shows it (nullopt when it
// does not within the wait limit).
std::optional<tPvCameraInfo> WaitForListed(const std::string& serial);

// Whether the device list stopped showing the camera within the wait limit.
bool WaitForGone(const std::string& serial);

// A handle that is closed at the end of its scope.
class OpenCamera {
  public:
    OpenCamera(uint32_t id, uint32_t access);
    ~OpenCamera();
    OpenCamera(const OpenCamera&) = delete;
    OpenCamera& operator=(const OpenCamera&) = delete;

    tPvErr Error() const { return m_Error; }
    tPvHandle Handle() const { return m_Handle; }
    operator tPvHandle() const { return m_Handle; }

  private:
    tPvErr m_Error = ePvErrSuccess;
    tPvHandle m_Handle = 0;
};

// Fake cameras started, then the SDK initialised, for the whole test program; everything is
// undone at its end.
class GigeEnvironment : public ::testing::Environment {
  public:
    GigeEnvironment(std::string prefix, int cameras);
    void SetUp() override;
    void TearDown() override;

    static GigeEnvironment& Instance();
    FakeGigECamera& Camera(int n) { return *m_Cameras.at(size_t(n)); }
    // The SDK's record of camera n.
    tPvCameraInfo Record(int n);

  private:
    std::string m_Prefix;
    int m_Count;
    std::vector<std::unique_ptr<FakeGigECamera>> m_Cameras;
};

}  // namespace tarnix::test
