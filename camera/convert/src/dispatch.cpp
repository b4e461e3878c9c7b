// The kernel sets per instruction-set level and the run-time choice among them.
#include <initializer_list>

#include "convert/kernels.h"
#include "simd.h"

namespace convert {
namespace {

constexpr Kernels kReference = {
    Isa::Reference,         reference::ApplyLut,    reference::Shift16,     reference::Lut16,
    reference::RgbToBgr,    reference::Rgb48ToBgr,  reference::RgbaToBgr,   reference::BgraToBgr,
    reference::Yuv411ToBgr, reference::Yuv422ToBgr, reference::Yuv444ToBgr,
};

#if CONVERT_X86
// The 16-bit samples are looked up one by one at every level: the table is too large for
// byte shuffles, and gathers are no faster than scalar loads.
constexpr Kernels kSse2 = {
    Isa::Sse2,
    reference::ApplyLut,
    simd::Sse2Shift16,
    reference::Lut16,
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
    reference::Lut16,
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
    reference::Lut16,
    simd::Avx2RgbToBgr,
    simd::Avx2Rgb48ToBgr,
    simd::Avx2RgbaToBgr,
    simd::Avx2BgraToBgr,
    simd::Avx2Yuv411ToBgr,
    simd::Avx2Yuv422ToBgr,
    simd::Avx2Yuv444ToBgr,
};

// The processor's features; the AVX2 test also covers the operating system saving the
// wide registers.
bool Runs(Isa isa) {
    __builtin_cpu_init();
    switch (isa) {
        case Isa::Reference:
            return true;
        case Isa::Sse2:
            return __builtin_cpu_supports("sse2");
        case Isa::Ssse3:
            return __builtin_cpu_supports("ssse3");
        case Isa::Avx2:
            return __builtin_cpu_supports("avx2");
    }
    return false;
}
#endif

const Kernels& Best() {
    for (Isa isa : {Isa::Avx2, Isa::Ssse3, Isa::Sse2}) {
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

}  // namespace convert
