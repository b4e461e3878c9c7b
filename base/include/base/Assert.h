// Debug assertions for programming errors: no host input can reach them. A failed assertion
// names the expression and the source unit, then aborts; release builds check nothing.
#pragma once

namespace tarnix {

[[noreturn]] void AssertionFailed(const char* expression, const char* unit);

}  // namespace tarnix

#ifdef NDEBUG
// sizeof keeps the expression compiled (and its variables used) without evaluating it.
#define TARNIX_ASSERT(expr, unit) static_cast<void>(sizeof((expr) ? 1 : 0))
#else
#define TARNIX_ASSERT(expr, unit) \
    ((expr) ? static_cast<void>(0) : ::tarnix::AssertionFailed(#expr, unit))
#endif
