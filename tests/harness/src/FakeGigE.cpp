#include "harness/FakeGigE.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tarnix::test {
namespace {

constexpr const char* kFakeCameraProgram = "arv-fake-gv-camera-0.8";
constexpr unsigned kControlPort = 3956;  // GigE Vision's control protocol (GVCP)

// /proc/net/udp names a bound socket as "AABBCCDD:PPPP" in the kernel's byte order.
std::string ProcNetName(const std::string& address, unsigned port) {
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) return {};
    char name[32];
    std::snprintf(name, sizeof name, "%08X:%04X", parsed.s_addr, port);
    return name;
}

bool Listening(const std::string& address) {
    const std::string wanted = ProcNetName(address, kControlPort);
    std::ifstream table("/proc/net/udp");
    std::string line;
    while (std::getline(table, line)) {
        if (line.find(wanted) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

bool InLoopbackNetwork() {
    // Any 127.x address can be bound anywhere; only the private network lists 127.0.0.2 as an
    // interface address, which is what the fake cameras and discovery need.
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    in_addr wanted{};
    inet_pton(AF_INET, FakeCameraAddress(0).c_str(), &wanted);
    bool found = false;
    for (const ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        found =
            reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr == wanted.s_addr;
    }
    freeifaddrs(list);
    return found;
}

std::string FakeCameraAddress(int n) {
    return "127.0.0." + std::to_string(n + 2);
}

FakeGigECamera::FakeGigECamera(std::string address, std::string serial)
    : m_Address(std::move(address)), m_Serial(std::move(serial)) {}

FakeGigECamera::~FakeGigECamera() {
    Stop();
}

uint32_t FakeGigECamera::NetworkAddress() const {
    return inet_addr(m_Address.c_str());
}

bool FakeGigECamera::Start(std::chrono::milliseconds within) {
    if (Running()) return true;
    const pid_t parent = getpid();
    // Made before the fork: the child may only make async-signal-safe calls.
    const std::string loss = std::to_string(m_LossPerThousand);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execlp(kFakeCameraProgram, kFakeCameraProgram, "-i", m_Address.c_str(), "-s",
               m_Serial.c_str(), "-r", loss.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    m_Pid = pid;
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Listening(m_Address)) return true;
        int status = 0;
        if (waitpid(m_Pid, &status, WNOHANG) == m_Pid) {  // it could not start
            m_Pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Kill();
    return false;
}

void FakeGigECamera::Reap(std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    int status = 0;
    while (waitpid(m_Pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(m_Pid, SIGKILL);
            waitpid(m_Pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_Pid = -1;
}

void FakeGigECamera::Stop() {
    if (!Running()) return;
    kill(m_Pid, SIGCONT);  // a paused process would not see the request to end
    kill(m_Pid, SIGTERM);
    Reap(std::chrono::seconds(3));
}

void FakeGigECamera::Pause() {
    if (!Running()) return;
    kill(m_Pid, SIGSTOP);
    // The signal only asks: each of its threads stops when it next gets a processor, and on a
    // loaded machine one may still answer a request first. Wait until all of them are stopped.
    const std::string tasks = "/proc/" + std::to_string(m_Pid) + "/task";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        bool allStopped = true;
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
            std::ifstream stat(task.path() / "stat");
            std::string line;
            std::getline(stat, line);
            // "tid (name) S ...": the state follows the name's closing parenthesis.
            const size_t close = line.rfind(')');
            if (close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'T')
                allStopped = false;
        }
        if (!error && allStopped) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void FakeGigECamera::Resume() {
    if (Running()) kill(m_Pid, SIGCONT);
}

void FakeGigECamera::Kill() {
    if (!Running()) return;
    kill(m_Pid, SIGKILL);
    Reap(std::chrono::seconds(3));
}

}  // namespace tarnix::test
