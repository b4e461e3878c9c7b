// The configuration sheet's pages on a camera object open on a simulated camera, shown in a
// window without a toolkit (FakeView): what each page reads, shows, parses and writes, in
// which order, and when. The SDK table is the simulator's with the attribute writes (and the
// unsigned reads) recorded.
#include <camera/Camera.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <harness/CameraInternals.h>
#include <harness/LutTable.h>
#include <harness/SdkTable.h>
#include <harness/TempFolder.h>
#include <harness/Wait.h>
#include <pvsim.h>
#include <settings/LutGenerator.h>
#include <ui/ConfigSheet.h>
#include <ui/ControlIds.h>
#include <ui/Exchange.h>
#include <ui/Pages.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FakeView.h"

namespace tarnix::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// "Name=value" of every attribute write, and "?Name" of every unsigned read, in call order.
class SdkLog {
  public:
    void Add(std::string entry) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Entries.push_back(std::move(entry));
    }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return std::exchange(m_Entries, {});
    }
    // Only the writes.
    std::vector<std::string> Writes() {
        std::vector<std::string> writes;
        for (std::string& entry : Take())
            if (entry.front() != '?') writes.push_back(std::move(entry));
        return writes;
    }

  private:
    std::mutex m_Mutex;
    std::vector<std::string> m_Entries;
};

SdkLog g_Log;

tPvErr PVDECL LoggedEnumSet(tPvHandle handle, const char* name, const char* value) {
    g_Log.Add(std::string(name) + "=" + value);
    return ::PvAttrEnumSet(handle, name, value);
}
tPvErr PVDECL LoggedStringSet(tPvHandle handle, const char* name, const char* value) {
    g_Log.Add(std::string(name) + "=" + value);
    return ::PvAttrStringSet(handle, name, value);
}
tPvErr PVDECL LoggedUint32Set(tPvHandle handle, const char* name, uint32_t value) {
    g_Log.Add(std::string(name) + "=" + std::to_string(value));
    return ::PvAttrUint32Set(handle, name, value);
}
tPvErr PVDECL LoggedFloat32Set(tPvHandle handle, const char* name, float value) {
    g_Log.Add(std::string(name) + "=" + ui::FormatFloat(value));
    return ::PvAttrFloat32Set(handle, name, value);
}
tPvErr PVDECL LoggedUint32Get(tPvHandle handle, const char* name, uint32_t* value) {
    g_Log.Add(std::string("?") + name);
    return ::PvAttrUint32Get(handle, name, value);
}

// When set, the camera reports its pixel format in lower case ("mono8").
std::atomic<bool> g_LowerCaseFormat{false};
tPvErr PVDECL CasedEnumGet(tPvHandle handle, const char* name, char* buffer, uint32_t size,
                           uint32_t* filled) {
    const tPvErr error = ::PvAttrEnumGet(handle, name, buffer, size, filled);
    if (error == ePvErrSuccess && g_LowerCaseFormat && std::string(name) == "PixelFormat")
        for (char* c = buffer; *c != '\0'; ++c) *c = static_cast<char>(std::tolower(*c));
    return error;
}

SdkApi LoggingSdk() {
    SdkApi api = DirectSdk();
    api.PvAttrEnumGet = CasedEnumGet;
    api.PvAttrEnumSet = LoggedEnumSet;
    api.PvAttrStringSet = LoggedStringSet;
    api.PvAttrUint32Set = LoggedUint32Set;
    api.PvAttrFloat32Set = LoggedFloat32Set;
    api.PvAttrUint32Get = LoggedUint32Get;
    return api;
}

[[maybe_unused]] ::testing::Environment* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new SimulatedSdk(LoggingSdk()));

class PagesTest : public DebugLinesTest {
  protected:
    void SetUp() override {
        pvsim_reset();
        DebugLinesTest::SetUp();
    }
    void TearDown() override {
        if (m_Camera) m_Camera->Close();
        DebugLinesTest::TearDown();
    }

    // Camera id open in a camera object (the first default camera unless told otherwise),
    // with the recorded calls of the open dropped.
    CCamera& OpenCamera(uint32_t id = kMono8CameraId, const char* name = "SimMono8",
                        const char* serial = "SIM-1001") {
        m_Camera = std::make_shared<CCamera>(CameraInfo(id, name, serial), 0, nullptr,
                                             m_Temp.Path().string().c_str());
        EXPECT_TRUE(m_Camera->Open());
        g_Log.Take();
        return *m_Camera;
    }

    std::shared_ptr<CCamera> m_Camera;
    TempFolder m_Temp;
};

// --- General ---------------------------------------------------------------------------------

