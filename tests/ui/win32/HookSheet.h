// Demo pages with hooks: what a test needs a page's logic to do on the sheet's own thread
// (call the view's functions, open the generator or a file dialog, throw), on top of the
// demo page's loading, storing and recording.
#pragma once

#include <harness/DemoSheet.h>
#include <ui/SheetModel.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnix::test {

class HookPage : public DemoPage {
  public:
    using DemoPage::DemoPage;
    // After the creation's load exchange.
    std::function<void(ui::View&)> onCreate;
    // After the recording of a control's change.
    std::function<void(ui::View&, int32_t)> onControl;

  protected:
    void OnCreate(ui::View& view) override {
        DemoPage::OnCreate(view);
        if (onCreate) onCreate(view);
    }
    void OnControl(ui::View& view, int32_t id) override {
        DemoPage::OnControl(view, id);
        if (onControl) onControl(view, id);
    }
};

// The demo sheet's five tabs as hook pages, and the generator dialog the LUT page's Generate
// button opens.
class HookSheet : public ui::SheetModel {
  public:
    static constexpr size_t kGeneralTab = 0;
    static constexpr size_t kControlsTab = 1;
    static constexpr size_t kLutTab = 2;
    static constexpr size_t kGigETab = 3;
    static constexpr size_t kAttributesTab = 4;

    HookSheet() : m_Generator(ui::kGeneratorTemplate) {
        for (const int32_t id : {ui::kGeneralTemplate, ui::kControlsTemplate, ui::kLutTemplate,
                                 ui::kGigETemplate, ui::kAttributesTemplate})
            m_Pages.push_back(std::make_unique<HookPage>(id));
        Hook(kLutTab).onControl = [this](ui::View& view, int32_t id) {
            if (id == ui::kLutGenerate) view.RunModal(m_Generator);
        };
    }
    std::string Caption() const override { return "SimMono8"; }
    size_t PageCount() const override { return m_Pages.size(); }
    ui::DialogLogic& Page(size_t index) override { return *m_Pages[index]; }
    HookPage& Hook(size_t index) { return *m_Pages[index]; }
    HookPage& Generator() { return m_Generator; }

  private:
    std::vector<std::unique_ptr<HookPage>> m_Pages;
    HookPage m_Generator;
};

}  // namespace tarnix::test
