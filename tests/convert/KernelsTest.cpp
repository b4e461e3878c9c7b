// Every kernel of every instruction-set level this processor runs equals the reference on
// random data, at pixel counts around the block sizes (16, 32) and the YUV group sizes.
// Buffers are exactly as large as the kernel may touch, so the sanitizer build catches a
// read or write one byte past.
#include <convert/Kernels.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

using tarnix::convert::Isa;
using tarnix::convert::Kernels;
using Bytes = std::vector<uint8_t>;

Bytes Random(size_t size, uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes b(size);
    for (auto& x : b) x = static_cast<uint8_t>(gen());
    return b;
}

// Around the steps of 16, 32 and 64 pixels, and past one and two 64-pixel steps.
constexpr size_t kCounts[] = {0,  1,  2,  3,  4,   5,   6,   7,   8,   15,  16,  17,
                              18, 19, 31, 32, 33,  34,  35,  47,  48,  49,  63,  64,
                              65, 95, 96, 97, 127, 128, 129, 130, 191, 192, 193, 1001};

// Source bytes a kernel needs for n pixels.
size_t Rgb24Bytes(size_t n) {
    return 3 * n;
}
size_t Rgba32Bytes(size_t n) {
    return 4 * n;
}
size_t Uyvy422Bytes(size_t n) {
    return 2 * n + n % 2;
}  // a lone last pixel needs U, Y, V
size_t Yuv411Bytes(size_t n) {
    constexpr size_t kPartial[4] = {0, 4, 4, 5};  // U Y0 [Y1] V [Y2] of the last group
    return n / 4 * 6 + kPartial[n % 4];
}

using PixelKernel = void (*)(const uint8_t*, uint8_t*, size_t);

class KernelsTest : public testing::TestWithParam<Isa> {
  protected:
    void SetUp() override {
        fast_ = tarnix::convert::KernelsFor(GetParam());
        if (!fast_) GTEST_SKIP() << "this processor lacks " << tarnix::convert::IsaName(GetParam());
    }

    static void ExpectSameBgr(PixelKernel fast, PixelKernel ref, size_t (*sourceBytes)(size_t),
                              const char* name) {
        for (size_t n : kCounts) {
            const Bytes src = Random(sourceBytes(n), static_cast<uint32_t>(n));
            Bytes want(3 * n), got(3 * n);
            ref(src.data(), want.data(), n);
            fast(src.data(), got.data(), n);
            EXPECT_EQ(got, want) << name << ", " << n << " pixels";
        }
    }

    const Kernels* fast_ = nullptr;
    const Kernels& ref_ = *tarnix::convert::KernelsFor(Isa::Reference);
};

TEST_P(KernelsTest, ByteLayoutsMatchReference) {
    ExpectSameBgr(fast_->rgbToBgr, ref_.rgbToBgr, Rgb24Bytes, "RGB24");
    ExpectSameBgr(fast_->rgbaToBgr, ref_.rgbaToBgr, Rgba32Bytes, "RGBA32");
    ExpectSameBgr(fast_->bgraToBgr, ref_.bgraToBgr, Rgba32Bytes, "BGRA32");
    ExpectSameBgr(fast_->yuv444ToBgr, ref_.yuv444ToBgr, Rgb24Bytes, "YUV 4:4:4");
    ExpectSameBgr(fast_->yuv422ToBgr, ref_.yuv422ToBgr, Uyvy422Bytes, "YUV 4:2:2");
    ExpectSameBgr(fast_->yuv411ToBgr, ref_.yuv411ToBgr, Yuv411Bytes, "YUV 4:1:1");
}

