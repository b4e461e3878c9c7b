#include "Picture.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tarnix::camhost {

Rect FitInside(uint32_t imageWidth, uint32_t imageHeight, int width, int height) {
    if (imageWidth == 0 || imageHeight == 0 || width <= 0 || height <= 0) return {};
    // Compare width / imageWidth with height / imageHeight without rounding.
    const uint64_t across = uint64_t(width) * imageHeight;
    const uint64_t down = uint64_t(height) * imageWidth;
    Rect fit;
    if (across <= down) {
        fit.width = width;
        fit.height = std::max(1, static_cast<int>(across / imageWidth));
    } else {
        fit.height = height;
        fit.width = std::max(1, static_cast<int>(down / imageHeight));
    }
    fit.x = (width - fit.width) / 2;
    fit.y = (height - fit.height) / 2;
    return fit;
}

void ScaleNearest(const FrameView& frame, uint8_t* out, int width, int height, size_t stride,
                  PixelOrder order) {
    const FrameGeometry& g = frame.geometry;
    if (width <= 0 || height <= 0 || g.width == 0 || g.height == 0) return;
    // The source column of each output column, worked out once a picture rather than a pixel.
    thread_local std::vector<uint32_t> columns;
    columns.resize(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[static_cast<size_t>(x)] =
            static_cast<uint32_t>((uint64_t(x) * 2 + 1) * g.width / (uint64_t(width) * 2));
    const int blue = order == PixelOrder::Bgr ? 0 : 2;
    for (int y = 0; y < height; ++y) {
        const uint32_t sourceRow =
            static_cast<uint32_t>((uint64_t(y) * 2 + 1) * g.height / (uint64_t(height) * 2));
        const uint8_t* row = frame.pixels + g.Stride() * sourceRow;
        uint8_t* to = out + stride * static_cast<size_t>(y);
        for (int x = 0; x < width; ++x, to += 3) {
            const uint32_t column = columns[static_cast<size_t>(x)];
            if (g.channels == 1) {
                to[0] = to[1] = to[2] = row[column];
            } else {
                const uint8_t* pixel = row + size_t{column} * 3;  // blue, green, red
                to[blue] = pixel[0];
                to[1] = pixel[1];
                to[2 - blue] = pixel[2];
            }
        }
    }
}

Histogram CountLevels(const FrameView& frame) {
    Histogram counts{};
    const FrameGeometry& g = frame.geometry;
    if (!frame.pixels || g.width == 0 || g.height == 0) return counts;
    // The window draws this some tens of times a second while the camera's thread needs the
    // processor too: a large image is sampled on a grid of about kHistogramSamples points,
    // which gives the same shape.
    const uint64_t pixels = uint64_t{g.width} * g.height;
    uint32_t step = 1;
    while (pixels / (uint64_t{step} * step) > kHistogramSamples) ++step;
    for (uint32_t y = 0; y < g.height; y += step) {
        const uint8_t* row = frame.pixels + g.Stride() * y;
        for (uint32_t x = 0; x < g.width; x += step) {
            if (g.channels == 1) {
                ++counts[row[x]];
            } else {
                const uint8_t* p = row + size_t{x} * 3;  // blue, green, red
                ++counts[(29 * p[0] + 150 * p[1] + 77 * p[2] + 128) >> 8];
            }
        }
    }
    return counts;
}

std::array<int, 256> BarHeights(const Histogram& histogram, int height) {
    std::array<int, 256> bars{};
    const uint32_t fullest = *std::max_element(histogram.begin(), histogram.end());
    if (fullest == 0 || height <= 0) return bars;
    for (size_t i = 0; i < bars.size(); ++i)
        bars[i] =
            static_cast<int>(uint64_t(histogram[i]) * static_cast<uint64_t>(height) / fullest);
    return bars;
}

void RateMeter::Sample(uint64_t count, Clock::time_point now) {
    if (!m_Started) {
        m_Started = true;
        m_Count = count;
        m_Since = now;
        return;
    }
    const double seconds = std::chrono::duration<double>(now - m_Since).count();
    if (seconds < 1.0) return;
    m_Rate = static_cast<double>(count - m_Count) / seconds;
    m_Count = count;
    m_Since = now;
}

std::string StatusLine(const std::string& camera, const FrameGeometry& geometry,
                       double framesPerSecond, double shownPerSecond, uint64_t dropped,
                       uint32_t frameErrors) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "%s  %u x %u %s  %.1f frames/s  shown %.1f/s  dropped %llu  frame errors %u",
                  camera.c_str(), geometry.width, geometry.height,
                  geometry.channels == 3 ? "colour" : "grey", framesPerSecond, shownPerSecond,
                  static_cast<unsigned long long>(dropped), frameErrors);
    return line;
}

}  // namespace tarnix::camhost