// A current value that differs from its list entry only in letter case selects that entry,
// and a store writes the entry, never an empty value.
TEST_F(PagesTest, AValueInAnotherLetterCaseSelectsItsEntry) {
    CCamera& camera = OpenCamera();
    g_LowerCaseFormat = true;
    ui::CGeneralPage page(camera);
    FakeView view(page);
    page.Shown(view);
    g_LowerCaseFormat = false;
    const auto& formats = view.At(ui::kPixelFormat).entries;
    const auto mono8 = std::find(formats.begin(), formats.end(), "Mono8") - formats.begin();
    EXPECT_EQ(view.ListSelection(ui::kPixelFormat), static_cast<int32_t>(mono8));
    EXPECT_EQ(view.Text(ui::kPixelFormat), "Mono8");
    view.Type(ui::kFrameRate, "10");  // a change elsewhere: the page writes all its values
    ASSERT_TRUE(page.Leaving(view));
    EXPECT_THAT(g_Log.Writes(), Contains("PixelFormat=Mono8"));
}

TEST_F(PagesTest, GeneralShowsIdentitySizeListsAndValuesWithoutCountingThemAsChanges) {
    CCamera& camera = OpenCamera();
    ui::CGeneralPage page(camera);
    FakeView view(page);
    page.Shown(view);
    EXPECT_EQ(view.Text(ui::kInfoText), "SimMono8 / SIM-1001");
    EXPECT_EQ(view.Text(ui::kSizeText), "1360 x 1024  8 bit  [ Max 1360 x 1024 ]");
    // In the camera's order, the current value selected.
    const auto& formats = view.At(ui::kPixelFormat).entries;
    ASSERT_GE(formats.size(), 2u);
    EXPECT_EQ(formats[0], "Mono8");
    EXPECT_EQ(view.Text(ui::kPixelFormat), "Mono8");
    EXPECT_EQ(view.Text(ui::kRoiWidth), "1360");
    EXPECT_TRUE(view.IsEnabled(ui::kFrameRate));
    EXPECT_EQ(view.changes, 0);
    EXPECT_FALSE(page.m_Modified);

    // Left untouched: nothing written, capture goes on.
    EXPECT_TRUE(page.Leaving(view));
    EXPECT_THAT(g_Log.Writes(), IsEmpty());
    EXPECT_EQ(camera.State(), CameraState::Capturing);
}

TEST_F(PagesTest, GeneralStopsCaptureAndWritesEverythingInItsOrderOnceChanged) {
    CCamera& camera = OpenCamera();
    ui::CGeneralPage page(camera);
    FakeView view(page);
    page.Shown(view);
    const auto& formats = view.At(ui::kPixelFormat).entries;
    const auto mono16 = std::find(formats.begin(), formats.end(), "Mono16") - formats.begin();
    view.Pick(ui::kPixelFormat, static_cast<int32_t>(mono16));
    EXPECT_EQ(view.changes, 1);
    view.Type(ui::kFrameRate, "7.5xyz");
    ASSERT_TRUE(page.Leaving(view));
    EXPECT_EQ(camera.State(), CameraState::Open);
    EXPECT_THAT(g_Log.Writes(),
                ElementsAre("PixelFormat=Mono16", "FrameStartTriggerMode=Freerun",
                            "FrameStartTriggerEvent=EdgeRising", "RegionX=0", "RegionY=0",
                            "Width=1360", "Height=1024", "FrameRate=7.5"));
    // Stored, and a load shows what the camera object now holds.
    page.Shown(view);
    EXPECT_EQ(view.Text(ui::kSizeText), "1360 x 1024  8 bit  [ Max 1360 x 1024 ]");
    EXPECT_EQ(view.Text(ui::kPixelFormat), "Mono16");
}

TEST_F(PagesTest, GeneralParsesTheNumberAtTheStartAndRefusesTextWithout) {
    CCamera& camera = OpenCamera();
    ui::CGeneralPage page(camera);
    FakeView view(page);
    page.Shown(view);
    view.Type(ui::kRegionX, "abc");
    EXPECT_FALSE(page.Leaving(view));
    EXPECT_THAT(view.warnings, ElementsAre("Enter a positive integer."));
    EXPECT_EQ(view.focus, ui::kRegionX);
    EXPECT_THAT(g_Log.Writes(), IsEmpty());
    EXPECT_EQ(camera.State(), CameraState::Capturing);

    view.Type(ui::kRegionX, "  12abc");
    view.Type(ui::kFrameRate, "nope");
    EXPECT_FALSE(page.Leaving(view));
    EXPECT_EQ(view.warnings.back(), "Enter a number.");
    EXPECT_EQ(page.m_RegionX, 0u);  // the frame rate comes first in the exchange
    view.Type(ui::kFrameRate, "20");
    view.Type(ui::kRoiWidth, "-4");
    EXPECT_FALSE(page.Leaving(view));
    EXPECT_EQ(view.focus, ui::kRoiWidth);
    EXPECT_EQ(page.m_RegionX, 12u);  // parsed before the failing field
    view.Type(ui::kRoiWidth, "99999999999");
    EXPECT_FALSE(page.Leaving(view));  // does not fit 32 bits
}

