// Properties by name: the host's getProperty/setProperty after the driver's own names. The
// attribute's type chooses the typed access; every failure ends as one line and false.
#include <base/Diagnostics.h>
#include <base/Errors.h>
#include <base/SdkApi.h>
#include <base/TextUtil.h>

#include <exception>
#include <stdexcept>
#include <string>

#include "camera/CameraDevice.h"

namespace tarnix {
namespace {

constexpr const char* kSerialPrefix = "RS232.";

bool IsSerialName(const char* name) {
    return StartsWithIgnoreCase(name, kSerialPrefix);
}

}  // namespace

bool CameraDevice::SetNamedProperty(const char* text, uint32_t value) {
    try {
        if (IsSerialName(text)) return SetSerialProperty(text, value);

        // "Name=value text": split at the first '='; the value text may hold more of them.
        const std::string setText(text);
        const size_t equals = setText.find('=');
        const std::string name = setText.substr(0, equals);
        const std::string valueText = equals == std::string::npos ? "" : setText.substr(equals + 1);

        tPvAttributeInfo info{};
        if (!AttrInfo(name.c_str(), info)) throw std::invalid_argument("Unknown property");
        if ((info.Flags & ePvFlagWrite) == 0) throw std::invalid_argument("Property is read only");
        switch (info.Datatype) {
            case ePvDatatypeCommand:
                return CommandRun(name.c_str());
            case ePvDatatypeString:
            case ePvDatatypeEnum:
                return AttrStringSet(name.c_str(), valueText.c_str());
            case ePvDatatypeUint32:
                return AttrUint32Set(name.c_str(), value);
            default:
                throw std::invalid_argument("Property of this type not supported");
        }
    } catch (const std::exception& error) {
        DebugMsg("Failed to set property %s = %lu: %s\n", text, static_cast<unsigned long>(value),
                 error.what());
        return false;
    }
}

bool CameraDevice::GetNamedProperty(const char* name, uint32_t& value) {
    if (IsSerialName(name)) {
        try {
            return GetSerialProperty(name, value);
        } catch (const std::exception& error) {
            DebugMsg("Failed to get property %s: %s\n", name, error.what());
            return false;
        }
    }
    return AttrUint32Get(name, value);
}

}  // namespace tarnix
