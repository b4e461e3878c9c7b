#include <settings/CsvReader.h>

#include "ui/ControlIds.h"
#include "ui/Exchange.h"
#include "ui/Pages.h"

namespace tarnix::ui {
namespace {

constexpr const char* kCsvFilter = "LUT table (*.csv)|*.csv||";

}  // namespace

const DialogTemplate& CLutPage::Template() const {
    return *FindTemplate(kLutTemplate);
}

bool CLutPage::Exchange(View& view, Direction direction) {
    if (direction == Direction::Load) {
        // Any value but 0 is on, and stays what it is until the user clicks the box.
        m_LoadedUseLut = m_Settings.m_UseLut;
        view.SetChecked(kLutEnable, m_LoadedUseLut != 0);
        const int32_t entry = FindEntryWithPrefix(view, kLutColumn, m_Settings.m_LutColumn);
        if (entry >= 0) {
            view.SelectListEntry(kLutColumn, entry);
        } else {
            view.SetText(kLutColumn, m_Settings.m_LutColumn);
        }
        view.SetText(kLutFile, m_Settings.m_LutFile);
        return true;
    }
    // A box as it was loaded gives back the loaded value (2, say), a changed one 1 or 0.
    const bool checked = view.Checked(kLutEnable);
    m_Settings.m_UseLut = checked == (m_LoadedUseLut != 0) ? m_LoadedUseLut : (checked ? 1 : 0);
    // With the table off the column list is empty and disabled: the column stays as it was.
    if (checked) m_Settings.m_LutColumn = view.Text(kLutColumn);
    m_Settings.m_LutFile = view.Text(kLutFile);
    return true;
}

void CLutPage::OnCreate(View& view) {
    RunExchange(view, Direction::Load);
    UpdateControls(view);
    FillColumns(view);
}

void CLutPage::UpdateControls(View& view) {
    RunExchange(view, Direction::Store);
    const bool enabled = m_Settings.m_UseLut != 0;
    for (const int32_t id : {kLutFile, kLutBrowse, kLutGenerate, kLutColumn})
        view.Enable(id, enabled);
}

void CLutPage::FillColumns(View& view) {
    view.ClearList(kLutColumn);
    view.SetComboReadOnly(kLutColumn);
    if (m_Settings.m_UseLut == 0) return;  // no table, no columns
    const std::string file = m_Settings.m_LutFile;
    const std::string column = m_Settings.m_LutColumn;
    try {
        settings::CsvReader reader(file.c_str());
        for (int32_t i = 0; i < reader.ColumnCount(); ++i)
            view.AddListEntry(kLutColumn, reader.ColumnName(i));
        // The sorted list decides where each name went; look the configured one up there.
        int32_t selected = -1;
        for (int32_t i = 0; i < view.ListCount(kLutColumn) && selected < 0; ++i)
            if (view.ListEntry(kLutColumn, i) == column) selected = i;
        if (selected < 0 && view.ListCount(kLutColumn) > 0) selected = 0;
        if (selected >= 0) view.SelectListEntry(kLutColumn, selected);
    } catch (...) {
        // A file that cannot be read leaves the list as far as it got.
    }
}

void CLutPage::OnEnable(View& view) {
    UpdateControls(view);
    // The frame conversion follows the box at once, with the table of the last open; the
    // settings themselves reach the camera when the sheet closes.
    m_Camera.PreviewLut(m_Settings.m_UseLut != 0);
    FillColumns(view);
    view.MarkChanged();
}

void CLutPage::OnBrowse(View& view) {
    const std::string folder = m_Settings.m_LutFile;
    const std::optional<std::string> chosen =
        view.OpenFile({"Select LUT file", "csv", "csv file", kCsvFilter, folder});
    if (!chosen) return;
    settings::CsvReader reader(chosen->c_str());
    if (reader.ColumnCount() <= 0) {
        view.Error("Could not read column names");
        return;
    }
    m_Settings.m_LutFile = *chosen;
    // An exchange, so browsing alone does not make Apply available.
    RunExchange(view, Direction::Load);
    FillColumns(view);
}

void CLutPage::OnGenerate(View& view) {
    DlgGenerateLUT dialog(m_Settings);
    view.RunModal(dialog);
}

void CLutPage::OnControl(View& view, int32_t id) {
    switch (id) {
        case kLutEnable:
            OnEnable(view);
            return;
        case kLutBrowse:
            OnBrowse(view);
            return;
        case kLutGenerate:
            OnGenerate(view);
            return;
        case kLutFile:
        case kLutColumn:
            UpdateControls(view);
            view.MarkChanged();
            return;
        default:
            return;
    }
}

bool CLutPage::OnApply(View& view) {
    UpdateControls(view);
    FillColumns(view);
    return true;
}

}  // namespace tarnix::ui
