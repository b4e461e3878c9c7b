// The demo sheet for a person to look at: without arguments it just shows it; with a folder
// it takes a screenshot of each tab and of the generator dialog into it, then closes.
#include <wx/button.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ActionSheet.h"
#include "GuiQueue.h"
#include "SheetWindows.h"
#include "harness/Wait.h"

namespace {

using namespace tarnix;
using namespace tarnix::test;

// The screen around the windows that are up, with a margin.
wxRect Windows() {
    wxRect around;
    gui::Run([&] {
        for (wxWindow* window : wxTopLevelWindows)
            if (window->IsShown()) around.Union(window->GetScreenRect());
    });
    return around.Inflate(8);
}

// GTK paints on its next frame, after the work that changed the window has returned.
void Screenshot(const std::string& path) {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const wxRect crop = Windows();
    const std::string command = "import -window root -crop " + std::to_string(crop.width) + "x" +
                                std::to_string(crop.height) + "+" + std::to_string(crop.x) + "+" +
                                std::to_string(crop.y) + " +repage '" + path + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

void TakeScreenshots(ActionSheet& sheet, const std::string& folder) {
    WaitUntil([&] { return !sheet.Demo(0).Events().empty(); });
    const char* names[] = {"general", "controls", "lut", "gige", "attributes"};
    for (int tab = 0; tab < 5; ++tab) {
        gui::SelectTab(tab);
        Screenshot(folder + "/tab-" + std::to_string(tab + 1) + "-" + names[tab] + ".png");
    }
    gui::SelectTab(ActionSheet::kLutTab);
    const auto generate = gui::Post([] { gui::Click(*gui::Sheet(), ui::kLutGenerate); });
    WaitUntil([] {
        bool up = false;
        gui::Run([&] { up = gui::Dialog("Generate LUT table") != nullptr; });
        return up;
    });
    Screenshot(folder + "/generator.png");
    gui::Run([] { gui::Click(*gui::Dialog("Generate LUT table"), ui::kIdCancel); });
    gui::Wait(generate);
    gui::Run([] { gui::Click(*gui::Sheet(), wxID_CANCEL); });
}

}  // namespace

int main(int argc, char** argv) {
    ActionSheet sheet;
    const std::string folder = argc > 1 ? argv[1] : "";
    const bool shown = gui::ShowDriven(sheet, [&] {
        if (!folder.empty()) TakeScreenshots(sheet, folder);
    });
    return shown ? 0 : 1;
}