TEST_F(PagesTest, MaxSetsTheFullSensorInTheFieldsAndTheNextStoreWritesIt) {
    CCamera& camera = OpenCamera();
    ui::CGeneralPage page(camera);
    FakeView view(page);
    page.Shown(view);
    view.Type(ui::kRoiWidth, "640");
    ASSERT_TRUE(page.Leaving(view));
    g_Log.Take();
    page.Shown(view);
    EXPECT_EQ(view.Text(ui::kRoiWidth), "640");
    view.Click(ui::kMaxRoi);
    EXPECT_EQ(view.Text(ui::kRegionX), "0");
    EXPECT_EQ(view.Text(ui::kRoiWidth), "1360");
    EXPECT_EQ(view.Text(ui::kRoiHeight), "1024");
    EXPECT_TRUE(page.m_Modified);
    EXPECT_THAT(g_Log.Writes(), IsEmpty());
    ASSERT_TRUE(page.Leaving(view));
    const std::vector<std::string> writes = g_Log.Writes();
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_THAT(std::vector<std::string>(writes.begin() + 3, writes.begin() + 7),
                ElementsAre("RegionX=0", "RegionY=0", "Width=1360", "Height=1024"));
    EXPECT_EQ(CameraInternals::Stream(camera).Width(), 1360u);
}

TEST_F(PagesTest, AnUnreadableSensorSizeShowsZeroAndStopsAtTheFirstFailure) {
    CCamera& camera = OpenCamera();
    ASSERT_EQ(pvsim_fail_attr(kMono8CameraId, "SensorHeight", ePvErrInternalFault, 0),
              ePvErrSuccess);
    ui::CGeneralPage page(camera);
    FakeView view(page);
    page.Shown(view);
    EXPECT_EQ(view.Text(ui::kSizeText), "1360 x 1024  8 bit  [ Max 1360 x 0 ]");

    ASSERT_EQ(pvsim_fail_attr(kMono8CameraId, "SensorWidth", ePvErrInternalFault, 0),
              ePvErrSuccess);
    g_Log.Take();
    page.Shown(view);
    EXPECT_EQ(view.Text(ui::kSizeText), "1360 x 1024  8 bit  [ Max 0 x 0 ]");
    const std::vector<std::string> calls = g_Log.Take();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "?SensorHeight"), 0);
}

TEST(CommaListTest, EveryPieceInOrderWithoutTheEmptyOnes) {
    CCamera camera(tPvHandle{0});
    ui::CGeneralPage page(camera);
    FakeView view(page);
    ui::AddCommaSeparatedEntries(view, ui::kPixelFormat, ",Mono8,,Rgb24,");
    EXPECT_THAT(view.At(ui::kPixelFormat).entries, ElementsAre("Mono8", "Rgb24"));
    ui::AddCommaSeparatedEntries(view, ui::kTriggerMode, "");
    EXPECT_THAT(view.At(ui::kTriggerMode).entries, IsEmpty());
}

// Decimal only: strtod would read hexadecimal, which the field's rule does not know.
TEST(NumberTextTest, AFloatTakesTheZeroBeforeAnXWithOrWithoutASign) {
    for (const char* text : {"0x1F", " +0X2", "-0x10", "0x1p3"}) {
        float value = 5.0F;
        EXPECT_TRUE(ui::ParseFloat(text, value)) << text;
        EXPECT_EQ(value, 0.0F) << text;
    }
    float value = 0.0F;
    EXPECT_TRUE(ui::ParseFloat("-2.5x", value));
    EXPECT_EQ(value, -2.5F);
}

// --- Controls --------------------------------------------------------------------------------

TEST_F(PagesTest, ExposureInMillisecondsGoesBackAsTheMicrosecondsItWasReadAs) {
    CCamera& camera = OpenCamera();
    ui::CControlPage page(camera);
    FakeView view(page);
    for (const uint32_t microseconds : {700u, 8200u, 15000u, 33333u, 100u}) {
        ASSERT_TRUE(CameraInternals::Device(camera).AttrUint32Set("ExposureValue", microseconds));
        g_Log.Take();
        page.Shown(view);
        if (microseconds == 700u) {
            EXPECT_EQ(view.Text(ui::kExposureValue), "0.7");
        }
        ASSERT_TRUE(page.Leaving(view));
        const std::vector<std::string> writes = g_Log.Writes();
        ASSERT_EQ(writes.size(), 7u);  // every store writes them all, changed or not
        EXPECT_EQ(writes[3], "ExposureValue=" + std::to_string(microseconds));
        EXPECT_EQ(camera.State(), CameraState::Capturing);
    }
    // A negative exposure parses, and its microseconds wrap as typed.
    view.Type(ui::kExposureValue, "-5");
    ASSERT_TRUE(page.Leaving(view));
    EXPECT_EQ(g_Log.Writes()[3], "ExposureValue=4294962296");
}

TEST_F(PagesTest, ModeListsAreSortedAndACameraWithoutIrisGetsNoIrisWrites) {
    CCamera& camera = OpenCamera(AddCamera(ePvFmtMono8, 64, 48, 8, ePvSimNoIris).id);
    ui::CControlPage page(camera);
    FakeView view(page);
    page.Shown(view);
    const auto& modes = view.At(ui::kExposureMode).entries;
    EXPECT_TRUE(std::is_sorted(modes.begin(), modes.end()));
    EXPECT_THAT(view.At(ui::kIrisMode).entries, IsEmpty());
    EXPECT_EQ(view.Text(ui::kIrisVideoLevelMin), "0");
    EXPECT_FALSE(view.IsEnabled(ui::kIrisVideoLevel));
    ASSERT_TRUE(page.Leaving(view));
    for (const std::string& write : g_Log.Writes())
        EXPECT_EQ(write.find("Iris"), std::string::npos) << write;
}

