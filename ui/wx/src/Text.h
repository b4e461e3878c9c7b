// Texts between the page logic (std::string, UTF-8) and wx. Text that is not UTF-8 (a name
// the SDK gives in Latin-1) is shown as Latin-1 rather than dropped.
#pragma once

#include <wx/string.h>

#include <string>

namespace tarnix::ui::wx {

inline wxString ToWx(const char* text) {
    if (text == nullptr) return {};
    const wxString utf8 = wxString::FromUTF8(text);
    return utf8.empty() && *text != '\0' ? wxString(text, wxConvISO8859_1) : utf8;
}

inline wxString ToWx(const std::string& text) {
    return ToWx(text.c_str());
}

inline std::string FromWx(const wxString& text) {
    return text.utf8_string();
}

}  // namespace tarnix::ui::wx
