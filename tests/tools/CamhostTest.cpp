// camhost run as a person runs it, against the simulated cameras: what each command prints,
// its exit code and the image files it writes. Every run is a process of its own that loads
// the driver and the SDK anew, so nothing one run sets is seen by the next.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/Program.h>
#include <harness/Ramp.h>
#include <harness/TempFolder.h>
#include <host/DriverLibrary.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#ifdef CAMHOST_TEST_LIBPNG
#include <png.h>
#else
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>
#endif

namespace tarnix::test {
namespace {

using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kImage = ".png";

// What camhost list prints after the driver's lines: the default set's configuration names.
const std::vector<std::string> kCameraList = {"5 camera(s)",
                                              "  0: SimMono8 [SIM-1001]",
                                              "  1: SimMono16 [SIM-1002]",
                                              "  2: SimBayer8 [SIM-1003]",
                                              "  3: SimYuv422 [SIM-1004]",
                                              "  4: SimRgb24 [SIM-1005]"};

// camhost keeps the driver's settings in the user's configuration folder: here one of the
// tests' own, set for every camhost run (the child inherits it).
class ConfigFolder : public ::testing::Environment {
  public:
    void SetUp() override {
        std::filesystem::remove_all(Path());
#ifdef _WIN32
        _putenv_s("APPDATA", Path().string().c_str());
#else
        setenv("XDG_CONFIG_HOME", Path().string().c_str(), 1);
#endif
    }
    static std::filesystem::path Path() {
        return std::filesystem::temp_directory_path() / "tarnix_camhost_config";
    }
    // The settings file camhost uses without --system-path.
    static std::string DefaultFile() {
#ifdef _WIN32
        return (Path() / "Tarnix" / "Tarnix.ini").string();
#else
        return (Path() / "tarnix" / "Tarnix.ini").string();
#endif
    }
};
[[maybe_unused]] ::testing::Environment* const g_ConfigFolder =
    ::testing::AddGlobalTestEnvironment(new ConfigFolder);

// What camhost list prints after the driver's lines, with its settings file.
std::vector<std::string> Listed(const std::string& settingsFile = ConfigFolder::DefaultFile()) {
    std::vector<std::string> lines = kCameraList;
    lines.push_back("settings file: " + settingsFile);
    return lines;
}

// The output's lines without their ends (Windows programs end them with "\r\n").
std::vector<std::string> Lines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Runs camhost with args, expects it to end with exitCode and returns the lines it wrote
// (standard output and standard error together).
std::vector<std::string> Camhost(int exitCode, const std::vector<std::string>& args) {
    const ProgramRun run = RunProgram(BesideThisProgram(CAMHOST_FILE), args);
    std::string command = "camhost";
    for (const std::string& arg : args) command += " " + arg;
    EXPECT_EQ(run.exitCode, exitCode) << command << "\n" << run.output;
    return Lines(run.output);
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

struct ImageFile {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;  // 1 grey, 3 red, green, blue
    std::vector<uint8_t> pixels;
    std::string problem;  // empty when the file was read
};

#ifdef CAMHOST_TEST_LIBPNG
ImageFile ReadImageFile(const std::filesystem::path& path) {
    ImageFile file;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str())) {
        file.problem = image.message;
        return file;
    }
    if ((image.format & ~png_uint_32{PNG_FORMAT_FLAG_COLOR}) != 0) {
        png_image_free(&image);
        file.problem = "not 8-bit grey or RGB without alpha";
        return file;
    }
    file.width = image.width;
    file.height = image.height;
    file.channels = PNG_IMAGE_SAMPLE_CHANNELS(image.format);
    file.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, file.pixels.data(), 0, nullptr))
        file.problem = image.message;
    return file;
}
#else
ImageFile ReadImageFile(const std::filesystem::path& path) {
    ImageFile file;
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.string().c_str(), &width, &height, &channels, 0);
    if (pixels == nullptr) {
        file.problem = stbi_failure_reason();
        return file;
    }
    file.width = static_cast<uint32_t>(width);
    file.height = static_cast<uint32_t>(height);
    file.channels = static_cast<uint32_t>(channels);
    file.pixels.assign(pixels, pixels + size_t{file.width} * file.height * file.channels);
    stbi_image_free(pixels);
    return file;
}
#endif

