// SSSE3 kernels, 16 pixels per step; a pass shorter than one step goes through the reference
// kernels. The byte-layout and shift kernels run through Run (see the AVX2 kernels): aligned
// stores, streaming ones for passes larger than the cache, and overlapping first and last
// steps.
#include "Simd.h"

#if CONVERT_X86
#include <immintrin.h>

#include "YuvMath.h"
#include "convert/Kernels.h"

namespace tarnix::convert::simd {
namespace {

CONVERT_SSSE3 inline __m128i Load(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

template <Put P = Put::kUnaligned>
CONVERT_SSSE3 inline void Store(void* p, __m128i v) {
    auto* at = static_cast<__m128i*>(p);
    if constexpr (P == Put::kStream) {
        _mm_stream_si128(at, v);
    } else if constexpr (P == Put::kAligned) {
        _mm_store_si128(at, v);
    } else {
        _mm_storeu_si128(at, v);
    }
}

// The AVX2 kernels' Run at 16-byte alignment.
template <class Step>
CONVERT_SSSE3 inline void Run(const Step& step, size_t pixels) {
    constexpr size_t kBlock = Step::kBlock;
    if (pixels < kBlock) {
        step.Reference(0, pixels);
        return;
    }
    size_t i = FirstAligned(step.dst, Step::kOut, 16);  // below 16 <= kBlock
    if (i != 0) {
        if constexpr (Step::kInPlace) {
            step.Reference(0, i);
        } else {
            step.template At<Put::kUnaligned>(0);
        }
    }
    const size_t last = pixels - kBlock;
    if (Streams(pixels * (Step::kIn + Step::kOut))) {
        for (; i <= last; i += kBlock) step.template At<Put::kStream>(i);
        _mm_sfence();
    } else {
        for (; i <= last; i += kBlock) step.template At<Put::kAligned>(i);
    }
    if (i == pixels) return;
    if (!Step::kInPlace || Step::kIn * last >= Step::kOut * i) {
        step.template At<Put::kUnaligned>(last);
    } else {
        step.Reference(i, pixels - i);
    }
}

template <int NIn, int NOut>
CONVERT_SSSE3 inline void Gather(const ShufflePlan<NIn, NOut>& plan, const __m128i* in,
                                 __m128i* out) {
    for (int k = 0; k < NOut; ++k) {
        __m128i acc = _mm_setzero_si128();
        for (int m = 0; m < NIn; ++m) {
            if (plan.used[k][m])
                acc = _mm_or_si128(acc, _mm_shuffle_epi8(in[m], Load(plan.mask[k][m])));
        }
        out[k] = acc;
    }
}

// Sample bytes of two vectors of 16-bit samples, shifted; 16 samples in, 16 bytes out.
CONVERT_SSSE3 inline __m128i ShiftPack(const uint8_t* src, __m128i count) {
    const __m128i low = _mm_set1_epi16(0xFF);
    const __m128i a = _mm_and_si128(_mm_srl_epi16(Load(src), count), low);
    const __m128i b = _mm_and_si128(_mm_srl_epi16(Load(src + 16), count), low);
    return _mm_packus_epi16(a, b);
}

// Lanes of (Y, chroma) bytes times coefficient bytes (lo for Y, hi for chroma), summed.
CONVERT_SSSE3 inline __m128i MulAdd(__m128i x, int8_t lo, int8_t hi) {
    return _mm_maddubs_epi16(x, _mm_set1_epi16(yuv::Pair(lo, hi)));
}

// The YUV formula on eight pixels, from lanes (Y, U) and (Y, V); see YuvMath.h.
CONVERT_SSSE3 inline void YuvLanes(__m128i yu, __m128i yv, __m128i* b, __m128i* g, __m128i* r) {
    using namespace yuv;
    const __m128i rIn = _mm_add_epi16(MulAdd(yv, kRInY, kRInV), _mm_set1_epi16(kRIn));
    const __m128i gIn = _mm_add_epi16(_mm_add_epi16(MulAdd(yu, kGInY, kGInU), MulAdd(yv, 0, kGInV)),
                                      _mm_set1_epi16(kGIn));
    const __m128i bIn = _mm_add_epi16(MulAdd(yu, kBInY, kBInU), _mm_set1_epi16(kBIn));
    *r = _mm_add_epi16(_mm_add_epi16(MulAdd(yv, 1, kROutV), _mm_srai_epi16(rIn, 8)),
                       _mm_set1_epi16(kROut));
    *g = _mm_add_epi16(_mm_add_epi16(MulAdd(yv, 1, kGOutV), _mm_srai_epi16(gIn, 8)),
                       _mm_set1_epi16(kGOut));
    *b = _mm_add_epi16(_mm_add_epi16(MulAdd(yu, 1, kBOutU), _mm_srai_epi16(bIn, 8)),
                       _mm_set1_epi16(kBOut));
}

// Lanes of pixels 0-7 (index 0) and 8-15 (index 1) to 48 bytes B, G, R.
CONVERT_SSSE3 inline void StoreBgr(uint8_t* dst, const __m128i* yu, const __m128i* yv) {
    __m128i b[2], g[2], r[2];
    YuvLanes(yu[0], yv[0], &b[0], &g[0], &r[0]);
    YuvLanes(yu[1], yv[1], &b[1], &g[1], &r[1]);
    // Saturating packs clamp each value to 0..255.
    const __m128i planes[3] = {_mm_packus_epi16(b[0], b[1]), _mm_packus_epi16(g[0], g[1]),
                               _mm_packus_epi16(r[0], r[1])};
    __m128i out[3];
    Gather(kInterleave3, planes, out);
    Store(dst, out[0]);
    Store(dst + 16, out[1]);
    Store(dst + 32, out[2]);
}

// 16 pixels of NIn source bytes to 48 bytes through a plan.
template <int NIn, const ShufflePlan<NIn, 3>& kPlan,
          void (*kReference)(const uint8_t*, uint8_t*, size_t)>
struct Repack {
    static constexpr size_t kBlock = 16, kIn = NIn, kOut = 3;
    static constexpr bool kInPlace = false;
    const uint8_t* src;
    uint8_t* dst;

    template <Put P>
    CONVERT_SSSE3 void At(size_t i) const {
        __m128i in[NIn], out[3];
        for (int m = 0; m < NIn; ++m) in[m] = Load(src + NIn * i + 16 * m);
        Gather(kPlan, in, out);
        for (int k = 0; k < 3; ++k) Store<P>(dst + 3 * i + 16 * k, out[k]);
    }
    void Reference(size_t from, size_t count) const {
        kReference(src + NIn * from, dst + 3 * from, count);
    }
};

// 16 pixels of 16-bit R, G, B to 48 bytes B, G, R.
struct Rgb48Step {
    static constexpr size_t kBlock = 16, kIn = 6, kOut = 3;
    static constexpr bool kInPlace = false;
    const uint8_t* src;
    uint8_t* dst;
    unsigned shift;

    template <Put P>
    CONVERT_SSSE3 void At(size_t i) const {
        const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
        const uint8_t* s = src + 6 * i;
        const __m128i rgb[3] = {ShiftPack(s, count), ShiftPack(s + 32, count),
                                ShiftPack(s + 64, count)};
        __m128i out[3];
        Gather(kSwap3, rgb, out);
        for (int k = 0; k < 3; ++k) Store<P>(dst + 3 * i + 16 * k, out[k]);
    }
    void Reference(size_t from, size_t count) const {
        reference::Rgb48ToBgr(src + 6 * from, dst + 3 * from, count, shift);
    }
};

}  // namespace

// A 256-entry table as 16 shuffles of 16 entries. Each lookup subtracts 16 per step with
// signed saturation, so a step contributes only while the index is at or above its row; the
// rows are stored as differences of neighbours, so the XOR of the contributions telescopes
// to the index's own row. Indexes 128..255 take a second chain on the upper half.
CONVERT_SSSE3 void Ssse3ApplyLut(const uint8_t* table, uint8_t* buffer, size_t count) {
    __m128i lower[8], upper[8];
    for (int h = 0; h < 8; ++h) {
        lower[h] = Load(table + 16 * h);
        upper[h] = Load(table + 128 + 16 * h);
    }
    for (int h = 7; h > 0; --h) {
        lower[h] = _mm_xor_si128(lower[h], lower[h - 1]);
        upper[h] = _mm_xor_si128(upper[h], upper[h - 1]);
    }
    const __m128i top = _mm_set1_epi8(-128);
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i x = Load(buffer + i);
        const __m128i xu = _mm_xor_si128(x, top);
        __m128i lo = _mm_shuffle_epi8(lower[0], x);
        __m128i hi = _mm_shuffle_epi8(upper[0], xu);
        for (int h = 1; h < 8; ++h) {
            const __m128i step = _mm_set1_epi8(static_cast<char>(16 * h));
            lo = _mm_xor_si128(lo, _mm_shuffle_epi8(lower[h], _mm_subs_epi8(x, step)));
            hi = _mm_xor_si128(hi, _mm_shuffle_epi8(upper[h], _mm_subs_epi8(xu, step)));
        }
        Store(buffer + i, _mm_or_si128(lo, hi));
    }
    reference::ApplyLut(table, buffer + i, count - i);
}

CONVERT_SSSE3 void Ssse3RgbToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    Run(Repack<3, kSwap3, reference::RgbToBgr>{src, dst}, pixels);
}

