// Keeps C++ exceptions from crossing the C interface.
#pragma once

#include <pvapi.h>

#include <new>

namespace tarnix::sdk {

template <typename Fn>
tPvErr Guarded(Fn&& fn) noexcept {
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        return ePvErrResources;
    } catch (...) {
        return ePvErrInternalFault;
    }
}

}  // namespace tarnix::sdk
