// The demosaic rule one pixel at a time, with its branches: what the fast version must equal,
// and what the fast version runs on the border rows and columns.
#include <pvapi.h>

#include "DemosaicKernels.h"

namespace tarnix::sim {
namespace demosaic {
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

// The three rows around row y, mirrored at the top and bottom.
struct Rows {
    const uint8_t* up;
    const uint8_t* row;
    const uint8_t* down;
    bool redRow;
    size_t lineStart;
};

Rows RowsAt(const uint8_t* source, uint32_t width, uint32_t height, Tile tile,
            const DemosaicTarget& target, uint32_t y) {
    return {source + size_t(Before(y)) * width, source + size_t(y) * width,
            source + size_t(After(y, height)) * width, ((y ^ tile.redY) & 1) == 0,
            size_t(y) * target.lineStep};
}

// One output pixel at column x from its left and right neighbour columns l and r.
inline void Pixel(const Rows& rows, const DemosaicTarget& target, uint32_t x, uint32_t l,
                  uint32_t r, bool redColumn) {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    if (rows.redRow == redColumn) {
        // A red or blue site: green from the four beside it, the other from the four
        // diagonal ones.
        const uint8_t own = rows.row[x];
        green = Avg4(rows.row[l], rows.row[r], rows.up[x], rows.down[x]);
        const uint8_t other = Avg4(rows.up[l], rows.up[r], rows.down[l], rows.down[r]);
        red = rows.redRow ? own : other;
        blue = rows.redRow ? other : own;
    } else {
        // A green site: the row's colour from left and right, the other from above and
        // below.
        green = rows.row[x];
        const uint8_t across = Avg2(rows.row[l], rows.row[r]);
        const uint8_t vertical = Avg2(rows.up[x], rows.down[x]);
        red = rows.redRow ? across : vertical;
        blue = rows.redRow ? vertical : across;
    }
    const size_t out = rows.lineStart + size_t(x) * target.pixelStep;
    target.red[out] = red;
    target.green[out] = green;
    target.blue[out] = blue;
}

}  // namespace

Tile TileOf(uint32_t bayerPattern) {
    return {(bayerPattern == ePvBayerGRBG || bayerPattern == ePvBayerBGGR) ? 1u : 0u,
            (bayerPattern == ePvBayerGBRG || bayerPattern == ePvBayerBGGR) ? 1u : 0u};
}

void ReferenceRow(const uint8_t* source, uint32_t width, uint32_t height, Tile tile,
                  const DemosaicTarget& target, uint32_t y) {
    const Rows rows = RowsAt(source, width, height, tile, target, y);
    const bool evenRed = (tile.redX & 1) == 0;  // red columns are the even ones
    Pixel(rows, target, 0, Before(0), After(0, width), evenRed);
    // Inside the border in pairs, so each call's site kind is fixed for the loop.
    uint32_t x = 1;
    for (; x + 2 < width; x += 2) {
        Pixel(rows, target, x, x - 1, x + 1, !evenRed);
        Pixel(rows, target, x + 1, x, x + 2, evenRed);
    }
    for (; x < width; ++x) {
        Pixel(rows, target, x, Before(x), After(x, width), ((x & 1) == 0) == evenRed);
    }
}

void ReferencePixel(const uint8_t* source, uint32_t width, uint32_t height, Tile tile,
                    const DemosaicTarget& target, uint32_t x, uint32_t y) {
    const Rows rows = RowsAt(source, width, height, tile, target, y);
    Pixel(rows, target, x, Before(x), After(x, width), ((x ^ tile.redX) & 1) == 0);
}

}  // namespace demosaic

void DemosaicReference(const uint8_t* source, uint32_t width, uint32_t height,
                       uint32_t bayerPattern, const DemosaicTarget& target) {
    const demosaic::Tile tile = demosaic::TileOf(bayerPattern);
    for (uint32_t y = 0; y < height; ++y) {
        demosaic::ReferenceRow(source, width, height, tile, target, y);
    }
}

}  // namespace tarnix::sim
