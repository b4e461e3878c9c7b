// The kernel sets per instruction-set level, the run-time choice among them, and the size
// above which they write around the cache.
#include <atomic>
#include <initializer_list>

#include "Simd.h"
#include "convert/Kernels.h"

#if CONVERT_X86
#include <cpu/Features.h>
#include <cpuid.h>
#endif

namespace tarnix::convert {
namespace {

#if CONVERT_X86
// The largest cache the deterministic cache leaf describes (leaf 4 on Intel, 0x8000001D on
// AMD), or 0. The older AMD leaf 0x80000006 is not used: on parts with several core
// complexes it reports the L3 of the whole package, which one core's pass cannot fill.
size_t LargestCache(unsigned leaf) {
    // GCC's cpuid.h gives the highest leaf as unsigned, clang's as int.
    if (static_cast<unsigned>(__get_cpuid_max(leaf & 0x80000000u, nullptr)) < leaf) return 0;
    size_t largest = 0;
    for (unsigned sub = 0; sub < 16; ++sub) {
        unsigned a = 0, b = 0, c = 0, d = 0;
        __cpuid_count(leaf, sub, a, b, c, d);
        if ((a & 0x1F) == 0) break;  // no more caches
        const size_t ways = (b >> 22) + 1, partitions = ((b >> 12) & 0x3FF) + 1;
        const size_t bytes = ways * partitions * ((b & 0xFFF) + 1) * (size_t{c} + 1);
        if (bytes > largest) largest = bytes;
    }
    return largest;
}
#endif

size_t LastLevelCacheBytes() {
    constexpr size_t kUnknown = size_t{16} << 20;
#if CONVERT_X86
    if (const size_t bytes = LargestCache(4)) return bytes;
    if (const size_t bytes = LargestCache(0x8000001Du)) return bytes;
#endif
    return kUnknown;
}

std::atomic<size_t>& Threshold() {
    static std::atomic<size_t> threshold{LastLevelCacheBytes()};
    return threshold;
}

constexpr Kernels kReference = {
    Isa::Reference,         reference::ApplyLut,    reference::Shift16,     reference::Lut16,
    reference::RgbToBgr,    reference::Rgb48ToBgr,  reference::RgbaToBgr,   reference::BgraToBgr,
    reference::Yuv411ToBgr, reference::Yuv422ToBgr, reference::Yuv444ToBgr,
};

#if CONVERT_X86
// The 16-bit samples are looked up one by one at every level, by the same unrolled loop: the
// table is too large for byte shuffles, and AVX2 and AVX-512 gathers measured slower.
constexpr Kernels kSse2 = {
    Isa::Sse2,
    reference::ApplyLut,
    simd::Sse2Shift16,
    simd::UnrolledLut16,
    reference::RgbToBgr,
    reference::Rgb48ToBgr,
    reference::RgbaToBgr,
    reference::BgraToBgr,
    reference::Yuv411ToBgr,
    reference::Yuv422ToBgr,
    reference::Yuv444ToBgr,
};

constexpr Kernels kSsse3 = {
    Isa::Ssse3,
    simd::Ssse3ApplyLut,
    simd::Sse2Shift16,
    simd::UnrolledLut16,
    simd::Ssse3RgbToBgr,
    simd::Ssse3Rgb48ToBgr,
    simd::Ssse3RgbaToBgr,
    simd::Ssse3BgraToBgr,
    simd::Ssse3Yuv411ToBgr,
    simd::Ssse3Yuv422ToBgr,
    simd::Ssse3Yuv444ToBgr,
};

constexpr Kernels kAvx2 = {
    Isa::Avx2,
    simd::Avx2ApplyLut,
    simd::Avx2Shift16,
    simd::UnrolledLut16,
    simd::Avx2RgbToBgr,
    simd::Avx2Rgb48ToBgr,
    simd::Avx2RgbaToBgr,
    simd::Avx2BgraToBgr,
    simd::Avx2Yuv411ToBgr,
    simd::Avx2Yuv422ToBgr,
    simd::Avx2Yuv444ToBgr,
};

// The AVX2 set with the table pass on AVX-512 masks; the YUV kernels widened with BW alone
// were slower than AVX2 (see KernelsAvx512.cpp).
constexpr Kernels kAvx512Bw = {
    Isa::Avx512Bw,         simd::Avx512BwApplyLut, simd::Avx2Shift16,     simd::UnrolledLut16,
    simd::Avx2RgbToBgr,    simd::Avx2Rgb48ToBgr,   simd::Avx2RgbaToBgr,   simd::Avx2BgraToBgr,
    simd::Avx2Yuv411ToBgr, simd::Avx2Yuv422ToBgr,  simd::Avx2Yuv444ToBgr,
};

// The AVX-512 BW set with the table pass and YUV as byte permutes across whole registers.
constexpr Kernels kAvx512Vbmi = {
    Isa::Avx512Vbmi,
    simd::Avx512VbmiApplyLut,
    simd::Avx2Shift16,
    simd::UnrolledLut16,
    simd::Avx2RgbToBgr,
    simd::Avx2Rgb48ToBgr,
    simd::Avx2RgbaToBgr,
    simd::Avx2BgraToBgr,
    simd::Avx512VbmiYuv411ToBgr,
    simd::Avx512VbmiYuv422ToBgr,
    simd::Avx512VbmiYuv444ToBgr,
};

// The processor's features, as the one detection shared with the SDK's demosaic found them.
bool Runs(Isa isa) {
    switch (isa) {
        case Isa::Reference:
            return true;
        case Isa::Sse2:
            return cpu::Supports(cpu::Feature::Sse2);
        case Isa::Ssse3:
            return cpu::Supports(cpu::Feature::Ssse3);
        case Isa::Avx2:
            return cpu::Supports(cpu::Feature::Avx2);
        case Isa::Avx512Bw:
            return cpu::Supports(cpu::Feature::Avx512Bw);
        case Isa::Avx512Vbmi:
            return cpu::Supports(cpu::Feature::Avx512Bw) && cpu::Supports(cpu::Feature::Avx512Vbmi);
    }
    return false;
}
#endif

const Kernels& Best() {
    for (Isa isa : {Isa::Avx512Vbmi, Isa::Avx512Bw, Isa::Avx2, Isa::Ssse3, Isa::Sse2}) {
        if (const Kernels* k = KernelsFor(isa)) return *k;
    }
    return kReference;
}

}  // namespace

const char* IsaName(Isa isa) {
    switch (isa) {
        case Isa::Reference:
            return "reference";
        case Isa::Sse2:
            return "sse2";
        case Isa::Ssse3:
            return "ssse3";
        case Isa::Avx2:
            return "avx2";
        case Isa::Avx512Bw:
            return "avx512bw";
        case Isa::Avx512Vbmi:
            return "avx512vbmi";
    }
    return "?";
}

const Kernels* KernelsFor(Isa isa) {
#if CONVERT_X86
    if (!Runs(isa)) return nullptr;
    switch (isa) {
        case Isa::Reference:
            return &kReference;
        case Isa::Sse2:
            return &kSse2;
        case Isa::Ssse3:
            return &kSsse3;
        case Isa::Avx2:
            return &kAvx2;
        case Isa::Avx512Bw:
            return &kAvx512Bw;
        case Isa::Avx512Vbmi:
            return &kAvx512Vbmi;
    }
    return nullptr;
#else
    return isa == Isa::Reference ? &kReference : nullptr;
#endif
}

const Kernels& ActiveKernels() {
    static const Kernels& active = Best();
    return active;
}

size_t StreamingThreshold() {
    return Threshold().load(std::memory_order_relaxed);
}

void SetStreamingThreshold(size_t bytes) {
    Threshold().store(bytes, std::memory_order_relaxed);
}

namespace simd {
bool Streams(size_t bytes) {
    return bytes > StreamingThreshold();
}
}  // namespace simd

}  // namespace tarnix::convert
