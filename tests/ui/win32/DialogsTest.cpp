// The dialogs a page opens: the generator dialog run modally over the sheet, and the file
// dialogs with the request's title, filter, file name and folder.
#include <windows.h>
// windows.h first: dlgs.h depends on it.
#include <dlgs.h>
#include <gtest/gtest.h>
#include <harness/TempFolder.h>
#include <harness/Wait.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "HookSheet.h"
#include "SheetDriver.h"

namespace tarnix::test {
namespace {

using Events = std::vector<std::string>;

TEST(GeneratorDialogTest, OkStoresAndEndsTheDialogCancelEndsItWithoutStoring) {
    HookSheet sheet;
    DemoPage& generator = sheet.Generator();
    auto expectEvents = [&](const Events& expected) {
        WaitUntil([&] { return generator.Events() == expected; });
        EXPECT_EQ(generator.Events(), expected);
    };
    RunDriven(sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        user.SelectTab(HookSheet::kLutTab);
        ASSERT_TRUE(user.WaitForTab(HookSheet::kLutTab));
        HWND page = user.Page(HookSheet::kLutTab);
        SheetDriver::Click(page, ui::kLutGenerate);
        HWND dialog = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(dialog);
        expectEvents({"load", "create"});

        SheetDriver::Type(dialog, ui::kGenMaxPix, "bad");
        SheetDriver::Click(dialog, ui::kIdOk);
        HWND box = user.WaitForOwned(dialog);
        ASSERT_TRUE(box);
        EXPECT_EQ(SheetDriver::Caption(box), SheetDriver::ProgramPath());
        EXPECT_EQ(SheetDriver::MessageText(box), "Enter a number.");
        SheetDriver::Dismiss(box);
        ASSERT_TRUE(SheetDriver::WaitGone(box));
        expectEvents({"load", "create", "control 3039", "ok", "store-failed"});
        EXPECT_TRUE(IsWindow(dialog));
        HWND field = GetDlgItem(dialog, ui::kGenMaxPix);
        EXPECT_TRUE(WaitUntil([&] { return user.Focus() == field; }));

        SheetDriver::Type(dialog, ui::kGenMaxPix, "12");
        SheetDriver::Click(dialog, ui::kIdOk);
        EXPECT_TRUE(SheetDriver::WaitGone(dialog));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(user.Sheet()) != FALSE; }));

        // Shown again: loaded, not created again; Cancel stores nothing.
        SheetDriver::Click(page, ui::kLutGenerate);
        dialog = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(dialog);
        SheetDriver::Dismiss(dialog, IDCANCEL);
        EXPECT_TRUE(SheetDriver::WaitGone(dialog));
        user.Press(PSBTN_CANCEL);
    });
    EXPECT_EQ(generator.Events(), (Events{"load", "create", "control 3039", "ok", "store-failed",
                                          "control 3039", "ok", "store", "load"}));
    for (const auto& [id, text] : generator.Stored()) {
        if (id == ui::kGenMaxPix) {
            EXPECT_EQ(text, "12");
        }
    }
    // The page heard its button, and nothing of the dialog's controls.
    EXPECT_EQ(sheet.Hook(HookSheet::kLutTab).Events(),
              (Events{"load", "create", "control 3035", "control 3035"}));
}

// What the file dialogs returned, as the page's logic saw it.
class FileDialogTest : public TempFolderTest {
  protected:
    static constexpr const char* kFilter = "LUT files (*.csv)|*.csv||";

    void Record(const std::optional<std::string>& chosen) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Chosen.push_back(chosen);
    }
    size_t ChosenCount() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Chosen.size();
    }
    std::optional<std::string> Chosen(size_t index) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Chosen.at(index);
    }
    bool WaitForChosen(size_t count) {
        return WaitUntil([&] { return ChosenCount() >= count; });
    }

    HookSheet m_Sheet;
    std::mutex m_Mutex;
    std::vector<std::optional<std::string>> m_Chosen;
};

TEST_F(FileDialogTest, OpenShowsTheRequestAndReturnsTheChosenPathOrNothing) {
    WriteFile("table.csv", "LN;lin\n0;0\n");
    const std::string folder = m_Folder.string();
    m_Sheet.Hook(HookSheet::kGeneralTab).onControl = [&](ui::View& view, int32_t id) {
        if (id != ui::kMaxRoi) return;
        const auto chosen = view.OpenFile({"Open LUT file", "csv", "table.csv", kFilter, folder});
        Record(chosen);
        if (!chosen) view.Error("No file chosen.");
    };
    RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        HWND page = user.Page(HookSheet::kGeneralTab);
        SheetDriver::Click(page, ui::kMaxRoi);
        HWND dialog = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(SheetDriver::Caption(dialog), "Open LUT file");
        // The filter's pairs: one description with its pattern.
        HWND types = GetDlgItem(dialog, cmb1);
        EXPECT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 1);
        char type[64] = {};
        SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(type));
        EXPECT_STREQ(type, "LUT files (*.csv)");
        // OK on the initial file name in the initial folder.
        SheetDriver::Dismiss(dialog, IDOK);
        ASSERT_TRUE(WaitForChosen(1));
        EXPECT_EQ(Chosen(0), PathOf("table.csv"));

        SheetDriver::Click(page, ui::kMaxRoi);
        dialog = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(dialog);
        SheetDriver::Dismiss(dialog, IDCANCEL);
        ASSERT_TRUE(WaitForChosen(2));
        EXPECT_EQ(Chosen(1), std::nullopt);
        HWND box = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(box);
        EXPECT_EQ(SheetDriver::MessageText(box), "No file chosen.");
        EXPECT_TRUE(SheetDriver::HasIcon(box, IDI_ERROR));
        SheetDriver::Dismiss(box);
        ASSERT_TRUE(SheetDriver::WaitGone(box));
        user.Press(PSBTN_CANCEL);
    });
}

TEST_F(FileDialogTest, SaveAddsTheDefaultExtensionAndAsksBeforeReplacing) {
    WriteFile("table.csv", "LN;lin\n0;0\n");
    const std::string folder = m_Folder.string();
    const char* name = "other";
    m_Sheet.Hook(HookSheet::kGeneralTab).onControl = [&](ui::View& view, int32_t id) {
        if (id == ui::kMaxRoi)
            Record(view.SaveFile({"Save LUT file", "csv", name, kFilter, folder}));
    };
    RunDriven(m_Sheet, [&](SheetDriver& user) {
        ASSERT_TRUE(user.WaitForSheet());
        HWND page = user.Page(HookSheet::kGeneralTab);
        SheetDriver::Click(page, ui::kMaxRoi);
        HWND dialog = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(SheetDriver::Caption(dialog), "Save LUT file");
        SheetDriver::Dismiss(dialog, IDOK);
        ASSERT_TRUE(WaitForChosen(1));
        EXPECT_EQ(Chosen(0), PathOf("other.csv"));

        name = "table.csv";
        SheetDriver::Click(page, ui::kMaxRoi);
        dialog = user.WaitForOwned(user.Sheet());
        ASSERT_TRUE(dialog);
        SheetDriver::Dismiss(dialog, IDOK);
        HWND prompt = user.WaitForOwned(dialog);
        ASSERT_TRUE(prompt);
        SheetDriver::Dismiss(prompt, IDYES);
        ASSERT_TRUE(WaitForChosen(2));
        EXPECT_EQ(Chosen(1), PathOf("table.csv"));
        user.Press(PSBTN_CANCEL);
    });
}

}  // namespace
}  // namespace tarnix::test
