// The page lifecycle as the Win32 property sheet drives it: the demo sheet's pages record what
// they are told while a second thread acts as the user.
#include <gtest/gtest.h>
#include <harness/DemoSheet.h>
#include <harness/Wait.h>
#include <ui/Toolkit.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "HookSheet.h"
#include "SheetDriver.h"

namespace tarnix::test {
namespace {

using Events = std::vector<std::string>;

constexpr size_t kGeneral = 0;
constexpr size_t kControls = 1;

class SheetLifecycleTest : public ::testing::Test {
  protected:
    Events EventsOf(size_t page) const { return m_Sheet.Demo(page).Events(); }
    // Waits (bounded) until the page has recorded these events, then compares.
    void ExpectEvents(size_t page, const Events& expected) const {
        WaitUntil([&] { return EventsOf(page) == expected; });
        EXPECT_EQ(EventsOf(page), expected) << "page " << page;
    }
    void ExpectUntouched(size_t firstPage) const {
        for (size_t page = firstPage; page < m_Sheet.PageCount(); ++page)
            EXPECT_TRUE(EventsOf(page).empty()) << "page " << page;
    }
    std::string StoredOf(size_t page, int32_t id) const {
        for (const auto& [control, text] : m_Sheet.Demo(page).Stored())
            if (control == id) return text;
        return "<not stored>";
    }

    mutable DemoSheet m_Sheet;
};

TEST_F(SheetLifecycleTest, OpeningCreatesAndLoadsTheFirstPageOnlyAndCancelStoresNothing) {
    const bool shown = RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        EXPECT_EQ(SheetDriver::Caption(user.Sheet()), "SimMono8");
        ExpectEvents(kGeneral, {"load", "create"});
        EXPECT_EQ(user.Page(kControls), nullptr);
        // What the load put into the controls is no change of the user's.
        EXPECT_FALSE(user.ApplyEnabled());
        SheetDriver::Type(user.Page(kGeneral), ui::kFrameRate, "12");
        ExpectEvents(kGeneral, {"load", "create", "control 3006"});
        user.Press(PSBTN_CANCEL);
        EXPECT_TRUE(SheetDriver::WaitGone(user.Sheet()));
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(EventsOf(kGeneral), (Events{"load", "create", "control 3006"}));
    ExpectUntouched(kControls);
}

TEST_F(SheetLifecycleTest, TabChangeStoresThePageLeftThenShowsTheNewOne) {
    RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        user.SelectTab(kControls);
        ASSERT_TRUE(user.WaitForTab(kControls));
        ExpectEvents(kControls, {"load", "create"});
        user.SelectTab(kGeneral);
        ASSERT_TRUE(user.WaitForTab(kGeneral));
        ExpectEvents(kGeneral, {"load", "create", "store", "load"});
        user.Press(PSBTN_CANCEL);
    });
    // Shown again: loaded, not created again.
    EXPECT_EQ(EventsOf(kGeneral), (Events{"load", "create", "store", "load"}));
    EXPECT_EQ(EventsOf(kControls), (Events{"load", "create", "store"}));
    ExpectUntouched(kControls + 1);
    // The store read the controls the load filled: edits by text, a drop-down list by its
    // selected entry (first added on an unsorted list, first in order on a sorted one).
    EXPECT_EQ(StoredOf(kGeneral, ui::kFrameRate), "v3006");
    EXPECT_EQ(StoredOf(kGeneral, ui::kInfoText), "v3000");
    EXPECT_EQ(StoredOf(kGeneral, ui::kPixelFormat), "zeta");
    EXPECT_EQ(StoredOf(kControls, ui::kExposureMode), "alpha");
    EXPECT_EQ(StoredOf(kControls, ui::kIrisVideoLevel), "v3021");
}

