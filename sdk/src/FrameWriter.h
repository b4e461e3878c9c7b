// Fills a frame buffer with the test pattern of a simulated camera.
#pragma once

#include <cstdint>
#include <vector>

namespace tarnix::sim {

// What one frame looks like; taken from the camera's settings when the frame starts.
struct FrameShape {
    uint32_t format;
    uint32_t width;
    uint32_t height;
    uint32_t bitDepth;  // significant bits of 16-bit samples
    uint32_t bytes;     // FrameBytes(format, width, height)
};

// One per stream thread. The ramp is copied from precomputed tables, so a frame costs one
// pass over its bytes and no allocation; the demo patterns are computed pixel by pixel. Every
// pattern is written straight into the record's buffer: a camera holds no frame of its own,
// so what limits how many cameras a process holds is the host's buffers, as with a real SDK.
class FrameWriter {
  public:
    explicit FrameWriter(uint32_t bitDepth);

    // Writes shape.bytes bytes of frame number n.
    void Fill(uint8_t* dst, const FrameShape& shape, uint32_t pattern, uint32_t n) const;

  private:
    // Sample sequences k mod period, long enough to copy a whole chunk from any phase. Built
    // once per bit depth and shared by every camera.
    struct Ramps {
        explicit Ramps(uint32_t bitDepth);
        std::vector<uint8_t> ramp8;
        std::vector<uint8_t> ramp16;  // little-endian words
        uint32_t period16;            // 2^bitDepth words
        uint32_t chunk8;
        uint32_t chunk16;  // bytes, a multiple of the 16-bit period
    };
    static const Ramps& RampsFor(uint32_t bitDepth);

    void FillRamp(uint8_t* dst, const FrameShape& shape, uint32_t n) const;
    void FillPicture(uint8_t* dst, const FrameShape& shape, uint32_t pattern, uint32_t n) const;

    const Ramps& m_Ramps;
};

}  // namespace tarnix::sim
