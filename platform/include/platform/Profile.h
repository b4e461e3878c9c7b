// Private-profile (INI) functions with the meaning of their Win32 namesakes
// (GetPrivateProfileIntA, GetPrivateProfileStringA, WritePrivateProfileStringA). On Windows
// they are the real calls, except that a key of a section already read once from an unchanged
// file is answered from that read (one GetPrivateProfileSectionA call), with the same result;
// elsewhere they are built on an INI library and keep the same file layout: sections and keys
// in file order, an existing key updated where it stands, a new key appended to its section, a
// new section appended to the file.
//
// Paths: on Windows a bare file name is looked up in the Windows directory, as the Win32
// functions do; elsewhere it is relative to the current directory. Writers of one file,
// in one process or several, lock it around each read-modify-write so no key is lost.
//
// Section and key names compare without regard to case and to blanks around them. Values are
// read without the blanks around them and without a pair of matching quotes around them.
// Files are written as "[section]" and "key=value" lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#ifdef _WIN32
// windows.h defines GetProfileInt, GetProfileString and WriteProfileString as macros for its
// win.ini functions, which would rename ours wherever it is included after this header.
// Include it first and drop those three (use GetProfileIntA and the like for win.ini).
#include <windows.h>
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
#endif

namespace tarnix::platform {

// The key's value read as leading decimal text (optional sign, reading stops at the first
// other character, wrapping at 32 bits), or defaultValue when the key is missing or its value
// empty. Text without leading digits gives 0, as on Windows.
int32_t GetProfileInt(const char* section, const char* key, int32_t defaultValue, const char* file);

// Copies the key's value, or defaultValue (without trailing blanks) when the key is missing,
// into buffer (at most size - 1 characters and a terminating NUL). Returns the number of
// characters copied; 0 and nothing written when buffer is null or size is 0.
uint32_t GetProfileString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t size, const char* file);

// A text as a read gives it back: stored as a key's value (blanks around it and a pair of
// matching quotes dropped), or passed as the default of a missing key (blanks at its end and a
// pair of matching quotes dropped). A caller compares what a read returned with the form of the
// text it holds, not with the text itself.
inline std::string_view ProfileUnquoted(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}
inline std::string ProfileValueAsRead(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(ProfileUnquoted(text));
}
inline std::string ProfileDefaultAsRead(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(ProfileUnquoted(text));
}

// Sets the key's value, creating the file, section and key as needed. As with the Win32
// call, a null value removes the key and a null key the whole section. Returns false when the
// file could not be written.
bool WriteProfileString(const char* section, const char* key, const char* value, const char* file);

}  // namespace tarnix::platform
