// The per-port camera object. Its attribute layer needs nothing but the SDK handle, so a
// camera can also be built around a handle that is already open.
#pragma once

#include <pvapi.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "camera/Serial.h"

namespace tarnix {

class CCamera;

// Called after each delivered frame; the driver's choice is NotifyComplete.
using FrameNotify = void (*)(CCamera* camera);

class CCamera {
  public:
    // A camera known from the SDK's camera-info record (copied whole); not open yet.
    CCamera(const tPvCameraInfo& info, FrameNotify onFrame);
    // A camera already open under handle.
    explicit CCamera(tPvHandle handle);
    ~CCamera();
    CCamera(const CCamera&) = delete;
    CCamera& operator=(const CCamera&) = delete;

    // Typed attribute access. Each checks the attribute's type (and for writes the writable
    // flag) afresh, then makes the one SDK call for that type. SDK failures are reported as
    // "ERROR" lines; a type or access mismatch returns false silently. They never throw.
    bool AttrInfo(const char* name, tPvAttributeInfo& info);
    bool AttrStringGet(const char* name, char* buffer, uint32_t bufferSize);
    bool AttrFloat32Get(const char* name, float& value);
    bool AttrRangeEnum(const char* name, char* buffer, uint32_t bufferSize);
    bool AttrRangeFloat32(const char* name, float& min, float& max);
    bool AttrRangeUint32(const char* name, uint32_t& min, uint32_t& max);
    bool AttrStringSet(const char* name, const char* value);
    bool AttrFloat32Set(const char* name, float value);
    bool AttrUint32Set(const char* name, uint32_t value);
    bool CommandRun(const char* name);

    // Information queries; 0 stands for "no usable type" and "no flags".
    tPvDatatype AttrType(const char* name);
    bool QueryAttrType(const char* name, tPvDatatype& type);
    bool QueryAttrFlags(const char* name, uint32_t& flags);
    uint32_t AttrFlags(const char* name);

    // The camera's current IPv4 address in network byte order, 0 when unreadable.
    uint32_t GetDeviceIPAddress();

    // Properties by name: camera attributes, or the serial port for names starting with
    // "RS232.". Every failure becomes a diagnostic line and false; they never throw.
    bool GetNamedProperty(const char* name, uint32_t& value);
    // text is "Name" or "Name=value text".
    bool SetNamedProperty(const char* text, uint32_t value);

    // The "RS232." pseudo-properties; failures are exceptions.
    bool GetSerialProperty(const char* name, uint32_t& value);
    bool SetSerialProperty(const char* text, uint32_t value);

    // Raw camera registers, one SDK call per list. Return the number of registers moved,
    // which may be fewer than asked; SDK failures throw camera_error.
    uint32_t GetRegisters(const std::vector<uint32_t>& addresses, std::vector<uint32_t>& values);
    uint32_t SetRegisters(const std::vector<uint32_t>& addresses,
                          const std::vector<uint32_t>& data);
    // One register; an incomplete transfer throws runtime_error.
    uint32_t ReadRegister(uint32_t address);
    void WriteRegister(uint32_t address, uint32_t value);

    // The SDK's record of this camera: id, serial text, display name.
    const tPvCameraInfo m_Info;
    // 0 while no camera is open. Read by SDK and timer threads.
    std::atomic<tPvHandle> m_Handle{0};
    // The port the camera was opened on; read by the frame thread.
    std::atomic<int32_t> m_Port{0};
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    // Bytes per output pixel: 1 for mono cameras, 3 otherwise, 0 until the format was read.
    std::atomic<int32_t> m_BytesPerPixel{0};
    // Deliver every frame, not only requested ones (property "Continous").
    std::atomic<bool> m_Continuous{false};
    const FrameNotify m_OnFrame;
    SerialIo m_Serial;
};

}  // namespace tarnix
