#include "demosaic/Demosaic.h"

namespace tarnix::sim {

tPvErr InterpolateFrame(const tPvFrame* frame, void* red, void* green, void* blue,
                        uint32_t pixelPadding, uint32_t linePadding) {
    if (frame == nullptr || frame->ImageBuffer == nullptr || red == nullptr || green == nullptr ||
        blue == nullptr) {
        return ePvErrBadParameter;
    }
    const uint64_t pixels = uint64_t(frame->Width) * frame->Height;
    if (frame->Format != ePvFmtBayer8 || frame->BayerPattern > ePvBayerBGGR || frame->Width < 2 ||
        frame->Height < 2 || pixels > frame->ImageBufferSize) {
        return ePvErrBadParameter;
    }
    const uint32_t step = 1 + pixelPadding;
    const DemosaicTarget target{static_cast<uint8_t*>(red), static_cast<uint8_t*>(green),
                                static_cast<uint8_t*>(blue), step,
                                frame->Width * step + linePadding};
    Demosaic(static_cast<const uint8_t*>(frame->ImageBuffer), frame->Width, frame->Height,
             frame->BayerPattern, target);
    return ePvErrSuccess;
}

}  // namespace tarnix::sim