std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CamhostTest, ListStartsTheDriverAndNamesTheDefaultCameras) {
    const std::vector<std::string> lines = Camhost(0, {"list"});
    ASSERT_EQ(lines.size(), kCameraList.size() + 3);
    EXPECT_THAT(lines[0], StartsWith("PVApi "));
    EXPECT_EQ(lines[1], "TarnixNoBroadcast 1.1.0.17");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), Listed());
}

// Without --system-path the settings live in the user's configuration folder, made on first
// use; --system-path still decides where it is given.
TEST(CamhostTest, TheSettingsFileIsInTheUsersConfigurationFolderUnlessGiven) {
    std::filesystem::remove_all(ConfigFolder::Path());
    EXPECT_EQ(Camhost(0, {"-q", "list"}), Listed());
    EXPECT_TRUE(std::filesystem::is_directory(
        std::filesystem::path(ConfigFolder::DefaultFile()).parent_path()));
    TempFolder given("camhost_given");
    const std::string folder = given.Path().string();
    EXPECT_EQ(Camhost(0, {"-q", "--system-path", folder, "list"}),
              Listed((given.Path() / "Tarnix.ini").string()));
}

TEST(CamhostTest, SdkListShowsEachCamerasRecordAddressFormatAndSize) {
    const std::vector<std::string> lines = Camhost(0, {"sdk-list"});
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_THAT(lines[0], AllOf(StartsWith("SDK "), EndsWith(", 5 camera(s)")));
    EXPECT_THAT(Words(lines[1]), ElementsAre("id", "name", "serial", "address", "format", "size"));
    EXPECT_THAT(Words(lines[2]),
                ElementsAre("1001", "SimMono8", "SIM-1001", "127.0.1.1", "Mono8", "1360x1024"));
    EXPECT_THAT(Words(lines[4]),
                ElementsAre("1003", "SimBayer8", "SIM-1003", "127.0.1.3", "Bayer8", "1360x1024"));
    EXPECT_THAT(Words(lines[6]),
                ElementsAre("1005", "SimRgb24", "SIM-1005", "127.0.1.5", "Rgb24", "1280x960"));
}

// -q and --system-path belong to camhost as a whole and are taken on either side of the
// command; an option nobody knows is still refused.
TEST(CamhostTest, GlobalOptionsWorkBeforeAndAfterTheCommand) {
    TempFolder given("camhost_options");
    const std::string folder = given.Path().string();
    const std::string file = (given.Path() / "Tarnix.ini").string();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-q", "list"}, {"list", "-q"}, {"list", "--quiet"}}) {
        EXPECT_EQ(Camhost(0, args), Listed());
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--system-path", folder, "list", "-q"}, {"list", "-q", "--system-path", folder}}) {
        EXPECT_EQ(Camhost(0, args), Listed(file));
    }
    EXPECT_THAT(Camhost(0, {"get", "-q", "Width"}), ElementsAre("Width = 1360"));

    // 109: the code CLI11 gives arguments it did not expect.
    const std::vector<std::string> unknown = Camhost(109, {"list", "--bogus"});
    EXPECT_THAT(unknown, Contains(HasSubstr("--bogus")));
    EXPECT_THAT(unknown, Not(Contains("5 camera(s)")));
}

// --sdk sim is the folder the driver is loaded from without the option; a name camhost does
// not know is refused before anything is loaded.
TEST(CamhostTest, SdkSimIsTheDefaultAndAnUnknownSdkIsRefused) {
    EXPECT_EQ(Camhost(0, {"--sdk", "sim", "-q", "list"}), Listed());
    EXPECT_EQ(Camhost(0, {"sdk-list", "--sdk", "sim"}), Camhost(0, {"sdk-list"}));

    // 105: the code CLI11 gives a value its check refused.
    const std::vector<std::string> unknown = Camhost(105, {"--sdk", "bogus", "list"});
    EXPECT_THAT(unknown, Contains(AllOf(HasSubstr("--sdk"), HasSubstr("bogus"), HasSubstr("sim"),
                                        HasSubstr("gige"))));
    EXPECT_THAT(unknown, Not(Contains(HasSubstr("camera(s)"))));
}

