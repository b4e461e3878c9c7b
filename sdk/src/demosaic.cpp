#include "demosaic.h"

#include "call_stats.h"
#include "pvapi.h"

namespace sim {

namespace {

// Neighbour indexes mirrored at the border: -1 -> 1, n -> n - 2.
inline uint32_t Before(uint32_t i) {
    return i == 0 ? 1 : i - 1;
}
inline uint32_t After(uint32_t i, uint32_t n) {
    return i + 1 == n ? n - 2 : i + 1;
}

inline uint8_t Avg2(uint32_t a, uint32_t b) {
    return uint8_t((a + b + 1) >> 1);
}
inline uint8_t Avg4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return uint8_t((a + b + c + d + 2) >> 2);
}

}  // namespace

void Demosaic(const uint8_t* source, uint32_t width, uint32_t height, uint32_t bayerPattern,
              const DemosaicTarget& target) {
    // Where red sits in the 2x2 tile: RGGB (0, 0), GBRG (0, 1), GRBG (1, 0), BGGR (1, 1).
    const uint32_t redX = (bayerPattern == ePvBayerGRBG || bayerPattern == ePvBayerBGGR) ? 1 : 0;
    const uint32_t redY = (bayerPattern == ePvBayerGBRG || bayerPattern == ePvBayerBGGR) ? 1 : 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* up = source + size_t(Before(y)) * width;
        const uint8_t* row = source + size_t(y) * width;
        const uint8_t* down = source + size_t(After(y, height)) * width;
        const bool redRow = ((y ^ redY) & 1) == 0;
        const size_t lineStart = size_t(y) * target.lineStep;
        // One output pixel from its left and right neighbour columns l and r.
        auto pixel = [&](uint32_t x, uint32_t l, uint32_t r, bool redColumn) {
            uint8_t red;
            uint8_t green;
            uint8_t blue;
            if (redRow == redColumn) {
                // A red or blue site: green from the four beside it, the other from the
                // four diagonal ones.
                const uint8_t own = row[x];
                green = Avg4(row[l], row[r], up[x], down[x]);
                const uint8_t other = Avg4(up[l], up[r], down[l], down[r]);
                red = redRow ? own : other;
                blue = redRow ? other : own;
            } else {
                // A green site: the row's colour from left and right, the other from above
                // and below.
                green = row[x];
                const uint8_t across = Avg2(row[l], row[r]);
                const uint8_t vertical = Avg2(up[x], down[x]);
                red = redRow ? across : vertical;
                blue = redRow ? vertical : across;
            }
            const size_t out = lineStart + size_t(x) * target.pixelStep;
            target.red[out] = red;
            target.green[out] = green;
            target.blue[out] = blue;
        };
        const bool evenRed = (redX & 1) == 0;  // red columns are the even ones
        pixel(0, Before(0), After(0, width), evenRed);
        // Inside the border in pairs, so each call's site kind is fixed for the loop.
        uint32_t x = 1;
        for (; x + 2 < width; x += 2) {
            pixel(x, x - 1, x + 1, !evenRed);
            pixel(x + 1, x, x + 2, evenRed);
        }
        for (; x < width; ++x) {
            pixel(x, Before(x), After(x, width), ((x & 1) == 0) == evenRed);
        }
    }
}

}  // namespace sim

extern "C" PVAPI_EXPORT tPvErr PVDECL PvUtilityColorInterpolate(const tPvFrame* frame,
                                                                void* bufferRed, void* bufferGreen,
                                                                void* bufferBlue,
                                                                uint32_t pixelPadding,
                                                                uint32_t linePadding) {
    sim::CountCall(sim::SdkFunction::PvUtilityColorInterpolate);
    if (frame == nullptr || frame->ImageBuffer == nullptr || bufferRed == nullptr ||
        bufferGreen == nullptr || bufferBlue == nullptr) {
        return ePvErrBadParameter;
    }
    const uint64_t pixels = uint64_t(frame->Width) * frame->Height;
    if (frame->Format != ePvFmtBayer8 || frame->BayerPattern > ePvBayerBGGR || frame->Width < 2 ||
        frame->Height < 2 || pixels > frame->ImageBufferSize) {
        return ePvErrBadParameter;
    }
    const uint32_t step = 1 + pixelPadding;
    const sim::DemosaicTarget target{
        static_cast<uint8_t*>(bufferRed), static_cast<uint8_t*>(bufferGreen),
        static_cast<uint8_t*>(bufferBlue), step, frame->Width * step + linePadding};
    sim::Demosaic(static_cast<const uint8_t*>(frame->ImageBuffer), frame->Width, frame->Height,
                  frame->BayerPattern, target);
    return ePvErrSuccess;
}
