// The fast demosaic: the border rows and columns by the reference rule (they need the
// mirrored neighbours), the inner rows two at a time (one row of Bayer tiles, so both site
// kinds of a column are known) without branches per pixel. The interleaved 3-byte layout
// the driver uses has SIMD kernels; any other layout runs the scalar loop below.
#include <cpu/Features.h>

#include <cstddef>
#include <cstdint>

#include "DemosaicKernels.h"
#include "demosaic/Demosaic.h"

namespace tarnix::sim {
namespace demosaic {
namespace {

inline uint8_t Half(uint32_t sumOf2) {
    return uint8_t((sumOf2 + 1) >> 1);
}
inline uint8_t Quarter(uint32_t sumOf4) {
    return uint8_t((sumOf4 + 2) >> 2);
}

// One output row by the role of each colour in it: the row's own red or blue, green, and
// the colour of the rows above and below.
struct RoleOut {
    uint8_t* own;
    uint8_t* green;
    uint8_t* other;
};

// Columns x and x + 1 of one row from its samples s and the sums v of the samples above and
// below, at columns x - 1 (m), x (c), x + 1 (p) and x + 2 (q).
template <bool GreenFirst>
inline void TwoColumns(uint32_t sm, uint32_t sc, uint32_t sp, uint32_t sq, uint32_t vm, uint32_t vc,
                       uint32_t vp, uint32_t vq, const RoleOut& o, size_t at, size_t step) {
    if constexpr (GreenFirst) {
        o.own[at] = Half(sm + sp);
        o.green[at] = uint8_t(sc);
        o.other[at] = Half(vc);
        o.own[at + step] = uint8_t(sp);
        o.green[at + step] = Quarter(sc + sq + vp);
        o.other[at + step] = Quarter(vc + vq);
    } else {
        o.own[at] = uint8_t(sc);
        o.green[at] = Quarter(sm + sp + vc);
        o.other[at] = Quarter(vm + vp);
        o.own[at + step] = Half(sc + sq);
        o.green[at + step] = uint8_t(sp);
        o.other[at + step] = Half(vp);
    }
}

// Column x alone, the same way.
template <bool Green>
inline void OneColumn(uint32_t sm, uint32_t sc, uint32_t sp, uint32_t vm, uint32_t vc, uint32_t vp,
                      const RoleOut& o, size_t at) {
    if constexpr (Green) {
        o.own[at] = Half(sm + sp);
        o.green[at] = uint8_t(sc);
        o.other[at] = Half(vc);
    } else {
        o.own[at] = uint8_t(sc);
        o.green[at] = Quarter(sm + sp + vc);
        o.other[at] = Quarter(vm + vp);
    }
}

// Inner columns 1 .. width - 2 of one row, from the rows above and below it, two columns
// (one green and one red or blue site) per step. The output pointers are copies, so the byte
// stores cannot make the compiler reload them.
template <bool GreenFirst>  // whether column 1 is a green site
void ScalarRow(const uint8_t* up, const uint8_t* row, const uint8_t* down, size_t width, RoleOut o,
               size_t step) {
    const size_t last = width - 1;  // the right border column
    size_t x = 1;
    o.own += step, o.green += step, o.other += step;
    for (; x + 2 <= last; x += 2) {
        const uint32_t sm = row[x - 1], sc = row[x], sp = row[x + 1], sq = row[x + 2];
        const uint32_t vm = up[x - 1] + down[x - 1], vc = up[x] + down[x];
        const uint32_t vp = up[x + 1] + down[x + 1], vq = up[x + 2] + down[x + 2];
        TwoColumns<GreenFirst>(sm, sc, sp, sq, vm, vc, vp, vq, o, 0, step);
        o.own += 2 * step, o.green += 2 * step, o.other += 2 * step;
    }
    if (x < last) {
        OneColumn<GreenFirst>(row[x - 1], row[x], row[x + 1], up[x - 1] + down[x - 1],
                              up[x] + down[x], up[x + 1] + down[x + 1], o, 0);
    }
}

// Both rows of a pair: the second row's sites sit on the other column parity, so each row's
// loop has its site order fixed.
void ScalarPair(const RowPair& pair, const DemosaicTarget& t, uint32_t y) {
    const size_t first = size_t(y) * t.lineStep;
    const size_t second = first + t.lineStep;
    uint8_t* ownFirst = pair.redFirst ? t.red : t.blue;
    uint8_t* ownSecond = pair.redFirst ? t.blue : t.red;
    const RoleOut a{ownFirst + first, t.green + first, ownSecond + first};
    const RoleOut b{ownSecond + second, t.green + second, ownFirst + second};
    const size_t w = pair.width;
    const uint8_t* r1 = pair.row;
    if (pair.sitesFirst == 0) {
        ScalarRow<true>(r1 - w, r1, r1 + w, w, a, t.pixelStep);
        ScalarRow<false>(r1, r1 + w, r1 + 2 * w, w, b, t.pixelStep);
    } else {
        ScalarRow<false>(r1 - w, r1, r1 + w, w, a, t.pixelStep);
        ScalarRow<true>(r1, r1 + w, r1 + 2 * w, w, b, t.pixelStep);
    }
}

// The 3-byte layout: pixel step 3, the colours at one pixel's three bytes. The kernels write
// row by row, so line padding makes no difference to them.
bool Interleaved(const DemosaicTarget& t, uint32_t width, uint8_t** base, Slots* slots) {
    if (t.pixelStep != 3 || t.lineStep < uint64_t{3} * width) {
        return false;
    }
    const uintptr_t r = reinterpret_cast<uintptr_t>(t.red);
    const uintptr_t g = reinterpret_cast<uintptr_t>(t.green);
    const uintptr_t b = reinterpret_cast<uintptr_t>(t.blue);
    const uintptr_t low = r < g ? (r < b ? r : b) : (g < b ? g : b);
    if (r - low > 2 || g - low > 2 || b - low > 2 || r == g || g == b || r == b) {
        return false;
    }
    *base = reinterpret_cast<uint8_t*>(low);
    *slots = {uint8_t(r - low), uint8_t(g - low), uint8_t(b - low)};
    return true;
}

using PairKernel = void (*)(const RowPair&, uint8_t*, uint8_t*, Slots);

// The widest kernel of the level whose block fits the inner columns; null for scalar.
PairKernel KernelFor(DemosaicLevel level, size_t innerColumns) {
#if SIM_DEMOSAIC_X86
    if (level >= DemosaicLevel::Avx512Vbmi && innerColumns >= kAvx512Block) {
        return Avx512Pair;
    }
    if (level >= DemosaicLevel::Avx2 && innerColumns >= kAvx2Block) {
        return Avx2Pair;
    }
    if (level >= DemosaicLevel::Ssse3 && innerColumns >= kSseBlock) {
        return Ssse3Pair;
    }
    if (level >= DemosaicLevel::Sse2 && innerColumns >= kSseBlock) {
        return Sse2Pair;
    }
#else
    (void)level;
    (void)innerColumns;
#endif
    return nullptr;
}

DemosaicLevel FindBest() {
    DemosaicLevel best = DemosaicLevel::Scalar;
    for (DemosaicLevel level : kDemosaicLevels) {
        if (DemosaicLevelRuns(level)) {
            best = level;
        }
    }
    return best;
}

}  // namespace
}  // namespace demosaic

const char* DemosaicLevelName(DemosaicLevel level) {
    switch (level) {
        case DemosaicLevel::Scalar:
            return "scalar";
        case DemosaicLevel::Sse2:
            return "sse2";
        case DemosaicLevel::Ssse3:
            return "ssse3";
        case DemosaicLevel::Avx2:
            return "avx2";
        case DemosaicLevel::Avx512Vbmi:
            return "avx512vbmi";
    }
    return "?";
}

bool DemosaicLevelRuns(DemosaicLevel level) {
#if SIM_DEMOSAIC_X86
    // The one detection shared with the driver's pixel conversion.
    switch (level) {
        case DemosaicLevel::Scalar:
            return true;
        case DemosaicLevel::Sse2:
            return cpu::Supports(cpu::Feature::Sse2);
        case DemosaicLevel::Ssse3:
            return cpu::Supports(cpu::Feature::Ssse3);
        case DemosaicLevel::Avx2:
            return cpu::Supports(cpu::Feature::Avx2);
        case DemosaicLevel::Avx512Vbmi:
            return cpu::Supports(cpu::Feature::Avx512Bw) && cpu::Supports(cpu::Feature::Avx512Vbmi);
    }
    return false;
#else
    return level == DemosaicLevel::Scalar;
#endif
}

DemosaicLevel BestDemosaicLevel() {
    static const DemosaicLevel best = demosaic::FindBest();
    return best;
}

void DemosaicAt(DemosaicLevel level, const uint8_t* source, uint32_t width, uint32_t height,
                uint32_t bayerPattern, const DemosaicTarget& target) {
    using namespace demosaic;
    const Tile tile = TileOf(bayerPattern);
    ReferenceRow(source, width, height, tile, target, 0);
    ReferenceRow(source, width, height, tile, target, height - 1);
    if (height <= 3) {
        // At most one inner row: no pair of them to run together.
        if (height == 3) {
            ReferenceRow(source, width, height, tile, target, 1);
        }
        return;
    }
    for (uint32_t y = 1; y + 1 < height; ++y) {
        ReferencePixel(source, width, height, tile, target, 0, y);
        ReferencePixel(source, width, height, tile, target, width - 1, y);
    }
    uint8_t* base = nullptr;
    Slots slots{};
    const PairKernel kernel =
        Interleaved(target, width, &base, &slots) ? KernelFor(level, width - 2) : nullptr;
    auto pair = [&](uint32_t y) {
        const bool redFirst = ((y ^ tile.redY) & 1) == 0;
        const RowPair rows{source + size_t(y) * width, width, redFirst,
                           (redFirst ? tile.redX : tile.redX ^ 1) & 1};
        if (kernel != nullptr) {
            uint8_t* out = base + size_t(y) * target.lineStep;
            kernel(rows, out, out + target.lineStep, slots);
        } else {
            ScalarPair(rows, target, y);
        }
    };
    // Inner rows 1 .. height - 2 in pairs; an odd count ends with a pair that overlaps the one
    // before it, which writes the shared row again with the same values.
    uint32_t y = 1;
    for (; y + 2 < height; y += 2) {
        pair(y);
    }
    if (y + 1 < height) {
        pair(y - 1);
    }
}

void Demosaic(const uint8_t* source, uint32_t width, uint32_t height, uint32_t bayerPattern,
              const DemosaicTarget& target) {
    DemosaicAt(BestDemosaicLevel(), source, width, height, bayerPattern, target);
}

}  // namespace tarnix::sim
