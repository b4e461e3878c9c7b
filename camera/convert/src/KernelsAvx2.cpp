// AVX2 kernels, 32 pixels per step; a pass shorter than one step goes through the reference
// kernels.
//
// Byte shuffles work within each 128-bit half, so a step treats its pixels as two blocks of
// 16, one per half, and reuses the 16-pixel shuffle plans of the SSSE3 kernels: loads put
// block 0's bytes in the low half and block 1's in the high half, and StoreWhole or
// StoreBlocks puts the two 48-byte outputs back in order.
//
// The byte-layout and shift kernels are bound by memory, not arithmetic, so their loop
// (Run) stores to aligned addresses, and around the cache when the pass is larger than the
// cache; see Run.
#include "Simd.h"

#if CONVERT_X86
#include <immintrin.h>

#include "YuvMath.h"
#include "convert/Kernels.h"

namespace tarnix::convert::simd {
namespace {

CONVERT_AVX2 inline __m128i Load128(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

// 16 bytes at lo into the low half, 16 bytes at hi into the high half.
CONVERT_AVX2 inline __m256i LoadHalves(const uint8_t* lo, const uint8_t* hi) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(lo)), Load128(hi), 1);
}

CONVERT_AVX2 inline __m256i Mask(const int8_t* m) {
    return _mm256_broadcastsi128_si256(Load128(m));
}

template <Put P = Put::kUnaligned>
CONVERT_AVX2 inline void Store(uint8_t* p, __m256i v) {
    auto* at = reinterpret_cast<__m256i*>(p);
    if constexpr (P == Put::kStream) {
        _mm256_stream_si256(at, v);
    } else if constexpr (P == Put::kAligned) {
        _mm256_store_si256(at, v);
    } else {
        _mm256_storeu_si256(at, v);
    }
}

template <Put P = Put::kUnaligned>
CONVERT_AVX2 inline void Store(uint8_t* p, __m128i v) {
    auto* at = reinterpret_cast<__m128i*>(p);
    if constexpr (P == Put::kStream) {
        _mm_stream_si128(at, v);
    } else if constexpr (P == Put::kAligned) {
        _mm_store_si128(at, v);
    } else {
        _mm_storeu_si128(at, v);
    }
}

// Three vectors holding 48 bytes of block 0 in their low halves and 48 bytes of block 1 in
// their high halves, stored as 96 consecutive bytes: three 32-byte stores of halves exchanged
// across the vectors.
template <Put P = Put::kUnaligned>
CONVERT_AVX2 inline void StoreWhole(uint8_t* dst, const __m256i* v) {
    Store<P>(dst, _mm256_permute2x128_si256(v[0], v[1], 0x20));
    Store<P>(dst + 32, _mm256_permute2x128_si256(v[2], v[0], 0x30));
    Store<P>(dst + 64, _mm256_permute2x128_si256(v[1], v[2], 0x31));
}

// The same bytes for the memory-bound kernels. Into the cache, six 16-byte stores of the
// halves measured faster than StoreWhole; streaming, whole 32-byte stores were faster. (The
// YUV kernels, bound by arithmetic, were faster with StoreWhole.)
template <Put P>
CONVERT_AVX2 inline void StoreBlocks(uint8_t* dst, const __m256i* v) {
    if constexpr (P == Put::kStream) {
        StoreWhole<P>(dst, v);
    } else {
        for (int k = 0; k < 3; ++k) {
            Store<P>(dst + 16 * k, _mm256_castsi256_si128(v[k]));
            Store<P>(dst + 48 + 16 * k, _mm256_extracti128_si256(v[k], 1));
        }
    }
}