// Random samples exceed the declared depth, so this also pins truncation (not saturation) of
// the shifted value.
TEST_P(KernelsTest, SixteenBitReductionsMatchReference) {
    const Bytes table = Random(65536, 7);
    for (size_t n : kCounts) {
        const Bytes src = Random(6 * n, static_cast<uint32_t>(n) + 100);
        for (unsigned shift = 0; shift <= 8; ++shift) {
            Bytes want(n), got(n);
            ref_.shift16(src.data(), want.data(), n, shift);
            fast_->shift16(src.data(), got.data(), n, shift);
            EXPECT_EQ(got, want) << "shift " << shift << ", " << n << " samples";

            // In place, as 16-bit Bayer frames are reduced.
            Bytes inPlace(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(2 * n));
            fast_->shift16(inPlace.data(), inPlace.data(), n, shift);
            EXPECT_TRUE(std::equal(want.begin(), want.end(), inPlace.begin()))
                << "in place, shift " << shift << ", " << n << " samples";

            Bytes want3(3 * n), got3(3 * n);
            ref_.rgb48ToBgr(src.data(), want3.data(), n, shift);
            fast_->rgb48ToBgr(src.data(), got3.data(), n, shift);
            EXPECT_EQ(got3, want3) << "RGB48, shift " << shift << ", " << n << " pixels";
        }
        Bytes want(n), got(n);
        ref_.lut16(src.data(), want.data(), n, table.data());
        fast_->lut16(src.data(), got.data(), n, table.data());
        EXPECT_EQ(got, want) << "16-bit table, " << n << " samples";

        Bytes inPlace(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(2 * n));
        fast_->lut16(inPlace.data(), inPlace.data(), n, table.data());
        EXPECT_TRUE(std::equal(want.begin(), want.end(), inPlace.begin()))
            << "16-bit table in place, " << n << " samples";
    }
}

// The table's first and last entries (a wide read at the last ones would pass the table's
// end) in every position of a step, out of place and in place.
TEST_P(KernelsTest, SixteenBitTableEnds) {
    const Bytes table = Random(65536, 9);
    constexpr uint16_t kEnds[] = {0, 1, 2, 3, 65532, 65533, 65534, 65535};
    for (size_t n : {size_t{67}, size_t{130}}) {
        for (size_t shift = 0; shift < 8; ++shift) {
            Bytes src(2 * n);
            for (size_t i = 0; i < n; ++i) {
                const uint16_t sample = kEnds[(i + shift) % 8];
                src[2 * i] = static_cast<uint8_t>(sample);
                src[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
            }
            Bytes want(n), got(n);
            ref_.lut16(src.data(), want.data(), n, table.data());
            fast_->lut16(src.data(), got.data(), n, table.data());
            EXPECT_EQ(got, want) << n << " samples, pattern shifted by " << shift;
            fast_->lut16(src.data(), src.data(), n, table.data());
            EXPECT_TRUE(std::equal(want.begin(), want.end(), src.begin()))
                << "in place, " << n << " samples, pattern shifted by " << shift;
        }
    }
}

TEST_P(KernelsTest, ByteTableMatchesReferenceForEveryValue) {
    const Bytes table = Random(256, 11);
    Bytes all(256 * 3 + 17);  // every byte value in every position of a 16- and 32-byte block
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i * 7 + i / 256);
    for (size_t n : kCounts) {
        Bytes want(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(n, all.size())));
        Bytes got = want;
        ref_.applyLut(table.data(), want.data(), want.size());
        fast_->applyLut(table.data(), got.data(), got.size());
        EXPECT_EQ(got, want) << n << " bytes";
    }
    Bytes want = all, got = all;
    ref_.applyLut(table.data(), want.data(), want.size());
    fast_->applyLut(table.data(), got.data(), got.size());
    EXPECT_EQ(got, want);

    // The pass aligns its middle steps, so its first and last steps depend on where the
    // buffer starts: every start within a 64-byte line, with the bytes before and one byte
    // after untouched. The AVX-512 ends are masked accesses, which the sanitizer does not see,
    // so the byte after is checked here.
    constexpr uint8_t kUntouched = 0xA5;
    ASSERT_NE(table[kUntouched], kUntouched);  // a stray lookup would change it
    for (size_t offset = 0; offset < 64; ++offset) {
        for (size_t n : {size_t{1}, size_t{63}, size_t{64}, size_t{65}, size_t{127}, size_t{200}}) {
            Bytes wantAt(offset + n + 1, kUntouched), gotAt = wantAt;
            std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n),
                      wantAt.begin() + static_cast<std::ptrdiff_t>(offset));
            std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n),
                      gotAt.begin() + static_cast<std::ptrdiff_t>(offset));
            ref_.applyLut(table.data(), wantAt.data() + offset, n);
            fast_->applyLut(table.data(), gotAt.data() + offset, n);
            EXPECT_EQ(gotAt, wantAt) << n << " bytes at offset " << offset;
        }
    }
}

