// Bilinear demosaic of 8-bit Bayer images.
#pragma once

#include <cstdint>

namespace sim {

struct DemosaicTarget {
    uint8_t* red;
    uint8_t* green;
    uint8_t* blue;
    uint32_t pixelStep;  // 1 + pixel padding
    uint32_t lineStep;   // width * pixelStep + line padding
};

// source holds width * height samples, row by row; bayerPattern is an ePvBayer* order.
// Needs width and height of at least 2.
void Demosaic(const uint8_t* source, uint32_t width, uint32_t height, uint32_t bayerPattern,
              const DemosaicTarget& target);

}  // namespace sim
