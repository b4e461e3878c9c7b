// The fast demosaic against the reference rule, byte for byte, at every instruction-set level
// this processor runs: frame sizes around the SIMD block widths and the row pairing, every tile
// order, every colour order of the interleaved layout, and the padded layouts. Output buffers
// carry guard bytes, and padding starts out the same in both runs, so a stray write shows.
#include <demosaic/Demosaic.h>
#include <gtest/gtest.h>
#include <harness/SdkTest.h>
#include <pvapi.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tarnix::sim {
// Level names in failure messages.
void PrintTo(DemosaicLevel level, std::ostream* os) {
    *os << DemosaicLevelName(level);
}
}  // namespace tarnix::sim

namespace tarnix::test {
namespace {

using sim::DemosaicLevel;

constexpr size_t kGuard = 64;
constexpr uint8_t kFill = 0xA5;

// Exactly width x height bytes, so that a read past them is a sanitizer error. Besides plain
// noise, a mix of the values next to 0 and 255, where rounding and byte overflow go wrong.
std::vector<uint8_t> Frame(uint32_t w, uint32_t h, uint32_t seed, bool extremes) {
    static const uint8_t kEdges[8] = {0, 1, 2, 3, 252, 253, 254, 255};
    std::vector<uint8_t> data(size_t(w) * h);
    for (auto& b : data) {
        seed = seed * 1664525u + 1013904223u;
        b = extremes ? kEdges[seed >> 29] : uint8_t(seed >> 24);
    }
    return data;
}

// Where the three colours go: byte offsets in one shared pixel, or three buffers.
struct Layout {
    std::string name;
    uint32_t pixelPadding;
    uint32_t linePadding;
    int red, green, blue;  // offsets within a pixel; -1 for separate buffers
};

const Layout kBgr{"bgr", 2, 0, 2, 1, 0};

class Output {
  public:
    Output(const Layout& layout, uint32_t w, uint32_t h)
        : layout_(layout), step_(1 + layout.pixelPadding), line_(w * step_ + layout.linePadding) {
        const size_t bytes = size_t(line_) * h + 2 * kGuard;
        for (int i = 0; i < (Separate() ? 3 : 1); ++i) {
            buffers_.emplace_back(bytes, kFill);
        }
    }

    sim::DemosaicTarget Target() {
        auto at = [&](int buffer, int offset) {
            return Separate() ? buffers_[size_t(buffer)].data() + kGuard
                              : buffers_[0].data() + kGuard + offset;
        };
        return {at(0, layout_.red), at(1, layout_.green), at(2, layout_.blue), step_, line_};
    }

    // Empty when equal, else where the first difference is.
    std::string Difference(const Output& other) const {
        for (size_t b = 0; b < buffers_.size(); ++b) {
            const auto& mine = buffers_[b];
            const auto& theirs = other.buffers_[b];
            for (size_t i = 0; i < mine.size(); ++i) {
                if (mine[i] != theirs[i]) {
                    const long at = long(i) - long(kGuard);
                    return "buffer " + std::to_string(b) + " byte " + std::to_string(at) +
                           " (pixel " + std::to_string(at % long(line_) / long(step_)) + ", row " +
                           std::to_string(at / long(line_)) + "): " + std::to_string(mine[i]) +
                           " instead of " + std::to_string(theirs[i]);
                }
            }
        }
        return {};
    }

  private:
    bool Separate() const { return layout_.red < 0; }

    Layout layout_;
    uint32_t step_;
    uint32_t line_;
    std::vector<std::vector<uint8_t>> buffers_;
};

class DemosaicLevels : public ::testing::TestWithParam<DemosaicLevel> {
  protected:
    void SetUp() override {
        if (!sim::DemosaicLevelRuns(GetParam())) {
            GTEST_SKIP() << "this processor lacks " << sim::DemosaicLevelName(GetParam());
        }
    }

