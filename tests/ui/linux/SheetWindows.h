// The sheet's windows as a test sees and works them. The user's actions go through GTK's own
// signals, as a click or a key press does, or are real clicks and keys on the virtual display, so
// they reach the view the way a user's do.
#pragma once

#include <wx/dialog.h>
#include <wx/propdlg.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/SheetModel.h"

namespace tarnix::test::gui {

// --- From the driving thread ---

// Shows the sheet with ui::RunSheet on the calling thread while script drives it from another
// thread; whatever the script left open is closed afterwards. Returns RunSheet's result.
bool ShowDriven(ui::SheetModel& sheet, const std::function<void()>& script);
// Clicks the tab with the mouse; returns once the click is sent, not handled.
void ClickTab(int index);
// Clicks the tab and waits until it is current; false when it did not become current.
bool SelectTab(int index);
// Clicks into a control with the mouse, then presses keys (xdotool's names, "alt+Down").
void ClickAndPress(int id, const std::string& keys);

// --- On the sheet's thread (inside gui::Run or gui::Post) ---

// The showing sheet, or null.
wxPropertySheetDialog* Sheet();
// The showing modal dialog with this title, or null.
wxDialog* Dialog(const std::string& title);
// A control of any showing window by its id, or null when it is no Control.
template <typename Control>
Control* Find(int id) {
    return dynamic_cast<Control*>(wxWindow::FindWindowById(id));
}

int CurrentTab();
// The middle of the tab's label on the screen.
wxPoint TabCentre(int index);
// Switches the page as GTK's own interface does (and accessibility tools through it), which
// unlike a click goes ahead even when the sheet keeps the page.
void SwitchPageThroughGtk(int index);
// A button (also the sheet's OK, Cancel and Apply, or a check box) of window.
void Click(wxWindow& window, int id);
// Replaces the text of an edit or of a combo box's edit part, as typing does.
void Type(int id, const std::string& text);
// Picks an entry of a combo box's list.
void Choose(int id, int index);
// The middle of a control on the screen.
wxPoint ControlCentre(int id);

struct MessageBox {
    std::string title;
    std::string text;
    bool warning = false;
    bool error = false;
};
// The message box that is showing, answered with OK; nothing when none is.
std::optional<MessageBox> AnswerMessageBox();

struct FileChooser {
    std::string title;
    std::string folder;
    std::string name;    // a save dialog's file name
    std::string filter;  // the name of its one filter
    int filters = 0;
};
// The file dialog that is showing; nothing when none is.
std::optional<FileChooser> ShownFileChooser();
// Ends it: with the name typed into a save dialog, or cancelled when name is empty.
void AnswerFileChooser(const std::string& name);

// Ends the innermost window that is showing (a message box, a file dialog, a modal dialog or
// the sheet itself); false when none is.
bool CloseInnermost();

}  // namespace tarnix::test::gui
