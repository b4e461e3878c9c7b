// Conversion of one frame by its pixel format code, with every pixel count cut to what the
// raw buffer and the output image hold.
#include <algorithm>
#include <cstring>

#include "convert/Convert.h"
#include "convert/Kernels.h"

namespace tarnix::convert {
namespace {

// Counts are computed in 64 bits so that width x height cannot wrap; the result fits
// size_t because one operand is a buffer size.
size_t Least(uint64_t a, uint64_t b) {
    return static_cast<size_t>(std::min(a, b));
}
size_t Least(uint64_t a, uint64_t b, uint64_t c) {
    return Least(std::min(a, b), c);
}

// Runs the SDK's demosaic of the 8-bit Bayer frame in the raw buffer into the image as
// B, G, R; returns the bytes written, 0 when it wrote nothing. The demosaic writes the
// frame's width x height pixels, so a frame larger than either buffer is handed over as a
// copy of its record with the height cut to the rows both buffers hold.
size_t Demosaic(const tPvFrame& frame, size_t rawBytes, const ImageView& image,
                ColorInterpolateFn interpolate) {
    const uint64_t width = frame.Width;
    if (width == 0) return 0;
    const size_t rows = Least(frame.Height, rawBytes / width, image.size / (3 * width));
    if (rows == 0) return 0;
    tPvFrame cut;
    const tPvFrame* record = &frame;
    if (rows < frame.Height) {
        cut = frame;
        cut.Height = static_cast<uint32_t>(rows);
        record = &cut;
    }
    const tPvErr err = interpolate(record, image.data + 2, image.data + 1, image.data, 2, 0);
    return err == ePvErrSuccess ? static_cast<size_t>(3 * width * rows) : 0;
}

// Whole 16-bit samples to bytes, by the table when there is one, else by the frame's shift.
void Reduce16(const Kernels& k, const uint8_t* src, uint8_t* dst, size_t samples,
              const uint8_t* lut, unsigned shift) {
    if (lut) {
        k.lut16(src, dst, samples, lut);
    } else {
        k.shift16(src, dst, samples, shift);
    }
}

}  // namespace

uint32_t ReadableBytes(const tPvFrame& frame) {
    if (!frame.ImageBuffer) return 0;
    if (frame.ImageSize != 0 && frame.ImageSize < frame.ImageBufferSize) return frame.ImageSize;
    return frame.ImageBufferSize;
}

unsigned SampleShift(uint32_t bitDepth) {
    const unsigned depth = bitDepth & 0xFF;
    return depth <= 8 ? 0 : std::min(depth, 16u) - 8;
}

size_t Yuv411PixelsIn(size_t bytes) {
    const size_t rest = bytes % 6;
    return bytes / 6 * 4 + (rest >= 5 ? 3 : rest >= 4 ? 2 : 0);
}

size_t Yuv422PixelsIn(size_t bytes) {
    return bytes / 4 * 2 + (bytes % 4 >= 3 ? 1 : 0);
}

size_t Yuv444PixelsIn(size_t bytes) {
    return bytes / 3;
}

void YuvToBgr(uint8_t y, uint8_t u, uint8_t v, uint8_t* bgr) {
    reference::YuvToBgr(y, u, v, bgr);
}

void ApplyLut(const uint8_t* table, uint8_t* buffer, uint32_t length) {
    ActiveKernels().applyLut(table, buffer, length);
}

bool ConvertFrame(tPvFrame& frame, const ImageView& image, const uint8_t* lut,
                  ColorInterpolateFn interpolate) {
    auto* raw = static_cast<uint8_t*>(frame.ImageBuffer);
    if (!image.data || !raw) return false;
    const Kernels& k = ActiveKernels();
    const size_t rawBytes = ReadableBytes(frame);
    const size_t outPixels = image.size / 3;
    // Mono16, Bayer16 and the YUV layouts count the camera's pixels, the others the frame's.
    const uint64_t cameraPixels = uint64_t{image.width} * image.height;
    const uint64_t framePixels = uint64_t{frame.Width} * frame.Height;
    const unsigned shift = SampleShift(frame.BitDepth);
    size_t written = 0;  // bytes of the image this frame wrote, for the byte table pass
    switch (frame.Format) {
        case ePvFmtMono8:
        case ePvFmtBgr24:
            written = std::min<size_t>(image.size, rawBytes);
            std::memcpy(image.data, raw, written);
            break;
        case ePvFmtMono16:
            // The 16-bit table replaces the byte pass.
            Reduce16(k, raw, image.data, Least(cameraPixels, rawBytes / 2, image.size), lut, shift);
            return true;
        case ePvFmtBayer8:
            if (!interpolate) return false;
            written = Demosaic(frame, rawBytes, image, interpolate);
            if (written == 0) return false;
            break;
        case ePvFmtBayer16:
            // Reduced in place: the demosaic reads 8-bit samples from the raw buffer, and the
            // record says so from here on. The 16-bit table replaces the byte pass.
            if (!interpolate) return false;
            Reduce16(k, raw, raw, Least(cameraPixels, rawBytes / 2), lut, shift);
            frame.Format = ePvFmtBayer8;
            return Demosaic(frame, rawBytes, image, interpolate) != 0;
        case ePvFmtRgb24: {
            const size_t n = Least(framePixels, rawBytes / 3, outPixels);
            k.rgbToBgr(raw, image.data, n);
            written = 3 * n;
            break;
        }
        case ePvFmtRgb48: {
            const size_t n = Least(framePixels, rawBytes / 6, outPixels);
            k.rgb48ToBgr(raw, image.data, n, shift);
            written = 3 * n;
            break;
        }
        case ePvFmtYuv411: {
            const size_t n = Least(cameraPixels, Yuv411PixelsIn(rawBytes), outPixels);
            k.yuv411ToBgr(raw, image.data, n);
            written = 3 * n;
            break;
        }
        case ePvFmtYuv422: {
            const size_t n = Least(cameraPixels, Yuv422PixelsIn(rawBytes), outPixels);
            k.yuv422ToBgr(raw, image.data, n);
            written = 3 * n;
            break;
        }
        case ePvFmtYuv444: {
            const size_t n = Least(cameraPixels, Yuv444PixelsIn(rawBytes), outPixels);
            k.yuv444ToBgr(raw, image.data, n);
            written = 3 * n;
            break;
        }
        case ePvFmtRgba32:
        case ePvFmtBgra32: {
            const size_t n = Least(framePixels, rawBytes / 4, outPixels);
            (frame.Format == ePvFmtRgba32 ? k.rgbaToBgr : k.bgraToBgr)(raw, image.data, n);
            written = 3 * n;
            break;
        }
        default:
            return false;
    }
    if (lut) k.applyLut(lut, image.data, written);
    return true;
}

}  // namespace tarnix::convert
