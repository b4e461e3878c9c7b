#include "Attributes.h"

#include <pvsim.h>

#include <cstring>

namespace tarnix::sim {

namespace {

constexpr uint32_t R = ePvFlagRead;
constexpr uint32_t W = ePvFlagWrite;
constexpr uint32_t V = ePvFlagVolatile;
constexpr uint32_t C = ePvFlagConst;
constexpr uint32_t kMaxU = 0xFFFFFFFFu;

constexpr const char* kAcquisitionModes[] = {"Continuous", "SingleFrame", "MultiFrame"};
constexpr const char* kTriggerModes[] = {"Freerun", "SyncIn1",   "SyncIn2", "SyncIn3",
                                         "SyncIn4", "FixedRate", "Software"};
constexpr const char* kTriggerEvents[] = {"EdgeRising", "EdgeFalling", "EdgeAny", "LevelHigh",
                                          "LevelLow"};
constexpr const char* kExposureModes[] = {"Manual", "Auto", "AutoOnce", "External"};
constexpr const char* kGainModes[] = {"Manual", "Auto", "AutoOnce"};
constexpr const char* kIrisModes[] = {"Disabled", "Video", "VideoOpen", "VideoClose"};
constexpr const char* kPixelFormats[] = {"Mono8",  "Mono16", "Bayer8", "Bayer16",
                                         "Rgb24",  "Rgb48",  "Yuv411", "Yuv422",
                                         "Yuv444", "Bgr24",  "Rgba32", "Bgra32"};

#define ENUM_VALUES(list, joined) list, uint32_t(sizeof(list) / sizeof(list[0])), joined
#define NO_VALUES nullptr, 0, nullptr

// Ranges of attributes whose limits depend on the camera (region, sensor, identity) are
// worked out by the camera; the numbers here are the static limits.
constexpr AttrDef kDefs[kAttrCount] = {
    {Attr::AcquisitionFrameCount, "AcquisitionFrameCount", ePvDatatypeUint32, R | W, "/Acquisition",
     0, NO_VALUES, 1, 65535, 1, 0, 0, 0},
    {Attr::AcquisitionMode, "AcquisitionMode", ePvDatatypeEnum, R | W, "/Acquisition", 0,
     ENUM_VALUES(kAcquisitionModes, "Continuous,SingleFrame,MultiFrame"), 0, 0, kAcqContinuous, 0,
     0, 0},
    {Attr::AcquisitionStart, "AcquisitionStart", ePvDatatypeCommand, W, "/Acquisition", 0,
     NO_VALUES, 0, 0, 0, 0, 0, 0},
    {Attr::AcquisitionStop, "AcquisitionStop", ePvDatatypeCommand, W, "/Acquisition", 0, NO_VALUES,
     0, 0, 0, 0, 0, 0},
    {Attr::FrameRate, "FrameRate", ePvDatatypeFloat32, R | W, "/Acquisition/Trigger", 0, NO_VALUES,
     0, 0, 0, 0.1f, 10000.0f, 30.0f},
    {Attr::FrameStartTriggerMode, "FrameStartTriggerMode", ePvDatatypeEnum, R | W,
     "/Acquisition/Trigger/FrameStart", ePvSimNoTrigger,
     ENUM_VALUES(kTriggerModes, "Freerun,SyncIn1,SyncIn2,SyncIn3,SyncIn4,FixedRate,Software"), 0, 0,
     kTrigFreerun, 0, 0, 0},
    {Attr::FrameStartTriggerEvent, "FrameStartTriggerEvent", ePvDatatypeEnum, R | W,
     "/Acquisition/Trigger/FrameStart", ePvSimNoTrigger,
     ENUM_VALUES(kTriggerEvents, "EdgeRising,EdgeFalling,EdgeAny,LevelHigh,LevelLow"), 0, 0, 0, 0,
     0, 0},
    {Attr::FrameStartTriggerDelay, "FrameStartTriggerDelay", ePvDatatypeUint32, R | W,
     "/Acquisition/Trigger/FrameStart", ePvSimNoTrigger, NO_VALUES, 0, 60000000, 0, 0, 0, 0},
    {Attr::FrameStartTriggerSoftware, "FrameStartTriggerSoftware", ePvDatatypeCommand, W,
     "/Acquisition/Trigger/FrameStart", ePvSimNoTrigger, NO_VALUES, 0, 0, 0, 0, 0, 0},
    {Attr::ExposureMode, "ExposureMode", ePvDatatypeEnum, R | W, "/Controls/Exposure", 0,
     ENUM_VALUES(kExposureModes, "Manual,Auto,AutoOnce,External"), 0, 0, 0, 0, 0, 0},
    {Attr::ExposureValue, "ExposureValue", ePvDatatypeUint32, R | W, "/Controls/Exposure", 0,
     NO_VALUES, 10, 60000000, 15000, 0, 0, 0},
    {Attr::GainMode, "GainMode", ePvDatatypeEnum, R | W, "/Controls/Gain", ePvSimNoGain,
     ENUM_VALUES(kGainModes, "Manual,Auto,AutoOnce"), 0, 0, 0, 0, 0, 0},
    {Attr::GainValue, "GainValue", ePvDatatypeUint32, R | W, "/Controls/Gain", ePvSimNoGain,
     NO_VALUES, 0, 30, 0, 0, 0, 0},
    {Attr::IrisMode, "IrisMode", ePvDatatypeEnum, R | W, "/Controls/Iris", ePvSimNoIris,
     ENUM_VALUES(kIrisModes, "Disabled,Video,VideoOpen,VideoClose"), 0, 0, 0, 0, 0, 0},
    {Attr::IrisVideoLevel, "IrisVideoLevel", ePvDatatypeUint32, R | V, "/Controls/Iris",
     ePvSimNoIris, NO_VALUES, 0, 150, 0, 0, 0, 0},
    {Attr::IrisVideoLevelMin, "IrisVideoLevelMin", ePvDatatypeUint32, R | W, "/Controls/Iris",
     ePvSimNoIris, NO_VALUES, 0, 150, 45, 0, 0, 0},
    {Attr::IrisVideoLevelMax, "IrisVideoLevelMax", ePvDatatypeUint32, R | W, "/Controls/Iris",
     ePvSimNoIris, NO_VALUES, 0, 150, 55, 0, 0, 0},
    {Attr::PixelFormat, "PixelFormat", ePvDatatypeEnum, R | W, "/ImageFormat", 0,
     ENUM_VALUES(kPixelFormats,
                 "Mono8,Mono16,Bayer8,Bayer16,Rgb24,Rgb48,Yuv411,Yuv422,Yuv444,"
                 "Bgr24,Rgba32,Bgra32"),
     0, 0, 0, 0, 0, 0},
    {Attr::TotalBytesPerFrame, "TotalBytesPerFrame", ePvDatatypeUint32, R | V, "/ImageFormat",
     ePvSimNoTotalBytes, NO_VALUES, 0, kMaxU, 0, 0, 0, 0},
    {Attr::Width, "Width", ePvDatatypeUint32, R | W, "/ImageFormat/ROI", 0, NO_VALUES,
     kMinImageSize, kMaxU, 0, 0, 0, 0},
    {Attr::Height, "Height", ePvDatatypeUint32, R | W, "/ImageFormat/ROI", 0, NO_VALUES,
     kMinImageSize, kMaxU, 0, 0, 0, 0},
    {Attr::RegionX, "RegionX", ePvDatatypeUint32, R | W, "/ImageFormat/ROI", 0, NO_VALUES, 0, kMaxU,
     0, 0, 0, 0},
    {Attr::RegionY, "RegionY", ePvDatatypeUint32, R | W, "/ImageFormat/ROI", 0, NO_VALUES, 0, kMaxU,
     0, 0, 0, 0},
    {Attr::SensorWidth, "SensorWidth", ePvDatatypeUint32, R | C, "/Info/Sensor", 0, NO_VALUES, 0, 0,
     0, 0, 0, 0},
    {Attr::SensorHeight, "SensorHeight", ePvDatatypeUint32, R | C, "/Info/Sensor", 0, NO_VALUES, 0,
     0, 0, 0, 0, 0},
    {Attr::SensorBits, "SensorBits", ePvDatatypeUint32, R | C, "/Info/Sensor", 0, NO_VALUES, 0, 0,
     0, 0, 0, 0},
    {Attr::CameraName, "CameraName", ePvDatatypeString, R | W, "/Info", 0, NO_VALUES, 0, 0, 0, 0, 0,
     0},
    {Attr::DeviceModelName, "DeviceModelName", ePvDatatypeString, R | C, "/Info", 0, NO_VALUES, 0,
     0, 0, 0, 0, 0},
    {Attr::UniqueId, "UniqueId", ePvDatatypeUint32, R | C, "/Info", 0, NO_VALUES, 0, 0, 0, 0, 0, 0},
    {Attr::DeviceTemperature, "DeviceTemperature", ePvDatatypeFloat32, R | V, "/Info", 0, NO_VALUES,
     0, 0, 0, -40.0f, 100.0f, 41.5f},
    {Attr::DeviceIPAddress, "DeviceIPAddress", ePvDatatypeString, R | C, "/GigE", ePvSimNoIpAddress,
     NO_VALUES, 0, 0, 0, 0, 0, 0},
    {Attr::PacketSize, "PacketSize", ePvDatatypeUint32, R | W, "/GigE", 0, NO_VALUES, 500, 16110,
     1500, 0, 0, 0},
    {Attr::StreamBytesPerSecond, "StreamBytesPerSecond", ePvDatatypeUint32, R | W, "/GigE", 0,
     NO_VALUES, 1, 124000000, 115000000, 0, 0, 0},
    {Attr::TimeStampFrequency, "TimeStampFrequency", ePvDatatypeUint32, R | C, "/GigE/Timestamp", 0,
     NO_VALUES, 0, 0, 1000000, 0, 0, 0},
    {Attr::StatFramesCompleted, "StatFramesCompleted", ePvDatatypeUint32, R | V, "/Stats", 0,
     NO_VALUES, 0, kMaxU, 0, 0, 0, 0},
    {Attr::StatFramesDropped, "StatFramesDropped", ePvDatatypeUint32, R | V, "/Stats", 0, NO_VALUES,
     0, kMaxU, 0, 0, 0, 0},
    {Attr::LUTRaw, "LUTRaw", ePvDatatypeRaw, R | W, "/Lut", 0, NO_VALUES, 0, 0, 0, 0, 0, 0},
};

#undef ENUM_VALUES
#undef NO_VALUES

constexpr bool DefsInIdOrder() {
    for (size_t i = 0; i < kAttrCount; ++i) {
        if (size_t(kDefs[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(DefsInIdOrder(), "attribute table rows follow the Attr order");

}  // namespace

const AttrDef& Def(Attr id) {
    return kDefs[size_t(id)];
}

const AttrDef* FindDef(const char* name) {
    for (const AttrDef& def : kDefs) {
        if (std::strcmp(def.name, name) == 0) {
            return &def;
        }
    }
    return nullptr;
}

int EnumIndex(const AttrDef& def, const char* value) {
    for (uint32_t i = 0; i < def.valueCount; ++i) {
        if (std::strcmp(def.values[i], value) == 0) {
            return int(i);
        }
    }
    return -1;
}

}  // namespace tarnix::sim
