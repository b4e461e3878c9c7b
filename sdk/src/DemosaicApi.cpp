// The exported colour interpolation: the demosaic library checks the frame and interpolates.
#include <demosaic/Demosaic.h>
#include <pvapi.h>

#include "CallStats.h"

extern "C" PVAPI_EXPORT tPvErr PVDECL PvUtilityColorInterpolate(const tPvFrame* frame,
                                                                void* bufferRed, void* bufferGreen,
                                                                void* bufferBlue,
                                                                uint32_t pixelPadding,
                                                                uint32_t linePadding) {
    tarnix::sim::CountCall(tarnix::sim::SdkFunction::PvUtilityColorInterpolate);
    return tarnix::sim::InterpolateFrame(frame, bufferRed, bufferGreen, bufferBlue, pixelPadding,
                                         linePadding);
}
