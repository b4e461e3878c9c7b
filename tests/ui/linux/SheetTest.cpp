// The Linux sheet as the driver shows it: ui::RunSheet on this (the main) thread loads the wx
// module from the program's folder, while each test's script plays the user from a second
// thread and the demo pages record what their logic was told.
#include <base/Diagnostics.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <ui/ControlIds.h>
#include <ui/Toolkit.h>
#include <unistd.h>
#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/listctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ActionSheet.h"
#include "GuiQueue.h"
#include "SheetWindows.h"
#include "harness/DemoSheet.h"
#include "harness/LineLog.h"
#include "harness/TempFolder.h"
#include "harness/Wait.h"

namespace {

using namespace tarnix;
using namespace tarnix::test;
using Events = std::vector<std::string>;

constexpr int kGeneral = 0;
constexpr int kControls = 1;
constexpr int kLut = 2;
constexpr int kGigE = 3;
constexpr int kAttributes = 4;
constexpr const char* kGenerator = "Generate LUT table";

std::string Changed(int32_t id) {
    return "control " + std::to_string(id);
}

std::string ProgramName() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string full(path, length > 0 ? static_cast<size_t>(length) : 0);
    return full.substr(full.find_last_of('/') + 1);
}

// Until the sheet's loop runs: its first page is made before the sheet shows.
bool SheetUp(const DemoPage& first) {
    return WaitUntil([&] { return !first.Events().empty(); }) && gui::Run([] {});
}

void Click(int id) {
    gui::Run([id] { gui::Click(*gui::Sheet(), id); });
}

void SelectTab(int index) {
    EXPECT_TRUE(gui::SelectTab(index)) << "tab " << index;
}

int CurrentTab() {
    int tab = -1;
    gui::Run([&] { tab = gui::CurrentTab(); });
    return tab;
}

bool ApplyEnabled() {
    bool enabled = false;
    gui::Run([&] { enabled = gui::Sheet()->FindWindow(wxID_APPLY)->IsEnabled(); });
    return enabled;
}

std::string Value(int id) {
    std::string value;
    gui::Run([&] { value = gui::Find<wxTextEntry>(id)->GetValue().utf8_string(); });
    return value;
}

std::vector<std::string> Entries(int id) {
    std::vector<std::string> entries;
    gui::Run([&] {
        const auto* list = gui::Find<wxItemContainer>(id);
        for (unsigned index = 0; index < list->GetCount(); ++index)
            entries.push_back(list->GetString(index).utf8_string());
    });
    return entries;
}

// The message box that a posted action opened, answered.
std::optional<gui::MessageBox> AwaitMessageBox() {
    std::optional<gui::MessageBox> box;
    WaitUntil([&] {
        gui::Run([&] { box = gui::AnswerMessageBox(); });
        return box.has_value();
    });
    return box;
}

std::optional<gui::FileChooser> AwaitFileChooser() {
    std::optional<gui::FileChooser> chooser;
    WaitUntil([&] {
        gui::Run([&] { chooser = gui::ShownFileChooser(); });
        return chooser.has_value();
    });
    return chooser;
}

bool GeneratorUp() {
    return WaitUntil([] {
        bool up = false;
        gui::Run([&] { up = gui::Dialog(kGenerator) != nullptr; });
        return up;
    });
}

void ClickInGenerator(int id) {
    gui::Run([id] { gui::Click(*gui::Dialog(kGenerator), id); });
}

