// What the viewer draws, worked out without a toolkit: where the image goes in the window, the
// scaled pixels, the histogram and the status line. Both windows (wx, Win32) draw from these.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "FrameMailbox.h"

namespace tarnix::camhost {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// The largest rectangle of the image's shape inside an area of width x height, centred; empty
// when either is empty.
Rect FitInside(uint32_t imageWidth, uint32_t imageHeight, int width, int height);

enum class PixelOrder { Rgb, Bgr };

// Scales frame to width x height by taking the nearest pixel, into rows of stride bytes with
// three bytes a pixel in order (grey repeated in all three).
void ScaleNearest(const FrameView& frame, uint8_t* out, int width, int height, size_t stride,
                  PixelOrder order);

using Histogram = std::array<uint32_t, 256>;
inline constexpr uint64_t kHistogramSamples = 256 * 1024;
// Grey values, or the brightness of blue, green, red pixels; an image of more than
// kHistogramSamples pixels is sampled on an even grid.
Histogram CountLevels(const FrameView& frame);
// Bar heights for a plot height pixels tall; the fullest level fills it.
std::array<int, 256> BarHeights(const Histogram& histogram, int height);

// Frames a second over about the last second, from a running count sampled as it grows.
class RateMeter {
  public:
    using Clock = std::chrono::steady_clock;
    void Sample(uint64_t count, Clock::time_point now);
    double PerSecond() const { return m_Rate; }

  private:
    bool m_Started = false;
    uint64_t m_Count = 0;
    Clock::time_point m_Since;
    double m_Rate = 0.0;
};

// "SimMono8 [SIM-1001]  640 x 480 grey  29.9 frames/s  shown 25.0/s  dropped 12  frame errors 0"
std::string StatusLine(const std::string& camera, const FrameGeometry& geometry,
                       double framesPerSecond, double shownPerSecond, uint64_t dropped,
                       uint32_t frameErrors);

}  // namespace tarnix::camhost
