// PvUtilityColorInterpolate: the demosaic the simulated SDK uses too (PvAPI_demosaic), with
// the same checks of the frame.
#include <demosaic/Demosaic.h>
#include <pvapi.h>

extern "C" PVAPI_EXPORT tPvErr PVDECL PvUtilityColorInterpolate(const tPvFrame* frame,
                                                                void* bufferRed, void* bufferGreen,
                                                                void* bufferBlue,
                                                                uint32_t pixelPadding,
                                                                uint32_t linePadding) {
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
    const tarnix::sim::DemosaicTarget target{
        static_cast<uint8_t*>(bufferRed), static_cast<uint8_t*>(bufferGreen),
        static_cast<uint8_t*>(bufferBlue), step, frame->Width * step + linePadding};
    tarnix::sim::Demosaic(static_cast<const uint8_t*>(frame->ImageBuffer), frame->Width,
                          frame->Height, frame->BayerPattern, target);
    return ePvErrSuccess;
}