bool IsKind(wxWindow* control, ui::ControlKind kind) {
    switch (kind) {
        case ui::ControlKind::GroupBox:
            return dynamic_cast<wxStaticBox*>(control) != nullptr;
        case ui::ControlKind::Label:
            return dynamic_cast<wxStaticText*>(control) != nullptr;
        case ui::ControlKind::Edit:
            return dynamic_cast<wxTextCtrl*>(control) != nullptr;
        case ui::ControlKind::CheckBox:
            return dynamic_cast<wxCheckBox*>(control) != nullptr;
        case ui::ControlKind::PushButton:
        case ui::ControlKind::DefaultButton:
            return dynamic_cast<wxButton*>(control) != nullptr;
        case ui::ControlKind::DropDownList:
            return dynamic_cast<wxChoice*>(control) != nullptr &&
                   dynamic_cast<wxComboBox*>(control) == nullptr;
        case ui::ControlKind::DropDownCombo:
            return dynamic_cast<wxComboBox*>(control) != nullptr;
        case ui::ControlKind::ListView:
            return dynamic_cast<wxListCtrl*>(control) != nullptr;
    }
    return false;
}

class LinuxSheet : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDebugProc(LineLog::Receive);
        LineLog::Clear();
    }
    void TearDown() override { SetDebugProc(nullptr); }
};

// --- The page lifecycle -------------------------------------------------------------------

TEST_F(LinuxSheet, OnlyTheFirstTabIsCreatedAndCancelStoresNothing) {
    DemoSheet sheet;
    const bool shown = gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        std::string title;
        std::vector<std::string> tabs;
        gui::Run([&] {
            title = gui::Sheet()->GetTitle().utf8_string();
            wxBookCtrlBase* book = gui::Sheet()->GetBookCtrl();
            for (size_t page = 0; page < book->GetPageCount(); ++page)
                tabs.push_back(book->GetPageText(page).utf8_string());
        });
        EXPECT_EQ(title, "SimMono8");
        EXPECT_EQ(tabs,
                  (std::vector<std::string>{"General", "Controls", "LUT", "GigE", "Attributes"}));
        EXPECT_EQ(CurrentTab(), kGeneral);
        Click(wxID_CANCEL);
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(sheet.Demo(kGeneral).Events(), (Events{"load", "create"}));
    for (size_t page = 1; page < sheet.PageCount(); ++page)
        EXPECT_EQ(sheet.Demo(page).Events(), Events{}) << "page " << page;
    EXPECT_EQ(LineLog::Take(), std::vector<std::string>{});
}

TEST_F(LinuxSheet, ATabChangeStoresTheLeftPageAndLoadsTheNewOne) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        SelectTab(kControls);
        EXPECT_EQ(sheet.Demo(kGeneral).Events(), (Events{"load", "create", "store"}));
        EXPECT_EQ(sheet.Demo(kControls).Events(), (Events{"load", "create"}));
        SelectTab(kGeneral);
        EXPECT_EQ(sheet.Demo(kControls).Events(), (Events{"load", "create", "store"}));
        EXPECT_EQ(sheet.Demo(kGeneral).Events(), (Events{"load", "create", "store", "load"}));
        EXPECT_EQ(CurrentTab(), kGeneral);
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Demo(kLut).Events(), Events{});
}

TEST_F(LinuxSheet, AValueThatDoesNotParseKeepsTheTabWithAWarning) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        gui::Run([] { gui::Type(ui::kFrameRate, "bad"); });
        gui::ClickTab(kControls);
        const std::optional<gui::MessageBox> box = AwaitMessageBox();
        ASSERT_TRUE(box.has_value());
        gui::Run([] {});  // the click has been handled
        EXPECT_EQ(box->text, "Enter a number.");
        EXPECT_TRUE(box->warning);
        // The box is captioned with the host program's name, as Linux users expect.
        EXPECT_EQ(box->title, ProgramName());
        EXPECT_EQ(CurrentTab(), kGeneral);
        // The field that did not parse has the focus, its text selected for typing over.
        EXPECT_TRUE(WaitUntil([] {
            bool focused = false;
            gui::Run([&] {
                GtkWidget* edit = gui::Find<wxWindow>(ui::kFrameRate)->GetHandle();
                int start = 0;
                int end = 0;
                focused = gtk_window_get_focus(GTK_WINDOW(gui::Sheet()->GetHandle())) == edit &&
                          gtk_editable_get_selection_bounds(GTK_EDITABLE(edit), &start, &end) &&
                          start == 0 && end == 3;
            });
            return focused;
        }));
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Demo(kGeneral).Events(),
              (Events{"load", "create", Changed(ui::kFrameRate), "store-failed"}));
    EXPECT_EQ(sheet.Demo(kControls).Events(), Events{});
}

