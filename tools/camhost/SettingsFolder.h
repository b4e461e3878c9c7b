// Where camhost keeps the driver's settings file unless --system-path says otherwise: the
// user's configuration folder, so a camera's settings follow the user and not the folder
// camhost happens to run in.
#pragma once

#include <string>

namespace tarnix::camhost {

// The driver's settings file in folder (as the driver names it).
std::string SettingsFileIn(const std::string& folder);

// $XDG_CONFIG_HOME/tarnix, else ~/.config/tarnix; %APPDATA%\Tarnix on Windows. Empty, with
// problem set, when neither variable is usable. The folder is not created here.
std::string DefaultSettingsFolder(std::string& problem);

// The folder the driver is started with: the one given, else the default one, created on
// first use. A default folder that cannot be had or made gives "" (the current folder) and a
// warning in problem.
std::string ChooseSettingsFolder(const std::string& given, std::string& problem);

}  // namespace tarnix::camhost