// Typing into an edit and into a combo box's edit part, a click, the keyboard on a drop-down
// list and a check box.
TEST_F(SheetLifecycleTest, UsersChangesAreReportedEnableApplyAndAreStored) {
    constexpr size_t kLut = 2;
    constexpr size_t kGigE = 3;
    RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        HWND general = user.Page(kGeneral);
        SheetDriver::Type(general, ui::kFrameRate, "25");
        ExpectEvents(kGeneral, {"load", "create", "control 3006"});
        EXPECT_TRUE(user.ApplyEnabled());
        SheetDriver::Click(general, ui::kMaxRoi);
        PostMessageA(GetDlgItem(general, ui::kPixelFormat), WM_KEYDOWN, VK_DOWN, 0);
        ExpectEvents(kGeneral, {"load", "create", "control 3006", "control 3011", "control 3003"});

        user.SelectTab(kGigE);
        ASSERT_TRUE(user.WaitForTab(kGigE));
        COMBOBOXINFO combo{};
        combo.cbSize = sizeof(combo);
        ASSERT_TRUE(GetComboBoxInfo(GetDlgItem(user.Page(kGigE), ui::kPacketSize), &combo));
        PostMessageA(combo.hwndItem, EM_SETSEL, 0, -1);
        for (const char c : std::string("90")) PostMessageA(combo.hwndItem, WM_CHAR, c, 1);
        ExpectEvents(kGigE, {"load", "create", "control 3024", "control 3024"});

        user.SelectTab(kLut);
        ASSERT_TRUE(user.WaitForTab(kLut));
        SheetDriver::Click(user.Page(kLut), ui::kLutEnable);
        ExpectEvents(kLut, {"load", "create", "control 3031"});
        EXPECT_EQ(IsDlgButtonChecked(user.Page(kLut), ui::kLutEnable), BST_CHECKED);
        user.Press(PSBTN_CANCEL);
    });
    EXPECT_EQ(StoredOf(kGeneral, ui::kFrameRate), "25");
    EXPECT_EQ(StoredOf(kGeneral, ui::kPixelFormat), "alpha");
    EXPECT_EQ(StoredOf(kGigE, ui::kPacketSize), "90");
}

TEST_F(SheetLifecycleTest, UnparsableFieldKeepsTheTabWarnsAndFocusesTheField) {
    RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        HWND general = user.Page(kGeneral);
        SheetDriver::Type(general, ui::kFrameRate, "bad");
        user.SelectTab(kControls);
        HWND box = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(box);
        EXPECT_EQ(SheetDriver::Caption(box), SheetDriver::ProgramPath());
        EXPECT_EQ(SheetDriver::MessageText(box), "Enter a number.");
        EXPECT_TRUE(SheetDriver::HasIcon(box, IDI_WARNING));
        SheetDriver::Dismiss(box);
        ASSERT_TRUE(SheetDriver::WaitGone(box));
        EXPECT_EQ(user.CurrentTab(), static_cast<int>(kGeneral));
        EXPECT_EQ(user.Page(kControls), nullptr);
        HWND field = GetDlgItem(general, ui::kFrameRate);
        EXPECT_TRUE(WaitUntil([&] { return user.Focus() == field; }));
        DWORD start = 99;
        DWORD end = 0;
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 3u);
        // Corrected, the tab change goes through.
        SheetDriver::Type(general, ui::kFrameRate, "30");
        user.SelectTab(kControls);
        EXPECT_TRUE(user.WaitForTab(kControls));
        user.Press(PSBTN_CANCEL);
    });
    EXPECT_EQ(EventsOf(kGeneral),
              (Events{"load", "create", "control 3006", "store-failed", "control 3006", "store"}));
    EXPECT_EQ(EventsOf(kControls), (Events{"load", "create"}));
}

TEST_F(SheetLifecycleTest, OkStoresTheCurrentPageThenAppliesEveryCreatedPageUnlessTheStoreFails) {
    const bool shown = RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        user.SelectTab(kControls);
        ASSERT_TRUE(user.WaitForTab(kControls));
        HWND controls = user.Page(kControls);
        SheetDriver::Type(controls, ui::kExposureValue, "bad");
        user.Press(PSBTN_OK);
        HWND box = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(box);
        SheetDriver::Dismiss(box);
        ASSERT_TRUE(SheetDriver::WaitGone(box));
        ExpectEvents(kControls, {"load", "create", "control 3019", "store-failed"});
        EXPECT_TRUE(IsWindow(user.Sheet()));
        SheetDriver::Type(controls, ui::kExposureValue, "8");
        user.Press(PSBTN_OK);
        EXPECT_TRUE(SheetDriver::WaitGone(user.Sheet()));
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(EventsOf(kGeneral), (Events{"load", "create", "store", "apply"}));
    EXPECT_EQ(EventsOf(kControls), (Events{"load", "create", "control 3019", "store-failed",
                                           "control 3019", "store", "apply"}));
    ExpectUntouched(kControls + 1);
}

