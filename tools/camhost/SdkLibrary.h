// The camera SDK as camhost uses it: loaded at run time from the chosen driver's folder,
// functions resolved by name, and the simulator's pvsim_ controls where the SDK has them.
#pragma once

#include <host/DriverLibrary.h>
#include <platform/System.h>
#include <pvapi.h>
#include <pvsim.h>

#include <string>

namespace tarnix::camhost {

// File name of the SDK library on this platform.
const char* SdkFileName();

class SdkLibrary {
  public:
    SdkLibrary() = default;
    ~SdkLibrary();
    SdkLibrary(const SdkLibrary&) = delete;
    SdkLibrary& operator=(const SdkLibrary&) = delete;

    // Loads the library from path and resolves every function; on failure error() says
    // what is missing. Only the simulator has the pvsim_ controls: without them the SDK is
    // still loaded and they stay null.
    bool Load(const std::string& path);
    const std::string& error() const { return m_Error; }

    decltype(&PvVersion) Version = nullptr;
    decltype(&PvInitialize) Initialize = nullptr;
    decltype(&PvUnInitialize) UnInitialize = nullptr;
    decltype(&PvCameraCount) CameraCount = nullptr;
    decltype(&PvCameraList) CameraList = nullptr;
    decltype(&PvCameraOpen) CameraOpen = nullptr;
    decltype(&PvCameraClose) CameraClose = nullptr;
    decltype(&PvAttrEnumGet) AttrEnumGet = nullptr;
    decltype(&PvAttrStringGet) AttrStringGet = nullptr;
    decltype(&PvAttrUint32Get) AttrUint32Get = nullptr;
    decltype(&PvAttrFloat32Set) AttrFloat32Set = nullptr;
    decltype(&pvsim_set_pattern) SimSetPattern = nullptr;  // may be null
    decltype(&pvsim_fail_frames) SimFailFrames = nullptr;  // may be null

  private:
    template <typename Fn>
    bool Resolve(Fn& fn, const char* name);

    platform::LibraryHandle m_Library = nullptr;
    std::string m_Error;
};

}  // namespace tarnix::camhost
