// Which camera SDK camhost runs the driver on. The driver loads the SDK found beside itself,
// so each SDK has a folder of its own with a driver in it: choosing the SDK is choosing the
// folder the driver is loaded from.
#pragma once

#include <string>
#include <vector>

namespace tarnix::camhost {

// The names --sdk takes; the first is the default.
inline const std::vector<std::string> kSdkNames = {"sim", "gige"};

// The folder, with a trailing separator, of the driver for sdk. Tried in this order: beside
// camhost ("gige/" below it for the GigE Vision SDK), as in the build tree and the Windows
// package, then the private library folder of an installed tree. Empty when none holds the
// driver, and problem then says which SDK and where camhost looked.
std::string FindDriverFolder(const std::string& sdk, std::string& problem);

}  // namespace tarnix::camhost
