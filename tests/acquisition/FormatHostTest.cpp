// Every pixel format the cameras send, through the driver as a host loads it: each pixel of
// the rows handed out is checked against the ramp the simulated camera sent, converted by
// the rules the host relies on (ExpectedImage).
#include <gtest/gtest.h>
#include <harness/HostTest.h>

#include <sstream>

#include "ExpectedImage.h"

namespace tarnix::test {
namespace {

struct FormatCase {
    tPvImageFormat format;
    uint32_t width;
    uint32_t height;
    uint32_t bitDepth;  // of 16-bit samples
};

std::ostream& operator<<(std::ostream& out, const FormatCase& c) {
    return out << "format " << c.format << " " << c.width << "x" << c.height << " depth "
               << c.bitDepth;
}

std::vector<FormatCase> EachFormat() {
    std::vector<FormatCase> cases;
    for (uint32_t format = ePvFmtMono8; format <= ePvFmtBgra32; ++format)
        cases.push_back({format, 16, 12, 12});
    return cases;
}

std::vector<FormatCase> AllFormats() {
    std::vector<FormatCase> cases = EachFormat();
    // Pixel counts that end inside a YUV group (81 and 90 pixels), and the bit depths at
    // both ends of the 16-bit range.
    for (const tPvImageFormat yuv : {ePvFmtYuv411, ePvFmtYuv422, ePvFmtYuv444}) {
        cases.push_back({yuv, 9, 9, 8});
        cases.push_back({yuv, 10, 9, 8});
    }
    cases.push_back({ePvFmtMono16, 9, 8, 8});
    cases.push_back({ePvFmtRgb48, 9, 8, 16});
    cases.push_back({ePvFmtBayer16, 10, 8, 16});
    return cases;
}

// The leading pixels the frame supplied must be as expected, and the pixels it could not
// supply untouched since the image was made (zero).
void ExpectImage(const std::vector<uint8_t>& image, const ExpectedImage& expected,
                 const FormatCase& c, uint32_t n) {
    ASSERT_EQ(image.size(), expected.bytes.size());
    const size_t written = size_t{expected.pixelsWritten} * expected.bytesPerPixel;
    for (size_t i = 0; i < image.size(); ++i) {
        const uint8_t want = i < written ? expected.bytes[i] : 0;
        ASSERT_EQ(image[i], want) << c << ", frame " << n << ", pixel "
                                  << i / expected.bytesPerPixel << ", byte "
                                  << i % expected.bytesPerPixel;
    }
}

class FormatHostTest : public HostTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatHostTest, EveryPixelFollowsTheRampWhetherOpenedByNameOrByAddress) {
    const FormatCase c = GetParam();
    const SimCamera camera = AddCamera(c.format, c.width, c.height, c.bitDepth);
    // Frames come only on request, so frame n is the n-th one requested since the open.
    SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
    const uint32_t bits = c.format == ePvFmtMono8 || c.format == ePvFmtMono16 ? 8 : 24;

    for (const std::string& name : {camera.name, camera.address}) {
        ASSERT_TRUE(Open(0, name, c.width, c.height)) << name;
        std::ostringstream opened;
        opened << "OPENED " << name << " [" << c.width << "x" << c.height << "] " << bits
               << " bit\n";
        EXPECT_EQ(LineLog::Take(), std::vector<std::string>{opened.str()});
        uint32_t pixelSize = 0;
        EXPECT_EQ(driver().getProperty(0, 0, "PixelSize", &pixelSize), 1);
        EXPECT_EQ(pixelSize, bits);

        for (uint32_t n = 0; n < 2; ++n) {
            ASSERT_TRUE(GrabOne(0)) << c << ", frame " << n;
            const ExpectedImage expected = ExpectRamp(c.format, c.width, c.height, c.bitDepth, n);
            ExpectImage(ReadImage(0, c.width, c.height, expected.bytesPerPixel), expected, c, n);
        }
        driver().closeCVLPort(0, 0);
    }
    EXPECT_EQ(Completions::BadReserved(), 0u);
}

// The camera's size changes while it streams: its smaller frames land at the start of the
// image, pixel after pixel, and nothing is read or written outside either buffer (the
// sanitizer build checks that).
using SmallerFrameHostTest = FormatHostTest;

TEST_P(SmallerFrameHostTest, AFrameSmallerThanTheImageFillsItsLeadingPixels) {
    const FormatCase c = GetParam();
    const SimCamera camera = AddCamera(c.format, c.width, c.height, c.bitDepth);
    SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
    ASSERT_TRUE(Open(0, camera.address, c.width, c.height));
    ASSERT_EQ(driver().setProperty(0, 0, "Width", 9), 1);
    ASSERT_EQ(driver().setProperty(0, 0, "Height", 9), 1);

    ASSERT_TRUE(GrabOne(0));
    const ExpectedImage small = ExpectRamp(c.format, 9, 9, c.bitDepth, 0);
    const std::vector<uint8_t> image = ReadImage(0, c.width, c.height, small.bytesPerPixel);
    const size_t written = size_t{small.pixelsWritten} * small.bytesPerPixel;
    ASSERT_GE(image.size(), written);
    for (size_t i = 0; i < written; ++i) ASSERT_EQ(image[i], small.bytes[i]) << c << ", byte " << i;
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FormatHostTest, ::testing::ValuesIn(AllFormats()));
INSTANTIATE_TEST_SUITE_P(EachFormat, SmallerFrameHostTest, ::testing::ValuesIn(EachFormat()));

// A frame that outgrew the buffers made at open does not fit: the camera reports it as a
// failed frame, and the image is not handed out until a frame fits again.
TEST_F(HostTest, AFrameLargerThanTheBuffersIsAFailedFrame) {
    for (const tPvImageFormat format : {ePvFmtMono8, ePvFmtYuv422}) {
        const SimCamera camera = AddCamera(format, 16, 12);
        SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
        tPvHandle handle = 0;
        ASSERT_EQ(PvCameraOpen(camera.id, ePvAccessMaster, &handle), ePvErrSuccess);
        ASSERT_EQ(PvAttrUint32Set(handle, "Width", 8), ePvErrSuccess);
        PvCameraClose(handle);

        ASSERT_TRUE(Open(1, camera.name, 8, 12));
        ASSERT_EQ(driver().setProperty(0, 1, "Width", 16), 1);
        LineLog::Clear();
        const uint32_t seen = Completions::Count(1);
        ASSERT_EQ(driver().doCVLGrab(0, 1), 1);
        const std::vector<std::string> lines = LinesUntil("FrameCB error #");
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find(" port 1: 13 Frame buffer is too small\n"), std::string::npos)
            << lines.back();
        uint8_t row[8 * 3];
        EXPECT_EQ(driver().getCVLGrabRow(0, 1, row, 0, 0, 7), 0);
        EXPECT_EQ(Completions::Count(1), seen);

        ASSERT_EQ(driver().setProperty(0, 1, "Width", 8), 1);
        ASSERT_TRUE(GrabOne(1));
        EXPECT_EQ(driver().getCVLGrabRow(0, 1, row, 11, 0, 7), 1);
        driver().closeCVLPort(0, 1);
    }
}

}  // namespace
}  // namespace tarnix::test
