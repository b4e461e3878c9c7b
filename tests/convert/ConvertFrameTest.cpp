// Frame-level conversion: the byte layouts per format code, where the lookup table applies,
// the demosaic hand-over, and the cuts that keep every access inside the raw buffer and the
// output image. Buffers are exact-size heap vectors so the sanitizer build sees any overrun.
#include <convert/Convert.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using tarnix::convert::ImageView;

// A delivered frame whose raw buffer holds exactly the given bytes.
struct Frame {
    Bytes raw;
    tPvFrame record{};

    Frame(tPvImageFormat format, uint32_t width, uint32_t height, Bytes bytes,
          uint32_t bitDepth = 8)
        : raw(std::move(bytes)) {
        record.ImageBuffer = raw.data();
        record.ImageBufferSize = static_cast<uint32_t>(raw.size());
        record.ImageSize = static_cast<uint32_t>(raw.size());
        record.Width = width;
        record.Height = height;
        record.Format = format;
        record.BitDepth = bitDepth;
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
};

// The output image of a camera opened at width x height, prefilled to show untouched bytes.
struct Image {
    Bytes data;
    uint32_t width, height;

    Image(uint32_t w, uint32_t h, size_t bytes, uint8_t fill = 0xEE)
        : data(bytes, fill), width(w), height(h) {}
    ImageView View() { return {data.data(), static_cast<uint32_t>(data.size()), width, height}; }
};

Bytes Samples16(std::initializer_list<uint16_t> samples) {
    Bytes b(2 * samples.size());
    size_t i = 0;
    for (uint16_t s : samples) {
        b[i++] = static_cast<uint8_t>(s & 0xFF);
        b[i++] = static_cast<uint8_t>(s >> 8);
    }
    return b;
}

// lut[lut[x]] != lut[x] for the values used, so a second pass would show.
Bytes MakeLut() {
    Bytes lut(tarnix::convert::kLutEntries);
    for (size_t i = 0; i < lut.size(); ++i) lut[i] = static_cast<uint8_t>(i * 3 + 1);
    return lut;
}

Bytes Convert(Frame& frame, Image& image, const uint8_t* lut = nullptr) {
    EXPECT_TRUE(tarnix::convert::ConvertFrame(frame.record, image.View(), lut, nullptr));
    return image.data;
}

TEST(ConvertFrame, ReordersColourLayoutsToBgr) {
    Image image(1, 1, 3);
    Frame rgb(ePvFmtRgb24, 1, 1, {10, 20, 30});
    EXPECT_EQ(Convert(rgb, image), (Bytes{30, 20, 10}));
    Frame bgr(ePvFmtBgr24, 1, 1, {30, 20, 10});
    EXPECT_EQ(Convert(bgr, image), (Bytes{30, 20, 10}));
    Frame rgba(ePvFmtRgba32, 1, 1, {10, 20, 30, 40});
    EXPECT_EQ(Convert(rgba, image), (Bytes{30, 20, 10}));
    Frame bgra(ePvFmtBgra32, 1, 1, {30, 20, 10, 40});
    EXPECT_EQ(Convert(bgra, image), (Bytes{30, 20, 10}));
    Frame rgb48(ePvFmtRgb48, 1, 1, Samples16({0x0100, 0x0200, 0x0FF0}), 12);
    EXPECT_EQ(Convert(rgb48, image), (Bytes{0xFF, 0x20, 0x10}));
    Frame yuv(ePvFmtYuv444, 1, 1, {90, 81, 240});
    EXPECT_EQ(Convert(yuv, image), (Bytes{0, 0, 255}));
}

// A mono16 camera's image is as large as its raw frame; only the first width x height
// bytes are written.
TEST(ConvertFrame, ReducesSixteenBitMonoByDepth) {
    struct Case {
        uint32_t bitDepth;
        uint8_t expected;
    };
    for (const Case c : {Case{12, 0xBC}, Case{16, 0xAB}, Case{8, 0xCD},
                         Case{4, 0xCD},      // below 8: no shift, not a negative one
                         Case{0x10C, 0xBC},  // only the low byte is the depth
                         Case{20, 0xAB}}) {  // above 16: taken as 16
        Frame frame(ePvFmtMono16, 1, 1, Samples16({0xABCD}), c.bitDepth);
        Image image(1, 1, 2);
        EXPECT_EQ(Convert(frame, image), (Bytes{c.expected, 0xEE})) << "depth " << c.bitDepth;
    }
    Frame full(ePvFmtMono16, 1, 1, Samples16({4095}), 12);
    Image image(1, 1, 2);
    EXPECT_EQ(Convert(full, image)[0], 255);
}

TEST(ConvertFrame, SixteenBitTableReplacesShiftAndBytePass) {
    const Bytes lut = MakeLut();
    Frame frame(ePvFmtMono16, 2, 1, Samples16({4095, 0}), 12);
    Image image(2, 1, 4);
    EXPECT_EQ(Convert(frame, image, lut.data()), (Bytes{lut[4095], lut[0], 0xEE, 0xEE}));
}

TEST(ConvertFrame, ByteTableFollowsEightBitConversions) {
    const Bytes lut = MakeLut();
    Frame mono(ePvFmtMono8, 2, 2, Bytes(4, 0));
    Image monoImage(2, 2, 4);
    EXPECT_EQ(Convert(mono, monoImage, lut.data()), Bytes(4, lut[0]));

    Frame rgb(ePvFmtRgb24, 1, 1, {10, 20, 30});
    Image image(1, 1, 3);
    EXPECT_EQ(Convert(rgb, image, lut.data()), (Bytes{lut[30], lut[20], lut[10]}));
}

// Bytes left from an earlier frame are not mapped a second time.
TEST(ConvertFrame, ByteTableCoversOnlyBytesThisFrameWrote) {
    const Bytes lut = MakeLut();
    Frame mono(ePvFmtMono8, 2, 2, Bytes(2, 0));
    Image image(2, 2, 4, 7);
    EXPECT_EQ(Convert(mono, image, lut.data()), (Bytes{lut[0], lut[0], 7, 7}));
}

TEST(ConvertFrame, CutsPixelCountsToBothBuffers) {
    {  // frame larger than the image, raw buffer shorter than the frame says
        Frame frame(ePvFmtRgb24, 4, 4, Bytes(15, 1));
        Image image(2, 2, 12);
        EXPECT_EQ(Convert(frame, image), Bytes(12, 1));
    }
    {  // raw buffer holds two pixels of a large frame
        Frame frame(ePvFmtRgba32, 8, 8, Bytes(10, 1));
        Image image(4, 4, 48);
        const Bytes out = Convert(frame, image);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + 7), (Bytes{1, 1, 1, 1, 1, 1, 0xEE}));
    }
    {  // width x height beyond 32 bits must not wrap to a small count
        Frame frame(ePvFmtRgb24, 65536, 65536, Bytes(6, 1));
        Image image(1, 2, 6);
        EXPECT_EQ(Convert(frame, image), Bytes(6, 1));
    }
    {  // the delivered size limits the read when it is below the buffer's size
        Frame frame(ePvFmtMono8, 2, 2, Bytes(4, 1));
        frame.record.ImageSize = 2;
        Image image(2, 2, 4);
        EXPECT_EQ(Convert(frame, image), (Bytes{1, 1, 0xEE, 0xEE}));
    }
    {  // mono16 camera geometry larger than the frame
        Frame frame(ePvFmtMono16, 2, 1, Samples16({0x0100, 0x0200}), 16);
        Image image(4, 4, 4);
        EXPECT_EQ(Convert(frame, image), (Bytes{1, 2, 0xEE, 0xEE}));
    }
}

