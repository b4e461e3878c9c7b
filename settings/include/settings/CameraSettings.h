// A camera's driver settings as one value: what the driver keeps for it beside the camera's
// own attributes. One table names each setting's key, type and default and whether it is
// written back, and Load and Save go through it, so a key is spelled in one place only.
//
// The camera holds a copy; the configuration sheet edits a copy of that and hands it back
// when it closes. Integers travel through the file as signed decimal text, unsigned ones bit
// for bit.
#pragma once

#include <cstdint>
#include <string>

namespace tarnix::settings {

struct CameraSettings {
    // Every member starts at its table default.
    CameraSettings();

    // Reconnect after a replug at all, the delay of each attempt (ms), attempts in a row.
    bool m_Reconnect;
    uint32_t m_ReconnectDelay;
    uint32_t m_ReconnectRetries;
    // The link's speed in megabits per second; the GigE page's working value, never saved.
    uint32_t m_Network;
    // Lookup table switch: 0 off, any other value on, kept as the file has it.
    int32_t m_UseLut;
    // The table's file and column, at most 255 characters each.
    std::string m_LutFile;
    std::string m_LutColumn;
    // The LUT generator's last curve.
    int32_t m_LutGenMinPix;
    int32_t m_LutGenMaxPix;
    int32_t m_LutGenSteepness;

    // Reads every key of section in file; a missing key leaves its member as it is.
    void Load(const char* section, const char* file);
    // Writes every saved key (all but "Network"). The file's failures are not reported.
    void Save(const char* section, const char* file) const;

    // Takes over each setting that after changed from before, and only those: an editor of a
    // copy hands back what it changed, and what others changed meanwhile stays.
    void TakeChanges(const CameraSettings& before, const CameraSettings& after);

    bool operator==(const CameraSettings&) const = default;
};

}  // namespace tarnix::settings