// The SIMD passes store their middle steps aligned, or around the cache when the pass is
// larger than the cache, and their first and last steps overlap the middle ones (the YUV
// kernels leave the pixels before the first aligned step to a lower level, or store
// unaligned when that step would split a group). Each kernel at every start of its output
// within a 64-byte line, storing both ways: the output equals the reference, and the bytes
// before it are left alone (the sanitizer build catches any past it).
TEST_P(KernelsTest, EveryOutputAlignmentBothStoreKinds) {
    struct RestoreThreshold {
        size_t bytes = tarnix::convert::StreamingThreshold();
        ~RestoreThreshold() { tarnix::convert::SetStreamingThreshold(bytes); }
    } restore;
    constexpr size_t kLengths[] = {31, 32, 33, 64, 65, 95, 127, 130, 192, 1001};
    constexpr uint8_t kUntouched = 0xA5;
    // Runs fast and ref on n pixels into outputs starting `offset` bytes into their buffers.
    auto check = [&](auto&& run, size_t outPerPixel, size_t n, size_t offset, const char* what) {
        Bytes want(offset + outPerPixel * n, kUntouched), got = want;
        run(true, want.data() + offset);
        run(false, got.data() + offset);
        EXPECT_EQ(got, want) << what << ", " << n << " pixels at offset " << offset;
    };
    const Bytes table = Random(65536, 13);
    for (size_t threshold : {SIZE_MAX, size_t{0}}) {
        tarnix::convert::SetStreamingThreshold(threshold);
        const char* stores = threshold == 0 ? "streaming" : "cached";
        for (size_t n : kLengths) {
            const Bytes src = Random(6 * n, static_cast<uint32_t>(n) + 7);
            for (size_t offset = 0; offset < 64; ++offset) {
                SCOPED_TRACE(stores);
                const std::pair<const char*, PixelKernel Kernels::*> layouts[] = {
                    {"RGB24", &Kernels::rgbToBgr},        {"RGBA32", &Kernels::rgbaToBgr},
                    {"BGRA32", &Kernels::bgraToBgr},      {"YUV 4:1:1", &Kernels::yuv411ToBgr},
                    {"YUV 4:2:2", &Kernels::yuv422ToBgr}, {"YUV 4:4:4", &Kernels::yuv444ToBgr}};
                for (const auto& [name, kernel] : layouts) {
                    auto run = [&](bool ref, uint8_t* out) {
                        ((ref ? ref_ : *fast_).*kernel)(src.data(), out, n);
                    };
                    check(run, 3, n, offset, name);
                }
                for (unsigned shift : {0u, 4u, 8u}) {
                    auto shift16 = [&](bool ref, uint8_t* out) {
                        (ref ? ref_ : *fast_).shift16(src.data(), out, n, shift);
                    };
                    check(shift16, 1, n, offset, "16-bit shift");
                    auto rgb48 = [&](bool ref, uint8_t* out) {
                        (ref ? ref_ : *fast_).rgb48ToBgr(src.data(), out, n, shift);
                    };
                    check(rgb48, 3, n, offset, "RGB48");
                    // In place, with the samples starting at the offset.
                    auto inPlace = [&](bool ref, uint8_t* out) {
                        std::copy(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(2 * n),
                                  out);
                        (ref ? ref_ : *fast_).shift16(out, out, n, shift);
                    };
                    check(inPlace, 2, n, offset, "16-bit shift in place");
                }
                // The table lookup fetches ahead in passes larger than the cache.
                auto lut16 = [&](bool ref, uint8_t* out) {
                    std::copy(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(2 * n), out);
                    (ref ? ref_ : *fast_).lut16(out, out, n, table.data());
                };
                check(lut16, 2, n, offset, "16-bit table in place");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, KernelsTest,
                         testing::Values(Isa::Sse2, Isa::Ssse3, Isa::Avx2, Isa::Avx512Bw,
                                         Isa::Avx512Vbmi),
                         [](const testing::TestParamInfo<Isa>& info) {
                             return std::string(tarnix::convert::IsaName(info.param));
                         });

}  // namespace
