#include "demosaic_rggb.h"

#include <cstddef>

namespace bench {
namespace {

struct Target {
    uint8_t *red, *green, *blue;
    size_t pixelStep;
};

inline uint8_t Avg2(uint32_t a, uint32_t b) {
    return static_cast<uint8_t>((a + b + 1) >> 1);
}
inline uint8_t Avg4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return static_cast<uint8_t>((a + b + c + d + 2) >> 2);
}

// One pixel at column x with neighbour columns l and r; in RGGB, red sits on even rows and
// even columns, blue on odd rows and odd columns.
template <bool EvenRow, bool EvenColumn>
inline void Pixel(const uint8_t* up, const uint8_t* row, const uint8_t* down, size_t l, size_t x,
                  size_t r, const Target& t, size_t out) {
    uint8_t red, green, blue;
    if constexpr (EvenRow == EvenColumn) {
        const uint8_t own = row[x];
        green = Avg4(row[l], row[r], up[x], down[x]);
        const uint8_t other = Avg4(up[l], up[r], down[l], down[r]);
        red = EvenRow ? own : other;
        blue = EvenRow ? other : own;
    } else {
        green = row[x];
        const uint8_t across = Avg2(row[l], row[r]);
        const uint8_t vertical = Avg2(up[x], down[x]);
        red = EvenRow ? across : vertical;
        blue = EvenRow ? vertical : across;
    }
    t.red[out] = red;
    t.green[out] = green;
    t.blue[out] = blue;
}

template <bool EvenRow>
void Row(const uint8_t* up, const uint8_t* row, const uint8_t* down, size_t width, const Target& t,
         size_t out) {
    const size_t step = t.pixelStep;
    Pixel<EvenRow, true>(up, row, down, 1, 0, 1, t, out);
    size_t x = 1;
    for (; x + 2 < width; x += 2) {
        Pixel<EvenRow, false>(up, row, down, x - 1, x, x + 1, t, out + x * step);
        Pixel<EvenRow, true>(up, row, down, x, x + 1, x + 2, t, out + (x + 1) * step);
    }
    for (; x < width; ++x) {
        const size_t r = x + 1 == width ? width - 2 : x + 1;
        if (x % 2) {
            Pixel<EvenRow, false>(up, row, down, x - 1, x, r, t, out + x * step);
        } else {
            Pixel<EvenRow, true>(up, row, down, x - 1, x, r, t, out + x * step);
        }
    }
}

}  // namespace

tPvErr PVDECL DemosaicRggb(const tPvFrame* frame, void* red, void* green, void* blue,
                           uint32_t pixelPadding, uint32_t linePadding) {
    const size_t width = frame->Width, height = frame->Height;
    if (width < 2 || height < 2 || width * height > frame->ImageBufferSize)
        return ePvErrBadParameter;
    const auto* src = static_cast<const uint8_t*>(frame->ImageBuffer);
    const Target t{static_cast<uint8_t*>(red), static_cast<uint8_t*>(green),
                   static_cast<uint8_t*>(blue), size_t{1} + pixelPadding};
    const size_t lineStep = width * t.pixelStep + linePadding;
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* up = src + (y == 0 ? 1 : y - 1) * width;
        const uint8_t* row = src + y * width;
        const uint8_t* down = src + (y + 1 == height ? height - 2 : y + 1) * width;
        if (y % 2) {
            Row<false>(up, row, down, width, t, y * lineStep);
        } else {
            Row<true>(up, row, down, width, t, y * lineStep);
        }
    }
    return ePvErrSuccess;
}

}  // namespace bench
