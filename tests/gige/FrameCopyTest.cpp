// The copy of a buffer's image into a host record, fed images directly: padded lines arrive
// packed and unsheared, short or oversized images are refused; and the frame retention chosen for
// cameras that cannot resend packets.
#include <FrameStream.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tarnix::gige {
namespace {

// Pixel (x, y) of a test image: distinct per row and column, so a shear shows.
uint8_t Pixel(uint32_t x, uint32_t y) {
    return static_cast<uint8_t>(x * 7 + y * 31 + 1);
}

// width x height bytes-per-pixel rows, each followed by padding bytes of 0xEE.
std::vector<uint8_t> PaddedImage(uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                 uint32_t padding) {
    std::vector<uint8_t> data;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width * bytesPerPixel; ++x) data.push_back(Pixel(x, y));
        data.insert(data.end(), padding, 0xEE);
    }
    return data;
}

struct Record {
    explicit Record(uint32_t size) : pixels(size, 0x55) {
        frame.ImageBuffer = pixels.data();
        frame.ImageBufferSize = size;
    }
    std::vector<uint8_t> pixels;
    tPvFrame frame{};
};

BufferImage View(const std::vector<uint8_t>& data, uint32_t width, uint32_t height,
                 uint32_t padding, ArvPixelFormat format) {
    BufferImage image;
    image.data = data.data();
    image.size = data.size();
    image.width = width;
    image.height = height;
    image.x = 16;
    image.y = 8;
    image.linePadding = padding;
    image.format = format;
    return image;
}

TEST(GigeFrameCopy, PaddedLinesArrivePackedAndUnsheared) {
    struct Case {
        ArvPixelFormat format;
        uint32_t bytesPerPixel;
        uint32_t padding;
    };
    for (const Case& c :
         {Case{ARV_PIXEL_FORMAT_MONO_8, 1, 0}, Case{ARV_PIXEL_FORMAT_MONO_8, 1, 3},
          Case{ARV_PIXEL_FORMAT_MONO_16, 2, 12}, Case{ARV_PIXEL_FORMAT_RGB_8_PACKED, 3, 1}}) {
        SCOPED_TRACE(c.padding);
        constexpr uint32_t kWidth = 13, kHeight = 5;
        const std::vector<uint8_t> data = PaddedImage(kWidth, kHeight, c.bytesPerPixel, c.padding);
        const uint32_t packed = kWidth * kHeight * c.bytesPerPixel;
        Record record(packed + 10);
        ASSERT_EQ(CopyImage(View(data, kWidth, kHeight, c.padding, c.format), record.frame),
                  ePvErrSuccess);
        EXPECT_EQ(record.frame.ImageSize, packed);
        EXPECT_EQ(record.frame.Width, kWidth);
        EXPECT_EQ(record.frame.Height, kHeight);
        EXPECT_EQ(record.frame.RegionX, 16u);
        EXPECT_EQ(record.frame.RegionY, 8u);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth * c.bytesPerPixel; ++x) {
                ASSERT_EQ(record.pixels[y * kWidth * c.bytesPerPixel + x], Pixel(x, y))
                    << "x " << x << " y " << y;
            }
        }
        EXPECT_EQ(record.pixels[packed], 0x55);  // nothing written past the image
    }
}

TEST(GigeFrameCopy, AShortImageATooSmallRecordAndAnUnknownFormatCopyNothing) {
    const std::vector<uint8_t> data = PaddedImage(8, 4, 1, 4);
    // The last line needs no padding after it; one byte less than its pixels is missing data.
    Record exact(32);
    EXPECT_EQ(CopyImage(View({data.begin(), data.end() - 4}, 8, 4, 4, ARV_PIXEL_FORMAT_MONO_8),
                        exact.frame),
              ePvErrSuccess);
    std::vector<uint8_t> cut(data.begin(), data.end() - 5);
    Record shortRecord(32);
    EXPECT_EQ(CopyImage(View(cut, 8, 4, 4, ARV_PIXEL_FORMAT_MONO_8), shortRecord.frame),
              ePvErrDataMissing);
    EXPECT_EQ(shortRecord.frame.ImageSize, 0u);

    Record small(31);
    EXPECT_EQ(CopyImage(View(data, 8, 4, 4, ARV_PIXEL_FORMAT_MONO_8), small.frame),
              ePvErrBufferTooSmall);
    EXPECT_EQ(small.frame.ImageSize, 0u);
    EXPECT_EQ(small.pixels[0], 0x55);

    Record packed(64);
    EXPECT_EQ(CopyImage(View(data, 8, 4, 4, ARV_PIXEL_FORMAT_MONO_12_PACKED), packed.frame),
              ePvErrInvalidSetup);
    EXPECT_EQ(packed.frame.ImageSize, 0u);
}

TEST(GigeFrameRetention, AFewPacketGapsBetweenFiveAndAHundredMilliseconds) {
    EXPECT_EQ(FrameRetentionUs(1400, 0, 0), 5000u);            // no limit: the least
    EXPECT_EQ(FrameRetentionUs(1400, 125000000, 0), 5000u);    // a full gigabit link
    EXPECT_EQ(FrameRetentionUs(1400, 1000000, 0), 4 * 1400u);  // 1.4 ms per packet
    EXPECT_EQ(FrameRetentionUs(1400, 0, 3000000), 12000u);     // a 3 ms packet delay
    EXPECT_EQ(FrameRetentionUs(9000, 10000, 0), 100000u);      // the most
}

}  // namespace
}  // namespace tarnix::gige
