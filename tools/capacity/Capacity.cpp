// How many cameras of one size and format a host can open AND stream at once in one process,
// what the driver holds per camera, and whether closing them gives the address space back. A
// 32-bit host has 2 GB of it, and a production line may hold 128 cameras of several
// megapixels, so an open that returns 1 without the buffers to work with is the fault to find.
//
// The driver is loaded as a host loads it, beside the simulated SDK; the simulator's default
// cameras make way for N cameras of the given size and format in "Software" trigger mode, so a
// frame comes only when asked for. A round opens them one after another on ports 0..N-1, asks
// every opened port for one frame, reads the first and the last row of it in the completion
// callback, and closes every port. A port "streams" when its frame came and both rows read
// back; one that opened but does not stream is dead, which is what a host cannot cope with.
// Later rounds repeat it: opening fewer than the first means closing did not give the address
// space back.
#include <host/DriverLibrary.h>
#include <platform/System.h>
#include <platform/ThreadSafety.h>
#include <pvsim.h>
#include <tarnixdrv.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "AddressSpace.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

using tarnix::capacity::AddressSpace;
using Clock = std::chrono::steady_clock;

constexpr int kPorts = TARNIX_PORT_COUNT;
// The simulator's sensor limits.
constexpr uint32_t kMinSide = 8;
constexpr uint32_t kMaxSide = 16384;
// A wait for frames ends when none arrived for this long.
constexpr int kDefaultQuietSeconds = 5;

struct Options {
    int cameras = kPorts;
    uint32_t width = 4096;
    uint32_t height = 3000;
    bool mono16 = true;
    int rounds = 2;
    int quietSeconds = kDefaultQuietSeconds;
    bool check = false;
};

tarnix::host::DriverLibrary g_Driver;

// ---- diagnostic lines ------------------------------------------------------------------
// Sorted into kinds by their text with every digit run made '#', in fixed storage: lines
// arrive from the SDK's threads, also while the heap is exhausted.

constexpr size_t kLineText = 200;
constexpr size_t kLineKinds = 48;

struct LineKind {
    char shape[kLineText];
    char example[kLineText];
    int count;
};

tarnix::platform::Mutex g_LinesMutex;
std::array<LineKind, kLineKinds> g_Kinds GUARDED_BY(g_LinesMutex){};
size_t g_KindCount GUARDED_BY(g_LinesMutex) = 0;
int g_Unsorted GUARDED_BY(g_LinesMutex) = 0;  // lines of kinds beyond the table
std::atomic<int> g_FrameErrors{0};
std::atomic<int> g_OtherLines{0};

void ShapeOf(const char* line, char* shape) {
    size_t n = 0;
    bool inDigits = false;
    for (const char* c = line; *c != '\0' && n + 1 < kLineText; ++c) {
        const bool digit = std::isdigit(static_cast<unsigned char>(*c)) != 0;
        if (!digit) {
            shape[n++] = *c;
        } else if (!inDigits) {
            shape[n++] = '#';
        }
        inDigits = digit;
    }
    shape[n] = '\0';
}

void TARNIX_CALL OnLine(const char* line) {
    if (line == nullptr) return;
    if (std::strstr(line, "FrameCB error") != nullptr) {
        ++g_FrameErrors;
        return;
    }
    ++g_OtherLines;
    char text[kLineText];
    std::snprintf(text, sizeof text, "%s", line);
    text[std::strcspn(text, "\r\n")] = '\0';
    char shape[kLineText];
    ShapeOf(text, shape);
    tarnix::platform::MutexLock lock(g_LinesMutex);
    for (size_t i = 0; i < g_KindCount; ++i) {
        if (std::strcmp(g_Kinds[i].shape, shape) == 0) {
            ++g_Kinds[i].count;
            return;
        }
    }
    if (g_KindCount == kLineKinds) {
        ++g_Unsorted;
        return;
    }
    LineKind& kind = g_Kinds[g_KindCount++];
    std::memcpy(kind.shape, shape, sizeof shape);
    std::memcpy(kind.example, text, sizeof text);
    kind.count = 1;
}

void ForgetLines() {
    tarnix::platform::MutexLock lock(g_LinesMutex);
    g_KindCount = 0;
    g_Unsorted = 0;
    g_FrameErrors = 0;
    g_OtherLines = 0;
}

// ---- frames ------------------------------------------------------------------------------