// --- GigE ------------------------------------------------------------------------------------

TEST_F(PagesTest, TheLinkLoadFollowsTheTextsAsTyped) {
    CCamera& camera = OpenCamera();
    settings::CameraSettings edited = camera.Settings();
    ui::CGigEPage page(camera, edited);
    FakeView view(page);
    page.Shown(view);
    EXPECT_EQ(view.Text(ui::kIpAddress), "127.0.1.1");
    EXPECT_THAT(view.At(ui::kNetworkSpeed).entries, ElementsAre("1000", "100", "54", "10"));
    EXPECT_THAT(view.At(ui::kPacketSize).entries, ElementsAre("1500"));

    struct Case {
        const char* speed;
        const char* packet;
        const char* stream;
        const char* range;
        const char* load;
        bool warning;
    };
    for (const Case& c : {Case{"1000", "1500", "115000000", "<..125000000]", "92 %", false},
                          Case{"100", "9000", "29000000", "<..12500000]", "231 %", true},
                          Case{"100", "1500", "3625000", "<..12500000]", "28 %", false},
                          Case{"1000", "9000", "3625000", "<..125000000]", "2 %", false},
                          Case{"54", "1500", "3625000", "<..6750000]", "53 %", false}}) {
        view.Type(ui::kNetworkSpeed, c.speed);
        view.Type(ui::kPacketSize, c.packet);
        view.Type(ui::kStreamBytesPerSecond, c.stream);
        EXPECT_EQ(view.Text(ui::kRangeLabel), c.range) << c.speed << " " << c.stream;
        EXPECT_EQ(view.Text(ui::kLoadLabel), c.load) << c.speed << " " << c.stream;
        EXPECT_EQ(view.IsShown(ui::kPacketWarning), c.warning) << c.speed << " " << c.packet;
    }
    // No speed, or one too large for the arithmetic: the labels stay, the warning follows.
    for (const char* speed : {"", "0", "5000"}) {
        view.Type(ui::kNetworkSpeed, speed);
        view.Type(ui::kPacketSize, "9000");
        EXPECT_EQ(view.Text(ui::kLoadLabel), "53 %") << speed;
    }
    view.Type(ui::kNetworkSpeed, "");
    EXPECT_TRUE(view.IsShown(ui::kPacketWarning));
}

// A picked preset counts at once: the combo reports the pick before its edit shows the entry,
// and the labels must not lag one pick behind.
TEST_F(PagesTest, TheLinkLoadFollowsAPickedPresetAtOnce) {
    CCamera& camera = OpenCamera();
    settings::CameraSettings edited = camera.Settings();
    ui::CGigEPage page(camera, edited);
    FakeView view(page);
    page.Shown(view);
    view.Type(ui::kStreamBytesPerSecond, "3625000");
    view.Type(ui::kPacketSize, "9000");

    struct Case {
        int32_t speed;  // entry of "1000", "100", "54", "10"
        const char* range;
        const char* load;
        bool warning;
    };
    for (const Case& c :
         {Case{1, "<..12500000]", "28 %", true}, Case{0, "<..125000000]", "2 %", false},
          Case{2, "<..6750000]", "53 %", true}, Case{3, "<..1250000]", "290 %", true}}) {
        view.Pick(ui::kNetworkSpeed, c.speed);
        EXPECT_EQ(view.Text(ui::kRangeLabel), c.range) << c.speed;
        EXPECT_EQ(view.Text(ui::kLoadLabel), c.load) << c.speed;
        EXPECT_EQ(view.IsShown(ui::kPacketWarning), c.warning) << c.speed;
    }
    view.Pick(ui::kPacketSize, 0);  // "1500" on the 10 megabit link
    EXPECT_FALSE(view.IsShown(ui::kPacketWarning));
    ASSERT_TRUE(page.Leaving(view));
    EXPECT_EQ(edited.m_Network, 10u);
}

TEST_F(PagesTest, GigEWritesOnlyAfterAChangeAndKeepsTheSpeedInTheCameraObject) {
    CCamera& camera = OpenCamera();
    settings::CameraSettings edited = camera.Settings();
    ui::CGigEPage page(camera, edited);
    FakeView view(page);
    page.Shown(view);
    ASSERT_TRUE(page.Leaving(view));
    EXPECT_THAT(g_Log.Writes(), IsEmpty());
    EXPECT_EQ(camera.State(), CameraState::Capturing);

    page.Shown(view);
    view.Type(ui::kNetworkSpeed, "100");
    ASSERT_TRUE(page.Leaving(view));
    EXPECT_EQ(edited.m_Network, 100u);
    EXPECT_EQ(camera.State(), CameraState::Open);
    const std::vector<std::string> writes = g_Log.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].rfind("PacketSize=", 0), 0u);
    EXPECT_EQ(writes[1].rfind("StreamBytesPerSecond=", 0), 0u);

    page.Shown(view);
    view.Type(ui::kPacketSize, "big");
    EXPECT_FALSE(page.Leaving(view));
    EXPECT_THAT(view.warnings, ElementsAre("Enter a positive integer."));
}

