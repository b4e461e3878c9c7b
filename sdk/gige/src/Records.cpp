#include "Records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tarnix::gige {
namespace {

template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
    const size_t n = std::min(N - 1, text.size());
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

}  // namespace

void FillCameraInfo(const DeviceRecord& device, uint32_t id, bool masterHeld, tPvCameraInfo& info) {
    std::memset(&info, 0, sizeof info);
    info.UniqueId = id;
    CopyField(info.SerialString, device.serial);
    info.PartNumber = PartNumberOf(device.model);
    info.PermittedAccess = masterHeld ? ePvAccessMonitor : ePvAccessMonitor | ePvAccessMaster;
    info.InterfaceType = ePvInterfaceEthernet;
    CopyField(info.DisplayName, device.userName.empty() ? device.model : device.userName);
}

void FillIpSettings(const DeviceRecord& device, tPvIpSettings& settings) {
    std::memset(&settings, 0, sizeof settings);
    settings.CurrentIpAddress = device.address;
}

uint32_t PartNumberOf(const std::string& model) {
    const auto first =
        std::find_if(model.begin(), model.end(), [](char c) { return c >= '0' && c <= '9'; });
    uint64_t number = 0;
    for (auto it = first; it != model.end() && *it >= '0' && *it <= '9'; ++it) {
        number = number * 10 + uint64_t(*it - '0');
        if (number > UINT32_MAX) return 0;  // more digits than a part number has
    }
    return uint32_t(number);
}

bool ParseDottedAddress(const char* text, uint32_t& address) {
    if (text == nullptr) return false;
    uint8_t bytes[4];
    const char* p = text;
    for (int i = 0; i < 4; ++i) {
        unsigned value = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9' && digits < 4) {
            value = value * 10 + unsigned(*p++ - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        bytes[i] = uint8_t(value);
        if (i < 3 && *p++ != '.') return false;
    }
    if (*p != '\0') return false;
    std::memcpy(&address, bytes, 4);
    return true;
}

std::string DottedAddress(uint32_t registerValue) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(registerValue >> 24),
                  unsigned(registerValue >> 16 & 255), unsigned(registerValue >> 8 & 255),
                  unsigned(registerValue & 255));
    return text;
}

tPvErr CopyText(const char* text, char* buffer, uint32_t bufferSize, uint32_t* size) {
    const size_t length = std::strlen(text);
    if (buffer == nullptr || length + 1 > bufferSize) return ePvErrBadParameter;
    std::memcpy(buffer, text, length + 1);
    if (size != nullptr) *size = uint32_t(length);
    return ePvErrSuccess;
}

}  // namespace tarnix::gige
