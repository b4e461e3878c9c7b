#include "base/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace tarnix {

void AssertionFailed(const char* expression, const char* unit) {
    std::fprintf(stderr, "Assertion failed: %s, unit %s\n", expression, unit);
    std::fflush(stderr);
    std::abort();
}

}  // namespace tarnix
