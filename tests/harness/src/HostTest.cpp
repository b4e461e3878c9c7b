#include "harness/HostTest.h"

#include <pvsim.h>

namespace tarnix::test {

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
