// The reference kernels: plain loops, and for YUV the five precomputed tables. The SIMD
// kernels are checked against these, and use them for the pixels after their last full block.
#include "convert/Kernels.h"

namespace tarnix::convert::reference {
namespace {

// Fixed-point BT.601 terms for studio-range YUV, indexed by the byte value.
struct YuvTables {
    int32_t y[256];
    int32_t vr[256];
    int32_t ug[256];
    int32_t vg[256];
    int32_t ub[256];
};

YuvTables BuildYuvTables() {
    YuvTables t{};
    for (int32_t i = 0; i < 256; ++i) {
        t.y[i] = (i - 16) * 298;
        t.vr[i] = (i - 128) * 409;
        t.ug[i] = (i - 128) * 100;
        t.vg[i] = (i - 128) * 208;
        t.ub[i] = (i - 128) * 516;
    }
    return t;
}

// Built on first use for the whole process; several cameras may convert their first YUV
// frames at once on SDK threads, and a function-local static is initialised exactly once.
const YuvTables& Tables() {
    static const YuvTables tables = BuildYuvTables();
    return tables;
}

inline uint8_t ClampByte(int32_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline void Pixel(const YuvTables& t, uint8_t y, uint8_t u, uint8_t v, uint8_t* bgr) {
    const int32_t yy = t.y[y];
    bgr[0] = ClampByte((yy + t.ub[u] + 128) >> 8);
    bgr[1] = ClampByte((yy - t.ug[u] - t.vg[v] + 128) >> 8);
    bgr[2] = ClampByte((yy + t.vr[v] + 128) >> 8);
}

inline uint32_t Sample(const uint8_t* p) {
    return p[0] | (uint32_t{p[1]} << 8);
}

}  // namespace

void YuvToBgr(uint8_t y, uint8_t u, uint8_t v, uint8_t* bgr) {
    Pixel(Tables(), y, u, v, bgr);
}

void ApplyLut(const uint8_t* table, uint8_t* buffer, size_t count) {
    for (size_t i = 0; i < count; ++i) buffer[i] = table[buffer[i]];
}

// Sample i occupies bytes 2i and 2i + 1 and lands in byte i <= 2i, so a forward pass may
// write over its own source.
void Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift) {
    for (size_t i = 0; i < samples; ++i)
        dst[i] = static_cast<uint8_t>(Sample(src + 2 * i) >> shift);
}

void Lut16(const uint8_t* src, uint8_t* dst, size_t samples, const uint8_t* table) {
    for (size_t i = 0; i < samples; ++i) dst[i] = table[Sample(src + 2 * i)];
}

void RgbToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        dst[3 * i] = src[3 * i + 2];
        dst[3 * i + 1] = src[3 * i + 1];
        dst[3 * i + 2] = src[3 * i];
    }
}

void Rgb48ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels, unsigned shift) {
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* s = src + 6 * i;
        dst[3 * i] = static_cast<uint8_t>(Sample(s + 4) >> shift);
        dst[3 * i + 1] = static_cast<uint8_t>(Sample(s + 2) >> shift);
        dst[3 * i + 2] = static_cast<uint8_t>(Sample(s) >> shift);
    }
}

void RgbaToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        dst[3 * i] = src[4 * i + 2];
        dst[3 * i + 1] = src[4 * i + 1];
        dst[3 * i + 2] = src[4 * i];
    }
}

void BgraToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        dst[3 * i] = src[4 * i];
        dst[3 * i + 1] = src[4 * i + 1];
        dst[3 * i + 2] = src[4 * i + 2];
    }
}

void Yuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const YuvTables& t = Tables();
    static constexpr int kYOffset[4] = {1, 2, 4, 5};
    for (size_t p = 0; p < pixels; p += 4) {
        const uint8_t* g = src + p / 4 * 6;
        const size_t inGroup = pixels - p < 4 ? pixels - p : 4;
        for (size_t j = 0; j < inGroup; ++j)
            Pixel(t, g[kYOffset[j]], g[0], g[3], dst + 3 * (p + j));
    }
}

void Yuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const YuvTables& t = Tables();
    size_t p = 0;
    for (; p + 2 <= pixels; p += 2) {
        const uint8_t* g = src + 2 * p;
        Pixel(t, g[1], g[0], g[2], dst + 3 * p);
        Pixel(t, g[3], g[0], g[2], dst + 3 * p + 3);
    }
    if (p < pixels) Pixel(t, src[2 * p + 1], src[2 * p], src[2 * p + 2], dst + 3 * p);
}

void Yuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const YuvTables& t = Tables();
    for (size_t p = 0; p < pixels; ++p)
        Pixel(t, src[3 * p + 1], src[3 * p], src[3 * p + 2], dst + 3 * p);
}

}  // namespace tarnix::convert::reference
