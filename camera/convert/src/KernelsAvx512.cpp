// AVX-512 kernels: the 8-bit table pass (BW and VBMI) and YUV to B, G, R (VBMI), 64 bytes or
// 64 pixels per step.
//
// On Zen 4 a 512-bit operation takes two passes through a 256-bit unit, so widening a kernel
// gains only where it needs fewer operations per byte. The YUV arithmetic is the same either
// way; what VBMI saves is the byte movement: one permute across the whole register replaces
// the AVX2 kernels' lane shuffles, ORs, blends and lane exchanges. The AVX2 scheme widened to
// 512 bits with BW alone measured 20-30 % slower than AVX2 (its lane rearranging costs more
// permutes), so the BW level keeps the AVX2 YUV kernels.
#include "Simd.h"

#if CONVERT_X86
#include <immintrin.h>

#include "YuvMath.h"
#include "convert/Kernels.h"

namespace tarnix::convert::simd {
namespace {

CONVERT_AVX512BW inline __m512i Load(const void* p) {
    return _mm512_loadu_si512(p);
}

// The first n bytes (n <= 64) as a mask. Bytes off the mask are neither read nor written,
// and a masked access does not fault on them.
CONVERT_AVX512BW inline __mmask64 FirstBytes(size_t n) {
    return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
}

// GCC 12's unmasked forms of some intrinsics (the lane broadcast, the one-register byte
// permute) start from an undefined register and trip -Wuninitialized; their zero-masked
// forms with every bit set are the same instruction.
CONVERT_AVX512BW inline __m512i Mask(const int8_t* m) {
    return _mm512_maskz_broadcast_i32x4(0xFFFF,
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
}

CONVERT_AVX512BW inline __m512i MulAdd(__m512i x, int8_t lo, int8_t hi) {
    return _mm512_maddubs_epi16(x, _mm512_set1_epi16(yuv::Pair(lo, hi)));
}

// The YUV formula on 32 pixels, from lanes (Y, U) and (Y, V); see YuvMath.h.
CONVERT_AVX512BW inline void YuvLanes(__m512i yu, __m512i yv, __m512i* b, __m512i* g, __m512i* r) {
    using namespace yuv;
    const __m512i rIn = _mm512_add_epi16(MulAdd(yv, kRInY, kRInV), _mm512_set1_epi16(kRIn));
    const __m512i gIn = _mm512_add_epi16(
        _mm512_add_epi16(MulAdd(yu, kGInY, kGInU), MulAdd(yv, 0, kGInV)), _mm512_set1_epi16(kGIn));
    const __m512i bIn = _mm512_add_epi16(MulAdd(yu, kBInY, kBInU), _mm512_set1_epi16(kBIn));
    *r = _mm512_add_epi16(_mm512_add_epi16(MulAdd(yv, 1, kROutV), _mm512_srai_epi16(rIn, 8)),
                          _mm512_set1_epi16(kROut));
    *g = _mm512_add_epi16(_mm512_add_epi16(MulAdd(yv, 1, kGOutV), _mm512_srai_epi16(gIn, 8)),
                          _mm512_set1_epi16(kGOut));
    *b = _mm512_add_epi16(_mm512_add_epi16(MulAdd(yu, 1, kBOutU), _mm512_srai_epi16(bIn, 8)),
                          _mm512_set1_epi16(kBOut));
}

// A table pass: lookup(x) maps 64 bytes. Ends and a short pass are masked, so no byte past
// count is touched; the middle steps are aligned, since each stores where it loads. Defined
// once per target: a function built for VBMI must not serve the BW level.
#define CONVERT_TABLE_PASS(NAME, TARGET)                                                    \
    template <class Lookup>                                                                 \
    TARGET inline void NAME(const Lookup& lookup, uint8_t* buffer, size_t count) {          \
        size_t head = (0 - reinterpret_cast<uintptr_t>(buffer)) & 63;                       \
        if (head > count) head = count;                                                     \
        if (head != 0) {                                                                    \
            const __mmask64 m = FirstBytes(head);                                           \
            _mm512_mask_storeu_epi8(buffer, m, lookup(_mm512_maskz_loadu_epi8(m, buffer))); \
        }                                                                                   \
        size_t i = head;                                                                    \
        for (; i + 64 <= count; i += 64) {                                                  \
            _mm512_store_si512(buffer + i, lookup(_mm512_load_si512(buffer + i)));          \
        }                                                                                   \
        if (i < count) {                                                                    \
            const __mmask64 m = FirstBytes(count - i);                                      \
            _mm512_mask_storeu_epi8(buffer + i, m,                                          \
                                    lookup(_mm512_maskz_loadu_epi8(m, buffer + i)));        \
        }                                                                                   \
    }
CONVERT_TABLE_PASS(TablePassBw, CONVERT_AVX512BW)
CONVERT_TABLE_PASS(TablePassVbmi, CONVERT_AVX512VBMI)
#undef CONVERT_TABLE_PASS

// The AVX2 lookup needs 16 shuffles and 28 other steps per 32 bytes; with masks, each
// 16-entry slice is one shuffle by the low four bits, and a tree of blends on bits 4-7 keeps
// the right one.
struct SliceLookup {
    __m512i slice[16];

    CONVERT_AVX512BW explicit SliceLookup(const uint8_t* table) {
        for (int h = 0; h < 16; ++h) {
            slice[h] = Mask(reinterpret_cast<const int8_t*>(table) + 16 * h);
        }
    }
    CONVERT_AVX512BW __m512i operator()(__m512i x) const {
        const __m512i low = _mm512_and_si512(x, _mm512_set1_epi8(0x0F));
        __m512i level[8];
        __mmask64 bit = _mm512_test_epi8_mask(x, _mm512_set1_epi8(0x10));
        for (int h = 0; h < 8; ++h) {
            level[h] = _mm512_mask_blend_epi8(bit, _mm512_shuffle_epi8(slice[2 * h], low),
                                              _mm512_shuffle_epi8(slice[2 * h + 1], low));
        }
        for (int n = 4, b = 0x20; n >= 1; n /= 2, b *= 2) {
            bit = _mm512_test_epi8_mask(x, _mm512_set1_epi8(static_cast<char>(b)));
            for (int h = 0; h < n; ++h) {
                level[h] = _mm512_mask_blend_epi8(bit, level[2 * h], level[2 * h + 1]);
            }
        }
        return level[0];
    }
};

// Two-register byte permutes look up 128 entries each; the top bit picks one of the two.
struct PermuteLookup {
    __m512i t0, t1, t2, t3;

    CONVERT_AVX512VBMI explicit PermuteLookup(const uint8_t* table)
        : t0(Load(table)), t1(Load(table + 64)), t2(Load(table + 128)), t3(Load(table + 192)) {}
    CONVERT_AVX512VBMI __m512i operator()(__m512i x) const {
        return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), _mm512_permutex2var_epi8(t0, x, t1),
                                      _mm512_permutex2var_epi8(t2, x, t3));
    }
};

// YUV lanes gathered by whole-register byte permutes. Each index table serves 32 pixels;
// source(i, c) gives the byte of pixel i's Y (c = 0), U (1) or V (2).
struct PermuteYuv {
    int8_t yu[64], yv[64];
};
template <class Source>
constexpr PermuteYuv MakePermuteYuv(Source source) {
    PermuteYuv t{};
    for (int i = 0; i < 32; ++i) {
        t.yu[2 * i] = t.yv[2 * i] = static_cast<int8_t>(source(i, 0));
        t.yu[2 * i + 1] = static_cast<int8_t>(source(i, 1));
        t.yv[2 * i + 1] = static_cast<int8_t>(source(i, 2));
    }
    return t;
}
inline constexpr PermuteYuv kPermute422 = MakePermuteYuv(
    [](int i, int c) { return c == 0 ? 2 * i + 1 : 4 * (i / 2) + (c == 1 ? 0 : 2); });
inline constexpr PermuteYuv kPermute411 = MakePermuteYuv([](int i, int c) {
    constexpr int kY[4] = {1, 2, 4, 5};
    return 6 * (i / 4) + (c == 0 ? kY[i % 4] : c == 1 ? 0 : 3);
});
inline constexpr PermuteYuv kPermute444 = MakePermuteYuv([](int i, int c) {
    return 3 * i + (c == 0 ? 1 : c == 1 ? 0 : 2);
});

// Planes packed from lanes of pixels 0-31 and 32-63 hold in lane L pixels 8L .. 8L + 7, then
// 32 + 8L .. 32 + 8L + 7. Output k byte j is plane (64k + j) % 3's pixel (64k + j) / 3: one
// two-plane permute (index bit 6 picks G over B) and a masked one for R.
struct PermuteBgr {
    int8_t index[3][64];
    uint64_t fromR[3];
};
constexpr PermuteBgr MakePermuteBgr() {
    PermuteBgr t{};
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 64; ++j) {
            const int o = 64 * k + j, pixel = o / 3, plane = o % 3, q = pixel % 32;
            const int at = 16 * (q / 8) + 8 * (pixel / 32) + q % 8;
            t.index[k][j] = static_cast<int8_t>(at + (plane == 1 ? 64 : 0));
            if (plane == 2) t.fromR[k] |= uint64_t{1} << j;
        }
    }
    return t;
}
inline constexpr PermuteBgr kPermuteBgr = MakePermuteBgr();

