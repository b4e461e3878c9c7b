#include "host/DriverLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tarnix::host {

std::string ProgramDir() {
    std::vector<char> path(4096, '\0');
#ifdef _WIN32
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
#else
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
#endif
    if (n <= 0) return std::string();
    std::string full(path.data(), static_cast<size_t>(n));
    size_t slash = full.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

const char* DriverFileName() {
#ifdef _WIN32
    return "tarnixdrv.dll";
#else
    return "libtarnixdrv.so";
#endif
}

template <typename Fn>
void DriverLibrary::Resolve(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(platform::FindFunction(m_Library, name));
    if (fn == nullptr) m_Missing.emplace_back(name);
}

bool DriverLibrary::Load(const std::string& path) {
    m_Library = platform::LoadSharedLibrary(path.c_str());
    if (m_Library == nullptr) {
        m_Error = "cannot load " + path;
        return false;
    }
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
    if (!m_Missing.empty()) m_Error = "function " + m_Missing.front() + " missing in " + path;
    return m_Missing.empty();
}

}  // namespace tarnix::host
