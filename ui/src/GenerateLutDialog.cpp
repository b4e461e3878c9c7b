#include <settings/LutGenerator.h>

#include <cstdio>
#include <mutex>

#include "ui/ControlIds.h"
#include "ui/Exchange.h"
#include "ui/Pages.h"

namespace tarnix::ui {

const char* const kGeneratorFormula =
    "Generate 16bit->8bit transformation LUT file according to formula:\n"
    "\tln(x+s) - ln(s)\n"
    "\t---------------------     x 255\n"
    "\tln(xmax+s) - ln(s)";

const DialogTemplate& DlgGenerateLUT::Template() const {
    return *FindTemplate(kGeneratorTemplate);
}

bool DlgGenerateLUT::Exchange(View& view, Direction direction) {
    // Each setting is the sheet's copy; a store keeps what parsed before a failure.
    auto exchange = [&](int32_t id, int32_t& setting) {
        int32_t value = setting;
        if (!ExchangeInt(view, direction, id, value)) return false;
        if (direction == Direction::Store) setting = value;
        return true;
    };
    return exchange(kGenMinPix, m_Settings.m_LutGenMinPix) &&
           exchange(kGenMaxPix, m_Settings.m_LutGenMaxPix) &&
           exchange(kGenSteepness, m_Settings.m_LutGenSteepness);
}

void DlgGenerateLUT::OnCreate(View& view) {
    view.SetText(kGenFormula, kGeneratorFormula);
    RunExchange(view, Direction::Load);
    Validate(view);
}

void DlgGenerateLUT::Validate(View& view) {
    const settings::LutCurve curve{m_Settings.m_LutGenMinPix, m_Settings.m_LutGenMaxPix,
                                   m_Settings.m_LutGenSteepness};
    char range[32];
    std::snprintf(range, sizeof range, "[%d..%d]", settings::kLutMinBit, settings::kLutMaxBit);
    view.SetText(kGenMinRange, range);
    view.SetText(kGenMaxRange, range);
    std::snprintf(range, sizeof range, "[%d..%d]", settings::kLutMinSteepness,
                  settings::kLutMaxSteepness);
    view.SetText(kGenSteepnessRange, range);
    view.Enable(kIdOk, settings::IsValidLutCurve(curve));
}

void DlgGenerateLUT::OnInputChanged(View& view) {
    // Every keystroke reaches the sheet's settings; a text that is no integer has
    // been reported and leaves the setting as it was.
    RunExchange(view, Direction::Store);
    Validate(view);
}

void DlgGenerateLUT::OnControl(View& view, int32_t id) {
    if (id == kGenMinPix || id == kGenMaxPix || id == kGenSteepness) OnInputChanged(view);
}

void DlgGenerateLUT::OnOk(View& view) {
    RunExchange(view, Direction::Store);
    const std::string folder = m_Settings.m_LutFile;
    const std::optional<std::string> path =
        view.SaveFile({"Select LUT file", "csv", "LUT table", "LUT table (*.csv)|*.csv||", folder});
    if (path) {
        // A file that cannot be written is not reported; the dialog closes all the same.
        settings::WriteLutFile(
            *path, settings::LutCurve{m_Settings.m_LutGenMinPix, m_Settings.m_LutGenMaxPix,
                                      m_Settings.m_LutGenSteepness});
    }
    if (RunExchange(view, Direction::Store)) view.EndDialog(true);
}

}  // namespace tarnix::ui
