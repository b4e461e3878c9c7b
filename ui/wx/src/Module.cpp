// The module's one export: the sheet, shown modally on the calling thread.
#include <cstdio>
#include <exception>
#include <string>
#include <type_traits>

#include "Failure.h"
#include "SheetDialog.h"
#include "Startup.h"
#include "ui/ToolkitModule.h"

namespace {

int Refuse(const std::string& why, char* reason, unsigned reasonSize) {
    if (reason != nullptr && reasonSize > 0) std::snprintf(reason, reasonSize, "%s", why.c_str());
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int tarnix_ui_run_sheet(
    tarnix::ui::SheetModel* sheet, char* reason, unsigned reasonSize) {
    using namespace tarnix::ui::wx;
    try {
        if (sheet == nullptr) return Refuse("no sheet", reason, reasonSize);
        const std::string refused = PrepareToolkit();
        if (!refused.empty()) return Refuse(refused, reason, reasonSize);
        Failure failure;
        SheetDialog(*sheet, failure).Run();
        if (failure.Happened())
            return Refuse("the dialog ended on an error: " + failure.What(), reason, reasonSize);
        return 1;
    } catch (const std::exception& error) {
        return Refuse(std::string("the dialog could not be made: ") + error.what(), reason,
                      reasonSize);
    } catch (...) {
        return Refuse("the dialog could not be made", reason, reasonSize);
    }
}

static_assert(std::is_same_v<decltype(&tarnix_ui_run_sheet), tarnix::ui::RunSheetEntry>,
              "the export must match what the loader calls");
