// The driver's completion callbacks as a host receives them, counted per port. Needs no SDK:
// the simulator's suites and the GigE Vision suites share it.
#pragma once

#include <tarnixdrv.h>

#include <cstdint>
#include <functional>

namespace tarnix::test {

// Completion callbacks the driver made, per port, and what the test runs inside them.
class Completions {
  public:
    using Hook = std::function<void(int32_t port)>;

    static void TARNIX_CALL Receive(int32_t reserved, int32_t port);
    static uint32_t Count(int32_t port);
    // Waits until the port has had more than `seen` callbacks; false on time-out.
    static bool WaitBeyond(int32_t port, uint32_t seen);
    // Runs inside every callback until cleared. Clear it only when no port streams any more.
    static void SetHook(Hook hook);
    static void Reset();
    // Callbacks whose first argument was not 0.
    static uint32_t BadReserved();
};

}  // namespace tarnix::test
