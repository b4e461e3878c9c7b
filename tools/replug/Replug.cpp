// How long a host waits for its cameras after they come back: 1, 16 and 128 simulated
// cameras open on their ports are unplugged together, then plugged in again at once, and the
// tool prints the time from the first plug event to the last port's "Camera reconnect OK" line
// and to the last port's first frame. The driver is loaded as a host loads it, beside the
// simulated SDK; the reconnect delay comes from a settings file in a temporary folder.
//
//   replug [--delay MS] [--rounds N] [--ports N]... [--size WxH]
//
// --delay: ReconnectDelay of every camera (default 500, the driver's default); --rounds: power
// cycles per port count (default 5, the median and the range are printed); --ports: the port
// counts to try (default 1, 16 and 128); --size: the Mono8 cameras' image (default 8x8; a
// large one shows what the buffers of each reopen cost). The first frame is asked for the way a
// host would: after the plug a host thread requests one on every port that has none yet, once a
// millisecond, until the port accepts; the frame then comes through the completion callback.
#include <host/DriverLibrary.h>
#include <platform/System.h>
#include <pvsim.h>
#include <tarnixdrv.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

tarnix::host::DriverLibrary g_Driver;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// What the driver's threads report during one power cycle.
std::atomic<int> g_ReconnectsOk{0};
std::atomic<int> g_ReconnectsFailed{0};
std::atomic<int64_t> g_LastReconnectNs{0};
std::array<std::atomic<int64_t>, TARNIX_PORT_COUNT> g_FirstFrameNs{};
std::atomic<bool> g_Measuring{false};

void TARNIX_CALL OnLine(const char* line) {
    if (!g_Measuring.load()) return;
    if (std::strcmp(line, "Camera reconnect OK\n") == 0) {
        g_LastReconnectNs.store(NowNs());
        ++g_ReconnectsOk;
    } else if (std::strcmp(line, "Camera reconnect FAILED\n") == 0) {
        ++g_ReconnectsFailed;
    }
}

void TARNIX_CALL OnFrame(int32_t /*reserved*/, int32_t port) {
    if (!g_Measuring.load() || port < 0 || port >= TARNIX_PORT_COUNT) return;
    int64_t none = 0;
    g_FirstFrameNs[port].compare_exchange_strong(none, NowNs());
}

// The simulator's cameras keep their attributes between opens: "Software" trigger mode, so
// a camera sends a frame only when asked.
bool UseSoftwareTrigger(uint32_t cameraId) {
    tPvHandle handle = 0;
    if (PvCameraOpen(cameraId, ePvAccessMaster, &handle) != ePvErrSuccess) return false;
    const bool set = PvAttrEnumSet(handle, "FrameStartTriggerMode", "Software") == ePvErrSuccess;
    PvCameraClose(handle);
    return set;
}

struct Cycle {
    double reconnectedMs = 0;  // first plug to the last "Camera reconnect OK"
    double firstFrameMs = 0;   // first plug to the last port's first frame
    bool complete = false;
};