enum FrameState : int { kNoFrame = 0, kRowsFailed = 1, kRowsRead = 2 };

std::atomic<bool> g_Measuring{false};
std::array<std::atomic<bool>, kPorts> g_FrameEntered{};
std::array<std::atomic<int>, kPorts> g_FrameState{};
std::array<uint32_t, kPorts> g_ReportedWidth{};  // as openCVLPort gave them; read by callbacks
std::array<uint32_t, kPorts> g_ReportedHeight{};
std::atomic<int> g_FramesCame{0};
std::vector<uint8_t> g_Rows;  // one row's bytes per port, set before the first round
uint32_t g_RowBytes = 0;

// The host's completion callback: reads the frame's first and last row right here, where the
// image is the one just delivered.
void TARNIX_CALL OnFrame(int32_t /*reserved*/, int32_t port) {
    if (!g_Measuring.load() || port < 0 || port >= kPorts) return;
    if (g_FrameEntered[port].exchange(true)) return;
    const uint32_t width = std::min(g_ReportedWidth[port], g_RowBytes);
    const uint32_t height = g_ReportedHeight[port];
    bool read = false;
    if (width > 0 && height > 0) {
        uint8_t* row = g_Rows.data() + static_cast<size_t>(port) * g_RowBytes;
        const bool first = g_Driver.getCVLGrabRow(0, port, row, 0, 0, width - 1) == 1;
        const bool last = g_Driver.getCVLGrabRow(0, port, row, height - 1, 0, width - 1) == 1;
        read = first && last;
    }
    g_FrameState[port] = read ? kRowsRead : kRowsFailed;
    ++g_FramesCame;
}

// ---- cameras -----------------------------------------------------------------------------

// The simulator's cameras keep their attributes between opens: "Software" trigger mode, so
// a camera sends a frame only when asked.
bool UseSoftwareTrigger(uint32_t cameraId) {
    tPvHandle handle = 0;
    if (PvCameraOpen(cameraId, ePvAccessMaster, &handle) != ePvErrSuccess) return false;
    const bool set = PvAttrEnumSet(handle, "FrameStartTriggerMode", "Software") == ePvErrSuccess;
    PvCameraClose(handle);
    return set;
}

std::string AddressOf(uint32_t id) {
    char address[32];
    std::snprintf(address, sizeof address, "127.1.%u.%u", id >> 8 & 255, id & 255);
    return address;
}

// ---- printing ------------------------------------------------------------------------------