// --- Attributes ------------------------------------------------------------------------------

TEST_F(PagesTest, TheAttributeListShowsEveryAttributeOnceInTheSdksOrder) {
    CCamera& camera = OpenCamera();
    ui::CAttrPage page(camera);
    FakeView view(page);
    page.Shown(view);
    const auto& list = view.At(ui::kAttributeList);
    EXPECT_THAT(list.columns,
                ElementsAre("Attribute", "Type", "Flags", "Value", "Range", "Category"));
    auto row = [&](const std::string& name) {
        for (const auto& cells : list.rows)
            if (cells[0] == name) return cells;
        ADD_FAILURE() << "no row " << name;
        return std::vector<std::string>(6);
    };
    EXPECT_THAT(row("RegionX"), ElementsAre("RegionX", "I", "RW", "0", "0..0", "/ImageFormat/ROI"));
    // Unsigned values print signed: the top of the range reads -1.
    EXPECT_EQ(row("StatFramesDropped")[2], "RV");
    EXPECT_EQ(row("StatFramesDropped")[4], "0..-1");
    EXPECT_EQ(row("PixelFormat")[1], "E");
    EXPECT_EQ(row("PixelFormat")[3], "Mono8");
    EXPECT_EQ(row("PixelFormat")[4].rfind("Mono8,Mono16", 0), 0u) << row("PixelFormat")[4];
    EXPECT_THAT(row("AcquisitionStart"),
                ElementsAre("AcquisitionStart", "C", "W", "n/a", "n/a", "/Acquisition"));
    EXPECT_EQ(row("LUTRaw")[1], "R");
    EXPECT_EQ(row("SensorWidth")[2], "RC");
    EXPECT_EQ(row("CameraName")[1], "S");
    EXPECT_EQ(row("FrameRate")[1], "F");

    tPvAttrListPtr names = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PvAttrList(CameraInternals::Device(camera).Handle(), &names, &count), ePvErrSuccess);
    ASSERT_EQ(list.rows.size(), count);
    for (uint32_t i = 0; i < count; ++i) EXPECT_EQ(list.rows[i][0], names[i]);

    // Shown again: the rows are those of the first showing.
    page.Shown(view);
    EXPECT_EQ(list.rows.size(), count);
}

TEST(AttributeTextsTest, TypeLettersAndFlagLetters) {
    EXPECT_STREQ(ui::TypeLetter(ePvDatatypeUnknown), "U");
    EXPECT_STREQ(ui::TypeLetter(ePvDatatypeUint32), "I");
    EXPECT_STREQ(ui::TypeLetter(static_cast<tPvDatatype>(9)), "X");
    EXPECT_EQ(ui::FlagsText(15), "RWVC");
    EXPECT_EQ(ui::FlagsText(0), "");
    EXPECT_EQ(ui::FlagsText(0x10 | 8 | 1), "RC");
}

// --- LUT and the generator -------------------------------------------------------------------

class LutPageTest : public PagesTest {
  protected:
    // The sheet's copy of the settings the pages edit.
    settings::CameraSettings edited;

    void SetLut(int32_t useLut, const std::string& file, const std::string& column) {
        edited.m_UseLut = useLut;
        edited.m_LutFile = file;
        edited.m_LutColumn = column;
    }
};

TEST_F(LutPageTest, ColumnsOfTheFileAreListedSortedWithTheConfiguredOneSelected) {
    CCamera& camera = OpenCamera();
    const std::string file = m_Temp.WriteFile("ab.csv", "LN;b;a\n0;1;2\n");
    SetLut(1, file, "b");
    ui::CLutPage page(camera, edited);
    FakeView view(page);
    page.Shown(view);
    EXPECT_TRUE(view.Checked(ui::kLutEnable));
    EXPECT_EQ(view.Text(ui::kLutFile), file);
    EXPECT_THAT(view.At(ui::kLutColumn).entries, ElementsAre("a", "b"));
    EXPECT_EQ(view.Text(ui::kLutColumn), "b");
    EXPECT_TRUE(view.At(ui::kLutColumn).readOnly);
    EXPECT_EQ(view.changes, 0);

    // A column the file lacks: the first entry, which the next store takes.
    edited.m_LutColumn = "zzz";
    ui::CLutPage other(camera, edited);
    FakeView otherView(other);
    other.Shown(otherView);
    EXPECT_EQ(otherView.Text(ui::kLutColumn), "a");
    ASSERT_TRUE(other.Leaving(otherView));
    EXPECT_EQ(edited.m_LutColumn, "a");
}

