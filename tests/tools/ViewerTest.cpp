// The viewer's parts that need no window: the newest-frame mailbox between the SDK's thread and
// the window's, and what the window draws from a frame.
#include <FrameMailbox.h>
#include <Picture.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace tarnix::camhost {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Fills every byte of a frame with one value, or fails as a frame with a missing row does.
class ValueFiller : public FrameMailbox::Filler {
  public:
    bool Fill(uint8_t* pixels, const FrameGeometry& geometry) override {
        std::memset(pixels, value, geometry.Bytes());
        return whole;
    }
    uint8_t value = 0;
    bool whole = true;
};

uint8_t FirstByte(FrameMailbox& mailbox) {
    FrameView frame;
    return mailbox.Take(frame) ? frame.pixels[0] : 0;
}

using Clock = FrameMailbox::Clock;
using std::chrono::milliseconds;

// Frames far enough apart that each one is copied.
Clock::time_point Later() {
    static Clock::time_point now{};
    return now += milliseconds(100);
}

TEST(FrameMailboxTest, TheWindowGetsTheNewestWholeFrameAndTheOthersCountAsDropped) {
    FrameMailbox mailbox;
    mailbox.Reset({4, 2, 1});
    ValueFiller filler;
    FrameView frame;
    EXPECT_FALSE(mailbox.Take(frame)) << "nothing delivered yet";
    EXPECT_FALSE(mailbox.Current(frame));

    for (uint8_t value : {1, 2, 3}) {
        filler.value = value;
        mailbox.Deliver(filler, Later());
    }
    filler.value = 4;
    filler.whole = false;  // an incomplete frame neither replaces the newest nor is dropped
    mailbox.Deliver(filler, Later());
    ASSERT_TRUE(mailbox.Take(frame));
    EXPECT_EQ(frame.pixels[0], 3);
    EXPECT_EQ(frame.number, 3u);
    EXPECT_EQ(frame.geometry, (FrameGeometry{4, 2, 1}));
    EXPECT_FALSE(mailbox.Take(frame)) << "the same frame twice";

    // What is on screen stays as it was while new frames come in.
    filler.whole = true;
    filler.value = 5;
    mailbox.Deliver(filler, Later());
    FrameView shown;
    ASSERT_TRUE(mailbox.Current(shown));
    EXPECT_EQ(shown.pixels[0], 3);
    EXPECT_EQ(FirstByte(mailbox), 5);

    const MailboxCounts counts = mailbox.Counts();
    EXPECT_EQ(counts.received, 5u);
    EXPECT_EQ(counts.incomplete, 1u);
    EXPECT_EQ(counts.shown, 2u);
    EXPECT_EQ(counts.dropped, 2u);

    // A new geometry starts afresh: what was shown belongs to the old one.
    mailbox.Reset({2, 2, 3});
    EXPECT_FALSE(mailbox.Current(frame));
    EXPECT_EQ(mailbox.Counts().received, 0u);
    filler.value = 6;
    mailbox.Deliver(filler, Later());
    ASSERT_TRUE(mailbox.Take(frame));
    EXPECT_EQ(frame.geometry.Bytes(), 12u);
    EXPECT_EQ(frame.number, 1u);
}

// A frame right behind the one still waiting is not copied at all: the camera's thread does
// not wait for a copy the window would not show. Once the window took the waiting one, or it
// has waited a while, the next frame is copied again.
TEST(FrameMailboxTest, AFrameRightBehindTheWaitingOneIsDroppedWithoutACopy) {
    class CountingFiller : public FrameMailbox::Filler {
      public:
        bool Fill(uint8_t* pixels, const FrameGeometry&) override {
            pixels[0] = static_cast<uint8_t>(++fills);
            return true;
        }
        int fills = 0;
    } filler;
    FrameMailbox mailbox;
    mailbox.Reset({2, 2, 1});
    const Clock::time_point start{};
    mailbox.Deliver(filler, start);
    mailbox.Deliver(filler, start + milliseconds(1));
    mailbox.Deliver(filler, start + milliseconds(4));
    EXPECT_EQ(filler.fills, 1);
    mailbox.Deliver(filler, start + FrameMailbox::kFreshFor);
    EXPECT_EQ(filler.fills, 2) << "the waiting frame has grown old: a newer one replaces it";
    EXPECT_EQ(FirstByte(mailbox), 2);
    mailbox.Deliver(filler, start + FrameMailbox::kFreshFor + milliseconds(1));
    EXPECT_EQ(filler.fills, 3) << "nothing was waiting";
    const MailboxCounts counts = mailbox.Counts();
    EXPECT_EQ(counts.received, 5u);
    EXPECT_EQ(counts.shown, 1u);
    EXPECT_EQ(counts.dropped, 3u);
}