// The camera's geometry counts the YUV pixels; a last group cut short converts exactly the
// pixels whose bytes are there.
TEST(ConvertFrame, PartialYuvGroupsStayInsideBothBuffers) {
    uint8_t grey[3];
    tarnix::convert::YuvToBgr(128, 128, 128, grey);
    const Bytes greyPixel(grey, grey + 3);
    auto pixels = [&](size_t n) {
        Bytes b;
        for (size_t i = 0; i < n; ++i) b.insert(b.end(), greyPixel.begin(), greyPixel.end());
        return b;
    };
    {  // odd 4:2:2 count: the last pixel needs U, Y0 and V only
        Frame frame(ePvFmtYuv422, 3, 1, Bytes(7, 128));
        Image image(3, 1, 9);
        EXPECT_EQ(Convert(frame, image), pixels(3));
    }
    {  // 6 pixels of 4:1:1: the second group's V is byte 9
        Frame frame(ePvFmtYuv411, 3, 2, Bytes(10, 128));
        Image image(3, 2, 18);
        EXPECT_EQ(Convert(frame, image), pixels(6));
        Frame shortFrame(ePvFmtYuv411, 3, 2, Bytes(9, 128));
        Image shortImage(3, 2, 18);
        Bytes expected = pixels(4);
        expected.resize(18, 0xEE);
        EXPECT_EQ(Convert(shortFrame, shortImage), expected);
    }
    {  // camera geometry larger than the image
        Frame frame(ePvFmtYuv444, 4, 4, Bytes(48, 128));
        Image image(4, 4, 7);
        Bytes expected = pixels(2);
        expected.push_back(0xEE);
        EXPECT_EQ(Convert(frame, image), expected);
    }
}

