// camhost configure: one camera's configuration dialog on the desktop, through the driver.
#include <cstdio>
#include <string>

#include "HostSession.h"

namespace tarnix::camhost {

int RunConfigure(const Options& options, const std::string& wanted) {
    HostSession session(options);
    if (!session.Start()) return 2;
    std::string name = wanted;
    if (name.empty()) {
        const std::vector<std::string> names = session.CameraNames();
        if (names.empty()) {
            std::fprintf(stderr, "camhost: no camera found\n");
            return 2;
        }
        name = names.front();
    }
    OpenedCamera camera;
    if (!session.Open(0, name, camera)) return 2;
    // Modal: returns once the user closed the dialog.
    if (!session.driver().configureCamera(0, name.c_str())) {
        std::fprintf(stderr, "camhost: the configuration dialog of %s could not be shown\n",
                     name.c_str());
        return 1;
    }
    std::printf("%s configured\n", name.c_str());
    return 0;
}

}  // namespace tarnix::camhost
