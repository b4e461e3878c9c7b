// Moving one value between a field and its control, in either direction, with the parse rules
// and messages every page shares. Each returns false when a store could not parse the text;
// it has then shown the field kind's message and put the focus on the field.
#pragma once

#include <cstdint>
#include <string>

#include "ui/DialogLogic.h"
#include "ui/View.h"

namespace tarnix::ui {

inline constexpr const char* kEnterPositiveInteger = "Enter a positive integer.";
inline constexpr const char* kEnterNumber = "Enter a number.";
inline constexpr const char* kEnterInteger = "Enter an integer.";

// Text as it stands.
bool ExchangeText(View& view, Direction direction, int32_t id, std::string& value);
// Unsigned decimal; a store takes the number at the start of the text (blanks before it
// skipped, anything after it ignored).
bool ExchangeUnsigned(View& view, Direction direction, int32_t id, uint32_t& value);
// Shown with 6 significant digits ("%g"); a store takes the decimal number at the start.
bool ExchangeFloat(View& view, Direction direction, int32_t id, float& value);
// Signed decimal; a store takes only a text that is a whole integer (blanks around allowed).
bool ExchangeInt(View& view, Direction direction, int32_t id, int32_t& value);
// A drop-down list's selected entry. Load selects the first entry beginning with value,
// compared without regard to case (an empty value selects the first entry), or none.
bool ExchangeListChoice(View& view, Direction direction, int32_t id, std::string& value);

// The parse rules on their own. Each gives false for a text that does not start with (or,
// for ParseInt, is not) such a number, or one that does not fit.
bool ParseUnsigned(const std::string& text, uint32_t& value);
bool ParseFloat(const std::string& text, float& value);
bool ParseInt(const std::string& text, int32_t& value);
// The integer at the start of text as atoi reads it (optional sign, digits); 0 without
// digits. Values beyond 32 bits saturate.
int32_t LeadingInt(const std::string& text);
// "%.6g".
std::string FormatFloat(float value);
// Adds each piece of a comma-separated text to the list, in order, skipping empty pieces.
void AddCommaSeparatedEntries(View& view, int32_t id, const std::string& text);
// The first entry of the list that begins with prefix, compared without regard to case; -1
// when none does.
int32_t FindEntryWithPrefix(const View& view, int32_t id, const std::string& prefix);

}  // namespace tarnix::ui