TEST_F(SheetLifecycleTest, ApplyStoresAndAppliesAndTheSheetStaysOpen) {
    RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        SheetDriver::Type(user.Page(kGeneral), ui::kFrameRate, "12");
        ASSERT_TRUE(user.ApplyEnabled());
        user.Press(PSBTN_APPLYNOW);
        // The sheet shows the current page again after applying: it loads once more.
        ExpectEvents(kGeneral, {"load", "create", "control 3006", "store", "apply", "load"});
        EXPECT_TRUE(IsWindow(user.Sheet()));
        EXPECT_EQ(user.CurrentTab(), static_cast<int>(kGeneral));
        user.Press(PSBTN_CANCEL);
        EXPECT_TRUE(SheetDriver::WaitGone(user.Sheet()));
    });
    EXPECT_EQ(StoredOf(kGeneral, ui::kFrameRate), "12");
}

// A sheet's state is its own call's: a second sheet opened by a page's logic while the first
// is open runs its own pages and ends on its own; the first goes on where it was. (Two sheets
// on two threads at once are not run here: Wine's text shaping is not safe for that.)
TEST(SheetNestingTest, SheetOpenedFromAPageRunsItsOwnPages) {
    class InnerSheet : public DemoSheet {
      public:
        std::string Caption() const override { return "Inner"; }
    };
    HookSheet outer;
    InnerSheet inner;
    bool innerShown = false;
    outer.Hook(HookSheet::kGeneralTab).onControl = [&](ui::View&, int32_t id) {
        if (id == ui::kMaxRoi) innerShown = ui::RunSheet(inner);
    };
    RunDriven(outer, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        SheetDriver::Click(user.Page(HookSheet::kGeneralTab), ui::kMaxRoi);
        SheetDriver second(user.Thread(), "Inner");
        ASSERT_TRUE(second.WaitForSheet());
        second.SelectTab(kControls);
        ASSERT_TRUE(second.WaitForTab(kControls));
        second.Press(PSBTN_OK);
        EXPECT_TRUE(SheetDriver::WaitGone(second.Sheet()));
        user.SelectTab(kControls);
        EXPECT_TRUE(user.WaitForTab(kControls));
        user.Press(PSBTN_CANCEL);
    });
    EXPECT_TRUE(innerShown);
    for (const size_t page : {kGeneral, kControls})
        EXPECT_EQ(inner.Demo(page).Events(), (Events{"load", "create", "store", "apply"}));
    EXPECT_EQ(outer.Hook(kGeneral).Events(), (Events{"load", "create", "control 3011", "store"}));
    EXPECT_EQ(outer.Hook(kControls).Events(), (Events{"load", "create"}));
}

// An exception from the page logic never crosses the window procedure: the sheet closes as by
// Cancel and RunSheet throws it once the sheet is gone.
TEST(SheetFailureTest, PageLogicExceptionClosesTheSheetAndComesOutOfRunSheet) {
    HookSheet sheet;
    sheet.Hook(HookSheet::kGeneralTab).onControl = [](ui::View&, int32_t id) {
        if (id == ui::kMaxRoi) throw std::runtime_error("page failed");
    };
    HWND closed = nullptr;
    EXPECT_THROW(RunDriven(sheet,
                           [&](SheetDriver& user) {
                               ASSERT_TRUE(user.WaitForSheet());
                               SheetDriver::Click(user.Page(HookSheet::kGeneralTab), ui::kMaxRoi);
                               closed = user.Sheet();
                               EXPECT_TRUE(SheetDriver::WaitGone(closed));
                           }),
                 std::runtime_error);
    EXPECT_EQ(sheet.Hook(HookSheet::kGeneralTab).Events(),
              (Events{"load", "create", "control 3011"}));
}

TEST(SheetFailureTest, GeneratorLogicExceptionEndsTheDialogAndTheSheet) {
    HookSheet sheet;
    sheet.Generator().onControl = [](ui::View&, int32_t) { throw std::logic_error("dialog"); };
    EXPECT_THROW(RunDriven(sheet,
                           [&](SheetDriver& user) {
                               ASSERT_TRUE(user.WaitForSheet());
                               user.SelectTab(HookSheet::kLutTab);
                               ASSERT_TRUE(user.WaitForTab(HookSheet::kLutTab));
                               SheetDriver::Click(user.Page(HookSheet::kLutTab), ui::kLutGenerate);
                               HWND dialog = user.WaitForOwned(user.Sheet());
                               ASSERT_TRUE(dialog);
                               SheetDriver::Type(dialog, ui::kGenSteepness, "2");
                               EXPECT_TRUE(SheetDriver::WaitGone(dialog));
                               EXPECT_TRUE(SheetDriver::WaitGone(user.Sheet()));
                           }),
                 std::logic_error);
    EXPECT_TRUE(sheet.Hook(HookSheet::kLutTab).Events().back() == "control 3035");
}

}  // namespace
}  // namespace tarnix::test
