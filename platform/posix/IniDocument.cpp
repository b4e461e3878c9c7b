#include "IniDocument.h"

#include <algorithm>
#include <vector>

// Byte strings in and out: the file's encoding is left alone, as the ANSI Win32 calls do.
#define SI_NO_CONVERSION
// Debian's SimpleIni.h keeps its template definitions behind this switch; with it the header
// is complete on its own and nothing needs linking.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace tarnix::platform::detail {
namespace {

using Ini = CSimpleIniA;  // compares section and key names without regard to ASCII case
using Entry = Ini::Entry;

// SimpleIni keeps a comment with the entry after it and has no entry after the last one, so
// a header of this name is added after the file's text to hold the comment lines at its end.
// The name is a control character, which no settings file has in a section name.
constexpr const char* kTrailer = "\x1f";

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Names are looked up without surrounding blanks, as in the file.
std::string Trimmed(const char* text) {
    std::string_view view(text);
    while (!view.empty() && IsBlank(view.front())) view.remove_prefix(1);
    while (!view.empty() && IsBlank(view.back())) view.remove_suffix(1);
    return std::string(view);
}

// SimpleIni keeps comment lines with the entry that follows them, joined by '\n'.
void AppendComment(std::string& out, const char* comment) {
    if (!comment) return;
    std::string_view rest(comment);
    while (!rest.empty()) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        if (end > 0) {
            out.append(rest.substr(0, end));
            out.push_back('\n');
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
}

// Appends text without the lines that open a section header but do not close it on the same
// line. SimpleIni skips such a line but keeps its name for the keys after it, running on into
// them ("[Cam" then "Gain=1" make a section "Cam\nGain"), and that name written back grows by
// a line at every rewrite. Not being a header, the line goes like other damaged lines, and the
// keys after it stay in the section before, as with the Win32 calls. Lines end at a line feed
// or a carriage return, as for SimpleIni.
void AppendWithoutOpenHeaders(std::string& out, std::string_view text) {
    while (!text.empty()) {
        const size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] != '[' ||
            line.find(']', first) != std::string_view::npos) {
            out.append(line);
        }
        out.append(text.substr(end, 1));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

}  // namespace

struct IniDocument::Impl {
    Ini ini;
    bool utf8Mark = false;  // the file started with one: keep it

    Impl() {
        // Keep duplicate keys as they are in the file; a read gives the first one.
        ini.SetMultiKey(true);
        ini.SetMultiLine(false);
        ini.SetQuotes(false);
        ini.SetAllowKeyOnly(false);
    }
};

IniDocument::IniDocument() : m_Impl(std::make_unique<Impl>()) {}
IniDocument::~IniDocument() = default;

void IniDocument::Parse(std::string_view text) {
    m_Impl = std::make_unique<Impl>();
    if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        m_Impl->utf8Mark = true;
        text.remove_prefix(kUtf8Mark.size());
    }
    // The leading line end stops SimpleIni from taking a comment at the very top as its
    // separate "file comment"; that way it stays with the entry after it, like other comments.
    std::string data;
    data.reserve(text.size() + 8);
    data.append("\n");
    AppendWithoutOpenHeaders(data, text);
    data.append("\n[").append(kTrailer).append("]\n");
    // A failure leaves what was parsed so far, which is all a damaged file can give.
    m_Impl->ini.LoadData(data.data(), data.size());
}

const char* IniDocument::Find(const char* section, const char* key) const {
    return m_Impl->ini.GetValue(Trimmed(section).c_str(), Trimmed(key).c_str(), nullptr);
}

bool IniDocument::Set(const char* section, const char* key, const char* value) {
    const std::string sectionName = Trimmed(section);
    std::string keyName = Trimmed(key);
    std::string_view text(value);
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    const std::string newValue(text);

    if (const Ini::TKeyVal* keys = m_Impl->ini.GetSection(sectionName.c_str())) {
        auto existing = keys->find(Entry(keyName.c_str()));
        if (existing != keys->end()) {
            if (newValue == existing->second && keys->count(existing->first) == 1) return false;
            // Replacing re-creates the key under the name passed in: pass the file's spelling.
            keyName = existing->first.pItem;
        }
    }
    m_Impl->ini.SetValue(sectionName.c_str(), keyName.c_str(), newValue.c_str(), nullptr, true);
    return true;
}

bool IniDocument::RemoveKey(const char* section, const char* key) {
    return m_Impl->ini.Delete(Trimmed(section).c_str(), Trimmed(key).c_str(), false);
}

bool IniDocument::RemoveSection(const char* section) {
    return m_Impl->ini.Delete(Trimmed(section).c_str(), nullptr, true);
}

std::string IniDocument::Serialize() const {
    const Ini& ini = m_Impl->ini;
    std::string out;
    if (m_Impl->utf8Mark) out.append(kUtf8Mark);

    Ini::TNamesDepend sections;
    ini.GetAllSections(sections);
    sections.sort(Entry::LoadOrder());
    // Keys before the first header belong to the nameless section; they must stay first.
    auto nameless = std::find_if(sections.begin(), sections.end(),
                                 [](const Entry& section) { return *section.pItem == '\0'; });
    if (nameless != sections.end()) sections.splice(sections.begin(), sections, nameless);

    struct Line {
        const Entry* key;
        const char* value;
    };
    std::vector<Line> lines;
    for (const Entry& section : sections) {
        AppendComment(out, section.pComment);
        if (std::string_view(section.pItem) == kTrailer) continue;
        if (*section.pItem != '\0') {
            out.append("[").append(section.pItem).append("]\n");
        }
        const Ini::TKeyVal* keys = ini.GetSection(section.pItem);
        if (!keys) continue;
        lines.clear();
        for (const auto& [key, value] : *keys) lines.push_back(Line{&key, value});
        std::sort(lines.begin(), lines.end(),
                  [](const Line& a, const Line& b) { return a.key->nOrder < b.key->nOrder; });
        for (const Line& line : lines) {
            AppendComment(out, line.key->pComment);
            out.append(line.key->pItem).append("=").append(line.value).append("\n");
        }
    }
    return out;
}

}  // namespace tarnix::platform::detail
