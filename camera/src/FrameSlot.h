// The stream's one frame record, and the gate its completion handler passes to reach the
// stream. The record's first context word points here, not at the stream, because the SDK
// may call the handler on its own thread at any time, also while the camera is being
// destroyed (a host taking the SDK down leaves the SDK's guarantees behind). The gate lets a
// handler that starts then either finish before the destructor goes on, or find no stream.
//
// The slot lives apart from the stream: a record the SDK has not given back when the stream
// goes is left to it, with the raw buffer, and the handler frees both when the SDK finally
// hands the record back.
#pragma once

#include <platform/Pages.h>
#include <platform/ThreadSafety.h>
#include <pvapi.h>

#include <condition_variable>
#include <cstdint>
#include <memory>

namespace tarnix {

class CameraStream;

struct FrameSlot {
    explicit FrameSlot(CameraStream* owner);
    FrameSlot(const FrameSlot&) = delete;
    FrameSlot& operator=(const FrameSlot&) = delete;

    tPvFrame record;

    // A leaf: nothing else is taken while it is held.
    platform::Mutex mutex;
    std::condition_variable handlersDone;
    // The stream, until its destructor closes the gate.
    CameraStream* stream GUARDED_BY(mutex);
    // The stream's owner, which a handler holds on to while it runs: a host callback closing
    // its own port may drop the last other reference. This is the one place that keeps the
    // camera alive for its frame handler.
    std::weak_ptr<void> owner GUARDED_BY(mutex);
    // Handlers between the gate and their end; the destructor waits for them.
    int handlersInside GUARDED_BY(mutex) = 0;
    // The record came back while the gate was closed: the destructor need not leave it.
    bool backWhileClosing GUARDED_BY(mutex) = false;
    // The stream is gone and left the record to the SDK; the handler frees the slot.
    bool orphaned GUARDED_BY(mutex) = false;
    platform::PageBuffer orphanBuffer GUARDED_BY(mutex);
};

}  // namespace tarnix
