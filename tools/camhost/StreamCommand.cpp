// camhost stream: every frame of the chosen cameras ("Continous" delivery), with the frames
// per second of each port printed once a second.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "HostSession.h"

namespace tarnix::camhost {

namespace {

class CountingSink : public PortSink {
  public:
    void OnImage(int32_t) override { m_Frames.fetch_add(1, std::memory_order_relaxed); }
    uint64_t frames() const { return m_Frames.load(std::memory_order_relaxed); }

  private:
    std::atomic<uint64_t> m_Frames{0};
};

struct StreamingPort {
    OpenedCamera camera;
    CountingSink sink;
    uint64_t lastFrames = 0;
};

}  // namespace

int RunStream(const Options& options, const StreamOptions& stream) {
    HostSession session(options);
    if (!session.Start()) return 2;
    if (stream.frameRate > 0 && !SetSimulatorFrameRate(options, stream.frameRate)) return 2;
    std::vector<std::string> names =
        stream.cameras.empty() ? session.CameraNames() : stream.cameras;
    std::vector<std::unique_ptr<StreamingPort>> ports;
    for (const std::string& name : names) {
        auto port = std::make_unique<StreamingPort>();
        if (!session.Open(static_cast<int32_t>(ports.size()), name, port->camera)) continue;
        session.Route(port->camera.port, &port->sink);
        session.driver().setProperty(0, port->camera.port, "Continous", 1);
        ports.push_back(std::move(port));
    }
    if (ports.empty()) {
        std::fprintf(stderr, "camhost: no camera to stream from\n");
        return 2;
    }

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto last = start;
    const auto end = start + std::chrono::duration<double>(stream.seconds);
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const auto now = Clock::now();
        const double interval = std::chrono::duration<double>(now - last).count();
        last = now;
        for (auto& port : ports) {
            const uint64_t frames = port->sink.frames();
            std::printf("port %3d %-24s %8.1f frames/s\n", port->camera.port,
                        port->camera.name.c_str(), (frames - port->lastFrames) / interval);
            port->lastFrames = frames;
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    uint64_t total = 0;
    for (auto& port : ports) {
        session.Close(port->camera.port);
        total += port->sink.frames();
    }
    std::printf("%llu frame(s) from %zu port(s) in %.1f s, %u frame error(s)\n",
                static_cast<unsigned long long>(total), ports.size(), seconds,
                HostSession::FrameErrors());
    return 0;
}

}  // namespace tarnix::camhost
