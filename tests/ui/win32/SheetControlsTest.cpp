// The windows built from the templates and what the view's calls do to them: every control of
// a template exists in template order with its id, class, style and place, and the view's
// functions act on the real controls.
#include <windows.h>
// windows.h first: commctrl.h depends on it.
#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/Wait.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "HookSheet.h"
#include "SheetDriver.h"

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;
using ui::ControlKind;

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// By ControlKind: group box, label, edit, check box, push button, default button, drop-down
// list, drop-down combo, list view.
constexpr const char* kClasses[] = {"Button", "Static",   "Edit",     "Button",       "Button",
                                    "Button", "ComboBox", "ComboBox", "SysListView32"};

bool Has(LONG style, LONG bits) {
    return (style & bits) == bits;
}

// The style bits that tell the kinds apart and that the template's flags stand for.
void ExpectStyle(const ui::ControlTemplate& control, LONG style) {
    const uint32_t flags = control.style;
    EXPECT_EQ(Has(style, WS_DISABLED), (flags & ui::kDisabled) != 0);
    EXPECT_EQ(Has(style, WS_TABSTOP), (flags & ui::kTabStop) != 0);
    EXPECT_TRUE(Has(style, WS_VISIBLE));
    switch (control.kind) {
        case ControlKind::GroupBox:
            EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX);
            break;
        case ControlKind::CheckBox:
            EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
            break;
        case ControlKind::PushButton:
            EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
            break;
        case ControlKind::DefaultButton:
            EXPECT_EQ(style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            break;
        case ControlKind::Label:
            EXPECT_EQ(style & SS_TYPEMASK, (flags & ui::kAlignRight) ? SS_RIGHT : SS_LEFT);
            break;
        case ControlKind::Edit:
            EXPECT_EQ(Has(style, ES_READONLY), (flags & ui::kReadOnly) != 0);
            EXPECT_TRUE(Has(style, ES_AUTOHSCROLL));
            EXPECT_FALSE(Has(style, ES_MULTILINE));
            break;
        case ControlKind::DropDownList:
            EXPECT_EQ(style & 3, CBS_DROPDOWNLIST);
            EXPECT_EQ(Has(style, CBS_SORT), (flags & ui::kSorted) != 0);
            break;
        case ControlKind::DropDownCombo:
            EXPECT_EQ(style & 3, CBS_DROPDOWN);
            EXPECT_EQ(Has(style, CBS_SORT), (flags & ui::kSorted) != 0);
            EXPECT_TRUE(Has(style, CBS_AUTOHSCROLL));
            break;
        case ControlKind::ListView:
            EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
            EXPECT_TRUE(Has(style, LVS_SINGLESEL | LVS_SHOWSELALWAYS));
            EXPECT_EQ(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING | LVS_EDITLABELS), 0);
            break;
    }
}

// The control's place in the window's client area against the template's, in pixels. The
// dialog manager converts the place and the size each on its own, as MapDialogRect does.
void ExpectPlace(HWND window, const ui::ControlTemplate& control, HWND child) {
    RECT place{control.rect.x, control.rect.y, 0, 0};
    RECT size{0, 0, control.rect.width, control.rect.height};
    ASSERT_TRUE(MapDialogRect(window, &place));
    ASSERT_TRUE(MapDialogRect(window, &size));
    RECT actual;
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, place.left);
    EXPECT_EQ(actual.top, place.top);
    EXPECT_EQ(actual.right - actual.left, size.right);
    // A combo box's template height is its height dropped down, which the box fits to whole
    // entries; closed, it is as high as its font needs.
    const bool combo =
        control.kind == ControlKind::DropDownList || control.kind == ControlKind::DropDownCombo;
    if (!combo) {
        EXPECT_EQ(actual.bottom - actual.top, size.bottom);
    }
}

