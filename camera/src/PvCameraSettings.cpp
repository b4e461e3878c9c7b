// The camera's settings file section and its lookup table. One section per camera, named
// after the camera, so it finds its settings again on any port. Each key missing from the
// file leaves its member, or its camera attribute, as it was.
#include <base/SdkApi.h>
#include <platform/Profile.h>
#include <settings/IniFile.h>
#include <settings/ParseCsv.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "camera/PvCamera.h"

namespace tarnix {
namespace {

// Attribute values and file texts of up to 254 characters.
constexpr uint32_t kValueTextSize = 255;
// The table's file and column names: 255 characters and the terminator.
constexpr uint32_t kLutNameSize = 256;

std::string ReadProfileText(const char* section, const char* key, const std::string& current,
                            const char* file) {
    char text[kLutNameSize] = {};
    platform::GetProfileString(section, key, current.c_str(), text, sizeof text, file);
    return text;
}

}  // namespace

void CCamera::SettingsSection(char (&section)[settings::kSectionSize]) const {
    settings::FormatSectionName(m_Info.DisplayName, m_Info.SerialString, section);
}

template <typename Visit>
void CCamera::ForEachWritableAttribute(Visit visit) {
    tPvAttrListPtr list = nullptr;
    uint32_t count = 0;
    // The list is the SDK's, valid while the handle is open; it is neither copied nor freed.
    if (Sdk().PvAttrList(m_Handle.load(), &list, &count) != ePvErrSuccess || list == nullptr)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        const char* const name = list[i];
        if (name == nullptr) continue;
        tPvAttributeInfo info{};
        if (AttrInfo(name, info) && (info.Flags & ePvFlagWrite) != 0) visit(name);
    }
}

void CCamera::LoadSettings() {
    ForEachWritableAttribute([this](const char* name) { LoadAttributeSetting(name); });
    char section[settings::kSectionSize];
    SettingsSection(section);
    const char* const file = m_IniPath;
    auto readInt = [&](const char* key, int32_t current) {
        return platform::GetProfileInt(section, key, current, file);
    };
    m_Reconnect = readInt("Reconnect", m_Reconnect ? 1 : 0) != 0;
    // Unsigned settings travel as the file's signed text and back, bit for bit.
    m_ReconnectRetries = static_cast<uint32_t>(
        readInt("ReconnectRetries", static_cast<int32_t>(m_ReconnectRetries.load())));
    m_ReconnectDelay = static_cast<uint32_t>(
        readInt("ReconnectDelay", static_cast<int32_t>(m_ReconnectDelay.load())));
    m_Network = static_cast<uint32_t>(readInt("Network", static_cast<int32_t>(m_Network.load())));
    m_UseLut = readInt("UseLut", m_UseLut);
    {
        std::lock_guard<std::mutex> names(m_LutNamesLock);
        m_LutFile = ReadProfileText(section, "LutFile", m_LutFile, file);
        m_LutColumn = ReadProfileText(section, "LutColumn", m_LutColumn, file);
    }
    m_LutGenMinPix = readInt("LutGenMinPix", m_LutGenMinPix);
    m_LutGenMaxPix = readInt("LutGenMaxPix", m_LutGenMaxPix);
    m_LutGenSteepness = readInt("LutGenSteepness", m_LutGenSteepness);
}

void CCamera::LoadAttributeSetting(const char* name) {
    char section[settings::kSectionSize];
    SettingsSection(section);
    switch (AttrType(name)) {
        case ePvDatatypeString:
        case ePvDatatypeEnum: {
            char current[kValueTextSize] = {};
            if (!AttrStringGet(name, current, sizeof current)) return;
            char stored[kValueTextSize] = {};
            platform::GetProfileString(section, name, current, stored, sizeof stored, m_IniPath);
            if (std::strcmp(current, stored) != 0) AttrStringSet(name, stored);
            return;
        }
        case ePvDatatypeUint32: {
            uint32_t current = 0;
            if (!GetNamedProperty(name, current)) return;
            const auto stored = static_cast<uint32_t>(
                platform::GetProfileInt(section, name, static_cast<int32_t>(current), m_IniPath));
            if (stored != current) AttrUint32Set(name, stored);
            return;
        }
        default:
            // Floats are saved for reference only; commands and the rest have no value.
            return;
    }
}

