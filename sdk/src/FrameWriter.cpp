#include "FrameWriter.h"

#include <platform/ThreadSafety.h>
#include <pvapi.h>
#include <pvsim.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "Formats.h"

namespace tarnix::sim {

namespace {

constexpr uint32_t kCopyChunk = 64 * 1024;

struct Rgb {
    uint8_t r, g, b;
};

// Eight full-intensity bars: white, yellow, cyan, green, magenta, red, blue, black.
Rgb BarColour(uint32_t x, uint32_t width) {
    static const Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                 {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    return kBars[uint64_t(x) * 8 / width];
}

Rgb GradientColour(uint32_t x, uint32_t y, uint32_t n) {
    return {uint8_t(x + n), uint8_t(y + n), uint8_t(255 - ((x + y) / 2 + 2 * n))};
}

uint8_t Luma(Rgb c) {
    return uint8_t((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
}

// Studio-range BT.601.
uint8_t YOf(Rgb c) {
    return uint8_t(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16);
}
uint8_t UOf(Rgb c) {
    return uint8_t(((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128);
}
uint8_t VOf(Rgb c) {
    return uint8_t(((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128);
}

// Writes bytes in order and ignores those past the end of the frame, so packed YUV
// groups that do not fit at the end of an odd-sized image are simply cut.
class ByteSink {
  public:
    ByteSink(uint8_t* dst, uint32_t size) : m_Dst(dst), m_Size(size) {}
    void Put(uint8_t b) {
        if (m_Pos < m_Size) {
            m_Dst[m_Pos++] = b;
        }
    }
    void Put16(uint32_t v) {
        Put(uint8_t(v));
        Put(uint8_t(v >> 8));
    }
    bool Full() const { return m_Pos >= m_Size; }

  private:
    uint8_t* m_Dst;
    uint32_t m_Size;
    uint32_t m_Pos = 0;
};

}  // namespace

FrameWriter::Ramps::Ramps(uint32_t bitDepth) {
    period16 = 1u << bitDepth;
    chunk8 = kCopyChunk;
    chunk16 = std::max(kCopyChunk, 2 * period16);
    ramp8.resize(chunk8 + 256);
    for (size_t i = 0; i < ramp8.size(); ++i) {
        ramp8[i] = uint8_t(i);
    }
    const size_t words = (chunk16 + 2 * period16) / 2;
    ramp16.resize(words * 2);
    for (size_t k = 0; k < words; ++k) {
        const uint32_t v = uint32_t(k) & (period16 - 1);
        ramp16[2 * k] = uint8_t(v);
        ramp16[2 * k + 1] = uint8_t(v >> 8);
    }
}

const FrameWriter::Ramps& FrameWriter::RampsFor(uint32_t bitDepth) {
    // Up to 320 KB a depth: one copy for the whole process instead of one per camera. Never
    // freed, so that a stream thread still running at exit finds them.
    static platform::Mutex s_Mutex;
    static auto* const s_Ramps PT_GUARDED_BY(s_Mutex) =
        new std::array<std::unique_ptr<const Ramps>, 17>();
    const uint32_t depth = std::clamp<uint32_t>(bitDepth, 1, 16);
    platform::MutexLock lock(s_Mutex);
    std::unique_ptr<const Ramps>& ramps = (*s_Ramps)[depth];
    if (!ramps) ramps = std::make_unique<const Ramps>(depth);
    return *ramps;
}

FrameWriter::FrameWriter(uint32_t bitDepth) : m_Ramps(RampsFor(bitDepth)) {}

void FrameWriter::Fill(uint8_t* dst, const FrameShape& shape, uint32_t pattern, uint32_t n) const {
    if (pattern == ePvSimPatternRamp) {
        FillRamp(dst, shape, n);
    } else {
        FillPicture(dst, shape, pattern, n);
    }
}

void FrameWriter::FillRamp(uint8_t* dst, const FrameShape& shape, uint32_t n) const {
    // Every chunk is a whole number of periods, so each one starts at the same phase.
    const bool wide = IsWideFormat(shape.format);
    const uint8_t* table = wide ? m_Ramps.ramp16.data() : m_Ramps.ramp8.data();
    const uint32_t chunk = wide ? m_Ramps.chunk16 : m_Ramps.chunk8;
    const uint32_t phase = wide ? 2 * (n & (m_Ramps.period16 - 1)) : (n & 255);
    for (uint32_t pos = 0; pos < shape.bytes; pos += chunk) {
        std::memcpy(dst + pos, table + phase, std::min(chunk, shape.bytes - pos));
    }
}

void FrameWriter::FillPicture(uint8_t* dst, const FrameShape& shape, uint32_t pattern,
                              uint32_t n) const {
    const uint32_t shift = shape.bitDepth > 8 ? shape.bitDepth - 8 : 0;
    const uint32_t w = shape.width;
    auto colourAt = [&](uint32_t x, uint32_t y) {
        return pattern == ePvSimPatternBars ? BarColour(x, w) : GradientColour(x, y, n);
    };
    auto bayerSample = [](Rgb c, uint32_t x, uint32_t y) {
        // Red at (0, 0): R G / G B.
        if ((y & 1) == 0) {
            return (x & 1) == 0 ? c.r : c.g;
        }
        return (x & 1) == 0 ? c.g : c.b;
    };

    ByteSink out(dst, shape.bytes);
    const uint32_t groupPixels = shape.format == ePvFmtYuv411   ? 4
                                 : shape.format == ePvFmtYuv422 ? 2
                                                                : 1;
    const uint64_t pixels = uint64_t(w) * shape.height;
    uint32_t x = 0;
    uint32_t y = 0;
    for (uint64_t p = 0; p < pixels && !out.Full(); p += groupPixels) {
        // Pixels of one packed group, in image order (groups may wrap to the next line).
        Rgb c[4];
        uint32_t gx[4];
        uint32_t gy[4];
        for (uint32_t k = 0; k < groupPixels; ++k) {
            gx[k] = x;
            gy[k] = y;
            c[k] = colourAt(x, y);
            if (++x == w) {
                x = 0;
                ++y;
            }
        }
        switch (shape.format) {
            case ePvFmtMono8:
                out.Put(Luma(c[0]));
                break;
            case ePvFmtMono16:
                out.Put16(uint32_t(Luma(c[0])) << shift);
                break;
            case ePvFmtBayer8:
                out.Put(bayerSample(c[0], gx[0], gy[0]));
                break;
            case ePvFmtBayer16:
                out.Put16(uint32_t(bayerSample(c[0], gx[0], gy[0])) << shift);
                break;
            case ePvFmtRgb24:
                out.Put(c[0].r), out.Put(c[0].g), out.Put(c[0].b);
                break;
            case ePvFmtBgr24:
                out.Put(c[0].b), out.Put(c[0].g), out.Put(c[0].r);
                break;
            case ePvFmtRgba32:
                out.Put(c[0].r), out.Put(c[0].g), out.Put(c[0].b), out.Put(255);
                break;
            case ePvFmtBgra32:
                out.Put(c[0].b), out.Put(c[0].g), out.Put(c[0].r), out.Put(255);
                break;
            case ePvFmtRgb48:
                out.Put16(uint32_t(c[0].r) << shift);
                out.Put16(uint32_t(c[0].g) << shift);
                out.Put16(uint32_t(c[0].b) << shift);
                break;
            case ePvFmtYuv444:
                out.Put(UOf(c[0])), out.Put(YOf(c[0])), out.Put(VOf(c[0]));
                break;
            case ePvFmtYuv422:
                out.Put(UOf(c[0])), out.Put(YOf(c[0])), out.Put(VOf(c[0])), out.Put(YOf(c[1]));
                break;
            case ePvFmtYuv411:
                out.Put(UOf(c[0])), out.Put(YOf(c[0])), out.Put(YOf(c[1]));
                out.Put(VOf(c[0])), out.Put(YOf(c[2])), out.Put(YOf(c[3]));
                break;
            default:
                return;
        }
    }
}

}  // namespace tarnix::sim
