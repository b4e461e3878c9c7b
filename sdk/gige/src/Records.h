// A camera as the device list saw it, and the SDK's records of it.
#pragma once

#include <pvapi.h>

#include <cstdint>
#include <string>

namespace tarnix::gige {

// What one discovery told of a GigE Vision camera.
struct DeviceRecord {
    std::string deviceId;  // Aravis's id, "<vendor>-<model>-<serial>"
    std::string vendor;
    std::string model;
    std::string serial;
    std::string userName;        // the user-defined name, empty when the camera has none
    bool userNameKnown = false;  // whether the camera told its user-defined name
    std::string addressText;     // dotted IPv4
    uint32_t address = 0;        // the same in network byte order; 0 when it did not parse
};

// The enumeration record: the SDK's id, the serial, the user-defined name or else the model
// as display name (cut to the record's 15 characters), Ethernet, and monitor-only access while
// this process holds the camera as master.
void FillCameraInfo(const DeviceRecord& device, uint32_t id, bool masterHeld, tPvCameraInfo& info);

// The address record: the current address; the rest is not known without asking the camera.
void FillIpSettings(const DeviceRecord& device, tPvIpSettings& settings);

// The first run of decimal digits in a model name ("GC1350" gives 1350), 0 without one.
uint32_t PartNumberOf(const std::string& model);

// Dotted IPv4 text to network byte order; false for anything else.
bool ParseDottedAddress(const char* text, uint32_t& address);

// A 32-bit address as GenICam registers hold it (the first byte in the top bits) as text.
std::string DottedAddress(uint32_t registerValue);

// Writes a value text with its terminator and sets *size (may be null) to its length; a
// buffer too small for both gets nothing and ePvErrBadParameter.
tPvErr CopyText(const char* text, char* buffer, uint32_t bufferSize, uint32_t* size);

}  // namespace tarnix::gige
