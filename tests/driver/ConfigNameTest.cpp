// Configuration names from camera-info records whose text fields are filled to the brim, with
// nothing but non-zero bytes around them: each name part ends where its field ends.
#include <driver/CameraList.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tarnix::test {
namespace {

TEST(ConfigNameTest, FullTextFieldsEndWithTheirFieldsWhateverFollows) {
    tPvCameraInfo info;
    std::memset(&info, 'x', sizeof info);  // no terminator anywhere in the record
    std::memset(info.DisplayName, 'D', sizeof info.DisplayName);
    std::memset(info.SerialString, 'S', sizeof info.SerialString);
    EXPECT_EQ(FormatConfigName(info), std::string(16, 'D') + " [" + std::string(32, 'S') + "]");

    std::strcpy(info.DisplayName, "Cam");
    std::strcpy(info.SerialString, "42");
    EXPECT_EQ(FormatConfigName(info), "Cam [42]");
}

}  // namespace
}  // namespace tarnix::test
