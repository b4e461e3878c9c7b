#include "HostSession.h"

#include <platform/ThreadSafety.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "SdkChoice.h"
#include "SettingsFolder.h"

namespace tarnix::camhost {

namespace {

std::atomic<bool> g_Quiet{false};
std::atomic<uint32_t> g_FrameErrors{0};
std::array<std::atomic<PortSink*>, TARNIX_PORT_COUNT> g_Sinks{};
// Keeps the driver's lines, which come from any of its threads, whole on stdout: it guards the
// output stream rather than a variable of ours.
platform::Mutex g_OutputLock;

// Called by the driver on any of its threads.
void TARNIX_CALL OnDebugLine(const char* line) {
    if (std::strncmp(line, "FrameCB error", 13) == 0) {
        ++g_FrameErrors;
        int count = 0, port = -1, status = 0;
        if (std::sscanf(line, "FrameCB error #%d port %d: %d", &count, &port, &status) == 3 &&
            port >= 0 && port < TARNIX_PORT_COUNT) {
            if (PortSink* sink = g_Sinks[static_cast<size_t>(port)].load())
                sink->OnFrameError(port, status);
        }
    }
    if (g_Quiet) return;
    platform::MutexLock hold(g_OutputLock);
    std::fputs(line, stdout);
    std::fflush(stdout);
}

void TARNIX_CALL OnComplete(int32_t, int32_t port) {
    if (port < 0 || port >= TARNIX_PORT_COUNT) return;
    if (PortSink* sink = g_Sinks[static_cast<size_t>(port)].load()) sink->OnImage(port);
}

}  // namespace

HostSession::~HostSession() {
    for (int32_t port : m_OpenPorts) m_Driver.closeCVLPort(0, port);
    for (auto& sink : g_Sinks) sink = nullptr;
    if (m_Started) m_Driver.finalize();
}

bool HostSession::Start() {
    g_Quiet = m_Options.quiet;
    std::string problem;
    const std::string folder = FindDriverFolder(m_Options.sdk, problem);
    if (folder.empty()) {
        std::fprintf(stderr, "camhost: %s\n", problem.c_str());
        return false;
    }
    if (!m_Driver.Load(folder + host::DriverFileName())) {
        std::fprintf(stderr, "camhost: %s\n", m_Driver.error().c_str());
        return false;
    }
    std::string folderProblem;
    m_SettingsFolder = ChooseSettingsFolder(m_Options.systemPath, folderProblem);
    if (!folderProblem.empty())
        std::fprintf(stderr, "camhost: %s; the settings file is %s in the current folder\n",
                     folderProblem.c_str(), SettingsFileIn("").c_str());
    if (!m_Driver.initialize(m_SettingsFolder.c_str(), OnDebugLine)) {
        std::fprintf(stderr, "camhost: the driver did not start\n");
        m_Driver.finalize();
        return false;
    }
    m_Started = true;
    m_Driver.setCompleteCallback(0, 0, OnComplete);
    return true;
}

std::string HostSession::SettingsFile() const {
    return SettingsFileIn(m_SettingsFolder);
}

std::vector<std::string> HostSession::CameraNames() {
    std::vector<std::string> names;
    int32_t count = m_Driver.getCVLNoOfSupportedCameras();
    const char* const* list = m_Driver.getCVLCameraConfigNames();
    for (int32_t i = 0; list && i < count; ++i)
        if (list[i]) names.emplace_back(list[i]);
    return names;
}

bool HostSession::Open(int32_t port, const std::string& name, OpenedCamera& camera) {
    uint32_t size[2] = {0, 0};
    if (!m_Driver.openCVLPort(0, port, name.c_str(), size)) {
        std::fprintf(stderr, "camhost: cannot open \"%s\" on port %d\n", name.c_str(), port);
        m_Driver.closeCVLPort(0, port);  // a failed open keeps its object in the port
        return false;
    }
    m_OpenPorts.push_back(port);
    camera.port = port;
    camera.name = name;
    camera.width = size[0];
    camera.height = size[1];
    camera.bitsPerPixel = 0;
    m_Driver.getProperty(0, port, "PixelSize", &camera.bitsPerPixel);
    return true;
}

void HostSession::Close(int32_t port) {
    Route(port, nullptr);
    m_Driver.closeCVLPort(0, port);
    std::erase(m_OpenPorts, port);
}

void HostSession::Route(int32_t port, PortSink* sink) {
    if (port >= 0 && port < TARNIX_PORT_COUNT) g_Sinks[static_cast<size_t>(port)] = sink;
}

uint32_t HostSession::FrameErrors() {
    return g_FrameErrors;
}

}  // namespace tarnix::camhost