TEST_F(LutPageTest, TheTableOffDisablesTheControlsAndEmptiesTheList) {
    CCamera& camera = OpenCamera();
    SetLut(0, m_Temp.WriteFile("t.csv", "LN;ln\n0;1\n"), "ln");
    ui::CLutPage page(camera, edited);
    FakeView view(page);
    page.Shown(view);
    EXPECT_FALSE(view.Checked(ui::kLutEnable));
    for (const int32_t id : {ui::kLutFile, ui::kLutBrowse, ui::kLutGenerate, ui::kLutColumn})
        EXPECT_FALSE(view.IsEnabled(id)) << id;
    EXPECT_THAT(view.At(ui::kLutColumn).entries, IsEmpty());
    ASSERT_TRUE(page.Leaving(view));
    EXPECT_EQ(edited.m_LutColumn, "ln");  // kept while the table is off

    // Switched on: enabled, filled from the file, Apply offered, and the frame conversion
    // follows at once.
    view.Click(ui::kLutEnable);
    EXPECT_EQ(edited.m_UseLut, 1);
    EXPECT_TRUE(view.IsEnabled(ui::kLutColumn));
    EXPECT_THAT(view.At(ui::kLutColumn).entries, ElementsAre("ln"));
    EXPECT_EQ(view.Text(ui::kLutColumn), "ln");
    EXPECT_EQ(view.changes, 1);
    EXPECT_TRUE(CameraInternals::Stream(camera).LutActive());
    EXPECT_EQ(camera.Settings().m_UseLut, 0);  // the camera's settings wait for the close
}

// Any value but 0 is on; looking at the tab changes none of them, and a click on the box
// makes it 0 or 1.
TEST_F(LutPageTest, OpeningAndLeavingTheTabChangesNoSetting) {
    CCamera& camera = OpenCamera();
    const std::string file = m_Temp.WriteFile("t.csv", "LN;ln\n0;1\n");
    for (const int32_t useLut : {2, 7, -1, 1}) {
        SetLut(useLut, file, "ln");
        const settings::CameraSettings before = edited;
        ui::CLutPage page(camera, edited);
        FakeView view(page);
        page.Shown(view);
        EXPECT_TRUE(view.Checked(ui::kLutEnable)) << useLut;
        ASSERT_TRUE(page.Leaving(view));
        EXPECT_EQ(edited, before) << useLut;
        view.Click(ui::kLutEnable);
        EXPECT_EQ(edited.m_UseLut, 0) << useLut;
        view.Click(ui::kLutEnable);
        EXPECT_EQ(edited.m_UseLut, useLut) << "back as loaded: " << useLut;
    }
}

TEST_F(LutPageTest, BrowsingTakesAFileWithColumnsAndRefusesOneWithout) {
    CCamera& camera = OpenCamera();
    SetLut(1, "", "");
    ui::CLutPage page(camera, edited);
    FakeView view(page);
    page.Shown(view);
    const std::string headerless = m_Temp.WriteFile("bad.csv", "");
    view.fileAnswers = {headerless};
    view.Click(ui::kLutBrowse);
    EXPECT_THAT(view.errors, ElementsAre("Could not read column names"));
    EXPECT_EQ(edited.m_LutFile, "");
    ASSERT_EQ(view.fileRequests.size(), 1u);
    EXPECT_STREQ(view.fileRequests[0].title, "Select LUT file");
    EXPECT_STREQ(view.fileRequests[0].filter, "LUT table (*.csv)|*.csv||");
    EXPECT_EQ(view.fileRequests[0].folder, "");

    const std::string generated = m_Temp.PathOf("gen.csv");
    ASSERT_TRUE(settings::WriteLutFile(generated, settings::LutCurve{}));
    view.fileAnswers = {generated};
    view.Click(ui::kLutBrowse);
    EXPECT_EQ(edited.m_LutFile, generated);
    EXPECT_EQ(view.Text(ui::kLutFile), generated);
    EXPECT_THAT(view.At(ui::kLutColumn).entries, ElementsAre("ln"));
    EXPECT_EQ(view.Text(ui::kLutColumn), "ln");
    EXPECT_EQ(view.changes, 0);  // browsing alone offers no Apply

    view.fileAnswers = {std::nullopt};  // cancelled
    view.Click(ui::kLutBrowse);
    EXPECT_EQ(edited.m_LutFile, generated);
    EXPECT_EQ(view.fileRequests.back().folder, generated);
}

// The page stores a picked column as the combo reports the pick, so the column picked last is
// the one kept, also when the sheet is then closed with Cancel, which stores nothing more.
TEST_F(PagesTest, APickedColumnIsKeptWhenTheSheetIsCancelled) {
    CCamera& camera = OpenCamera();
    static std::string s_File;
    s_File = m_Temp.WriteFile("abc.csv", "LN;c;a;b\n0;1;2;3\n");
    EXPECT_TRUE(ui::ShowConfigSheet(camera, [](ui::SheetModel& sheet) {
        FakeSheet tabs(sheet);
        tabs.Open();
        EXPECT_TRUE(tabs.ShowTab(2));
        FakeView& lut = tabs.View(2);
        if (!lut.Checked(ui::kLutEnable)) lut.Click(ui::kLutEnable);
        lut.fileAnswers = {s_File};
        lut.Click(ui::kLutBrowse);
        EXPECT_THAT(lut.At(ui::kLutColumn).entries, ElementsAre("a", "b", "c"));
        lut.Pick(ui::kLutColumn, 2);
        lut.Pick(ui::kLutColumn, 1);
        EXPECT_EQ(lut.Text(ui::kLutColumn), "b");
        return true;  // Cancel
    }));
    EXPECT_EQ(camera.Settings().m_LutFile, s_File);
    EXPECT_EQ(camera.Settings().m_LutColumn, "b");
}

