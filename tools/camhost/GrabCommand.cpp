// camhost grab: opens cameras on ports, grabs images through doCVLGrab, the completion
// callback and getCVLGrabRow, and writes them as image files.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "HostSession.h"
#include "ImageWriter.h"
#include "Progress.h"

namespace tarnix::camhost {

namespace {

using Clock = std::chrono::steady_clock;

// Copies every row of a delivered image inside the completion callback, while the driver
// holds the camera's lock, so a following frame cannot change it half way.
class GrabSink : public PortSink {
  public:
    GrabSink(DriverLibrary& driver, const OpenedCamera& camera)
        : m_Driver(driver),
          m_Camera(camera),
          m_Stride(size_t{camera.width} * (camera.bitsPerPixel / 8)),
          m_Pixels(m_Stride * camera.height) {}

    void OnImage(int32_t port) override {
        bool complete = true;
        for (uint32_t row = 0; row < m_Camera.height && complete; ++row)
            complete = m_Driver.getCVLGrabRow(0, port, m_Pixels.data() + m_Stride * row, row, 0,
                                              m_Camera.width - 1) != 0;
        std::lock_guard<std::mutex> hold(m_Mutex);
        m_Ready = true;
        m_Complete = complete;
        m_Changed.notify_all();
    }

    // Requests one image and waits for it. False on refusal or time-out.
    bool GrabOne(double timeoutSeconds) {
        {
            std::lock_guard<std::mutex> hold(m_Mutex);
            m_Ready = false;
        }
        if (!m_Driver.doCVLGrab(0, m_Camera.port)) return false;
        std::unique_lock<std::mutex> hold(m_Mutex);
        auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
        return m_Changed.wait_until(hold, deadline, [&] { return m_Ready; }) && m_Complete;
    }

    const uint8_t* pixels() const { return m_Pixels.data(); }

  private:
    DriverLibrary& m_Driver;
    OpenedCamera m_Camera;
    size_t m_Stride;
    std::vector<uint8_t> m_Pixels;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_Ready = false;
    bool m_Complete = false;
};

// "SimMono8 [SIM-1001]" becomes "SimMono8_SIM-1001": safe in a file name on every system.
std::string FileStem(const std::string& name) {
    std::string stem;
    for (char c : name) {
        bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                     c == '-' || c == '.';
        if (plain)
            stem += c;
        else if (!stem.empty() && stem.back() != '_')
            stem += '_';
    }
    while (!stem.empty() && stem.back() == '_') stem.pop_back();
    return stem;
}

struct Tally {
    uint32_t images = 0;
    uint32_t failures = 0;
};

// A failed frame ends its request without a callback, so a request that times out is tried
// again a few times before the image counts as lost.
Tally GrabCamera(HostSession& session, const OpenedCamera& camera, const GrabOptions& grab,
                 Progress& progress) {
    Tally tally;
    GrabSink sink(session.driver(), camera);
    session.Route(camera.port, &sink);
    if (grab.continuous) session.driver().setProperty(0, camera.port, "Continous", 1);
    const int channels = camera.bitsPerPixel == 24 ? 3 : 1;
    const std::string stem = grab.outDir + "/" + FileStem(camera.name) + "_";
    for (uint32_t i = 0; i < grab.count; ++i) {
        bool got = false;
        for (int attempt = 0; attempt < 3 && !got; ++attempt)
            got = sink.GrabOne(grab.timeoutSeconds);
        if (got) {
            char number[16];
            std::snprintf(number, sizeof number, "%04u", i);
            if (WriteImage(stem + number + kImageExtension, sink.pixels(), camera.width,
                           camera.height, channels))
                ++tally.images;
        } else {
            ++tally.failures;
        }
        progress.Step();
    }
    session.Route(camera.port, nullptr);
    return tally;
}

}  // namespace

int RunGrab(const Options& options, const GrabOptions& grab) {
    HostSession session(options);
    if (!session.Start()) return 2;
    if (!grab.pattern.empty() && !SetSimulatorPattern(options, grab.pattern)) return 2;
    std::vector<std::string> names = grab.cameras;
    if (names.empty()) {
        std::vector<std::string> found = session.CameraNames();
        if (found.empty()) {
            std::fprintf(stderr, "camhost: no camera found\n");
            return 2;
        }
        names = grab.all ? found : std::vector<std::string>{found.front()};
    }
    std::error_code error;
    std::filesystem::create_directories(grab.outDir, error);
    if (error) {
        std::fprintf(stderr, "camhost: cannot create %s: %s\n", grab.outDir.c_str(),
                     error.message().c_str());
        return 2;
    }

    Progress progress(static_cast<uint32_t>(names.size()) * grab.count);
    Tally total;
    int32_t port = grab.port;
    const auto start = Clock::now();
    for (const std::string& name : names) {
        OpenedCamera camera;
        if (!session.Open(port, name, camera)) {
            total.failures += grab.count;
            progress.Skip(grab.count);
            continue;
        }
        progress.Label(name);
        Tally tally = GrabCamera(session, camera, grab, progress);
        total.images += tally.images;
        total.failures += tally.failures;
        session.Close(port);
        ++port;
    }
    progress.Finish();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "%u image(s) from %zu camera(s) in %.2f s (%.1f frames/s), %u lost, %u frame error(s); "
        "written to %s\n",
        total.images, names.size(), seconds, seconds > 0 ? total.images / seconds : 0.0,
        total.failures, HostSession::FrameErrors(), grab.outDir.c_str());
    return total.failures == 0 ? 0 : 1;
}

}  // namespace tarnix::camhost
