// lutgen run as a person runs it: the table file it writes, its messages and exit codes, and
// the plot of the curve.
#include <gtest/gtest.h>
#include <harness/LutTable.h>
#include <harness/Program.h>
#include <harness/TempFolder.h>
#include <settings/LutGenerator.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#ifdef LUTGEN_TEST_PNG
#include <png.h>
#endif

namespace tarnix::test {
namespace {

using settings::LutCurve;

struct Plot {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // grey, top row first
    std::string problem;          // empty when the file was read

    uint8_t At(uint32_t x, uint32_t y) const { return pixels[size_t{y} * width + x]; }
};

#ifdef LUTGEN_TEST_PNG
constexpr const char* kPlotExtension = ".png";

Plot ReadPlot(const std::string& path) {
    Plot plot;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        plot.problem = image.message;
        return plot;
    }
    image.format = PNG_FORMAT_GRAY;
    plot.width = image.width;
    plot.height = image.height;
    plot.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, plot.pixels.data(), 0, nullptr))
        plot.problem = image.message;
    return plot;
}
#else
constexpr const char* kPlotExtension = ".pgm";

Plot ReadPlot(const std::string& path) {
    Plot plot;
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    uint32_t maximum = 0;
    in >> magic >> plot.width >> plot.height >> maximum;
    if (!in || magic != "P5" || maximum != 255 || in.get() != '\n') {
        plot.problem = "no binary PGM header";
        return plot;
    }
    plot.pixels.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (plot.pixels.size() != size_t{plot.width} * plot.height)
        plot.problem = "holds " + std::to_string(plot.pixels.size()) + " bytes of pixels";
    return plot;
}
#endif

class LutgenTest : public TempFolderTest {
  protected:
    static ProgramRun Lutgen(const std::vector<std::string>& args) {
        return RunProgram(BesideThisProgram(LUTGEN_FILE), args);
    }
};

TEST_F(LutgenTest, WritesTheDefaultTable) {
    const std::string out = PathOf("default.csv");
    const ProgramRun run = Lutgen({"-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(out), std::string::npos) << run.output;
    ExpectLutTable(out, LutCurve{});
    settings::CsvReader reader(out.c_str());
    ASSERT_TRUE(reader.SelectColumn("ln"));
    EXPECT_EQ(reader.Value(4095), 204);
}

TEST_F(LutgenTest, TakesTheCurvesParameters) {
    const std::string out = PathOf("steep.csv");
    const ProgramRun run = Lutgen({"--lsb", "4", "--msb", "12", "--steepness", "10", "--out", out});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ExpectLutTable(out, LutCurve{4, 12, 10});
    settings::CsvReader reader(out.c_str());
    ASSERT_TRUE(reader.SelectColumn("ln"));
    for (const auto& [input, output] :
         std::vector<std::pair<int, int>>{{15, 0}, {16, 4}, {17, 8}, {100, 95}, {4095, 255}})
        EXPECT_EQ(reader.Value(input), output) << input;
}

TEST_F(LutgenTest, RejectsInvalidInputAndLeavesTheFileAlone) {
    const std::string out = WriteFile("keep.csv", "LN;ln\n0;7\n");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--lsb", "-1"}, "--lsb -1 is outside [0..15]"},
        {{"--msb", "16"}, "--msb 16 is outside [0..15]"},
        {{"--lsb", "4", "--msb", "4"}, "--lsb 4 must be below --msb 4"},
        {{"--lsb", "9", "--msb", "3"}, "--lsb 9 must be below --msb 3"},
        {{"--steepness", "0"}, "--steepness 0 is outside [1..10]"},
        {{"--steepness", "11"}, "--steepness 11 is outside [1..10]"},
        {{"--msb", "twelve"}, "--msb"},
        {{"--steepness", "1.5"}, "--steepness"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", out});
        const ProgramRun run = Lutgen(args);
        EXPECT_NE(run.exitCode, 0) << c.message;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_EQ(ReadBytes(out), "LN;ln\n0;7\n") << c.message;
    }
    const ProgramRun noOut = Lutgen({});
    EXPECT_NE(noOut.exitCode, 0);
    EXPECT_NE(noOut.output.find("--out is required"), std::string::npos) << noOut.output;
}

TEST_F(LutgenTest, ReportsAFileItCannotWrite) {
    const std::string out = PathOf("no/such/folder/lut.csv");
    const ProgramRun run = Lutgen({"-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("lutgen: cannot write " + out), std::string::npos) << run.output;

    const ProgramRun plot = Lutgen({"-o", PathOf("lut.csv"), "--plot", PathOf("no/plot.png")});
    EXPECT_EQ(plot.exitCode, 1);
    EXPECT_NE(plot.output.find("lutgen: cannot write the plot"), std::string::npos) << plot.output;
}

TEST_F(LutgenTest, PlotsTheCurve) {
    const std::string out = PathOf("lut.csv");
    const ProgramRun run =
        Lutgen({"--lsb", "4", "--msb", "12", "-o", out, "--plot", PathOf("curve.png")});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string written = PathOf(std::string("curve") + kPlotExtension);
    EXPECT_NE(run.output.find(written), std::string::npos) << run.output;
    const Plot plot = ReadPlot(written);
    ASSERT_EQ(plot.problem, "");
    ASSERT_EQ(plot.width, 512u);
    ASSERT_EQ(plot.height, 256u);
    // 16 inputs a column: inputs up to 15 give 0 (bottom row), inputs from 4095 on (column 255
    // on) give 255 (top row), and the rise lies left of it.
    EXPECT_EQ(plot.At(0, 255), 0);
    EXPECT_EQ(plot.At(200, 0), 255);
    EXPECT_EQ(plot.At(300, 0), 0);
    EXPECT_EQ(plot.At(511, 0), 0);
    EXPECT_EQ(plot.At(511, 127), 208);  // grid line at output 128, far from the curve
    EXPECT_EQ(plot.At(300, 100), 255);  // below the flat top: ground
    ExpectLutTable(out, LutCurve{4, 12, 1});
}

}  // namespace
}  // namespace tarnix::test
