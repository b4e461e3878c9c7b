#include "UserName.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace tarnix::gige {
namespace {

constexpr uint16_t kControlPort = 3956;
constexpr uint8_t kCommandKey = 0x42;   // every control command starts with it
constexpr uint8_t kAcknowledge = 0x01;  // flag: an answer is wanted
constexpr uint16_t kReadMemory = 0x0084;
constexpr uint16_t kReadMemoryAck = 0x0085;
constexpr uint32_t kUserNameAddress = 0xE8;
constexpr uint16_t kUserNameSize = 16;
constexpr size_t kHeaderSize = 8;
constexpr int kAttempts = 2;
constexpr int kWaitMs = 200;

void PutBigEndian16(uint8_t* at, uint16_t value) {
    at[0] = uint8_t(value >> 8);
    at[1] = uint8_t(value);
}

uint16_t BigEndian16(const uint8_t* at) {
    return uint16_t(at[0] << 8 | at[1]);
}

// Request ids of our own; the camera echoes them in its answer.
uint16_t NextRequestId() {
    static std::atomic<uint16_t> id{1};
    uint16_t next = id.fetch_add(1);
    return next != 0 ? next : id.fetch_add(1);
}

}  // namespace

bool ReadUserDefinedName(uint32_t cameraAddress, std::string& name) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    sockaddr_in camera{};
    camera.sin_family = AF_INET;
    camera.sin_port = htons(kControlPort);
    camera.sin_addr.s_addr = cameraAddress;
    timeval wait{0, kWaitMs * 1000};
    // Connected, so that only this camera's answers arrive.
    bool ok = setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) == 0 &&
              connect(fd, reinterpret_cast<const sockaddr*>(&camera), sizeof camera) == 0;
    bool answered = false;
    for (int attempt = 0; ok && !answered && attempt < kAttempts; ++attempt) {
        const uint16_t id = NextRequestId();
        uint8_t request[kHeaderSize + 8] = {kCommandKey, kAcknowledge};
        PutBigEndian16(request + 2, kReadMemory);
        PutBigEndian16(request + 4, 8);
        PutBigEndian16(request + 6, id);
        PutBigEndian16(request + 8, uint16_t(kUserNameAddress >> 16));
        PutBigEndian16(request + 10, uint16_t(kUserNameAddress));
        PutBigEndian16(request + 14, kUserNameSize);
        if (send(fd, request, sizeof request, 0) != ssize_t(sizeof request)) break;
        uint8_t answer[kHeaderSize + 4 + kUserNameSize];
        // Late answers to an earlier attempt are read and passed over.
        for (int packet = 0; packet < 8; ++packet) {
            const ssize_t size = recv(fd, answer, sizeof answer, 0);
            if (size < 0) break;  // the wait ran out
            if (size != ssize_t(sizeof answer) || BigEndian16(answer + 2) != kReadMemoryAck ||
                BigEndian16(answer + 6) != id) {
                continue;
            }
            ok = BigEndian16(answer) == 0;  // the status: anything else is a refusal
            answered = true;
            if (ok) {
                const char* text = reinterpret_cast<const char*>(answer + kHeaderSize + 4);
                name.assign(text, strnlen(text, kUserNameSize));
            }
            break;
        }
    }
    close(fd);
    return ok && answered;
}

}  // namespace tarnix::gige
