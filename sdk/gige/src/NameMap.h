// The driver's attribute names on GenICam's standard features: one table (NameMap.cpp) giving
// for each name its SDK type, its category, the GenICam features that serve it (the first the
// camera has wins) and how values are converted between the two.
#pragma once

#include <pvapi.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tarnix::gige {

// How an SDK value is made from a GenICam feature and back.
enum class Conversion : uint8_t {
    Number,            // an integer or float feature as uint32; floats rounded
    Float,             // a float or integer feature as float32
    Boolean,           // a boolean feature as uint32 0 or 1
    Enumeration,       // enumeration entries under their own names
    AutoMode,          // ExposureAuto / GainAuto: Off, Once, Continuous as Manual, AutoOnce, Auto
    TriggerEvent,      // TriggerActivation: RisingEdge as EdgeRising and so on
    TriggerMode,       // TriggerMode and TriggerSource as Freerun, SyncIn1..4, Software
    PixelFormat,       // the camera's pixel formats under the SDK's format names
    Text,              // a string feature
    Address,           // an integer feature as dotted IPv4 text
    Command,           // a command feature
    AcquisitionStart,  // the command with the transport-layer lock Aravis manages
    AcquisitionStop,
    FrameRate,        // Float, with AcquisitionFrameRateEnable switched on before a write
    CameraId,         // the SDK's own id of the camera
    FramesCompleted,  // the frame stream's counters since the capture started
    FramesDropped,
    FramesIncomplete,
    PacketsMissing,
    PacketsResent,
    SensorBits,  // SensorBitDepth, else PixelDynamicRangeMax, else the pixel formats
};

struct MappedName {
    const char* name;
    tPvDatatype type;
    const char* category;
    // ePvFlagVolatile / ePvFlagConst; read and write come from the feature's access mode.
    uint32_t flags;
    Conversion conversion;
    // TriggerSelector is set to FrameStart before the feature is reached.
    bool frameStart;
    // Candidate features, best first; empty for names the SDK answers itself.
    std::array<const char*, 3> features;
};

// The table, in the order PvAttrList reports the names.
std::span<const MappedName> NameMap();

// The entry of an SDK name, or null.
const MappedName* FindMappedName(const char* name);

// Whether a GenICam feature is reached through the table (also the selector and switches the
// conversions set), so that it is not offered once more under its own name.
bool UsedByNameMap(const char* feature);

// Enumeration values between GenICam and the SDK for AutoMode and TriggerEvent (null when the
// value has no counterpart); for every other conversion the value itself.
const char* SdkValue(Conversion conversion, const char* genicamValue);
const char* GenicamValue(Conversion conversion, const char* sdkValue);

// The SDK's "PixelFormat" names by format code (Mono8 ... Bgra32), null for an unknown code;
// and back.
const char* FormatName(tPvImageFormat format);
bool FormatCode(const char* name, tPvImageFormat& format);
inline constexpr tPvImageFormat kFormatCount = 12;

// Trigger inputs: "SyncIn1".."SyncIn4" are the camera's first four lines, Line0..Line3 when
// the camera counts from 0 and Line1..Line4 otherwise. 0 when the text names none.
int SyncInNumber(const char* sdkMode);
std::string LineOfSyncIn(int syncIn, bool linesFromZero);
int SyncInOfLine(const char* line, bool linesFromZero);

}  // namespace tarnix::gige