// The demosaic writes 1, 2, 3 into each pixel's red, green and blue sample and records how
// it was called.
struct DemosaicCall {
    int calls = 0;
    tPvFrame seen{};
    uint8_t seenFirstSample = 0;
    uint8_t *red = nullptr, *green = nullptr, *blue = nullptr;
    uint32_t pixelPadding = 99, linePadding = 99;
};
DemosaicCall g_demosaic;

tPvErr PVDECL FakeDemosaic(const tPvFrame* frame, void* red, void* green, void* blue,
                           uint32_t pixelPadding, uint32_t linePadding) {
    g_demosaic = {g_demosaic.calls + 1,
                  *frame,
                  *static_cast<const uint8_t*>(frame->ImageBuffer),
                  static_cast<uint8_t*>(red),
                  static_cast<uint8_t*>(green),
                  static_cast<uint8_t*>(blue),
                  pixelPadding,
                  linePadding};
    const size_t step = 1 + pixelPadding;
    for (size_t i = 0; i < size_t{frame->Width} * frame->Height; ++i) {
        g_demosaic.red[i * step] = 1;
        g_demosaic.green[i * step] = 2;
        g_demosaic.blue[i * step] = 3;
    }
    return ePvErrSuccess;
}

class ConvertBayer : public testing::Test {
  protected:
    void SetUp() override { g_demosaic = {}; }
};

TEST_F(ConvertBayer, EightBitFrameIsDemosaicedToBgrThenMapped) {
    const Bytes lut = MakeLut();
    Frame frame(ePvFmtBayer8, 2, 2, Bytes(4, 9));
    Image image(2, 2, 12);
    EXPECT_TRUE(
        tarnix::convert::ConvertFrame(frame.record, image.View(), lut.data(), FakeDemosaic));
    EXPECT_EQ(g_demosaic.calls, 1);
    EXPECT_EQ(g_demosaic.red, image.data.data() + 2);
    EXPECT_EQ(g_demosaic.green, image.data.data() + 1);
    EXPECT_EQ(g_demosaic.blue, image.data.data());
    EXPECT_EQ(g_demosaic.pixelPadding, 2u);
    EXPECT_EQ(g_demosaic.linePadding, 0u);
    Bytes expected;
    for (int i = 0; i < 4; ++i) expected.insert(expected.end(), {lut[3], lut[2], lut[1]});
    EXPECT_EQ(image.data, expected);
}

