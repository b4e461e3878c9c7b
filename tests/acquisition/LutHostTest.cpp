// The lookup table on delivered images, through the driver as a host loads it: the table
// named in the camera's settings file maps 16-bit samples before anything else happens to
// them, and the bytes of every other format after the conversion.
#include <gtest/gtest.h>
#include <harness/HostTest.h>
#include <harness/TempFolder.h>

#include <string>
#include <vector>

#include "ExpectedImage.h"

namespace tarnix::test {
namespace {

constexpr uint32_t kTableEntries = 65536;

// A table unlike any shift of the sample.
uint8_t Scrambled(uint32_t v) {
    return static_cast<uint8_t>(v * 37u + (v >> 8));
}

class LutHostTest : public HostTest {
  protected:
    // A camera in "Software" mode whose section switches the table on, with out(v) for
    // the table file's column.
    SimCamera AddCameraWithTable(tPvImageFormat format, uint32_t width, uint32_t height,
                                 uint32_t bitDepth, uint8_t (*out)(uint32_t)) {
        std::string table = "LN;out\n";
        for (uint32_t v = 0; v < kTableEntries; ++v)
            table += std::to_string(v) + ";" + std::to_string(out(v)) + "\n";
        const std::string file = m_Temp.WriteFile("table.csv", table);
        const SimCamera camera = AddCamera(format, width, height, bitDepth);
        SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
        const std::string id = std::to_string(camera.id);
        m_Temp.WriteFile("Tarnix.ini", "[Sim" + id + " SIM-" + id + "]\nUseLut=1\nLutFile=" + file +
                                           "\nLutColumn=out\n");
        EXPECT_EQ(driver().setSystemPath(m_Temp.Path().string().c_str()), 1);
        return camera;
    }

    TempFolder m_Temp;
};

TEST_F(LutHostTest, SixteenBitSamplesAreLookedUpWholeWhateverTheirDepth) {
    const SimCamera camera = AddCameraWithTable(ePvFmtMono16, 64, 8, 12, Scrambled);
    ASSERT_TRUE(Open(0, camera.name, 64, 8));
    for (uint32_t n = 0; n < 2; ++n) {
        ASSERT_TRUE(GrabOne(0));
        const std::vector<uint8_t> image = ReadImage(0, 64, 8, 1);
        for (uint32_t j = 0; j < image.size(); ++j)
            ASSERT_EQ(image[j], Scrambled((j + n) % 4096)) << "frame " << n << ", pixel " << j;
    }
}

TEST_F(LutHostTest, OtherFormatsHaveEveryOutputByteMapped) {
    for (const tPvImageFormat format : {ePvFmtMono8, ePvFmtRgb24, ePvFmtYuv422}) {
        const SimCamera camera = AddCameraWithTable(format, 16, 8, 8, Scrambled);
        ASSERT_TRUE(Open(0, camera.name, 16, 8));
        ASSERT_TRUE(GrabOne(0));
        const ExpectedImage plain = ExpectRamp(format, 16, 8, 8, 0);
        const std::vector<uint8_t> image = ReadImage(0, 16, 8, plain.bytesPerPixel);
        ASSERT_EQ(image.size(), plain.bytes.size());
        for (size_t i = 0; i < image.size(); ++i)
            ASSERT_EQ(image[i], Scrambled(plain.bytes[i])) << "format " << format << ", byte " << i;
        driver().closeCVLPort(0, 0);
    }
}

// Low samples dark, all others bright: looked up before the colour interpolation, the lower
// rows come out bright; a byte pass after it would have made every pixel dark.
uint8_t DarkBelow256(uint32_t v) {
    return v < 256 ? 10 : 200;
}

TEST_F(LutHostTest, BayerSamplesAreLookedUpBeforeTheColourInterpolation) {
    const SimCamera camera = AddCameraWithTable(ePvFmtBayer16, 64, 8, 12, DarkBelow256);
    ASSERT_TRUE(Open(0, camera.name, 64, 8));
    ASSERT_TRUE(GrabOne(0));  // frame 0: sample j is j, so rows 0..3 are below 256
    const std::vector<uint8_t> image = ReadImage(0, 64, 8, 3);
    for (const uint32_t x : {8u, 20u, 40u}) {
        for (uint32_t c = 0; c < 3; ++c) {
            EXPECT_EQ(image[(1 * 64 + x) * 3 + c], 10) << "row 1, column " << x;
            EXPECT_EQ(image[(6 * 64 + x) * 3 + c], 200) << "row 6, column " << x;
        }
    }
}

TEST_F(LutHostTest, ATableThatCannotBeReadLeavesFramesAsTheyAre) {
    const SimCamera camera = AddCameraWithTable(ePvFmtMono8, 16, 8, 8, Scrambled);
    ASSERT_TRUE(Open(0, camera.name, 16, 8));
    ASSERT_TRUE(GrabOne(0));
    EXPECT_EQ(ReadImage(0, 16, 8, 1)[3], Scrambled(3));
    driver().closeCVLPort(0, 0);
    // The same camera with a table file that lacks the column.
    m_Temp.WriteFile("table.csv", "LN;other\n0;1\n");
    ASSERT_TRUE(Open(0, camera.name, 16, 8));
    ASSERT_TRUE(GrabOne(0));
    EXPECT_EQ(ReadImage(0, 16, 8, 1)[3], 3);
}

}  // namespace
}  // namespace tarnix::test
