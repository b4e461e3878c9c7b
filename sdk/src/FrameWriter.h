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
// pass over its bytes and no allocation; the demo patterns are computed pixel by pixel.
class FrameWriter {
  public:
    explicit FrameWriter(uint32_t bitDepth);

    // Writes shape.bytes bytes of frame number n.
    void Fill(uint8_t* dst, const FrameShape& shape, uint32_t pattern, uint32_t n) const;

  private:
    void FillRamp(uint8_t* dst, const FrameShape& shape, uint32_t n) const;
    void FillPicture(uint8_t* dst, const FrameShape& shape, uint32_t pattern, uint32_t n) const;

    // Sample sequences k mod period, long enough to copy a whole chunk from any phase.
    std::vector<uint8_t> m_Ramp8;
    std::vector<uint8_t> m_Ramp16;  // little-endian words
    uint32_t m_Period16;            // 2^bitDepth words
    uint32_t m_Chunk8;
    uint32_t m_Chunk16;  // bytes, a multiple of the 16-bit period
};

}  // namespace tarnix::sim
