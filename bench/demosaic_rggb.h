// A local stand-in for the SDK's demosaic, so the Bayer path can be timed without the SDK:
// bilinear on an RGGB frame, neighbours mirrored at the borders, averages rounded half up,
// the same rule as the simulated SDK's. The interior runs without border tests.
#pragma once

#include "pvapi.h"

namespace bench {

tPvErr PVDECL DemosaicRggb(const tPvFrame* frame, void* red, void* green, void* blue,
                           uint32_t pixelPadding, uint32_t linePadding);

}  // namespace bench
