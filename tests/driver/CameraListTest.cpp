// The camera list against a scripted enumeration: what the SDK counts and what it fills
// need not agree, since a camera may vanish in between.
#include <driver/CameraList.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <platform/System.h>

#include <cstring>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;

struct Enumeration {
    uint32_t counted = 0;
    std::vector<tPvCameraInfo> listed;  // may be shorter or longer than counted
};
Enumeration g_Enumeration;

uint32_t PVDECL ScriptedCount() {
    return g_Enumeration.counted;
}

uint32_t PVDECL ScriptedList(tPvCameraInfo* list, uint32_t length, uint32_t* /*connected*/) {
    uint32_t filled = 0;
    for (; filled < length && filled < g_Enumeration.listed.size(); ++filled) {
        list[filled] = g_Enumeration.listed[filled];
    }
    // An SDK that claims more than it was asked for must not make the list read past its
    // records.
    return static_cast<uint32_t>(g_Enumeration.listed.size());
}

SdkApi ScriptedSdk() {
    SdkApi api = UnavailableSdk();
    api.PvCameraCount = ScriptedCount;
    api.PvCameraList = ScriptedList;
    return api;
}

std::vector<std::string> NamesOf(const CameraList& list) {
    std::vector<std::string> names;
    const char* const* entries = list.Names();
    for (int32_t i = 0; i < list.Count(); ++i) {
        names.push_back(entries[i] != nullptr ? entries[i] : "<null>");
    }
    if (entries != nullptr) names.push_back(entries[list.Count()] == nullptr ? "<end>" : "?");
    return names;
}

TEST(CameraListTest, UnfilledRecordsAreNeitherNamedNorCompared) {
    g_Enumeration = {3, {CameraInfo(1001, "Left", "S-1"), CameraInfo(1002, "Right", "S-2")}};
    CameraList list;
    EXPECT_EQ(list.Refresh(ScriptedSdk()), 3);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_THAT(NamesOf(list), ElementsAre("Left [S-1]", "Right [S-2]", "<null>", "<end>"));

    EXPECT_EQ(list.FindConfigName("Right [S-2]"), 1);
    EXPECT_EQ(list.FindCameraById(1002), 1);
    // The third record stays zero-filled: id 0 and an empty name must not match it.
    EXPECT_EQ(list.FindCameraById(0), -1);
    EXPECT_EQ(list.FindConfigName(" []"), -1);
    EXPECT_EQ(list.FindConfigName(""), -1);

    tPvCameraInfo record{};
    ASSERT_TRUE(list.RecordByConfigName("Left [S-1]", record));
    EXPECT_EQ(record.UniqueId, 1001u);
    std::string name;
    ASSERT_TRUE(list.ConfigNameOfCamera(1002, name));
    EXPECT_EQ(name, "Right [S-2]");
    EXPECT_FALSE(list.ConfigNameOfCamera(0, name));
}

TEST(CameraListTest, SdkClaimingMoreRecordsThanCountedIsHeldToTheCount) {
    g_Enumeration = {1, {CameraInfo(7, "A", "1"), CameraInfo(8, "B", "2")}};
    CameraList list;
    EXPECT_EQ(list.Refresh(ScriptedSdk()), 1);
    EXPECT_THAT(NamesOf(list), ElementsAre("A [1]", "<end>"));
    EXPECT_EQ(list.FindCameraById(8), -1);
}

TEST(CameraListTest, NamesAreExactCaseSensitiveAndTheLowestIndexWins) {
    g_Enumeration = {
        3, {CameraInfo(1, "Cam", "X"), CameraInfo(2, "Cam", "X"), CameraInfo(3, "cam", "x")}};
    CameraList list;
    list.Refresh(ScriptedSdk());
    EXPECT_EQ(list.FindConfigName("Cam [X]"), 0);
    EXPECT_EQ(list.FindConfigName("cam [x]"), 2);
    EXPECT_EQ(list.FindConfigName("Cam [X] "), -1);
    EXPECT_EQ(list.FindConfigName("Cam"), -1);
}

TEST(CameraListTest, TextFieldsFilledToTheBrimAreReadNoFurther) {
    tPvCameraInfo full{};
    full.UniqueId = 5;
    std::memset(full.DisplayName, 'D', sizeof full.DisplayName);
    std::memset(full.SerialString, 'S', sizeof full.SerialString);
    EXPECT_EQ(FormatConfigName(full), std::string(16, 'D') + " [" + std::string(32, 'S') + "]");
}

TEST(CameraListTest, EmptyEnumerationAndFreeLeaveNoNames) {
    g_Enumeration = {2, {CameraInfo(1, "A", "1"), CameraInfo(2, "B", "2")}};
    CameraList list;
    list.Refresh(ScriptedSdk());
    ASSERT_NE(list.Names(), nullptr);
    list.Free();
    EXPECT_EQ(list.Names(), nullptr);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.FindCameraById(1), -1);

    list.Refresh(ScriptedSdk());
    g_Enumeration = {0, {}};
    EXPECT_EQ(list.Refresh(ScriptedSdk()), 0);
    EXPECT_EQ(list.Names(), nullptr);
    EXPECT_EQ(list.FindConfigName("A [1]"), -1);
}

TEST(ParseIPAddressTest, OnlyTextWithExactlyThreeDotsIsAnAddress) {
    EXPECT_EQ(ParseIPAddress("127.0.1.1"), platform::InetAddr("127.0.1.1"));
    EXPECT_EQ(ParseIPAddress("1.2.3"), 0u);
    EXPECT_EQ(ParseIPAddress("1.2.3.4.5"), 0u);
    EXPECT_EQ(ParseIPAddress("SimMono8 [SIM-1001]"), 0u);
    EXPECT_EQ(ParseIPAddress(""), 0u);
    // Three dots but no address: inet_addr's verdict is passed on, and the SDK finds no
    // camera there.
    EXPECT_EQ(ParseIPAddress("a.b.c.d"), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tarnix::test
