#include "cpu/Features.h"

namespace tarnix::cpu {
namespace {

constexpr unsigned Bit(Feature feature) {
    return 1u << static_cast<unsigned>(feature);
}

unsigned Detect() {
    unsigned found = 0;
#if defined(__i386__) || defined(__x86_64__)
    // The compiler's runtime reads CPUID and, for AVX2 and AVX-512, also XGETBV, so a feature
    // whose registers the operating system does not save is reported missing.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse2")) found |= Bit(Feature::Sse2);
    if (__builtin_cpu_supports("ssse3")) found |= Bit(Feature::Ssse3);
    if (__builtin_cpu_supports("avx2")) found |= Bit(Feature::Avx2);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        found |= Bit(Feature::Avx512Bw);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vbmi"))
        found |= Bit(Feature::Avx512Vbmi);
#endif
    return found;
}

}  // namespace

bool Supports(Feature feature) {
    static const unsigned detected = Detect();
    return (detected & Bit(feature)) != 0;
}

}  // namespace tarnix::cpu