// A one-register byte permute (zero-masked: see Mask).
CONVERT_AVX512VBMI inline __m512i Permute(__m512i index, __m512i v) {
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, index, v);
}

template <Put P>
CONVERT_AVX512BW inline void Store(uint8_t* p, __m512i v) {
    if constexpr (P == Put::kStream) {
        _mm512_stream_si512(reinterpret_cast<__m512i*>(p), v);
    } else if constexpr (P == Put::kAligned) {
        _mm512_store_si512(p, v);
    } else {
        _mm512_storeu_si512(p, v);
    }
}

template <Put P>
CONVERT_AVX512VBMI inline void PermuteStoreBgr(uint8_t* dst, __m512i yu0, __m512i yv0, __m512i yu1,
                                               __m512i yv1) {
    __m512i b[2], g[2], r[2];
    YuvLanes(yu0, yv0, &b[0], &g[0], &r[0]);
    YuvLanes(yu1, yv1, &b[1], &g[1], &r[1]);
    const __m512i pb = _mm512_packus_epi16(b[0], b[1]), pg = _mm512_packus_epi16(g[0], g[1]),
                  pr = _mm512_packus_epi16(r[0], r[1]);
    for (int k = 0; k < 3; ++k) {
        const __m512i index = Load(kPermuteBgr.index[k]);
        const __m512i bg = _mm512_permutex2var_epi8(pb, index, pg);
        Store<P>(dst + 64 * k, _mm512_mask_permutexvar_epi8(bg, kPermuteBgr.fromR[k], index, pr));
    }
}

