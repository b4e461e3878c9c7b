#include "ui/Exchange.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace tarnix::ui {
namespace {

size_t SkipBlanks(const std::string& text, size_t at = 0) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    return at;
}

bool Refuse(View& view, int32_t id, const char* message) {
    view.Warning(message);
    view.FocusAndSelect(id);
    return false;
}

}  // namespace

bool ParseUnsigned(const std::string& text, uint32_t& value) {
    size_t at = SkipBlanks(text);
    if (at == text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return false;
    uint64_t number = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        number = number * 10 + static_cast<uint64_t>(text[at] - '0');
        if (number > std::numeric_limits<uint32_t>::max()) return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

bool ParseFloat(const std::string& text, float& value) {
    const char* const begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(begin, &end);
    // strtod also reads "inf", "nan" and hexadecimal; only decimal numbers count here.
    const size_t start = SkipBlanks(text);
    if (end == begin || start == text.size()) return false;
    const size_t digits = text[start] == '+' || text[start] == '-' ? start + 1 : start;
    const char first = text[digits];
    if (!std::isdigit(static_cast<unsigned char>(first)) && first != '.') return false;
    if (digits + 2 < text.size() && first == '0' && (text[digits + 1] | 0x20) == 'x') {
        value = 0.0F;  // "0x..." reads as the 0 before the x, as a decimal parse does
        return true;
    }
    if (errno == ERANGE || number > std::numeric_limits<float>::max() ||
        number < -std::numeric_limits<float>::max())
        return false;
    value = static_cast<float>(number);
    return true;
}

bool ParseInt(const std::string& text, int32_t& value) {
    const char* const begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max())
        return false;
    if (SkipBlanks(text, static_cast<size_t>(end - begin)) != text.size()) return false;
    value = static_cast<int32_t>(number);
    return true;
}

int32_t LeadingInt(const std::string& text) {
    size_t at = SkipBlanks(text);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    int64_t number = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        number = number * 10 + (text[at] - '0');
        if (number > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
    }
    if (negative) number = -number;
    if (number > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (number < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(number);
}

std::string FormatFloat(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", 6, static_cast<double>(value));
    return text;
}

void AddCommaSeparatedEntries(View& view, int32_t id, const std::string& text) {
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string::npos ? text.size() : comma;
        if (end > start) view.AddListEntry(id, text.substr(start, end - start));
        if (comma == std::string::npos) return;
        start = comma + 1;
    }
}

int32_t FindEntryWithPrefix(const View& view, int32_t id, const std::string& prefix) {
    const int32_t count = view.ListCount(id);
    for (int32_t i = 0; i < count; ++i) {
        const std::string entry = view.ListEntry(id, i);
        if (entry.size() < prefix.size()) continue;
        bool same = true;
        for (size_t c = 0; c < prefix.size() && same; ++c)
            same = std::tolower(static_cast<unsigned char>(entry[c])) ==
                   std::tolower(static_cast<unsigned char>(prefix[c]));
        if (same) return i;
    }
    return -1;
}

bool ExchangeText(View& view, Direction direction, int32_t id, std::string& value) {
    if (direction == Direction::Load) {
        view.SetText(id, value);
    } else {
        value = view.Text(id);
    }
    return true;
}

bool ExchangeUnsigned(View& view, Direction direction, int32_t id, uint32_t& value) {
    if (direction == Direction::Load) {
        view.SetText(id, std::to_string(value));
        return true;
    }
    return ParseUnsigned(view.Text(id), value) || Refuse(view, id, kEnterPositiveInteger);
}

bool ExchangeFloat(View& view, Direction direction, int32_t id, float& value) {
    if (direction == Direction::Load) {
        view.SetText(id, FormatFloat(value));
        return true;
    }
    return ParseFloat(view.Text(id), value) || Refuse(view, id, kEnterNumber);
}

bool ExchangeInt(View& view, Direction direction, int32_t id, int32_t& value) {
    if (direction == Direction::Load) {
        view.SetText(id, std::to_string(value));
        return true;
    }
    return ParseInt(view.Text(id), value) || Refuse(view, id, kEnterInteger);
}

bool ExchangeListChoice(View& view, Direction direction, int32_t id, std::string& value) {
    if (direction == Direction::Load) {
        view.SelectListEntry(id, FindEntryWithPrefix(view, id, value));
        return true;
    }
    const int32_t selected = view.ListSelection(id);
    value = selected >= 0 ? view.ListEntry(id, selected) : std::string();
    return true;
}

}  // namespace tarnix::ui
