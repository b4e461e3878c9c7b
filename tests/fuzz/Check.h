// A promise of the code under test that an input broke: names it, then aborts, so that
// libFuzzer reports the input and keeps it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::tarnix::fuzz::Broken(#condition, __FILE__, __LINE__))

namespace tarnix::fuzz {

[[noreturn]] inline void Broken(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, condition);
    std::abort();
}

}  // namespace tarnix::fuzz
