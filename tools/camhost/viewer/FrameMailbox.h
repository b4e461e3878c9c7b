// The newest frame of a camera, handed from the thread the driver calls back on to the thread
// that draws it. Three buffers: the one being filled, the newest whole one and the one on
// screen. A frame that arrives before the newest one was taken replaces it and counts as
// dropped, so a slow window never holds the camera back and memory never grows.
//
// Copying a frame takes the delivering thread's time, and the camera's next frame waits for
// it. So a frame that comes within a short while (kFreshFor) of the one still waiting is
// dropped without being copied: the window, which draws at most some tens of times a second,
// would not have shown it, and the camera keeps its rate.
#pragma once

#include <platform/ThreadSafety.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace tarnix::camhost {

struct FrameGeometry {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 1;  // 1: grey; 3: blue, green, red

    size_t Stride() const { return size_t{width} * channels; }
    size_t Bytes() const { return Stride() * height; }
    bool operator==(const FrameGeometry&) const = default;
};

struct FrameView {
    const uint8_t* pixels = nullptr;  // rows top first, Stride() bytes each
    FrameGeometry geometry;
    uint64_t number = 0;  // 1 for the first frame delivered since Reset
};

struct MailboxCounts {
    uint64_t received = 0;    // frames handed in
    uint64_t incomplete = 0;  // of those, frames whose rows could not all be read
    uint64_t shown = 0;       // frames taken by the window
    uint64_t dropped = 0;     // frames replaced or passed over before the window took them
};

class FrameMailbox {
  public:
    // Fills the buffer it is given with geometry's rows and says whether every row could be
    // read. (An interface rather than a std::function: no allocation per frame.)
    class Filler {
      public:
        virtual bool Fill(uint8_t* pixels, const FrameGeometry& geometry) = 0;

      protected:
        ~Filler() = default;
    };
    static constexpr uint32_t kMaxChannels = 3;
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kFreshFor = std::chrono::milliseconds(5);

    // Sizes the buffers for geometry and forgets what they held and the counts. Each buffer
    // has room for kMaxChannels bytes a pixel whatever geometry says, so a frame filled while
    // the camera changes its pixel size cannot write past it.
    void Reset(const FrameGeometry& geometry) EXCLUDES(m_FillLock, m_SwapLock);
    FrameGeometry Geometry() const EXCLUDES(m_SwapLock);

    // On the delivering thread, with the time the frame came. One delivery at a time; the
    // window is never waited for.
    void Deliver(Filler& fill, Clock::time_point now = Clock::now())
        EXCLUDES(m_FillLock, m_SwapLock);

    // On the drawing thread: the newest whole frame not taken yet, or nothing. Stays valid
    // until the next Take or Reset from the same thread.
    bool Take(FrameView& frame) EXCLUDES(m_SwapLock);
    // The frame the last Take gave, if any.
    bool Current(FrameView& frame) const EXCLUDES(m_SwapLock);

    MailboxCounts Counts() const EXCLUDES(m_SwapLock);

  private:
    struct Slot {
        std::vector<uint8_t> pixels;
        uint64_t number = 0;
    };

    // Lock order: m_FillLock, then m_SwapLock.
    mutable platform::Mutex m_FillLock ACQUIRED_BEFORE(m_SwapLock);
    mutable platform::Mutex m_SwapLock;
    Slot m_Slots[3];
    // Which slot is which; only m_Filling is used outside m_SwapLock, by the deliverer alone.
    int m_Filling GUARDED_BY(m_FillLock) = 0;
    int m_Ready GUARDED_BY(m_SwapLock) = 1;
    int m_Showing GUARDED_BY(m_SwapLock) = 2;
    bool m_ReadyIsNew GUARDED_BY(m_SwapLock) = false;
    Clock::time_point m_ReadySince GUARDED_BY(m_SwapLock);
    bool m_HasShown GUARDED_BY(m_SwapLock) = false;
    FrameGeometry m_Geometry GUARDED_BY(m_SwapLock);
    uint64_t m_Number GUARDED_BY(m_FillLock) = 0;
    MailboxCounts m_Counts GUARDED_BY(m_SwapLock);
};

}  // namespace tarnix::camhost