TEST_F(LinuxSheet, APageSwitchMadeThroughGtkDespiteTheSheetIsUndone) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        gui::Run([] { gui::Type(ui::kFrameRate, "bad"); });
        const auto change = gui::Post([] { gui::SwitchPageThroughGtk(kControls); });
        ASSERT_TRUE(AwaitMessageBox().has_value());
        EXPECT_TRUE(gui::Wait(change));
        EXPECT_TRUE(WaitUntil([] { return CurrentTab() == kGeneral; }));
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Demo(kGeneral).Events(),
              (Events{"load", "create", Changed(ui::kFrameRate), "store-failed"}));
    EXPECT_EQ(sheet.Demo(kControls).Events(), Events{});
}

TEST_F(LinuxSheet, OkStoresTheCurrentPageThenAppliesEveryCreatedPageAndCloses) {
    DemoSheet sheet;
    const bool shown = gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        SelectTab(kControls);
        gui::Run([] { gui::Type(ui::kExposureValue, "5"); });
        Click(wxID_OK);
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(sheet.Demo(kGeneral).Events(), (Events{"load", "create", "store", "apply"}));
    EXPECT_EQ(sheet.Demo(kControls).Events(),
              (Events{"load", "create", Changed(ui::kExposureValue), "store", "apply"}));
    for (const int page : {kLut, kGigE, kAttributes})
        EXPECT_EQ(sheet.Demo(page).Events(), Events{}) << "page " << page;
    const auto stored = sheet.Demo(kControls).Stored();
    EXPECT_NE(std::find(stored.begin(), stored.end(),
                        std::pair<int32_t, std::string>{ui::kExposureValue, "5"}),
              stored.end());
}

TEST_F(LinuxSheet, OkWithAValueThatDoesNotParseNeitherClosesNorApplies) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        gui::Run([] { gui::Type(ui::kRegionX, "bad"); });
        const auto ok = gui::Post([] { gui::Click(*gui::Sheet(), wxID_OK); });
        ASSERT_TRUE(AwaitMessageBox().has_value());
        EXPECT_TRUE(gui::Wait(ok));
        bool open = false;
        gui::Run([&] { open = gui::Sheet() != nullptr; });
        EXPECT_TRUE(open);
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Demo(kGeneral).Events(),
              (Events{"load", "create", Changed(ui::kRegionX), "store-failed"}));
}

TEST_F(LinuxSheet, ApplyCommitsAndStaysOpenAndIsOfferedOnlyAfterAChange) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        EXPECT_FALSE(ApplyEnabled());
        gui::Run([] { gui::Type(ui::kFrameRate, "12.5"); });
        EXPECT_TRUE(ApplyEnabled());
        Click(wxID_APPLY);
        EXPECT_FALSE(ApplyEnabled());
        EXPECT_EQ(CurrentTab(), kGeneral);
        EXPECT_EQ(sheet.Demo(kGeneral).Events(),
                  (Events{"load", "create", Changed(ui::kFrameRate), "store", "apply"}));
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Demo(kGeneral).Events().size(), 5u) << "Cancel after Apply does nothing";
}

