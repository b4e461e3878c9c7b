// The shared feature detection against CPUID and XGETBV read here directly, so a feature
// mapped to the wrong flag, or a wide one reported although the operating system does not
// save its registers, shows on any processor.
#include <cpu/Features.h>
#include <gtest/gtest.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include <cstdint>

namespace {

using tarnix::cpu::Feature;
using tarnix::cpu::Supports;

#if defined(__i386__) || defined(__x86_64__)
struct Registers {
    unsigned a = 0, b = 0, c = 0, d = 0;
};

Registers Leaf(unsigned leaf, unsigned sub = 0) {
    Registers r;
    if (static_cast<unsigned>(__get_cpuid_max(0, nullptr)) >= leaf)
        __cpuid_count(leaf, sub, r.a, r.b, r.c, r.d);
    return r;
}

// The register state the operating system saves (XCR0); 0 without OSXSAVE.
uint64_t SavedState() {
    if ((Leaf(1).c & (1u << 27)) == 0) return 0;
    unsigned low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (uint64_t{high} << 32) | low;
}

TEST(CpuFeaturesTest, MatchesTheFlagsAndTheSavedRegisterState) {
    const Registers one = Leaf(1), seven = Leaf(7);
    const uint64_t state = SavedState();
    const bool ymm = (state & 0x06) == 0x06;  // SSE and AVX state
    const bool zmm = (state & 0xE6) == 0xE6;  // and the opmask and both halves of ZMM
    const bool avx = ymm && (one.c & (1u << 28)) != 0;
    const bool avx512f = zmm && (seven.b & (1u << 16)) != 0;
    EXPECT_EQ(Supports(Feature::Sse2), (one.d & (1u << 26)) != 0);
    EXPECT_EQ(Supports(Feature::Ssse3), (one.c & (1u << 9)) != 0);
    EXPECT_EQ(Supports(Feature::Avx2), avx && (seven.b & (1u << 5)) != 0);
    EXPECT_EQ(Supports(Feature::Avx512Bw), avx512f && (seven.b & (1u << 30)) != 0);
    EXPECT_EQ(Supports(Feature::Avx512Vbmi), avx512f && (seven.c & (1u << 1)) != 0);
}

// Each level holds the ones below it on every processor made.
TEST(CpuFeaturesTest, Sse2AlwaysAndEachLevelWithTheOnesBelow) {
    EXPECT_TRUE(Supports(Feature::Sse2));
    EXPECT_TRUE(!Supports(Feature::Ssse3) || Supports(Feature::Sse2));
    EXPECT_TRUE(!Supports(Feature::Avx2) || Supports(Feature::Ssse3));
    EXPECT_TRUE(!Supports(Feature::Avx512Bw) || Supports(Feature::Avx2));
}
#else
TEST(CpuFeaturesTest, NoX86FeatureOnOtherProcessors) {
    for (Feature f :
         {Feature::Sse2, Feature::Ssse3, Feature::Avx2, Feature::Avx512Bw, Feature::Avx512Vbmi})
        EXPECT_FALSE(Supports(f));
}
#endif

}  // namespace
