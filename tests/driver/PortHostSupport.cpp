#include "PortHostSupport.h"

#include <platform/System.h>

#include <chrono>

namespace tarnix::test {
namespace {

// Generous: the sanitizer builds and Wine are slow, and a wait that ends early costs nothing.
constexpr std::chrono::seconds kWaitLimit{30};

std::atomic<uint32_t> g_Completions{0};

}  // namespace

HostDriver& PortTestDriver() {
    static HostDriver driver;
    return driver;
}

void TARNIX_CALL CompletionCount::Receive(int32_t /*reserved*/, int32_t /*port*/) {
    ++g_Completions;
}

uint32_t CompletionCount::Get() {
    return g_Completions.load();
}

void CompletionCount::Reset() {
    g_Completions = 0;
}

void PresetCameraEnum(uint32_t id, const char* name, const char* value) {
    tPvHandle handle = 0;
    ASSERT_EQ(PvCameraOpen(id, ePvAccessMaster, &handle), ePvErrSuccess);
    EXPECT_EQ(PvAttrEnumSet(handle, name, value), ePvErrSuccess) << name << "=" << value;
    PvCameraClose(handle);
}

void PortHostTest::SetUp() {
    ASSERT_TRUE(driver().loaded());
    ASSERT_TRUE(driver().missing().empty());
    pvsim_reset();
    ASSERT_EQ(driver().initialize("", LineLog::Receive), 1);
    driver().setCompleteCallback(0, 0, CompletionCount::Receive);
    CompletionCount::Reset();
    LineLog::Clear();
}

void PortHostTest::TearDown() {
    for (int32_t port = 0; port < kPortsUsed; ++port) driver().closeCVLPort(0, port);
    // However many start-ups the test left, none remains.
    for (int i = 0; i < 10 && driver().finalize() == 0; ++i) {
    }
}

bool PortHostTest::AnswerOneRequest(int32_t port) {
    const uint32_t triggers = pvsim_call_count("PvCommandRun");
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    // The first new trigger may still answer an older request; the second one shows that a
    // request made here has ended.
    while (pvsim_call_count("PvCommandRun") < triggers + 2) {
        if (driver().doCVLGrab(0, port) != 1) return false;
        if (std::chrono::steady_clock::now() > deadline) return false;
        platform::SleepMs(1);
    }
    return true;
}

}  // namespace tarnix::test
