// The driver settings as one value: its defaults, a load that keeps what the file lacks, and
// a save in the file's key order that leaves "Network" out.
#include <gtest/gtest.h>
#include <harness/TempFolder.h>
#include <settings/CameraSettings.h>

#include <string>

namespace tarnix::test {
namespace {

using settings::CameraSettings;

class CameraSettingsTest : public TempFolderTest {};

TEST_F(CameraSettingsTest, ANewSectionGetsEveryKeyButNetworkInOrderWithTheDefaults) {
    const CameraSettings defaults;
    EXPECT_TRUE(defaults.m_Reconnect);
    EXPECT_EQ(defaults.m_ReconnectDelay, 500u);
    EXPECT_EQ(defaults.m_Network, 1000u);
    EXPECT_EQ(defaults.m_LutGenMaxPix, 15);

    const std::string file = PathOf("Tarnix.ini");
    defaults.Save("Cam 1", file.c_str());
    std::string text = ReadBytes(file);
    std::erase(text, '\r');  // Windows writes CR LF
    EXPECT_EQ(text,
              "[Cam 1]\nReconnect=1\nReconnectRetries=3\nReconnectDelay=500\nUseLut=0\n"
              "LutFile=\nLutColumn=\nLutGenMinPix=0\nLutGenMaxPix=15\nLutGenSteepness=1\n");
}

TEST_F(CameraSettingsTest, ALoadChangesWhatTheFileHasAndKeepsTheRest) {
    const std::string file =
        WriteFile("Tarnix.ini",
                  "[Cam 1]\nReconnectDelay=-1\nNetwork=100\nUseLut=7\nLutColumn=  \"ln\"  \n"
                  "[Cam 2]\nReconnect=0\n");
    CameraSettings loaded;
    loaded.m_LutFile = "kept.csv";
    loaded.Load("Cam 1", file.c_str());
    EXPECT_EQ(loaded.m_ReconnectDelay, 0xFFFFFFFFu);  // bit for bit
    EXPECT_EQ(loaded.m_Network, 100u);
    EXPECT_EQ(loaded.m_UseLut, 7);
    EXPECT_EQ(loaded.m_LutColumn, "ln");  // as the profile functions read it
    EXPECT_EQ(loaded.m_LutFile, "kept.csv");
    EXPECT_TRUE(loaded.m_Reconnect);  // another section's key

    // What was loaded goes back unchanged; "Network" stays as the file had it.
    loaded.m_Network = 10;
    loaded.Save("Cam 1", file.c_str());
    CameraSettings again;
    again.Load("Cam 1", file.c_str());
    EXPECT_EQ(again.m_Network, 100u);
    again.m_Network = 10;
    EXPECT_EQ(again, loaded);
}

}  // namespace
}  // namespace tarnix::test