// A filler that writes rows as wide as the largest pixel, as the driver does when the camera
// switched to colour while the viewer still expects grey: the buffer has room for it.
TEST(FrameMailboxTest, ARowOfTheWidestPixelsFitsWhateverTheGeometrySays) {
    class WideFiller : public FrameMailbox::Filler {
      public:
        bool Fill(uint8_t* pixels, const FrameGeometry& geometry) override {
            for (uint32_t row = 0; row < geometry.height; ++row)
                std::memset(pixels + geometry.Stride() * row, 7,
                            size_t{geometry.width} * FrameMailbox::kMaxChannels);
            return true;
        }
    } filler;
    FrameMailbox mailbox;
    mailbox.Reset({5, 3, 1});
    mailbox.Deliver(filler, Later());  // the address sanitizer sees any write past the buffer
    FrameView frame;
    ASSERT_TRUE(mailbox.Take(frame));
    EXPECT_EQ(frame.pixels[14], 7);
}

// One thread delivers as fast as it can while another takes: every frame taken is whole (all
// its bytes from one delivery), numbers only grow, and every frame is either shown, dropped or
// still waiting.
TEST(FrameMailboxTest, FramesTakenWhileDeliveriesRunAreNeverTorn) {
    FrameMailbox mailbox;
    mailbox.Reset({64, 48, 3});
    constexpr int kFrames = 20000;
    std::atomic<bool> done{false};
    std::thread deliverer([&] {
        ValueFiller filler;
        for (int i = 1; i <= kFrames; ++i) {
            filler.value = static_cast<uint8_t>(i);
            mailbox.Deliver(filler, Later());
        }
        done = true;
    });
    uint64_t last = 0;
    uint64_t torn = 0;
    uint64_t backwards = 0;
    for (;;) {
        const bool finished = done;
        FrameView frame;
        while (mailbox.Take(frame)) {
            const uint8_t expected = static_cast<uint8_t>(frame.number);
            for (size_t i = 0; i < frame.geometry.Bytes(); ++i)
                if (frame.pixels[i] != expected) {
                    ++torn;
                    break;
                }
            if (frame.number <= last) ++backwards;
            last = frame.number;
        }
        if (finished) break;
        std::this_thread::yield();
    }
    deliverer.join();
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(backwards, 0u);
    EXPECT_EQ(last, uint64_t{kFrames}) << "the last frame is always shown in the end";
    const MailboxCounts counts = mailbox.Counts();
    EXPECT_EQ(counts.received, uint64_t{kFrames});
    EXPECT_EQ(counts.shown + counts.dropped, counts.received);
}

TEST(PictureTest, TheImageFillsTheAreaInItsOwnShapeCentred) {
    EXPECT_EQ(FitInside(1280, 960, 800, 600), (Rect{0, 0, 800, 600}));
    EXPECT_EQ(FitInside(1280, 960, 1000, 600), (Rect{100, 0, 800, 600}));
    EXPECT_EQ(FitInside(640, 480, 800, 1000), (Rect{0, 200, 800, 600}));
    EXPECT_EQ(FitInside(10000, 1, 100, 100), (Rect{0, 49, 100, 1})) << "never thinner than 1";
    EXPECT_EQ(FitInside(0, 480, 800, 600), Rect{});
    EXPECT_EQ(FitInside(640, 480, 0, 600), Rect{});
}

