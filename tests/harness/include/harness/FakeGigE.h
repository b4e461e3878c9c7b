// Fake GigE Vision cameras for the suites of the Aravis-backed SDK: one arv-fake-gv-camera
// process per loopback address, inside the network namespace scripts/in-loopback-net.sh gives
// each such test program.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

namespace tarnix::test {

// True when this program runs in the private loopback network, where 127.0.0.2 and up exist.
bool InLoopbackNetwork();

// The dotted loopback address of fake camera n (n = 0 gives 127.0.0.2).
std::string FakeCameraAddress(int n);

class FakeGigECamera {
  public:
    // Nothing starts until Start(); the serial names the device ("Aravis-Fake-<serial>").
    FakeGigECamera(std::string address, std::string serial);
    ~FakeGigECamera();
    FakeGigECamera(const FakeGigECamera&) = delete;
    FakeGigECamera& operator=(const FakeGigECamera&) = delete;

    // Starts the process and waits until it listens on its control port. The process dies
    // with the test program even when that crashes, so no camera outlives its test.
    bool Start(std::chrono::milliseconds within = std::chrono::seconds(10));
    // Stream packets the camera drops on purpose, per thousand (its -r option); takes effect at
    // the next Start.
    void SetPacketLoss(unsigned perThousand) { m_LossPerThousand = perThousand; }
    // Ends the process: politely first, then for certain.
    void Stop();
    // Ends it at once, as pulling its cable does.
    void Kill();
    // Freezes the process and lets it go on: a camera that answers nothing for a while.
    void Pause();
    void Resume();
    bool Running() const { return m_Pid > 0; }

    const std::string& Address() const { return m_Address; }
    const std::string& Serial() const { return m_Serial; }
    // The device id Aravis gives it, and with it the name a host may open it by.
    std::string DeviceId() const { return "Aravis-Fake-" + m_Serial; }
    // Its address in the byte order inet_addr gives.
    uint32_t NetworkAddress() const;

  private:
    void Reap(std::chrono::milliseconds within);

    std::string m_Address;
    std::string m_Serial;
    pid_t m_Pid = -1;
    unsigned m_LossPerThousand = 0;
};

}  // namespace tarnix::test
