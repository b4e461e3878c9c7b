// RunSheet on Linux: the sheet is shown by the wx module beside the driver, loaded at the
// first showing so that a host that never configures a camera never loads a GUI toolkit.
#include <base/Diagnostics.h>
#include <base/ModuleFolder.h>
#include <dlfcn.h>
#include <platform/System.h>

#include <mutex>
#include <string>

#include "ui/Toolkit.h"
#include "ui/ToolkitModule.h"

namespace tarnix::ui {
namespace {

// The module's entry, or why there is none. Loaded once and kept for the rest of the process:
// wx and GTK cannot be unloaded, and a failed load is not tried again.
struct Module {
    RunSheetEntry entry = nullptr;
    std::string problem;
};

Module Load() {
    Module module;
    const std::string folder = DriverFolder();
    if (folder.empty()) {
        module.problem = "the driver's folder is not known";
        return module;
    }
    const std::string path = folder + '/' + kToolkitModuleFile;
    platform::LibraryHandle library = platform::LoadSharedLibrary(path.c_str());
    if (library == nullptr) {
        // dlerror names the file that is missing: the module itself or a library it needs.
        const char* detail = dlerror();
        module.problem = path + " cannot be loaded" + (detail ? std::string(": ") + detail : "");
        return module;
    }
    module.entry =
        reinterpret_cast<RunSheetEntry>(platform::FindFunction(library, kRunSheetSymbol));
    if (module.entry == nullptr)
        module.problem = std::string(kToolkitModuleFile) + " has no " + kRunSheetSymbol;
    return module;
}

const Module& LoadedModule() {
    static std::once_flag once;
    static Module module;
    std::call_once(once, [] { module = Load(); });
    return module;
}

bool NotShown(const std::string& why) {
    DebugMsg("Configuration dialog not shown: %s\n", why.c_str());
    return false;
}

}  // namespace

bool RunSheet(SheetModel& sheet) {
    // Before loading: a host without a display never loads a toolkit.
    if (!DisplayNamed()) return NotShown("no display");
    const Module& module = LoadedModule();
    if (module.entry == nullptr) return NotShown(module.problem);
    char reason[256] = "";
    if (module.entry(&sheet, reason, sizeof reason) == 0) return NotShown(reason);
    return true;
}

}  // namespace tarnix::ui
