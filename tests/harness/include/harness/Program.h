// Runs another program of the build, the way a person runs it from a terminal, and collects
// what it writes.
#pragma once

#include <string>
#include <vector>

namespace tarnix::test {

struct ProgramRun {
    int exitCode = -1;   // -1 when it could not be started or did not end by itself
    std::string output;  // standard output and standard error together
};

// Runs program (a path) with args, without a shell in between, and waits for it to end.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args);

// The path of fileName in the running test program's own folder.
std::string BesideThisProgram(const std::string& fileName);

}  // namespace tarnix::test
