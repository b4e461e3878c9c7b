// End-to-end streaming through the driver, loaded the way a host loads it: the simulator's
// five default cameras deliver every frame ("Continous") for a few seconds, and for each the
// tool reports frames per second, the driver's CPU time per frame (the SDK's completion
// callback on the stream thread: conversion, host notification, re-queue; the simulator's
// own frame generation lies outside it and is shown beside it) and the callback latency from
// the SDK entering the driver's frame handler to the host's completion callback.
//
//   stream_bench [--seconds N] [--rows] [--sequential]
//
// --rows: the host callback also reads every row of the image, as a host would (its time
// then counts as the driver's). --sequential: one camera at a time instead of all at once.
#include <host/DriverLibrary.h>
#include <pvsim.h>
#include <tarnixdrv.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kFrameRate = 10000.0F;  // the simulator's highest; its timer is then no limit
constexpr auto kWarmUp = std::chrono::milliseconds(500);

tarnix::host::DriverLibrary g_Driver;

// One port's figures. The completion callbacks of a port come one after another on its
// camera's stream thread; the main thread reads them only after the port is closed.
struct Port {
    uint32_t cameraId = 0;
    std::string name;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerPixel = 0;
    std::vector<uint8_t> row;
    std::atomic<bool> measuring{false};
    uint64_t callbacks = 0;
    double latencySumUs = 0;
    double latencyMaxUs = 0;
    tPvSimStreamStats first{};
    tPvSimStreamStats last{};
    Clock::time_point firstAt;
    Clock::time_point lastAt;
};
std::array<Port, 5> g_Ports;
bool g_ReadRows = false;

int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

void TARNIX_CALL OnComplete(int32_t /*reserved*/, int32_t port) {
    if (port < 0 || port >= static_cast<int32_t>(g_Ports.size())) return;
    Port& p = g_Ports[port];
    tPvSimStreamStats stats{};
    pvsim_stream_stats(p.cameraId, &stats);
    const double latencyUs = static_cast<double>(SteadyNs() - stats.lastCallbackNs) / 1000.0;
    if (g_ReadRows) {
        for (uint32_t row = 0; row < p.height; ++row)
            g_Driver.getCVLGrabRow(0, port, p.row.data(), row, 0, p.width - 1);
    }
    if (!p.measuring.load(std::memory_order_acquire)) return;
    ++p.callbacks;
    p.latencySumUs += latencyUs;
    p.latencyMaxUs = std::max(p.latencyMaxUs, latencyUs);
}

// The simulator's cameras keep their attributes between opens, so the frame rate is set
// before the driver opens them. Floats cannot be written through the driver.
bool RaiseFrameRate(uint32_t cameraId) {
    tPvHandle handle = 0;
    if (PvCameraOpen(cameraId, ePvAccessMaster, &handle) != ePvErrSuccess) return false;
    const bool set = PvAttrFloat32Set(handle, "FrameRate", kFrameRate) == ePvErrSuccess;
    PvCameraClose(handle);
    return set;
}

bool OpenPort(int32_t port) {
    Port& p = g_Ports[port];
    uint32_t size[2] = {0, 0};
    if (g_Driver.openCVLPort(0, port, p.name.c_str(), size) != 1) {
        std::fprintf(stderr, "stream_bench: cannot open %s\n", p.name.c_str());
        return false;
    }
    uint32_t bits = 0;
    g_Driver.getProperty(0, port, "PixelSize", &bits);
    p.width = size[0];
    p.height = size[1];
    p.bytesPerPixel = bits / 8;
    p.row.assign(size_t{p.width} * p.bytesPerPixel, 0);
    return g_Driver.setProperty(0, port, "Continous", 1) == 1;
}

void Measure(const std::vector<int32_t>& ports, std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(kWarmUp);
    for (const int32_t port : ports) {
        Port& p = g_Ports[port];
        pvsim_stream_stats(p.cameraId, &p.first);
        p.firstAt = Clock::now();
        p.measuring = true;
    }
    std::this_thread::sleep_for(duration);
    for (const int32_t port : ports) {
        Port& p = g_Ports[port];
        p.measuring = false;
        pvsim_stream_stats(p.cameraId, &p.last);
        p.lastAt = Clock::now();
    }
    for (const int32_t port : ports) g_Driver.closeCVLPort(0, port);
}

