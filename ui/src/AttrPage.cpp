#include <base/SdkApi.h>

#include <cstdio>

#include "ui/ControlIds.h"
#include "ui/Pages.h"

namespace tarnix::ui {
namespace {

constexpr uint32_t kCellSize = 255;  // terminator included

}  // namespace

const char* TypeLetter(tPvDatatype type) {
    switch (type) {
        case ePvDatatypeUnknown:
            return "U";
        case ePvDatatypeCommand:
            return "C";
        case ePvDatatypeRaw:
            return "R";
        case ePvDatatypeString:
            return "S";
        case ePvDatatypeEnum:
            return "E";
        case ePvDatatypeUint32:
            return "I";
        case ePvDatatypeFloat32:
            return "F";
        default:
            return "X";
    }
}

std::string FlagsText(uint32_t flags) {
    std::string text;
    if (flags & ePvFlagRead) text += 'R';
    if (flags & ePvFlagWrite) text += 'W';
    if (flags & ePvFlagVolatile) text += 'V';
    if (flags & ePvFlagConst) text += 'C';
    return text;
}

const DialogTemplate& CAttrPage::Template() const {
    return *FindTemplate(kAttributesTemplate);
}

bool CAttrPage::Exchange(View& /*view*/, Direction /*direction*/) {
    // The list is the page's only control and holds no field: rows are filled once.
    return true;
}

void CAttrPage::OnCreate(View& view) {
    view.AddColumn(kAttributeList, "Attribute", Align::Left, 120);
    view.AddColumn(kAttributeList, "Type", Align::Centre, 50);
    view.AddColumn(kAttributeList, "Flags", Align::Centre, 60);
    view.AddColumn(kAttributeList, "Value", Align::Left, 75);
    view.AddColumn(kAttributeList, "Range", Align::Left, 150);
    view.AddColumn(kAttributeList, "Category", Align::Left, 200);
    FillAttributeList(view);
}

void CAttrPage::FillAttributeList(View& view) {
    for (const std::string& attribute : m_Camera.AttrNames()) {
        const char* const name = attribute.c_str();
        tPvAttributeInfo info{};
        if (!m_Camera.AttrInfo(name, info)) continue;
        char value[kCellSize] = "n/a";
        char range[kCellSize] = "n/a";
        switch (info.Datatype) {
            case ePvDatatypeString:
                m_Camera.AttrStringGet(name, value, kCellSize);
                break;
            case ePvDatatypeEnum:
                m_Camera.AttrStringGet(name, value, kCellSize);
                m_Camera.AttrRangeEnum(name, range, kCellSize);
                break;
            case ePvDatatypeUint32: {
                uint32_t current = 0;
                uint32_t min = 0;
                uint32_t max = 0;
                m_Camera.AttrUint32Get(name, current);
                m_Camera.AttrRangeUint32(name, min, max);
                // Signed, as the list always showed them: 4294967295 reads -1.
                std::snprintf(value, sizeof value, "%d", static_cast<int>(current));
                std::snprintf(range, sizeof range, "%d..%d", static_cast<int>(min),
                              static_cast<int>(max));
                break;
            }
            case ePvDatatypeFloat32: {
                float current = 0.0F;
                float min = 0.0F;
                float max = 0.0F;
                m_Camera.AttrFloat32Get(name, current);
                m_Camera.AttrRangeFloat32(name, min, max);
                std::snprintf(value, sizeof value, "%g", static_cast<double>(current));
                std::snprintf(range, sizeof range, "%g..%g", static_cast<double>(min),
                              static_cast<double>(max));
                break;
            }
            default:
                break;
        }
        const int32_t row = view.AddRow(kAttributeList, name);
        view.SetCell(kAttributeList, row, 1, TypeLetter(info.Datatype));
        view.SetCell(kAttributeList, row, 2, FlagsText(info.Flags));
        view.SetCell(kAttributeList, row, 3, value);
        view.SetCell(kAttributeList, row, 4, range);
        view.SetCell(kAttributeList, row, 5, info.Category ? info.Category : "");
    }
}

}  // namespace tarnix::ui
