#include "DialogBuilder.h"

#include <commctrl.h>

#include <string>

namespace tarnix::ui::win32 {
namespace {

// The predefined window classes a template names by atom.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;

constexpr const char* kFontFace = "MS Shell Dlg";
constexpr WORD kFontPoints = 8;

// Appends the fields of a template in its layout: little-endian words, UTF-16 strings, items
// on DWORD boundaries.
class TemplateWriter {
  public:
    void Word(WORD value) { m_Words.push_back(value); }
    void DWord(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Short(int16_t value) { Word(static_cast<WORD>(value)); }
    void Atom(WORD atom) {
        Word(0xFFFF);
        Word(atom);
    }
    // NUL-terminated; the templates' texts are in the code page the A functions use.
    void Text(const char* text) {
        const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
        if (length > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
        for (const wchar_t c : wide) Word(static_cast<WORD>(c));
    }
    void AlignDWord() {
        if (m_Words.size() % 2 != 0) Word(0);
    }
    std::vector<WORD> Take() { return std::move(m_Words); }

  private:
    std::vector<WORD> m_Words;
};

DWORD KindStyle(ControlKind kind) {
    switch (kind) {
        case ControlKind::GroupBox:
            return BS_GROUPBOX;
        case ControlKind::Label:
            return SS_LEFT;
        case ControlKind::Edit:
            return WS_BORDER;
        case ControlKind::CheckBox:
            return BS_AUTOCHECKBOX;
        case ControlKind::PushButton:
            return BS_PUSHBUTTON;
        case ControlKind::DefaultButton:
            return BS_DEFPUSHBUTTON;
        case ControlKind::DropDownList:
            return CBS_DROPDOWNLIST;
        case ControlKind::DropDownCombo:
            // Without it the box refuses what is typed beyond its width.
            return CBS_DROPDOWN | CBS_AUTOHSCROLL;
        case ControlKind::ListView:
            // No sorting and no label editing: the rows stay in the order the page adds them.
            return LVS_REPORT;
    }
    return 0;
}

// The style bits the template's flags stand for with this kind of control.
DWORD FlagStyle(ControlKind kind, uint32_t flags) {
    DWORD style = 0;
    const bool combo = kind == ControlKind::DropDownList || kind == ControlKind::DropDownCombo;
    if ((flags & kTabStop) != 0) style |= WS_TABSTOP;
    if ((flags & kDisabled) != 0) style |= WS_DISABLED;
    if ((flags & kVerticalScroll) != 0) style |= WS_VSCROLL;
    if (kind == ControlKind::Edit) {
        if ((flags & kReadOnly) != 0) style |= ES_READONLY;
        if ((flags & kAutoHScroll) != 0) style |= ES_AUTOHSCROLL;
    }
    if (combo && (flags & kSorted) != 0) style |= CBS_SORT;
    if (kind == ControlKind::Label && (flags & kAlignRight) != 0) style |= SS_RIGHT;
    if (kind == ControlKind::ListView) {
        if ((flags & kBorder) != 0) style |= WS_BORDER;
        if ((flags & kSingleSelection) != 0) style |= LVS_SINGLESEL;
        if ((flags & kShowSelectionAlways) != 0) style |= LVS_SHOWSELALWAYS;
    }
    return style;
}

void WriteControl(TemplateWriter& writer, const ControlTemplate& control) {
    writer.AlignDWord();
    writer.DWord(0);  // help id
    writer.DWord(0);  // extended style
    writer.DWord(ControlWindowStyle(control));
    writer.Short(control.rect.x);
    writer.Short(control.rect.y);
    writer.Short(control.rect.width);
    writer.Short(control.rect.height);
    writer.DWord(static_cast<DWORD>(control.id));
    switch (control.kind) {
        case ControlKind::GroupBox:
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
        case ControlKind::DefaultButton:
            writer.Atom(kButtonAtom);
            break;
        case ControlKind::Label:
            writer.Atom(kStaticAtom);
            break;
        case ControlKind::Edit:
            writer.Atom(kEditAtom);
            break;
        case ControlKind::DropDownList:
        case ControlKind::DropDownCombo:
            writer.Atom(kComboBoxAtom);
            break;
        case ControlKind::ListView:
            writer.Text("SysListView32");
            break;
    }
    writer.Text(control.text);
    writer.Word(0);  // no creation data
}

}  // namespace

DWORD ControlWindowStyle(const ControlTemplate& control) {
    return WS_CHILD | WS_VISIBLE | KindStyle(control.kind) | FlagStyle(control.kind, control.style);
}

std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog, DialogUse use) {
    // DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS) takes the font below as the shell's dialog font.
    // The property sheet turns a page into a child control of its own and drops the caption;
    // the caption is still the page's title should the sheet ever read it from the template.
    const DWORD style = use == DialogUse::Page
                            ? DS_SHELLFONT | WS_CHILD | WS_CAPTION
                            : DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    TemplateWriter writer;
    writer.Word(1);       // version
    writer.Word(0xFFFF);  // the extended template's signature
    writer.DWord(0);      // help id
    writer.DWord(0);      // extended style
    writer.DWord(style);
    writer.Word(static_cast<WORD>(dialog.controls.size()));
    writer.Short(0);
    writer.Short(0);
    writer.Short(dialog.width);
    writer.Short(dialog.height);
    writer.Word(0);  // no menu
    writer.Word(0);  // the predefined dialog class
    writer.Text(dialog.caption);
    writer.Word(kFontPoints);
    writer.Word(FW_NORMAL);
    writer.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, character set
    writer.Text(kFontFace);
    for (const ControlTemplate& control : dialog.controls) WriteControl(writer, control);
    return writer.Take();
}

}  // namespace tarnix::ui::win32
