#include <gtest/gtest.h>
#include <harness/TempFolder.h>
#include <platform/Profile.h>
#include <settings/IniFile.h>

#include <cstring>
#include <string>

namespace tarnix::test {
namespace {

using settings::FormatSectionName;
using settings::kSectionSize;

TEST(SectionNameTest, DisplayNameBlankSerialAndNeverBeyondTheRecordsFields) {
    char displayName[16] = "Cam";
    char serial[32] = "02-2110A";
    char section[kSectionSize];
    FormatSectionName(displayName, serial, section);
    EXPECT_STREQ(section, "Cam 02-2110A");

    // Full fields without a terminator: the neighbouring bytes are not part of the name.
    struct {
        char displayName[16];
        char serial[32];
        char after[8];
    } record;
    std::memset(record.displayName, 'D', sizeof record.displayName);
    std::memset(record.serial, 'S', sizeof record.serial);
    std::memcpy(record.after, "XXXXXXX", 8);
    FormatSectionName(record.displayName, record.serial, section);
    EXPECT_EQ(std::string(section), std::string(16, 'D') + " " + std::string(32, 'S'));
}

class WriteIniIntTest : public TempFolderTest {};

TEST_F(WriteIniIntTest, SignedDecimalTextThatReadsBackAsTheSameValue) {
    const std::string file = PathOf("Tarnix.ini");
    for (const int32_t value : {0, 7, -1, INT32_MIN, INT32_MAX}) {
        ASSERT_TRUE(settings::WriteIniInt("Cam 1", "Key", value, file.c_str()));
        EXPECT_EQ(platform::GetProfileInt("Cam 1", "Key", 12345, file.c_str()), value);
    }
    EXPECT_NE(ReadBytes(file).find("Key=2147483647"), std::string::npos);
}

}  // namespace
}  // namespace tarnix::test
