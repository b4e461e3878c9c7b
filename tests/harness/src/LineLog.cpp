#include "harness/LineLog.h"

#include <mutex>

#include "harness/Wait.h"

namespace tarnix::test {
namespace {

std::mutex g_LinesMutex;
std::vector<std::string> g_Lines;

}  // namespace

void TARNIX_CALL LineLog::Receive(const char* line) {
    std::lock_guard<std::mutex> lock(g_LinesMutex);
    g_Lines.emplace_back(line);
}

std::vector<std::string> LineLog::Take() {
    std::lock_guard<std::mutex> lock(g_LinesMutex);
    std::vector<std::string> lines;
    lines.swap(g_Lines);
    return lines;
}

std::vector<std::string> LinesUntil(const std::string& prefix) {
    std::vector<std::string> lines;
    WaitUntil([&] {
        bool matched = false;
        for (std::string& line : LineLog::Take()) {
            matched = matched || line.rfind(prefix, 0) == 0;
            lines.push_back(std::move(line));
        }
        return matched;
    });
    return lines;
}

}  // namespace tarnix::test
