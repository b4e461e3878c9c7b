// The configuration pages' number parsers on arbitrary field texts. Besides not failing, a
// parsed number is shown by its field and that text parses to the same number again, and the
// parsers agree with each other where their rules overlap.
#include <ui/Exchange.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "Check.h"

namespace {

using tarnix::ui::FormatFloat;
using tarnix::ui::LeadingInt;
using tarnix::ui::ParseFloat;
using tarnix::ui::ParseInt;
using tarnix::ui::ParseUnsigned;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int32_t leading = LeadingInt(text);

    uint32_t unsignedValue = 0;
    const bool isUnsigned = ParseUnsigned(text, unsignedValue);
    if (isUnsigned) {
        uint32_t again = ~unsignedValue;
        FUZZ_CHECK(ParseUnsigned(std::to_string(unsignedValue), again) && again == unsignedValue);
        // The same digits, read the way atoi reads them.
        FUZZ_CHECK(leading == static_cast<int32_t>(std::min<uint32_t>(
                                  unsignedValue, std::numeric_limits<int32_t>::max())));
    }

    int32_t intValue = 0;
    const bool isInt = ParseInt(text, intValue);
    if (isInt) {
        int32_t again = ~intValue;
        FUZZ_CHECK(ParseInt(std::to_string(intValue), again) && again == intValue);
        FUZZ_CHECK(leading == intValue);
        if (isUnsigned)
            FUZZ_CHECK(intValue >= 0 && static_cast<uint32_t>(intValue) == unsignedValue);
    }

    float floatValue = 0.0F;
    const bool isFloat = ParseFloat(text, floatValue);
    if (isFloat) {
        FUZZ_CHECK(std::isfinite(floatValue));
        // The field shows the value with 6 digits; storing that text and showing it again
        // gives the same text.
        const std::string shown = FormatFloat(floatValue);
        float again = 0.0F;
        FUZZ_CHECK(ParseFloat(shown, again) && FormatFloat(again) == shown);
        // Decimal only: "0x..." is the 0 before the x, with or without a sign.
        size_t at = 0;
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0) {
            FUZZ_CHECK(floatValue == 0.0F);
        }
    }
    // Every whole integer is a decimal number too, rounded to the float nearest.
    if (isInt)
        FUZZ_CHECK(isFloat && floatValue == static_cast<float>(static_cast<double>(intValue)));
    return 0;
}