// Runs a kernel's step (Step::At<P>(i) converts pixels i .. i + kBlock - 1) over all pixels.
// The steps between the first and the last start where the output is 32-byte aligned, so no
// store splits a cache line, and they stream their stores when the pass is larger than the
// cache: the output could not stay cached anyway, and a streaming store does not first read
// the line it replaces, which saves a third of the memory traffic of a 4-to-3-byte pass.
// The first and the last step are unaligned and overlap their neighbours, writing some bytes
// twice, so no pixel goes through a scalar loop. Kernels that may run in place (kInPlace)
// cannot read source bytes again once output has replaced them: their head goes through the
// reference kernel, and so does their tail when its source bytes were already overwritten.
template <class Step>
CONVERT_AVX2 inline void Run(const Step& step, size_t pixels) {
    constexpr size_t kBlock = Step::kBlock;
    if (pixels < kBlock) {
        step.Reference(0, pixels);
        return;
    }
    size_t i = FirstAligned(step.dst, Step::kOut, 32);  // below 32 <= kBlock
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
        _mm_sfence();  // order the streamed lines before the stores that follow
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
CONVERT_AVX2 inline void Gather(const ShufflePlan<NIn, NOut>& plan, const __m256i* in,
                                __m256i* out) {
    for (int k = 0; k < NOut; ++k) {
        __m256i acc = _mm256_setzero_si256();
        for (int m = 0; m < NIn; ++m) {
            if (plan.used[k][m]) {
                acc = _mm256_or_si256(acc, _mm256_shuffle_epi8(in[m], Mask(plan.mask[k][m])));
            }
        }
        out[k] = acc;
    }
}

// Shifted sample bytes: 8 samples at lo and 8 at lo + 16 into the low half, the same at hi
// into the high half.
CONVERT_AVX2 inline __m256i ShiftPackHalves(const uint8_t* lo, const uint8_t* hi, __m128i count) {
    const __m256i low = _mm256_set1_epi16(0xFF);
    const __m256i a = _mm256_and_si256(_mm256_srl_epi16(LoadHalves(lo, hi), count), low);
    const __m256i b = _mm256_and_si256(_mm256_srl_epi16(LoadHalves(lo + 16, hi + 16), count), low);
    return _mm256_packus_epi16(a, b);
}

// Lanes of (Y, chroma) bytes times coefficient bytes (lo for Y, hi for chroma), summed.
CONVERT_AVX2 inline __m256i MulAdd(__m256i x, int8_t lo, int8_t hi) {
    return _mm256_maddubs_epi16(x, _mm256_set1_epi16(yuv::Pair(lo, hi)));
}

// The YUV formula on sixteen pixels, from lanes (Y, U) and (Y, V); see YuvMath.h.
CONVERT_AVX2 inline void YuvLanes(__m256i yu, __m256i yv, __m256i* b, __m256i* g, __m256i* r) {
    using namespace yuv;
    const __m256i rIn = _mm256_add_epi16(MulAdd(yv, kRInY, kRInV), _mm256_set1_epi16(kRIn));
    const __m256i gIn = _mm256_add_epi16(
        _mm256_add_epi16(MulAdd(yu, kGInY, kGInU), MulAdd(yv, 0, kGInV)), _mm256_set1_epi16(kGIn));
    const __m256i bIn = _mm256_add_epi16(MulAdd(yu, kBInY, kBInU), _mm256_set1_epi16(kBIn));
    *r = _mm256_add_epi16(_mm256_add_epi16(MulAdd(yv, 1, kROutV), _mm256_srai_epi16(rIn, 8)),
                          _mm256_set1_epi16(kROut));
    *g = _mm256_add_epi16(_mm256_add_epi16(MulAdd(yv, 1, kGOutV), _mm256_srai_epi16(gIn, 8)),
                          _mm256_set1_epi16(kGOut));
    *b = _mm256_add_epi16(_mm256_add_epi16(MulAdd(yu, 1, kBOutU), _mm256_srai_epi16(bIn, 8)),
                          _mm256_set1_epi16(kBOut));
}

// Planes B, G, R of 16 pixels per half to 48 interleaved bytes per half.
CONVERT_AVX2 inline void Interleave(const __m256i* planes, __m256i* out) {
    const BlendInterleave& p = kBlendInterleave;
    const __m256i b = _mm256_shuffle_epi8(planes[0], Mask(p.perm[0]));
    const __m256i g = _mm256_shuffle_epi8(planes[1], Mask(p.perm[1]));
    const __m256i r = _mm256_shuffle_epi8(planes[2], Mask(p.perm[2]));
    for (int k = 0; k < 3; ++k) {
        out[k] =
            _mm256_blendv_epi8(_mm256_blendv_epi8(b, g, Mask(p.pick1[k])), r, Mask(p.pick2[k]));
    }
}

// Lanes of pixels 0-7 | 16-23 (index 0) and 8-15 | 24-31 (index 1) to 96 bytes B, G, R.
CONVERT_AVX2 inline void StoreBgr(uint8_t* dst, const __m256i* yu, const __m256i* yv) {
    __m256i b[2], g[2], r[2];
    YuvLanes(yu[0], yv[0], &b[0], &g[0], &r[0]);
    YuvLanes(yu[1], yv[1], &b[1], &g[1], &r[1]);
    // Packs work per half, giving pixels 0-15 | 16-31; saturation clamps to 0..255.
    const __m256i planes[3] = {_mm256_packus_epi16(b[0], b[1]), _mm256_packus_epi16(g[0], g[1]),
                               _mm256_packus_epi16(r[0], r[1])};
    __m256i out[3];
    Interleave(planes, out);
    StoreWhole(dst, out);
}

// 32 pixels of 4 bytes to 3: two blocks of 16 through a 16-pixel plan, one per half.
template <const ShufflePlan<4, 3>& kPlan, void (*kReference)(const uint8_t*, uint8_t*, size_t)>
struct Drop4th {
    static constexpr size_t kBlock = 32, kIn = 4, kOut = 3;
    static constexpr bool kInPlace = false;
    const uint8_t* src;
    uint8_t* dst;

    template <Put P>
    CONVERT_AVX2 void At(size_t i) const {
        const uint8_t* s = src + 4 * i;
        __m256i in[4], out[3];
        for (int m = 0; m < 4; ++m) in[m] = LoadHalves(s + 16 * m, s + 64 + 16 * m);
        Gather(kPlan, in, out);
        StoreBlocks<P>(dst + 3 * i, out);
    }
    void Reference(size_t from, size_t count) const {
        kReference(src + 4 * from, dst + 3 * from, count);
    }
};

// 32 pixels of 3 bytes to 96 bytes through a 16-pixel plan.
struct Swap3 {
    static constexpr size_t kBlock = 32, kIn = 3, kOut = 3;
    static constexpr bool kInPlace = false;
    const uint8_t* src;
    uint8_t* dst;

    template <Put P>
    CONVERT_AVX2 void At(size_t i) const {
        const uint8_t* s = src + 3 * i;
        __m256i in[3], out[3];
        for (int m = 0; m < 3; ++m) in[m] = LoadHalves(s + 16 * m, s + 48 + 16 * m);
        Gather(kSwap3, in, out);
        StoreBlocks<P>(dst + 3 * i, out);
    }
    void Reference(size_t from, size_t count) const {
        reference::RgbToBgr(src + 3 * from, dst + 3 * from, count);
    }
};

// 64 samples to bytes: shifted right (a high multiply by 2^(16 - shift), for shifts 1..8) or
// not shifted, then cut to the low byte and packed. The multiply leaves the shuffle units to
// the pack and the permute. The pass may run in place: a step loads all its samples before
// it stores. The source is fetched four lines ahead, which measured about 10 % faster for
// frames in the last-level cache.
template <bool kShifted>
struct Shift16Step {
    static constexpr size_t kBlock = 64, kIn = 2, kOut = 1;
    static constexpr bool kInPlace = true;
    const uint8_t* src;
    uint8_t* dst;
    unsigned shift;

    CONVERT_AVX2 __m256i Low(__m256i v) const {
        if constexpr (kShifted) {
            v = _mm256_mulhi_epu16(v, _mm256_set1_epi16(static_cast<int16_t>(1u << (16 - shift))));
        }
        return _mm256_and_si256(v, _mm256_set1_epi16(0xFF));
    }
    template <Put P>
    CONVERT_AVX2 void At(size_t i) const {
        const uint8_t* s = src + 2 * i;
        _mm_prefetch(reinterpret_cast<const char*>(s) + 256, _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(s) + 320, _MM_HINT_T0);
        __m256i v[4];
        for (int m = 0; m < 4; ++m) {
            v[m] = Low(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32 * m)));
        }
        // The pack interleaves the halves of its inputs; put the four quarters back in order.
        Store<P>(dst + i, _mm256_permute4x64_epi64(_mm256_packus_epi16(v[0], v[1]), 0xD8));
        Store<P>(dst + i + 32, _mm256_permute4x64_epi64(_mm256_packus_epi16(v[2], v[3]), 0xD8));
    }
    void Reference(size_t from, size_t count) const {
        reference::Shift16(src + 2 * from, dst + from, count, shift);
    }
};

