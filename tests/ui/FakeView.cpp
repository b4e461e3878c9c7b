#include "FakeView.h"

#include <gtest/gtest.h>
#include <ui/SheetModel.h>

#include <algorithm>
#include <memory>

namespace tarnix::test {

FakeView::FakeView(ui::DialogLogic& logic) : m_Logic(logic) {
    for (const ui::ControlTemplate& control : logic.Template().controls) {
        if (control.id == ui::kNoId) continue;
        Control state{control.kind, control.style, control.text};
        state.enabled = (control.style & ui::kDisabled) == 0;
        state.readOnly = (control.style & ui::kReadOnly) != 0;
        m_Controls.emplace(control.id, state);
    }
}

FakeView::Control& FakeView::At(int32_t id) {
    auto found = m_Controls.find(id);
    if (found == m_Controls.end()) {
        ADD_FAILURE() << "no control " << id << " in template " << m_Logic.Template().id;
        static Control none{ui::ControlKind::Label, 0, ""};
        return none;
    }
    return found->second;
}

const FakeView::Control& FakeView::At(int32_t id) const {
    return const_cast<FakeView*>(this)->At(id);
}

void FakeView::Type(int32_t id, const std::string& text) {
    EXPECT_TRUE(At(id).enabled) << "typing into disabled control " << id;
    EXPECT_FALSE(At(id).readOnly) << "typing into read-only control " << id;
    Control& control = At(id);
    control.text = text;
    control.selection = -1;
    m_Logic.ControlChanged(*this, id);
}

void FakeView::Pick(int32_t id, int32_t index) {
    Control& control = At(id);
    EXPECT_TRUE(control.enabled) << "picking in disabled control " << id;
    ASSERT_LT(index, static_cast<int32_t>(control.entries.size()));
    // The list's selection moves, the change is reported, and only then does a combo copy the
    // entry into its edit: while reported, its text is the selected entry's as the view reads it.
    control.selection = index;
    m_Picking = id;
    m_Logic.ControlChanged(*this, id);
    m_Picking = 0;
    Control& after = At(id);
    if (after.selection >= 0) after.text = after.entries[static_cast<size_t>(after.selection)];
}

void FakeView::Click(int32_t id) {
    Control& control = At(id);
    EXPECT_TRUE(control.enabled) << "clicking disabled control " << id;
    if (control.kind == ui::ControlKind::CheckBox) control.checked = !control.checked;
    m_Logic.ControlChanged(*this, id);
}

std::string FakeView::Text(int32_t id) const {
    const Control& control = At(id);
    if (control.kind == ui::ControlKind::DropDownList || id == m_Picking)
        return control.selection >= 0 ? control.entries[static_cast<size_t>(control.selection)]
                                      : std::string();
    return control.text;
}

void FakeView::SetText(int32_t id, const std::string& text) {
    Control& control = At(id);
    control.text = text;
    if (control.kind == ui::ControlKind::DropDownCombo) {
        control.selection = -1;  // a combo's own text: no entry selected, no notification
        return;
    }
    // An edit reports every change of its text, whoever made it.
    if (control.kind == ui::ControlKind::Edit) m_Logic.ControlChanged(*this, id);
}

void FakeView::ClearList(int32_t id) {
    Control& control = At(id);
    control.entries.clear();
    control.selection = -1;
    control.text.clear();
}

void FakeView::AddListEntry(int32_t id, const std::string& entry) {
    Control& control = At(id);
    auto at = control.entries.end();
    if (control.style & ui::kSorted) {
        // Case-blind order, as the list controls keep it.
        at = std::find_if(control.entries.begin(), control.entries.end(), [&](const auto& e) {
            return std::lexicographical_compare(
                entry.begin(), entry.end(), e.begin(), e.end(),
                [](char a, char b) { return std::tolower(a) < std::tolower(b); });
        });
    }
    const auto index = at - control.entries.begin();
    control.entries.insert(at, entry);
    if (control.selection >= index) ++control.selection;
}

int32_t FakeView::ListCount(int32_t id) const {
    return static_cast<int32_t>(At(id).entries.size());
}

std::string FakeView::ListEntry(int32_t id, int32_t index) const {
    const Control& control = At(id);
    if (index < 0 || index >= static_cast<int32_t>(control.entries.size())) return {};
    return control.entries[static_cast<size_t>(index)];
}

void FakeView::SelectListEntry(int32_t id, int32_t index) {
    Control& control = At(id);
    control.selection = index < static_cast<int32_t>(control.entries.size()) ? index : -1;
    if (control.selection >= 0)
        control.text = control.entries[static_cast<size_t>(index)];
    else if (control.kind == ui::ControlKind::DropDownList)
        control.text.clear();
}

void FakeView::AddColumn(int32_t id, const char* heading, ui::Align /*align*/, int32_t /*w*/) {
    At(id).columns.emplace_back(heading);
}

int32_t FakeView::AddRow(int32_t id, const std::string& firstCell) {
    Control& control = At(id);
    control.rows.push_back(std::vector<std::string>(std::max<size_t>(control.columns.size(), 1)));
    control.rows.back()[0] = firstCell;
    return static_cast<int32_t>(control.rows.size() - 1);
}

void FakeView::SetCell(int32_t id, int32_t row, int32_t column, const std::string& text) {
    Control& control = At(id);
    auto& cells = control.rows.at(static_cast<size_t>(row));
    if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text;
}

std::optional<std::string> FakeView::AnswerFile(const ui::FileRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = fileAnswers.front();
    fileAnswers.erase(fileAnswers.begin());
    return answer;
}

std::optional<std::string> FakeView::OpenFile(const ui::FileRequest& request) {
    return AnswerFile(request);
}

std::optional<std::string> FakeView::SaveFile(const ui::FileRequest& request) {
    return AnswerFile(request);
}

void FakeView::RunModal(ui::DialogLogic& dialog) {
    ++modals;
    FakeView inner(dialog);
    inner.fileAnswers = std::move(fileAnswers);
    fileAnswers.clear();
    dialog.Shown(inner);
    if (insideModal) insideModal(inner);
    fileRequests.insert(fileRequests.end(), inner.fileRequests.begin(), inner.fileRequests.end());
    warnings.insert(warnings.end(), inner.warnings.begin(), inner.warnings.end());
}

FakeSheet::FakeSheet(ui::SheetModel& sheet) : m_Sheet(sheet), m_Views(sheet.PageCount()) {}

FakeView& FakeSheet::View(size_t index) {
    if (!m_Views[index]) m_Views[index] = std::make_unique<FakeView>(m_Sheet.Page(index));
    return *m_Views[index];
}

void FakeSheet::Open() {
    m_Current = 0;
    m_Sheet.Page(0).Shown(View(0));
}

bool FakeSheet::ShowTab(size_t index) {
    if (!m_Sheet.Page(m_Current).Leaving(View(m_Current))) return false;
    m_Current = index;
    m_Sheet.Page(index).Shown(View(index));
    return true;
}

bool FakeSheet::StoreAndApply() {
    if (!m_Sheet.Page(m_Current).Leaving(View(m_Current))) return false;
    bool accepted = true;
    for (size_t i = 0; i < m_Views.size(); ++i)
        if (m_Views[i] && !m_Sheet.Page(i).ApplyNotice(*m_Views[i])) accepted = false;
    return accepted;
}

bool FakeSheet::Ok() {
    return StoreAndApply();
}

bool FakeSheet::Apply() {
    StoreAndApply();
    return false;
}

}  // namespace tarnix::test
