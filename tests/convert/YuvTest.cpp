// YUV: known colours of the reference, the byte layouts it reads, and every SIMD kernel
// equal to it on all 2^24 (y, u, v) inputs in each of the three layouts.
#include <convert/Convert.h>
#include <convert/Kernels.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using tarnix::convert::Isa;
using tarnix::convert::Kernels;
using Bytes = std::vector<uint8_t>;
using Bgr = std::array<uint8_t, 3>;

Bgr Convert(uint8_t y, uint8_t u, uint8_t v) {
    Bgr bgr{};
    tarnix::convert::YuvToBgr(y, u, v, bgr.data());
    return bgr;
}

TEST(YuvToBgr, GivesStudioRangeColoursWithClamping) {
    EXPECT_EQ(Convert(16, 128, 128), (Bgr{0, 0, 0}));
    EXPECT_EQ(Convert(235, 128, 128), (Bgr{255, 255, 255}));
    EXPECT_EQ(Convert(128, 128, 128), (Bgr{130, 130, 130}));
    EXPECT_EQ(Convert(81, 90, 240), (Bgr{0, 0, 255}));
    EXPECT_EQ(Convert(41, 240, 110), (Bgr{255, 0, 0}));
    EXPECT_EQ(Convert(0, 0, 0), (Bgr{0, 135, 0}));
}

// Each pixel takes its group's U and V and its own Y, at the documented offsets.
TEST(YuvReference, ReadsEachLayoutsBytes) {
    const Kernels& ref = *tarnix::convert::KernelsFor(Isa::Reference);
    const Bgr a = Convert(81, 90, 240), b = Convert(41, 90, 240), c = Convert(200, 90, 240),
              d = Convert(128, 90, 240);
    auto pixel = [](const Bytes& out, size_t p) {
        return Bgr{out[3 * p], out[3 * p + 1], out[3 * p + 2]};
    };

    const Bytes uyv = {90, 81, 240};
    Bytes out(3);
    ref.yuv444ToBgr(uyv.data(), out.data(), 1);
    EXPECT_EQ(pixel(out, 0), a);

    const Bytes uyvy = {90, 81, 240, 41};
    out.assign(6, 0);
    ref.yuv422ToBgr(uyvy.data(), out.data(), 2);
    EXPECT_EQ(pixel(out, 0), a);
    EXPECT_EQ(pixel(out, 1), b);

    const Bytes uyyvyy = {90, 81, 41, 240, 200, 128};
    out.assign(12, 0);
    ref.yuv411ToBgr(uyyvyy.data(), out.data(), 4);
    EXPECT_EQ(pixel(out, 0), a);
    EXPECT_EQ(pixel(out, 1), b);
    EXPECT_EQ(pixel(out, 2), c);
    EXPECT_EQ(pixel(out, 3), d);
}

using YuvKernel = void (*)(const uint8_t*, uint8_t*, size_t);
using Layout = YuvKernel Kernels::*;

// The SIMD levels this processor runs that bring their own kernel for the layout (a level that
// reuses a lower level's kernel is not run again).
std::vector<const Kernels*> SimdLevels(Layout layout) {
    std::vector<const Kernels*> levels;
    std::vector<YuvKernel> seen = {tarnix::convert::KernelsFor(Isa::Reference)->*layout};
    for (Isa isa : tarnix::convert::kAllIsas) {
        const Kernels* k = tarnix::convert::KernelsFor(isa);
        if (!k || std::find(seen.begin(), seen.end(), k->*layout) != seen.end()) continue;
        seen.push_back(k->*layout);
        levels.push_back(k);
    }
    return levels;
}

// For each u, one image of all 65536 (y, v) pairs in the layout, converted by the reference
// once and by each SIMD level; reports the first differing pixel.
void ExpectAllInputsMatch(Layout run, Bytes (*build)(uint8_t u)) {
    const std::vector<const Kernels*> levels = SimdLevels(run);
    if (levels.empty()) GTEST_SKIP() << "no SIMD level on this processor";
    const Kernels& ref = *tarnix::convert::KernelsFor(Isa::Reference);
    constexpr size_t kPixels = 65536;
    Bytes want(3 * kPixels), got(3 * kPixels);
    for (int u = 0; u < 256; ++u) {
        const Bytes src = build(static_cast<uint8_t>(u));
        (ref.*run)(src.data(), want.data(), kPixels);
        for (const Kernels* k : levels) {
            (k->*run)(src.data(), got.data(), kPixels);
            if (got != want) {
                size_t i = 0;
                while (got[i] == want[i]) ++i;
                ADD_FAILURE() << tarnix::convert::IsaName(k->isa) << ": u " << u << ", pixel "
                              << i / 3 << " (v " << i / 3 / 256 << ")";
                return;
            }
        }
    }
}

TEST(YuvKernels, Yuv444MatchesReferenceOnAllInputs) {
    ExpectAllInputsMatch(&Kernels::yuv444ToBgr, [](uint8_t u) {
        Bytes src;
        for (int v = 0; v < 256; ++v) {
            for (int y = 0; y < 256; ++y) src.insert(src.end(), {u, uint8_t(y), uint8_t(v)});
        }
        return src;
    });
}

TEST(YuvKernels, Yuv422MatchesReferenceOnAllInputs) {
    ExpectAllInputsMatch(&Kernels::yuv422ToBgr, [](uint8_t u) {
        Bytes src;
        for (int v = 0; v < 256; ++v) {
            for (int y = 0; y < 256; y += 2) {
                src.insert(src.end(), {u, uint8_t(y), uint8_t(v), uint8_t(y + 1)});
            }
        }
        return src;
    });
}

TEST(YuvKernels, Yuv411MatchesReferenceOnAllInputs) {
    ExpectAllInputsMatch(&Kernels::yuv411ToBgr, [](uint8_t u) {
        Bytes src;
        for (int v = 0; v < 256; ++v) {
            for (int y = 0; y < 256; y += 4) {
                src.insert(src.end(), {u, uint8_t(y), uint8_t(y + 1), uint8_t(v), uint8_t(y + 2),
                                       uint8_t(y + 3)});
            }
        }
        return src;
    });
}

}  // namespace
