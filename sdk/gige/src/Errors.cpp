#include "Errors.h"

#include <arv.h>

namespace tarnix::gige {
namespace {

tPvErr FromDeviceError(int code) {
    switch (code) {
        case ARV_DEVICE_ERROR_TIMEOUT:
            return ePvErrTimeout;
        case ARV_DEVICE_ERROR_NOT_CONNECTED:
            return ePvErrUnplugged;
        case ARV_DEVICE_ERROR_NOT_FOUND:
        case ARV_DEVICE_ERROR_FEATURE_NOT_FOUND:
            return ePvErrNotFound;
        case ARV_DEVICE_ERROR_WRONG_FEATURE:
            return ePvErrWrongType;
        case ARV_DEVICE_ERROR_NOT_CONTROLLER:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED:
            return ePvErrAccessDenied;
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT:
            return ePvErrForbidden;
        // The camera refused the address or the value: the caller asked for something the
        // camera does not serve.
        case ARV_DEVICE_ERROR_INVALID_PARAMETER:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_ADDRESS:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_BAD_ALIGNMENT:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_NOT_IMPLEMENTED:
            return ePvErrBadParameter;
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY:
            return ePvErrUnavailable;
        case ARV_DEVICE_ERROR_NO_STREAM_CHANNEL:
            return ePvErrResources;
        default:
            return ePvErrCameraFault;
    }
}

tPvErr FromGenicamError(int code) {
    switch (code) {
        case ARV_GC_ERROR_OUT_OF_RANGE:
        case ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND:
        case ARV_GC_ERROR_INVALID_LENGTH:
            return ePvErrOutOfRange;
        case ARV_GC_ERROR_READ_ONLY:
            return ePvErrForbidden;
        case ARV_GC_ERROR_NODE_NOT_FOUND:
        case ARV_GC_ERROR_PROPERTY_NOT_DEFINED:
        case ARV_GC_ERROR_PVALUE_NOT_DEFINED:
            return ePvErrNotFound;
        default:
            // The camera's feature description is inconsistent: the camera's fault, not ours.
            return ePvErrCameraFault;
    }
}

}  // namespace

tPvErr ErrorFromGError(const GError* error) {
    if (error == nullptr) return ePvErrSuccess;
    if (error->domain == ARV_DEVICE_ERROR) return FromDeviceError(error->code);
    if (error->domain == ARV_GC_ERROR) return FromGenicamError(error->code);
    if (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_TIMED_OUT) return ePvErrTimeout;
    // Socket and other system errors on the way to the camera.
    return ePvErrCameraFault;
}

}  // namespace tarnix::gige
