#include "harness/Completions.h"

#include <array>
#include <condition_variable>
#include <mutex>

#include "harness/Wait.h"

namespace tarnix::test {
namespace {

struct CompletionState {
    std::mutex mutex;
    std::condition_variable changed;
    std::array<uint32_t, TARNIX_PORT_COUNT> counts{};
    uint32_t badReserved = 0;
    // Replaced only while no callback runs; read by the callbacks under no lock of ours, so
    // a hook may call back into the driver without meeting our mutex.
    Completions::Hook hook;
};

CompletionState& State() {
    static CompletionState state;
    return state;
}

}  // namespace

void TARNIX_CALL Completions::Receive(int32_t reserved, int32_t port) {
    CompletionState& state = State();
    if (state.hook) state.hook(port);
    std::lock_guard<std::mutex> lock(state.mutex);
    if (reserved != 0) ++state.badReserved;
    if (port >= 0 && port < TARNIX_PORT_COUNT) ++state.counts[port];
    state.changed.notify_all();
}

uint32_t Completions::Count(int32_t port) {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().counts[port];
}

bool Completions::WaitBeyond(int32_t port, uint32_t seen) {
    CompletionState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    return state.changed.wait_for(lock, kWaitLimit, [&] { return state.counts[port] > seen; });
}

void Completions::SetHook(Hook hook) {
    State().hook = std::move(hook);
}

void Completions::Reset() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().counts.fill(0);
    State().badReserved = 0;
}

uint32_t Completions::BadReserved() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().badReserved;
}

}  // namespace tarnix::test
