// What the host hands the driver besides calls: the system path and the completion
// callback. Both are read by other threads (camera construction, the SDK's frame thread)
// while the host may replace them.
#pragma once

#include <tarnixdrv.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnix {

// The system path keeps at most this many characters; longer text is cut.
constexpr size_t kSystemPathMaxLength = 511;

void SetSystemPath(const char* path);
std::string SystemPath();

void SetCompleteCallback(TarnixCompleteCallback callback);
TarnixCompleteCallback GetCompleteCallback();

// Tells the host that the image of the camera on port is ready: the completion callback with
// (0, port). Handed to every camera object as its frame notify.
void NotifyComplete(int32_t port);

}  // namespace tarnix
