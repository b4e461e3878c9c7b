// Aravis's process-wide device list. Aravis keeps it in global state that must not be reached
// from two threads at once, so every such call goes through here, under one mutex. Only the
// device-list thread and initialisation discover, and no camera is opened through the list
// (a session opens its camera by address), so the mutex is never held while a camera is
// talked to; discovery's broadcast and its one-second wait for answers are all it covers.
#pragma once

#include <platform/ThreadSafety.h>

#include <vector>

#include "Records.h"

namespace tarnix::gige {

class AravisSystem {
  public:
    // The GigE Vision cameras that answer a discovery now. Takes about a second: Aravis
    // waits that long for late answers.
    std::vector<DeviceRecord> Discover() EXCLUDES(m_Lock);

    // Frees Aravis's global state; the next Discover builds it again.
    void Shutdown() EXCLUDES(m_Lock);

  private:
    // Guards Aravis's global state too, which no variable of ours stands for.
    platform::Mutex m_Lock;
    bool m_Configured GUARDED_BY(m_Lock) = false;
};

// The local address this host reaches a camera's address from (network byte order), as the
// routing table decides; 0 when it has no route there.
uint32_t LocalAddressTowards(uint32_t cameraAddress);

}  // namespace tarnix::gige
