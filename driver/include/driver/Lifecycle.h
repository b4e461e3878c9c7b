// Start-up and shutdown of the driver as a whole. Start-ups are counted; the count is above
// 0 exactly while the SDK is initialised by us.
#pragma once

#include <cstdint>

namespace tarnix {

// Loads the SDK if needed, runs the once-per-process start-up, initialises the SDK on the
// first start-up and registers the link-event handler. Returns whether the driver is
// started afterwards. Catches everything and shows "Exception initializing!".
bool Startup();

// Undoes one start-up; the last one unregisters the link-event handler and uninitialises
// the SDK. Frees the camera list. Returns whether no start-up remains. Catches everything
// and shows "Exception finalize!".
bool Shutdown();

int32_t StartupCount();

}  // namespace tarnix