TEST(PictureTest, ScalingTakesTheNearestPixelInTheToolkitsOrder) {
    // 2 x 2 blue, green, red: (1,2,3) (4,5,6) / (7,8,9) (10,11,12)
    const uint8_t bgr[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const FrameView colour{bgr, {2, 2, 3}, 1};
    std::vector<uint8_t> out(4 * 4 * 3 + 4 * 4, 0xEE);  // 4 x 4 in rows of 16 bytes
    ScaleNearest(colour, out.data(), 4, 4, 16, PixelOrder::Rgb);
    EXPECT_THAT(std::vector<uint8_t>(out.begin(), out.begin() + 16),
                ElementsAre(3, 2, 1, 3, 2, 1, 6, 5, 4, 6, 5, 4, 0xEE, 0xEE, 0xEE, 0xEE))
        << "the padding of a row stays untouched";
    EXPECT_THAT(std::vector<uint8_t>(out.begin() + 48, out.begin() + 60),
                ElementsAre(9, 8, 7, 9, 8, 7, 12, 11, 10, 12, 11, 10));
    ScaleNearest(colour, out.data(), 1, 1, 3, PixelOrder::Bgr);
    EXPECT_THAT(std::vector<uint8_t>(out.begin(), out.begin() + 3), ElementsAre(10, 11, 12))
        << "one pixel for the whole image: the one under its centre";

    // Grey 4 x 1 down to 2 x 1: the centres of each half, repeated in all three bytes.
    const uint8_t grey[] = {10, 20, 30, 40};
    ScaleNearest({grey, {4, 1, 1}, 1}, out.data(), 2, 1, 6, PixelOrder::Bgr);
    EXPECT_THAT(std::vector<uint8_t>(out.begin(), out.begin() + 6),
                ElementsAre(20, 20, 20, 40, 40, 40));
}

TEST(PictureTest, TheHistogramCountsGreyLevelsOrBrightness) {
    const uint8_t grey[] = {0, 0, 255, 7};
    Histogram levels = CountLevels({grey, {2, 2, 1}, 1});
    EXPECT_EQ(levels[0], 2u);
    EXPECT_EQ(levels[7], 1u);
    EXPECT_EQ(levels[255], 1u);
    // White, pure blue, pure green and pure red, each by its brightness.
    const uint8_t bgr[] = {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    levels = CountLevels({bgr, {4, 1, 3}, 1});
    EXPECT_EQ(levels[255], 1u);
    EXPECT_EQ(levels[29], 1u);
    EXPECT_EQ(levels[149], 1u);
    EXPECT_EQ(levels[77], 1u);

    // A large image is sampled evenly: every second pixel of every second row here.
    std::vector<uint8_t> large(1024 * 1024);
    for (size_t i = 0; i < large.size(); ++i) large[i] = (i / 1024) % 2 == 0 && i % 2 == 0 ? 9 : 1;
    levels = CountLevels({large.data(), {1024, 1024, 1}, 1});
    EXPECT_EQ(levels[9], 512u * 512u);
    EXPECT_EQ(levels[1], 0u);

    Histogram counts{};
    counts[3] = 10;
    counts[4] = 5;
    counts[9] = 1;
    const std::array<int, 256> bars = BarHeights(counts, 80);
    EXPECT_EQ(bars[3], 80);
    EXPECT_EQ(bars[4], 40);
    EXPECT_EQ(bars[9], 8);
    EXPECT_EQ(bars[0], 0);
    EXPECT_THAT(BarHeights(Histogram{}, 80), ElementsAreArray(std::array<int, 256>{}));
}

TEST(PictureTest, TheRateIsTakenOverAtLeastASecond) {
    RateMeter meter;
    const auto start = RateMeter::Clock::time_point{};
    meter.Sample(100, start);
    meter.Sample(130, start + std::chrono::milliseconds(500));
    EXPECT_EQ(meter.PerSecond(), 0.0) << "half a second is too short to say";
    meter.Sample(160, start + std::chrono::seconds(2));
    EXPECT_DOUBLE_EQ(meter.PerSecond(), 30.0);
    EXPECT_EQ(StatusLine("Cam", {640, 480, 1}, 29.96, 25.0, 12, 3),
              "Cam  640 x 480 grey  30.0 frames/s  shown 25.0/s  dropped 12  frame errors 3");
}

}  // namespace
}  // namespace tarnix::camhost
