// Properties by name and raw camera registers against the simulated cameras.
#include <base/Errors.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInternals.h>
#include <harness/SdkTable.h>

#include <stdexcept>
#include <string>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

using NamedPropertyTest = SimulatedCameraTest;
using RegisterTest = SimulatedCameraTest;

std::string TextAttribute(CCamera& camera, const char* name) {
    char text[128] = {};
    return CameraInternals::Device(camera).AttrStringGet(name, text, sizeof text) ? text
                                                                                  : "<unreadable>";
}

uint32_t Uint32Attribute(CCamera& camera, const char* name) {
    uint32_t value = 0;
    return camera.GetNamedProperty(name, value) ? value : 0xDEADBEEFu;
}

TEST_F(NamedPropertyTest, TheAttributesTypeChoosesWhatOfTheSetTextIsUsed) {
    const uint32_t enumSets = calls("PvAttrEnumSet");
    EXPECT_TRUE(camera().SetNamedProperty("PixelFormat=Mono16", 0));
    EXPECT_EQ(calls("PvAttrEnumSet"), enumSets + 1);
    EXPECT_EQ(TextAttribute(camera(), "PixelFormat"), "Mono16");

    // Unsigned attributes take the number; the text after '=' plays no part.
    EXPECT_TRUE(camera().SetNamedProperty("Height=100", 480));
    EXPECT_EQ(Uint32Attribute(camera(), "Height"), 480u);

    // Only the first '=' splits; an empty value text is written as such.
    EXPECT_TRUE(camera().SetNamedProperty("CameraName=x=y", 0));
    EXPECT_EQ(TextAttribute(camera(), "CameraName"), "x=y");
    EXPECT_TRUE(camera().SetNamedProperty("CameraName=", 0));
    EXPECT_EQ(TextAttribute(camera(), "CameraName"), "");

    const uint32_t commands = calls("PvCommandRun");
    EXPECT_TRUE(camera().SetNamedProperty("AcquisitionStop", 0));
    EXPECT_EQ(calls("PvCommandRun"), commands + 1);
    EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(NamedPropertyTest, SetFailuresBecomeOneLineWithTheSetTextAsReceived) {
    EXPECT_FALSE(camera().SetNamedProperty("FrameRate=5", 5));
    EXPECT_FALSE(camera().SetNamedProperty("LUTRaw", 1));  // raw data: no typed access
    EXPECT_FALSE(camera().SetNamedProperty("SensorWidth", 640));
    EXPECT_FALSE(camera().SetNamedProperty("NoSuchAttribute=1", 4294967295u));
    EXPECT_THAT(
        lines(),
        ElementsAre("Failed to set property FrameRate=5 = 5: Property of this type not "
                    "supported\n",
                    "Failed to set property LUTRaw = 1: Property of this type not supported\n",
                    "Failed to set property SensorWidth = 640: Property is read only\n",
                    "ERROR 6 Camera or attribute not found: PvAttrInfo(NoSuchAttribute)\n",
                    "Failed to set property NoSuchAttribute=1 = 4294967295: Unknown "
                    "property\n"));

    // A failing typed write reports for itself and adds no line of the property layer.
    ASSERT_EQ(pvsim_fail_attr(kMono8CameraId, "Height", 0, ePvErrOutOfRange), 0u);
    EXPECT_FALSE(camera().SetNamedProperty("Height", 10));
    EXPECT_THAT(lines(), ElementsAre("ERROR 18 Attribute value is out of the expected range: "
                                     "PvAttrUint32Set(Height)\n"));
}

TEST_F(NamedPropertyTest, GetReadsOnlyUnsignedAttributes) {
    uint32_t value = 77;
    EXPECT_FALSE(camera().GetNamedProperty("FrameRate", value));
    EXPECT_FALSE(camera().GetNamedProperty("PixelFormat", value));
    EXPECT_EQ(value, 77u);
    EXPECT_THAT(lines(), IsEmpty());
    EXPECT_FALSE(camera().GetNamedProperty("NoSuchAttribute", value));
    EXPECT_THAT(lines(), ElementsAre("ERROR 6 Camera or attribute not found: "
                                     "PvAttrInfo(NoSuchAttribute)\n"));
}

TEST_F(NamedPropertyTest, SerialNamesGoToTheSerialPortInAnyLetterCase) {
    const uint32_t infoQueries = calls("PvAttrInfo");
    uint32_t value = 77;
    EXPECT_TRUE(camera().SetNamedProperty("RS232.Open", 0));
    EXPECT_TRUE(camera().GetNamedProperty("rs232.RxLen", value));
    EXPECT_EQ(value, 0u);
    // The whole set text goes to the serial port, '=' and all: no such suffix there.
    EXPECT_FALSE(camera().SetNamedProperty("rs232.BaudRate=9600", 9600));
    EXPECT_EQ(calls("PvAttrInfo"), infoQueries);  // never treated as an attribute
    EXPECT_THAT(lines(), ElementsAre("Failed to set property rs232.BaudRate=9600 = 9600: Uknown "
                                     "attribute\n"));
}

// Names come from the host: they must come through as text, whatever they contain, and a
// name longer than a line is cut rather than written past the line buffer.
TEST_F(NamedPropertyTest, HostTextIsNeverAFormat) {
    EXPECT_FALSE(camera().SetNamedProperty("%s%n%s%n", 1));
    EXPECT_THAT(lines(),
                ElementsAre("ERROR 6 Camera or attribute not found: PvAttrInfo(%s%n%s%n)\n",
                            "Failed to set property %s%n%s%n = 1: Unknown property\n"));

    const std::string longName = "RS232." + std::string(600, 'x');
    uint32_t value = 0;
    EXPECT_FALSE(camera().GetNamedProperty(longName.c_str(), value));
    const auto cut = lines();
    ASSERT_THAT(cut, SizeIs(1));
    EXPECT_EQ(cut[0].size(), 511u);
    EXPECT_EQ(cut[0], ("Failed to get property " + longName).substr(0, 511));
}

TEST_F(RegisterTest, ListsMoveInOneCallAndPartialTransfersShortenTheResult) {
    constexpr uint32_t kMode = 0x16104;
    constexpr uint32_t kRxStatus = 0x16144;
    constexpr uint32_t kRxControl = 0x16148;
    std::vector<uint32_t> values;
    const uint32_t reads = calls("PvRegisterRead");
    EXPECT_EQ(
        CameraInternals::Device(camera()).GetRegisters({kMode, kRxStatus, kRxControl}, values), 3u);
    EXPECT_EQ(calls("PvRegisterRead"), reads + 1);
    ASSERT_THAT(values, SizeIs(3));
    EXPECT_EQ(values[0] & 0xFFu, 5u);  // 9600 baud until someone changes it

    CameraInternals::Device(camera()).WriteRegister(kRxStatus, 0x5A);
    EXPECT_EQ(CameraInternals::Device(camera()).ReadRegister(kRxStatus), 0x5Au);

    ASSERT_EQ(pvsim_limit_registers(kMono8CameraId, 2), 0u);
    EXPECT_EQ(
        CameraInternals::Device(camera()).GetRegisters({kMode, kRxStatus, kRxControl}, values), 2u);
    EXPECT_THAT(values, SizeIs(2));
    EXPECT_EQ(CameraInternals::Device(camera()).SetRegisters({kRxStatus, kRxControl, kRxControl},
                                                             {1, 3, 3}),
              2u);

    ASSERT_EQ(pvsim_limit_registers(kMono8CameraId, 0), 0u);
    try {
        CameraInternals::Device(camera()).ReadRegister(kMode);
        ADD_FAILURE() << "an incomplete read must throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Failed to read camera register value");
    }
    try {
        CameraInternals::Device(camera()).WriteRegister(kMode, 5);
        ADD_FAILURE() << "an incomplete write must throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Failed to write data to camera register");
    }
    EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(RegisterTest, SdkFailuresThrowCameraErrorNamingTheOperation) {
    ASSERT_EQ(pvsim_fail_registers(kMono8CameraId, ePvErrUnplugged), 0u);
    std::vector<uint32_t> values;
    try {
        CameraInternals::Device(camera()).GetRegisters({0x16104}, values);
        ADD_FAILURE() << "a failed read must throw";
    } catch (const camera_error& error) {
        EXPECT_STREQ(error.what(), "ERROR 8 Camera was unplugged: CCamera::GetRegisters\n");
    }
    try {
        CameraInternals::Device(camera()).WriteRegister(0x16104, 5);
        ADD_FAILURE() << "a failed write must throw";
    } catch (const camera_error& error) {
        EXPECT_STREQ(error.what(), "ERROR 8 Camera was unplugged: CCamera::SetRegisters\n");
    }
}

#ifndef NDEBUG
TEST_F(RegisterTest, EmptyOrMismatchedListsAreProgrammingErrors) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // the SDK runs threads of its own
    std::vector<uint32_t> values;
    EXPECT_DEATH(CameraInternals::Device(camera()).GetRegisters({}, values),
                 "Assertion failed: addresses\\.size\\(\\) != 0, unit PvCamera");
    EXPECT_DEATH(CameraInternals::Device(camera()).SetRegisters({0x16104}, {}),
                 "Assertion failed: addresses\\.size\\(\\) == data\\.size\\(\\), unit PvCamera");
}
#endif

}  // namespace
}  // namespace tarnix::test
