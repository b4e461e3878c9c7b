// The demo sheet with pages that also act on their controls, as the real pages do: a button
// opens the generator dialog, asks for a file, shows a message or fills in a value.
#pragma once

#include <harness/DemoSheet.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tarnix::test {

class ActionPage : public DemoPage {
  public:
    using Action = std::function<void(ui::View& view)>;
    using DemoPage::DemoPage;

    // Runs action after the control's change is recorded.
    void On(int32_t id, Action action) { m_Actions[id] = std::move(action); }

  protected:
    void OnControl(ui::View& view, int32_t id) override {
        DemoPage::OnControl(view, id);
        const auto found = m_Actions.find(id);
        if (found != m_Actions.end()) found->second(view);
    }

  private:
    std::map<int32_t, Action> m_Actions;
};

// The five tabs in DemoSheet's order; the LUT tab's "Generate LUT" runs the generator dialog.
class ActionSheet : public ui::SheetModel {
  public:
    static constexpr size_t kLutTab = 2;

    ActionSheet() {
        for (const int32_t id : {ui::kGeneralTemplate, ui::kControlsTemplate, ui::kLutTemplate,
                                 ui::kGigETemplate, ui::kAttributesTemplate})
            m_Pages.push_back(std::make_unique<ActionPage>(id));
        Demo(kLutTab).On(ui::kLutGenerate, [this](ui::View& view) { view.RunModal(m_Generator); });
    }
    std::string Caption() const override { return "SimMono8"; }
    size_t PageCount() const override { return m_Pages.size(); }
    ui::DialogLogic& Page(size_t index) override { return *m_Pages[index]; }
    ActionPage& Demo(size_t index) { return *m_Pages[index]; }
    DemoPage& Generator() { return m_Generator; }

  private:
    std::vector<std::unique_ptr<ActionPage>> m_Pages;
    DemoPage m_Generator{ui::kGeneratorTemplate};
};

}  // namespace tarnix::test
