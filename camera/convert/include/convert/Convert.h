// Conversion of one delivered camera frame into the driver's output image: 8-bit grey, or
// 24-bit colour in the byte order blue, green, red. Pure functions over the buffers they are
// given; the camera object calls ConvertFrame from its frame-completion handler.
#pragma once

#include <pvapi.h>

#include <cstddef>
#include <cstdint>

namespace tarnix::convert {

// Size of a camera's lookup table. 16-bit samples index its first 65536 entries, output
// bytes its first 256.
inline constexpr uint32_t kLutEntries = 131072;

// The SDK's demosaic of an 8-bit RGGB frame (PvUtilityColorInterpolate).
using ColorInterpolateFn = tPvErr(PVDECL*)(const tPvFrame* frame, void* red, void* green,
                                           void* blue, uint32_t pixelPadding, uint32_t linePadding);

// The output image and the geometry the camera was opened with.
struct ImageView {
    uint8_t* data;    // null: nothing is converted
    uint32_t size;    // bytes of data
    uint32_t width;   // the camera's image width in pixels
    uint32_t height;  // the camera's image height in pixels
};

// Converts the completed frame into image by the frame's pixel format code 0..11. lut is
// the camera's table (kLutEntries bytes) when the table is switched on, otherwise null.
// interpolate is needed for Bayer frames only. 16-bit Bayer frames are reduced to 8 bits in
// place in the raw buffer and the frame's format code becomes 2, as the demosaic expects.
//
// Whatever the frame's sizes say, nothing is read past the frame's readable bytes and
// nothing is written past image.size: every pixel count is cut to what both buffers hold.
// The 8-bit table pass covers the bytes this frame wrote, never stale bytes of an earlier one.
//
// Returns false when nothing was written: no image, no raw buffer, an unknown format code,
// or a Bayer frame without a demosaic.
bool ConvertFrame(tPvFrame& frame, const ImageView& image, const uint8_t* lut,
                  ColorInterpolateFn interpolate);

// Bytes of the raw frame buffer that may be read: its size, cut to the delivered size when
// the SDK reports a smaller one.
uint32_t ReadableBytes(const tPvFrame& frame);

// Right shift that reduces a 16-bit sample to 8 bits: bit depth - 8, from the low byte of
// the frame's bit depth. Depths below 8 already fit a byte and shift by 0; depths above 16
// cannot be carried by a 16-bit sample and are taken as 16.
unsigned SampleShift(uint32_t bitDepth);

// One studio-range YUV pixel to blue, green, red (fixed-point BT.601).
void YuvToBgr(uint8_t y, uint8_t u, uint8_t v, uint8_t* bgr);

// Replaces each of the length bytes b of buffer by table[b].
void ApplyLut(const uint8_t* table, uint8_t* buffer, uint32_t length);

// How many pixels of each packed YUV layout have all their source bytes among the first
// bytes of a buffer. A pixel needs its group's U and V and its own Y, so a cut-off last group
// still yields the pixels whose bytes arrived.
size_t Yuv411PixelsIn(size_t bytes);  // U Y0 Y1 V Y2 Y3 per 4 pixels
size_t Yuv422PixelsIn(size_t bytes);  // U Y0 V Y1 per 2 pixels
size_t Yuv444PixelsIn(size_t bytes);  // U Y V per pixel

}  // namespace tarnix::convert
