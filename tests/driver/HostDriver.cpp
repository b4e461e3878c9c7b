#include "HostDriver.h"

namespace tarnix::test {
namespace {

#ifdef _WIN32
constexpr const char* kDriverFile = "tarnixdrv.dll";  // the program's folder is searched first
#else
constexpr const char* kDriverFile = "./libtarnixdrv.so";
#endif

std::mutex g_LinesMutex;
std::vector<std::string> g_Lines;

}  // namespace

template <typename Function>
void HostDriver::Resolve(Function& function, const char* name) {
    void* address = platform::FindFunction(m_Library, name);
    if (address == nullptr) m_Missing.emplace_back(name);
    function = reinterpret_cast<Function>(address);
}

HostDriver::HostDriver() : m_Library(platform::LoadSharedLibrary(kDriverFile)) {
    if (m_Library == nullptr) return;
    Resolve(initialize, "initialize");
    Resolve(finalize, "finalize");
    Resolve(setSystemPath, "setSystemPath");
    Resolve(setDebugMsgProc, "setDebugMsgProc");
    Resolve(setCompleteCallback, "setCompleteCallback");
    Resolve(getCVLNoOfSupportedCameras, "getCVLNoOfSupportedCameras");
    Resolve(getCVLCameraConfigNames, "getCVLCameraConfigNames");
    Resolve(getCVLMaxNoOfPorts, "getCVLMaxNoOfPorts");
    Resolve(openCVLPort, "openCVLPort");
    Resolve(closeCVLPort, "closeCVLPort");
    Resolve(doCVLGrab, "doCVLGrab");
    Resolve(getCVLGrabRow, "getCVLGrabRow");
    Resolve(getProperty, "getProperty");
    Resolve(setProperty, "setProperty");
    Resolve(getPropertyRange, "getPropertyRange");
    Resolve(setHWTrigger, "setHWTrigger");
    Resolve(configure, "configure");
    Resolve(configureCamera, "configureCamera");
}

// The library stays loaded: the SDK's threads may still run the driver's handlers until
// the process ends, and hosts do not unload it either.
HostDriver::~HostDriver() = default;

void TARNIX_CALL LineLog::Receive(const char* line) {
    std::lock_guard<std::mutex> lock(g_LinesMutex);
    g_Lines.emplace_back(line);
}

std::vector<std::string> LineLog::Take() {
    std::lock_guard<std::mutex> lock(g_LinesMutex);
    std::vector<std::string> lines;
    lines.swap(g_Lines);
    return lines;
}

}  // namespace tarnix::test