// A camhost of its own in a folder of its own: each SDK's driver is looked for beside it (the
// GigE Vision one in "gige"), then in the private library folder of an installed tree.
class CamhostSdkFolderTest : public TempFolderTest {
  protected:
    void SetUp() override { m_Camhost = Copy(CAMHOST_FILE, "bin/" CAMHOST_FILE); }

    // Copies a file of the build's bin folder to a place in the test's folder.
    std::string Copy(const std::string& built, const std::string& to) {
        const std::filesystem::path target = m_Folder / to;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(BesideThisProgram(built), target);
        return target.string();
    }

    std::vector<std::string> Run(int exitCode, const std::vector<std::string>& args) {
        const ProgramRun run = RunProgram(m_Camhost, args);
        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        return Lines(run.output);
    }

    // The folder text camhost prints: with a trailing separator, ".." resolved.
    std::string FolderText(const std::string& folder) const {
        return (m_Folder / folder / "").lexically_normal().string();
    }

    std::string m_Camhost;
};

TEST_F(CamhostSdkFolderTest, AMissingDriverNamesTheSdkAndWhereCamhostLooked) {
    std::string looked = FolderText("bin/gige");
#ifdef CAMHOST_INSTALLED_DRIVER_DIR
    looked += ", " + FolderText("bin/" CAMHOST_INSTALLED_DRIVER_DIR "/gige");
#endif
    const std::string missing = "camhost: no driver for SDK 'gige' (looked in " + looked + ")";
    EXPECT_THAT(Run(2, {"--sdk", "gige", "list"}), ElementsAre(missing));
    EXPECT_THAT(Run(2, {"sdk-list", "--sdk", "gige"}), ElementsAre(missing));
    EXPECT_THAT(Run(2, {"-q", "list"}),
                ElementsAre(StartsWith("camhost: no driver for SDK 'sim' (looked in " +
                                       FolderText("bin"))));
}

// Another SDK has none of the simulator's pvsim_ controls: its cameras are still listed, and
// only what needs the controls is refused.
TEST_F(CamhostSdkFolderTest, GigeRunsTheDriverAndTheSdkOfItsOwnFolder) {
    Copy(host::DriverFileName(), std::string("bin/gige/") + host::DriverFileName());
    Copy(CAMHOST_FAKE_SDK, "bin/gige/" SDK_FILE);
    EXPECT_THAT(Run(0, {"--sdk", "gige", "sdk-list"}), ElementsAre("SDK 9.7, 0 camera(s)"));
    EXPECT_THAT(Run(0, {"--sdk", "gige", "-q", "list"}),
                ElementsAre("0 camera(s)", "settings file: " + ConfigFolder::DefaultFile()));
    EXPECT_THAT(Run(2, {"--sdk", "gige", "-q", "grab", "--pattern", "bars"}),
                ElementsAre("camhost: --pattern needs the simulated cameras (--sdk sim)"));
    EXPECT_THAT(Run(2, {"--sdk", "gige", "-q", "stream", "--frame-rate", "100"}),
                ElementsAre("camhost: --frame-rate needs the simulated cameras (--sdk sim)"));
}

#ifdef CAMHOST_INSTALLED_DRIVER_DIR
// Installed, the driver is in the private library folder, not beside camhost.
TEST_F(CamhostSdkFolderTest, AnInstalledCamhostFindsTheDriverInThePrivateFolder) {
    const std::string folder = "bin/" CAMHOST_INSTALLED_DRIVER_DIR "/";
    Copy(host::DriverFileName(), folder + host::DriverFileName());
    Copy(SDK_FILE, folder + SDK_FILE);
    EXPECT_EQ(Run(0, {"-q", "list"}), Listed());
}
#endif

