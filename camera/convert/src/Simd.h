// Shared pieces of the SIMD kernels: the per-function target attributes, the byte-shuffle
// plans they use, and the kernels' declarations for the dispatch tables.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#define CONVERT_X86 1
// Each SIMD function carries its own target, so the rest of the program stays on the
// baseline instruction set and nothing built for a newer one is picked up by accident.
#define CONVERT_SSE2 __attribute__((target("sse2")))
#define CONVERT_SSSE3 __attribute__((target("ssse3")))
#define CONVERT_AVX2 __attribute__((target("avx2")))
#define CONVERT_AVX512BW __attribute__((target("avx2,avx512f,avx512bw")))
#define CONVERT_AVX512VBMI __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))
#else
#define CONVERT_X86 0
#endif

namespace tarnix::convert::simd {

// How a kernel's step stores its output: as it lies, at an aligned address, or aligned and
// around the cache (a streaming store, for passes larger than the cache).
enum class Put { kUnaligned, kAligned, kStream };

// Whether a pass touching this many bytes, source and output together, streams its output
// (see StreamingThreshold).
bool Streams(size_t bytes);

// The first pixel whose output starts on an `align`-byte boundary (16 or 32), for outputs of
// 1 or 3 bytes per pixel. For 3 bytes it is the bytes to the boundary times the inverse of 3
// modulo the alignment: 3 * 11 = 33 leaves 1 modulo both 16 and 32.
inline size_t FirstAligned(const uint8_t* dst, size_t outPerPixel, size_t align) {
    const size_t gap = (0 - reinterpret_cast<uintptr_t>(dst)) & (align - 1);
    return outPerPixel == 1 ? gap : gap * 11 & (align - 1);
}

// A byte gather from NIn 16-byte vectors into NOut 16-byte vectors, as byte-shuffle masks:
// output vector k is the OR of shuffle(in[m], mask[k][m]) over the m with used[k][m].
template <int NIn, int NOut>
struct ShufflePlan {
    int8_t mask[NOut][NIn][16];
    bool used[NOut][NIn];
};

// source(o) gives for output byte o the input byte it copies, or -1 for a zero byte.
template <int NIn, int NOut, class Source>
constexpr ShufflePlan<NIn, NOut> MakePlan(Source source) {
    ShufflePlan<NIn, NOut> plan{};
    for (int k = 0; k < NOut; ++k) {
        for (int j = 0; j < 16; ++j) {
            const int s = source(16 * k + j);
            for (int m = 0; m < NIn; ++m) {
                const bool here = s >= 0 && s / 16 == m;
                plan.mask[k][m][j] = static_cast<int8_t>(here ? s % 16 : -128);
                if (here) plan.used[k][m] = true;
            }
        }
    }
    return plan;
}

// 16 pixels of 3 bytes: R, G, B to B, G, R.
inline constexpr auto kSwap3 = MakePlan<3, 3>([](int o) { return 3 * (o / 3) + 2 - o % 3; });
// 16 pixels of 4 bytes to 3: R, G, B, A to B, G, R and B, G, R, A to B, G, R.
inline constexpr auto kRgbaToBgr = MakePlan<4, 3>([](int o) { return 4 * (o / 3) + 2 - o % 3; });
inline constexpr auto kBgraToBgr = MakePlan<4, 3>([](int o) { return 4 * (o / 3) + o % 3; });
// Three planes of 16 bytes (B, G, R) to 16 interleaved pixels.
inline constexpr auto kInterleave3 = MakePlan<3, 3>([](int o) { return 16 * (o % 3) + o / 3; });

// The same interleave as one shuffle per plane and two blends per output: output byte j of
// vector k belongs to plane (16k + j) % 3, and for a fixed plane and j exactly one k matches,
// so one permutation of each plane serves all three outputs.
struct BlendInterleave {
    int8_t perm[3][16];   // per plane
    int8_t pick1[3][16];  // per output: take plane 1 where set
    int8_t pick2[3][16];  // per output: take plane 2 where set
};
constexpr BlendInterleave MakeBlendInterleave() {
    BlendInterleave b{};
    for (int j = 0; j < 16; ++j) {
        for (int k = 0; k < 3; ++k) {
            const int plane = (16 * k + j) % 3;
            b.perm[plane][j] = static_cast<int8_t>((16 * k + j) / 3);
            b.pick1[k][j] = static_cast<int8_t>(plane == 1 ? -128 : 0);
            b.pick2[k][j] = static_cast<int8_t>(plane == 2 ? -128 : 0);
        }
    }
    return b;
}
inline constexpr BlendInterleave kBlendInterleave = MakeBlendInterleave();

// The YUV kernels work on 16-bit lanes holding a pixel's Y in the low byte and its U (the
// "YU" vector) or V ("YV") in the high byte; see YuvMath.h. Source byte offsets per layout:
// 8 pixels U, Y0, V, Y1 (16 bytes) to YU and YV.
inline constexpr auto kUyvyToYuYv = MakePlan<1, 2>([](int o) {
    const int pixel = o % 16 / 2, group = 4 * (pixel / 2);
    if (o % 2 == 0) return group + 1 + 2 * (pixel % 2);
    return group + (o < 16 ? 0 : 2);
});
// 8 pixels U, Y0, Y1, V, Y2, Y3 (12 bytes, starting at Offset in a 16-byte window).
template <int Offset>
constexpr auto Yuv411ToYuYv() {
    return MakePlan<1, 2>([](int o) {
        constexpr int kY[4] = {1, 2, 4, 5};
        const int pixel = o % 16 / 2, group = Offset + 6 * (pixel / 4);
        if (o % 2 == 0) return group + kY[pixel % 4];
        return group + (o < 16 ? 0 : 3);
    });
}
inline constexpr auto kYuv411At0 = Yuv411ToYuYv<0>();
inline constexpr auto kYuv411At4 = Yuv411ToYuYv<4>();
// 16 pixels U, Y, V (48 bytes) to YU of pixels 0-7, YU of 8-15, YV of 0-7, YV of 8-15.
inline constexpr auto kUyvToYuYv = MakePlan<3, 4>([](int o) {
    const int k = o / 16, pixel = k % 2 * 8 + o % 16 / 2;
    if (o % 2 == 0) return 3 * pixel + 1;
    return 3 * pixel + (k < 2 ? 0 : 2);
});

#if CONVERT_X86
void Sse2Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift);

void Ssse3ApplyLut(const uint8_t* table, uint8_t* buffer, size_t count);
void Ssse3RgbToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Ssse3Rgb48ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels, unsigned shift);
void Ssse3RgbaToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Ssse3BgraToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Ssse3Yuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Ssse3Yuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Ssse3Yuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);

// Plain code, every level's 16-bit table lookup (Lut16.cpp).
void UnrolledLut16(const uint8_t* src, uint8_t* dst, size_t samples, const uint8_t* table);

void Avx2ApplyLut(const uint8_t* table, uint8_t* buffer, size_t count);
void Avx2Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift);
void Avx2RgbToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Avx2Rgb48ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels, unsigned shift);
void Avx2RgbaToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Avx2BgraToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Avx2Yuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Avx2Yuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Avx2Yuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);

void Avx512BwApplyLut(const uint8_t* table, uint8_t* buffer, size_t count);

void Avx512VbmiApplyLut(const uint8_t* table, uint8_t* buffer, size_t count);
void Avx512VbmiYuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Avx512VbmiYuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Avx512VbmiYuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
#endif

}  // namespace tarnix::convert::simd