TEST_F(LinuxSheet, ValuesTheLoadPutsInAreNoChangesButTheUsersAre) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        EXPECT_EQ(Value(ui::kFrameRate), "v3006");
        EXPECT_EQ(sheet.Demo(kGeneral).Events(), (Events{"load", "create"}));
        EXPECT_FALSE(ApplyEnabled());
        gui::Run([] { gui::Choose(ui::kTriggerMode, 1); });
        gui::Run([] { gui::Type(ui::kRoiWidth, "640"); });
        SelectTab(kLut);
        gui::Run([] { gui::Click(*gui::Sheet(), ui::kLutEnable); });
        gui::Run([] { gui::Choose(ui::kLutColumn, 1); });
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Demo(kGeneral).Events(), (Events{"load", "create", Changed(ui::kTriggerMode),
                                                     Changed(ui::kRoiWidth), "store"}));
    // Picking from a combo box with an edit part changes its text too; either counts.
    const Events lut = sheet.Demo(kLut).Events();
    ASSERT_GE(lut.size(), 4u);
    EXPECT_EQ(Events(lut.begin(), lut.begin() + 3),
              (Events{"load", "create", Changed(ui::kLutEnable)}));
    for (auto event = lut.begin() + 3; event != lut.end(); ++event)
        EXPECT_EQ(*event, Changed(ui::kLutColumn));
}

TEST_F(LinuxSheet, ATextTheLogicSetsCountsAsAChangeOnce) {
    ActionSheet sheet;
    sheet.Demo(kGeneral).On(ui::kMaxRoi, [](ui::View& view) {
        view.SetText(ui::kRoiWidth, "1280");
        view.SetText(ui::kRoiHeight, "1024");
    });
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        Click(ui::kMaxRoi);
        EXPECT_EQ(Value(ui::kRoiWidth), "1280");
        EXPECT_EQ(Value(ui::kRoiHeight), "1024");
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Demo(kGeneral).Events(),
              (Events{"load", "create", Changed(ui::kMaxRoi), Changed(ui::kRoiWidth),
                      Changed(ui::kRoiHeight)}));
}

// --- The controls -------------------------------------------------------------------------

TEST_F(LinuxSheet, EveryPageHasItsTemplatesControlsWithTheirIdsKindsAndPlaces) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        for (int tab = 0; tab < static_cast<int>(sheet.PageCount()); ++tab) {
            SelectTab(tab);
            gui::Run([&] {
                const ui::DialogTemplate& page = sheet.Demo(tab).Template();
                wxWindow* panel = gui::Sheet()->GetBookCtrl()->GetPage(tab);
                for (const ui::ControlTemplate& control : page.controls) {
                    if (control.id == ui::kNoId) continue;
                    SCOPED_TRACE("control " + std::to_string(control.id));
                    wxWindow* window = panel->FindWindow(control.id);
                    ASSERT_NE(window, nullptr);
                    EXPECT_TRUE(IsKind(window, control.kind));
                    EXPECT_EQ(window->GetPosition(), panel->ConvertDialogToPixels(
                                                         wxPoint(control.rect.x, control.rect.y)));
                    EXPECT_EQ(window->IsThisEnabled(), (control.style & ui::kDisabled) == 0);
                    if (auto* edit = dynamic_cast<wxTextCtrl*>(window)) {
                        EXPECT_EQ(edit->IsEditable(), (control.style & ui::kReadOnly) == 0);
                    }
                    // A combo box is as high as an edit, not as its dropped-down list.
                    if (dynamic_cast<wxChoice*>(window) != nullptr) {
                        EXPECT_LT(window->GetSize().y,
                                  panel->ConvertDialogToPixels(wxSize(0, control.rect.height)).y);
                    }
                }
            });
        }
        Click(wxID_CANCEL);
    });
}

TEST_F(LinuxSheet, OneLineLabelsShowTheirWholeText) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        for (const int tab : {kGeneral, kControls, kLut, kGigE}) {
            SelectTab(tab);
            gui::Run([&] {
                wxWindow* panel = gui::Sheet()->GetBookCtrl()->GetPage(tab);
                for (wxWindow* child : panel->GetChildren()) {
                    auto* label = dynamic_cast<wxStaticText*>(child);
                    if (label == nullptr || 2 * label->GetSize().y > 3 * label->GetCharHeight())
                        continue;
                    EXPECT_GE(label->GetSize().x, label->GetTextExtent(label->GetLabel()).x)
                        << label->GetLabel().utf8_string();
                }
            });
        }
        Click(wxID_CANCEL);
    });
}

