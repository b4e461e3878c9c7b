// The driver as a host sees it: the library loaded at run time by file name and each of its
// exports resolved by name. Shared by camhost, the benchmarks and the host-level tests, so
// they all load the driver exactly as a host application does.
#pragma once

#include <platform/System.h>

#include <string>
#include <vector>

#include "tarnixdrv.h"

namespace tarnix::host {

// Folder of the running program, with a trailing separator; empty when unknown.
std::string ProgramDir();

// File name of the driver library on this platform.
const char* DriverFileName();

class DriverLibrary {
  public:
    DriverLibrary() = default;
    // The library stays loaded: the SDK's threads may still run the driver's handlers until
    // the process ends, and host applications do not unload it either.
    ~DriverLibrary() = default;
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    // Loads the library from path and resolves every export. False when the library could
    // not be loaded or an export is missing; error() then says what, missing() lists names.
    bool Load(const std::string& path);
    bool loaded() const { return m_Library != nullptr; }
    const std::string& error() const { return m_Error; }
    const std::vector<std::string>& missing() const { return m_Missing; }

    decltype(&::initialize) initialize = nullptr;
    decltype(&::finalize) finalize = nullptr;
    decltype(&::setSystemPath) setSystemPath = nullptr;
    decltype(&::setDebugMsgProc) setDebugMsgProc = nullptr;
    decltype(&::setCompleteCallback) setCompleteCallback = nullptr;
    decltype(&::getCVLNoOfSupportedCameras) getCVLNoOfSupportedCameras = nullptr;
    decltype(&::getCVLCameraConfigNames) getCVLCameraConfigNames = nullptr;
    decltype(&::getCVLMaxNoOfPorts) getCVLMaxNoOfPorts = nullptr;
    decltype(&::openCVLPort) openCVLPort = nullptr;
    decltype(&::closeCVLPort) closeCVLPort = nullptr;
    decltype(&::doCVLGrab) doCVLGrab = nullptr;
    decltype(&::getCVLGrabRow) getCVLGrabRow = nullptr;
    decltype(&::getProperty) getProperty = nullptr;
    decltype(&::setProperty) setProperty = nullptr;
    decltype(&::getPropertyRange) getPropertyRange = nullptr;
    decltype(&::setHWTrigger) setHWTrigger = nullptr;
    decltype(&::configure) configure = nullptr;
    decltype(&::configureCamera) configureCamera = nullptr;

  private:
    template <typename Fn>
    void Resolve(Fn& fn, const char* name);

    platform::LibraryHandle m_Library = nullptr;
    std::string m_Error;
    std::vector<std::string> m_Missing;
};

}  // namespace tarnix::host
