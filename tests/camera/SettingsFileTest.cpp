// The camera's section of the settings file and its lookup table, against the simulated
// cameras: what an open restores and in which order, what a save writes, and how a table file
// becomes the table.
#include <camera/Camera.h>
#include <convert/Convert.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <harness/CameraInternals.h>
#include <harness/CameraSettings.h>
#include <harness/SdkTable.h>
#include <harness/TempFolder.h>
#include <pvsim.h>
#include <settings/LutGenerator.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Pair;

constexpr const char* kMono8Section = "SimMono8 SIM-1001";

using KeyValues = std::vector<std::pair<std::string, std::string>>;

class SettingsFileTest : public DebugLinesTest {
  protected:
    static void SetUpTestSuite() { StartSimulatedSdk(); }
    static void TearDownTestSuite() { StopSimulatedSdk(); }
    void SetUp() override {
        pvsim_reset();
        DebugLinesTest::SetUp();
    }

    // A camera object whose settings file lies in the test's folder; not open yet.
    std::shared_ptr<CCamera> MakeCamera(uint32_t id = kMono8CameraId,
                                        const char* displayName = "SimMono8",
                                        const char* serial = "SIM-1001") {
        return std::make_shared<CCamera>(CameraInfo(id, displayName, serial), 0, nullptr,
                                         m_Temp.Path().string().c_str());
    }
    std::string IniPath() const { return m_Temp.PathOf("Tarnix.ini"); }
    void WriteIni(const std::string& text) const { m_Temp.WriteFile("Tarnix.ini", text); }
    std::string IniText() const { return TempFolder::ReadBytes(IniPath()); }

    // The section's lines in file order.
    KeyValues Section(const std::string& name) const {
        std::istringstream in(IniText());
        KeyValues keys;
        bool inside = false;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line.front() == '[') {
                inside = line == "[" + name + "]";
            } else if (inside && line.find('=') != std::string::npos) {
                keys.emplace_back(line.substr(0, line.find('=')), line.substr(line.find('=') + 1));
            }
        }
        return keys;
    }
    std::string Value(const std::string& section, const std::string& key) const {
        for (const auto& [name, value] : Section(section))
            if (name == key) return value;
        return "(missing)";
    }

    // A table file of the generator's form for the default curve.
    std::string WriteGeneratorTable() const {
        const std::string path = m_Temp.PathOf("curve.csv");
        EXPECT_TRUE(settings::WriteLutFile(path, settings::LutCurve{}));
        return path;
    }

    TempFolder m_Temp;
};