// The window's children, in order, are the template's controls.
void ExpectBuiltFrom(HWND window, const ui::DialogTemplate& dialog) {
    SCOPED_TRACE(dialog.caption);
    HWND child = GetWindow(window, GW_CHILD);
    for (const ui::ControlTemplate& control : dialog.controls) {
        SCOPED_TRACE(::testing::Message()
                     << "control " << control.id << " '" << control.text << "'");
        ASSERT_TRUE(child) << "missing";
        EXPECT_EQ(GetDlgCtrlID(child), control.id);
        EXPECT_EQ(ClassOf(child), kClasses[static_cast<int>(control.kind)]);
        if (control.kind != ControlKind::ListView && control.kind != ControlKind::Edit &&
            control.kind != ControlKind::DropDownList &&
            control.kind != ControlKind::DropDownCombo) {
            EXPECT_EQ(SheetDriver::Caption(child), control.text);
        }
        ExpectStyle(control, GetWindowLongA(child, GWL_STYLE));
        ExpectPlace(window, control, child);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more windows than the template has controls";
}

TEST(SheetControlsTest, EveryPageIsBuiltFromItsTemplate) {
    HookSheet sheet;
    RunDriven(sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        for (size_t tab = 0; tab < sheet.PageCount(); ++tab) {
            user.SelectTab(static_cast<int>(tab));
            ASSERT_TRUE(user.WaitForTab(static_cast<int>(tab)));
            ExpectBuiltFrom(user.Page(static_cast<int>(tab)), sheet.Page(tab).Template());
        }
        // The tabs' titles are the templates' captions.
        HWND tabs = reinterpret_cast<HWND>(SendMessageA(user.Sheet(), PSM_GETTABCONTROL, 0, 0));
        for (size_t tab = 0; tab < sheet.PageCount(); ++tab) {
            char title[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = title;
            item.cchTextMax = sizeof(title);
            SendMessageA(tabs, TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(title, sheet.Page(tab).Template().caption);
        }
        user.Press(PSBTN_CANCEL);
    });
}

TEST(SheetControlsTest, GeneratorDialogIsBuiltFromItsTemplateOverTheSheet) {
    HookSheet sheet;
    RunDriven(sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        user.SelectTab(HookSheet::kLutTab);
        ASSERT_TRUE(user.WaitForTab(HookSheet::kLutTab));
        SheetDriver::Click(user.Page(HookSheet::kLutTab), ui::kLutGenerate);
        HWND dialog = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(SheetDriver::Caption(dialog), "Generate LUT table");
        const LONG style = GetWindowLongA(dialog, GWL_STYLE);
        EXPECT_TRUE(Has(style, WS_POPUP | WS_CAPTION | WS_SYSMENU));
        EXPECT_FALSE(Has(style, WS_CHILD));
        ExpectBuiltFrom(dialog, *ui::FindTemplate(ui::kGeneratorTemplate));
        // Modal: the sheet waits.
        EXPECT_FALSE(IsWindowEnabled(user.Sheet()));
        SheetDriver::Dismiss(dialog, IDCANCEL);
        EXPECT_TRUE(SheetDriver::WaitGone(dialog));
        user.Press(PSBTN_CANCEL);
    });
}

// What the view's calls on the sheet's thread did, read back on the driving thread once the
// page says it is done.
struct Probe {
    std::atomic<bool> done{false};
    bool checked = false;
    bool browseEnabled = true;
    bool generateShown = true;
    int32_t count = 0;
    std::string first, last, selected, typed;
    int32_t selection = 0;
    std::string matched, unmatched;
    int32_t unmatchedSelection = 0;
};

TEST(SheetControlsTest, ViewCallsActOnTheRealControls) {
    HookSheet sheet;
    Probe lut;
    Probe general;
    sheet.Hook(HookSheet::kLutTab).onCreate = [&](ui::View& view) {
        view.SetChecked(ui::kLutEnable, true);
        lut.checked = view.Checked(ui::kLutEnable);
        view.Enable(ui::kLutBrowse, false);
        lut.browseEnabled = view.IsEnabled(ui::kLutBrowse);
        view.Show(ui::kLutGenerate, false);
        lut.generateShown = view.IsShown(ui::kLutGenerate);
        // A sorted combo box puts new entries in their place.
        view.ClearList(ui::kLutColumn);
        for (const char* entry : {"lin", "gamma", "log"}) view.AddListEntry(ui::kLutColumn, entry);
        lut.count = view.ListCount(ui::kLutColumn);
        lut.first = view.ListEntry(ui::kLutColumn, 0);
        lut.last = view.ListEntry(ui::kLutColumn, 2);
        view.SelectListEntry(ui::kLutColumn, 1);
        lut.selection = view.ListSelection(ui::kLutColumn);
        lut.selected = view.Text(ui::kLutColumn);
        view.SetText(ui::kLutColumn, "custom");
        lut.typed = view.Text(ui::kLutColumn);
        view.SetComboReadOnly(ui::kLutColumn);
        lut.done = true;
    };
    sheet.Hook(HookSheet::kGeneralTab).onCreate = [&](ui::View& view) {
        // A drop-down list shows only its entries: setting a text selects the matching one.
        view.SetText(ui::kPixelFormat, "alpha");
        general.selection = view.ListSelection(ui::kPixelFormat);
        general.matched = view.Text(ui::kPixelFormat);
        view.SetText(ui::kTriggerMode, "missing");
        general.unmatchedSelection = view.ListSelection(ui::kTriggerMode);
        general.unmatched = view.Text(ui::kTriggerMode);
        view.ClearList(ui::kTriggerEvent);
        general.count = view.ListCount(ui::kTriggerEvent);
        general.done = true;
    };
    RunDriven(sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        ASSERT_TRUE(WaitUntil([&] { return general.done.load(); }));
        EXPECT_EQ(general.selection, 1);  // unsorted: "zeta", "alpha"
        EXPECT_EQ(general.matched, "alpha");
        EXPECT_EQ(general.unmatchedSelection, -1);
        EXPECT_EQ(general.unmatched, "");
        EXPECT_EQ(general.count, 0);

        user.SelectTab(HookSheet::kLutTab);
        ASSERT_TRUE(WaitUntil([&] { return lut.done.load(); }));
        HWND page = user.Page(HookSheet::kLutTab);
        EXPECT_TRUE(lut.checked);
        EXPECT_EQ(IsDlgButtonChecked(page, ui::kLutEnable), BST_CHECKED);
        EXPECT_FALSE(lut.browseEnabled);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, ui::kLutBrowse)));
        EXPECT_FALSE(lut.generateShown);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, ui::kLutGenerate)));
        EXPECT_EQ(lut.count, 3);
        EXPECT_EQ(lut.first, "gamma");
        EXPECT_EQ(lut.last, "log");
        EXPECT_EQ(lut.selection, 1);
        EXPECT_EQ(lut.selected, "lin");
        EXPECT_EQ(lut.typed, "custom");
        COMBOBOXINFO combo{};
        combo.cbSize = sizeof(combo);
        ASSERT_TRUE(GetComboBoxInfo(GetDlgItem(page, ui::kLutColumn), &combo));
        EXPECT_TRUE(GetWindowLongA(combo.hwndItem, GWL_STYLE) & ES_READONLY);
        user.Press(PSBTN_CANCEL);
    });
}

