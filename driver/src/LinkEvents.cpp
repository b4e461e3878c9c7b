#include "driver/LinkEvents.h"

#include <base/SdkApi.h>

namespace tarnix {
namespace {

constexpr tPvLinkEvent kLinkEvents[] = {ePvLinkAdd, ePvLinkRemove};

// Per event whether the SDK accepted the registration. Only start-up and shutdown touch
// these, under the start-up lock.
bool g_Registered[2] = {false, false};

}  // namespace

void PVDECL LinkEventCB(void* /*context*/, tPvInterface /*iface*/, tPvLinkEvent /*event*/,
                        uint32_t /*cameraId*/) {
    // TODO(connection supervision): log the event with the camera's configuration name, close
    // the port's camera on an unplug and schedule its reconnect on a replug.
}

void RegisterLinkEvents() {
    for (int i = 0; i < 2; ++i) {
        if (g_Registered[i]) continue;
        g_Registered[i] =
            Sdk().PvLinkCallbackRegister(LinkEventCB, kLinkEvents[i], nullptr) == ePvErrSuccess;
    }
}

void UnregisterLinkEvents() {
    for (int i = 0; i < 2; ++i) {
        if (!g_Registered[i]) continue;
        Sdk().PvLinkCallbackUnRegister(LinkEventCB, kLinkEvents[i]);
        g_Registered[i] = false;
    }
}

}  // namespace tarnix
