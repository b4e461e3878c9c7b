#include "driver/LinkEvents.h"

#include <base/Diagnostics.h>
#include <base/SdkApi.h>
#include <camera/Camera.h>
#include <platform/System.h>

#include <memory>
#include <string>

#include "driver/CameraList.h"
#include "driver/PortTable.h"

namespace tarnix {
namespace {

constexpr tPvLinkEvent kLinkEvents[] = {ePvLinkAdd, ePvLinkRemove};

// Per event whether the SDK accepted the registration. Only start-up and shutdown touch
// these, under the start-up lock.
bool g_Registered[2] = {false, false};

}  // namespace

void PVDECL LinkEventCB(void* /*context*/, tPvInterface /*iface*/, tPvLinkEvent event,
                        uint32_t cameraId) {
    char now[16];
    platform::LocalClockTime(now, sizeof now);
    const char* const state = event == ePvLinkAdd ? "CONNECTED" : "DISCONNECTED";
    // Named as the camera list knew it at its last refresh.
    std::string name;
    if (Cameras().ConfigNameOfCamera(cameraId, name)) {
        DebugMsg("[%s] CAMERA %s %s\n", now, state, name.c_str());
    } else {
        DebugMsg("[%s] CAMERA %s id=%u\n", now, state, static_cast<unsigned>(cameraId));
    }
    // The shared object stays valid here even if the host closes the port meanwhile; a port
    // being closed refuses new attempts, and closing it twice does nothing.
    const std::shared_ptr<CCamera> camera = Ports().At(FindPortByCameraId(cameraId));
    if (!camera) return;
    if (event == ePvLinkAdd) {
        camera->ScheduleReconnect();
    } else {
        camera->CloseUnplugged();
    }
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
