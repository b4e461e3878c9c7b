// The configuration dialog's pages as data: every control with its id, kind, text, place in
// dialog units and style. Both views (the Win32 property sheet and the Linux one) build their
// windows from these templates, so the layout is written once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnix::ui {

enum class ControlKind : uint8_t {
    GroupBox,
    Label,     // static text
    Edit,      // single-line edit
    CheckBox,  // automatic check box
    PushButton,
    DefaultButton,  // the dialog's default push button
    DropDownList,   // combo box, selection only
    DropDownCombo,  // combo box, selection or typed text
    ListView,       // list in report view
};

// Style bits of a control.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kReadOnly = 1u << 0,     // edit: text cannot be changed by the user
    kSorted = 1u << 1,       // list: entries kept in alphabetical order
    kDisabled = 1u << 2,     // always disabled
    kAutoHScroll = 1u << 3,  // edit: scrolls horizontally
    kAlignRight = 1u << 4,   // static text: right-aligned
    kTabStop = 1u << 5,      // reached with the tab key
    kBorder = 1u << 6,       // list view: a border
    kSingleSelection = 1u << 7,
    kShowSelectionAlways = 1u << 8,
    kVerticalScroll = 1u << 9,
};

// A place in dialog units.
struct DialogRect {
    int16_t x;
    int16_t y;
    int16_t width;
    int16_t height;
};

struct ControlTemplate {
    int32_t id;  // kNoId for labels and group boxes nobody addresses
    ControlKind kind;
    const char* text;
    DialogRect rect;
    uint32_t style;
};

struct DialogTemplate {
    int32_t id;
    const char* caption;  // a page's tab title
    int16_t width;
    int16_t height;
    std::span<const ControlTemplate> controls;

    // The control with the id; null if the template has none.
    const ControlTemplate* Find(int32_t controlId) const;
};

inline constexpr int32_t kNoId = -1;

// The templates by id: 106 General, 107 Controls, 108 GigE, 109 Attributes, 110 LUT, 111 the
// LUT generator. Null for any other id.
const DialogTemplate* FindTemplate(int32_t templateId);

}  // namespace tarnix::ui