CONVERT_SSSE3 void Ssse3RgbaToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    Run(Repack<4, kRgbaToBgr, reference::RgbaToBgr>{src, dst}, pixels);
}

CONVERT_SSSE3 void Ssse3BgraToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    Run(Repack<4, kBgraToBgr, reference::BgraToBgr>{src, dst}, pixels);
}

CONVERT_SSSE3 void Ssse3Rgb48ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels,
                                   unsigned shift) {
    Run(Rgb48Step{src, dst, shift}, pixels);
}

CONVERT_SSSE3 void Ssse3Yuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    size_t p = 0;
    for (; p + 16 <= pixels; p += 16) {
        const uint8_t* s = src + p / 2 * 3;
        // Pixels 0-7 are bytes 0-11, pixels 8-15 bytes 12-23: a window at 8 keeps both
        // loads inside the block.
        const __m128i windows[2] = {Load(s), Load(s + 8)};
        __m128i a[2], b[2];
        Gather(kYuv411At0, &windows[0], a);
        Gather(kYuv411At4, &windows[1], b);
        const __m128i yu[2] = {a[0], b[0]}, yv[2] = {a[1], b[1]};
        StoreBgr(dst + 3 * p, yu, yv);
    }
    reference::Yuv411ToBgr(src + p / 2 * 3, dst + 3 * p, pixels - p);
}

CONVERT_SSSE3 void Ssse3Yuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    size_t p = 0;
    for (; p + 16 <= pixels; p += 16) {
        const __m128i x[2] = {Load(src + 2 * p), Load(src + 2 * p + 16)};
        __m128i a[2], b[2];
        Gather(kUyvyToYuYv, &x[0], a);
        Gather(kUyvyToYuYv, &x[1], b);
        const __m128i yu[2] = {a[0], b[0]}, yv[2] = {a[1], b[1]};
        StoreBgr(dst + 3 * p, yu, yv);
    }
    reference::Yuv422ToBgr(src + 2 * p, dst + 3 * p, pixels - p);
}

CONVERT_SSSE3 void Ssse3Yuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    size_t p = 0;
    for (; p + 16 <= pixels; p += 16) {
        const uint8_t* s = src + 3 * p;
        const __m128i in[3] = {Load(s), Load(s + 16), Load(s + 32)};
        __m128i lanes[4];
        Gather(kUyvToYuYv, in, lanes);
        StoreBgr(dst + 3 * p, &lanes[0], &lanes[2]);
    }
    reference::Yuv444ToBgr(src + 3 * p, dst + 3 * p, pixels - p);
}

}  // namespace tarnix::convert::simd
#endif
