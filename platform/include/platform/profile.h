// Private-profile (INI) functions with the meaning of their Win32 namesakes
// (GetPrivateProfileIntA, GetPrivateProfileStringA, WritePrivateProfileStringA). On Windows
// they are the real calls; elsewhere they are built on an INI library and keep the same
// file layout: sections and keys in file order, an existing key updated where it stands, a
// new key appended to its section, a new section appended to the file.
//
// Paths: on Windows a bare file name is looked up in the Windows directory, as the Win32
// functions do; elsewhere it is relative to the current directory. Writers of one file,
// in one process or several, lock it around each read-modify-write so no key is lost.
#pragma once

#include <cstdint>

namespace platform {

// The key's value read as leading decimal text (optional sign), or defaultValue when the
// key is missing. Text without leading digits gives 0, as on Windows.
int32_t GetProfileInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file);

// Copies the key's value, or defaultValue when the key is missing, into buffer (at most
// size - 1 characters and a terminating NUL). Returns the number of characters copied.
uint32_t GetProfileString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t size, const char* file);

// Sets the key's value, creating the file, section and key as needed. Returns false when the
// file could not be written.
bool WriteProfileString(const char* section, const char* key, const char* value,
                        const char* file);

}  // namespace platform
