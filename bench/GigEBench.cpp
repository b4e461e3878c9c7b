// End-to-end streaming from GigE Vision cameras through the driver and its Aravis-backed SDK,
// beside Aravis alone on the same cameras, so the difference is what the SDK layer, the
// driver's conversion and the host callback add. scripts/bench-gige.sh starts fake cameras on
// loopback addresses of a private network and runs both, and Aravis's own arv-camera-test.
//
//   gige_bench --via driver|aravis --camera ADDRESS [--camera ADDRESS ...]
//              [--seconds N] [--rate FPS] [--size WIDTHxHEIGHT|max] [--triggers K] [--grabs G]
//
// --size sets every camera's image (offsets 0) through Aravis before either way streams; the
// camera keeps it, so the driver reads the same size when it opens the camera. "max" is the
// camera's largest image. Without it the cameras keep the size they have.
// Free-run: every camera streams at --rate for --seconds; per camera frames per second, the
// delivering thread's CPU time per frame (driver: the SDK's delivery thread, which copies the
// frame, runs the driver's conversion and the host callback; Aravis: the thread popping
// buffers), and the whole process's CPU time per frame (with Aravis's receiving threads).
// Software trigger: --triggers round trips on the first camera, each from the request (the
// driver's doCVLGrab, or Aravis's software trigger) to the frame in the host's hands.
// Grabs (--grabs G, for cameras that lose packets): G requests on the first camera, each at a
// random moment of the frame period, free-run and software-triggered, counting those answered
// by a whole frame; the driver answers a failed frame with its "FrameCB error" line. Aravis
// alone counts, for the same requests, the whole frames among those it receives, and whole
// answers to its own software triggers. Free-run figures count whole frames only, and give the
// share of whole frames when some failed.
#include <arv.h>
#include <host/DriverLibrary.h>
#include <sys/resource.h>
#include <tarnixdrv.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tarnix::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kWarmUp = std::chrono::milliseconds(500);
constexpr int kMaxCameras = 8;

struct Options {
    bool viaDriver = true;
    std::vector<std::string> cameras;
    double seconds = 5.0;
    double rate = 200.0;
    int triggers = 200;
    int grabs = 0;
    bool setSize = false;
    int width = 0;  // 0 with setSize: the camera's largest
    int height = 0;
};

// How many of a run of requests a whole frame answered.
struct GrabCount {
    int whole = 0;
    int failed = 0;
    int unanswered = 0;
    void Print(const char* what) const {
        const int all = whole + failed + unanswered;
        std::printf("%-34s %6d of %4d whole (%5.1f %%), %d failed, %d unanswered\n", what, whole,
                    all, all ? 100.0 * whole / all : 0.0, failed, unanswered);
    }
};

// Waits a random part of a frame period: a host asks at moments of its own.
void RandomPause(double rate) {
    static std::mt19937 random(2024);
    std::uniform_real_distribution<double> part(0.0, 1.0);
    std::this_thread::sleep_for(std::chrono::duration<double>(part(random) / rate));
}

int64_t ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

int64_t ProcessCpuNs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ns = [](const timeval& t) {
        return int64_t{t.tv_sec} * 1000000000 + int64_t{t.tv_usec} * 1000;
    };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// One camera's free-run figures; written by its delivering thread, read after it stopped.
struct Stream {
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> failed{0};  // frames received incomplete
    std::atomic<int64_t> deliveryCpuNs{0};
    std::atomic<bool> measuring{false};
};
std::array<Stream, kMaxCameras> g_Streams;

// The delivering thread's CPU time since its previous frame, counted to the frame.
void CountFrame(Stream& stream) {
    thread_local int64_t previous = 0;
    const int64_t now = ThreadCpuNs();
    if (stream.measuring.load(std::memory_order_acquire)) {
        if (previous != 0) stream.deliveryCpuNs += now - previous;
        ++stream.frames;
    }
    previous = now;
}

// The image size the cameras were given, for the headings.
std::string SizeText(ArvCamera* camera) {
    gint x = 0, y = 0, width = 0, height = 0;
    GError* error = nullptr;
    arv_camera_get_region(camera, &x, &y, &width, &height, &error);
    g_clear_error(&error);
    const guint payload = arv_camera_get_payload(camera, &error);
    g_clear_error(&error);
    char text[64];
    std::snprintf(text, sizeof text, "%dx%d, %u bytes a frame", width, height, payload);
    return text;
}