TEST_F(LutPageTest, TheGeneratorValidatesAsTypedAndWritesTheChosenFile) {
    CCamera& camera = OpenCamera();
    SetLut(1, "", "");
    ui::CLutPage page(camera, edited);
    FakeView view(page);
    page.Shown(view);
    const std::string target = m_Temp.PathOf("curve.csv");
    view.fileAnswers = {target};
    view.insideModal = [&](FakeView& dialog) {
        EXPECT_EQ(dialog.Text(ui::kGenFormula), ui::kGeneratorFormula);
        EXPECT_EQ(dialog.Text(ui::kGenMaxPix), "15");
        EXPECT_EQ(dialog.Text(ui::kGenMinRange), "[0..15]");
        EXPECT_EQ(dialog.Text(ui::kGenSteepnessRange), "[1..10]");
        EXPECT_TRUE(dialog.IsEnabled(ui::kIdOk));
        for (const auto& [id, text] :
             std::vector<std::pair<int32_t, std::string>>{{ui::kGenMaxPix, "16"},
                                                          {ui::kGenMaxPix, "0"},
                                                          {ui::kGenSteepness, "0"},
                                                          {ui::kGenSteepness, "11"},
                                                          {ui::kGenMinPix, "-1"}}) {
            const std::string before = dialog.Text(id);
            dialog.Type(id, text);
            EXPECT_FALSE(dialog.IsEnabled(ui::kIdOk)) << id << "=" << text;
            dialog.Type(id, before);
        }
        dialog.Type(ui::kGenMinPix, "4");
        dialog.Type(ui::kGenMaxPix, "12");
        dialog.Type(ui::kGenSteepness, "x");  // reported, the setting stays
        EXPECT_THAT(dialog.warnings, ElementsAre("Enter an integer."));
        dialog.Type(ui::kGenSteepness, "10");
        EXPECT_TRUE(dialog.IsEnabled(ui::kIdOk));
        EXPECT_EQ(edited.m_LutGenMinPix, 4);
        EXPECT_EQ(edited.m_LutGenSteepness, 10);
        dialog.PressOk();
        EXPECT_EQ(dialog.ended, true);
    };
    view.Click(ui::kLutGenerate);
    EXPECT_EQ(view.modals, 1);
    ASSERT_EQ(view.fileRequests.size(), 1u);
    EXPECT_STREQ(view.fileRequests[0].fileName, "LUT table");
    EXPECT_STREQ(view.fileRequests[0].defaultExtension, "csv");
    ExpectLutTable(target, settings::LutCurve{4, 12, 10});

    // A cancelled file choice closes the generator too, and writes nothing.
    const std::string untouched = m_Temp.PathOf("none.csv");
    view.fileAnswers = {std::nullopt};
    view.insideModal = [&](FakeView& dialog) {
        dialog.PressOk();
        EXPECT_EQ(dialog.ended, true);
    };
    view.Click(ui::kLutGenerate);
    EXPECT_EQ(view.modals, 2);
    EXPECT_FALSE(std::ifstream(untouched).good());
}

// --- The sheet -------------------------------------------------------------------------------

TEST_F(PagesTest, TabsAreCreatedWhenFirstShownAndStoredWhenLeft) {
    CCamera& camera = OpenCamera();
    settings::CameraSettings edited = camera.Settings();
    ui::ConfigSheet sheet(camera, edited);
    EXPECT_EQ(sheet.Caption(), "SimMono8");
    FakeSheet tabs(sheet);
    const uint32_t listed = pvsim_call_count("PvAttrList");
    tabs.Open();
    EXPECT_EQ(pvsim_call_count("PvAttrList"), listed);  // the Attributes tab was never shown
    // A changed format is written as soon as the tab is left, and stays written.
    FakeView& general = tabs.View(0);
    const auto& formats = general.At(ui::kPixelFormat).entries;
    general.Pick(ui::kPixelFormat,
                 static_cast<int32_t>(std::find(formats.begin(), formats.end(), "Mono16") -
                                      formats.begin()));
    ASSERT_TRUE(tabs.ShowTab(1));
    EXPECT_EQ(g_Log.Writes().front(), "PixelFormat=Mono16");
    // A field that does not parse keeps the sheet on its tab, for tab changes and OK alike.
    tabs.View(1).Type(ui::kGainValue, "lots");
    EXPECT_FALSE(tabs.ShowTab(4));
    EXPECT_FALSE(tabs.Ok());
    EXPECT_EQ(tabs.Current(), 1u);
    tabs.View(1).Type(ui::kGainValue, "3");
    EXPECT_TRUE(tabs.ShowTab(4));
    EXPECT_GT(tabs.View(4).At(ui::kAttributeList).rows.size(), 10u);
    EXPECT_TRUE(tabs.Ok());
    EXPECT_FALSE(tabs.Created(2));
}

