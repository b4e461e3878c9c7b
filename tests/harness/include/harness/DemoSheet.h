// A sheet of simple recording pages on the real templates, for the views' own tests: every
// page loads fixed texts into its edits and lists, stores them back (an edit holding "bad"
// does not parse), and records every lifecycle event it receives. Header only: it needs
// nothing but the ui layer's view interface.
#pragma once

#include <ui/ControlIds.h>
#include <ui/DialogLogic.h>
#include <ui/SheetModel.h>
#include <ui/Template.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnix::test {

class DemoPage : public ui::DialogLogic {
  public:
    explicit DemoPage(int32_t templateId) : m_Template(*ui::FindTemplate(templateId)) {}
    const ui::DialogTemplate& Template() const override { return m_Template; }

    // "create", "load", "store", "store-failed", "apply", "control <id>", "ok".
    std::vector<std::string> Events() const {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Events;
    }
    // What the last store read from each edit and list, by id.
    std::vector<std::pair<int32_t, std::string>> Stored() const {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Stored;
    }

  protected:
    bool Exchange(ui::View& view, ui::Direction direction) override {
        if (direction == ui::Direction::Load) {
            Record("load");
            for (const ui::ControlTemplate& control : m_Template.controls) {
                if (control.id == ui::kNoId) continue;
                // Appended rather than "v" + ...: GCC 12 at -O3 takes the insert that operator+
                // inlines for an overlapping copy (-Wrestrict) in the 32-bit build.
                std::string text = "v";
                text += std::to_string(control.id);
                switch (control.kind) {
                    case ui::ControlKind::Edit:
                        view.SetText(control.id, text);
                        break;
                    case ui::ControlKind::DropDownList:
                    case ui::ControlKind::DropDownCombo:
                        view.ClearList(control.id);
                        view.AddListEntry(control.id, "zeta");
                        view.AddListEntry(control.id, "alpha");
                        view.SelectListEntry(control.id, 0);
                        break;
                    case ui::ControlKind::ListView:
                        if (!m_ColumnsAdded) {
                            view.AddColumn(control.id, "Attribute", ui::Align::Left, 120);
                            view.AddColumn(control.id, "Type", ui::Align::Centre, 50);
                            m_ColumnsAdded = true;
                        }
                        view.SetCell(control.id, view.AddRow(control.id, "Width"), 1, "I");
                        break;
                    default:
                        break;
                }
            }
            return true;
        }
        std::vector<std::pair<int32_t, std::string>> stored;
        for (const ui::ControlTemplate& control : m_Template.controls) {
            if (control.id == ui::kNoId) continue;
            if (control.kind != ui::ControlKind::Edit &&
                control.kind != ui::ControlKind::DropDownList &&
                control.kind != ui::ControlKind::DropDownCombo)
                continue;
            const std::string text = view.Text(control.id);
            if (text == "bad") {
                Record("store-failed");
                view.Warning("Enter a number.");
                view.FocusAndSelect(control.id);
                return false;
            }
            stored.emplace_back(control.id, text);
        }
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Events.push_back("store");
        m_Stored = std::move(stored);
        return true;
    }
    void OnCreate(ui::View& /*view*/) override { Record("create"); }
    void OnControl(ui::View& view, int32_t id) override {
        Record("control " + std::to_string(id));
        view.MarkChanged();
    }
    bool OnApply(ui::View& /*view*/) override {
        Record("apply");
        return true;
    }
    void OnOk(ui::View& view) override {
        Record("ok");
        DialogLogic::OnOk(view);
    }

  private:
    void Record(const std::string& event) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Events.push_back(event);
    }

    const ui::DialogTemplate& m_Template;
    mutable std::mutex m_Mutex;
    std::vector<std::string> m_Events;
    std::vector<std::pair<int32_t, std::string>> m_Stored;
    bool m_ColumnsAdded = false;
};

// The five tabs in the sheet's order.
class DemoSheet : public ui::SheetModel {
  public:
    DemoSheet() {
        for (const int32_t id : {ui::kGeneralTemplate, ui::kControlsTemplate, ui::kLutTemplate,
                                 ui::kGigETemplate, ui::kAttributesTemplate})
            m_Pages.push_back(std::make_unique<DemoPage>(id));
    }
    std::string Caption() const override { return "SimMono8"; }
    size_t PageCount() const override { return m_Pages.size(); }
    ui::DialogLogic& Page(size_t index) override { return *m_Pages[index]; }
    DemoPage& Demo(size_t index) { return *m_Pages[index]; }

  private:
    std::vector<std::unique_ptr<DemoPage>> m_Pages;
};

}  // namespace tarnix::test
