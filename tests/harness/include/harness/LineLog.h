// Collects the diagnostic lines the driver hands to its debug procedure, from any thread.
// Install LineLog::Receive as the procedure: through the driver's initialize as a host does,
// or with SetDebugProc in the suites that link the driver's layers (DebugLinesTest).
#pragma once

#include <tarnixdrv.h>

#include <string>
#include <vector>

namespace tarnix::test {

class LineLog {
  public:
    static void TARNIX_CALL Receive(const char* line);
    // The lines received since the last Take or Clear, oldest first.
    static std::vector<std::string> Take();
    static void Clear() { Take(); }
};

// Collects lines until one starts with prefix. Returns all it collected; when the wait runs
// out, none of them matches.
std::vector<std::string> LinesUntil(const std::string& prefix);

}  // namespace tarnix::test
