// Drives a sheet shown on another thread as a user would: windows found by caption and owner,
// tabs and buttons through the property sheet's messages, text typed with WM_SETTEXT (the
// control then reports the change itself), clicks with BM_CLICK, keys as keyboard input. Whatever
// may open a modal window is posted, so the driving thread never waits on the sheet's message loop.
#pragma once

#include <windows.h>
// windows.h first: commctrl.h depends on it.
#include <commctrl.h>
#include <ui/SheetModel.h>

#include <functional>
#include <string>
#include <vector>

namespace tarnix::test {

class SheetDriver {
  public:
    SheetDriver(DWORD sheetThread, std::string caption)
        : m_Thread(sheetThread), m_Caption(std::move(caption)) {}

    // Waits until the sheet is up with its first page; null if it never came.
    HWND WaitForSheet();
    HWND Sheet() const { return m_Sheet; }
    // The thread the sheet runs on.
    DWORD Thread() const { return m_Thread; }
    // The page window of a tab; null if the page was never created.
    HWND Page(int index) const;
    int CurrentTab() const;
    bool ApplyEnabled() const;

    // Posted: a tab change or a sheet button (PSBTN_OK, PSBTN_APPLYNOW, PSBTN_CANCEL).
    void SelectTab(int index) const;
    void Press(int button) const;
    // Waits until the tab is current; false if it never became so.
    bool WaitForTab(int index) const;

    // Sets a control's text as typing would.
    static void Type(HWND window, int id, const char* text);
    // Posts a click on a button or check box.
    static void Click(HWND window, int id);
    // Brings the sheet to the front with the keyboard focus in the control, then presses and
    // releases each key in turn as real keyboard input; false if the focus never got there.
    bool PressKeys(HWND control, const std::vector<WORD>& keys) const;

    // Waits for a visible dialog (message box, file dialog, modal dialog) the owner owns;
    // null if none came.
    HWND WaitForOwned(HWND owner) const;
    // The visible dialogs the owner owns now.
    std::vector<HWND> Owned(HWND owner) const;
    static std::string Caption(HWND window);
    // A message box's text and whether its icon is the given system icon (IDI_WARNING ...).
    static std::string MessageText(HWND box);
    static bool HasIcon(HWND box, LPCSTR icon);
    static void Dismiss(HWND dialog, int button = IDOK);

    // Waits until the window is gone.
    static bool WaitGone(HWND window);
    // Closes whatever is open (message boxes, dialogs, then the sheet by Cancel).
    void ForceClose() const;
    // The window with the keyboard focus on the sheet's thread.
    HWND Focus() const;
    // The full path of this program: the caption of the view's message boxes.
    static std::string ProgramPath();

  private:
    DWORD m_Thread;
    std::string m_Caption;
    HWND m_Sheet = nullptr;
};

// Shows the sheet on this thread while script runs on a second one; the sheet is closed when
// the script returns without closing it. Returns what RunSheet returned; throws what it threw.
bool RunDriven(ui::SheetModel& sheet, const std::function<void(SheetDriver&)>& script);

}  // namespace tarnix::test
