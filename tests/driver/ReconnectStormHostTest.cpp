// Reconnect under load, as a host lives through it: every camera of a full port table
// power-cycled at once, and a storm of random unplugs, plugs and failed frames while host
// threads open, close, grab and read on random ports and another thread takes the driver
// down and up again. The sanitizer builds turn any race, use after free or leak into a
// failure; the tests check that every port comes back and that no completion callback is
// lost or doubled.
//
// The storm's length and seed come from the environment: TARNIX_STORM_SECONDS (default 60)
// and TARNIX_STORM_SEED (default: from the clock). The seed is printed; the threads'
// interleaving still differs from run to run, only the sequence of actions repeats.
#include <gtest/gtest.h>
#include <harness/HostTest.h>
#include <harness/TempFolder.h>
#include <platform/System.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kReconnectOk = "Camera reconnect OK\n";
constexpr const char* kReconnectFailed = "Camera reconnect FAILED\n";

uint32_t EnvOr(const char* name, uint32_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
}

class ReconnectStormTest : public HostTest {
  protected:
    // A camera added for each port from 0 on, in "Software" trigger mode unless a frame rate
    // is given (then "Freerun" at that rate), with its settings-file keys.
    struct PortSetup {
        tPvImageFormat format = ePvFmtMono8;
        uint32_t width = 8;
        uint32_t height = 8;
        float freerunRate = 0;
        std::string keys;
    };

    void AddCameras(const std::vector<PortSetup>& ports) {
        pvsim_remove_all();
        std::string ini;
        for (const PortSetup& setup : ports) {
            m_Cameras.push_back(AddCamera(setup.format, setup.width, setup.height));
            const uint32_t id = m_Cameras.back().id;
            if (setup.freerunRate > 0) {
                SetCameraEnum(id, "FrameStartTriggerMode", "Freerun");
                SetCameraFloat(id, "FrameRate", setup.freerunRate);
            } else {
                SetCameraEnum(id, "FrameStartTriggerMode", "Software");
            }
            // The settings section is "<display name> <serial>".
            char section[64];
            std::snprintf(section, sizeof section, "[Sim%u SIM-%u]\n", id, id);
            ini.append(section).append(setup.keys);
        }
        m_Temp.WriteFile("Tarnix.ini", ini);
        ASSERT_EQ(driver().setSystemPath(SystemPath().c_str()), 1);
    }

    std::string SystemPath() const { return m_Temp.Path().string(); }
    int32_t PortCount() const { return static_cast<int32_t>(m_Cameras.size()); }

    // The ports that refuse a grab at the moment, as text for a failure message.
    std::string PortsRefusingGrabs() {
        std::string refusing;
        for (int32_t port = 0; port < PortCount(); ++port)
            if (driver().doCVLGrab(0, port) != 1) refusing.append(" ").append(std::to_string(port));
        return refusing.empty() ? " none" : refusing;
    }

    TempFolder m_Temp;
    std::vector<SimCamera> m_Cameras;  // camera of port i at index i
};

