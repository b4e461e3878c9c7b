// AVX2 kernels, 32 pixels per step; the remainder goes through the reference kernels.
//
// Byte shuffles work within each 128-bit half, so a step treats its pixels as two blocks of
// 16, one per half, and reuses the 16-pixel shuffle plans of the SSSE3 kernels: loads put
// block 0's bytes in the low half and block 1's in the high half, and StoreBlocks puts the
// two 48-byte outputs back in order.
#include "simd.h"

#if CONVERT_X86
#include <immintrin.h>

#include "convert/kernels.h"
#include "yuv_math.h"

namespace convert::simd {
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

CONVERT_AVX2 inline void Store(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Three vectors holding 48 bytes of block 0 in their low halves and 48 bytes of block 1 in
// their high halves, stored as 96 consecutive bytes.
CONVERT_AVX2 inline void StoreBlocks(uint8_t* dst, const __m256i* v) {
    Store(dst, _mm256_permute2x128_si256(v[0], v[1], 0x20));
    Store(dst + 32, _mm256_permute2x128_si256(v[2], v[0], 0x30));
    Store(dst + 64, _mm256_permute2x128_si256(v[1], v[2], 0x31));
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

// 16 samples shifted and cut to their low byte, still in 16-bit lanes.
CONVERT_AVX2 inline __m256i ShiftedSamples(const uint8_t* src, __m128i count) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    return _mm256_and_si256(_mm256_srl_epi16(v, count), _mm256_set1_epi16(0xFF));
}

// The YUV formula on sixteen pixels, from lanes (Y, U) and (Y, V); see yuv_math.h.
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
    StoreBlocks(dst, out);
}

// 32 pixels of 4 bytes to 3 per step: each half's 4 pixels shuffled to 3 dwords, then the
// twelve 3-dword pieces of the four vectors moved by dword permutes and blends into three
// full 32-byte stores.
CONVERT_AVX2 inline __m256i Permute(__m256i v, int a, int b, int c, int d, int e, int f, int g,
                                    int h) {
    return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(a, b, c, d, e, f, g, h));
}

CONVERT_AVX2 inline size_t Drop4th(const ShufflePlan<1, 1>& plan, const uint8_t* src, uint8_t* dst,
                                   size_t pixels) {
    const __m256i shuffle = Mask(plan.mask[0][0]);
    size_t i = 0;
    for (; i + 32 <= pixels; i += 32) {
        __m256i v[4];  // dwords 0-2 and 4-6 hold the pixels
        for (int m = 0; m < 4; ++m) {
            v[m] = _mm256_shuffle_epi8(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i + 32 * m)),
                shuffle);
        }
        uint8_t* d = dst + 3 * i;
        Store(d, _mm256_blend_epi32(Permute(v[0], 0, 1, 2, 4, 5, 6, 0, 0),
                                    Permute(v[1], 0, 0, 0, 0, 0, 0, 0, 1), 0xC0));
        Store(d + 32, _mm256_blend_epi32(Permute(v[1], 2, 4, 5, 6, 0, 0, 0, 0),
                                         Permute(v[2], 0, 0, 0, 0, 0, 1, 2, 4), 0xF0));
        Store(d + 64, _mm256_blend_epi32(Permute(v[2], 5, 6, 0, 0, 0, 0, 0, 0),
                                         Permute(v[3], 0, 0, 0, 1, 2, 4, 5, 6), 0xFC));
    }
    return i;
}

// 32 pixels of NIn source bytes each to 96 bytes through a 16-pixel plan.
template <int NIn>
CONVERT_AVX2 inline size_t Repack(const ShufflePlan<NIn, 3>& plan, const uint8_t* src, uint8_t* dst,
                                  size_t pixels) {
    size_t i = 0;
    for (; i + 32 <= pixels; i += 32) {
        const uint8_t* s = src + NIn * i;
        __m256i in[NIn], out[3];
        for (int m = 0; m < NIn; ++m) in[m] = LoadHalves(s + 16 * m, s + 16 * NIn + 16 * m);
        Gather(plan, in, out);
        StoreBlocks(dst + 3 * i, out);
    }
    return i;
}

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

// All loads of a step come before its stores, so the pass may run in place (see the SSE2
// kernel): the stores of samples i..i+63 end before byte 2i + 128.
CONVERT_AVX2 void Avx2Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift) {
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    size_t i = 0;
    for (; i + 64 <= samples; i += 64) {
        const uint8_t* s = src + 2 * i;
        const __m256i a = ShiftedSamples(s, count), b = ShiftedSamples(s + 32, count);
        const __m256i c = ShiftedSamples(s + 64, count), d = ShiftedSamples(s + 96, count);
        // The pack interleaves the halves of its inputs; put the four quarters back in order.
        Store(dst + i, _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8));
        Store(dst + i + 32, _mm256_permute4x64_epi64(_mm256_packus_epi16(c, d), 0xD8));
    }
    reference::Shift16(src + 2 * i, dst + i, samples - i, shift);
}

CONVERT_AVX2 void Avx2RgbToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const size_t done = Repack(kSwap3, src, dst, pixels);
    reference::RgbToBgr(src + 3 * done, dst + 3 * done, pixels - done);
}

CONVERT_AVX2 void Avx2RgbaToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const size_t done = Drop4th(kRgbaToBgr4, src, dst, pixels);
    reference::RgbaToBgr(src + 4 * done, dst + 3 * done, pixels - done);
}

CONVERT_AVX2 void Avx2BgraToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const size_t done = Drop4th(kBgraToBgr4, src, dst, pixels);
    reference::BgraToBgr(src + 4 * done, dst + 3 * done, pixels - done);
}

CONVERT_AVX2 void Avx2Rgb48ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels, unsigned shift) {
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    size_t i = 0;
    for (; i + 32 <= pixels; i += 32) {
        // Block 0 is source bytes 0-95 (48 samples), block 1 bytes 96-191.
        const uint8_t* s = src + 6 * i;
        const __m256i rgb[3] = {ShiftPackHalves(s, s + 96, count),
                                ShiftPackHalves(s + 32, s + 128, count),
                                ShiftPackHalves(s + 64, s + 160, count)};
        __m256i out[3];
        Gather(kSwap3, rgb, out);
        StoreBlocks(dst + 3 * i, out);
    }
    reference::Rgb48ToBgr(src + 6 * i, dst + 3 * i, pixels - i, shift);
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

}  // namespace convert::simd
#endif