// Sets the camera up through Aravis before anyone opens it for streaming: the image size,
// the frame rate, and free-run or software trigger. The fake camera keeps its registers
// between connections.
bool Prepare(const std::string& address, const Options& options, bool softwareTrigger) {
    GError* error = nullptr;
    ArvCamera* camera = arv_camera_new(address.c_str(), &error);
    if (camera == nullptr) {
        std::fprintf(stderr, "gige_bench: %s: %s\n", address.c_str(),
                     error ? error->message : "cannot open");
        g_clear_error(&error);
        return false;
    }
    if (options.setSize) {
        gint least = 0, widthMax = 0, heightMax = 0;
        arv_camera_get_width_bounds(camera, &least, &widthMax, &error);
        g_clear_error(&error);
        arv_camera_get_height_bounds(camera, &least, &heightMax, &error);
        g_clear_error(&error);
        const gint width = options.width > 0 ? options.width : widthMax;
        const gint height = options.height > 0 ? options.height : heightMax;
        arv_camera_set_region(camera, 0, 0, width, height, &error);
        if (error != nullptr) {
            std::fprintf(stderr, "gige_bench: %s: size %dx%d: %s\n", address.c_str(), width, height,
                         error->message);
            g_clear_error(&error);
            g_object_unref(camera);
            return false;
        }
    }
    static bool told = false;
    if (!told) {
        std::printf("image %s\n", SizeText(camera).c_str());
        told = true;
    }
    arv_camera_set_frame_rate(camera, options.rate, &error);
    g_clear_error(&error);
    if (softwareTrigger) {
        arv_camera_set_trigger(camera, "Software", &error);
    } else {
        arv_camera_clear_triggers(camera, &error);
    }
    const bool ok = error == nullptr;
    if (!ok) std::fprintf(stderr, "gige_bench: %s: %s\n", address.c_str(), error->message);
    g_clear_error(&error);
    g_object_unref(camera);
    return ok;
}

struct Latency {
    std::vector<double> us;
    void Print(const char* what) {
        if (us.empty()) {
            std::printf("%-34s no round trips\n", what);
            return;
        }
        std::sort(us.begin(), us.end());
        double sum = 0;
        for (const double v : us) sum += v;
        std::printf("%-34s %6zu round trips  median %8.1f us  mean %8.1f us  max %8.1f us\n", what,
                    us.size(), us[us.size() / 2], sum / static_cast<double>(us.size()), us.back());
    }
};

void PrintFreeRun(const Options& options, double elapsed, int64_t processCpuNs) {
    uint64_t allFrames = 0;
    for (size_t i = 0; i < options.cameras.size(); ++i) {
        const Stream& s = g_Streams[i];
        const uint64_t frames = s.frames.load();
        allFrames += frames;
        const double deliveryUs =
            frames ? static_cast<double>(s.deliveryCpuNs.load()) / 1000.0 / frames : 0.0;
        std::printf("%-16s %10.1f frames/s %10.1f us delivery CPU/frame",
                    options.cameras[i].c_str(), static_cast<double>(frames) / elapsed, deliveryUs);
        if (const uint64_t failed = s.failed.load())
            std::printf(" (%.1f %% of the frames whole)", 100.0 * frames / (frames + failed));
        std::printf("\n");
    }
    std::printf("%-16s %10.1f frames/s %10.1f us process CPU/frame\n", "all",
                static_cast<double>(allFrames) / elapsed,
                allFrames ? static_cast<double>(processCpuNs) / 1000.0 / allFrames : 0.0);
}

// Runs measure() over the measuring window of every stream.
template <typename Body>
void MeasureWindow(const Options& options, Body body) {
    std::this_thread::sleep_for(kWarmUp);
    const int64_t cpu0 = ProcessCpuNs();
    const auto t0 = Clock::now();
    for (size_t i = 0; i < options.cameras.size(); ++i) g_Streams[i].measuring = true;
    body();
    for (size_t i = 0; i < options.cameras.size(); ++i) g_Streams[i].measuring = false;
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    PrintFreeRun(options, elapsed, ProcessCpuNs() - cpu0);
}

