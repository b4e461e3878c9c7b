#include "base/Errors.h"

#include <iterator>
#include <sstream>

#include "base/Diagnostics.h"

namespace tarnix {
namespace {

// Indexed by the SDK's error code. The text for 19 really ends in a blank.
constexpr const char* kErrorTexts[] = {
    "No error",
    "Unexpected camera fault",
    "Unexpected fault in PvApi or driver",
    "Camera handle is invalid",
    "Bad parameter to API call",
    "Sequence of API calls is incorrect",
    "Camera or attribute not found",
    "Camera cannot be opened in the specified mode",
    "Camera was unplugged",
    "Setup is invalid (an attribute is invalid)",
    "System/network resources or memory not available",
    "1394 bandwidth not available",
    "Too many frames on queue",
    "Frame buffer is too small",
    "Frame cancelled by user",
    "The data for the frame was lost",
    "Some data in the frame is missing",
    "Timeout during wait",
    "Attribute value is out of the expected range",
    "Attribute is not this type (wrong access function) ",
    "Attribute write forbidden at this time",
    "Attribute is not available at this time",
    "A firewall is blocking the traffic (Windows only)",
};
constexpr uint32_t kErrorTextCount = static_cast<uint32_t>(std::size(kErrorTexts));
static_assert(kErrorTextCount == 23);

const char* TextOrNull(uint32_t code) {
    return code < kErrorTextCount ? kErrorTexts[code] : nullptr;
}

std::string FormatCameraError(int32_t code, const char* where, const char* detail) {
    const char* text = code >= 0 ? TextOrNull(static_cast<uint32_t>(code)) : nullptr;
    std::ostringstream message;
    message << "ERROR " << code << ' ' << (text != nullptr ? text : "Unknown error") << ": "
            << where;
    if (detail != nullptr) message << '(' << detail << ')';
    message << '\n';
    return message.str();
}

}  // namespace

const char* ErrorText(tPvErr code) {
    const char* text = TextOrNull(code);
    return text != nullptr ? text : "Unknown";
}

tPvErr ReportError(tPvErr code, const char* where) {
    if (code != ePvErrSuccess) {
        DebugMsg("ERROR %d %s: %s\n", static_cast<int>(code), ErrorText(code), where);
    }
    return code;
}

tPvErr ReportError(tPvErr code, const char* where, const char* detail) {
    if (code != ePvErrSuccess) {
        DebugMsg("ERROR %d %s: %s(%s)\n", static_cast<int>(code), ErrorText(code), where, detail);
    }
    return code;
}

camera_error::camera_error(int32_t code, const char* where, const char* detail)
    : std::runtime_error("Camera error"), m_Message(FormatCameraError(code, where, detail)) {}

const char* camera_error::what() const noexcept {
    return m_Message.c_str();
}

}  // namespace tarnix
