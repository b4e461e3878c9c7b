#include "harness/HostTest.h"

#include <pvsim.h>

#include <array>
#include <condition_variable>
#include <mutex>

namespace tarnix::test {
namespace {

struct CompletionState {
    std::mutex mutex;
    std::condition_variable changed;
    std::array<uint32_t, TARNIX_PORT_COUNT> counts{};
    uint32_t badReserved = 0;
    // Replaced only while no callback runs; read by the callbacks under no lock of ours, so
    // a hook may call back into the driver without meeting our mutex.
    Completions::Hook hook;
};

CompletionState& State() {
    static CompletionState state;
    return state;
}

}  // namespace

void TARNIX_CALL Completions::Receive(int32_t reserved, int32_t port) {
    CompletionState& state = State();
    if (state.hook) state.hook(port);
    std::lock_guard<std::mutex> lock(state.mutex);
    if (reserved != 0) ++state.badReserved;
    if (port >= 0 && port < TARNIX_PORT_COUNT) ++state.counts[port];
    state.changed.notify_all();
}

uint32_t Completions::Count(int32_t port) {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().counts[port];
}

bool Completions::WaitBeyond(int32_t port, uint32_t seen) {
    CompletionState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    return state.changed.wait_for(lock, kWaitLimit, [&] { return state.counts[port] > seen; });
}

void Completions::SetHook(Hook hook) {
    State().hook = std::move(hook);
}

void Completions::Reset() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().counts.fill(0);
    State().badReserved = 0;
}

uint32_t Completions::BadReserved() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().badReserved;
}

void LoadedDriverTest::SetUp() {
    ASSERT_TRUE(Driver().loaded()) << Driver().error();
    ASSERT_TRUE(Driver().missing().empty());
    pvsim_reset();
    LineLog::Clear();
}

void HostTest::SetUp() {
    LoadedDriverTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Driver().initialize("", LineLog::Receive), 1);
    Driver().setCompleteCallback(0, 0, Completions::Receive);
    Completions::Reset();
    LineLog::Clear();
}

void HostTest::TearDown() {
    // Also the ports a test opened without Open; closing an empty port does nothing.
    for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port) Driver().closeCVLPort(0, port);
    Completions::SetHook(nullptr);
    // However many start-ups the test left, none remains.
    for (int i = 0; i < 10 && Driver().finalize() == 0; ++i) {
    }
}

bool HostTest::Open(int32_t port, const std::string& name, uint32_t width, uint32_t height) {
    uint32_t size[2] = {0, 0};
    const bool opened = Driver().openCVLPort(0, port, name.c_str(), size) == 1;
    if (opened) {
        EXPECT_EQ(size[0], width) << name;
        EXPECT_EQ(size[1], height) << name;
    }
    return opened;
}

bool HostTest::GrabOne(int32_t port) {
    const uint32_t seen = Completions::Count(port);
    if (Driver().doCVLGrab(0, port) != 1) return false;
    return Completions::WaitBeyond(port, seen);
}

bool HostTest::AnswerOneRequest(int32_t port) {
    // The first new trigger may still answer an older request; the second one shows that a
    // request made here has ended.
    const uint32_t target = pvsim_call_count("PvCommandRun") + 2;
    bool refused = false;
    const bool answered = WaitUntil([&] {
        if (pvsim_call_count("PvCommandRun") >= target) return true;
        refused = Driver().doCVLGrab(0, port) != 1;
        return refused;
    });
    return answered && !refused;
}

std::vector<uint8_t> HostTest::ReadImage(int32_t port, uint32_t width, uint32_t height,
                                         uint32_t bytesPerPixel) {
    const size_t stride = size_t{width} * bytesPerPixel;
    std::vector<uint8_t> image(stride * height);
    for (uint32_t row = 0; row < height; ++row) {
        EXPECT_EQ(Driver().getCVLGrabRow(0, port, image.data() + stride * row, row, 0, width - 1),
                  1)
            << "row " << row;
    }
    return image;
}

}  // namespace tarnix::test
