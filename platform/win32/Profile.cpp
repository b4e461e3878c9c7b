// The real Win32 private-profile functions. A read of a key of an unchanged file is answered
// from the kept read of its section (ProfileCache.h) with what the per-key call returns, and
// wherever that cannot be told for sure, it is the per-key call.
#include "platform/Profile.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "ProfileCache.h"
#include "common/ProfileText.h"

namespace tarnix::platform {
namespace {

// Copies a value or a default as GetPrivateProfileStringA does: without one pair of matching
// quotes, cut to size - 1 characters. False, with nothing copied, where only the call can
// tell: a text in quotes that the buffer cuts or just holds (Wine then drops one more
// character of it), and a cut text beyond ASCII (the call cuts characters of the ANSI code
// page, which may take two bytes).
bool CopyOut(std::string_view text, char* buffer, uint32_t size, uint32_t& copied) {
    const std::string_view unquoted = ProfileUnquoted(text);
    if (unquoted.size() != text.size() && size <= unquoted.size() + 1) return false;
    if (unquoted.size() >= size && detail::HasHighBytes(unquoted)) return false;
    const size_t count = std::min<size_t>(unquoted.size(), size - 1);
    std::memcpy(buffer, unquoted.data(), count);
    buffer[count] = '\0';
    copied = static_cast<uint32_t>(count);
    return true;
}

// Wine reads an integer's value into 30 characters, and takes 0x, 0o and 0b prefixes: such
// values are left to the call.
bool PlainDecimal(std::string_view text) {
    if (text.size() >= 29) return false;
    size_t at = 0;
    while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ') ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (at + 1 >= text.size() || text[at] != '0') return true;
    return !std::strchr("xXoObB", text[at + 1]);
}

}  // namespace

int32_t GetProfileInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file) {
    std::string value;
    switch (detail::FindKeptValue(file, section, key, value)) {
        case detail::KeptValue::Missing:
            return defaultValue;
        case detail::KeptValue::Found: {
            const std::string_view text = ProfileUnquoted(value);
            if (!PlainDecimal(text)) break;
            // An empty value counts as missing, as with the call.
            return text.empty() ? defaultValue : detail::ParseLeadingDecimal(text);
        }
        case detail::KeptValue::Unknown:
            break;
    }
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, defaultValue, file));
}

uint32_t GetProfileString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t size, const char* file) {
    if (!buffer || size == 0) return 0;
    std::string value;
    uint32_t copied = 0;
    switch (detail::FindKeptValue(file, section, key, value)) {
        case detail::KeptValue::Found:
            if (CopyOut(value, buffer, size, copied)) return copied;
            break;
        case detail::KeptValue::Missing: {
            // The call drops the blanks at the end of the default, but keeps one of a default
            // of blanks only (Wine), and may convert other bytes than ASCII.
            std::string_view text = defaultValue ? defaultValue : "";
            while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
            const bool onlyBlanks = text.empty() && defaultValue && defaultValue[0] != '\0';
            if (!onlyBlanks && !detail::HasHighBytes(text) && CopyOut(text, buffer, size, copied)) {
                return copied;
            }
            break;
        }
        case detail::KeptValue::Unknown:
            break;
    }
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) {
    const bool ok = WritePrivateProfileStringA(section, key, value, file) != FALSE;
    // The next read takes the new file, without relying on its status to tell it from the old.
    if (file) detail::ForgetKeptSections(file);
    return ok;
}

}  // namespace tarnix::platform
