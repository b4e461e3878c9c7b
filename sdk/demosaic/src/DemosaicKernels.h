// Pieces shared by the reference and the fast demosaic: the reference rule for single rows
// and pixels (the fast path's borders), and the SIMD kernels for the interleaved layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "demosaic/Demosaic.h"

#if defined(__i386__) || defined(__x86_64__)
#define SIM_DEMOSAIC_X86 1
#else
#define SIM_DEMOSAIC_X86 0
#endif

namespace tarnix::sim::demosaic {

// Where red sits in the 2x2 tile: RGGB (0, 0), GBRG (0, 1), GRBG (1, 0), BGGR (1, 1).
struct Tile {
    uint32_t redX;
    uint32_t redY;
};
Tile TileOf(uint32_t bayerPattern);

// The reference rule for one whole row, or one pixel, with mirrored neighbours.
void ReferenceRow(const uint8_t* source, uint32_t width, uint32_t height, Tile tile,
                  const DemosaicTarget& target, uint32_t y);
void ReferencePixel(const uint8_t* source, uint32_t width, uint32_t height, Tile tile,
                    const DemosaicTarget& target, uint32_t x, uint32_t y);

// Rows y and y + 1 of a frame, both inside the border rows (1 <= y, y + 2 < height), so the
// rows above and below both exist. In one row the red or blue sites sit on one column parity
// and the green sites on the other; the next row has the other colour on the other parity.
struct RowPair {
    const uint8_t* row;   // source row y, column 0
    size_t width;         // also the source's row step
    bool redFirst;        // row y holds red sites (row y + 1 blue), else the reverse
    uint32_t sitesFirst;  // parity of the columns of row y's red or blue sites
};

// Byte offsets 0..2 of red, green and blue within each 3-byte output pixel.
struct Slots {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

#if SIM_DEMOSAIC_X86
// Interior columns 1 .. width - 2 of a row pair, written as 3-byte pixels to the output rows
// (column 0 of each). Need width - 2 >= the block: 16 columns, 32 for AVX2, 64 for AVX-512.
inline constexpr size_t kSseBlock = 16;
inline constexpr size_t kAvx2Block = 32;
inline constexpr size_t kAvx512Block = 64;
void Sse2Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots);
void Ssse3Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots);
void Avx2Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots);
void Avx512Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots);
#endif

}  // namespace tarnix::sim::demosaic