// ---- through the driver ---------------------------------------------------------------

host::DriverLibrary g_Driver;
std::mutex g_GrabLock;
std::condition_variable g_GrabDone;
uint64_t g_Completions = 0;
uint64_t g_FrameErrors = 0;

// The driver reports a failed frame in a diagnostic line instead of a completion.
void TARNIX_CALL OnDebugLine(const char* line) {
    if (std::strncmp(line, "FrameCB error", 13) != 0) return;
    int count = 0, port = -1;
    if (std::sscanf(line, "FrameCB error #%d port %d", &count, &port) == 2 && port >= 0 &&
        port < kMaxCameras && g_Streams[static_cast<size_t>(port)].measuring.load())
        ++g_Streams[static_cast<size_t>(port)].failed;
    std::lock_guard<std::mutex> hold(g_GrabLock);
    ++g_FrameErrors;
    g_GrabDone.notify_all();
}

// --grabs requests on port 0, each at a random moment, answered by a whole or a failed frame.
GrabCount DriverGrabs(const Options& options) {
    GrabCount count;
    for (int i = 0; i < options.grabs; ++i) {
        RandomPause(options.rate);
        std::unique_lock<std::mutex> lock(g_GrabLock);
        const uint64_t seen = g_Completions, errors = g_FrameErrors;
        lock.unlock();
        if (g_Driver.doCVLGrab(0, 0) != 1) {
            ++count.unanswered;
            continue;
        }
        lock.lock();
        if (!g_GrabDone.wait_for(lock, std::chrono::seconds(2),
                                 [&] { return g_Completions > seen || g_FrameErrors > errors; }))
            ++count.unanswered;
        else if (g_Completions > seen)
            ++count.whole;
        else
            ++count.failed;
    }
    return count;
}

void TARNIX_CALL OnComplete(int32_t, int32_t port) {
    if (port >= 0 && port < kMaxCameras) CountFrame(g_Streams[static_cast<size_t>(port)]);
    std::lock_guard<std::mutex> hold(g_GrabLock);
    ++g_Completions;
    g_GrabDone.notify_all();
}

bool OpenPort(int32_t port, const std::string& address) {
    uint32_t size[2] = {0, 0};
    if (g_Driver.openCVLPort(0, port, address.c_str(), size) != 1) {
        std::fprintf(stderr, "gige_bench: the driver cannot open %s\n", address.c_str());
        return false;
    }
    // The driver reads the size from the camera: the image Aravis alone streams too.
    static bool told = false;
    if (!told) std::printf("driver's image %ux%u\n", size[0], size[1]);
    told = true;
    return true;
}

