// The driver as a host sees it: the library loaded by file name at run time, each export
// resolved by name, and the diagnostic lines it writes collected.
#pragma once

#include <tarnixdrv.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/system.h"

namespace tarnix::test {

class HostDriver {
  public:
    // Loads the driver from the current directory (tests run in the binaries' folder).
    HostDriver();
    ~HostDriver();
    HostDriver(const HostDriver&) = delete;
    HostDriver& operator=(const HostDriver&) = delete;

    bool loaded() const { return m_Library != nullptr; }
    // Export names that could not be resolved.
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
    template <typename Function>
    void Resolve(Function& function, const char* name);

    platform::LibraryHandle m_Library = nullptr;
    std::vector<std::string> m_Missing;
};

// Collects the lines the driver hands to its debug procedure, from any thread.
class LineLog {
  public:
    static void TARNIX_CALL Receive(const char* line);
    static std::vector<std::string> Take();
    static void Clear() { Take(); }
};

}  // namespace tarnix::test
