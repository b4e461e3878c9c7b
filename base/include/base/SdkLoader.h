// Loading the SDK library and resolving the functions of the SDK table.
#pragma once

#include <string>

#include "base/SdkApi.h"

namespace tarnix {

// File name of the SDK library on this platform: PvAPI.dll or libPvAPI.so.
const char* SdkLibraryName();

enum class SdkLoadResult { kLoaded, kLibraryNotFound, kFunctionMissing };

// Loads one library file and resolves every SDK function (by ordinal on Windows, by name
// elsewhere). On failure releases the library and sets problem to one diagnostic text
// naming what is missing.
SdkLoadResult LoadSdkLibrary(const char* fileName, SdkApi& api, std::string& problem);

// Loads the SDK from the driver's own folder, then through the system's normal library
// search, and installs it for the process. Does nothing when it is installed already. On
// failure sets problem as LoadSdkLibrary does. Called under the driver's start-up lock.
bool EnsureSdkLoaded(std::string& problem);

}  // namespace tarnix