int RunDriver(const Options& options) {
    const std::string path = host::ProgramDir() + "gige/" + host::DriverFileName();
    if (!g_Driver.Load(path)) {
        std::fprintf(stderr, "gige_bench: %s\n", g_Driver.error().c_str());
        return 2;
    }
    if (g_Driver.initialize("", OnDebugLine) != 1) {
        std::fprintf(stderr, "gige_bench: the driver did not start\n");
        return 2;
    }
    g_Driver.setCompleteCallback(0, 0, OnComplete);

    std::printf("driver, free-run at %.0f frames/s for %.1f s:\n", options.rate, options.seconds);
    for (const std::string& camera : options.cameras)
        if (!Prepare(camera, options, false)) return 2;
    for (size_t i = 0; i < options.cameras.size(); ++i) {
        const auto port = static_cast<int32_t>(i);
        if (!OpenPort(port, options.cameras[i])) return 2;
        g_Driver.setProperty(0, port, "Continous", 1);
    }
    MeasureWindow(options, [&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
    });
    for (size_t i = 0; i < options.cameras.size(); ++i)
        g_Driver.closeCVLPort(0, static_cast<int32_t>(i));

    if (options.triggers > 0) {
        if (!Prepare(options.cameras[0], options, true) || !OpenPort(0, options.cameras[0]))
            return 2;
        Latency latency;
        for (int i = 0; i < options.triggers; ++i) {
            std::unique_lock<std::mutex> lock(g_GrabLock);
            const uint64_t seen = g_Completions;
            lock.unlock();
            const auto t0 = Clock::now();
            if (g_Driver.doCVLGrab(0, 0) != 1) continue;
            lock.lock();
            if (!g_GrabDone.wait_for(lock, std::chrono::seconds(2),
                                     [&] { return g_Completions > seen; }))
                continue;
            latency.us.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        g_Driver.closeCVLPort(0, 0);
        latency.Print("driver, software trigger:");
    }
    if (options.grabs > 0) {
        for (const bool trigger : {false, true}) {
            if (!Prepare(options.cameras[0], options, trigger) || !OpenPort(0, options.cameras[0]))
                return 2;
            DriverGrabs(options).Print(trigger ? "driver, grabs, software trigger:"
                                               : "driver, grabs, free-run:");
            g_Driver.closeCVLPort(0, 0);
        }
    }
    g_Driver.finalize();
    return 0;
}

// ---- Aravis alone ---------------------------------------------------------------------

struct AravisCamera {
    ArvCamera* camera = nullptr;
    ArvStream* stream = nullptr;
    std::thread popper;
};

bool OpenAravis(AravisCamera& cam, const std::string& address, int buffers) {
    GError* error = nullptr;
    cam.camera = arv_camera_new(address.c_str(), &error);
    if (cam.camera != nullptr)
        cam.stream = arv_camera_create_stream(cam.camera, nullptr, nullptr, &error);
    if (cam.stream == nullptr) {
        std::fprintf(stderr, "gige_bench: %s: %s\n", address.c_str(),
                     error ? error->message : "no stream");
        g_clear_error(&error);
        return false;
    }
    const auto payload = static_cast<size_t>(arv_camera_get_payload(cam.camera, &error));
    for (int i = 0; i < buffers; ++i)
        arv_stream_push_buffer(cam.stream, arv_buffer_new(payload, nullptr));
    arv_camera_start_acquisition(cam.camera, &error);
    const bool ok = error == nullptr;
    g_clear_error(&error);
    return ok;
}

void CloseAravis(AravisCamera& cam) {
    if (cam.camera != nullptr) {
        GError* error = nullptr;
        arv_camera_stop_acquisition(cam.camera, &error);
        g_clear_error(&error);
    }
    if (cam.stream != nullptr) g_object_unref(cam.stream);
    if (cam.camera != nullptr) g_object_unref(cam.camera);
    cam = AravisCamera{};
}

int RunAravis(const Options& options) {
    std::printf("Aravis alone, free-run at %.0f frames/s for %.1f s:\n", options.rate,
                options.seconds);
    std::vector<AravisCamera> cams(options.cameras.size());
    std::atomic<bool> running{true};
    for (size_t i = 0; i < cams.size(); ++i) {
        if (!Prepare(options.cameras[i], options, false) ||
            !OpenAravis(cams[i], options.cameras[i], 8))
            return 2;
        cams[i].popper = std::thread([&, i] {
            while (running) {
                ArvBuffer* buffer = arv_stream_timeout_pop_buffer(cams[i].stream, 100000);
                if (buffer == nullptr) continue;
                if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS)
                    CountFrame(g_Streams[i]);
                else if (g_Streams[i].measuring.load())
                    ++g_Streams[i].failed;
                arv_stream_push_buffer(cams[i].stream, buffer);
            }
        });
    }
    MeasureWindow(options, [&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
    });
    running = false;
    for (AravisCamera& cam : cams) {
        cam.popper.join();
        CloseAravis(cam);
    }

    if (options.triggers > 0) {
        AravisCamera cam;
        if (!Prepare(options.cameras[0], options, true) || !OpenAravis(cam, options.cameras[0], 4))
            return 2;
        Latency latency;
        for (int i = 0; i < options.triggers; ++i) {
            GError* error = nullptr;
            const auto t0 = Clock::now();
            arv_camera_software_trigger(cam.camera, &error);
            g_clear_error(&error);
            ArvBuffer* buffer = arv_stream_timeout_pop_buffer(cam.stream, 2000000);
            if (buffer == nullptr) continue;
            if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS)
                latency.us.push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            arv_stream_push_buffer(cam.stream, buffer);
        }
        CloseAravis(cam);
        latency.Print("Aravis alone, software trigger:");
    }
    if (options.grabs > 0) {
        // Free-run: the whole share of the frames received over as many frame periods.
        AravisCamera cam;
        if (!Prepare(options.cameras[0], options, false) || !OpenAravis(cam, options.cameras[0], 8))
            return 2;
        GrabCount freeRun;
        const auto end = Clock::now() + std::chrono::duration<double>(options.grabs / options.rate);
        while (Clock::now() < end) {
            ArvBuffer* buffer = arv_stream_timeout_pop_buffer(cam.stream, 100000);
            if (buffer == nullptr) continue;
            if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS)
                ++freeRun.whole;
            else
                ++freeRun.failed;
            arv_stream_push_buffer(cam.stream, buffer);
        }
        freeRun.Print("Aravis alone, frames, free-run:");
        // The same requests as the driver's free-run grabs: at a random moment, the next
        // frame Aravis hands over after it (what has already arrived goes back unread).
        GrabCount nextFrame;
        for (int i = 0; i < options.grabs; ++i) {
            RandomPause(options.rate);
            while (ArvBuffer* old = arv_stream_try_pop_buffer(cam.stream))
                arv_stream_push_buffer(cam.stream, old);
            ArvBuffer* buffer = arv_stream_timeout_pop_buffer(cam.stream, 2000000);
            if (buffer == nullptr) {
                ++nextFrame.unanswered;
                continue;
            }
            if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS)
                ++nextFrame.whole;
            else
                ++nextFrame.failed;
            arv_stream_push_buffer(cam.stream, buffer);
        }
        CloseAravis(cam);
        nextFrame.Print("Aravis alone, next frame at a random moment, free-run:");

        if (!Prepare(options.cameras[0], options, true) || !OpenAravis(cam, options.cameras[0], 4))
            return 2;
        GrabCount triggered;
        for (int i = 0; i < options.grabs; ++i) {
            RandomPause(options.rate);
            GError* error = nullptr;
            arv_camera_software_trigger(cam.camera, &error);
            g_clear_error(&error);
            ArvBuffer* buffer = arv_stream_timeout_pop_buffer(cam.stream, 2000000);
            if (buffer == nullptr) {
                ++triggered.unanswered;
                continue;
            }
            if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS)
                ++triggered.whole;
            else
                ++triggered.failed;
            arv_stream_push_buffer(cam.stream, buffer);
        }
        CloseAravis(cam);
        triggered.Print("Aravis alone, software trigger:");
    }
    return 0;
}

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s --via driver|aravis --camera ADDRESS [--camera ADDRESS ...]\n"
                 "          [--seconds N] [--rate FPS] [--size WIDTHxHEIGHT|max] [--triggers K]\n"
                 "          [--grabs G]\n",
                 program);
    return 2;
}

}  // namespace
}  // namespace tarnix::bench

