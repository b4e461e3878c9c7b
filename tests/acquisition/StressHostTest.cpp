// Many threads at once: host threads grabbing, reading and closing while the SDK's threads
// deliver frames. The sanitizer builds turn any race, use after free or leak into a failure;
// the tests themselves check that every wait ends and the ports still work afterwards.
#include <gtest/gtest.h>
#include <harness/HostTest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <regex>
#include <thread>

namespace tarnix::test {
namespace {

// Reads every row of the port's image inside its callback, where no other frame can change
// it; geometry per port, set before the port opens.
struct RowReader {
    std::array<uint32_t, TARNIX_PORT_COUNT> width{};
    std::array<uint32_t, TARNIX_PORT_COUNT> height{};
    std::array<uint32_t, TARNIX_PORT_COUNT> bytesPerPixel{};
    std::atomic<uint32_t> rowsFailed{0};

    void Read(int32_t port) {
        if (width[port] == 0) return;
        std::vector<uint8_t> row(size_t{width[port]} * bytesPerPixel[port]);
        for (uint32_t r = 0; r < height[port]; ++r)
            if (Driver().getCVLGrabRow(0, port, row.data(), r, 0, width[port] - 1) != 1)
                ++rowsFailed;
    }
};

// Threads that run until the test is done with them, also when it ends early.
class Workers {
  public:
    ~Workers() {
        stop = true;
        for (std::thread& thread : m_Threads) thread.join();
    }
    template <typename Body>
    void Run(Body body) {
        m_Threads.emplace_back([this, body] {
            while (!stop) body();
        });
    }
    std::atomic<bool> stop{false};

  private:
    std::vector<std::thread> m_Threads;
};

std::shared_ptr<RowReader> ReadRowsInCallbacks() {
    auto reader = std::make_shared<RowReader>();
    Completions::SetHook([reader](int32_t port) { reader->Read(port); });
    return reader;
}

TEST_F(HostTest, SeveralHostThreadsGrabOnOnePort) {
    const SimCamera camera = AddCamera(ePvFmtBayer8, 16, 12);
    SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
    auto reader = ReadRowsInCallbacks();
    reader->width[0] = 16, reader->height[0] = 12, reader->bytesPerPixel[0] = 3;
    ASSERT_TRUE(Open(0, camera.name, 16, 12));

    std::atomic<uint32_t> answered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                const uint32_t seen = Completions::Count(0);
                if (Driver().doCVLGrab(0, 0) == 1 && Completions::WaitBeyond(0, seen)) ++answered;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(answered.load(), 200u);
    EXPECT_EQ(reader->rowsFailed.load(), 0u);
}

// Ports are closed and opened again while their frames stream, while other host threads
// read rows and properties and grab on them: the objects must outlive every call that is
// still using them, and each close must leave the camera free for the next open at once.
TEST_F(HostTest, PortsCloseWhileFramesStreamAndOtherThreadsUseThem) {
    auto reader = ReadRowsInCallbacks();
    std::vector<SimCamera> cameras;
    for (int32_t port = 0; port < 3; ++port) {
        cameras.push_back(AddCamera(port == 1 ? ePvFmtMono8 : ePvFmtYuv411, 16, 12));
        SetCameraFloat(cameras.back().id, "FrameRate", 2000.0F);
        reader->width[port] = 16, reader->height[port] = 12;
        reader->bytesPerPixel[port] = port == 1 ? 1 : 3;
        ASSERT_TRUE(Open(port, cameras.back().address, 16, 12));
    }
    // Port 0 delivers every frame; port 1 delivers none, so rows may be read on any thread;
    // port 2 delivers what its grabbing thread asks for.
    ASSERT_EQ(driver().setProperty(0, 0, "Continous", 1), 1);

    Workers users;
    users.Run([] {
        uint8_t row[16];
        uint32_t value = 0;
        Driver().getCVLGrabRow(0, 1, row, 3, 0, 15);
        Driver().getProperty(0, 1, "Width", &value);
        Driver().getProperty(0, 1, "PixelSize", &value);
    });
    users.Run([] { Driver().doCVLGrab(0, 2); });
    users.Run([] { Driver().setProperty(0, 0, "Continous", 1); });

    for (int round = 0; round < 15; ++round) {
        for (int32_t port = 0; port < 3; ++port) {
            driver().closeCVLPort(0, port);
            ASSERT_TRUE(Open(port, cameras[port].name, 16, 12)) << "round " << round;
        }
        driver().setProperty(0, 0, "Continous", 1);
        ASSERT_TRUE(Completions::WaitBeyond(0, Completions::Count(0)));
    }
    EXPECT_EQ(reader->rowsFailed.load(), 0u);
}

TEST_F(HostTest, AllPortsStreamAtOnce) {
    auto reader = ReadRowsInCallbacks();
    std::vector<SimCamera> cameras;
    for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port) {
        const auto format = static_cast<tPvImageFormat>(port % 12);
        cameras.push_back(AddCamera(format, 8, 8, 12));
        reader->width[port] = 8, reader->height[port] = 8;
        reader->bytesPerPixel[port] = format == ePvFmtMono8 || format == ePvFmtMono16 ? 1 : 3;
    }
    for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port) {
        ASSERT_TRUE(Open(port, cameras[port].address, 8, 8)) << port;
        ASSERT_EQ(driver().setProperty(0, port, "Continous", 1), 1);
    }
    for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port)
        ASSERT_TRUE(Completions::WaitBeyond(port, 2)) << port;
    EXPECT_EQ(reader->rowsFailed.load(), 0u);
    for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port) driver().closeCVLPort(0, port);
}