TEST_F(LinuxSheet, SortedListsKeepTheirEntriesInOrderIgnoringCase) {
    ActionSheet sheet;
    std::vector<std::string> columns;
    int selection = 0;
    std::string text;
    sheet.Demo(kLut).On(ui::kLutBrowse, [&](ui::View& view) {
        view.ClearList(ui::kLutColumn);
        for (const char* entry : {"beta", "Alpha", "gamma", "alpha2"})
            view.AddListEntry(ui::kLutColumn, entry);
        for (int index = 0; index < view.ListCount(ui::kLutColumn); ++index)
            columns.push_back(view.ListEntry(ui::kLutColumn, index));
        view.SelectListEntry(ui::kLutColumn, -1);
        selection = view.ListSelection(ui::kLutColumn);
        text = view.Text(ui::kLutColumn);
    });
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        // The demo pages add "zeta", then "alpha", and select the first entry.
        EXPECT_EQ(Entries(ui::kPixelFormat), (std::vector<std::string>{"zeta", "alpha"}));
        SelectTab(kControls);
        EXPECT_EQ(Entries(ui::kExposureMode), (std::vector<std::string>{"alpha", "zeta"}));
        SelectTab(kGigE);
        EXPECT_EQ(Entries(ui::kNetworkSpeed), (std::vector<std::string>{"zeta", "alpha"}));
        SelectTab(kLut);
        EXPECT_EQ(Entries(ui::kLutColumn), (std::vector<std::string>{"alpha", "zeta"}));
        Click(ui::kLutBrowse);
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(columns, (std::vector<std::string>{"Alpha", "alpha2", "beta", "gamma"}));
    EXPECT_EQ(selection, -1);
    EXPECT_EQ(text, "");
    // A list's text is its selected entry's: the first, after the demo's load.
    const auto stored = sheet.Demo(kControls).Stored();
    EXPECT_NE(std::find(stored.begin(), stored.end(),
                        std::pair<int32_t, std::string>{ui::kExposureMode, "alpha"}),
              stored.end());
}

// A pick reaches the logic with the picked entry already the combo's text: GTK copies the
// entry into the edit part in its own handler of the combo's "changed", before wx reports the
// edit's change and then the pick. The GigE demo page shows the speed it hears in the load
// label, as the real page computes its labels from it.
TEST_F(LinuxSheet, APickedEntryIsTheComboTextWhenThePickIsReported) {
    ActionSheet sheet;
    sheet.Demo(kGigE).On(ui::kNetworkSpeed, [](ui::View& view) {
        view.SetText(ui::kLoadLabel, view.Text(ui::kNetworkSpeed));
    });
    std::vector<std::string> columns;
    sheet.Demo(kLut).On(ui::kLutColumn,
                        [&](ui::View& view) { columns.push_back(view.Text(ui::kLutColumn)); });
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        SelectTab(kGigE);
        gui::Run([] { gui::Choose(ui::kNetworkSpeed, 1); });  // as GTK's list does on a pick
        std::string label;
        gui::Run([&] { label = gui::Find<wxWindow>(ui::kLoadLabel)->GetLabel().utf8_string(); });
        EXPECT_EQ(label, "alpha");
        SelectTab(kLut);
        // With the keyboard: open the list, one entry down, take it.
        gui::ClickAndPress(ui::kLutColumn, "alt+Down Down Return");
        EXPECT_TRUE(WaitUntil([] { return Value(ui::kLutColumn) == "zeta"; }));
        Click(wxID_CANCEL);
    });
    ASSERT_FALSE(columns.empty());
    for (const std::string& column : columns) EXPECT_EQ(column, "zeta");
}

TEST_F(LinuxSheet, AComboBoxMadeReadOnlyOnlyLetsTheUserPick) {
    ActionSheet sheet;
    sheet.Demo(kLut).On(ui::kLutBrowse,
                        [](ui::View& view) { view.SetComboReadOnly(ui::kLutColumn); });
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        SelectTab(kLut);
        bool editable = false;
        gui::Run([&] { editable = gui::Find<wxComboBox>(ui::kLutColumn)->IsEditable(); });
        EXPECT_TRUE(editable);
        Click(ui::kLutBrowse);
        gui::Run([&] { editable = gui::Find<wxComboBox>(ui::kLutColumn)->IsEditable(); });
        EXPECT_FALSE(editable);
        Click(wxID_CANCEL);
    });
}

