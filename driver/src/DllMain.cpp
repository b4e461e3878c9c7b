// Entry point of the Windows library: records the module handle, so the SDK is looked for
// beside the driver and the UI framework knows its module. Reports success for every call.
#include <base/ModuleFolder.h>
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) tarnix::SetDriverModule(instance);
    return TRUE;
}
