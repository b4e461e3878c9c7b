// The camera's settings file section and its lookup table. One section per camera, named
// after the camera, so it finds its settings again on any port. Each key missing from the
// file leaves its setting, or its camera attribute, as it was.
#include <platform/Profile.h>
#include <settings/IniFile.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "camera/Camera.h"

namespace tarnix {
namespace {

// Attribute values and file texts of up to 254 characters.
constexpr uint32_t kValueTextSize = 255;

// Calls visit with each attribute the SDK lists for the camera that is writable, in the SDK's
// order; nothing when the list cannot be had. The flag is read just before each visit: an
// earlier visit may have changed it.
template <typename Visit>
void ForEachWritableAttribute(CameraDevice& device, Visit visit) {
    for (const std::string& name : device.AttrNames()) {
        tPvAttributeInfo info{};
        if (device.AttrInfo(name.c_str(), info) && (info.Flags & ePvFlagWrite) != 0)
            visit(name.c_str());
    }
}

}  // namespace

void CCamera::SettingsSection(char (&section)[settings::kSectionSize]) const {
    settings::FormatSectionName(m_Info.DisplayName, m_Info.SerialString, section);
}

settings::CameraSettings CCamera::Settings() const {
    platform::MutexLock lock(m_SettingsLock);
    return m_Settings;
}

void CCamera::TakeSettingChanges(const settings::CameraSettings& before,
                                 const settings::CameraSettings& after) {
    platform::MutexLock lock(m_SettingsLock);
    m_Settings.TakeChanges(before, after);
    ApplyLutSetting();
}

void CCamera::PreviewLut(bool on) {
    // The table of the last open: the settings themselves reach the camera when the sheet
    // closes.
    SwitchLut(on);
}

void CCamera::EndLutPreview() {
    platform::MutexLock lock(m_SettingsLock);
    ApplyLutSetting();
}

ReconnectTarget::Policy CCamera::ReconnectPolicy() const {
    // The three reconnect settings only (a whole copy would copy the table's names too).
    platform::MutexLock lock(m_SettingsLock);
    return Policy{m_Settings.m_Reconnect, m_Settings.m_ReconnectRetries,
                  m_Settings.m_ReconnectDelay};
}

void CCamera::LoadSettings() {
    ForEachWritableAttribute(m_Device, [this](const char* name) { LoadAttributeSetting(name); });
    char section[settings::kSectionSize];
    SettingsSection(section);
    platform::MutexLock lock(m_SettingsLock);
    m_Settings.Load(section, m_IniPath);
    ApplyLutSetting();
}

void CCamera::LoadAttributeSetting(const char* name) {
    char section[settings::kSectionSize];
    SettingsSection(section);
    switch (m_Device.AttrType(name)) {
        case ePvDatatypeString:
        case ePvDatatypeEnum: {
            char current[kValueTextSize] = {};
            if (!m_Device.AttrStringGet(name, current, sizeof current)) return;
            char stored[kValueTextSize] = {};
            platform::GetProfileString(section, name, current, stored, sizeof stored, m_IniPath);
            // The read gives a missing key's default, and a stored value, in a form of its own
            // (blanks and quotes dropped): the camera's value in that form is no change.
            if (stored != platform::ProfileValueAsRead(current) &&
                stored != platform::ProfileDefaultAsRead(current))
                m_Device.AttrStringSet(name, stored);
            return;
        }
        case ePvDatatypeUint32: {
            uint32_t current = 0;
            if (!m_Device.GetNamedProperty(name, current)) return;
            const auto stored = static_cast<uint32_t>(
                platform::GetProfileInt(section, name, static_cast<int32_t>(current), m_IniPath));
            if (stored != current) m_Device.AttrUint32Set(name, stored);
            return;
        }
        default:
            // Floats are saved for reference only; commands and the rest have no value.
            return;
    }
}

void CCamera::SaveSettings() {
    ForEachWritableAttribute(m_Device, [this](const char* name) { SaveAttributeSetting(name); });
    char section[settings::kSectionSize];
    SettingsSection(section);
    platform::MutexLock lock(m_SettingsLock);
    m_Settings.Save(section, m_IniPath);
}

void CCamera::SaveAttributeSetting(const char* name) {
    char value[kValueTextSize + 1] = {};
    char section[settings::kSectionSize];
    SettingsSection(section);
    switch (m_Device.AttrType(name)) {
        case ePvDatatypeString:
        case ePvDatatypeEnum:
            if (!m_Device.AttrStringGet(name, value, kValueTextSize)) value[0] = '\0';
            break;
        case ePvDatatypeUint32: {
            uint32_t read = 0;
            if (m_Device.GetNamedProperty(name, read))
                std::snprintf(value, kValueTextSize, "%d", static_cast<int>(read));
            break;
        }
        case ePvDatatypeFloat32: {
            float read = 0;
            if (m_Device.AttrFloat32Get(name, read))
                std::snprintf(value, kValueTextSize, "%g", static_cast<double>(read));
            break;
        }
        default:
            break;
    }
    // A failed read or an empty text leaves the file's line as it was.
    if (value[0] != '\0') platform::WriteProfileString(section, name, value, m_IniPath);
}

void CCamera::LoadLut() {
    std::string file;
    std::string column;
    {
        platform::MutexLock lock(m_SettingsLock);
        if (m_Settings.m_UseLut == 0) return;
        file = m_Settings.m_LutFile;
        column = m_Settings.m_LutColumn;
    }
    // Outside the lock: reading a large table takes a while, and the sheet may ask for a copy.
    if (m_Stream.LoadLut(file.c_str(), column.c_str())) return;
    platform::MutexLock lock(m_SettingsLock);
    m_Settings.m_UseLut = 0;
    ApplyLutSetting();
}

}  // namespace tarnix