// The simulated cameras run at 30 frames a second; at half a frame a second, a second of
// streaming brings one frame at most (a bound a slow machine cannot break).
TEST(CamhostTest, StreamSetsTheSimulatedCamerasFrameRate) {
    const std::vector<std::string> lines =
        Camhost(0, {"-q", "stream", "SimMono8 [SIM-1001]", "--frame-rate", "0.5", "-s", "1"});
    ASSERT_FALSE(lines.empty());
    const std::vector<std::string> summary = Words(lines.back());
    ASSERT_GE(summary.size(), 2u);
    EXPECT_EQ(summary[1], "frame(s)") << lines.back();
    EXPECT_LE(std::stoi(summary[0]), 1) << lines.back();
    EXPECT_THAT(Camhost(105, {"-q", "stream", "--frame-rate", "20000"}),
                Contains(HasSubstr("--frame-rate")));
}

TEST(CamhostTest, GetPrintsAPropertyOfTheFirstOrTheNamedCamera) {
    const std::vector<std::string> width = Camhost(0, {"get", "Width"});
    EXPECT_THAT(width, Contains("OPENED SimMono8 [SIM-1001] [1360x1024] 8 bit"));
    EXPECT_THAT(width, Contains("Width = 1360"));

    EXPECT_THAT(Camhost(0, {"-q", "get", "Height", "--camera", "127.0.1.5"}),
                ElementsAre("Height = 960"));
    EXPECT_THAT(Camhost(0, {"-q", "get", "ExposureValue"}), ElementsAre("ExposureValue = 15000"));
    EXPECT_THAT(Camhost(1, {"-q", "get", "NoSuchProperty"}),
                ElementsAre("camhost: cannot read NoSuchProperty"));
    EXPECT_THAT(Camhost(2, {"-q", "get", "Width", "--camera", "127.9.9.9"}),
                ElementsAre("camhost: cannot open \"127.9.9.9\" on port 0"));
}

// What a set leaves behind cannot be read back (the next run opens the camera afresh), so
// the answer and the exit code are what shows whether the camera took the value.
TEST(CamhostTest, SetSaysWhetherTheCameraTookTheValue) {
    EXPECT_THAT(Camhost(0, {"-q", "set", "ExposureValue", "20000"}),
                ElementsAre("ExposureValue set"));
    EXPECT_THAT(Camhost(0, {"-q", "set", "--camera", "127.0.1.2", "PixelFormat=Mono8"}),
                ElementsAre("PixelFormat=Mono8 set"));

    // Below the camera's range (10 and up), and a property the camera only reports: the
    // driver's line says why.
    const std::vector<std::string> low = Camhost(1, {"set", "ExposureValue", "5"});
    EXPECT_THAT(low, Contains("ERROR 18 Attribute value is out of the expected range: "
                              "PvAttrUint32Set(ExposureValue)"));
    EXPECT_THAT(low, Contains("camhost: cannot set ExposureValue"));
    const std::vector<std::string> readOnly = Camhost(1, {"set", "SensorWidth", "640"});
    EXPECT_THAT(readOnly,
                Contains("Failed to set property SensorWidth = 640: Property is read only"));
    EXPECT_THAT(readOnly, Contains("camhost: cannot set SensorWidth"));

    EXPECT_THAT(Camhost(2, {"-q", "set", "Width", "wide"}),
                ElementsAre("camhost: wide is not a number (write text as Name=text)"));
}

// The serial port's loopback peer answers within one run: what "set" sends, its "--get"
// reads back on the same open camera.
TEST(CamhostTest, SetThenGetTalksToTheSerialPortsLoopbackPeer) {
    EXPECT_THAT(Camhost(0, {"-q", "set", "RS232.Tx=48690A", "--get", "RS232.RxLen", "--get",
                            "RS232.Rx", "--get", "RS232.Rx", "--get", "RS232.Rx"}),
                ElementsAre("RS232.Tx=48690A set", "RS232.RxLen = 3", "RS232.Rx = 72",
                            "RS232.Rx = 105", "RS232.Rx = 10"));
    EXPECT_THAT(Camhost(0, {"-q", "set", "RS232.BaudRate", "115200"}),
                ElementsAre("RS232.BaudRate set"));

    const std::vector<std::string> empty = Camhost(1, {"set", "RS232.Open", "--get", "RS232.Rx"});
    EXPECT_THAT(empty, Contains("RS232.Open set"));
    EXPECT_THAT(empty, Contains("Failed to get property RS232.Rx: SerialIo::ReadByte: No data in "
                                "receive buffer"));
    EXPECT_THAT(empty, Contains("camhost: cannot read RS232.Rx"));
    EXPECT_THAT(Camhost(1, {"set", "RS232.BaudRate", "9601"}),
                Contains("Failed to set property RS232.BaudRate = 9601: Invalid baud rate"));
}

class CamhostGrabTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_Folder = BesideThisProgram("camhost_test_images/");
        m_Folder /= ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(m_Folder);
    }
    // Kept after a failure, to be looked at.
    void TearDown() override {
        if (HasFailure()) return;
        std::filesystem::remove_all(m_Folder);
        std::error_code notEmpty;
        std::filesystem::remove(m_Folder.parent_path(), notEmpty);
    }

    // Reads folder/name and expects an image of the size given, with the number of channels.
    ImageFile ExpectImage(const std::string& name, uint32_t width, uint32_t height,
                          uint32_t channels) {
        const ImageFile image = ReadImageFile(m_Folder / name);
        EXPECT_EQ(image.problem, "") << name;
        EXPECT_EQ(image.width, width) << name;
        EXPECT_EQ(image.height, height) << name;
        EXPECT_EQ(image.channels, channels) << name;
        return image;
    }

    std::filesystem::path m_Folder;
};

TEST_F(CamhostGrabTest, ImagesOfTheFirstOrTheNamedCameraHoldItsRamp) {
    const std::string out = m_Folder.string();
    EXPECT_THAT(Camhost(0, {"-q", "grab", "-n", "2", "-o", out}),
                ElementsAre(AllOf(StartsWith("2 image(s) from 1 camera(s) in "),
                                  EndsWith(", 0 lost, 0 frame error(s) (0 failed frame(s) asked "
                                           "again); written to " +
                                           out))));
    const std::string stem = "SimMono8_SIM-1001_";
    ASSERT_THAT(FileNames(m_Folder), ElementsAre(stem + "0000" + kImage, stem + "0001" + kImage));
    for (const std::string& name : FileNames(m_Folder))
        EXPECT_TRUE(IsByteRamp(ExpectImage(name, 1360, 1024, 1).pixels)) << name;

    std::filesystem::remove_all(m_Folder);
    Camhost(0, {"-q", "grab", "127.0.1.5", "-n", "1", "-o", out});
    ASSERT_THAT(FileNames(m_Folder), ElementsAre(std::string("127.0.1.5_0000") + kImage));
    // The camera's red, green, blue bytes come back in their order: one ramp.
    EXPECT_TRUE(IsByteRamp(ExpectImage(FileNames(m_Folder)[0], 1280, 960, 3).pixels));
}

TEST_F(CamhostGrabTest, AllCamerasWriteImagesOfTheirOwnSizeAndColour) {
    EXPECT_THAT(Camhost(0, {"-q", "grab", "--all", "-n", "1", "-o", m_Folder.string()}),
                ElementsAre(StartsWith("5 image(s) from 5 camera(s) in ")));
    ASSERT_THAT(FileNames(m_Folder), ElementsAre(std::string("SimBayer8_SIM-1003_0000") + kImage,
                                                 std::string("SimMono16_SIM-1002_0000") + kImage,
                                                 std::string("SimMono8_SIM-1001_0000") + kImage,
                                                 std::string("SimRgb24_SIM-1005_0000") + kImage,
                                                 std::string("SimYuv422_SIM-1004_0000") + kImage));
    const std::vector<std::string> names = FileNames(m_Folder);
    ExpectImage(names[0], 1360, 1024, 3);
    ExpectImage(names[1], 1360, 1024, 1);
    ExpectImage(names[2], 1360, 1024, 1);
    ExpectImage(names[3], 1280, 960, 3);
    ExpectImage(names[4], 1280, 960, 3);
}

