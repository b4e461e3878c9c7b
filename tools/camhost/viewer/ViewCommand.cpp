// camhost view: a window with one camera's live image.
#include <cstdio>

#include "../Commands.h"
#include "ViewerWindow.h"

namespace tarnix::camhost {

int RunView(const Options& options, const ViewOptions& view) {
    std::string why;
    if (!OpenDisplay(why)) {
        std::fprintf(stderr, "camhost: %s\n", why.c_str());
        return 2;
    }
    ViewerSession session(options, view);
    if (!session.Start()) return 2;
    if (!view.pattern.empty() && !SetSimulatorPattern(options, view.pattern)) return 2;
    if (view.frameRate > 0 && !SetSimulatorFrameRate(options, view.frameRate)) return 2;
    if (!session.Open()) return 2;
    return RunViewerWindow(session);
}

}  // namespace tarnix::camhost
