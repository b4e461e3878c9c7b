// The pixel-format table between GenICam and the SDK, in both directions.
#include <PixelFormats.h>
#include <gtest/gtest.h>

#include <array>

namespace tarnix::gige {
namespace {

struct Described {
    tPvImageFormat format;
    uint32_t bitDepth;
    uint32_t bayerPattern;
};

Described Describe(ArvPixelFormat arv) {
    Described d{99, 99, 99};
    EXPECT_TRUE(ToPvFormat(arv, &d.format, &d.bitDepth, &d.bayerPattern)) << std::hex << arv;
    return d;
}

TEST(PixelFormats, NamesRoundTripForEveryCode) {
    for (tPvImageFormat code = 0; code < 12; ++code) {
        const char* name = PvFormatName(code);
        ASSERT_NE(name, nullptr) << code;
        tPvImageFormat back = 99;
        EXPECT_TRUE(PvFormatFromName(name, &back)) << name;
        EXPECT_EQ(back, code) << name;
    }
    EXPECT_STREQ(PvFormatName(ePvFmtBgr24), "Bgr24");
    EXPECT_STREQ(PvFormatName(ePvFmtYuv411), "Yuv411");
    EXPECT_EQ(PvFormatName(12), nullptr);
    for (const char* wrong : {"mono8", "Mono12", "", "Bayer8 ", "RGB8"}) {
        EXPECT_FALSE(PvFormatFromName(wrong, nullptr)) << wrong;
    }
}

TEST(PixelFormats, BayerTileOrdersAndSampleDepths) {
    const struct {
        ArvPixelFormat arv;
        Described want;
    } cases[] = {
        {ARV_PIXEL_FORMAT_MONO_8, {ePvFmtMono8, 8, 0}},
        {ARV_PIXEL_FORMAT_MONO_10, {ePvFmtMono16, 10, 0}},
        {ARV_PIXEL_FORMAT_MONO_12, {ePvFmtMono16, 12, 0}},
        {ARV_PIXEL_FORMAT_MONO_14, {ePvFmtMono16, 14, 0}},
        {ARV_PIXEL_FORMAT_MONO_16, {ePvFmtMono16, 16, 0}},
        {ARV_PIXEL_FORMAT_BAYER_RG_8, {ePvFmtBayer8, 8, ePvBayerRGGB}},
        {ARV_PIXEL_FORMAT_BAYER_GB_8, {ePvFmtBayer8, 8, ePvBayerGBRG}},
        {ARV_PIXEL_FORMAT_BAYER_GR_8, {ePvFmtBayer8, 8, ePvBayerGRBG}},
        {ARV_PIXEL_FORMAT_BAYER_BG_8, {ePvFmtBayer8, 8, ePvBayerBGGR}},
        {ARV_PIXEL_FORMAT_BAYER_GR_12, {ePvFmtBayer16, 12, ePvBayerGRBG}},
        {ARV_PIXEL_FORMAT_BAYER_BG_16, {ePvFmtBayer16, 16, ePvBayerBGGR}},
        {ARV_PIXEL_FORMAT_RGB_8_PACKED, {ePvFmtRgb24, 8, 0}},
        {ARV_PIXEL_FORMAT_BGR_8_PACKED, {ePvFmtBgr24, 8, 0}},
        {ARV_PIXEL_FORMAT_BGRA_8_PACKED, {ePvFmtBgra32, 8, 0}},
        {ARV_PIXEL_FORMAT_RGB_12_PACKED, {ePvFmtRgb48, 12, 0}},
        {kArvPixelFormatRgb16, {ePvFmtRgb48, 16, 0}},
        {ARV_PIXEL_FORMAT_YUV_422_PACKED, {ePvFmtYuv422, 8, 0}},
    };
    for (const auto& c : cases) {
        const Described got = Describe(c.arv);
        EXPECT_EQ(got.format, c.want.format) << std::hex << c.arv;
        EXPECT_EQ(got.bitDepth, c.want.bitDepth) << std::hex << c.arv;
        EXPECT_EQ(got.bayerPattern, c.want.bayerPattern) << std::hex << c.arv;
    }
    // Layouts the host's converters do not read are refused rather than mislabelled.
    for (const ArvPixelFormat refused :
         {ARV_PIXEL_FORMAT_MONO_12_PACKED, ARV_PIXEL_FORMAT_BAYER_RG_10P,
          ARV_PIXEL_FORMAT_YUV_422_YUYV_PACKED, ARV_PIXEL_FORMAT_RGB_8_PLANAR,
          ARV_PIXEL_FORMAT_MONO_8_SIGNED, ARV_PIXEL_FORMAT_BGR_12_PACKED, 0u}) {
        tPvImageFormat format = 99;
        EXPECT_FALSE(ToPvFormat(refused, &format, nullptr, nullptr)) << std::hex << refused;
        EXPECT_EQ(format, 99u);
    }
}

TEST(PixelFormats, EveryCandidateDeliversItsFormat) {
    for (tPvImageFormat code = 0; code < 12; ++code) {
        const auto candidates = ArvCandidates(code);
        ASSERT_FALSE(candidates.empty()) << PvFormatName(code);
        for (const ArvPixelFormat arv : candidates) {
            EXPECT_EQ(Describe(arv).format, code) << PvFormatName(code) << " " << std::hex << arv;
        }
    }
    EXPECT_TRUE(ArvCandidates(12).empty());
    // The four tile orders are all there for both Bayer formats.
    EXPECT_EQ(ArvCandidates(ePvFmtBayer8).size(), 4u);
    EXPECT_EQ(ArvCandidates(ePvFmtBayer16).size(), 12u);
}

TEST(PixelFormats, ChoosesTheFirstCandidateTheCameraOffers) {
    // As the fake camera lists them: Bayer orders first, in an order of its own.
    const std::array<gint64, 5> fake{ARV_PIXEL_FORMAT_BAYER_BG_8, ARV_PIXEL_FORMAT_BAYER_GB_8,
                                     ARV_PIXEL_FORMAT_BAYER_GR_8, ARV_PIXEL_FORMAT_MONO_8,
                                     ARV_PIXEL_FORMAT_MONO_16};
    EXPECT_EQ(ChooseArvFormat(ePvFmtBayer8, fake), ARV_PIXEL_FORMAT_BAYER_GR_8);
    EXPECT_EQ(ChooseArvFormat(ePvFmtMono8, fake), ARV_PIXEL_FORMAT_MONO_8);
    EXPECT_EQ(ChooseArvFormat(ePvFmtMono16, fake), ARV_PIXEL_FORMAT_MONO_16);
    EXPECT_EQ(ChooseArvFormat(ePvFmtRgb24, fake), 0u);
    EXPECT_EQ(ChooseArvFormat(ePvFmtBayer16, fake), 0u);
    const std::array<gint64, 2> twelveBit{ARV_PIXEL_FORMAT_MONO_10, ARV_PIXEL_FORMAT_MONO_12};
    EXPECT_EQ(ChooseArvFormat(ePvFmtMono16, twelveBit), ARV_PIXEL_FORMAT_MONO_12);
    EXPECT_EQ(ChooseArvFormat(ePvFmtMono16, {}), 0u);
}

}  // namespace
}  // namespace tarnix::gige
