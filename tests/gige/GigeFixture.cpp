#include "GigeFixture.h"

#include <harness/Wait.h>

#include <cstring>

namespace tarnix::test {
namespace {

GigeEnvironment* g_Environment = nullptr;

}  // namespace

std::unique_ptr<FakeGigECamera> MakeFakeCamera(const std::string& prefix, int n) {
    return std::make_unique<FakeGigECamera>(FakeCameraAddress(n), prefix + std::to_string(n));
}

std::vector<tPvCameraInfo> ListedCameras() {
    std::vector<tPvCameraInfo> records(32);
    const uint32_t filled = PvCameraList(records.data(), uint32_t(records.size()), nullptr);
    records.resize(filled);
    return records;
}

namespace {

std::optional<tPvCameraInfo> FindListed(const std::string& serial) {
    for (const tPvCameraInfo& record : ListedCameras()) {
        if (serial == record.SerialString) return record;
    }
    return std::nullopt;
}

}  // namespace

std::optional<tPvCameraInfo> WaitForListed(const std::string& serial) {
    std::optional<tPvCameraInfo> found;
    WaitUntil([&] { return (found = FindListed(serial)).has_value(); });
    return found;
}

bool WaitForGone(const std::string& serial) {
    return WaitUntil([&] { return !FindListed(serial).has_value(); });
}

OpenCamera::OpenCamera(uint32_t id, uint32_t access) {
    m_Error = PvCameraOpen(id, access, &m_Handle);
}

OpenCamera::~OpenCamera() {
    if (m_Error == ePvErrSuccess) PvCameraClose(m_Handle);
}

GigeEnvironment::GigeEnvironment(std::string prefix, int cameras)
    : m_Prefix(std::move(prefix)), m_Count(cameras) {
    g_Environment = this;
}

GigeEnvironment& GigeEnvironment::Instance() {
    return *g_Environment;
}

void GigeEnvironment::SetUp() {
    ASSERT_TRUE(InLoopbackNetwork()) << "run through scripts/in-loopback-net.sh";
    for (int n = 0; n < m_Count; ++n) {
        m_Cameras.push_back(MakeFakeCamera(m_Prefix, n));
        ASSERT_TRUE(m_Cameras.back()->Start()) << "fake camera " << n;
    }
    ASSERT_EQ(PvInitialize(), ePvErrSuccess);
}

void GigeEnvironment::TearDown() {
    PvUnInitialize();
    m_Cameras.clear();
}

tPvCameraInfo GigeEnvironment::Record(int n) {
    const auto record = WaitForListed(Camera(n).Serial());
    EXPECT_TRUE(record.has_value()) << Camera(n).Serial();
    tPvCameraInfo empty;
    std::memset(&empty, 0, sizeof empty);
    return record.value_or(empty);
}

}  // namespace tarnix::test
