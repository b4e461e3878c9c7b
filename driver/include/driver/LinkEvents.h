// The SDK's notification of plugged and unplugged cameras.
#pragma once

#include <pvapi.h>

namespace tarnix {

// Called by the SDK on its link-event thread for the events it was registered for.
void PVDECL LinkEventCB(void* context, tPvInterface iface, tPvLinkEvent event, uint32_t cameraId);

// Registers LinkEventCB for "plugged" and "unplugged" unless it is registered already, so
// a start-up after one whose SDK initialisation failed does not register it twice.
void RegisterLinkEvents();
// Unregisters what RegisterLinkEvents registered.
void UnregisterLinkEvents();

}  // namespace tarnix