void CCamera::SaveSettings() {
    ForEachWritableAttribute([this](const char* name) { SaveAttributeSetting(name); });
    char section[settings::kSectionSize];
    SettingsSection(section);
    const char* const file = m_IniPath;
    settings::WriteIniInt(section, "Reconnect", m_Reconnect ? 1 : 0, file);
    settings::WriteIniInt(section, "ReconnectRetries",
                          static_cast<int32_t>(m_ReconnectRetries.load()), file);
    settings::WriteIniInt(section, "ReconnectDelay", static_cast<int32_t>(m_ReconnectDelay.load()),
                          file);
    settings::WriteIniInt(section, "UseLut", m_UseLut, file);
    {
        std::lock_guard<std::mutex> names(m_LutNamesLock);
        platform::WriteProfileString(section, "LutFile", m_LutFile.c_str(), file);
        platform::WriteProfileString(section, "LutColumn", m_LutColumn.c_str(), file);
    }
    settings::WriteIniInt(section, "LutGenMinPix", m_LutGenMinPix, file);
    settings::WriteIniInt(section, "LutGenMaxPix", m_LutGenMaxPix, file);
    settings::WriteIniInt(section, "LutGenSteepness", m_LutGenSteepness, file);
    // "Network" is the GigE page's working value only; the file keeps what it had.
}

void CCamera::SaveAttributeSetting(const char* name) {
    char value[kValueTextSize + 1] = {};
    char section[settings::kSectionSize];
    SettingsSection(section);
    switch (AttrType(name)) {
        case ePvDatatypeString:
        case ePvDatatypeEnum:
            if (!AttrStringGet(name, value, kValueTextSize)) value[0] = '\0';
            break;
        case ePvDatatypeUint32: {
            uint32_t read = 0;
            if (GetNamedProperty(name, read))
                std::snprintf(value, kValueTextSize, "%d", static_cast<int>(read));
            break;
        }
        case ePvDatatypeFloat32: {
            float read = 0;
            if (AttrFloat32Get(name, read))
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
    if (m_UseLut == 0) return;
    std::memset(m_Lut.get(), 0, kLutSize);
    std::string file;
    std::string column;
    {
        std::lock_guard<std::mutex> names(m_LutNamesLock);
        file = m_LutFile;
        column = m_LutColumn;
    }
    settings::CsvReader reader(file.c_str());
    if (!reader.SelectColumn(column.c_str())) {
        // Missing file, unknown column, a line without it: frames go out without a table.
        m_UseLut = 0;
        return;
    }
    for (int32_t row = 0; row < reader.Count(); ++row) {
        const int32_t index = reader.Index(row);
        // Only the low 8 bits of a value count: 256 is 0, -1 is 255.
        if (index >= 0 && static_cast<uint32_t>(index) < kLutSize)
            m_Lut[static_cast<uint32_t>(index)] = static_cast<uint8_t>(reader.Value(row));
    }
}

namespace {

std::atomic<CCamera::ConfigDialogRunner> g_ConfigDialogRunner{nullptr};

}  // namespace

void CCamera::SetConfigDialogRunner(ConfigDialogRunner runner) {
    g_ConfigDialogRunner = runner;
}

bool CCamera::ShowConfigDialog() {
    const ConfigDialogRunner runner = g_ConfigDialogRunner;
    if (runner == nullptr) return false;
    try {
        if (!runner(*this)) return false;
        SaveSettings();
    } catch (...) {
        // Whatever broke the dialog, the host's call survives it; nothing is saved then, and
        // the dialog counts as shown.
    }
    return true;
}

}  // namespace tarnix