// Every camera of all 128 ports unplugged, then all plugged in again at once, three times:
// each port reconnects by itself (one "OK" line each, no more) and delivers again. The
// reconnect delays are mixed, all of them pending at the same time: the default 500 ms, a
// short one, and 0 (an attempt at once).
TEST_F(ReconnectStormTest, EveryPortComesBackAfterEachPowerCycleOfAllPorts) {
    std::vector<PortSetup> setups(TARNIX_PORT_COUNT);
    setups[0].keys = "ReconnectDelay=0\n";
    for (int32_t port = 64; port < TARNIX_PORT_COUNT; ++port)
        setups[port].keys = "ReconnectDelay=30\n";
    AddCameras(setups);
    ASSERT_FALSE(HasFatalFailure());
    for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port) {
        ASSERT_TRUE(Open(port, m_Cameras[port].address, 8, 8)) << port;
        ASSERT_TRUE(GrabOne(port)) << port;
    }

    for (int cycle = 1; cycle <= 3; ++cycle) {
        SCOPED_TRACE(::testing::Message() << "power cycle " << cycle);
        for (const SimCamera& camera : m_Cameras) ASSERT_EQ(pvsim_unplug(camera.id), ePvErrSuccess);
        pvsim_flush_events();
        for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port)
            ASSERT_EQ(driver().doCVLGrab(0, port), 0) << "port " << port << " still grabs";
        LineLog::Clear();

        for (const SimCamera& camera : m_Cameras) ASSERT_EQ(pvsim_plug(camera.id), ePvErrSuccess);
        int ok = 0;
        int failed = 0;
        auto count = [&] {
            for (const std::string& line : LineLog::Take()) {
                ok += line == kReconnectOk;
                failed += line == kReconnectFailed;
            }
        };
        // Each attempt opens its camera, reads its settings and starts its capture; on one
        // timer thread that adds up under the sanitizers.
        WaitUntil(
            [&] {
                count();
                return ok + failed >= TARNIX_PORT_COUNT;
            },
            2 * kWaitLimit);
        // A second line for any port would come right after the first.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        count();
        EXPECT_EQ(failed, 0);
        ASSERT_EQ(ok, TARNIX_PORT_COUNT) << "ports refusing grabs:" << PortsRefusingGrabs();
        for (int32_t port = 0; port < TARNIX_PORT_COUNT; ++port)
            ASSERT_TRUE(GrabOne(port)) << "port " << port;
    }
}

// What the storm's threads did, for the summary line and the checks.
struct StormCounts {
    std::atomic<uint32_t> opened{0};
    std::atomic<uint32_t> closed{0};
    std::atomic<uint32_t> grabs{0};
    std::atomic<uint32_t> rows{0};
    std::atomic<uint32_t> unplugs{0};
    std::atomic<uint32_t> plugs{0};
    std::atomic<uint32_t> faults{0};
    std::atomic<uint32_t> shutdowns{0};
    std::atomic<uint32_t> startFailures{0};
    std::atomic<uint32_t> lines{0};
    std::atomic<uint32_t> reconnectsOk{0};

    void Reset() {
        for (std::atomic<uint32_t>* count :
             {&opened, &closed, &grabs, &rows, &unplugs, &plugs, &faults, &shutdowns,
              &startFailures, &lines, &reconnectsOk})
            *count = 0;
    }
};
StormCounts g_Storm;

// The storm's debug procedure: its lines are counted, not kept (there are many).
void TARNIX_CALL CountStormLine(const char* line) {
    ++g_Storm.lines;
    if (std::string(line) == kReconnectOk) ++g_Storm.reconnectsOk;
}

