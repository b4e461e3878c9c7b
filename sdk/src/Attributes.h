// The attributes a simulated camera offers: names, types, flags, categories, ranges and
// defaults. Values live in the camera; this is the fixed description shared by all cameras.
#pragma once

#include <pvapi.h>

#include <cstddef>
#include <cstdint>

namespace tarnix::sim {

// In the order the attribute list reports them.
enum class Attr : uint8_t {
    AcquisitionFrameCount,
    AcquisitionMode,
    AcquisitionStart,
    AcquisitionStop,
    FrameRate,
    FrameStartTriggerMode,
    FrameStartTriggerEvent,
    FrameStartTriggerDelay,
    FrameStartTriggerSoftware,
    ExposureMode,
    ExposureValue,
    GainMode,
    GainValue,
    IrisMode,
    IrisVideoLevel,
    IrisVideoLevelMin,
    IrisVideoLevelMax,
    PixelFormat,
    TotalBytesPerFrame,
    Width,
    Height,
    RegionX,
    RegionY,
    SensorWidth,
    SensorHeight,
    SensorBits,
    CameraName,
    DeviceModelName,
    UniqueId,
    DeviceTemperature,
    DeviceIPAddress,
    PacketSize,
    StreamBytesPerSecond,
    TimeStampFrequency,
    StatFramesCompleted,
    StatFramesDropped,
    LUTRaw,
};
constexpr size_t kAttrCount = size_t(Attr::LUTRaw) + 1;

// Value indexes of the enumerations the acquisition logic looks at.
enum AcquisitionMode : uint32_t { kAcqContinuous = 0, kAcqSingleFrame = 1, kAcqMultiFrame = 2 };
enum TriggerMode : uint32_t {
    kTrigFreerun = 0,
    kTrigSyncIn1 = 1,
    kTrigSyncIn4 = 4,
    kTrigFixedRate = 5,
    kTrigSoftware = 6
};

constexpr uint32_t kMinImageSize = 8;
constexpr uint32_t kMaxNameLength = 31;  // writable string attributes

struct AttrDef {
    Attr id;
    const char* name;
    tPvDatatype type;
    uint32_t flags;
    const char* category;
    uint32_t omit;              // ePvSimNo* group the attribute belongs to, 0 for always present
    const char* const* values;  // enumeration value names
    uint32_t valueCount;
    const char* valueList;  // the same names joined by ","
    uint32_t minU, maxU, defU;
    float minF, maxF, defF;
};

const AttrDef& Def(Attr id);
// Attribute by name (exact, case-sensitive), whether or not a camera has it.
const AttrDef* FindDef(const char* name);
// Index of an enumeration value name, or -1.
int EnumIndex(const AttrDef& def, const char* value);

}  // namespace tarnix::sim