// Unplugs every camera, then plugs them all in and waits for each port's first frame.
Cycle PowerCycle(const std::vector<uint32_t>& cameras) {
    const int32_t ports = static_cast<int32_t>(cameras.size());
    for (uint32_t id : cameras) pvsim_unplug(id);
    pvsim_flush_events();
    g_ReconnectsOk = 0;
    g_ReconnectsFailed = 0;
    g_LastReconnectNs = 0;
    for (auto& first : g_FirstFrameNs) first = 0;
    g_Measuring = true;

    const int64_t plugged = NowNs();
    for (uint32_t id : cameras) pvsim_plug(id);
    std::vector<bool> requested(static_cast<size_t>(ports), false);
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(60);
    Cycle cycle;
    while (Clock::now() < giveUp) {
        int framed = 0;
        for (int32_t port = 0; port < ports; ++port) {
            if (g_FirstFrameNs[port].load() != 0) {
                ++framed;
            } else if (!requested[port]) {
                requested[port] = g_Driver.doCVLGrab(0, port) == 1;
            }
        }
        if (framed == ports && g_ReconnectsOk.load() >= ports) {
            cycle.complete = true;
            break;
        }
        tarnix::platform::SleepMs(1);
    }
    g_Measuring = false;
    int64_t lastFrame = 0;
    for (int32_t port = 0; port < ports; ++port)
        lastFrame = std::max(lastFrame, g_FirstFrameNs[port].load());
    cycle.reconnectedMs = static_cast<double>(g_LastReconnectNs.load() - plugged) / 1e6;
    cycle.firstFrameMs = static_cast<double>(lastFrame - plugged) / 1e6;
    return cycle;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int Usage() {
    std::fprintf(stderr, "usage: replug [--delay MS] [--rounds N] [--ports N]... [--size WxH]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t delayMs = 500;
    int rounds = 5;
    std::vector<int> portCounts;
    unsigned width = 8;
    unsigned height = 8;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        if (arg == "--size") {
            char end = 0;
            if (std::sscanf(argv[++i], "%ux%u%c", &width, &height, &end) != 2) return Usage();
            continue;
        }
        const long value = std::strtol(argv[++i], nullptr, 10);
        if (arg == "--delay" && value >= 0) {
            delayMs = static_cast<uint32_t>(value);
        } else if (arg == "--rounds" && value > 0) {
            rounds = static_cast<int>(value);
        } else if (arg == "--ports" && value > 0 && value <= TARNIX_PORT_COUNT) {
            portCounts.push_back(static_cast<int>(value));
        } else {
            return Usage();
        }
    }
    if (portCounts.empty()) portCounts = {1, 16, 128};

    if (!g_Driver.Load(tarnix::host::ProgramDir() + tarnix::host::DriverFileName())) {
        std::fprintf(stderr, "replug: %s\n", g_Driver.error().c_str());
        return 1;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "tarnix_replug_figures";
    std::filesystem::create_directories(folder);
    if (g_Driver.initialize(folder.string().c_str(), OnLine) != 1) {
        std::fprintf(stderr, "replug: the driver did not start\n");
        return 1;
    }
    g_Driver.setCompleteCallback(0, 0, OnFrame);

    std::printf(
        "ReconnectDelay=%u ms, %ux%u Mono8, %d power cycles each; times from the first "
        "plug event\n",
        static_cast<unsigned>(delayMs), width, height, rounds);
    std::printf("%6s  %-34s  %-34s\n", "ports", "last \"Camera reconnect OK\" (ms)",
                "last port's first frame (ms)");
    int status = 0;
    for (int ports : portCounts) {
        pvsim_remove_all();
        std::vector<uint32_t> cameras;
        std::string ini;
        for (int port = 0; port < ports; ++port) {
            const tPvSimCameraDesc desc{nullptr, nullptr, nullptr, ePvFmtMono8,
                                        width,   height,  8,       0};
            const uint32_t id = pvsim_add_camera(&desc);
            if (id == 0 || !UseSoftwareTrigger(id)) {
                std::fprintf(stderr, "replug: could not add camera %d\n", port);
                return 1;
            }
            cameras.push_back(id);
            char section[96];
            std::snprintf(section, sizeof section, "[Sim%u SIM-%u]\nReconnectDelay=%u\n",
                          static_cast<unsigned>(id), static_cast<unsigned>(id),
                          static_cast<unsigned>(delayMs));
            ini += section;
        }
        std::ofstream(folder / "Tarnix.ini", std::ios::binary) << ini;
        pvsim_flush_events();
        for (int port = 0; port < ports; ++port) {
            char address[32];
            std::snprintf(address, sizeof address, "127.1.%u.%u", cameras[port] >> 8 & 255,
                          cameras[port] & 255);
            uint32_t size[2] = {0, 0};
            if (g_Driver.openCVLPort(0, port, address, size) != 1) {
                std::fprintf(stderr, "replug: port %d did not open\n", port);
                return 1;
            }
        }
        std::vector<double> reconnected;
        std::vector<double> firstFrame;
        for (int round = 0; round < rounds; ++round) {
            const Cycle cycle = PowerCycle(cameras);
            if (!cycle.complete) {
                std::printf("%6d  only %d of %d ports reconnected (%d attempts failed)\n", ports,
                            g_ReconnectsOk.load(), ports, g_ReconnectsFailed.load());
                status = 1;
                break;
            }
            reconnected.push_back(cycle.reconnectedMs);
            firstFrame.push_back(cycle.firstFrameMs);
        }
        if (reconnected.size() == static_cast<size_t>(rounds)) {
            char a[64];
            char b[64];
            std::snprintf(a, sizeof a, "%8.1f  [%.1f .. %.1f]", Median(reconnected),
                          *std::min_element(reconnected.begin(), reconnected.end()),
                          *std::max_element(reconnected.begin(), reconnected.end()));
            std::snprintf(b, sizeof b, "%8.1f  [%.1f .. %.1f]", Median(firstFrame),
                          *std::min_element(firstFrame.begin(), firstFrame.end()),
                          *std::max_element(firstFrame.begin(), firstFrame.end()));
            std::printf("%6d  %-34s  %-34s\n", ports, a, b);
        }
        std::fflush(stdout);
        for (int port = 0; port < ports; ++port) g_Driver.closeCVLPort(0, port);
    }
    g_Driver.finalize();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
