#include "common/ProfileText.h"

#include <algorithm>

namespace tarnix::platform::detail {

int32_t ParseLeadingDecimal(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ') ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    uint32_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10u + static_cast<uint32_t>(text[at] - '0');
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

bool HasHighBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace tarnix::platform::detail
