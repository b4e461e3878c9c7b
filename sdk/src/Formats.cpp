#include "Formats.h"

#include <pvapi.h>

namespace tarnix::sim {

namespace {

const char* const kFormatNames[kFormatCount] = {"Mono8",  "Mono16", "Bayer8", "Bayer16",
                                                "Rgb24",  "Rgb48",  "Yuv411", "Yuv422",
                                                "Yuv444", "Bgr24",  "Rgba32", "Bgra32"};

}  // namespace

const char* FormatName(uint32_t format) {
    return format < kFormatCount ? kFormatNames[format] : nullptr;
}

bool IsWideFormat(uint32_t format) {
    return format == ePvFmtMono16 || format == ePvFmtBayer16 || format == ePvFmtRgb48;
}

uint32_t FrameBytes(uint32_t format, uint32_t width, uint32_t height) {
    // Sensor sizes are limited so that even the widest format fits in 32 bits.
    const uint64_t pixels = uint64_t(width) * height;
    uint64_t bytes = 0;
    switch (format) {
        case ePvFmtMono8:
        case ePvFmtBayer8:
            bytes = pixels;
            break;
        case ePvFmtMono16:
        case ePvFmtBayer16:
        case ePvFmtYuv422:
            bytes = pixels * 2;
            break;
        case ePvFmtYuv411:
            bytes = pixels * 3 / 2;
            break;
        case ePvFmtRgb24:
        case ePvFmtBgr24:
        case ePvFmtYuv444:
            bytes = pixels * 3;
            break;
        case ePvFmtRgb48:
            bytes = pixels * 6;
            break;
        case ePvFmtRgba32:
        case ePvFmtBgra32:
            bytes = pixels * 4;
            break;
        default:
            break;
    }
    return uint32_t(bytes);
}

}  // namespace tarnix::sim
