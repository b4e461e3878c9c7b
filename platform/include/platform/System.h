// Small system services the driver needs on both targets.
#pragma once

#include <cstdint>

namespace tarnix::platform {

// The separator between a folder and a file name in settings paths: '\\' on Windows, '/'
// elsewhere.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Shows a modal message with one OK button. On Windows: MessageBoxA without an owner
// window. Elsewhere: a dialog of the GUI toolkit when a display is available, otherwise the
// caption and text on standard error.
void ShowMessageBox(const char* text, const char* caption);

// Writes the current directory into buffer (NUL-terminated). Returns its length, or 0 when
// it does not fit or cannot be read (the buffer then holds an empty text).
uint32_t CurrentDirectory(char* buffer, uint32_t size);

void SleepMs(uint32_t milliseconds);

// The local wall-clock time as "HH:MM:SS" (24-hour), into buffer; at least 9 bytes.
void LocalClockTime(char* buffer, uint32_t size);

// Dotted IPv4 text to an address in network byte order, as inet_addr parses it
// (INADDR_NONE, 0xFFFFFFFF, for text it rejects).
uint32_t InetAddr(const char* text);

// Dynamic libraries: on Windows LoadLibraryA/GetProcAddress, elsewhere dlopen/dlsym (loaded
// with RTLD_NOW | RTLD_LOCAL). A bare file name is searched as each system does: on Windows
// the program's folder comes first; elsewhere only the dynamic linker's paths are searched,
// neither the program's folder nor the current directory, so pass a path to load from a
// folder of your own.
using LibraryHandle = void*;
LibraryHandle LoadSharedLibrary(const char* fileName);  // nullptr on failure
void FreeSharedLibrary(LibraryHandle library);
void* FindFunction(LibraryHandle library, const char* name);
// By export ordinal; on targets without ordinals it returns nullptr.
void* FindFunctionByOrdinal(LibraryHandle library, uint16_t ordinal);

}  // namespace tarnix::platform
