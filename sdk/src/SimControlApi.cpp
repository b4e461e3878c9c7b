// The simulator's control functions.
#include <pvsim.h>
#include <sdkcommon/Guard.h>

#include <memory>

#include "CallStats.h"
#include "Camera.h"
#include "SimulatorBackend.h"

using tarnix::sdk::Guarded;
using tarnix::sim::Camera;
using tarnix::sim::SimulatorBackend;

namespace {

template <typename Fn>
tPvErr WithSimCamera(uint32_t id, Fn&& fn) {
    return Guarded([&]() -> tPvErr {
        const std::shared_ptr<Camera> camera = SimulatorBackend::Instance().FindCamera(id);
        if (camera == nullptr) {
            return ePvErrNotFound;
        }
        return fn(*camera);
    });
}

}  // namespace

extern "C" {

PVAPI_EXPORT void PVDECL pvsim_reset(void) {
    Guarded([] {
        SimulatorBackend::Instance().Reset();
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT void PVDECL pvsim_remove_all(void) {
    Guarded([] {
        SimulatorBackend::Instance().RemoveAll();
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT uint32_t PVDECL pvsim_add_camera(const tPvSimCameraDesc* desc) {
    uint32_t id = 0;
    Guarded([&] {
        id = SimulatorBackend::Instance().AddCamera(desc);
        return tPvErr(ePvErrSuccess);
    });
    return id;
}

PVAPI_EXPORT tPvErr PVDECL pvsim_unplug(uint32_t id) {
    return Guarded([&] { return SimulatorBackend::Instance().Unplug(id); });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_plug(uint32_t id) {
    return Guarded([&] { return SimulatorBackend::Instance().Plug(id); });
}

PVAPI_EXPORT void PVDECL pvsim_flush_events(void) {
    SimulatorBackend::Instance().FlushEvents();
}

PVAPI_EXPORT tPvErr PVDECL pvsim_trigger(uint32_t id, uint32_t line) {
    return WithSimCamera(id, [&](Camera& c) -> tPvErr {
        if (line < 1 || line > 4) {
            return ePvErrBadParameter;
        }
        c.Trigger(line);
        return ePvErrSuccess;
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_set_pattern(uint32_t id, uint32_t pattern) {
    return WithSimCamera(id, [&](Camera& c) -> tPvErr {
        if (pattern > ePvSimPatternMovingGradient) {
            return ePvErrBadParameter;
        }
        c.SetPattern(pattern);
        return ePvErrSuccess;
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_fail_frames(uint32_t id, uint32_t count, tPvErr status) {
    return WithSimCamera(id, [&](Camera& c) -> tPvErr {
        if (count > 0 && status == ePvErrSuccess) {
            return ePvErrBadParameter;
        }
        c.FailFrames(count, status);
        return ePvErrSuccess;
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_fail_attr(uint32_t id, const char* name, tPvErr readError,
                                           tPvErr writeError) {
    return WithSimCamera(id, [&](Camera& c) -> tPvErr {
        if (name == nullptr) {
            return ePvErrBadParameter;
        }
        return c.FailAttr(name, readError, writeError);
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_limit_registers(uint32_t id, uint32_t maxComplete) {
    return WithSimCamera(id, [&](Camera& c) {
        c.LimitRegisters(maxComplete);
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_fail_registers(uint32_t id, tPvErr error) {
    return WithSimCamera(id, [&](Camera& c) {
        c.FailRegisters(error);
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_fail_next_open(uint32_t id, tPvErr error) {
    return WithSimCamera(id, [&](Camera& c) {
        c.FailNextOpen(error);
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT uint32_t PVDECL pvsim_frames_delivered(uint32_t id) {
    const std::shared_ptr<Camera> camera = SimulatorBackend::Instance().FindCamera(id);
    return camera != nullptr ? camera->FramesDelivered() : 0;
}

PVAPI_EXPORT uint32_t PVDECL pvsim_call_count(const char* function) {
    return tarnix::sim::CallCount(function);
}

PVAPI_EXPORT tPvErr PVDECL pvsim_stream_stats(uint32_t id, tPvSimStreamStats* stats) {
    if (stats == nullptr) {
        return ePvErrBadParameter;
    }
    return WithSimCamera(id, [&](Camera& c) {
        c.StreamStats(*stats);
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_serial_loopback(uint32_t id, int enabled) {
    return WithSimCamera(id, [&](Camera& c) {
        c.SetSerialLoopback(enabled != 0);
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT uint32_t PVDECL pvsim_serial_sent(uint32_t id, uint8_t* buffer, uint32_t size) {
    if (buffer == nullptr) {
        return 0;
    }
    const std::shared_ptr<Camera> camera = SimulatorBackend::Instance().FindCamera(id);
    return camera != nullptr ? camera->TakeSerialSent(buffer, size) : 0;
}

PVAPI_EXPORT tPvErr PVDECL pvsim_serial_inject(uint32_t id, const uint8_t* data, uint32_t size) {
    return WithSimCamera(id, [&](Camera& c) -> tPvErr {
        if (data == nullptr && size > 0) {
            return ePvErrBadParameter;
        }
        // Bytes beyond the receive buffer's capacity are lost, as on a real line.
        return c.InjectSerial(data, size) == size ? ePvErrSuccess : ePvErrResources;
    });
}

PVAPI_EXPORT tPvErr PVDECL pvsim_serial_transmitter(uint32_t id, uint32_t freeSpace, int ready) {
    return WithSimCamera(id, [&](Camera& c) {
        c.SetSerialTransmitter(freeSpace, ready != 0);
        return tPvErr(ePvErrSuccess);
    });
}

}  // extern "C"