TEST_F(CamhostGrabTest, ACameraThatIsNotThereLosesItsImages) {
    const std::vector<std::string> lines =
        Camhost(1, {"-q", "grab", "-n", "2", "-o", m_Folder.string(), "127.9.9.9"});
    EXPECT_THAT(lines, Contains("camhost: cannot open \"127.9.9.9\" on port 0"));
    EXPECT_THAT(lines, Contains(AllOf(StartsWith("0 image(s) from 1 camera(s) in "),
                                      HasSubstr(", 2 lost, 0 frame error(s)"))));
    EXPECT_THAT(FileNames(m_Folder), IsEmpty());
}

// A failed frame ends a request without a completion callback: camhost asks again at once
// rather than waiting out its time-out (60 s here), and counts the failed frames.
TEST_F(CamhostGrabTest, FailedFramesAreAskedForAgainAndCounted) {
    const std::string out = m_Folder.string();
    const std::vector<std::string> lines =
        Camhost(0, {"-q", "grab", "-n", "2", "-t", "60", "--fail-frames", "5", "-o", out});
    // Frames that fail before the first request are no request's: up to 5 are asked again.
    // (No character classes: the regular expressions of the Windows build know none.)
    EXPECT_THAT(lines, Contains(AllOf(StartsWith("2 image(s) from 1 camera(s) in "),
                                      HasSubstr(", 0 lost, 5 frame error(s) ("),
                                      AnyOf(HasSubstr("(0 failed frame(s) asked again)"),
                                            HasSubstr("(1 failed frame(s) asked again)"),
                                            HasSubstr("(2 failed frame(s) asked again)"),
                                            HasSubstr("(3 failed frame(s) asked again)"),
                                            HasSubstr("(4 failed frame(s) asked again)"),
                                            HasSubstr("(5 failed frame(s) asked again)")))));
    ASSERT_EQ(FileNames(m_Folder).size(), 2u);
    for (const std::string& name : FileNames(m_Folder))
        EXPECT_TRUE(IsByteRamp(ExpectImage(name, 1360, 1024, 1).pixels)) << name;
}

// Too many failed frames for one image: that image is lost with a message naming the limit,
// and the exit code says something was lost.
TEST_F(CamhostGrabTest, AnImageIsGivenUpAfterTheLimitOfFailedFrames) {
    const std::vector<std::string> lines =
        Camhost(1, {"-q", "grab", "-n", "1", "-t", "60", "--fail-frames", "1000", "--max-failed",
                    "3", "-o", m_Folder.string()});
    EXPECT_THAT(lines, Contains("camhost: SimMono8 [SIM-1001]: image 0 lost: 4 failed frame(s) "
                                "in a row (--max-failed 3)"));
    EXPECT_THAT(lines, Contains(AllOf(StartsWith("0 image(s) from 1 camera(s) in "),
                                      HasSubstr(", 1 lost, "),
                                      HasSubstr("(3 failed frame(s) asked again)"))));
    EXPECT_THAT(FileNames(m_Folder), IsEmpty());
}

// A camera waiting for a hardware trigger that never comes: the wait ends after --timeout with
// a message, and the image is lost.
TEST_F(CamhostGrabTest, NoFrameAtAllEndsTheWaitWithAMessage) {
    std::filesystem::create_directories(m_Folder);
    {
        std::ofstream settings(m_Folder / "Tarnix.ini");
        settings << "[SimMono8 SIM-1001]\nFrameStartTriggerMode=SyncIn1\n";
    }
    const std::vector<std::string> lines =
        Camhost(1, {"-q", "--system-path", m_Folder.string(), "grab", "-n", "1", "-t", "0.3", "-o",
                    (m_Folder / "out").string()});
    EXPECT_THAT(lines, Contains("camhost: SimMono8 [SIM-1001]: image 0 lost: no frame, whole or "
                                "failed, within 0.3 s (--timeout)"));
    EXPECT_THAT(lines, Contains(HasSubstr(", 1 lost, ")));
}

}  // namespace
}  // namespace tarnix::test
