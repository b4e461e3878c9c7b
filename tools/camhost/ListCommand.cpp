// camhost list: starts the driver (its version and banner lines are printed as they come),
// then the cameras it finds with their configuration names, then the settings file in use.
#include <cstdio>

#include "HostSession.h"

namespace tarnix::camhost {

int RunList(const Options& options) {
    HostSession session(options);
    if (!session.Start()) return 2;
    std::vector<std::string> names = session.CameraNames();
    std::printf("%zu camera(s)\n", names.size());
    for (size_t i = 0; i < names.size(); ++i) std::printf("  %zu: %s\n", i, names[i].c_str());
    std::printf("settings file: %s\n", session.SettingsFile().c_str());
    return 0;
}

}  // namespace tarnix::camhost
