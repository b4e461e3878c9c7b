// The cameras the SDK could reach at the last enumeration, with their configuration names.
#pragma once

#include <base/SdkApi.h>
#include <platform/ThreadSafety.h>
#include <pvapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnix {

// "display name [serial]" of an SDK camera record.
std::string FormatConfigName(const tPvCameraInfo& info);

// The IPv4 address (network byte order) of a text with exactly three dots, as inet_addr
// reads it; 0 for any other text, meaning "no address".
uint32_t ParseIPAddress(const char* text);

// One driver-wide list. Each refresh builds a complete new list without the lock (the SDK
// is asked outside it) and swaps it in; lookups copy what they need under the lock, so a
// refresh or a free on another thread never pulls a record from under them. Only records
// the SDK filled are ever named, compared or handed out.
class CameraList {
  public:
    CameraList();
    ~CameraList();
    CameraList(const CameraList&) = delete;
    CameraList& operator=(const CameraList&) = delete;

    // Asks the SDK for its cameras and replaces the list. Returns the number counted.
    int32_t Refresh(const SdkApi& sdk);
    void Free();

    int32_t Count() const;
    // count entries (null for unfilled records) and a null entry; null when the list is
    // empty. Stays valid until the next Refresh or Free.
    const char* const* Names() const;

    // Lowest index whose configuration name equals text exactly; -1 if none.
    int32_t FindConfigName(const char* text) const;
    // Lowest index whose record has the camera id; -1 if none.
    int32_t FindCameraById(uint32_t id) const;

    // Copies the record named text; false if none.
    bool RecordByConfigName(const char* text, tPvCameraInfo& record) const;
    // Copies the configuration name of the camera with the id; false if the list lacks it.
    bool ConfigNameOfCamera(uint32_t id, std::string& name) const;

  private:
    struct Contents;
    int32_t FindConfigNameLocked(const char* text) const REQUIRES(m_Mutex);
    int32_t FindCameraByIdLocked(uint32_t id) const REQUIRES(m_Mutex);

    mutable platform::Mutex m_Mutex;
    std::unique_ptr<Contents> m_Contents GUARDED_BY(m_Mutex);
};

// The driver's list and the operations on it with the loaded SDK.
CameraList& Cameras();
int32_t RefreshCameraList();
void FreeCameraList();
int32_t FindConfigName(const char* text);
int32_t FindCameraById(uint32_t id);

}  // namespace tarnix
