// A camera session's typed attribute calls: the lookup, the camera's lock, and the conversion
// of the attribute's kind.
#include "Errors.h"
#include "FeatureNodes.h"
#include "Session.h"

namespace tarnix::gige {

tPvErr Session::CommandRun(bool master, const char* name) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeCommand, Access::Write, master, attribute)) {
        return error;
    }
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(RunCommandLocked(*attribute));
}

tPvErr Session::GetText(const char* name, tPvDatatype type, char* buffer, uint32_t bufferSize,
                        uint32_t* size) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, type, Access::Read, false, attribute)) return error;
    std::string text;
    {
        platform::MutexLock lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(ReadTextLocked(*attribute, text))) return error;
    }
    return CopyText(text.c_str(), buffer, bufferSize, size);
}

tPvErr Session::SetText(bool master, const char* name, tPvDatatype type, const char* value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, type, Access::Write, master, attribute)) return error;
    if (value == nullptr) return ePvErrBadParameter;
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(WriteTextLocked(*attribute, value));
}

tPvErr Session::RangeEnum(const char* name, char* buffer, uint32_t bufferSize, uint32_t* size) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeEnum, Access::Read, false, attribute)) {
        return error;
    }
    std::string values;
    {
        platform::MutexLock lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(RangeEnumLocked(*attribute, values))) return error;
    }
    return CopyText(values.c_str(), buffer, bufferSize, size);
}

tPvErr Session::GetUint32(const char* name, uint32_t* value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeUint32, Access::Read, false, attribute)) {
        return error;
    }
    if (value == nullptr) return ePvErrBadParameter;
    uint32_t read = 0;
    {
        platform::MutexLock lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(ReadUint32Locked(*attribute, read))) return error;
    }
    *value = read;
    return ePvErrSuccess;
}

tPvErr Session::SetUint32(bool master, const char* name, uint32_t value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeUint32, Access::Write, master, attribute)) {
        return error;
    }
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(WriteUint32Locked(*attribute, value));
}

tPvErr Session::RangeUint32(const char* name, uint32_t* min, uint32_t* max) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeUint32, Access::Read, false, attribute)) {
        return error;
    }
    if (min == nullptr || max == nullptr) return ePvErrBadParameter;
    uint32_t low = 0;
    uint32_t high = 0;
    {
        platform::MutexLock lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(RangeUint32Locked(*attribute, low, high))) return error;
    }
    *min = low;
    *max = high;
    return ePvErrSuccess;
}

tPvErr Session::GetFloat32(const char* name, float* value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeFloat32, Access::Read, false, attribute)) {
        return error;
    }
    if (value == nullptr) return ePvErrBadParameter;
    float read = 0;
    {
        platform::MutexLock lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(ReadFloatLocked(*attribute, read))) return error;
    }
    *value = read;
    return ePvErrSuccess;
}

tPvErr Session::SetFloat32(bool master, const char* name, float value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeFloat32, Access::Write, master, attribute)) {
        return error;
    }
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(WriteFloatLocked(*attribute, value));
}

tPvErr Session::RangeFloat32(const char* name, float* min, float* max) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeFloat32, Access::Read, false, attribute)) {
        return error;
    }
    if (min == nullptr || max == nullptr) return ePvErrBadParameter;
    float low = 0;
    float high = 0;
    {
        platform::MutexLock lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(RangeFloatLocked(*attribute, low, high))) return error;
    }
    *min = low;
    *max = high;
    return ePvErrSuccess;
}

}  // namespace tarnix::gige
