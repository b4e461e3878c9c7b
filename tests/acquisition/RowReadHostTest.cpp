// Rows read on a host thread of its own while the camera delivers every frame: the frame
// handler must not write the image while a row is being copied out of it. The thread
// sanitizer build reports any such overlap; every build checks that no row it hands out is
// made of two frames.
#include <gtest/gtest.h>
#include <harness/HostTest.h>
#include <harness/Ramp.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

constexpr uint32_t kWidth = 256;
constexpr uint32_t kHeight = 32;

TEST_F(HostTest, RowsReadOutsideTheCallbackDuringContinuousDeliveryAreWhole) {
    const SimCamera camera = AddCamera(ePvFmtMono8, kWidth, kHeight);
    SetCameraFloat(camera.id, "FrameRate", 2000.0F);
    ASSERT_TRUE(Open(0, camera.name, kWidth, kHeight));
    ASSERT_EQ(driver().setProperty(0, 0, "Continous", 1), 1);
    // Before the first frame the image holds zeros, which are no ramp.
    ASSERT_TRUE(Completions::WaitBeyond(0, 0));

    struct Counts {
        std::atomic<bool> stop{false};
        std::atomic<uint32_t> rows{0};
        std::atomic<uint32_t> mixed{0};
    };
    Counts counts;
    // Nothing links this thread to the callbacks: it only reads rows until told to stop.
    std::thread reader([&counts] {
        std::vector<uint8_t> row(kWidth);
        while (!counts.stop.load(std::memory_order_relaxed)) {
            for (uint32_t r = 0; r < kHeight; ++r) {
                if (Driver().getCVLGrabRow(0, 0, row.data(), r, 0, kWidth - 1) != 1) continue;
                ++counts.rows;
                if (!IsByteRamp(row)) ++counts.mixed;
            }
        }
    });
    const uint32_t delivered = Completions::Count(0);
    const bool streamed = Completions::WaitBeyond(0, delivered + 50);
    counts.stop = true;
    reader.join();
    driver().closeCVLPort(0, 0);

    EXPECT_TRUE(streamed);
    EXPECT_GT(counts.rows.load(), 0u);
    EXPECT_EQ(counts.mixed.load(), 0u);
}

}  // namespace
}  // namespace tarnix::test