// The combos as a user picks from them with the keyboard: each reports the pick before it
// copies the entry into its edit, and the page reads the picked entry all the same; what the
// user types stays the text. The demo
// pages load "zeta" and "alpha" and select the first (sorted on the LUT tab, so "alpha" there).
TEST(SheetControlsTest, APickedEntryIsTheComboTextWhileThePickIsReported) {
    HookSheet sheet;
    struct Heard {
        std::mutex lock;
        std::vector<std::string> texts;
        std::vector<std::string> Texts() {
            std::lock_guard<std::mutex> hold(lock);
            return texts;
        }
    };
    Heard speed, column;
    sheet.Hook(HookSheet::kGigETab).onControl = [&](ui::View& view, int32_t id) {
        if (id != ui::kNetworkSpeed) return;
        std::lock_guard<std::mutex> hold(speed.lock);
        speed.texts.push_back(view.Text(id));
    };
    sheet.Hook(HookSheet::kLutTab).onControl = [&](ui::View& view, int32_t id) {
        if (id != ui::kLutColumn) return;
        std::lock_guard<std::mutex> hold(column.lock);
        column.texts.push_back(view.Text(id));
    };
    RunDriven(sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        user.SelectTab(HookSheet::kGigETab);
        ASSERT_TRUE(user.WaitForTab(HookSheet::kGigETab));
        HWND combo = GetDlgItem(user.Page(HookSheet::kGigETab), ui::kNetworkSpeed);
        // Open the list, one entry down, take it.
        ASSERT_TRUE(user.PressKeys(combo, {VK_F4, VK_DOWN, VK_RETURN}));
        ASSERT_TRUE(WaitUntil([&] { return !speed.Texts().empty(); }));
        ASSERT_TRUE(WaitUntil([&] { return SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) == 0; }));
        EXPECT_THAT(speed.Texts(), ElementsAre("alpha"));
        EXPECT_EQ(SheetDriver::Caption(combo), "alpha");

        user.SelectTab(HookSheet::kLutTab);
        ASSERT_TRUE(user.WaitForTab(HookSheet::kLutTab));
        combo = GetDlgItem(user.Page(HookSheet::kLutTab), ui::kLutColumn);
        // Closed, the arrow key alone moves to the next entry.
        ASSERT_TRUE(user.PressKeys(combo, {VK_DOWN}));
        ASSERT_TRUE(WaitUntil([&] { return !column.Texts().empty(); }));
        EXPECT_THAT(column.Texts(), ElementsAre("zeta"));
        EXPECT_EQ(SheetDriver::Caption(combo), "zeta");
        // Typed into the open list, the text is what was typed, though the list has moved to
        // the first entry that begins like it.
        ASSERT_TRUE(user.PressKeys(combo, {VK_F4, 'A'}));
        ASSERT_TRUE(WaitUntil([&] { return column.Texts().size() == 2; }));
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);  // "alpha"
        EXPECT_THAT(column.Texts(), ElementsAre("zeta", "a"));
        // The list is closed by message, not with Escape: a key whose effect nothing waits for
        // may still be on its way when the sheet closes, and would cancel the next test's.
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        EXPECT_EQ(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0), 0);
        user.Press(PSBTN_CANCEL);
    });
}

// The demo page's load adds the columns "Attribute" (left, 120) and "Type" (centred, 50) once,
// and a row "Width" / "I" each time.
TEST(SheetControlsTest, ListViewGetsColumnsAndRows) {
    HookSheet sheet;
    RunDriven(sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        for (const size_t tab :
             {HookSheet::kAttributesTab, HookSheet::kGeneralTab, HookSheet::kAttributesTab}) {
            user.SelectTab(static_cast<int>(tab));
            ASSERT_TRUE(user.WaitForTab(static_cast<int>(tab)));
        }
        HWND list = GetDlgItem(user.Page(HookSheet::kAttributesTab), ui::kAttributeList);
        EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 2);
        char text[32] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof(text);
        SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
        EXPECT_STREQ(text, "Type");
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_CENTER);
        EXPECT_EQ(column.cx, 50);
        ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
        LVITEMA item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(list, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, "I");
        EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);
        user.Press(PSBTN_CANCEL);
    });
}

}  // namespace
}  // namespace tarnix::test
