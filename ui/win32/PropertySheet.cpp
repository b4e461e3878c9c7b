// The configuration sheet on Windows: a property sheet whose pages are built from the
// templates, each page's notifications driving its DialogLogic.
//
// The property sheet's own order is the page lifecycle: on OK and Apply it sends
// PSN_KILLACTIVE to the current page and, unless that page vetoes, PSN_APPLY to every page
// created so far; a tab change sends PSN_KILLACTIVE to the page left, then PSN_SETACTIVE to
// the new one (which it creates first if needed). Cancel sends neither.
#include <windows.h>
// windows.h first: commctrl.h depends on it.
#include <base/Diagnostics.h>
#include <commctrl.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "ControlView.h"
#include "DialogBuilder.h"
#include "Module.h"
#include "ui/Toolkit.h"

namespace tarnix::ui {
namespace win32 {
namespace {

class PageView final : public ControlView {
  public:
    using ControlView::ControlView;
    void MarkChanged() override { PropSheet_Changed(GetParent(Window()), Window()); }
    // A page does not end: the sheet's buttons do.
    void EndDialog(bool /*ok*/) override {}
};

// One RunSheet call.
struct SheetRun {
    std::exception_ptr failure;
};

// One page of the sheet, on RunSheet's stack; the page window's user data points to it.
struct PageSlot {
    SheetRun* run = nullptr;
    DialogLogic* logic = nullptr;
    std::vector<WORD> dialog;
    std::optional<PageView> view;
};

// A notification's result goes back through DWLP_MSGRESULT.
INT_PTR Result(HWND window, LONG_PTR result) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR HandleNotify(PageSlot& slot, const NMHDR& header) {
    PageView& view = *slot.view;
    // Only the sheet's own notifications; the list view's pass by.
    if (header.hwndFrom != GetParent(view.Window())) return FALSE;
    switch (header.code) {
        case PSN_SETACTIVE:
            slot.logic->Shown(view);
            return Result(view.Window(), 0);
        case PSN_KILLACTIVE:
            // TRUE keeps the sheet on the page.
            return Result(view.Window(), slot.logic->Leaving(view) ? FALSE : TRUE);
        case PSN_APPLY:
            return Result(view.Window(), slot.logic->ApplyNotice(view)
                                             ? PSNRET_NOERROR
                                             : PSNRET_INVALID_NOCHANGEPAGE);
        default:
            // PSN_RESET (Cancel, the close box) among them: nothing is stored.
            return FALSE;
    }
}

INT_PTR Handle(PageSlot& slot, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY:
            return HandleNotify(slot, *reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND: {
            const int32_t id = LOWORD(wParam);
            if (lParam == 0 || !slot.view->IsChange(id, HIWORD(wParam))) return FALSE;
            slot.view->Notify(*slot.logic, id, HIWORD(wParam));
            return TRUE;
        }
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* slot = reinterpret_cast<PageSlot*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_INITDIALOG) {
        // lParam is the sheet's copy of the page's PROPSHEETPAGE.
        slot = reinterpret_cast<PageSlot*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(slot));
        slot->view.emplace(window, slot->logic->Template());
        for (const ControlTemplate& control : slot->logic->Template().controls)
            if (control.kind == ControlKind::ListView)
                ListView_SetExtendedListViewStyle(GetDlgItem(window, control.id),
                                                  LVS_EX_FULLROWSELECT);
        return TRUE;
    }
    // Notifications of the controls' creation come before WM_INITDIALOG. After a failure the
    // sheet is closing and the logic is not called again.
    if (!slot || !slot->view || slot->run->failure) return FALSE;
    try {
        return Handle(*slot, message, wParam, lParam);
    } catch (...) {
        // No exception crosses the window procedure: the sheet closes as by Cancel, and
        // RunSheet throws it again once the sheet is gone.
        slot->run->failure = std::current_exception();
        PostMessageA(GetParent(window), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        if (message == WM_NOTIFY) {
            const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
            if (code == PSN_KILLACTIVE) return Result(window, TRUE);
            if (code == PSN_APPLY) return Result(window, PSNRET_INVALID_NOCHANGEPAGE);
        }
        return FALSE;
    }
}

}  // namespace
}  // namespace win32

bool RunSheet(SheetModel& sheet) {
    using namespace win32;
    const size_t count = sheet.PageCount();
    if (count == 0) {
        DebugMsg("Configuration sheet without pages\n");
        return false;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    SheetRun run;
    std::vector<PageSlot> slots(count);
    std::vector<PROPSHEETPAGEA> pages(count);
    for (size_t i = 0; i < count; ++i) {
        PageSlot& slot = slots[i];
        slot.run = &run;
        slot.logic = &sheet.Page(i);
        slot.dialog = BuildDialogTemplate(slot.logic->Template(), DialogUse::Page);
        PROPSHEETPAGEA& page = pages[i];
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
        page.hInstance = ThisModule();
        page.pResource = reinterpret_cast<LPCDLGTEMPLATEA>(slot.dialog.data());
        page.pszTitle = slot.logic->Template().caption;
        page.pfnDlgProc = PageProc;
        page.lParam = reinterpret_cast<LPARAM>(&slot);
    }
    const std::string caption = sheet.Caption();
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP;
    header.hwndParent = nullptr;
    header.hInstance = ThisModule();
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(count);
    header.nStartPage = 0;
    header.ppsp = pages.data();

    const INT_PTR result = PropertySheetA(&header);
    if (run.failure) std::rethrow_exception(run.failure);
    if (result < 0) {
        DebugMsg("Configuration sheet could not be shown (error %lu)\n", GetLastError());
        return false;
    }
    return true;
}

}  // namespace tarnix::ui