const char* FormatName(uint32_t bytesPerPixel, const std::string& name) {
    static const char* const kFormats[] = {"Mono8", "Mono16", "Bayer8", "Yuv422", "Rgb24"};
    for (const char* format : kFormats)
        if (name.find(format) != std::string::npos) return format;
    return bytesPerPixel == 1 ? "mono" : "colour";
}

void Report() {
    std::printf("%-22s %-7s %-10s %9s %12s %12s %12s %12s\n", "camera", "format", "size",
                "frames/s", "driver us/f", "sim gen us/f", "latency mean", "latency max");
    for (const Port& p : g_Ports) {
        const double frames = static_cast<double>(p.last.frames - p.first.frames);
        const double seconds = std::chrono::duration<double>(p.lastAt - p.firstAt).count();
        if (frames <= 0 || seconds <= 0) {
            std::printf("%-22s no frames\n", p.name.c_str());
            continue;
        }
        const double driverUs =
            static_cast<double>(p.last.callbackCpuNs - p.first.callbackCpuNs) / frames / 1000.0;
        const double generateUs =
            static_cast<double>(p.last.generateCpuNs - p.first.generateCpuNs) / frames / 1000.0;
        const double meanUs =
            p.callbacks > 0 ? p.latencySumUs / static_cast<double>(p.callbacks) : 0;
        const std::string size = std::to_string(p.width) + "x" + std::to_string(p.height);
        std::printf("%-22s %-7s %-10s %9.1f %12.1f %12.1f %9.1f us %9.1f us\n", p.name.c_str(),
                    FormatName(p.bytesPerPixel, p.name), size.c_str(), frames / seconds, driverUs,
                    generateUs, meanUs, p.latencyMaxUs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 5.0;
    bool sequential = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--rows") == 0) {
            g_ReadRows = true;
        } else if (std::strcmp(argv[i], "--sequential") == 0) {
            sequential = true;
        } else {
            std::fprintf(stderr, "usage: %s [--seconds N] [--rows] [--sequential]\n", argv[0]);
            return 2;
        }
    }
    if (!g_Driver.Load(tarnix::host::ProgramDir() + tarnix::host::DriverFileName())) {
        std::fprintf(stderr, "stream_bench: %s\n", g_Driver.error().c_str());
        return 2;
    }
    if (g_Driver.initialize("", nullptr) != 1) {
        std::fprintf(stderr, "stream_bench: the driver did not start\n");
        return 2;
    }
    pvsim_reset();
    g_Driver.setCompleteCallback(0, 0, OnComplete);
    const int32_t count = g_Driver.getCVLNoOfSupportedCameras();
    const char* const* names = g_Driver.getCVLCameraConfigNames();
    if (count < static_cast<int32_t>(g_Ports.size()) || names == nullptr) {
        std::fprintf(stderr, "stream_bench: expected the five default cameras\n");
        return 2;
    }
    for (size_t i = 0; i < g_Ports.size(); ++i) {
        g_Ports[i].name = names[i];
        g_Ports[i].cameraId = 1001 + static_cast<uint32_t>(i);
        if (!RaiseFrameRate(g_Ports[i].cameraId)) {
            std::fprintf(stderr, "stream_bench: cannot set the frame rate of %s\n", names[i]);
            return 2;
        }
    }

    const auto duration = std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    std::printf("%s for %.1f s, %s, host callback %s; %u processors\n",
                sequential ? "one camera at a time" : "all cameras at once", seconds,
                "continuous delivery", g_ReadRows ? "reads every row" : "only takes the time",
                std::thread::hardware_concurrency());
    if (sequential) {
        for (int32_t port = 0; port < static_cast<int32_t>(g_Ports.size()); ++port) {
            if (!OpenPort(port)) return 2;
            Measure({port}, duration);
        }
    } else {
        std::vector<int32_t> ports;
        for (int32_t port = 0; port < static_cast<int32_t>(g_Ports.size()); ++port) {
            if (!OpenPort(port)) return 2;
            ports.push_back(port);
        }
        Measure(ports, duration);
    }
    g_Driver.finalize();
    Report();
    return 0;
}