// Runs a YUV step (Step::At<P>(p) converts pixels p .. p + 63) over all pixels, the pixels
// after the last step through the AVX2 kernel. A 64-byte store at an unaligned address
// touches two lines, so the steps start where the output is 64-byte aligned (3 * 43 leaves
// 1 modulo 64), the pixels before that also going to the AVX2 kernel; and they stream when
// the pass is larger than the cache, as in the AVX2 Run. When that start splits a group
// (an output address not a multiple of 4, for 4:2:2 of 2) the steps store unaligned.
template <class Step>
CONVERT_AVX512VBMI inline void RunYuv(const Step& step, size_t pixels) {
    size_t p = ((0 - reinterpret_cast<uintptr_t>(step.dst)) & 63) * 43 & 63;
    if (p % Step::kGroup != 0 || p + 64 > pixels) {
        p = 0;
        for (; p + 64 <= pixels; p += 64) step.template At<Put::kUnaligned>(p);
    } else {
        step.Rest(0, p);
        if (Streams(pixels * (Step::kInHalves + 6) / 2)) {
            for (; p + 64 <= pixels; p += 64) step.template At<Put::kStream>(p);
            _mm_sfence();  // order the streamed lines before the stores that follow
        } else {
            for (; p + 64 <= pixels; p += 64) step.template At<Put::kAligned>(p);
        }
    }
    step.Rest(p, pixels - p);
}

