// The name map's table and value translations, the device-presence bookkeeping, the records
// and the error mapping: the parts of the Aravis-backed SDK that need no camera.
#include <arv.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "Errors.h"
#include "NameMap.h"
#include "Presence.h"
#include "Records.h"

namespace tarnix::gige {
namespace {

TEST(GigeNameMap, EveryNameOnceWithACategoryAndAFeatureUnlessTheSdkAnswersIt) {
    std::set<std::string> names;
    for (const MappedName& entry : NameMap()) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        ASSERT_NE(entry.category, nullptr) << entry.name;
        EXPECT_EQ(entry.category[0], '/') << entry.name;
        const bool ownAnswer = entry.conversion == Conversion::CameraId ||
                               entry.conversion == Conversion::FramesCompleted ||
                               entry.conversion == Conversion::FramesDropped ||
                               entry.conversion == Conversion::FramesIncomplete ||
                               entry.conversion == Conversion::PacketsMissing ||
                               entry.conversion == Conversion::PacketsResent;
        EXPECT_EQ(entry.features[0] == nullptr, ownAnswer) << entry.name;
        EXPECT_EQ(FindMappedName(entry.name), &entry);
    }
    // The names the driver reads at every open.
    for (const char* name :
         {"Width", "Height", "PixelFormat", "TotalBytesPerFrame", "AcquisitionMode",
          "AcquisitionStart", "FrameStartTriggerMode", "FrameStartTriggerSoftware", "UniqueId"}) {
        EXPECT_NE(FindMappedName(name), nullptr) << name;
    }
    EXPECT_EQ(FindMappedName("OffsetX"), nullptr);  // a feature, not a name of the map
    EXPECT_EQ(FindMappedName(nullptr), nullptr);
}

TEST(GigeNameMap, FeaturesTheMapReachesAreNotOfferedAgain) {
    for (const char* feature : {"OffsetX", "ExposureTimeAbs", "GainRaw", "TriggerSelector",
                                "TriggerSource", "PayloadSize", "AcquisitionFrameRateEnable"}) {
        EXPECT_TRUE(UsedByNameMap(feature)) << feature;
    }
    for (const char* feature : {"BinningHorizontal", "TestRegister", "DeviceID"}) {
        EXPECT_FALSE(UsedByNameMap(feature)) << feature;
    }
}

TEST(GigeNameMap, AutoModesAndTriggerEdgesTranslateBothWays) {
    const std::pair<const char*, const char*> autoModes[] = {
        {"Off", "Manual"}, {"Continuous", "Auto"}, {"Once", "AutoOnce"}};
    for (const auto& [genicam, sdk] : autoModes) {
        EXPECT_STREQ(SdkValue(Conversion::AutoMode, genicam), sdk);
        EXPECT_STREQ(GenicamValue(Conversion::AutoMode, sdk), genicam);
    }
    EXPECT_STREQ(SdkValue(Conversion::TriggerEvent, "FallingEdge"), "EdgeFalling");
    EXPECT_STREQ(GenicamValue(Conversion::TriggerEvent, "EdgeAny"), "AnyEdge");
    EXPECT_EQ(SdkValue(Conversion::AutoMode, "Always"), nullptr);
    EXPECT_EQ(GenicamValue(Conversion::TriggerEvent, "RisingEdge"), nullptr);
    // Plain enumerations keep the camera's names.
    EXPECT_STREQ(SdkValue(Conversion::Enumeration, "MultiFrame"), "MultiFrame");
    EXPECT_STREQ(GenicamValue(Conversion::Enumeration, "MultiFrame"), "MultiFrame");
}

TEST(GigeNameMap, FormatNamesFollowTheFormatCodes) {
    EXPECT_STREQ(FormatName(ePvFmtMono8), "Mono8");
    EXPECT_STREQ(FormatName(ePvFmtBayer16), "Bayer16");
    EXPECT_STREQ(FormatName(ePvFmtBgr24), "Bgr24");
    EXPECT_STREQ(FormatName(ePvFmtBgra32), "Bgra32");
    EXPECT_EQ(FormatName(kFormatCount), nullptr);
    for (tPvImageFormat code = 0; code < kFormatCount; ++code) {
        tPvImageFormat back = 99;
        ASSERT_TRUE(FormatCode(FormatName(code), back));
        EXPECT_EQ(back, code);
    }
    tPvImageFormat untouched = 99;
    EXPECT_FALSE(FormatCode("Mono12", untouched));
    EXPECT_EQ(untouched, 99u);
}

TEST(GigeNameMap, SyncInputsAreTheFirstFourLinesAsTheCameraCountsThem) {
    EXPECT_EQ(LineOfSyncIn(1, true), "Line0");
    EXPECT_EQ(LineOfSyncIn(4, true), "Line3");
    EXPECT_EQ(LineOfSyncIn(1, false), "Line1");
    EXPECT_EQ(SyncInOfLine("Line0", true), 1);
    EXPECT_EQ(SyncInOfLine("Line3", true), 4);
    EXPECT_EQ(SyncInOfLine("Line4", true), 0);
    EXPECT_EQ(SyncInOfLine("Line4", false), 4);
    EXPECT_EQ(SyncInOfLine("Line0", false), 0);
    for (const char* notALine : {"Software", "Line", "LineA", "Line1x", "Action1"}) {
        EXPECT_EQ(SyncInOfLine(notALine, true), 0) << notALine;
    }
    EXPECT_EQ(SyncInNumber("SyncIn2"), 2);
    for (const char* notAnInput : {"SyncIn0", "SyncIn5", "SyncIn", "SyncIn1 ", "Freerun"}) {
        EXPECT_EQ(SyncInNumber(notAnInput), 0) << notAnInput;
    }
}

TEST(GigePresence, ACameraIsPluggedWhenFirstListedAndUnpluggedAfterTwoMissedDiscoveries) {
    Presence presence;
    presence.Reset({"a"});
    EXPECT_TRUE(presence.IsPresent("a"));

    auto changes = presence.Update({"a", "b"});
    EXPECT_EQ(changes.plugged, std::vector<std::string>{"b"});
    EXPECT_TRUE(changes.unplugged.empty());

    changes = presence.Update({"b"});  // one discovery missed "a": no unplug yet
    EXPECT_TRUE(changes.plugged.empty());
    EXPECT_TRUE(changes.unplugged.empty());
    changes = presence.Update({"a", "b"});  // and it answers again: the misses start over
    EXPECT_TRUE(changes.plugged.empty());
    changes = presence.Update({"b"});
    EXPECT_TRUE(changes.unplugged.empty());
    changes = presence.Update({"b"});
    EXPECT_EQ(changes.unplugged, std::vector<std::string>{"a"});
    EXPECT_FALSE(presence.IsPresent("a"));
    changes = presence.Update({"b"});  // reported once
    EXPECT_TRUE(changes.unplugged.empty());

    changes = presence.Update({"a", "b"});
    EXPECT_EQ(changes.plugged, std::vector<std::string>{"a"});
}

TEST(GigePresence, ALostCameraIsUnpluggedAtOnceAndPluggedWhenListedAgain) {
    Presence presence;
    presence.Reset({"a", "b"});
    EXPECT_TRUE(presence.MarkLost("a"));
    EXPECT_FALSE(presence.MarkLost("a"));  // one unplug per loss
    EXPECT_FALSE(presence.IsPresent("a"));
    EXPECT_FALSE(presence.MarkLost("unknown"));
    const auto changes = presence.Update({"a", "b"});
    EXPECT_EQ(changes.plugged, std::vector<std::string>{"a"});
    EXPECT_TRUE(changes.unplugged.empty());
}

TEST(GigeRecords, TheEnumerationRecordCutsItsTextsAndTellsWhetherAMasterHoldsTheCamera) {
    DeviceRecord device;
    device.model = "ExtremelyLongModelName2000";
    device.serial = std::string(40, 'S');
    device.address = 0x0300007F;
    tPvCameraInfo info;
    std::memset(&info, 0x55, sizeof info);
    FillCameraInfo(device, 7, false, info);
    EXPECT_EQ(info.UniqueId, 7u);
    EXPECT_STREQ(info.DisplayName, "ExtremelyLongMo");  // 15 characters and the terminator
    EXPECT_EQ(std::strlen(info.SerialString), 31u);
    EXPECT_EQ(info.InterfaceType, uint32_t(ePvInterfaceEthernet));
    EXPECT_EQ(info.PermittedAccess, uint32_t(ePvAccessMonitor | ePvAccessMaster));
    EXPECT_EQ(info.PartNumber, 2000u);
    EXPECT_EQ(info.Reserved[3], 0u);
    FillCameraInfo(device, 7, true, info);
    EXPECT_EQ(info.PermittedAccess, uint32_t(ePvAccessMonitor));

    tPvIpSettings settings;
    std::memset(&settings, 0x55, sizeof settings);
    FillIpSettings(device, settings);
    EXPECT_EQ(settings.CurrentIpAddress, 0x0300007Fu);
    EXPECT_EQ(settings.CurrentIpSubnet, 0u);
}

TEST(GigeRecords, PartNumbersAreTheModelsFirstDigits) {
    EXPECT_EQ(PartNumberOf("GC1350"), 1350u);
    EXPECT_EQ(PartNumberOf("A12-34"), 12u);
    EXPECT_EQ(PartNumberOf("Fake"), 0u);
    EXPECT_EQ(PartNumberOf("X4294967295"), 4294967295u);
    EXPECT_EQ(PartNumberOf("X4294967296"), 0u);  // no part number is that long
}

TEST(GigeRecords, AddressesAsTextAndBack) {
    uint32_t address = 0;
    ASSERT_TRUE(ParseDottedAddress("127.0.0.3", address));
    const uint8_t expected[4] = {127, 0, 0, 3};
    EXPECT_EQ(std::memcmp(&address, expected, 4), 0);  // network byte order
    for (const char* bad :
         {"", "127.0.0", "127.0.0.256", "127.0.0.3.4", "127.0.0.x", "1..2.3", "0127.0.0.1"}) {
        uint32_t untouched = 5;
        EXPECT_FALSE(ParseDottedAddress(bad, untouched)) << bad;
        EXPECT_EQ(untouched, 5u) << bad;
    }
    EXPECT_FALSE(ParseDottedAddress(nullptr, address));
    EXPECT_EQ(DottedAddress(0x7F000003), "127.0.0.3");
    EXPECT_EQ(DottedAddress(0xC0A80AFF), "192.168.10.255");
}

TEST(GigeRecords, TextsAreCopiedWholeWithTheirTerminatorOrNotAtAll) {
    char buffer[6];
    std::memset(buffer, 'x', sizeof buffer);
    uint32_t size = 77;
    EXPECT_EQ(CopyText("Mono16", buffer, 6, &size), ePvErrBadParameter);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(size, 77u);
    EXPECT_EQ(CopyText("Mono8", buffer, 6, &size), ePvErrSuccess);
    EXPECT_STREQ(buffer, "Mono8");
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(CopyText("", buffer, 1, nullptr), ePvErrSuccess);
    EXPECT_EQ(CopyText("a", nullptr, 8, &size), ePvErrBadParameter);
}

TEST(GigeErrors, AravisErrorsBecomeTheSdksCodes) {
    const struct {
        GQuark domain;
        int code;
        tPvErr expected;
    } cases[] = {
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT, ePvErrTimeout},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONNECTED, ePvErrUnplugged},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_FEATURE_NOT_FOUND, ePvErrNotFound},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONTROLLER, ePvErrAccessDenied},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED, ePvErrAccessDenied},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT, ePvErrForbidden},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_ADDRESS, ePvErrBadParameter},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY, ePvErrUnavailable},
        {ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR, ePvErrCameraFault},
        {ARV_GC_ERROR, ARV_GC_ERROR_OUT_OF_RANGE, ePvErrOutOfRange},
        {ARV_GC_ERROR, ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND, ePvErrOutOfRange},
        {ARV_GC_ERROR, ARV_GC_ERROR_READ_ONLY, ePvErrForbidden},
        {ARV_GC_ERROR, ARV_GC_ERROR_NODE_NOT_FOUND, ePvErrNotFound},
        {ARV_GC_ERROR, ARV_GC_ERROR_INVALID_SYNTAX, ePvErrCameraFault},
        {G_IO_ERROR, G_IO_ERROR_TIMED_OUT, ePvErrTimeout},
        {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, ePvErrCameraFault},
    };
    for (const auto& c : cases) {
        GError* error = g_error_new_literal(c.domain, c.code, "test");
        EXPECT_EQ(ErrorFromGError(error), c.expected)
            << g_quark_to_string(c.domain) << " " << c.code;
        g_error_free(error);
    }
    EXPECT_EQ(ErrorFromGError(nullptr), ePvErrSuccess);

    GErrorBox box;
    EXPECT_FALSE(box.Failed());
    g_set_error_literal(box.Out(), ARV_GC_ERROR, ARV_GC_ERROR_READ_ONLY, "read only");
    EXPECT_TRUE(box.Failed());
    EXPECT_EQ(box.Code(), ePvErrForbidden);
    EXPECT_STREQ(box.Message(), "read only");
    box.Out();  // cleared for the next call
    EXPECT_FALSE(box.Failed());
}

}  // namespace
}  // namespace tarnix::gige