TEST_F(SettingsFileTest, ACameraWithoutASectionKeepsItsDefaultsAndItsAttributes) {
    const uint32_t uintWrites = pvsim_call_count("PvAttrUint32Set");
    const uint32_t stringWrites = pvsim_call_count("PvAttrStringSet");
    const uint32_t enumWrites = pvsim_call_count("PvAttrEnumSet");
    WriteIni("[Other Camera]\nWidth=16\nUseLut=1\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    EXPECT_TRUE(camera->Settings().m_Reconnect);
    EXPECT_EQ(camera->Settings().m_ReconnectRetries, 3u);
    EXPECT_EQ(camera->Settings().m_ReconnectDelay, 500u);
    EXPECT_EQ(camera->Settings().m_Network, 1000u);
    EXPECT_EQ(camera->Settings().m_UseLut, 0);
    EXPECT_EQ(camera->Settings().m_LutFile, "");
    EXPECT_EQ(camera->Settings().m_LutColumn, "");
    EXPECT_EQ(camera->Settings().m_LutGenMinPix, 0);
    EXPECT_EQ(camera->Settings().m_LutGenMaxPix, 15);
    EXPECT_EQ(camera->Settings().m_LutGenSteepness, 1);
    EXPECT_EQ(CameraInternals::Stream(*camera).Width(), 1360u);
    // Only capture start writes: the acquisition mode and the trigger mode.
    EXPECT_EQ(pvsim_call_count("PvAttrUint32Set"), uintWrites);
    EXPECT_EQ(pvsim_call_count("PvAttrStringSet"), stringWrites);
    EXPECT_EQ(pvsim_call_count("PvAttrEnumSet"), enumWrites + 2);
    EXPECT_EQ(lines(), std::vector<std::string>{});
}

// The profile read drops blanks and quotes around a value (and around a missing key's
// default): a camera text that has them is no different from what the read gives back.
TEST_F(SettingsFileTest, ATextWithBlanksOrQuotesAroundItIsNotRewrittenAtOpen) {
    const std::string name = "  \"Cam A\" ";
    {
        tPvHandle handle = 0;
        ASSERT_EQ(Sdk().PvCameraOpen(kMono8CameraId, ePvAccessMaster, &handle), ePvErrSuccess);
        ASSERT_EQ(Sdk().PvAttrStringSet(handle, "CameraName", name.c_str()), ePvErrSuccess);
        Sdk().PvCameraClose(handle);
    }
    WriteIni("[Other Camera]\nWidth=16\n");
    auto camera = MakeCamera();
    const uint32_t stringWrites = pvsim_call_count("PvAttrStringSet");
    ASSERT_TRUE(camera->Open());  // no key for it in the camera's section
    camera->SaveSettings();       // now the key holds it, as the file can
    camera->Close();
    ASSERT_TRUE(camera->Open());
    EXPECT_EQ(pvsim_call_count("PvAttrStringSet"), stringWrites);
    char read[64] = {};
    ASSERT_TRUE(CameraInternals::Device(*camera).AttrStringGet("CameraName", read, sizeof read));
    EXPECT_EQ(read, name);
    // A value the file changed is still written.
    camera->Close();
    WriteIni("[SimMono8 SIM-1001]\nCameraName=Cam B\n");
    ASSERT_TRUE(camera->Open());
    ASSERT_TRUE(CameraInternals::Device(*camera).AttrStringGet("CameraName", read, sizeof read));
    EXPECT_STREQ(read, "Cam B");
}

TEST_F(SettingsFileTest, DriverKeysAreReadAsStoredAndWrittenBackByTheirOwnRules) {
    const std::string table = WriteGeneratorTable();
    WriteIni(std::string("[SimMono8 SIM-1001]\nReconnect=7\nReconnectRetries=5\n") +
             "ReconnectDelay=250\nNetwork=100\nUseLut=7\nLutFile=" + table +
             "\nLutColumn=ln\nLutGenMinPix=4\nLutGenMaxPix=12\nLutGenSteepness=10\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    EXPECT_TRUE(camera->Settings().m_Reconnect);
    EXPECT_EQ(camera->Settings().m_ReconnectRetries, 5u);
    EXPECT_EQ(camera->Settings().m_ReconnectDelay, 250u);
    EXPECT_EQ(camera->Settings().m_Network, 100u);
    EXPECT_EQ(camera->Settings().m_UseLut, 7);
    EXPECT_EQ(camera->Settings().m_LutFile, table);
    EXPECT_EQ(camera->Settings().m_LutColumn, "ln");
    EXPECT_EQ(camera->Settings().m_LutGenMinPix, 4);
    EXPECT_EQ(camera->Settings().m_LutGenMaxPix, 12);
    EXPECT_EQ(camera->Settings().m_LutGenSteepness, 10);

    ChangeSettings(*camera, [&](settings::CameraSettings& s) {
        s.m_Network = 10;
    });  // the GigE page's value: never saved
    camera->SaveSettings();
    EXPECT_EQ(Value(kMono8Section, "Reconnect"), "1");
    EXPECT_EQ(Value(kMono8Section, "UseLut"), "7");
    EXPECT_EQ(Value(kMono8Section, "Network"), "100");
    EXPECT_EQ(Value(kMono8Section, "ReconnectRetries"), "5");
    EXPECT_EQ(Value(kMono8Section, "LutFile"), table);
    EXPECT_EQ(Value(kMono8Section, "LutGenSteepness"), "10");
}

TEST_F(SettingsFileTest, UnsignedAndNegativeValuesTravelBitForBit) {
    WriteIni("[SimMono8 SIM-1001]\nReconnectDelay=-1\nReconnect=0\nLutGenMinPix=-3\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    EXPECT_EQ(camera->Settings().m_ReconnectDelay, 0xFFFFFFFFu);
    EXPECT_FALSE(camera->Settings().m_Reconnect);
    EXPECT_EQ(camera->Settings().m_LutGenMinPix, -3);
    camera->SaveSettings();
    EXPECT_EQ(Value(kMono8Section, "ReconnectDelay"), "-1");
    EXPECT_EQ(Value(kMono8Section, "Reconnect"), "0");
    EXPECT_EQ(Value(kMono8Section, "LutGenMinPix"), "-3");
}

TEST_F(SettingsFileTest, StoredAttributesAreInForceWhenTheImageSizeIsRead) {
    WriteIni(
        "[SimMono8 SIM-1001]\nWidth=320\nHeight=200\nPixelFormat=Bgr24\nFrameRate=5\n"
        "CameraName=Line 3\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    EXPECT_EQ(CameraInternals::Stream(*camera).Width(), 320u);
    EXPECT_EQ(CameraInternals::Stream(*camera).Height(), 200u);
    EXPECT_EQ(CameraInternals::Stream(*camera).BytesPerPixel(), 3);
    EXPECT_EQ(CameraInternals::Stream(*camera).ImageSize(), 320u * 200u * 3u);
    char name[64] = {};
    ASSERT_TRUE(CameraInternals::Device(*camera).AttrStringGet("CameraName", name, sizeof name));
    EXPECT_STREQ(name, "Line 3");
    // A float is saved for reference, never restored.
    float rate = 0;
    ASSERT_TRUE(CameraInternals::Device(*camera).AttrFloat32Get("FrameRate", rate));
    EXPECT_NE(rate, 5.0F);
}

TEST_F(SettingsFileTest, ANewSectionHoldsTheWritableAttributesInListOrderThenTheDriverKeys) {
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    ASSERT_TRUE(CameraInternals::Device(*camera).AttrStringSet(
        "CameraName", ""));  // an empty string gets no line
    camera->SaveSettings();

    // The expected order, worked out from the SDK's own list.
    tPvAttrListPtr list = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PvAttrList(CameraInternals::Device(*camera).Handle(), &list, &count), ePvErrSuccess);
    std::vector<std::string> expected;
    for (uint32_t i = 0; i < count; ++i) {
        tPvAttributeInfo info{};
        ASSERT_EQ(PvAttrInfo(CameraInternals::Device(*camera).Handle(), list[i], &info),
                  ePvErrSuccess);
        const bool hasValue = info.Datatype == ePvDatatypeEnum ||
                              info.Datatype == ePvDatatypeUint32 ||
                              info.Datatype == ePvDatatypeFloat32;
        if ((info.Flags & ePvFlagWrite) != 0 && hasValue) expected.push_back(list[i]);
    }
    for (const char* key : {"Reconnect", "ReconnectRetries", "ReconnectDelay", "UseLut", "LutFile",
                            "LutColumn", "LutGenMinPix", "LutGenMaxPix", "LutGenSteepness"})
        expected.push_back(key);

    std::vector<std::string> keys;
    for (const auto& [key, value] : Section(kMono8Section)) keys.push_back(key);
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(Value(kMono8Section, "Width"), "1360");
    EXPECT_EQ(Value(kMono8Section, "PixelFormat"), "Mono8");
    EXPECT_EQ(Value(kMono8Section, "LutFile"), "");
    EXPECT_THAT(Value(kMono8Section, "FrameRate"), Not(HasSubstr("(missing)")));
}

TEST_F(SettingsFileTest, ExistingKeysAreUpdatedWhereTheyStandAndOtherSectionsKept) {
    WriteIni("[Other Camera]\nWidth=16\n[SimMono8 SIM-1001]\nUseLut=0\nHeight=100\nNote=kept\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    camera->SaveSettings();
    const KeyValues section = Section(kMono8Section);
    ASSERT_GE(section.size(), 3u);
    EXPECT_THAT(section[0], Pair("UseLut", "0"));
    EXPECT_THAT(section[1], Pair("Height", "100"));
    EXPECT_THAT(section[2], Pair("Note", "kept"));
    EXPECT_THAT(Section("Other Camera"), ElementsAre(Pair("Width", "16")));
}

TEST_F(SettingsFileTest, AValueTheCameraRefusesIsReportedAndReplacedAtTheNextSave) {
    WriteIni("[SimMono8 SIM-1001]\nPixelFormat=Mono99\nPacketSize=100\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    const std::vector<std::string> seen = lines();
    EXPECT_THAT(seen, Contains(HasSubstr("PvAttrEnumSet")));
    EXPECT_THAT(seen, Contains(HasSubstr("PvAttrUint32Set")));
    camera->SaveSettings();
    EXPECT_EQ(Value(kMono8Section, "PixelFormat"), "Mono8");
    EXPECT_EQ(Value(kMono8Section, "PacketSize"), "1500");
}

TEST_F(SettingsFileTest, EachCameraHasItsOwnSectionWhateverItsPort) {
    const SimCamera left = [] {
        tPvSimCameraDesc desc{"Twin", "A-1", nullptr, ePvFmtMono8, 64, 48, 8, 0};
        return SimCamera{pvsim_add_camera(&desc), "", ""};
    }();
    const SimCamera right = [] {
        tPvSimCameraDesc desc{"Twin", "B-2", nullptr, ePvFmtMono8, 64, 48, 8, 0};
        return SimCamera{pvsim_add_camera(&desc), "", ""};
    }();
    WriteIni("[Twin A-1]\nWidth=32\n[Twin B-2]\nWidth=16\n");
    auto first = std::make_shared<CCamera>(CameraInfo(left.id, "Twin", "A-1"), 5, nullptr,
                                           m_Temp.Path().string().c_str());
    auto second = std::make_shared<CCamera>(CameraInfo(right.id, "Twin", "B-2"), 9, nullptr,
                                            m_Temp.Path().string().c_str());
    ASSERT_TRUE(first->Open());
    ASSERT_TRUE(second->Open());
    EXPECT_EQ(CameraInternals::Stream(*first).Width(), 32u);
    EXPECT_EQ(CameraInternals::Stream(*second).Width(), 16u);
}

// Values of the generator's default curve, and what a table file's rows make of the table.
TEST_F(SettingsFileTest, AGeneratorTableFillsTheFirst65536Entries) {
    const std::string table = WriteGeneratorTable();
    WriteIni("[SimMono8 SIM-1001]\nUseLut=1\nLutFile=" + table + "\nLutColumn=ln\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    EXPECT_EQ(camera->Settings().m_UseLut, 1);
    const uint8_t* lut = CameraInternals::Stream(*camera).Lut();
    for (int32_t v = 0; v < 65536; ++v)
        ASSERT_EQ(lut[v], settings::LutOutput(settings::LutCurve{}, v)) << v;
    for (uint32_t v = 65536; v < convert::kLutEntries; ++v) ASSERT_EQ(lut[v], 0) << v;
}

TEST_F(SettingsFileTest, TableRowsAreStoredByIndexAsTheirLowByte) {
    const std::string table = m_Temp.WriteFile(
        "rows.csv",
        "index;out;other\n0;1;9\n5;10;9\n5;20;9\n9;256;9\n8;-1;9\n131071;7;9\n131072;8;9\n"
        "-1;9;9\n3;300;9\n");
    WriteIni("[SimMono8 SIM-1001]\nUseLut=1\nLutFile=" + table + "\nLutColumn=out\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    ASSERT_EQ(camera->Settings().m_UseLut, 1);
    const uint8_t* lut = CameraInternals::Stream(*camera).Lut();
    EXPECT_EQ(lut[0], 1);
    EXPECT_EQ(lut[5], 20);   // the later row wins
    EXPECT_EQ(lut[9], 0);    // 256
    EXPECT_EQ(lut[8], 255);  // -1
    EXPECT_EQ(lut[3], 44);   // 300
    EXPECT_EQ(lut[131071], 7);
    EXPECT_EQ(lut[10], 0);  // named by no row
    EXPECT_EQ(lut[65535], 0);
}

TEST_F(SettingsFileTest, ATableThatCannotBeLoadedSwitchesTheTableOffUntilSaved) {
    const std::string table = WriteGeneratorTable();
    const std::string broken = m_Temp.WriteFile("broken.csv", "index;out\n0;1\n1\n");
    for (const std::string& names :
         {"LutFile=" + table + "\nLutColumn=nope\n", std::string("LutFile=\nLutColumn=ln\n"),
          "LutFile=" + m_Temp.PathOf("missing.csv") + "\nLutColumn=ln\n",
          "LutFile=" + broken + "\nLutColumn=out\n"}) {
        WriteIni("[SimMono8 SIM-1001]\nUseLut=1\n" + names);
        auto camera = MakeCamera();
        ASSERT_TRUE(camera->Open()) << names;
        EXPECT_EQ(camera->Settings().m_UseLut, 0) << names;
        for (uint32_t v = 0; v < convert::kLutEntries; ++v)
            ASSERT_EQ(CameraInternals::Stream(*camera).Lut()[v], 0) << names;
        camera->SaveSettings();
        EXPECT_EQ(Value(kMono8Section, "UseLut"), "0") << names;
        camera->Close();
    }
    EXPECT_EQ(lines(), std::vector<std::string>{});  // failures are silent
}

// A reopen (by the host or a reconnect) builds the table afresh: the entries the new file does
// not list are 0 again, not the last table's.
TEST_F(SettingsFileTest, AReopenWithAShorterTableClearsTheEntriesItDoesNotList) {
    WriteIni("[SimMono8 SIM-1001]\nUseLut=1\nLutFile=" + WriteGeneratorTable() +
             "\nLutColumn=ln\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    ASSERT_NE(CameraInternals::Stream(*camera).Lut()[40000], 0);
    camera->Close();
    const std::string shorter = m_Temp.WriteFile("short.csv", "LN;ln\n0;9\n");
    WriteIni("[SimMono8 SIM-1001]\nUseLut=1\nLutFile=" + shorter + "\nLutColumn=ln\n");
    ASSERT_TRUE(camera->Open());
    EXPECT_EQ(CameraInternals::Stream(*camera).Lut()[0], 9);
    for (uint32_t v = 1; v < convert::kLutEntries; ++v)
        ASSERT_EQ(CameraInternals::Stream(*camera).Lut()[v], 0) << v;
}

TEST_F(SettingsFileTest, WithTheTableOffNothingIsRead) {
    const std::string table = WriteGeneratorTable();
    WriteIni("[SimMono8 SIM-1001]\nUseLut=1\nLutFile=" + table + "\nLutColumn=ln\n");
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    const uint8_t loaded = CameraInternals::Stream(*camera).Lut()[40000];
    ASSERT_NE(loaded, 0);
    camera->Close();
    // Off, and with a column no file has: the table of the last load stays as it was.
    WriteIni("[SimMono8 SIM-1001]\nUseLut=0\nLutFile=" + table + "\nLutColumn=none\n");
    ASSERT_TRUE(camera->Open());
    EXPECT_EQ(CameraInternals::Stream(*camera).Lut()[40000], loaded);
}

}  // namespace
}  // namespace tarnix::test
