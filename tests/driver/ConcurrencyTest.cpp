// The port table and the camera list are used at once by host threads (enumeration, opens,
// closes, shutdown) and the SDK's link-event thread (lookups by camera id). Run them all
// together; the sanitizer builds turn any race or use after free into a failure.
#include <camera/Camera.h>
#include <driver/CameraList.h>
#include <driver/HostSettings.h>
#include <driver/PortTable.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <harness/Simulator.h>
#include <pvsim.h>

#include <functional>
#include <latch>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

constexpr int kRounds = 1000;
constexpr int32_t kPortsUsed = 4;

// Runs every piece of work on a thread of its own, all starting at the same moment so
// their loops overlap.
void RunTogether(const std::vector<std::function<void()>>& work) {
    std::latch start(static_cast<std::ptrdiff_t>(work.size()));
    std::vector<std::thread> threads;
    for (const auto& piece : work) {
        threads.emplace_back([&start, &piece] {
            start.arrive_and_wait();
            piece();
        });
    }
    for (std::thread& thread : threads) thread.join();
}

void OpenAndCloseSomePorts() {
    for (int i = 0; i < kRounds; ++i) {
        PortReservation reservation(Ports(), i % kPortsUsed);
        if (reservation) {
            reservation.Fill(
                std::make_shared<CCamera>(CameraInfo(kMono8CameraId, "SimMono8", "SIM-1001"),
                                          i % kPortsUsed, NotifyComplete, ""));
        }
        Ports().Take((i + 1) % kPortsUsed);
    }
}

TEST(DriverConcurrencyTest, ListAndPortsStayConsistentUnderConcurrentUse) {
    pvsim_reset();
    RunTogether({
        // Enumeration, while a camera comes and goes so counts and lists disagree now and
        // then.
        [] {
            for (int i = 0; i < kRounds; ++i) RefreshCameraList();
        },
        [] {
            for (int i = 0; i < kRounds / 20; ++i) {
                pvsim_unplug(1003);
                pvsim_plug(1003);
            }
        },
        // What the link-event handler and openCVLPort look up, each lookup on a thread of
        // its own, so one that skipped the lock would not be ordered by another's.
        [] {
            for (int i = 0; i < kRounds; ++i) FindConfigName("SimBayer8 [SIM-1003]");
        },
        [] {
            for (int i = 0; i < kRounds; ++i) FindCameraById(1001);
        },
        [] {
            tPvCameraInfo record{};
            for (int i = 0; i < kRounds; ++i) {
                if (Cameras().RecordByConfigName("SimMono8 [SIM-1001]", record)) {
                    EXPECT_EQ(record.UniqueId, 1001u);
                }
            }
        },
        [] {
            std::string name;
            for (int i = 0; i < kRounds; ++i) {
                if (Cameras().ConfigNameOfCamera(1002, name)) {
                    EXPECT_EQ(name, "SimMono16 [SIM-1002]");
                }
            }
        },
        [] {
            for (int i = 0; i < kRounds; ++i) Cameras().Names();
        },
        [] {
            for (int i = 0; i < kRounds; ++i) FindPortByCameraId(1001);
        },
        [] {
            for (int i = 0; i < kRounds; ++i) FindPortByNameOrAddress("SimMono8 [SIM-1001]");
        },
        // Opens and closes of a few ports, two threads competing for the same ones.
        OpenAndCloseSomePorts,
        OpenAndCloseSomePorts,
        // A camera looked up on one thread outlives a close on another.
        [] {
            for (int i = 0; i < kRounds; ++i) {
                if (const std::shared_ptr<CCamera> camera = Ports().At(i % kPortsUsed)) {
                    EXPECT_EQ(camera->Info().UniqueId, 1001u);
                }
            }
        },
        // Shutdown frees the list under everyone's feet.
        [] {
            for (int i = 0; i < kRounds / 5; ++i) FreeCameraList();
        },
    });
    for (int32_t port = 0; port < kPortsUsed; ++port) Ports().Take(port);
    FreeCameraList();
    pvsim_reset();
}

}  // namespace
}  // namespace tarnix::test
