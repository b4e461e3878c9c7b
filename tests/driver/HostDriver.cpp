#include "HostDriver.h"

namespace tarnix::test {
namespace {

#ifdef _WIN32
constexpr const char* kDriverFile = "tarnixdrv.dll";  // the program's folder is searched first
#else
constexpr const char* kDriverFile = "./libtarnixdrv.so";
#endif

std::mutex g_LinesMutex;
std::vector<std::string> g_Lines;

}  // namespace

HostDriver::HostDriver() {
    Load(kDriverFile);
}

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

}  // namespace tarnix::test