int main(int argc, char** argv) {
    using namespace tarnix::bench;
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--via" && hasValue) {
            const std::string via = argv[++i];
            if (via != "driver" && via != "aravis") return Usage(argv[0]);
            options.viaDriver = via == "driver";
        } else if (arg == "--camera" && hasValue) {
            options.cameras.emplace_back(argv[++i]);
        } else if (arg == "--seconds" && hasValue) {
            options.seconds = std::atof(argv[++i]);
        } else if (arg == "--rate" && hasValue) {
            options.rate = std::atof(argv[++i]);
        } else if (arg == "--size" && hasValue) {
            const std::string size = argv[++i];
            options.setSize = true;
            if (size != "max" &&
                std::sscanf(size.c_str(), "%dx%d", &options.width, &options.height) != 2)
                return Usage(argv[0]);
        } else if (arg == "--triggers" && hasValue) {
            options.triggers = std::atoi(argv[++i]);
        } else if (arg == "--grabs" && hasValue) {
            options.grabs = std::atoi(argv[++i]);
        } else {
            return Usage(argv[0]);
        }
    }
    if (options.cameras.empty() || options.cameras.size() > kMaxCameras) return Usage(argv[0]);
    const int result = options.viaDriver ? RunDriver(options) : RunAravis(options);
    arv_shutdown();
    return result;
}
