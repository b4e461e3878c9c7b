// Reading a settings value the way the Win32 private-profile functions do, shared by the POSIX
// functions and the Windows ones' kept sections.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnix::platform::detail {

// Leading blanks, an optional sign, then decimal digits up to the first other character,
// wrapping around at 32 bits like the Win32 call ("4294967297" reads as 1). Text without
// leading digits gives 0.
int32_t ParseLeadingDecimal(std::string_view text);

// Whether the text has bytes beyond ASCII, which Win32 compares and cuts by the ANSI code page.
bool HasHighBytes(std::string_view text);

}  // namespace tarnix::platform::detail
