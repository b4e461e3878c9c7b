#include "settings/CameraSettings.h"

#include <platform/Profile.h>

#include <variant>

#include "settings/IniFile.h"

namespace tarnix::settings {
namespace {

// The longest text a key holds (255 characters) and its terminator.
constexpr uint32_t kTextSize = 256;

using Member = std::variant<bool CameraSettings::*, uint32_t CameraSettings::*,
                            int32_t CameraSettings::*, std::string CameraSettings::*>;

struct Setting {
    const char* key;
    Member member;
    int32_t defaultNumber;    // for the integer kinds (bools as 0 and 1)
    const char* defaultText;  // for the text kinds
    bool saved;
};

// The order is the file's order for a new section.
const Setting kSettings[] = {
    {"Reconnect", &CameraSettings::m_Reconnect, 1, nullptr, true},
    {"ReconnectRetries", &CameraSettings::m_ReconnectRetries, 3, nullptr, true},
    {"ReconnectDelay", &CameraSettings::m_ReconnectDelay, 500, nullptr, true},
    {"Network", &CameraSettings::m_Network, 1000, nullptr, false},
    {"UseLut", &CameraSettings::m_UseLut, 0, nullptr, true},
    {"LutFile", &CameraSettings::m_LutFile, 0, "", true},
    {"LutColumn", &CameraSettings::m_LutColumn, 0, "", true},
    {"LutGenMinPix", &CameraSettings::m_LutGenMinPix, 0, nullptr, true},
    {"LutGenMaxPix", &CameraSettings::m_LutGenMaxPix, 15, nullptr, true},
    {"LutGenSteepness", &CameraSettings::m_LutGenSteepness, 1, nullptr, true},
};

// Small overload set for std::visit.
template <typename... Kinds>
struct Overloaded : Kinds... {
    using Kinds::operator()...;
};
template <typename... Kinds>
Overloaded(Kinds...) -> Overloaded<Kinds...>;

}  // namespace

CameraSettings::CameraSettings() {
    for (const Setting& setting : kSettings) {
        std::visit(Overloaded{
                       [&](bool CameraSettings::*m) { this->*m = setting.defaultNumber != 0; },
                       [&](uint32_t CameraSettings::*m) {
                           this->*m = static_cast<uint32_t>(setting.defaultNumber);
                       },
                       [&](int32_t CameraSettings::*m) { this->*m = setting.defaultNumber; },
                       [&](std::string CameraSettings::*m) { this->*m = setting.defaultText; },
                   },
                   setting.member);
    }
}

void CameraSettings::Load(const char* section, const char* file) {
    auto readInt = [&](const char* key, int32_t current) {
        return platform::GetProfileInt(section, key, current, file);
    };
    for (const Setting& setting : kSettings) {
        const char* const key = setting.key;
        std::visit(
            Overloaded{
                [&](bool CameraSettings::*m) { this->*m = readInt(key, this->*m ? 1 : 0) != 0; },
                [&](uint32_t CameraSettings::*m) {
                    this->*m = static_cast<uint32_t>(readInt(key, static_cast<int32_t>(this->*m)));
                },
                [&](int32_t CameraSettings::*m) { this->*m = readInt(key, this->*m); },
                [&](std::string CameraSettings::*m) {
                    char text[kTextSize] = {};
                    platform::GetProfileString(section, key, (this->*m).c_str(), text, sizeof text,
                                               file);
                    this->*m = text;
                },
            },
            setting.member);
    }
}

void CameraSettings::Save(const char* section, const char* file) const {
    for (const Setting& setting : kSettings) {
        if (!setting.saved) continue;
        const char* const key = setting.key;
        std::visit(
            Overloaded{
                [&](bool CameraSettings::*m) { WriteIniInt(section, key, this->*m ? 1 : 0, file); },
                [&](uint32_t CameraSettings::*m) {
                    WriteIniInt(section, key, static_cast<int32_t>(this->*m), file);
                },
                [&](int32_t CameraSettings::*m) { WriteIniInt(section, key, this->*m, file); },
                [&](std::string CameraSettings::*m) {
                    platform::WriteProfileString(section, key, (this->*m).c_str(), file);
                },
            },
            setting.member);
    }
}

void CameraSettings::TakeChanges(const CameraSettings& before, const CameraSettings& after) {
    for (const Setting& setting : kSettings) {
        std::visit(
            [&](auto CameraSettings::*m) {
                if (before.*m != after.*m) this->*m = after.*m;
            },
            setting.member);
    }
}

}  // namespace tarnix::settings