// 32 pixels of 16-bit R, G, B to 96 bytes B, G, R.
struct Rgb48Step {
    static constexpr size_t kBlock = 32, kIn = 6, kOut = 3;
    static constexpr bool kInPlace = false;
    const uint8_t* src;
    uint8_t* dst;
    unsigned shift;

    template <Put P>
    CONVERT_AVX2 void At(size_t i) const {
        const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
        // Block 0 is source bytes 0-95 (48 samples), block 1 bytes 96-191.
        const uint8_t* s = src + 6 * i;
        const __m256i rgb[3] = {ShiftPackHalves(s, s + 96, count),
                                ShiftPackHalves(s + 32, s + 128, count),
                                ShiftPackHalves(s + 64, s + 160, count)};
        __m256i out[3];
        Gather(kSwap3, rgb, out);
        StoreBlocks<P>(dst + 3 * i, out);
    }
    void Reference(size_t from, size_t count) const {
        reference::Rgb48ToBgr(src + 6 * from, dst + 3 * from, count, shift);
    }
};

}  // namespace

// The SSSE3 table lookup (see there) on 32 bytes per step.
CONVERT_AVX2 void Avx2ApplyLut(const uint8_t* table, uint8_t* buffer, size_t count) {
    __m256i lower[8], upper[8];
    for (int h = 0; h < 8; ++h) {
        lower[h] = _mm256_broadcastsi128_si256(Load128(table + 16 * h));
        upper[h] = _mm256_broadcastsi128_si256(Load128(table + 128 + 16 * h));
    }
    for (int h = 7; h > 0; --h) {
        lower[h] = _mm256_xor_si256(lower[h], lower[h - 1]);
        upper[h] = _mm256_xor_si256(upper[h], upper[h - 1]);
    }
    const __m256i top = _mm256_set1_epi8(-128);
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(buffer + i));
        const __m256i xu = _mm256_xor_si256(x, top);
        __m256i lo = _mm256_shuffle_epi8(lower[0], x);
        __m256i hi = _mm256_shuffle_epi8(upper[0], xu);
        for (int h = 1; h < 8; ++h) {
            const __m256i step = _mm256_set1_epi8(static_cast<char>(16 * h));
            lo = _mm256_xor_si256(lo, _mm256_shuffle_epi8(lower[h], _mm256_subs_epi8(x, step)));
            hi = _mm256_xor_si256(hi, _mm256_shuffle_epi8(upper[h], _mm256_subs_epi8(xu, step)));
        }
        Store(buffer + i, _mm256_or_si256(lo, hi));
    }
    reference::ApplyLut(table, buffer + i, count - i);
}

