#include "driver_library.h"

namespace camhost {

const char* DriverFileName() {
#ifdef _WIN32
    return "tarnixdrv.dll";
#else
    return "libtarnixdrv.so";
#endif
}

DriverLibrary::~DriverLibrary() {
    if (m_Library) platform::FreeSharedLibrary(m_Library);
}

template <typename Fn>
bool DriverLibrary::Resolve(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(platform::FindFunction(m_Library, name));
    if (!fn && m_Error.empty())
        m_Error = std::string("function ") + name + " missing in the driver";
    return fn != nullptr;
}

bool DriverLibrary::Load(const std::string& path) {
    m_Library = platform::LoadSharedLibrary(path.c_str());
    if (!m_Library) {
        m_Error = "cannot load " + path;
        return false;
    }
    bool ok = Resolve(initialize, "initialize");
    ok = Resolve(finalize, "finalize") && ok;
    ok = Resolve(setSystemPath, "setSystemPath") && ok;
    ok = Resolve(setDebugMsgProc, "setDebugMsgProc") && ok;
    ok = Resolve(setCompleteCallback, "setCompleteCallback") && ok;
    ok = Resolve(getCVLNoOfSupportedCameras, "getCVLNoOfSupportedCameras") && ok;
    ok = Resolve(getCVLCameraConfigNames, "getCVLCameraConfigNames") && ok;
    ok = Resolve(getCVLMaxNoOfPorts, "getCVLMaxNoOfPorts") && ok;
    ok = Resolve(openCVLPort, "openCVLPort") && ok;
    ok = Resolve(closeCVLPort, "closeCVLPort") && ok;
    ok = Resolve(doCVLGrab, "doCVLGrab") && ok;
    ok = Resolve(getCVLGrabRow, "getCVLGrabRow") && ok;
    ok = Resolve(getProperty, "getProperty") && ok;
    ok = Resolve(setProperty, "setProperty") && ok;
    ok = Resolve(configureCamera, "configureCamera") && ok;
    return ok;
}

}  // namespace camhost