// 64 pixels of U, Y0, Y1, V, Y2, Y3 (96 bytes): pixels 0-31 in bytes 0-47, 32-63 in 48-95.
struct Yuv411Step {
    static constexpr size_t kGroup = 4, kInHalves = 3;
    const uint8_t* src;
    uint8_t* dst;
    __m512i yu, yv;

    template <Put P>
    CONVERT_AVX512VBMI void At(size_t p) const {
        const uint8_t* s = src + p / 2 * 3;
        const __m512i a = Load(s), b = _mm512_maskz_loadu_epi8(FirstBytes(48), s + 48);
        PermuteStoreBgr<P>(dst + 3 * p, Permute(yu, a), Permute(yv, a), Permute(yu, b),
                           Permute(yv, b));
    }
    void Rest(size_t from, size_t count) const {
        Avx2Yuv411ToBgr(src + from / 2 * 3, dst + 3 * from, count);
    }
};

// 64 pixels of U, Y0, V, Y1 (128 bytes).
struct Yuv422Step {
    static constexpr size_t kGroup = 2, kInHalves = 4;
    const uint8_t* src;
    uint8_t* dst;
    __m512i yu, yv;

    template <Put P>
    CONVERT_AVX512VBMI void At(size_t p) const {
        const uint8_t* s = src + 2 * p;
        const __m512i a = Load(s), b = Load(s + 64);
        PermuteStoreBgr<P>(dst + 3 * p, Permute(yu, a), Permute(yv, a), Permute(yu, b),
                           Permute(yv, b));
    }
    void Rest(size_t from, size_t count) const {
        Avx2Yuv422ToBgr(src + 2 * from, dst + 3 * from, count);
    }
};

// 64 pixels of U, Y, V (192 bytes): pixels 0-31 from the first two registers, 32-63 from the
// last two, starting 32 bytes into the second (the indices yu1, yv1).
struct Yuv444Step {
    static constexpr size_t kGroup = 1, kInHalves = 6;
    const uint8_t* src;
    uint8_t* dst;
    __m512i yu, yv, yu1, yv1;

    template <Put P>
    CONVERT_AVX512VBMI void At(size_t p) const {
        const uint8_t* s = src + 3 * p;
        const __m512i a = Load(s), b = Load(s + 64), c = Load(s + 128);
        PermuteStoreBgr<P>(dst + 3 * p, _mm512_permutex2var_epi8(a, yu, b),
                           _mm512_permutex2var_epi8(a, yv, b), _mm512_permutex2var_epi8(b, yu1, c),
                           _mm512_permutex2var_epi8(b, yv1, c));
    }
    void Rest(size_t from, size_t count) const {
        Avx2Yuv444ToBgr(src + 3 * from, dst + 3 * from, count);
    }
};

}  // namespace

CONVERT_AVX512BW void Avx512BwApplyLut(const uint8_t* table, uint8_t* buffer, size_t count) {
    TablePassBw(SliceLookup(table), buffer, count);
}

CONVERT_AVX512VBMI void Avx512VbmiApplyLut(const uint8_t* table, uint8_t* buffer, size_t count) {
    TablePassVbmi(PermuteLookup(table), buffer, count);
}

CONVERT_AVX512VBMI void Avx512VbmiYuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    RunYuv(Yuv411Step{src, dst, Load(kPermute411.yu), Load(kPermute411.yv)}, pixels);
}

CONVERT_AVX512VBMI void Avx512VbmiYuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    RunYuv(Yuv422Step{src, dst, Load(kPermute422.yu), Load(kPermute422.yv)}, pixels);
}

CONVERT_AVX512VBMI void Avx512VbmiYuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const __m512i yu = Load(kPermute444.yu), yv = Load(kPermute444.yv);
    const __m512i skip = _mm512_set1_epi8(32);
    RunYuv(Yuv444Step{src, dst, yu, yv, _mm512_add_epi8(yu, skip), _mm512_add_epi8(yv, skip)},
           pixels);
}

}  // namespace tarnix::convert::simd
#endif
