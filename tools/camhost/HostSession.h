// One run of camhost as a driver host: loads and starts the driver, prints its diagnostic
// lines, routes completion callbacks to per-port sinks, and closes what it opened.
#pragma once

#include <host/DriverLibrary.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "Commands.h"

namespace tarnix::camhost {

using host::DriverLibrary;

// Receives the completion callback of one port, on the SDK's frame thread.
class PortSink {
  public:
    virtual ~PortSink() = default;
    virtual void OnImage(int32_t port) = 0;
    // The driver reported a failed frame of port ("FrameCB error" with its status): it ends a
    // pending request without a completion callback.
    virtual void OnFrameError(int32_t /*port*/, int /*status*/) {}
};

struct OpenedCamera {
    int32_t port = -1;
    std::string name;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;  // 8 (grey) or 24 (blue, green, red)
};

class HostSession {
  public:
    explicit HostSession(const Options& options) : m_Options(options) {}
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Loads the driver from beside camhost and starts it with the settings folder (the one
    // --system-path gives, else the user's configuration folder). Prints the reason on failure.
    bool Start();
    // The driver's settings file in the folder it was started with.
    std::string SettingsFile() const;
    DriverLibrary& driver() { return m_Driver; }

    // Enumerates the cameras; configuration names in driver order.
    std::vector<std::string> CameraNames();

    // Opens name (configuration name or address) on port; prints the reason on failure.
    bool Open(int32_t port, const std::string& name, OpenedCamera& camera);
    void Close(int32_t port);

    // Completion callbacks of port go to sink (nullptr: ignored) until changed.
    void Route(int32_t port, PortSink* sink);

    // "FrameCB error" lines seen so far.
    static uint32_t FrameErrors();

  private:
    Options m_Options;
    DriverLibrary m_Driver;
    bool m_Started = false;
    std::string m_SettingsFolder;
    std::vector<int32_t> m_OpenPorts;
};

}  // namespace tarnix::camhost
