#include "SheetDriver.h"

#include <commctrl.h>
#include <harness/Wait.h>
#include <ui/Toolkit.h>

#include <chrono>
#include <exception>
#include <thread>

namespace tarnix::test {
namespace {

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

bool IsDialog(HWND window) {
    return ClassName(window) == "#32770" && IsWindowVisible(window);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD thread) {
    std::vector<HWND> windows;
    EnumThreadWindows(thread, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

HWND SheetDriver::WaitForSheet() {
    WaitUntil([&] {
        for (HWND window : ThreadWindows(m_Thread))
            if (IsDialog(window) && Caption(window) == m_Caption) m_Sheet = window;
        return m_Sheet && CurrentTab() == 0;
    });
    return m_Sheet;
}

HWND SheetDriver::Page(int index) const {
    return reinterpret_cast<HWND>(SendMessageA(m_Sheet, PSM_INDEXTOHWND, index, 0));
}

int SheetDriver::CurrentTab() const {
    HWND page = reinterpret_cast<HWND>(SendMessageA(m_Sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (!page) return -1;
    return static_cast<int>(
        SendMessageA(m_Sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

bool SheetDriver::ApplyEnabled() const {
    // The sheet's Apply button.
    constexpr int kApplyButton = 0x3021;
    return IsWindowEnabled(GetDlgItem(m_Sheet, kApplyButton)) != FALSE;
}

void SheetDriver::SelectTab(int index) const {
    PostMessageA(m_Sheet, PSM_SETCURSEL, index, 0);
}

void SheetDriver::Press(int button) const {
    PostMessageA(m_Sheet, PSM_PRESSBUTTON, button, 0);
}

bool SheetDriver::WaitForTab(int index) const {
    return WaitUntil([&] { return CurrentTab() == index; });
}

void SheetDriver::Type(HWND window, int id, const char* text) {
    SendMessageA(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void SheetDriver::Click(HWND window, int id) {
    PostMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

bool SheetDriver::PressKeys(HWND control, const std::vector<WORD>& keys) const {
    // The dialog manager of the sheet's thread moves the focus; the input goes to the window
    // in front.
    PostMessageA(m_Sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SetForegroundWindow(m_Sheet);
    const bool focused = WaitUntil([&] {
        HWND focus = Focus();
        return GetForegroundWindow() == m_Sheet && (focus == control || IsChild(control, focus));
    });
    if (!focused) return false;
    for (const WORD key : keys) {
        INPUT input[2]{};
        for (INPUT& event : input) {
            event.type = INPUT_KEYBOARD;
            event.ki.wVk = key;
        }
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
    return true;
}

std::vector<HWND> SheetDriver::Owned(HWND owner) const {
    std::vector<HWND> owned;
    for (HWND window : ThreadWindows(m_Thread))
        if (window != owner && IsDialog(window) && GetWindow(window, GW_OWNER) == owner)
            owned.push_back(window);
    return owned;
}

HWND SheetDriver::WaitForOwned(HWND owner) const {
    HWND found = nullptr;
    WaitUntil([&] {
        const std::vector<HWND> owned = Owned(owner);
        found = owned.empty() ? nullptr : owned.front();
        return found != nullptr;
    });
    return found;
}

std::string SheetDriver::Caption(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string SheetDriver::MessageText(HWND box) {
    // A message box's text is the static with id 0xFFFF.
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    return text;
}

bool SheetDriver::HasIcon(HWND box, LPCSTR icon) {
    const HICON expected = LoadIconA(nullptr, icon);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        if (reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == expected)
            return true;
    }
    return false;
}

void SheetDriver::Dismiss(HWND dialog, int button) {
    PostMessageA(dialog, WM_COMMAND, button, 0);
}

bool SheetDriver::WaitGone(HWND window) {
    return WaitUntil([&] { return !IsWindow(window); });
}

void SheetDriver::ForceClose() const {
    for (int attempt = 0; attempt < 10 && m_Sheet && IsWindow(m_Sheet); ++attempt) {
        // Innermost first: a message box over a dialog over the sheet.
        for (HWND window : ThreadWindows(m_Thread))
            if (window != m_Sheet && IsDialog(window)) PostMessageA(window, WM_CLOSE, 0, 0);
        Press(PSBTN_CANCEL);
        WaitUntil([&] { return !IsWindow(m_Sheet); }, std::chrono::seconds(2));
    }
}

HWND SheetDriver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(m_Thread, &info);
    return info.hwndFocus;
}

std::string SheetDriver::ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

bool RunDriven(ui::SheetModel& sheet, const std::function<void(SheetDriver&)>& script) {
    SheetDriver driver(GetCurrentThreadId(), sheet.Caption());
    std::thread thread([&] {
        script(driver);
        driver.ForceClose();
    });
    bool shown = false;
    try {
        shown = ui::RunSheet(sheet);
    } catch (...) {
        thread.join();
        throw;
    }
    thread.join();
    return shown;
}

}  // namespace tarnix::test
