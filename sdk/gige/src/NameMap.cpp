// The one table of the driver's attribute names on GenICam features (docs/gige.md shows it).
#include "NameMap.h"

#include <cstdlib>
#include <cstring>

namespace tarnix::gige {
namespace {

constexpr uint32_t V = ePvFlagVolatile;
constexpr uint32_t C = ePvFlagConst;
constexpr tPvDatatype kCommand = ePvDatatypeCommand;
constexpr tPvDatatype kString = ePvDatatypeString;
constexpr tPvDatatype kEnum = ePvDatatypeEnum;
constexpr tPvDatatype kUint32 = ePvDatatypeUint32;
constexpr tPvDatatype kFloat32 = ePvDatatypeFloat32;
using enum Conversion;

constexpr const char* kFrameStartCategory = "/Acquisition/Trigger/FrameStart";

// name, type, category, flags, conversion, FrameStart selected, GenICam features
const MappedName kNames[] = {
    {"AcquisitionFrameCount", kUint32, "/Acquisition", 0, Number, false, {"AcquisitionFrameCount"}},
    {"AcquisitionMode", kEnum, "/Acquisition", 0, Enumeration, false, {"AcquisitionMode"}},
    {"AcquisitionStart",
     kCommand,
     "/Acquisition",
     0,
     AcquisitionStart,
     false,
     {"AcquisitionStart"}},
    {"AcquisitionStop", kCommand, "/Acquisition", 0, AcquisitionStop, false, {"AcquisitionStop"}},
    {"FrameRate",
     kFloat32,
     "/Acquisition/Trigger",
     0,
     FrameRate,
     false,
     {"AcquisitionFrameRate", "AcquisitionFrameRateAbs"}},
    {"FrameStartTriggerMode", kEnum, kFrameStartCategory, 0, TriggerMode, true, {"TriggerMode"}},
    {"FrameStartTriggerEvent",
     kEnum,
     kFrameStartCategory,
     0,
     TriggerEvent,
     true,
     {"TriggerActivation"}},
    {"FrameStartTriggerDelay",
     kUint32,
     kFrameStartCategory,
     0,
     Number,
     true,
     {"TriggerDelay", "TriggerDelayAbs"}},
    {"FrameStartTriggerSoftware",
     kCommand,
     kFrameStartCategory,
     0,
     Command,
     true,
     {"TriggerSoftware"}},
    {"ExposureMode", kEnum, "/Controls/Exposure", 0, AutoMode, false, {"ExposureAuto"}},
    {"ExposureValue",
     kUint32,
     "/Controls/Exposure",
     0,
     Number,
     false,
     {"ExposureTime", "ExposureTimeAbs"}},
    {"GainMode", kEnum, "/Controls/Gain", 0, AutoMode, false, {"GainAuto"}},
    {"GainValue", kUint32, "/Controls/Gain", 0, Number, false, {"Gain", "GainRaw"}},
    {"PixelFormat", kEnum, "/ImageFormat", 0, PixelFormat, false, {"PixelFormat"}},
    {"TotalBytesPerFrame", kUint32, "/ImageFormat", V, Number, false, {"PayloadSize"}},
    {"Width", kUint32, "/ImageFormat/ROI", 0, Number, false, {"Width"}},
    {"Height", kUint32, "/ImageFormat/ROI", 0, Number, false, {"Height"}},
    {"RegionX", kUint32, "/ImageFormat/ROI", 0, Number, false, {"OffsetX"}},
    {"RegionY", kUint32, "/ImageFormat/ROI", 0, Number, false, {"OffsetY"}},
    {"SensorWidth", kUint32, "/Info/Sensor", C, Number, false, {"SensorWidth", "WidthMax"}},
    {"SensorHeight", kUint32, "/Info/Sensor", C, Number, false, {"SensorHeight", "HeightMax"}},
    {"SensorBits",
     kUint32,
     "/Info/Sensor",
     C,
     SensorBits,
     false,
     {"SensorBitDepth", "PixelDynamicRangeMax"}},
    {"CameraName", kString, "/Info", 0, Text, false, {"DeviceUserID"}},
    {"DeviceModelName", kString, "/Info", C, Text, false, {"DeviceModelName"}},
    {"DeviceVendorName", kString, "/Info", C, Text, false, {"DeviceVendorName"}},
    {"UniqueId", kUint32, "/Info", C, CameraId, false, {}},
    {"DeviceTemperature", kFloat32, "/Info", V, Float, false, {"DeviceTemperature"}},
    {"DeviceIPAddress",
     kString,
     "/GigE",
     C,
     Address,
     false,
     {"GevCurrentIPAddress", "ArvGevCurrentIPAddress"}},
    {"PacketSize",
     kUint32,
     "/GigE",
     0,
     Number,
     false,
     {"GevSCPSPacketSize", "ArvGevSCPSPacketSize"}},
    {"StreamBytesPerSecond",
     kUint32,
     "/GigE",
     0,
     Number,
     false,
     {"StreamBytesPerSecond", "DeviceLinkThroughputLimit"}},
    {"TimeStampFrequency",
     kUint32,
     "/GigE/Timestamp",
     C,
     Number,
     false,
     {"GevTimestampTickFrequency", "ArvGevTimestampTickFrequency"}},
    {"StatFramesCompleted", kUint32, "/Stats", V, FramesCompleted, false, {}},
    {"StatFramesDropped", kUint32, "/Stats", V, FramesDropped, false, {}},
    {"StatFramesIncomplete", kUint32, "/Stats", V, FramesIncomplete, false, {}},
    {"StatPacketsMissing", kUint32, "/Stats", V, PacketsMissing, false, {}},
    {"StatPacketsResent", kUint32, "/Stats", V, PacketsResent, false, {}},
};

// Features the conversions set on their own, beside those the table names.
constexpr const char* kHelperFeatures[] = {"TriggerSelector", "TriggerSource",
                                           "AcquisitionFrameRateEnable", "TLParamsLocked"};

struct ValuePair {
    const char* genicam;
    const char* sdk;
};

constexpr ValuePair kAutoModes[] = {
    {"Off", "Manual"}, {"Continuous", "Auto"}, {"Once", "AutoOnce"}};

constexpr ValuePair kTriggerEvents[] = {{"RisingEdge", "EdgeRising"},
                                        {"FallingEdge", "EdgeFalling"},
                                        {"AnyEdge", "EdgeAny"},
                                        {"LevelHigh", "LevelHigh"},
                                        {"LevelLow", "LevelLow"}};

constexpr const char* kFormatNames[kFormatCount] = {"Mono8",  "Mono16", "Bayer8", "Bayer16",
                                                    "Rgb24",  "Rgb48",  "Yuv411", "Yuv422",
                                                    "Yuv444", "Bgr24",  "Rgba32", "Bgra32"};

std::span<const ValuePair> PairsOf(Conversion conversion) {
    switch (conversion) {
        case AutoMode:
            return kAutoModes;
        case TriggerEvent:
            return kTriggerEvents;
        default:
            return {};
    }
}

constexpr const char* kSyncInPrefix = "SyncIn";
constexpr const char* kLinePrefix = "Line";
constexpr int kSyncInputs = 4;

// The number after a prefix ("Line3" gives 3), or -1.
int NumberAfter(const char* text, const char* prefix) {
    const size_t length = std::strlen(prefix);
    if (text == nullptr || std::strncmp(text, prefix, length) != 0) return -1;
    const char* digits = text + length;
    if (*digits < '0' || *digits > '9' || std::strlen(digits) > 2) return -1;
    char* end = nullptr;
    const long number = std::strtol(digits, &end, 10);
    return *end == '\0' ? int(number) : -1;
}

}  // namespace

std::span<const MappedName> NameMap() {
    return kNames;
}

const MappedName* FindMappedName(const char* name) {
    if (name == nullptr) return nullptr;
    for (const MappedName& entry : kNames) {
        if (std::strcmp(entry.name, name) == 0) return &entry;
    }
    return nullptr;
}

bool UsedByNameMap(const char* feature) {
    for (const MappedName& entry : kNames) {
        for (const char* candidate : entry.features) {
            if (candidate != nullptr && std::strcmp(candidate, feature) == 0) return true;
        }
    }
    for (const char* helper : kHelperFeatures) {
        if (std::strcmp(helper, feature) == 0) return true;
    }
    return false;
}

const char* SdkValue(Conversion conversion, const char* genicamValue) {
    const auto pairs = PairsOf(conversion);
    if (pairs.empty()) return genicamValue;
    for (const ValuePair& pair : pairs) {
        if (std::strcmp(pair.genicam, genicamValue) == 0) return pair.sdk;
    }
    return nullptr;
}

const char* GenicamValue(Conversion conversion, const char* sdkValue) {
    const auto pairs = PairsOf(conversion);
    if (pairs.empty()) return sdkValue;
    for (const ValuePair& pair : pairs) {
        if (std::strcmp(pair.sdk, sdkValue) == 0) return pair.genicam;
    }
    return nullptr;
}

const char* FormatName(tPvImageFormat format) {
    return format < kFormatCount ? kFormatNames[format] : nullptr;
}

bool FormatCode(const char* name, tPvImageFormat& format) {
    for (tPvImageFormat code = 0; code < kFormatCount; ++code) {
        if (std::strcmp(kFormatNames[code], name) == 0) {
            format = code;
            return true;
        }
    }
    return false;
}

int SyncInNumber(const char* sdkMode) {
    const int number = NumberAfter(sdkMode, kSyncInPrefix);
    return number >= 1 && number <= kSyncInputs ? number : 0;
}

std::string LineOfSyncIn(int syncIn, bool linesFromZero) {
    return kLinePrefix + std::to_string(linesFromZero ? syncIn - 1 : syncIn);
}

int SyncInOfLine(const char* line, bool linesFromZero) {
    const int number = NumberAfter(line, kLinePrefix);
    if (number < 0) return 0;
    const int syncIn = linesFromZero ? number + 1 : number;
    return syncIn >= 1 && syncIn <= kSyncInputs ? syncIn : 0;
}

}  // namespace tarnix::gige
