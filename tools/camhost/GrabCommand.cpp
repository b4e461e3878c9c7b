// camhost grab: opens cameras on ports, grabs images through doCVLGrab, the completion
// callback and getCVLGrabRow, and writes them as image files.
#include <platform/ThreadSafety.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "HostSession.h"
#include "ImageWriter.h"
#include "Progress.h"

namespace tarnix::camhost {

namespace {

using Clock = std::chrono::steady_clock;

// How one request ended.
enum class Outcome { Image, FailedFrame, Refused, TimedOut };

// Copies every row of a delivered image inside the completion callback, while the driver
// holds the camera's lock, so a following frame cannot change it half way. A failed frame ends
// the request too: the driver says so in a diagnostic line instead of calling back.
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
        platform::MutexLock hold(m_Mutex);
        m_Ended = complete ? Outcome::Image : Outcome::FailedFrame;
        m_Changed.notify_all();
    }

    void OnFrameError(int32_t, int) override {
        platform::MutexLock hold(m_Mutex);
        m_Ended = Outcome::FailedFrame;
        m_Changed.notify_all();
    }

    // Requests one image and waits until it arrives, its frame fails or timeoutSeconds pass.
    Outcome GrabOne(double timeoutSeconds) {
        {
            // Before the request: its frame may end it before doCVLGrab returns. A failed frame
            // that belonged to no request may still end this one; it is then asked again.
            platform::MutexLock hold(m_Mutex);
            m_Ended.reset();
        }
        if (!m_Driver.doCVLGrab(0, m_Camera.port)) return Outcome::Refused;
        platform::MutexLock hold(m_Mutex);
        auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
        while (!m_Ended) {
            if (m_Changed.wait_until(hold.Native(), deadline) == std::cv_status::timeout)
                return m_Ended ? *m_Ended : Outcome::TimedOut;
        }
        return *m_Ended;
    }

    const uint8_t* pixels() const { return m_Pixels.data(); }

  private:
    DriverLibrary& m_Driver;
    OpenedCamera m_Camera;
    size_t m_Stride;
    std::vector<uint8_t> m_Pixels;
    platform::Mutex m_Mutex;
    std::condition_variable m_Changed;
    std::optional<Outcome> m_Ended GUARDED_BY(m_Mutex);
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
    uint32_t failures = 0;      // images lost
    uint32_t failedFrames = 0;  // frames that failed and were asked for again
};

// One image: asked for again at once after each failed frame, given up after
// grab.maxFailedFrames of them, after a wait of grab.timeoutSeconds with no frame at all, or when
// the driver refuses the request. Prints why an image is lost.
bool GrabImage(GrabSink& sink, const OpenedCamera& camera, const GrabOptions& grab, uint32_t index,
               Tally& tally) {
    for (uint32_t failed = 0;; ++failed) {
        switch (sink.GrabOne(grab.timeoutSeconds)) {
            case Outcome::Image:
                return true;
            case Outcome::FailedFrame:
                if (failed < grab.maxFailedFrames) {
                    ++tally.failedFrames;
                    continue;
                }
                std::fprintf(stderr,
                             "camhost: %s: image %u lost: %u failed frame(s) in a row "
                             "(--max-failed %u)\n",
                             camera.name.c_str(), index, failed + 1, grab.maxFailedFrames);
                return false;
            case Outcome::Refused:
                std::fprintf(stderr, "camhost: %s: image %u lost: the driver refused the request\n",
                             camera.name.c_str(), index);
                return false;
            case Outcome::TimedOut:
                std::fprintf(stderr,
                             "camhost: %s: image %u lost: no frame, whole or failed, within %g s "
                             "(--timeout)\n",
                             camera.name.c_str(), index, grab.timeoutSeconds);
                return false;
        }
    }
}

Tally GrabCamera(HostSession& session, const OpenedCamera& camera, const GrabOptions& grab,
                 Progress& progress) {
    Tally tally;
    GrabSink sink(session.driver(), camera);
    session.Route(camera.port, &sink);
    if (grab.continuous) session.driver().setProperty(0, camera.port, "Continous", 1);
    const int channels = camera.bitsPerPixel == 24 ? 3 : 1;
    const std::string stem = grab.outDir + "/" + FileStem(camera.name) + "_";
    for (uint32_t i = 0; i < grab.count; ++i) {
        if (GrabImage(sink, camera, grab, i, tally)) {
            char number[16];
            std::snprintf(number, sizeof number, "%04u", i);
            if (WriteImage(stem + number + kImageExtension, sink.pixels(), camera.width,
                           camera.height, channels))
                ++tally.images;
            else
                ++tally.failures;
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
    if (grab.failFrames > 0 && !FailSimulatorFrames(options, grab.failFrames)) return 2;
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
        total.failedFrames += tally.failedFrames;
        session.Close(port);
        ++port;
    }
    progress.Finish();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "%u image(s) from %zu camera(s) in %.2f s (%.1f frames/s), %u lost, %u frame error(s) "
        "(%u failed frame(s) asked again); written to %s\n",
        total.images, names.size(), seconds, seconds > 0 ? total.images / seconds : 0.0,
        total.failures, HostSession::FrameErrors(), total.failedFrames, grab.outDir.c_str());
    return total.failures == 0 ? 0 : 1;
}

}  // namespace tarnix::camhost