CONVERT_AVX2 void Avx2Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift) {
    if (shift == 0) {
        Run(Shift16Step<false>{src, dst, shift}, samples);
    } else {
        Run(Shift16Step<true>{src, dst, shift}, samples);
    }
}

CONVERT_AVX2 void Avx2RgbToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    Run(Swap3{src, dst}, pixels);
}

CONVERT_AVX2 void Avx2RgbaToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    Run(Drop4th<kRgbaToBgr, reference::RgbaToBgr>{src, dst}, pixels);
}

CONVERT_AVX2 void Avx2BgraToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    Run(Drop4th<kBgraToBgr, reference::BgraToBgr>{src, dst}, pixels);
}

CONVERT_AVX2 void Avx2Rgb48ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels, unsigned shift) {
    Run(Rgb48Step{src, dst, shift}, pixels);
}

CONVERT_AVX2 void Avx2Yuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    size_t p = 0;
    for (; p + 32 <= pixels; p += 32) {
        // 12 bytes per 8 pixels: windows at 0 and 24 for pixels 0-7 and 16-23, at 8 and 32
        // (4 bytes in) for pixels 8-15 and 24-31, all inside the step's 48 bytes.
        const uint8_t* s = src + p / 2 * 3;
        const __m256i windows[2] = {LoadHalves(s, s + 24), LoadHalves(s + 8, s + 32)};
        __m256i a[2], b[2];
        Gather(kYuv411At0, &windows[0], a);
        Gather(kYuv411At4, &windows[1], b);
        const __m256i yu[2] = {a[0], b[0]}, yv[2] = {a[1], b[1]};
        StoreBgr(dst + 3 * p, yu, yv);
    }
    reference::Yuv411ToBgr(src + p / 2 * 3, dst + 3 * p, pixels - p);
}

CONVERT_AVX2 void Avx2Yuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    size_t p = 0;
    for (; p + 32 <= pixels; p += 32) {
        const uint8_t* s = src + 2 * p;
        const __m256i x[2] = {LoadHalves(s, s + 32), LoadHalves(s + 16, s + 48)};
        __m256i a[2], b[2];
        Gather(kUyvyToYuYv, &x[0], a);
        Gather(kUyvyToYuYv, &x[1], b);
        const __m256i yu[2] = {a[0], b[0]}, yv[2] = {a[1], b[1]};
        StoreBgr(dst + 3 * p, yu, yv);
    }
    reference::Yuv422ToBgr(src + 2 * p, dst + 3 * p, pixels - p);
}

CONVERT_AVX2 void Avx2Yuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    size_t p = 0;
    for (; p + 32 <= pixels; p += 32) {
        const uint8_t* s = src + 3 * p;
        const __m256i in[3] = {LoadHalves(s, s + 48), LoadHalves(s + 16, s + 64),
                               LoadHalves(s + 32, s + 80)};
        __m256i lanes[4];
        Gather(kUyvToYuYv, in, lanes);
        StoreBgr(dst + 3 * p, &lanes[0], &lanes[2]);
    }
    reference::Yuv444ToBgr(src + 3 * p, dst + 3 * p, pixels - p);
}

}  // namespace tarnix::convert::simd
#endif
