// The demo sheet shown for people to look at (scripts/win32-sheet-shots.sh): on a given tab,
// or on the LUT tab with the generator dialog open over it. Prints "ready" once it is up and
// closes the sheet when its standard input ends.
//   ui_win32_sheet_demo [TAB | generator]
#include <ui/ControlIds.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "HookSheet.h"
#include "SheetDriver.h"

int main(int argc, char** argv) {
    using namespace tarnix;
    const std::string what = argc > 1 ? argv[1] : "0";
    const bool generator = what == "generator";
    const int tab =
        generator ? static_cast<int>(test::HookSheet::kLutTab) : std::atoi(what.c_str());
    test::HookSheet sheet;
    const bool shown = test::RunDriven(sheet, [&](test::SheetDriver& user) {
        if (!user.WaitForSheet()) return;
        user.SelectTab(tab);
        if (!user.WaitForTab(tab)) return;
        if (generator) {
            test::SheetDriver::Click(user.Page(tab), ui::kLutGenerate);
            if (!user.WaitForOwned(user.Sheet())) return;
        }
        std::puts("ready");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
    });
    return shown ? 0 : 1;
}
