#include <gtest/gtest.h>
#include <harness/LutTable.h>
#include <harness/TempFolder.h>
#include <settings/CsvReader.h>
#include <settings/LutGenerator.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace tarnix::test {
namespace {

using settings::LutCurve;
using settings::LutOutput;
using settings::WriteLutFile;

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    const std::string end = kLineEnd;
    while (pos < bytes.size()) {
        const std::size_t next = bytes.find(end, pos);
        if (next == std::string::npos) {
            lines.push_back(bytes.substr(pos));  // a last line without its line end
            break;
        }
        lines.push_back(bytes.substr(pos, next - pos));
        pos = next + end.size();
    }
    return lines;
}

TEST(LutOutputTest, DefaultCurveIsAPlainLogarithmUpTo32767) {
    const LutCurve curve;  // LSB 0, MSB 15, steepness 1
    const std::pair<int, int> expected[] = {{0, 0},       {1, 17},     {2, 27},     {10, 59},
                                            {100, 113},   {1000, 169}, {4095, 204}, {32766, 255},
                                            {32767, 255}, {65535, 255}};
    for (const auto& [input, output] : expected)
        EXPECT_EQ(LutOutput(curve, input), output) << input;
}

TEST(LutOutputTest, LsbAndSteepnessMoveAndStraightenTheCurve) {
    const LutCurve curve{4, 12, 10};  // xmin 15, xmax 4095
    for (int input = 0; input <= 15; ++input) EXPECT_EQ(LutOutput(curve, input), 0) << input;
    EXPECT_EQ(LutOutput(curve, 16), 4);
    EXPECT_EQ(LutOutput(curve, 17), 8);
    EXPECT_EQ(LutOutput(curve, 100), 95);
    for (int input : {4095, 4096, 65535}) EXPECT_EQ(LutOutput(curve, input), 255) << input;
}

TEST(LutOutputTest, EveryValidCurveRisesFrom0To255) {
    for (int lsb = 0; lsb <= 15; ++lsb)
        for (int msb = lsb + 1; msb <= 15; ++msb)
            for (int s : {1, 5, 10}) {
                const LutCurve curve{lsb, msb, s};
                ASSERT_TRUE(settings::IsValidLutCurve(curve));
                int previous = 0;
                for (int input = 0; input < settings::kLutInputs; input += 7) {
                    const int output = LutOutput(curve, input);
                    ASSERT_GE(output, previous) << lsb << ' ' << msb << ' ' << s << ' ' << input;
                    ASSERT_LE(output, 255);
                    previous = output;
                }
                EXPECT_EQ(LutOutput(curve, (1 << lsb) - 1), 0);
                EXPECT_EQ(LutOutput(curve, (1 << msb) - 1), 255);
            }
}

TEST(LutOutputTest, OutOfRangeParametersAreInvalid) {
    for (const LutCurve& curve :
         {LutCurve{4, 4, 1}, LutCurve{5, 4, 1}, LutCurve{0, 16, 1}, LutCurve{-1, 15, 1},
          LutCurve{0, 15, 0}, LutCurve{0, 15, 11}, LutCurve{0, 31, 1}, LutCurve{0, 15, -1}}) {
        EXPECT_FALSE(settings::IsValidLutCurve(curve))
            << curve.lsb << ' ' << curve.msb << ' ' << curve.steepness;
        EXPECT_EQ(LutOutput(curve, 1000), 0);
    }
    EXPECT_TRUE(settings::IsValidLutCurve(LutCurve{14, 15, 10}));
}

class LutFileTest : public TempFolderTest {};

TEST_F(LutFileTest, FileHasTheHeaderAnd65536FormattedLines) {
    const std::string path = PathOf("lut.csv");
    ASSERT_TRUE(WriteLutFile(path, LutCurve{}));
    const std::string bytes = ReadBytes(path);
    ASSERT_TRUE(bytes.ends_with(kLineEnd));
    const std::vector<std::string> lines = SplitLines(bytes);
    ASSERT_EQ(lines.size(), 65537u);
    EXPECT_EQ(lines[0], "LN;ln");
    EXPECT_EQ(lines[1], "   0;   0");
    EXPECT_EQ(lines[2], "   1;  17");
    EXPECT_EQ(lines[1001], "1000; 169");
    EXPECT_EQ(lines[10001], "10000; 226");  // five digits take five characters
    EXPECT_EQ(lines[32768], "32767; 255");
    EXPECT_EQ(lines[65536], "65535; 255");
    // Text mode: no lone line feed on Windows, no carriage return elsewhere.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 65537);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'),
              std::string(kLineEnd).size() == 2 ? 65537 : 0);
}

TEST_F(LutFileTest, FileReadsBackThroughTheReader) {
    for (const LutCurve& curve : {LutCurve{}, LutCurve{4, 12, 10}}) {
        const std::string path = PathOf("lut.csv");
        ASSERT_TRUE(WriteLutFile(path, curve));
        ExpectLutTable(path, curve);
    }
}

TEST_F(LutFileTest, AnExistingFileIsReplaced) {
    const std::string path = WriteFile("lut.csv", std::string(3 * 1024 * 1024, 'x'));
    ASSERT_TRUE(WriteLutFile(path, LutCurve{4, 12, 10}));
    const std::vector<std::string> lines = SplitLines(ReadBytes(path));
    ASSERT_EQ(lines.size(), 65537u);
    EXPECT_EQ(lines[101], " 100;  95");
    EXPECT_EQ(lines.back(), "65535; 255");
}

TEST_F(LutFileTest, FailuresAreReportedAndWriteNothing) {
    EXPECT_FALSE(WriteLutFile(PathOf("no/such/folder/lut.csv"), LutCurve{}));
    EXPECT_FALSE(WriteLutFile(m_Folder.string(), LutCurve{}));  // a folder
    EXPECT_FALSE(WriteLutFile(PathOf("invalid.csv"), LutCurve{0, 16, 1}));
    EXPECT_FALSE(WriteLutFile(PathOf("invalid.csv"), LutCurve{0, 15, 0}));
    EXPECT_FALSE(std::filesystem::exists(PathOf("invalid.csv")));
#ifdef __linux__
    EXPECT_FALSE(WriteLutFile("/dev/full", LutCurve{}));  // opens, but no write succeeds
#endif
}

}  // namespace
}  // namespace tarnix::test
