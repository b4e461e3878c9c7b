// Where the driver library itself was loaded from, so the SDK beside it is found first.
#pragma once

#include <string>

namespace tarnix {

// Recorded by the library's entry point on Windows; null means the executable itself
// (static test programs).
void SetDriverModule(void* module);
void* DriverModule();

// Folder of the module that holds the driver code, without a trailing separator; empty
// when it cannot be determined.
std::string DriverFolder();

}  // namespace tarnix
