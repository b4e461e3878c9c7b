#include "SettingsFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tarnix::camhost {
namespace {

// The driver's own name for its settings file.
constexpr const char* kSettingsFileName = "Tarnix.ini";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string SettingsFileIn(const std::string& folder) {
    if (folder.empty()) return kSettingsFileName;
    return (std::filesystem::path(folder) / kSettingsFileName).string();
}

std::string DefaultSettingsFolder(std::string& problem) {
#ifdef _WIN32
    const std::string appData = Environment("APPDATA");
    if (!appData.empty()) return (std::filesystem::path(appData) / "Tarnix").string();
    problem = "APPDATA is not set";
    return "";
#else
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    const std::string config = Environment("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/')
        return (std::filesystem::path(config) / "tarnix").string();
    const std::string home = Environment("HOME");
    if (!home.empty()) return (std::filesystem::path(home) / ".config" / "tarnix").string();
    problem = "neither XDG_CONFIG_HOME nor HOME is set";
    return "";
#endif
}

std::string ChooseSettingsFolder(const std::string& given, std::string& problem) {
    if (!given.empty()) return given;
    std::string folder = DefaultSettingsFolder(problem);
    if (folder.empty()) return "";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        problem = "cannot make " + folder + ": " + error.message();
        return "";
    }
    return folder;
}

}  // namespace tarnix::camhost
