// Capture from one camera: Aravis's stream with a fixed set of buffers, a delivery thread that
// completes the host's frame records from it, and the queue of those records.
#pragma once

#include <arv.h>
#include <pvapi.h>

#include <cstdint>
#include <memory>
#include <thread>

namespace tarnix::gige {

// One image as one of Aravis's buffers holds it: rows of width pixels, each followed by
// linePadding bytes the camera adds (GigE Vision's padding x).
struct BufferImage {
    const uint8_t* data = nullptr;
    size_t size = 0;  // bytes received
    uint32_t width = 0, height = 0, x = 0, y = 0;
    uint32_t linePadding = 0;
    ArvPixelFormat format = 0;
};

// Fills the record's geometry and format fields from the image and copies its rows packed into
// ImageBuffer; returns the status the record completes with (ePvErrSuccess,
// ePvErrDataMissing for an image shorter than its geometry, ePvErrBufferTooSmall,
// ePvErrInvalidSetup). Sets ImageSize (0 unless ePvErrSuccess).
tPvErr CopyImage(const BufferImage& image, tPvFrame& frame);

// How long Aravis waits, after the last packet of a frame that misses some, before it gives the
// frame up when the camera cannot resend: a few times the gap between two packets the link
// allows (bytes per second 0: no limit; the inter-packet delay in ns), 5 ms at least so that a
// failed frame is handed over before the next frame is sent, 100 ms at most.
uint32_t FrameRetentionUs(uint32_t packetBytes, uint64_t bytesPerSecond, uint64_t packetDelayNs);

// Counters of one stream since it was made.
struct StreamStatistics {
    uint32_t completed = 0;   // frames completed whole into a record
    uint32_t dropped = 0;     // frames with no record queued, or no free buffer of Aravis's
    uint32_t incomplete = 0;  // frames that arrived with packets missing (not resent in time)
    uint32_t whole = 0;       // frames Aravis received whole, taken by a record or not
    uint32_t packetsMissing = 0;
    uint32_t packetsResent = 0;
};

// Records complete in queue order, each through one call of its callback: on the delivery
// thread for a frame from the camera, on the calling thread for Clear, SetLost and the
// destructor. No lock of ours is held while a callback runs, so a callback may queue its record
// again, clear the queue or destroy the stream.
//
// A completed frame fills Status, ImageSize, Width, Height, RegionX, RegionY, Format, BitDepth,
// BayerPattern (see PixelFormats.h), FrameCount (the camera's block id, so a gap shows frames
// the camera sent that never arrived) and TimestampLo/Hi (the camera's timestamp in µs). The
// image is copied only with Status ePvErrSuccess; otherwise ImageSize is 0 and a frame that
// failed in transit is never read as an image (its geometry fields are 0):
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
    // Since the stream was made (see StreamStatistics).
    StreamStatistics Statistics() const;
    // Whether Aravis asks the camera to resend lost packets (the camera says it can).
    bool ResendsPackets() const { return m_Resend; }
    // The camera is gone (Aravis's "control-lost", a removal): completes the queued records
    // with ePvErrUnplugged on the calling thread as Clear does, and stops delivery; later Queue
    // calls fail with ePvErrUnplugged. The object is still to be destroyed.
    void SetLost();

  private:
    struct Shared;  // the queue and Aravis's stream, shared with the delivery thread

    FrameStream(std::shared_ptr<Shared> shared, std::thread delivery, uint32_t bufferSize,
                bool resend);

    std::shared_ptr<Shared> m_Shared;
    std::thread m_Delivery;
    uint32_t m_BufferSize;
    bool m_Resend;
};

}  // namespace tarnix::gige
