// Loaded at run time by the system tests: exports to find, and a timer of the library's own
// to show that unloading it with a timer pending or running neither crashes nor hangs.
#include <platform/System.h>
#include <platform/Timer.h>

#include <atomic>
#include <cstdint>

#ifdef _WIN32
#define TEST_EXPORT extern "C"  // exported through TestLibrary.def, with ordinals
#else
#define TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

struct SlowHandler {
    std::atomic<int>* state;  // 1 once the handler runs, 2 when it is done
    uint32_t sleepMs;
};

SlowHandler g_Handler;

void RunSlowHandler(uint32_t, void* user) {
    auto* handler = static_cast<SlowHandler*>(user);
    handler->state->store(1);
    tarnix::platform::SleepMs(handler->sleepMs);
    handler->state->store(2);
}

}  // namespace

TEST_EXPORT int tarnix_test_add(int a, int b) {
    return a + b;
}
TEST_EXPORT int tarnix_test_multiply(int a, int b) {
    return a * b;
}

TEST_EXPORT uint32_t tarnix_test_start_timer(uint32_t delayMs, uint32_t handlerSleepMs,
                                             std::atomic<int>* state) {
    g_Handler = SlowHandler{state, handlerSleepMs};
    return tarnix::platform::TimerStart(delayMs, RunSlowHandler, &g_Handler);
}
