// Colour interpolation of 8-bit Bayer frames.
#include <harness/SdkTest.h>

#include <cstring>
#include <vector>

namespace tarnix::test {
namespace {

enum Colour { kRed, kGreen, kBlue };

// Colour of site (x, y) for a tile order; red sits at (redX, redY) of each 2x2 tile.
Colour SiteColour(int x, int y, uint32_t pattern) {
    const int redX = (pattern == ePvBayerGRBG || pattern == ePvBayerBGGR) ? 1 : 0;
    const int redY = (pattern == ePvBayerGBRG || pattern == ePvBayerBGGR) ? 1 : 0;
    const bool redRow = ((y + redY) & 1) == 0;
    const bool redColumn = ((x + redX) & 1) == 0;
    if (redRow && redColumn) {
        return kRed;
    }
    return redRow || redColumn ? kGreen : kBlue;
}

int Mirror(int i, int n) {
    return i < 0 ? -i : i >= n ? 2 * n - 2 - i : i;
}

// The rule, stated another way: a site's own colour is its sample; a missing colour is the
// rounded average of the samples of that colour among its eight (mirrored) neighbours.
uint8_t Expected(const std::vector<uint8_t>& src, int w, int h, int x, int y, Colour colour,
                 uint32_t pattern) {
    if (SiteColour(x, y, pattern) == colour) {
        return src[size_t(y * w + x)];
    }
    int sum = 0;
    int n = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if ((dx != 0 || dy != 0) && SiteColour(x + dx, y + dy, pattern) == colour) {
                sum += src[size_t(Mirror(y + dy, h) * w + Mirror(x + dx, w))];
                ++n;
            }
        }
    }
    return uint8_t((sum + n / 2) / n);
}

std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
    std::vector<uint8_t> data(size);
    for (auto& b : data) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return data;
}

TEST(Demosaic, TwoByTwoTileByHand) {
    std::vector<uint8_t> src = {10, 20, 30, 40};  // R G / G B
    tPvFrame frame = BayerFrame(src, 2, 2);
    uint8_t bgr[12];
    ASSERT_EQ(PvUtilityColorInterpolate(&frame, bgr + 2, bgr + 1, bgr, 2, 0), ePvErrSuccess);
    const uint8_t expected[12] = {40, 25, 10, 40, 20, 10,   // red site, green site
                                  40, 30, 10, 40, 25, 10};  // green site, blue site
    EXPECT_EQ(std::memcmp(bgr, expected, 12), 0);
}

TEST(Demosaic, MatchesTheRuleForEveryTileOrderAndSize) {
    for (uint32_t pattern = ePvBayerRGGB; pattern <= ePvBayerBGGR; ++pattern) {
        for (const auto& [w, h] : {std::pair{2, 2}, std::pair{3, 5}, std::pair{16, 9}}) {
            SCOPED_TRACE(::testing::Message() << "pattern " << pattern << " " << w << "x" << h);
            // Exactly width x height source bytes: a read past them is a sanitizer error.
            std::vector<uint8_t> src = Noise(size_t(w * h), pattern * 100 + uint32_t(w));
            tPvFrame frame = BayerFrame(src, uint32_t(w), uint32_t(h));
            frame.BayerPattern = pattern;
            std::vector<uint8_t> bgr(size_t(w * h * 3));
            ASSERT_EQ(PvUtilityColorInterpolate(&frame, &bgr[2], &bgr[1], &bgr[0], 2, 0),
                      ePvErrSuccess);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const size_t at = size_t(y * w + x) * 3;
                    ASSERT_EQ(bgr[at + 2], Expected(src, w, h, x, y, kRed, pattern))
                        << x << "," << y;
                    ASSERT_EQ(bgr[at + 1], Expected(src, w, h, x, y, kGreen, pattern))
                        << x << "," << y;
                    ASSERT_EQ(bgr[at], Expected(src, w, h, x, y, kBlue, pattern)) << x << "," << y;
                }
            }
        }
    }
}

TEST(Demosaic, PaddingIsSkippedAndLeftAlone) {
    // Separate planes with one byte of line padding each.
    const uint32_t w = 4, h = 3, stride = w + 1;
    std::vector<uint8_t> src = Noise(w * h, 7);
    tPvFrame frame = BayerFrame(src, w, h);
    std::vector<uint8_t> red(stride * h, 0xCD), green(stride * h, 0xCD), blue(stride * h, 0xCD);
    ASSERT_EQ(PvUtilityColorInterpolate(&frame, red.data(), green.data(), blue.data(), 0, 1),
              ePvErrSuccess);
    for (uint32_t y = 0; y < h; ++y) {
        EXPECT_EQ(red[y * stride + w], 0xCD);
        EXPECT_EQ(blue[y * stride + w], 0xCD);
        for (uint32_t x = 0; x < w; ++x) {
            EXPECT_EQ(green[y * stride + x], Expected(src, w, h, int(x), int(y), kGreen, 0));
        }
    }
}

TEST(Demosaic, RefusesWhatItCannotInterpolate) {
    std::vector<uint8_t> src(16, 0);
    uint8_t out[64];
    tPvFrame frame = BayerFrame(src, 4, 4);
    EXPECT_EQ(PvUtilityColorInterpolate(nullptr, out, out, out, 0, 0), ePvErrBadParameter);
    EXPECT_EQ(PvUtilityColorInterpolate(&frame, out, nullptr, out, 0, 0), ePvErrBadParameter);
    frame.Format = ePvFmtMono8;
    EXPECT_EQ(PvUtilityColorInterpolate(&frame, out, out, out, 0, 0), ePvErrBadParameter);
    frame = BayerFrame(src, 1, 16);
    EXPECT_EQ(PvUtilityColorInterpolate(&frame, out, out, out, 0, 0), ePvErrBadParameter);
    frame = BayerFrame(src, 5, 4);  // more pixels than the buffer holds
    EXPECT_EQ(PvUtilityColorInterpolate(&frame, out, out, out, 0, 0), ePvErrBadParameter);
    frame = BayerFrame(src, 4, 4);
    frame.BayerPattern = 4;
    EXPECT_EQ(PvUtilityColorInterpolate(&frame, out, out, out, 0, 0), ePvErrBadParameter);
}

}  // namespace
}  // namespace tarnix::test
