#include "Startup.h"

#include <unistd.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/thread.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "ui/ToolkitModule.h"

namespace tarnix::ui::wx {
namespace {

// The application object of a host that is no wx program. It has nothing to initialise: the
// sheet is its only window, and the host's command line is not ours to parse.
class ModuleApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// A failed assertion in wx must not open wx's own "stop the program?" box in the host, nor
// abort it: it becomes a line on standard error.
void ReportAssert(const wxString& file, int line, const wxString& function,
                  const wxString& condition, const wxString& message) {
    std::fprintf(stderr, "wxWidgets assertion failed: %s:%d %s: %s %s\n",
                 static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(function.utf8_str()),
                 static_cast<const char*>(condition.utf8_str()),
                 static_cast<const char*>(message.utf8_str()));
}

std::string ProgramName() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "Camera";
    const std::string full(path, static_cast<size_t>(length));
    return full.substr(full.find_last_of('/') + 1);
}

// Starts wx on the calling thread, which becomes its main thread. Empty on success.
std::string StartWx() {
    if (wxTheApp != nullptr) {
        // The host is a wx program itself: its application and its main thread rule.
        return wxThread::IsMain() ? std::string() : "the host's wxWidgets runs on another thread";
    }
    // wx keeps pointers to its arguments for the life of the process.
    static std::string arg0 = HostProgramName();
    static char* argv[] = {arg0.data(), nullptr};
    static int argc = 1;
    wxApp::SetInstance(new ModuleApp);
    {
        wxLogNull quiet;  // the failure is reported to the caller, not on standard error
        if (!wxEntryStart(argc, argv)) return "the display cannot be opened";
    }
    wxSetAssertHandler(ReportAssert);
    // wx's log messages would otherwise pop up boxes of their own in the host.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    return {};
}

}  // namespace

const std::string& HostProgramName() {
    static const std::string name = ProgramName();
    return name;
}

std::string PrepareToolkit() {
    // GTK belongs to one thread: the first showing's. It is never shut down, since the host
    // may show the sheet again at any time, and GTK cannot be started a second time anyway.
    // No lock of ours is held while wx starts: wx's main thread holds wx's own lock from then
    // on, so holding ours around the start would order the two both ways.
    static std::once_flag once;
    static std::atomic<bool> started{false};
    static std::thread::id owner;
    static std::string startFailure;
    if (!started && !DisplayNamed()) return "no display";
    std::call_once(once, [] {
        owner = std::this_thread::get_id();
        startFailure = StartWx();
        started = true;
    });
    if (!startFailure.empty()) return startFailure;
    if (std::this_thread::get_id() != owner)
        return "the dialog can only be shown on the thread that showed it first";
    return {};
}

}  // namespace tarnix::ui::wx
