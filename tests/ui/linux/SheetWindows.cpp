#include "SheetWindows.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <ui/Toolkit.h>
#include <wx/bookctrl.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "GuiQueue.h"
#include "harness/Wait.h"

namespace tarnix::test::gui {
namespace {

GtkWidget* Widget(int id) {
    wxWindow* window = wxWindow::FindWindowById(id);
    return window != nullptr ? window->GetHandle() : nullptr;
}

// The GTK dialog that is showing (message boxes and file dialogs are GTK's own), or null.
template <typename Check>
GtkDialog* ShownGtkDialog(Check isKind) {
    GtkDialog* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
        auto* widget = static_cast<GtkWidget*>(item->data);
        if (isKind(widget) && gtk_widget_get_visible(widget)) found = GTK_DIALOG(widget);
    }
    g_list_free(windows);
    return found;
}

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

std::string Owned(gchar* text) {
    std::string copy = text != nullptr ? text : "";
    g_free(text);
    return copy;
}

}  // namespace

bool ShowDriven(ui::SheetModel& sheet, const std::function<void()>& script) {
    std::atomic<bool> closed{false};
    std::thread driver([&] {
        script();
        // A script that stopped halfway (a failed assertion) leaves windows open.
        for (int attempt = 0; attempt < 8 && !closed; ++attempt) {
            bool closedOne = false;
            Run([&] { closedOne = CloseInnermost(); });
            if (closedOne) ADD_FAILURE() << "the script left a window open";
        }
    });
    BeginShowing();
    const bool shown = ui::RunSheet(sheet);
    closed = true;
    EndShowing();
    driver.join();
    return shown;
}

void ClickTab(int index) {
    wxPoint at;
    ASSERT_TRUE(Run([&] { at = TabCentre(index); }));
    const std::string command =
        "xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

bool SelectTab(int index) {
    ClickTab(index);
    return WaitUntil([index] {
        int tab = -1;
        Run([&] { tab = CurrentTab(); });
        return tab == index;
    });
}

void ClickAndPress(int id, const std::string& keys) {
    wxPoint at;
    ASSERT_TRUE(Run([&] { at = ControlCentre(id); }));
    const std::string command = "xdotool mousemove " + std::to_string(at.x) + " " +
                                std::to_string(at.y) + " click 1 sleep 0.2 key --delay 100 " + keys;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

wxPropertySheetDialog* Sheet() {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* sheet = dynamic_cast<wxPropertySheetDialog*>(window);
        if (sheet != nullptr && sheet->IsModal()) return sheet;
    }
    return nullptr;
}

wxDialog* Dialog(const std::string& title) {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog != nullptr && dialog->IsModal() && dialog->GetTitle().utf8_string() == title)
            return dialog;
    }
    return nullptr;
}

int CurrentTab() {
    return Sheet() != nullptr ? Sheet()->GetBookCtrl()->GetSelection() : -1;
}

wxPoint TabCentre(int index) {
    wxBookCtrlBase* book = Sheet()->GetBookCtrl();
    GtkNotebook* notebook = GTK_NOTEBOOK(book->GetHandle());
    GtkWidget* label =
        gtk_notebook_get_tab_label(notebook, gtk_notebook_get_nth_page(notebook, index));
    GtkAllocation size;
    gtk_widget_get_allocation(label, &size);
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(label, GTK_WIDGET(notebook), size.width / 2, size.height / 2,
                                     &x, &y);
    return book->GetScreenPosition() + wxPoint(x, y);
}

void SwitchPageThroughGtk(int index) {
    gtk_notebook_set_current_page(GTK_NOTEBOOK(Sheet()->GetBookCtrl()->GetHandle()), index);
}

void Click(wxWindow& window, int id) {
    wxWindow* control = window.FindWindow(id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    ASSERT_TRUE(GTK_IS_BUTTON(control->GetHandle())) << "control " << id << " is no button";
    gtk_button_clicked(GTK_BUTTON(control->GetHandle()));
}

void Type(int id, const std::string& text) {
    GtkWidget* widget = Widget(id);
    if (widget != nullptr && GTK_IS_COMBO_BOX(widget)) widget = gtk_bin_get_child(GTK_BIN(widget));
    ASSERT_TRUE(widget != nullptr && GTK_IS_ENTRY(widget)) << "control " << id << " is no edit";
    gtk_entry_set_text(GTK_ENTRY(widget), text.c_str());
}

void Choose(int id, int index) {
    GtkWidget* widget = Widget(id);
    ASSERT_TRUE(widget != nullptr && GTK_IS_COMBO_BOX(widget)) << "control " << id << " is no list";
    gtk_combo_box_set_active(GTK_COMBO_BOX(widget), index);
}

wxPoint ControlCentre(int id) {
    wxWindow* control = wxWindow::FindWindowById(id);
    if (control == nullptr) return {};
    return control->GetScreenPosition() + control->GetSize() / 2;
}

std::optional<MessageBox> AnswerMessageBox() {
    GtkDialog* dialog = ShownGtkDialog([](GtkWidget* w) { return GTK_IS_MESSAGE_DIALOG(w); });
    if (dialog == nullptr) return std::nullopt;
    MessageBox box;
    box.title = Text(gtk_window_get_title(GTK_WINDOW(dialog)));
    gchar* text = nullptr;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    g_object_get(dialog, "text", &text, "message-type", &type, nullptr);
    box.text = Owned(text);
    box.warning = type == GTK_MESSAGE_WARNING;
    box.error = type == GTK_MESSAGE_ERROR;
    gtk_dialog_response(dialog, GTK_RESPONSE_OK);
    return box;
}

std::optional<FileChooser> ShownFileChooser() {
    GtkDialog* dialog = ShownGtkDialog([](GtkWidget* w) { return GTK_IS_FILE_CHOOSER_DIALOG(w); });
    if (dialog == nullptr) return std::nullopt;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    FileChooser shown;
    shown.title = Text(gtk_window_get_title(GTK_WINDOW(dialog)));
    shown.folder = Owned(gtk_file_chooser_get_current_folder(chooser));
    if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE)
        shown.name = Owned(gtk_file_chooser_get_current_name(chooser));
    GSList* filters = gtk_file_chooser_list_filters(chooser);
    shown.filters = static_cast<int>(g_slist_length(filters));
    g_slist_free(filters);
    if (GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser))
        shown.filter = Text(gtk_file_filter_get_name(filter));
    return shown;
}

void AnswerFileChooser(const std::string& name) {
    GtkDialog* dialog = ShownGtkDialog([](GtkWidget* w) { return GTK_IS_FILE_CHOOSER_DIALOG(w); });
    ASSERT_NE(dialog, nullptr);
    if (name.empty()) {
        gtk_dialog_response(dialog, GTK_RESPONSE_CANCEL);
        return;
    }
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
    gtk_dialog_response(dialog, GTK_RESPONSE_ACCEPT);
}

bool CloseInnermost() {
    const auto isGtksOwn = [](GtkWidget* w) {
        return GTK_IS_MESSAGE_DIALOG(w) || GTK_IS_FILE_CHOOSER_DIALOG(w);
    };
    if (GtkDialog* dialog = ShownGtkDialog(isGtksOwn)) {
        gtk_dialog_response(dialog, GTK_RESPONSE_CANCEL);
        return true;
    }
    wxDialog* innermost = nullptr;
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog != nullptr && dialog->IsModal()) innermost = dialog;
    }
    if (innermost == nullptr) return false;
    innermost->EndModal(wxID_CANCEL);
    return true;
}

}  // namespace tarnix::test::gui
