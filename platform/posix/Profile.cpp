// The private-profile functions on SimpleIni, with the Win32 rules for what a read returns.
#include "platform/Profile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "IniDocument.h"
#include "ProfileCache.h"
#include "ProfileFile.h"
#include "common/ProfileText.h"

namespace tarnix::platform {
namespace {

using detail::IniDocument;

uint32_t CopyOut(std::string_view text, char* buffer, uint32_t size) {
    const size_t count = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

std::optional<std::string> ReadValue(const char* section, const char* key, const char* file) {
    if (!section || !key || !file) return std::nullopt;
    const std::shared_ptr<const IniDocument> document = detail::ReadProfileDocument(file);
    if (!document) return std::nullopt;
    const char* value = document->Find(section, key);
    if (!value) return std::nullopt;
    // The INI library drops the blanks around a value; matching quotes are not part of it either.
    return std::string(ProfileUnquoted(value));
}

}  // namespace

int32_t GetProfileInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file) {
    const std::optional<std::string> value = ReadValue(section, key, file);
    // An empty value counts as missing, as with the Win32 call.
    if (!value || value->empty()) return defaultValue;
    return detail::ParseLeadingDecimal(*value);
}

uint32_t GetProfileString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t size, const char* file) {
    if (!buffer || size == 0) return 0;
    const std::optional<std::string> value = ReadValue(section, key, file);
    if (value) return CopyOut(*value, buffer, size);
    return CopyOut(ProfileDefaultAsRead(defaultValue ? defaultValue : ""), buffer, size);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) {
    if (!section || !file) return false;
    bool rewritten = false;
    const bool ok =
        detail::UpdateProfileFile(file, [&](const std::string& text) -> std::optional<std::string> {
            IniDocument document;
            document.Parse(text);
            bool changed;
            if (!key) {
                changed = document.RemoveSection(section);
            } else if (!value) {
                changed = document.RemoveKey(section, key);
            } else {
                changed = document.Set(section, key, value);
            }
            if (!changed) return std::nullopt;
            rewritten = true;
            return document.Serialize();
        });
    // The next read takes the new file, without relying on its status to tell it from the old.
    if (rewritten) detail::ForgetProfileDocument(file);
    return ok;
}

}  // namespace tarnix::platform