// The sheet edits a copy of the camera's settings; the camera takes it over and saves it when
// the sheet closes, and not before.
TEST_F(PagesTest, TheSheetWorksOnACopyThatTheCameraTakesOverWhenItCloses) {
    CCamera& camera = OpenCamera();
    EXPECT_FALSE(ui::ShowConfigSheet(camera, [](ui::SheetModel&) { return false; }));
    const std::string ini = m_Temp.PathOf("Tarnix.ini");
    EXPECT_FALSE(std::ifstream(ini).good());

    // Closed at once, as with Cancel: nothing written to the camera, the settings saved.
    EXPECT_TRUE(ui::ShowConfigSheet(camera, [](ui::SheetModel& sheet) {
        FakeSheet tabs(sheet);
        tabs.Open();
        return true;
    }));
    EXPECT_THAT(g_Log.Writes(), IsEmpty());
    EXPECT_NE(TempFolder::ReadBytes(ini).find("[SimMono8 SIM-1001]"), std::string::npos);

    // A speed typed on the GigE tab reaches the camera only when the sheet closes.
    static CCamera* s_Camera = nullptr;
    s_Camera = &camera;
    EXPECT_TRUE(ui::ShowConfigSheet(camera, [](ui::SheetModel& sheet) {
        FakeSheet tabs(sheet);
        tabs.Open();
        EXPECT_TRUE(tabs.ShowTab(3));
        tabs.View(3).Type(ui::kNetworkSpeed, "100");
        EXPECT_TRUE(tabs.Ok());
        EXPECT_EQ(s_Camera->Settings().m_Network, 1000u);
        return true;
    }));
    EXPECT_EQ(camera.Settings().m_Network, 100u);

    // A sheet that threw counts as shown, but nothing is taken over or saved.
    std::remove(ini.c_str());
    EXPECT_TRUE(ui::ShowConfigSheet(camera, [](ui::SheetModel& sheet) -> bool {
        FakeSheet tabs(sheet);
        tabs.Open();
        EXPECT_TRUE(tabs.ShowTab(3));
        tabs.View(3).Type(ui::kNetworkSpeed, "10");
        EXPECT_TRUE(tabs.ShowTab(2));
        tabs.View(2).Click(ui::kLutEnable);  // the frame conversion follows at once
        EXPECT_TRUE(CameraInternals::Stream(*s_Camera).LutActive());
        EXPECT_TRUE(tabs.Ok());
        throw std::runtime_error("broken");
    }));
    EXPECT_FALSE(std::ifstream(ini).good());
    EXPECT_EQ(camera.Settings().m_Network, 100u);
    EXPECT_FALSE(CameraInternals::Stream(camera).LutActive());  // back to the camera's own "UseLut"
}

// The camera may change its own settings while the sheet is open: a reconnect whose table no
// longer loads switches the table off. Closing the sheet hands back what its pages changed,
// not the copy it took when it opened, so the table stays off, in the camera and in the file.
TEST_F(PagesTest, ASettingTheDriverChangedWhileTheSheetWasOpenStaysAsTheDriverLeftIt) {
    static std::string s_Table;
    s_Table = m_Temp.WriteFile("t.csv", "LN;ln\n0;9\n");
    m_Temp.WriteFile("Tarnix.ini", "[SimMono8 SIM-1001]\nUseLut=1\nLutFile=" + s_Table +
                                       "\nLutColumn=ln\nReconnectDelay=1\n");
    static CCamera* s_Camera = nullptr;
    s_Camera = &OpenCamera();
    ASSERT_EQ(s_Camera->Settings().m_UseLut, 1);
    EXPECT_TRUE(ui::ShowConfigSheet(*s_Camera, [](ui::SheetModel& sheet) {
        FakeSheet tabs(sheet);
        tabs.Open();
        EXPECT_TRUE(tabs.ShowTab(2));  // looked at, left as it was
        EXPECT_TRUE(tabs.ShowTab(3));
        tabs.View(3).Type(ui::kNetworkSpeed, "100");
        // Unplugged and back while the sheet is open; the table file has gone meanwhile.
        std::remove(s_Table.c_str());
        s_Camera->CloseUnplugged();
        s_Camera->ScheduleReconnect();
        EXPECT_TRUE(WaitUntil([] {
            return s_Camera->State() == CameraState::Capturing &&
                   s_Camera->Reconnecting() == ReconnectState::Idle;
        }));
        EXPECT_EQ(s_Camera->Settings().m_UseLut, 0);
        EXPECT_TRUE(tabs.Ok());
        return true;
    }));
    EXPECT_EQ(s_Camera->Settings().m_UseLut, 0);
    EXPECT_FALSE(CameraInternals::Stream(*s_Camera).LutActive());
    EXPECT_EQ(s_Camera->Settings().m_Network, 100u);  // what the sheet changed is taken
    EXPECT_NE(TempFolder::ReadBytes(m_Temp.PathOf("Tarnix.ini")).find("UseLut=0"),
              std::string::npos);
}

}  // namespace
}  // namespace tarnix::test
