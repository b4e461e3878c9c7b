// Bilinear demosaic of 8-bit Bayer images: the plain per-pixel rule, kept as the reference,
// and the fast version that every level must match byte for byte.
#pragma once

#include <pvapi.h>

#include <cstdint>

namespace tarnix::sim {

struct DemosaicTarget {
    uint8_t* red;
    uint8_t* green;
    uint8_t* blue;
    uint32_t pixelStep;  // 1 + pixel padding
    uint32_t lineStep;   // width * pixelStep + line padding
};

// Instruction-set levels of the fast demosaic. The SIMD levels change only the interleaved
// 3-byte layout (pixel padding 2, any line padding, the three colours at one pixel's three
// bytes in any order); every other layout runs the scalar interior at all levels.
// Avx512Vbmi is AVX-512 F and BW with the byte permutes across a whole register.
enum class DemosaicLevel : uint8_t { Scalar, Sse2, Ssse3, Avx2, Avx512Vbmi };

inline constexpr DemosaicLevel kDemosaicLevels[] = {DemosaicLevel::Scalar, DemosaicLevel::Sse2,
                                                    DemosaicLevel::Ssse3, DemosaicLevel::Avx2,
                                                    DemosaicLevel::Avx512Vbmi};

const char* DemosaicLevelName(DemosaicLevel level);

// Whether this processor (and build) runs the level.
bool DemosaicLevelRuns(DemosaicLevel level);

// The highest level that runs; chosen once per process.
DemosaicLevel BestDemosaicLevel();

// All functions below: source holds width * height samples, row by row; bayerPattern is an
// ePvBayer* order; width and height are at least 2. Nothing is allocated.

// One pixel at a time, straight from the rule.
void DemosaicReference(const uint8_t* source, uint32_t width, uint32_t height,
                       uint32_t bayerPattern, const DemosaicTarget& target);

// The fast demosaic at a level that runs on this processor.
void DemosaicAt(DemosaicLevel level, const uint8_t* source, uint32_t width, uint32_t height,
                uint32_t bayerPattern, const DemosaicTarget& target);

// The fast demosaic at the best level.
void Demosaic(const uint8_t* source, uint32_t width, uint32_t height, uint32_t bayerPattern,
              const DemosaicTarget& target);

// The SDK's colour interpolation of an 8-bit Bayer frame record into three colour planes with
// the given padding, as PvUtilityColorInterpolate offers it: ePvErrBadParameter for a null
// pointer, another format, an unknown tile order, a frame under 2 x 2 or an image larger than
// its buffer; else the fast demosaic at the best level.
tPvErr InterpolateFrame(const tPvFrame* frame, void* red, void* green, void* blue,
                        uint32_t pixelPadding, uint32_t linePadding);

}  // namespace tarnix::sim