    void ExpectSame(const std::vector<uint8_t>& src, uint32_t w, uint32_t h, uint32_t pattern,
                    const Layout& layout) {
        Output expected(layout, w, h), actual(layout, w, h);
        sim::DemosaicReference(src.data(), w, h, pattern, expected.Target());
        sim::DemosaicAt(GetParam(), src.data(), w, h, pattern, actual.Target());
        const std::string difference = actual.Difference(expected);
        EXPECT_TRUE(difference.empty())
            << layout.name << " " << w << "x" << h << " pattern " << pattern << ": " << difference;
    }
};

TEST_P(DemosaicLevels, InterleavedMatchesReferenceAtEverySize) {
    // Widths around the block widths (16, 32 and 64 inner columns plus the two borders) and
    // their multiples, odd and even; heights with an odd and an even count of inner rows.
    std::vector<uint32_t> widths = {2, 3, 4, 5, 6, 7, 8, 9, 130, 131};
    for (uint32_t block : {16u, 32u, 64u, 128u}) {
        for (uint32_t w = block - 1; w <= block + 5; ++w) {
            widths.push_back(w);
        }
    }
    for (uint32_t pattern = ePvBayerRGGB; pattern <= ePvBayerBGGR; ++pattern) {
        for (uint32_t w : widths) {
            for (uint32_t h : {2u, 3u, 4u, 5u, 6u, 9u, 34u}) {
                for (bool extremes : {false, true}) {
                    ExpectSame(Frame(w, h, w * 31 + h, extremes), w, h, pattern, kBgr);
                }
            }
        }
    }
}

TEST_P(DemosaicLevels, InterleavedMatchesReferenceOnLargerFrames) {
    for (const auto& [w, h] : {std::pair{641u, 37u}, std::pair{640u, 48u}, std::pair{1023u, 7u}}) {
        for (uint32_t pattern = ePvBayerRGGB; pattern <= ePvBayerBGGR; ++pattern) {
            ExpectSame(Frame(w, h, pattern + 7, false), w, h, pattern, kBgr);
        }
    }
}

TEST_P(DemosaicLevels, EveryColourOrderOfTheInterleavedLayout) {
    const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& o : orders) {
        const Layout layout{
            "order " + std::to_string(o[0]) + std::to_string(o[1]) + std::to_string(o[2]),
            2,
            0,
            o[0],
            o[1],
            o[2]};
        for (uint32_t pattern = ePvBayerRGGB; pattern <= ePvBayerBGGR; ++pattern) {
            for (const auto& [w, h] :
                 {std::pair{18u, 5u}, std::pair{35u, 4u}, std::pair{67u, 9u}}) {
                ExpectSame(Frame(w, h, 3, false), w, h, pattern, layout);
            }
        }
    }
}

TEST_P(DemosaicLevels, PaddedLayoutsMatchReference) {
    const Layout layouts[] = {
        {"planes", 0, 0, -1, -1, -1},
        {"planes with line padding", 0, 5, -1, -1, -1},
        {"separate buffers with the interleaved steps", 2, 0, -1, -1, -1},
        {"bgr with line padding", 2, 1, 2, 1, 0},
        {"four bytes per pixel", 3, 0, 2, 1, 0},
        {"planes with pixel and line padding", 1, 3, -1, -1, -1},
        {"spread pixels with line padding", 4, 3, 0, 2, 4},
    };
    for (const Layout& layout : layouts) {
        for (uint32_t pattern = ePvBayerRGGB; pattern <= ePvBayerBGGR; ++pattern) {
            for (const auto& [w, h] : {std::pair{2u, 2u}, std::pair{3u, 3u}, std::pair{17u, 6u},
                                       std::pair{35u, 5u}, std::pair{66u, 7u}}) {
                ExpectSame(Frame(w, h, w + h, true), w, h, pattern, layout);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Each, DemosaicLevels, ::testing::ValuesIn(sim::kDemosaicLevels),
                         [](const ::testing::TestParamInfo<DemosaicLevel>& info) {
                             return std::string(sim::DemosaicLevelName(info.param));
                         });

// The exported function runs the best level: the driver's call on a camera-sized frame gives
// the reference's bytes.
TEST(DemosaicExported, DriverCallOnACameraFrameMatchesReference) {
    const uint32_t w = 1360, h = 1024;
    std::vector<uint8_t> src = Frame(w, h, 11, false);
    tPvFrame frame = BayerFrame(src, w, h);
    frame.BayerPattern = ePvBayerGRBG;
    Output expected(kBgr, w, h), actual(kBgr, w, h);
    sim::DemosaicReference(src.data(), w, h, frame.BayerPattern, expected.Target());
    const sim::DemosaicTarget t = actual.Target();
    ASSERT_EQ(PvUtilityColorInterpolate(&frame, t.red, t.green, t.blue, 2, 0), ePvErrSuccess);
    EXPECT_EQ(actual.Difference(expected), "");
}

}  // namespace
}  // namespace tarnix::test