// Two cameras whose frames fail while host threads keep requesting: each failed frame makes
// exactly one line, numbered on in one count shared by both, and the failures end the
// requests, so the next request triggers again.
TEST_F(HostTest, FailedFramesWhileThreadsKeepRequesting) {
    constexpr int kFailures = 10;
    const std::array<SimCamera, 2> cameras = {AddCamera(ePvFmtMono8, 16, 12),
                                              AddCamera(ePvFmtRgb24, 16, 12)};
    for (int32_t port = 0; port < 2; ++port) {
        SetCameraEnum(cameras[port].id, "FrameStartTriggerMode", "Software");
        ASSERT_TRUE(Open(port, cameras[port].name, 16, 12));
        pvsim_fail_frames(cameras[port].id, kFailures,
                          port == 0 ? ePvErrDataLost : ePvErrDataMissing);
    }
    LineLog::Clear();
    Workers requesters;
    for (int32_t port = 0; port < 2; ++port) {
        requesters.Run([port] {
            Driver().doCVLGrab(0, port);
            platform::SleepMs(1);
        });
    }
    const std::regex errorLine(R"(FrameCB error #(\d+) port (\d): (\d+) .*\n)");
    std::vector<int> numbers;
    std::array<int, 2> perPort{};
    WaitUntil([&] {
        for (const std::string& line : LineLog::Take()) {
            std::smatch match;
            if (!std::regex_match(line, match, errorLine)) continue;
            const int port = std::stoi(match[2]);
            numbers.push_back(std::stoi(match[1]));
            ++perPort[port];
            EXPECT_EQ(std::stoi(match[3]), port == 0 ? 15 : 16) << line;
        }
        return numbers.size() >= 2 * kFailures;
    });
    // Both cameras deliver again once their failures are used up.
    for (int32_t port = 0; port < 2; ++port) EXPECT_TRUE(Completions::WaitBeyond(port, 0)) << port;

    ASSERT_EQ(numbers.size(), 2u * kFailures);
    std::sort(numbers.begin(), numbers.end());
    for (size_t i = 1; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], numbers[0] + int(i));
    EXPECT_EQ(perPort[0], kFailures);
    EXPECT_EQ(perPort[1], kFailures);
}

// Hosts must not close a port from inside its own callback; one that does still finds the
// camera closed and free for the next open, and the driver touches nothing it freed.
TEST_F(HostTest, ClosingTheOwnPortInsideItsCallbackIsSurvived) {
    const SimCamera camera = AddCamera(ePvFmtMono8, 16, 12);
    SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
    auto closed = std::make_shared<std::atomic<bool>>(false);
    Completions::SetHook([closed](int32_t port) {
        if (!closed->exchange(true)) Driver().closeCVLPort(0, port);
    });
    ASSERT_TRUE(Open(0, camera.name, 16, 12));
    ASSERT_TRUE(GrabOne(0));
    EXPECT_TRUE(closed->load());
    EXPECT_EQ(driver().doCVLGrab(0, 0), 0);
    ASSERT_TRUE(Open(0, camera.name, 16, 12));
    EXPECT_TRUE(GrabOne(0));
}

// Ports left open past the last shutdown: the SDK is gone under them, every call of their
// close fails, and still nothing leaks or crashes.
TEST_F(HostTest, PortsClosedAfterTheLastShutdown) {
    for (int32_t port = 0; port < 2; ++port) {
        const SimCamera camera = AddCamera(ePvFmtYuv444, 16, 12);
        SetCameraFloat(camera.id, "FrameRate", 1000.0F);
        ASSERT_TRUE(Open(port, camera.address, 16, 12));
        ASSERT_EQ(driver().setProperty(0, port, "Continous", 1), 1);
    }
    ASSERT_TRUE(Completions::WaitBeyond(0, 2));
    ASSERT_EQ(driver().finalize(), 1);
    EXPECT_EQ(driver().doCVLGrab(0, 0), 0);
    driver().closeCVLPort(0, 0);
    driver().closeCVLPort(0, 1);
    ASSERT_EQ(driver().initialize("", LineLog::Receive), 1);  // for the fixture's shutdown
}

}  // namespace
}  // namespace tarnix::test
