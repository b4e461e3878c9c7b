// System services on Win32.
#include "platform/System.h"

// winsock2.h before windows.h, which would otherwise bring in the older winsock.h.
#include <windows.h>
#include <winsock2.h>

#include <cstdio>

namespace tarnix::platform {

void ShowMessageBox(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK);
}

uint32_t CurrentDirectory(char* buffer, uint32_t size) {
    if (!buffer || size == 0) return 0;
    const DWORD length = GetCurrentDirectoryA(size, buffer);
    // A result of size or more is the size the buffer would need.
    if (length == 0 || length >= size) {
        buffer[0] = '\0';
        return 0;
    }
    return length;
}

void SleepMs(uint32_t milliseconds) {
    Sleep(milliseconds);
}

void LocalClockTime(char* buffer, uint32_t size) {
    if (!buffer || size == 0) return;
    SYSTEMTIME local;
    GetLocalTime(&local);
    std::snprintf(buffer, size, "%02u:%02u:%02u", static_cast<unsigned>(local.wHour),
                  static_cast<unsigned>(local.wMinute), static_cast<unsigned>(local.wSecond));
}

uint32_t InetAddr(const char* text) {
    if (!text) return INADDR_NONE;
    return inet_addr(text);
}

LibraryHandle LoadSharedLibrary(const char* fileName) {
    if (!fileName) return nullptr;
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(fileName));
}

void FreeSharedLibrary(LibraryHandle library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

void* FindFunction(LibraryHandle library, const char* name) {
    if (!library || !name) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void* FindFunctionByOrdinal(LibraryHandle library, uint16_t ordinal) {
    if (!library || ordinal == 0) return nullptr;
    return reinterpret_cast<void*>(
        GetProcAddress(static_cast<HMODULE>(library), MAKEINTRESOURCEA(ordinal)));
}

}  // namespace tarnix::platform
