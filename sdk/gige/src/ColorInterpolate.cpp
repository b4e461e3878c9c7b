// PvUtilityColorInterpolate: the demosaic the simulated SDK uses too (PvAPI_demosaic), with
// the same checks of the frame.
#include <demosaic/Demosaic.h>
#include <pvapi.h>

extern "C" PVAPI_EXPORT tPvErr PVDECL PvUtilityColorInterpolate(const tPvFrame* frame,
                                                                void* bufferRed, void* bufferGreen,
                                                                void* bufferBlue,
                                                                uint32_t pixelPadding,
                                                                uint32_t linePadding) {
    return tarnix::sim::InterpolateFrame(frame, bufferRed, bufferGreen, bufferBlue, pixelPadding,
                                         linePadding);
}
