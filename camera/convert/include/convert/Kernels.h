// The conversion kernels, one set per instruction-set level. The reference set is the plain
// table-driven code that defines the results; every other set must match it byte for byte.
// Counts are pixels (or 16-bit samples, or bytes for the table pass). Source and destination
// must not overlap, except for the 16-bit reductions to grey (shift16, lut16), which may run
// in place (dst == src).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnix::convert {

// Avx512Bw is AVX-512 F and BW (byte and word lanes); Avx512Vbmi adds the byte permutes
// across a whole register, which the table pass and the YUV kernels use.
enum class Isa { Reference, Sse2, Ssse3, Avx2, Avx512Bw, Avx512Vbmi };

// Every level from the lowest to the highest, for the tests and benchmarks that visit them.
inline constexpr Isa kAllIsas[] = {Isa::Reference, Isa::Sse2,     Isa::Ssse3,
                                   Isa::Avx2,      Isa::Avx512Bw, Isa::Avx512Vbmi};

const char* IsaName(Isa isa);

struct Kernels {
    Isa isa;
    // buffer[i] := table[buffer[i]] for count bytes.
    void (*applyLut)(const uint8_t* table, uint8_t* buffer, size_t count);
    // Little-endian 16-bit samples to bytes: (sample >> shift), low 8 bits. shift <= 8.
    void (*shift16)(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift);
    // Little-endian 16-bit samples to bytes through a table of 65536 entries.
    void (*lut16)(const uint8_t* src, uint8_t* dst, size_t samples, const uint8_t* table);
    // Byte order R, G, B to B, G, R.
    void (*rgbToBgr)(const uint8_t* src, uint8_t* dst, size_t pixels);
    // 16-bit samples R, G, B to bytes B, G, R by shift.
    void (*rgb48ToBgr)(const uint8_t* src, uint8_t* dst, size_t pixels, unsigned shift);
    // R, G, B, A and B, G, R, A to B, G, R; alpha dropped.
    void (*rgbaToBgr)(const uint8_t* src, uint8_t* dst, size_t pixels);
    void (*bgraToBgr)(const uint8_t* src, uint8_t* dst, size_t pixels);
    // Packed YUV to B, G, R. A pixel count that ends inside a group converts only the
    // pixels up to the count, reading only the bytes those pixels need.
    void (*yuv411ToBgr)(const uint8_t* src, uint8_t* dst, size_t pixels);
    void (*yuv422ToBgr)(const uint8_t* src, uint8_t* dst, size_t pixels);
    void (*yuv444ToBgr)(const uint8_t* src, uint8_t* dst, size_t pixels);
};

// The set of the given level, or null when this build or this processor lacks it.
const Kernels* KernelsFor(Isa isa);

// The best set this processor runs, chosen once per process.
const Kernels& ActiveKernels();

// A pass whose source and output bytes together exceed this many bytes cannot keep its output
// in the cache, so the SIMD kernels write that output with streaming stores, which skip
// reading each destination line first. The default is the processor's last-level cache (the
// share of one core complex); the value changes speed only, never results.
size_t StreamingThreshold();
void SetStreamingThreshold(size_t bytes);

namespace reference {
// Each kernel alone; the reference set holds exactly these.
void ApplyLut(const uint8_t* table, uint8_t* buffer, size_t count);
void Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift);
void Lut16(const uint8_t* src, uint8_t* dst, size_t samples, const uint8_t* table);
void RgbToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Rgb48ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels, unsigned shift);
void RgbaToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void BgraToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Yuv411ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Yuv422ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void Yuv444ToBgr(const uint8_t* src, uint8_t* dst, size_t pixels);
void YuvToBgr(uint8_t y, uint8_t u, uint8_t v, uint8_t* bgr);
}  // namespace reference

}  // namespace tarnix::convert
