#include "ExpectedImage.h"

#include <gtest/gtest.h>

namespace tarnix::test {
namespace {

bool IsWide(tPvImageFormat format) {
    return format == ePvFmtMono16 || format == ePvFmtBayer16 || format == ePvFmtRgb48;
}

uint64_t FrameBytes(tPvImageFormat format, uint64_t pixels) {
    switch (format) {
        case ePvFmtMono8:
        case ePvFmtBayer8:
            return pixels;
        case ePvFmtMono16:
        case ePvFmtBayer16:
        case ePvFmtYuv422:
            return pixels * 2;
        case ePvFmtYuv411:
            return pixels * 3 / 2;
        case ePvFmtRgb24:
        case ePvFmtBgr24:
        case ePvFmtYuv444:
            return pixels * 3;
        case ePvFmtRgb48:
            return pixels * 6;
        default:
            return pixels * 4;
    }
}

uint8_t Clamp(int value) {
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Bytes of the Bayer frame handed to the SDK's demosaic.
void Demosaic(std::vector<uint8_t>& bayer, uint32_t width, uint32_t height, uint8_t* bgr) {
    tPvFrame frame{};
    frame.ImageBuffer = bayer.data();
    frame.ImageBufferSize = static_cast<uint32_t>(bayer.size());
    frame.Width = width;
    frame.Height = height;
    frame.Format = ePvFmtBayer8;
    frame.BayerPattern = ePvBayerRGGB;
    ASSERT_EQ(PvUtilityColorInterpolate(&frame, bgr + 2, bgr + 1, bgr, 2, 0), ePvErrSuccess);
}

// Packed YUV: per group of `pixels` pixels, `bytes` bytes with U at uAt, V at vAt and the
// pixels' Y at yAt[k]. A pixel is written only when all three of its bytes are there.
void Yuv(const std::vector<uint8_t>& raw, uint32_t count, uint32_t pixels, uint32_t bytes,
         uint32_t uAt, uint32_t vAt, const uint32_t* yAt, ExpectedImage& out) {
    for (uint32_t p = 0; p < count; ++p) {
        const size_t group = size_t{p} / pixels * bytes;
        const size_t u = group + uAt;
        const size_t v = group + vAt;
        const size_t y = group + yAt[p % pixels];
        if (u >= raw.size() || v >= raw.size() || y >= raw.size()) break;
        ExpectYuv(raw[y], raw[u], raw[v], &out.bytes[3 * size_t{p}]);
        out.pixelsWritten = p + 1;
    }
}

}  // namespace

void ExpectYuv(uint8_t y, uint8_t u, uint8_t v, uint8_t* bgr) {
    const int luma = 298 * (y - 16);
    const int d = u - 128;
    const int e = v - 128;
    bgr[0] = Clamp((luma + 516 * d + 128) >> 8);
    bgr[1] = Clamp((luma - 100 * d - 208 * e + 128) >> 8);
    bgr[2] = Clamp((luma + 409 * e + 128) >> 8);
}

ExpectedImage ExpectRamp(tPvImageFormat format, uint32_t width, uint32_t height, uint32_t bitDepth,
                         uint32_t n) {
    const uint32_t count = width * height;
    const bool wide = IsWide(format);
    const uint32_t bits = wide ? bitDepth : 8;
    const uint32_t shift = bits - 8;
    const size_t rawBytes = static_cast<size_t>(FrameBytes(format, count));

    // The frame as the camera sends it, and its samples as numbers.
    std::vector<uint8_t> raw(rawBytes);
    std::vector<uint32_t> samples(wide ? rawBytes / 2 : rawBytes);
    for (size_t j = 0; j < samples.size(); ++j) {
        samples[j] = static_cast<uint32_t>((j + n) % (size_t{1} << bits));
        if (wide) {
            raw[2 * j] = static_cast<uint8_t>(samples[j]);
            raw[2 * j + 1] = static_cast<uint8_t>(samples[j] >> 8);
        } else {
            raw[j] = static_cast<uint8_t>(samples[j]);
        }
    }
    auto reduced = [&](size_t j) { return static_cast<uint8_t>(samples[j] >> shift); };

    ExpectedImage out;
    out.bytesPerPixel = format == ePvFmtMono8 || format == ePvFmtMono16 ? 1 : 3;
    out.bytes.assign(size_t{count} * out.bytesPerPixel, 0);
    out.pixelsWritten = count;
    uint8_t* o = out.bytes.data();
    switch (format) {
        case ePvFmtMono8:
        case ePvFmtBgr24:
            std::copy(raw.begin(), raw.end(), o);
            break;
        case ePvFmtMono16:
            for (size_t i = 0; i < count; ++i) o[i] = reduced(i);
            break;
        case ePvFmtBayer8:
            Demosaic(raw, width, height, o);
            break;
        case ePvFmtBayer16: {
            std::vector<uint8_t> bayer(count);
            for (size_t i = 0; i < count; ++i) bayer[i] = reduced(i);
            Demosaic(bayer, width, height, o);
            break;
        }
        case ePvFmtRgb24:
            for (size_t i = 0; i < count; ++i) {
                o[3 * i] = raw[3 * i + 2], o[3 * i + 1] = raw[3 * i + 1], o[3 * i + 2] = raw[3 * i];
            }
            break;
        case ePvFmtRgb48:
            for (size_t i = 0; i < count; ++i) {
                o[3 * i] = reduced(3 * i + 2);
                o[3 * i + 1] = reduced(3 * i + 1);
                o[3 * i + 2] = reduced(3 * i);
            }
            break;
        case ePvFmtRgba32:
            for (size_t i = 0; i < count; ++i) {
                o[3 * i] = raw[4 * i + 2], o[3 * i + 1] = raw[4 * i + 1], o[3 * i + 2] = raw[4 * i];
            }
            break;
        case ePvFmtBgra32:
            for (size_t i = 0; i < count; ++i) {
                o[3 * i] = raw[4 * i], o[3 * i + 1] = raw[4 * i + 1], o[3 * i + 2] = raw[4 * i + 2];
            }
            break;
        case ePvFmtYuv411: {
            static constexpr uint32_t kY[] = {1, 2, 4, 5};  // U Y0 Y1 V Y2 Y3
            out.pixelsWritten = 0;
            Yuv(raw, count, 4, 6, 0, 3, kY, out);
            break;
        }
        case ePvFmtYuv422: {
            static constexpr uint32_t kY[] = {1, 3};  // U Y0 V Y1
            out.pixelsWritten = 0;
            Yuv(raw, count, 2, 4, 0, 2, kY, out);
            break;
        }
        case ePvFmtYuv444: {
            static constexpr uint32_t kY[] = {1};  // U Y V
            out.pixelsWritten = 0;
            Yuv(raw, count, 1, 3, 0, 2, kY, out);
            break;
        }
        default:
            ADD_FAILURE() << "no ramp for format " << format;
    }
    return out;
}

}  // namespace tarnix::test