std::string Bytes(uint64_t bytes) {
    char text[32];
    const double b = static_cast<double>(bytes);
    if (bytes >= (uint64_t{1} << 30)) {
        std::snprintf(text, sizeof text, "%.2f GiB", b / (1 << 30));
    } else {
        std::snprintf(text, sizeof text, "%.1f MiB", b / (1 << 20));
    }
    return text;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Port numbers as ranges, "3, 7-12, 40"; at most a dozen ranges, then how many more.
std::string PortList(const std::vector<int>& ports) {
    std::string text;
    int ranges = 0;
    for (size_t i = 0; i < ports.size();) {
        size_t j = i;
        while (j + 1 < ports.size() && ports[j + 1] == ports[j] + 1) ++j;
        char item[48];
        if (ranges == 12) {
            std::snprintf(item, sizeof item, ", ... (%zu more)", ports.size() - i);
            text += item;
            break;
        }
        if (j > i) {
            std::snprintf(item, sizeof item, "%s%d-%d", text.empty() ? "" : ", ", ports[i],
                          ports[j]);
        } else {
            std::snprintf(item, sizeof item, "%s%d", text.empty() ? "" : ", ", ports[i]);
        }
        text += item;
        ++ranges;
        i = j + 1;
    }
    return text;
}

struct RoundFigures {
    int opened = 0;
    int failed = 0;
    int streaming = 0;
    int dead = 0;
    std::vector<int> deadPorts;
    int frameErrors = 0;
    AddressSpace before, afterOpens, afterFrames, afterClosing;
    double openSeconds = 0, frameSeconds = 0, closeSeconds = 0;
    int64_t bytesPerCamera() const {
        if (opened == 0) return 0;
        return (static_cast<int64_t>(afterOpens.inUse) - static_cast<int64_t>(before.inUse)) /
               opened;
    }
};

void PrintMemoryLine(const char* name, uint64_t AddressSpace::*field, const RoundFigures& r) {
    std::printf("  %-22s %s before, %s after the opens, %s after the frames, %s after closing\n",
                name, Bytes(r.before.*field).c_str(), Bytes(r.afterOpens.*field).c_str(),
                Bytes(r.afterFrames.*field).c_str(), Bytes(r.afterClosing.*field).c_str());
}

void PrintRound(int round, const RoundFigures& r, int cameras) {
    std::printf("\nround %d: %.1f s (opens %.1f s, frames %.1f s, closes %.1f s)\n", round,
                r.openSeconds + r.frameSeconds + r.closeSeconds, r.openSeconds, r.frameSeconds,
                r.closeSeconds);
    std::printf("  opened %d of %d (%d failed), streaming %d, opened but dead %d\n", r.opened,
                cameras, r.failed, r.streaming, r.dead);
    if (r.dead > 0) std::printf("  dead ports: %s\n", PortList(r.deadPorts).c_str());
    PrintMemoryLine("address space in use:", &AddressSpace::inUse, r);
    const int64_t perCamera = r.bytesPerCamera();
    if (r.opened > 0)
        std::printf("  %-22s %s (%lld bytes)\n", "per opened camera:",
                    Bytes(static_cast<uint64_t>(std::max<int64_t>(perCamera, 0))).c_str(),
                    static_cast<long long>(perCamera));
    char resident[40];
    std::snprintf(resident, sizeof resident, "%s:", tarnix::capacity::ResidentName());
    PrintMemoryLine(resident, &AddressSpace::resident, r);
    if (tarnix::capacity::HasLargestFree())
        PrintMemoryLine("largest free block:", &AddressSpace::largestFree, r);
    std::printf("  %-22s %u before, %u after the opens, %u after closing\n",
                "threads:", r.before.threads, r.afterOpens.threads, r.afterClosing.threads);

    tarnix::platform::MutexLock lock(g_LinesMutex);
    std::printf("  %-22s %d \"FrameCB error\" lines, %d others", "diagnostic lines:", r.frameErrors,
                g_OtherLines.load());
    std::printf(g_KindCount > 0 ? ":\n" : "\n");
    for (size_t i = 0; i < g_KindCount; ++i)
        std::printf("  %8d x %s\n", g_Kinds[i].count, g_Kinds[i].example);
    if (g_Unsorted > 0) std::printf("  %8d of other kinds\n", g_Unsorted);
}

// ---- one round -----------------------------------------------------------------------------

RoundFigures RunRound(const Options& options, const std::vector<uint32_t>& cameras,
                      const std::vector<std::string>& addresses) {
    RoundFigures r;
    ForgetLines();
    for (int port = 0; port < kPorts; ++port) {
        g_FrameEntered[port] = false;
        g_FrameState[port] = kNoFrame;
        g_ReportedWidth[port] = 0;
        g_ReportedHeight[port] = 0;
    }
    g_FramesCame = 0;
    std::vector<bool> opened(cameras.size(), false);
    r.before = tarnix::capacity::Measure();

    Clock::time_point start = Clock::now();
    for (size_t port = 0; port < cameras.size(); ++port) {
        uint32_t size[2] = {0, 0};
        const int32_t p = static_cast<int32_t>(port);
        opened[port] = g_Driver.openCVLPort(0, p, addresses[port].c_str(), size) == 1;
        g_ReportedWidth[port] = size[0];
        g_ReportedHeight[port] = size[1];
        ++(opened[port] ? r.opened : r.failed);
    }
    r.openSeconds = Seconds(Clock::now() - start);
    r.afterOpens = tarnix::capacity::Measure();

    // Every opened port asked at once, then waited for until no frame came for a while: the
    // wait is short when all come, and bounded when some never will.
    start = Clock::now();
    g_Measuring = true;
    std::vector<bool> requested(cameras.size(), false);
    int pending = 0;
    for (size_t port = 0; port < cameras.size(); ++port) {
        if (!opened[port]) continue;
        requested[port] = g_Driver.doCVLGrab(0, static_cast<int32_t>(port)) == 1;
        if (requested[port]) ++pending;
    }
    const auto quiet = std::chrono::seconds(options.quietSeconds);
    Clock::time_point lastProgress = Clock::now();
    int seen = 0;
    while (g_FramesCame.load() < pending) {
        const int came = g_FramesCame.load();
        if (came != seen) {
            seen = came;
            lastProgress = Clock::now();
        } else if (Clock::now() - lastProgress > quiet) {
            break;
        }
        tarnix::platform::SleepMs(5);
    }
    g_Measuring = false;
    r.frameSeconds = Seconds(Clock::now() - start);
    r.afterFrames = tarnix::capacity::Measure();
    for (size_t port = 0; port < cameras.size(); ++port) {
        if (!opened[port]) continue;
        if (requested[port] && g_FrameState[port].load() == kRowsRead) {
            ++r.streaming;
        } else {
            ++r.dead;
            r.deadPorts.push_back(static_cast<int>(port));
        }
    }
    r.frameErrors = g_FrameErrors.load();

    start = Clock::now();
    for (size_t port = 0; port < cameras.size(); ++port)
        g_Driver.closeCVLPort(0, static_cast<int32_t>(port));
    r.closeSeconds = Seconds(Clock::now() - start);
    r.afterClosing = tarnix::capacity::Measure();
    return r;
}

// ---- arguments -----------------------------------------------------------------------------

const char kUsage[] =
    "usage: capacity [--cameras N] [--size WxH] [--format Mono8|Mono16] [--rounds R]\n"
    "                [--quiet-seconds S] [--check]\n"
    "\n"
    "Opens N simulated cameras (1..128, default 128) of WxH pixels (default 4096x3000) in\n"
    "the given format (default Mono16, 12 significant bits) on ports 0..N-1 through the\n"
    "driver, asks each opened port for one frame and reads its first and last row, then\n"
    "closes them all; R rounds (default 2). Prints per round the cameras opened, streaming\n"
    "and opened but dead, the address space the process holds and the driver's lines.\n"
    "\n"
    "  --quiet-seconds S  stop waiting for frames when none came for S seconds (default 5)\n"
    "  --check            exit 1 when a port opened but did not stream, or a later round\n"
    "                     opened fewer cameras than the first\n"
    "Exit 2 for bad arguments.\n";

int BadArgument(const std::string& what) {
    std::fprintf(stderr, "capacity: %s (see --help)\n", what.c_str());
    return 2;
}

bool ParseCount(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

bool ParseSize(const char* text, uint32_t& width, uint32_t& height) {
    char* end = nullptr;
    const unsigned long w = std::strtoul(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* second = end + 1;
    const unsigned long h = std::strtoul(second, &end, 10);
    if (end == second || *end != '\0') return false;
    if (w < kMinSide || w > kMaxSide || h < kMinSide || h > kMaxSide) return false;
    width = static_cast<uint32_t>(w);
    height = static_cast<uint32_t>(h);
    return true;
}

// 0 to go on, else the exit code.
int ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (arg == "--check") {
            options.check = true;
            continue;
        }
        if (arg != "--cameras" && arg != "--size" && arg != "--format" && arg != "--rounds" &&
            arg != "--quiet-seconds")
            return BadArgument("unknown argument '" + arg + "'");
        if (i + 1 >= argc) return BadArgument(arg + " needs a value");
        const char* value = argv[++i];
        long number = 0;
        if (arg == "--cameras") {
            if (!ParseCount(value, 1, kPorts, number))
                return BadArgument("--cameras takes 1 to 128, not '" + std::string(value) + "'");
            options.cameras = static_cast<int>(number);
        } else if (arg == "--size") {
            if (!ParseSize(value, options.width, options.height))
                return BadArgument("--size takes WxH with sides of 8 to 16384, not '" +
                                   std::string(value) + "'");
        } else if (arg == "--format") {
            if (std::strcmp(value, "Mono8") != 0 && std::strcmp(value, "Mono16") != 0)
                return BadArgument("--format takes Mono8 or Mono16, not '" + std::string(value) +
                                   "'");
            options.mono16 = std::strcmp(value, "Mono16") == 0;
        } else if (arg == "--rounds") {
            if (!ParseCount(value, 1, 1000, number))
                return BadArgument("--rounds takes 1 to 1000, not '" + std::string(value) + "'");
            options.rounds = static_cast<int>(number);
        } else {
            if (!ParseCount(value, 1, 600, number))
                return BadArgument("--quiet-seconds takes 1 to 600, not '" + std::string(value) +
                                   "'");
            options.quietSeconds = static_cast<int>(number);
        }
    }
    return 0;
}

unsigned long ProcessId() {
#ifdef _WIN32
    return static_cast<unsigned long>(_getpid());
#else
    return static_cast<unsigned long>(getpid());
#endif
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int code = ParseArguments(argc, argv, options); code != 0) return code < 0 ? 0 : code;

    const std::string driverPath = tarnix::host::ProgramDir() + tarnix::host::DriverFileName();
    if (!g_Driver.Load(driverPath)) {
        std::fprintf(stderr, "capacity: %s\n", g_Driver.error().c_str());
        return 1;
    }
    // A settings folder of this run's own: no user's settings file is read or written.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tarnix_capacity_" + std::to_string(ProcessId()));
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    if (g_Driver.initialize(folder.string().c_str(), OnLine) != 1) {
        std::fprintf(stderr, "capacity: the driver did not start\n");
        return 1;
    }
    g_Driver.setSystemPath(folder.string().c_str());
    g_Driver.setCompleteCallback(0, 0, OnFrame);

    const AddressSpace atStart = tarnix::capacity::Measure();
    pvsim_remove_all();
    std::vector<uint32_t> cameras;
    std::vector<std::string> addresses;
    const tPvImageFormat format = options.mono16 ? ePvFmtMono16 : ePvFmtMono8;
    const uint32_t bits = options.mono16 ? 12 : 8;
    for (int port = 0; port < options.cameras; ++port) {
        const tPvSimCameraDesc desc{nullptr,       nullptr,        nullptr, format,
                                    options.width, options.height, bits,    0};
        const uint32_t id = pvsim_add_camera(&desc);
        if (id == 0 || !UseSoftwareTrigger(id)) {
            std::fprintf(stderr, "capacity: could not add simulated camera %d\n", port);
            return 1;
        }
        cameras.push_back(id);
        addresses.push_back(AddressOf(id));
    }
    pvsim_flush_events();
    g_RowBytes = options.width;  // 1 byte a pixel: both formats are mono
    g_Rows.assign(static_cast<size_t>(kPorts) * g_RowBytes, 0);
    const AddressSpace withCameras = tarnix::capacity::Measure();

    std::printf("capacity: %d cameras of %ux%u %s, %d round%s, driver %s\n", options.cameras,
                options.width, options.height, options.mono16 ? "Mono16 (12 bits)" : "Mono8",
                options.rounds, options.rounds == 1 ? "" : "s", driverPath.c_str());
    std::printf(
        "  address space in use %s with the driver started, %s with the cameras added"
        " (%u threads)",
        Bytes(atStart.inUse).c_str(), Bytes(withCameras.inUse).c_str(), withCameras.threads);
    if (tarnix::capacity::HasLargestFree())
        std::printf("; largest free block %s", Bytes(withCameras.largestFree).c_str());
    std::printf("\n");
    std::fflush(stdout);

    std::vector<RoundFigures> rounds;
    for (int round = 1; round <= options.rounds; ++round) {
        rounds.push_back(RunRound(options, cameras, addresses));
        PrintRound(round, rounds.back(), options.cameras);
        std::fflush(stdout);
    }

    std::printf("\n%5s %7s %7s %10s %5s %12s %18s %8s\n", "round", "opened", "failed", "streaming",
                "dead", "per camera", "in use, closed", "seconds");
    bool deadPorts = false;
    bool fewerLater = false;
    for (size_t i = 0; i < rounds.size(); ++i) {
        const RoundFigures& r = rounds[i];
        std::printf(
            "%5zu %7d %7d %10d %5d %12s %18s %8.1f\n", i + 1, r.opened, r.failed, r.streaming,
            r.dead, Bytes(static_cast<uint64_t>(std::max<int64_t>(r.bytesPerCamera(), 0))).c_str(),
            Bytes(r.afterClosing.inUse).c_str(), r.openSeconds + r.frameSeconds + r.closeSeconds);
        deadPorts = deadPorts || r.dead > 0;
        fewerLater = fewerLater || r.opened < rounds.front().opened;
    }
    int status = 0;
    if (options.check) {
        if (!deadPorts && !fewerLater) {
            std::printf(
                "check: passed: every opened port streamed, and every round opened as "
                "many as the first\n");
        } else {
            std::printf("check: FAILED:%s%s\n",
                        deadPorts ? " ports opened but did not stream." : "",
                        fewerLater ? " A later round opened fewer cameras than the first: the "
                                     "address space was not given back."
                                   : "");
            status = 1;
        }
    }
    std::fflush(stdout);

    g_Driver.finalize();
    std::filesystem::remove_all(folder, ignored);
    return status;
}