TEST_F(LinuxSheet, TheAttributeListShowsColumnsAndRows) {
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        SelectTab(kAttributes);
        gui::Run([] {
            const auto* list = gui::Find<wxListCtrl>(ui::kAttributeList);
            EXPECT_TRUE(list->InReportView());
            EXPECT_TRUE(list->HasFlag(wxLC_SINGLE_SEL));
            ASSERT_EQ(list->GetColumnCount(), 2);
            wxListItem type;
            list->GetColumn(1, type);
            EXPECT_EQ(type.GetText(), "Type");
            EXPECT_EQ(type.GetAlign(), wxLIST_FORMAT_CENTRE);
            ASSERT_EQ(list->GetItemCount(), 1);
            EXPECT_EQ(list->GetItemText(0, 0), "Width");
            EXPECT_EQ(list->GetItemText(0, 1), "I");
        });
        Click(wxID_CANCEL);
    });
}

// --- The generator dialog, message boxes and file dialogs ----------------------------------

TEST_F(LinuxSheet, TheGeneratorDialogRunsModallyUntilItsValuesParseOrItIsCancelled) {
    ActionSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        SelectTab(kLut);
        auto generate = gui::Post([] { gui::Click(*gui::Sheet(), ui::kLutGenerate); });
        ASSERT_TRUE(GeneratorUp());
        EXPECT_EQ(sheet.Generator().Events(), (Events{"load", "create"}));
        bool okIsDefault = false;
        gui::Run([&] {
            wxDialog* dialog = gui::Dialog(kGenerator);
            okIsDefault = dialog->GetDefaultItem() == dialog->FindWindow(ui::kIdOk);
        });
        EXPECT_TRUE(okIsDefault);
        gui::Run([] { gui::Type(ui::kGenSteepness, "bad"); });
        const auto ok = gui::Post([] { gui::Click(*gui::Dialog(kGenerator), ui::kIdOk); });
        ASSERT_TRUE(AwaitMessageBox().has_value());
        EXPECT_TRUE(gui::Wait(ok));
        ASSERT_TRUE(GeneratorUp()) << "a value that does not parse keeps the dialog";
        gui::Run([] { gui::Type(ui::kGenSteepness, "3"); });
        ClickInGenerator(ui::kIdOk);
        EXPECT_TRUE(gui::Wait(generate));

        generate = gui::Post([] { gui::Click(*gui::Sheet(), ui::kLutGenerate); });
        ASSERT_TRUE(GeneratorUp());
        ClickInGenerator(ui::kIdCancel);
        EXPECT_TRUE(gui::Wait(generate));

        generate = gui::Post([] { gui::Click(*gui::Sheet(), ui::kLutGenerate); });
        ASSERT_TRUE(GeneratorUp());
        gui::Run([] { gui::Dialog(kGenerator)->Close(); });  // the close box
        EXPECT_TRUE(gui::Wait(generate));
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(sheet.Generator().Events(),
              (Events{"load", "create", Changed(ui::kGenSteepness), "ok", "store-failed",
                      Changed(ui::kGenSteepness), "ok", "store", "load", "load"}));
}

TEST_F(LinuxSheet, ErrorsShowAnErrorBox) {
    ActionSheet sheet;
    sheet.Demo(kGeneral).On(ui::kMaxRoi, [](ui::View& view) { view.Error("Cannot read it."); });
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        const auto max = gui::Post([] { gui::Click(*gui::Sheet(), ui::kMaxRoi); });
        const std::optional<gui::MessageBox> box = AwaitMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_TRUE(gui::Wait(max));
        EXPECT_EQ(box->text, "Cannot read it.");
        EXPECT_TRUE(box->error);
        EXPECT_EQ(box->title, ProgramName());
        Click(wxID_CANCEL);
    });
}

