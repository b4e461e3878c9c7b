// The camera as a device: typed attributes, named properties, raw registers and the serial
// port, all over one SDK handle. It knows nothing of capture, settings or the camera object
// that opens and closes it, so it serves an open camera object and a bare handle alike.
#pragma once

#include <pvapi.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "camera/SerialIo.h"

namespace tarnix {

// Failures: the typed operations and the named properties return false and leave one
// diagnostic line (an "ERROR" line for an SDK failure; a type or access mismatch is silent);
// the registers and the serial port throw, and the named-property layer is where those
// exceptions end. Nothing here is cached: the camera may change types and flags at any time.
class CameraDevice {
  public:
    // 0: no camera yet; the owner attaches one when it opens it.
    explicit CameraDevice(tPvHandle handle = 0);
    CameraDevice(const CameraDevice&) = delete;
    CameraDevice& operator=(const CameraDevice&) = delete;

    // 0 while no camera is open. Any thread may read it.
    tPvHandle Handle() const { return m_Handle.load(); }
    // The handle of a camera just opened, and its end: set just before the camera counts as
    // open, cleared just before it counts as closed (closing it is its opener's business).
    void Attach(tPvHandle handle) { m_Handle.store(handle); }
    void Detach() { m_Handle.store(0); }

    // Typed attribute access. Each checks the attribute's type (and for writes the writable
    // flag) afresh, then makes the one SDK call for that type.
    bool AttrInfo(const char* name, tPvAttributeInfo& info);
    bool AttrStringGet(const char* name, char* buffer, uint32_t bufferSize);
    bool AttrUint32Get(const char* name, uint32_t& value);
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
    // The names of the camera's attributes in the SDK's order; empty when the SDK gives no
    // list.
    std::vector<std::string> AttrNames();

    // The camera's current IPv4 address in network byte order, 0 when unreadable.
    uint32_t GetDeviceIPAddress();

    // Properties by name: camera attributes, or the serial port for names starting with
    // "RS232.". Every failure becomes a diagnostic line and false; they never throw.
    bool GetNamedProperty(const char* name, uint32_t& value);
    // text is "Name" or "Name=value text".
    bool SetNamedProperty(const char* text, uint32_t value);

    // Raw camera registers, one SDK call per list. Return the number of registers moved,
    // which may be fewer than asked; SDK failures throw camera_error.
    uint32_t GetRegisters(const std::vector<uint32_t>& addresses, std::vector<uint32_t>& values);
    uint32_t SetRegisters(const std::vector<uint32_t>& addresses,
                          const std::vector<uint32_t>& data);
    // One register; an incomplete transfer throws runtime_error.
    uint32_t ReadRegister(uint32_t address);
    void WriteRegister(uint32_t address, uint32_t value);

    // The serial port on this camera's registers.
    SerialIo& Serial() { return m_Serial; }

  private:
    // The "RS232." pseudo-properties; failures are exceptions.
    bool GetSerialProperty(const char* name, uint32_t& value);
    bool SetSerialProperty(const char* text, uint32_t value);

    // Read by SDK and timer threads; set just before the camera counts as open and cleared
    // just before it counts as closed.
    std::atomic<tPvHandle> m_Handle;
    SerialIo m_Serial;
};

}  // namespace tarnix