// A minute of random unplugs, plugs and failed frames on one thread; eight host threads
// opening, closing, grabbing, reading rows and properties on random ports and enumerating
// the cameras; and a thread that
// takes the driver's start-up count down to 0 and up again while the ports stream (hosts
// are told not to, some do). Afterwards every port must stream again, after a reopen where
// the storm left it closed, and a round of requests on every port must balance exactly.
//
// Why the balance is taken after the storm: the simulator counts every complete frame it
// hands to the driver's frame handler, and the driver announces only those that arrive while
// the port captures and was asked for one; a frame handed over while its port is being
// closed or unplugged is dropped, and a shutdown clears the host's callback. So during the
// storm a port can only have had at most as many callbacks as its camera delivered frames;
// once nothing stops the ports any more, each request in "Software" mode triggers exactly one
// frame and that frame exactly one callback, so the two counts must grow by the same number.
TEST_F(ReconnectStormTest, PortsSurviveAStormOfReplugsOpensClosesAndShutdowns) {
    constexpr int32_t kPorts = 16;
    constexpr int kHostThreads = 8;
    constexpr uint32_t kRequestsPerPort = 10;
    const uint32_t seconds = EnvOr("TARNIX_STORM_SECONDS", 60);
    const uint32_t seed =
        EnvOr("TARNIX_STORM_SEED", static_cast<uint32_t>(Clock::now().time_since_epoch().count()));
    std::printf("reconnect storm: TARNIX_STORM_SEED=%u TARNIX_STORM_SECONDS=%u\n", seed, seconds);
    std::fflush(stdout);
    SCOPED_TRACE(::testing::Message() << "TARNIX_STORM_SEED=" << seed);

    // Every fourth camera runs free and may deliver every frame; the others answer requests.
    // Formats, sizes and reconnect settings vary by port.
    const tPvImageFormat formats[] = {ePvFmtMono8,  ePvFmtMono16, ePvFmtBayer8, ePvFmtRgb24,
                                      ePvFmtYuv411, ePvFmtMono8,  ePvFmtBgr24,  ePvFmtYuv422};
    const char* const delays[] = {"ReconnectDelay=0\n", "ReconnectDelay=1\n", "ReconnectDelay=10\n",
                                  "ReconnectDelay=40\n"};
    std::vector<PortSetup> setups(kPorts);
    for (int32_t port = 0; port < kPorts; ++port) {
        setups[port].format = formats[port % 8];
        setups[port].width = 16 + 4 * (port % 3);
        setups[port].height = 12;
        setups[port].freerunRate = port % 4 == 3 ? 300.0F : 0;
        setups[port].keys = delays[port % 4];
        if (port % 5 == 4) setups[port].keys += "ReconnectRetries=1\n";
    }
    AddCameras(setups);
    ASSERT_FALSE(HasFatalFailure());
    auto bytesPerPixel = [&](int32_t port) {
        return setups[port].format == ePvFmtMono8 || setups[port].format == ePvFmtMono16 ? 1u : 3u;
    };
    // Rows read inside the callbacks too, where no other frame of the port can change them.
    // Shared with the hook, which runs until the fixture has closed the ports.
    struct RowsInCallbacks {
        std::array<uint32_t, kPorts> width{};
        std::atomic<uint32_t> failed{0};
    };
    auto inCallbacks = std::make_shared<RowsInCallbacks>();
    for (int32_t port = 0; port < kPorts; ++port) inCallbacks->width[port] = setups[port].width;
    Completions::SetHook([inCallbacks](int32_t port) {
        if (port < 0 || port >= kPorts) return;
        std::array<uint8_t, 64 * 3> row{};
        if (Driver().getCVLGrabRow(0, port, row.data(), 11, 0, inCallbacks->width[port] - 1) != 1)
            ++inCallbacks->failed;
    });
    g_Storm.Reset();
    for (int32_t port = 0; port < kPorts; ++port)
        ASSERT_TRUE(Open(port, m_Cameras[port].name, setups[port].width, 12)) << port;
    driver().setDebugMsgProc(CountStormLine);

    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    // Sleeps in short steps, so a stop is not kept waiting.
    auto pause = [&](std::mt19937& random, uint32_t minMs, uint32_t maxMs) {
        const uint32_t ms = std::uniform_int_distribution<uint32_t>(minMs, maxMs)(random);
        for (uint32_t slept = 0; slept < ms && !stop; slept += 5) platform::SleepMs(5);
    };

    // The cameras' side: single unplugs and plugs, and bursts of failed frames. Unplugged
    // cameras are plugged in again more often than plugged ones are pulled, so most ports
    // have their camera most of the time.
    threads.emplace_back([&] {
        std::mt19937 random(seed);
        std::vector<bool> plugged(kPorts, true);
        while (!stop) {
            pause(random, 1, 15);
            const int32_t port = static_cast<int32_t>(random() % kPorts);
            const uint32_t id = m_Cameras[port].id;
            const uint32_t dice = random() % 100;
            if (dice < 25) {
                const tPvErr status = dice % 2 ? ePvErrDataLost : ePvErrDataMissing;
                pvsim_fail_frames(id, 1 + random() % 3, status);
                ++g_Storm.faults;
            } else if (plugged[port] && dice < 55) {
                pvsim_unplug(id);
                plugged[port] = false;
                ++g_Storm.unplugs;
            } else if (!plugged[port]) {
                pvsim_plug(id);
                plugged[port] = true;
                ++g_Storm.plugs;
            }
        }
    });

    // The hosts.
    for (int t = 0; t < kHostThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(seed + 1 + static_cast<uint32_t>(t));
            std::array<uint8_t, 64 * 3> row{};
            uint32_t value = 0;
            uint32_t size[2] = {0, 0};
            while (!stop) {
                const int32_t port = static_cast<int32_t>(random() % kPorts);
                const uint32_t dice = random() % 100;
                if (dice < 30) {
                    g_Storm.grabs += Driver().doCVLGrab(0, port) == 1;
                } else if (dice < 55) {
                    const uint32_t r = random() % setups[port].height;
                    g_Storm.rows += Driver().getCVLGrabRow(0, port, row.data(), r, 0,
                                                           setups[port].width - 1) == 1;
                } else if (dice < 61) {
                    Driver().getProperty(0, port, dice % 2 ? "Width" : "PixelSize", &value);
                } else if (dice < 63) {
                    // A new camera list while link events name cameras from it. (Its names
                    // are not read: another thread's refresh may free them at any time.)
                    Driver().getCVLNoOfSupportedCameras();
                } else if (dice < 67) {
                    Driver().setProperty(0, port, "Continous", dice % 2);
                } else if (dice < 72) {
                    Driver().closeCVLPort(0, port);
                    ++g_Storm.closed;
                } else {
                    const std::string& name =
                        dice % 2 ? m_Cameras[port].name : m_Cameras[port].address;
                    g_Storm.opened += Driver().openCVLPort(0, port, name.c_str(), size) == 1;
                }
                if (random() % 4 == 0) platform::SleepMs(1);
            }
        });
    }

    // The host that shuts the driver down completely and starts it again, leaving it started.
    // It rests for the storm's last seconds, so that the ports the replugs and reopens brought
    // back since are still open at the end: those must stream as they are.
    const Clock::time_point lastShutdown =
        Clock::now() + std::chrono::seconds(seconds) - std::chrono::seconds(seconds / 10 + 1);
    threads.emplace_back([&] {
        std::mt19937 random(seed + 100);
        while (!stop && Clock::now() < lastShutdown) {
            pause(random, 300, 2000);
            for (int i = 0; i < 10 && Driver().finalize() == 0; ++i) {
            }
            ++g_Storm.shutdowns;
            pause(random, 5, 100);
            if (Driver().initialize(SystemPath().c_str(), CountStormLine) != 1)
                ++g_Storm.startFailures;
            Driver().setCompleteCallback(0, 0, Completions::Receive);
        }
    });

    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stop = true;
    for (std::thread& thread : threads) thread.join();

    uint32_t callbacksInStorm = 0;
    for (int32_t port = 0; port < kPorts; ++port) callbacksInStorm += Completions::Count(port);
    std::printf(
        "reconnect storm: %u callbacks, %u opens, %u closes, %u grabs accepted, %u rows read, %u "
        "unplugs, "
        "%u plugs, %u fault bursts, %u shutdowns, %u reconnects OK, %u lines\n",
        callbacksInStorm, g_Storm.opened.load(), g_Storm.closed.load(), g_Storm.grabs.load(),
        g_Storm.rows.load(), g_Storm.unplugs.load(), g_Storm.plugs.load(), g_Storm.faults.load(),
        g_Storm.shutdowns.load(), g_Storm.reconnectsOk.load(), g_Storm.lines.load());
    EXPECT_EQ(g_Storm.startFailures.load(), 0u);
    EXPECT_EQ(Completions::BadReserved(), 0u);
    EXPECT_EQ(inCallbacks->failed.load(), 0u);
    // No port had a callback for a frame its camera did not deliver.
    for (int32_t port = 0; port < kPorts; ++port)
        EXPECT_LE(Completions::Count(port), pvsim_frames_delivered(m_Cameras[port].id))
            << "port " << port;

    // Calm: the cameras back and healthy, pending reconnect attempts over.
    driver().setDebugMsgProc(LineLog::Receive);
    for (const SimCamera& camera : m_Cameras) {
        pvsim_fail_frames(camera.id, 0, ePvErrSuccess);
        pvsim_plug(camera.id);
    }
    pvsim_flush_events();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // Every port streams again: as it is where the storm left it open, else once reopened.
    // A port that accepts a request must answer it.
    int reopened = 0;
    for (int32_t port = 0; port < kPorts; ++port) {
        if (setups[port].freerunRate > 0) driver().setProperty(0, port, "Continous", 0);
        const uint32_t seen = Completions::Count(port);
        if (driver().doCVLGrab(0, port) == 1) {
            EXPECT_TRUE(Completions::WaitBeyond(port, seen))
                << "port " << port << " accepted a request and never answered it";
            continue;
        }
        driver().closeCVLPort(0, port);
        ++reopened;
        ASSERT_TRUE(Open(port, m_Cameras[port].name, setups[port].width, 12)) << port;
        ASSERT_TRUE(GrabOne(port)) << port;
    }
    std::printf("reconnect storm: %d of %d ports reopened after the storm\n", reopened, kPorts);

    // The balance: requests on every "Software" port from several threads at once, each
    // waiting for its callback; then the late ones a doubled callback would bring.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<uint32_t> delivered(kPorts);
    std::vector<uint32_t> callbacks(kPorts);
    for (int32_t port = 0; port < kPorts; ++port) {
        delivered[port] = pvsim_frames_delivered(m_Cameras[port].id);
        callbacks[port] = Completions::Count(port);
    }
    std::atomic<uint32_t> unanswered{0};
    std::vector<std::thread> requesters;
    for (int t = 0; t < kHostThreads; ++t) {
        requesters.emplace_back([&, t] {
            for (int32_t port = t; port < kPorts; port += kHostThreads) {
                if (setups[port].freerunRate > 0) continue;
                for (uint32_t i = 0; i < kRequestsPerPort; ++i) {
                    const uint32_t seen = Completions::Count(port);
                    if (Driver().doCVLGrab(0, port) != 1 || !Completions::WaitBeyond(port, seen))
                        ++unanswered;
                }
            }
        });
    }
    for (std::thread& thread : requesters) thread.join();
    EXPECT_EQ(unanswered.load(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (int32_t port = 0; port < kPorts; ++port) {
        if (setups[port].freerunRate > 0) continue;
        const uint32_t newFrames = pvsim_frames_delivered(m_Cameras[port].id) - delivered[port];
        const uint32_t newCallbacks = Completions::Count(port) - callbacks[port];
        EXPECT_EQ(newCallbacks, newFrames) << "port " << port;
        EXPECT_EQ(newFrames, kRequestsPerPort) << "port " << port;
    }

    // And the last image of every port reads whole; a Mono8 ramp counts up by one from pixel
    // to pixel.
    for (int32_t port = 0; port < kPorts; ++port) {
        if (setups[port].freerunRate > 0) continue;
        const std::vector<uint8_t> image =
            ReadImage(port, setups[port].width, 12, bytesPerPixel(port));
        if (setups[port].format != ePvFmtMono8) continue;
        for (size_t i = 1; i < image.size(); ++i)
            ASSERT_EQ(image[i], static_cast<uint8_t>(image[i - 1] + 1)) << "port " << port;
    }
}

}  // namespace
}  // namespace tarnix::test