TEST_F(LinuxSheet, FileDialogsStartInTheAskedFolderOrTheHomeFolder) {
    const TempFolder folder;
    ActionSheet sheet;
    std::optional<std::string> opened = "not asked";
    std::optional<std::string> saved;
    sheet.Demo(kLut).On(ui::kLutBrowse, [&](ui::View& view) {
        opened = view.OpenFile({"Open LUT", "csv", "lut.csv", "LUT table (*.csv)|*.csv||", ""});
        saved = view.SaveFile(
            {"Save LUT", "csv", "lut.csv", "LUT table (*.csv)|*.csv||", folder.Path().string()});
    });
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        SelectTab(kLut);
        const auto browse = gui::Post([] { gui::Click(*gui::Sheet(), ui::kLutBrowse); });
        std::optional<gui::FileChooser> chooser = AwaitFileChooser();
        ASSERT_TRUE(chooser.has_value());
        EXPECT_EQ(chooser->title, "Open LUT");
        EXPECT_EQ(chooser->folder, std::getenv("HOME"));
        EXPECT_EQ(chooser->filter, "LUT table (*.csv)");
        EXPECT_EQ(chooser->filters, 1);
        gui::Run([] { gui::AnswerFileChooser(""); });

        // Wait for the open dialog to go and the save dialog to come.
        WaitUntil([&] {
            chooser = AwaitFileChooser();
            return chooser.has_value() && chooser->title == "Save LUT";
        });
        ASSERT_TRUE(chooser.has_value());
        EXPECT_EQ(chooser->folder, folder.Path().string());
        EXPECT_EQ(chooser->name, "lut.csv");
        gui::Run([] { gui::AnswerFileChooser("table"); });
        EXPECT_TRUE(gui::Wait(browse));
        Click(wxID_CANCEL);
    });
    EXPECT_EQ(opened, std::nullopt);
    EXPECT_EQ(saved, folder.PathOf("table.csv")) << "the default extension is added";
}

// --- The module's limits ----------------------------------------------------------------

TEST_F(LinuxSheet, AnExceptionFromThePageLogicClosesTheSheetWithOneLine) {
    ActionSheet sheet;
    sheet.Demo(kGeneral).On(ui::kMaxRoi, [](ui::View&) { throw std::runtime_error("boom"); });
    const bool shown = gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        Click(ui::kMaxRoi);
    });
    EXPECT_FALSE(shown);
    EXPECT_EQ(LineLog::Take(),
              (std::vector<std::string>{"Configuration dialog not shown: the dialog ended on an "
                                        "error: boom\n"}));
}

TEST_F(LinuxSheet, OnlyTheThreadThatShowedItFirstMayShowIt) {
    DemoSheet first;
    ASSERT_TRUE(gui::ShowDriven(first, [&] {
        ASSERT_TRUE(SheetUp(first.Demo(kGeneral)));
        Click(wxID_CANCEL);
    }));
    DemoSheet second;
    bool shown = true;
    std::thread([&] { shown = ui::RunSheet(second); }).join();
    EXPECT_FALSE(shown);
    EXPECT_EQ(second.Demo(kGeneral).Events(), Events{});
    EXPECT_EQ(LineLog::Take(),
              (std::vector<std::string>{"Configuration dialog not shown: the dialog can only be "
                                        "shown on the thread that showed it first\n"}));
}

TEST_F(LinuxSheet, TheHostsLocaleIsLeftAsItWas) {
    // GTK's start-up would set the locale from the environment (ctest sets LC_ALL), and the
    // driver's number parsing would follow it. This program never sets one: it stays "C".
    if (std::getenv("LC_ALL") == nullptr) GTEST_SKIP() << "LC_ALL is not set";
    DemoSheet sheet;
    gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(SheetUp(sheet.Demo(kGeneral)));
        Click(wxID_CANCEL);
    });
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

}  // namespace