TEST_F(ConvertBayer, SixteenBitFrameIsReducedInPlaceWithoutBytePass) {
    const Bytes lut = MakeLut();
    Frame frame(ePvFmtBayer16, 2, 1, Samples16({0x0FF0, 0x0120}), 12);
    Image image(2, 1, 6);
    EXPECT_TRUE(tarnix::convert::ConvertFrame(frame.record, image.View(), nullptr, FakeDemosaic));
    EXPECT_EQ(frame.record.Format, ePvFmtBayer8);
    EXPECT_EQ(g_demosaic.seen.Format, ePvFmtBayer8);
    EXPECT_EQ(g_demosaic.seenFirstSample, 0xFF);
    EXPECT_EQ(Bytes(frame.raw.begin(), frame.raw.begin() + 2), (Bytes{0xFF, 0x12}));
    EXPECT_EQ(image.data, (Bytes{3, 2, 1, 3, 2, 1}));

    Frame mapped(ePvFmtBayer16, 2, 1, Samples16({0x0FF0, 0x0120}), 12);
    EXPECT_TRUE(
        tarnix::convert::ConvertFrame(mapped.record, image.View(), lut.data(), FakeDemosaic));
    EXPECT_EQ(Bytes(mapped.raw.begin(), mapped.raw.begin() + 2), (Bytes{lut[0x0FF0], lut[0x0120]}));
    EXPECT_EQ(image.data, (Bytes{3, 2, 1, 3, 2, 1}));
}

// The demosaic writes the frame's whole size, so a taller frame is handed over with the
// height cut to the rows that fit; the camera's own record keeps its height.
TEST_F(ConvertBayer, FrameTallerThanImageIsCutToRowsThatFit) {
    Frame frame(ePvFmtBayer8, 2, 4, Bytes(8, 9));
    Image image(2, 2, 13);
    EXPECT_TRUE(tarnix::convert::ConvertFrame(frame.record, image.View(), nullptr, FakeDemosaic));
    EXPECT_EQ(g_demosaic.seen.Height, 2u);
    EXPECT_EQ(g_demosaic.seen.ImageBuffer, frame.raw.data());
    EXPECT_EQ(frame.record.Height, 4u);
    EXPECT_EQ(image.data.back(), 0xEE);
}

TEST_F(ConvertBayer, WithoutDemosaicNothingIsTouched) {
    Frame frame(ePvFmtBayer16, 1, 1, Samples16({0x1234}), 16);
    Image image(1, 1, 3);
    EXPECT_FALSE(tarnix::convert::ConvertFrame(frame.record, image.View(), nullptr, nullptr));
    EXPECT_EQ(frame.record.Format, ePvFmtBayer16);
    EXPECT_EQ(frame.raw, Samples16({0x1234}));
    EXPECT_EQ(image.data, Bytes(3, 0xEE));
}

TEST(ConvertFrame, WritesNothingForUnknownFormatOrMissingBuffers) {
    Frame unknown(12, 1, 1, {1, 2, 3});
    Image image(1, 1, 3);
    EXPECT_FALSE(
        tarnix::convert::ConvertFrame(unknown.record, image.View(), nullptr, FakeDemosaic));
    EXPECT_EQ(image.data, Bytes(3, 0xEE));

    Frame rgb(ePvFmtRgb24, 1, 1, {1, 2, 3});
    EXPECT_FALSE(
        tarnix::convert::ConvertFrame(rgb.record, ImageView{nullptr, 0, 1, 1}, nullptr, nullptr));
    rgb.record.ImageBuffer = nullptr;
    EXPECT_FALSE(tarnix::convert::ConvertFrame(rgb.record, image.View(), nullptr, nullptr));
    EXPECT_EQ(image.data, Bytes(3, 0xEE));
}

}  // namespace
