// The camera's one frame record, and the gate its completion handler passes to reach the
// camera. The record's first context word points here, not at the camera, because the SDK
// may call the handler on its own thread at any time, also while the camera is being
// destroyed (a host taking the SDK down leaves the SDK's guarantees behind). The gate lets a
// handler that starts then either finish before the destructor goes on, or find no camera.
//
// The slot lives apart from the camera: a record the SDK has not given back when the camera
// goes is left to it, with the raw buffer, and the handler frees both when the SDK finally
// hands the record back.
#pragma once

#include <pvapi.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tarnix {

class CCamera;

struct FrameSlot {
    explicit FrameSlot(CCamera* owner);
    FrameSlot(const FrameSlot&) = delete;
    FrameSlot& operator=(const FrameSlot&) = delete;

    tPvFrame record;

    std::mutex mutex;
    std::condition_variable handlersDone;
    // The camera, until its destructor closes the gate.
    CCamera* camera;
    // Handlers between the gate and their end; the destructor waits for them.
    int handlersInside = 0;
    // The record came back while the gate was closed: the destructor need not leave it.
    bool backWhileClosing = false;
    // The camera is gone and left the record to the SDK; the handler frees the slot.
    bool orphaned = false;
    std::unique_ptr<uint8_t[]> orphanBuffer;
};

}  // namespace tarnix
