// Capture from one camera: Aravis's stream with a fixed set of buffers, a delivery thread that
// completes the host's frame records from it, and the queue of those records.
#pragma once

#include <arv.h>
#include <pvapi.h>

#include <cstdint>
#include <memory>
#include <thread>

namespace tarnix::gige {

// Records complete in queue order, each through one call of its callback: on the delivery
// thread for a frame from the camera, on the calling thread for Clear, SetLost and the
// destructor. No lock of ours is held while a callback runs, so a callback may queue its record
// again, clear the queue or destroy the stream.
//
// A completed frame fills Status, ImageSize, Width, Height, RegionX, RegionY, Format, BitDepth,
// BayerPattern (see PixelFormats.h), FrameCount (the camera's block id, so a gap shows frames
// the camera sent that never arrived) and TimestampLo/Hi (the camera's timestamp in µs). The
// image is copied only with Status ePvErrSuccess; otherwise ImageSize is 0:
//   ePvErrDataMissing     the frame arrived incomplete (lost packets, time-out)
//   ePvErrBufferTooSmall  the image does not fit ImageBufferSize
//   ePvErrInvalidSetup    the camera sends a pixel format the SDK cannot describe
class FrameStream {
  public:
    // Creates Aravis's stream and its buffers (sized by the camera's payload now: create the
    // stream after the geometry and format are set) and starts delivery. Does not start
    // acquisition. On failure returns null with *error set (ePvErrTimeout, ePvErrCameraFault,
    // ePvErrInvalidSetup, ePvErrResources).
    static std::unique_ptr<FrameStream> Create(ArvCamera* camera, tPvErr* error);
    // Stops delivery and cancels the records still queued (Status ePvErrCancelled) through
    // their callbacks; waits for a callback on the delivery thread unless called from it.
    // Aravis's end of the stream then tells the camera to stop sending: on a camera that no
    // longer answers, that takes Aravis's control retries (about 2.5 s), with no lock of ours
    // held.
    ~FrameStream();
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    // 0, or ePvErrBadParameter (null record, or ImageBuffer null with a size, or already
    // queued), ePvErrQueueFull (16 queued), ePvErrUnplugged after SetLost, ePvErrBadSequence
    // once the destructor has begun (from a callback that is still running or that it runs).
    tPvErr Queue(tPvFrame* frame, tPvFrameCallback callback);
    // Cancels every queued record with ePvErrCancelled through its callback on the calling
    // thread. When it returns, no callback of the delivery thread is running (unless Clear was
    // called from it), and a record such a callback queued again was cancelled as well.
    void Clear();
    // Bytes each of Aravis's buffers holds: the camera's payload when the stream was made.
    uint32_t BufferSize() const { return m_BufferSize; }
    // Frames completed with ePvErrSuccess.
    uint32_t FramesCompleted() const;
    // Frames that arrived while no record was queued; their buffers went straight back.
    uint32_t FramesDropped() const;
    // The camera is gone (Aravis's "control-lost", a removal): completes the queued records
    // with ePvErrUnplugged on the calling thread as Clear does, and stops delivery; later Queue
    // calls fail with ePvErrUnplugged. The object is still to be destroyed.
    void SetLost();

  private:
    struct Shared;  // the queue and Aravis's stream, shared with the delivery thread

    FrameStream(std::shared_ptr<Shared> shared, std::thread delivery, uint32_t bufferSize);

    std::shared_ptr<Shared> m_Shared;
    std::thread m_Delivery;
    uint32_t m_BufferSize;
};

}  // namespace tarnix::gige
