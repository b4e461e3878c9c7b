// The camera's serial port as seen through its registers: a UART with a transmit window,
// a receive FIFO and a peer on the other end of the line (loopback by default).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace tarnix::sim {

namespace reg {
constexpr uint32_t kMode = 0x16104;
constexpr uint32_t kTxFree = 0x16120;
constexpr uint32_t kTxStatus = 0x16124;
constexpr uint32_t kTxControl = 0x16128;
constexpr uint32_t kTxLength = 0x1612C;
constexpr uint32_t kRxStatus = 0x16144;
constexpr uint32_t kRxControl = 0x16148;
constexpr uint32_t kRxLength = 0x1614C;
constexpr uint32_t kTxWindow = 0x16400;
constexpr uint32_t kRxWindow = 0x16800;
}  // namespace reg

// Not thread-safe: the owning camera serialises access under its lock.
class SerialPort {
  public:
    static constexpr uint32_t kCapacity = 1024;               // bytes each way
    static constexpr uint32_t kDefaultMode = 5 | (3u << 10);  // 9600 baud, 8 data bits
    static constexpr uint32_t kRxDataWaiting = 1u << 0;
    static constexpr uint32_t kRxOverrun = 1u << 1;

    // False when the address is no register of the port in that direction.
    bool Read(uint32_t address, uint32_t& value) const;
    bool Write(uint32_t address, uint32_t value);

    // The peer's side.
    void SetLoopback(bool enabled) { m_Loopback = enabled; }
    uint32_t TakeSent(uint8_t* buffer, uint32_t size);
    // Returns how many bytes fitted into the receive FIFO.
    uint32_t Inject(const uint8_t* data, uint32_t size);
    // What the free-space and status registers report, for tests of full or busy lines.
    void SetTransmitter(uint32_t freeSpace, bool ready) {
        m_TxFreeLimit = freeSpace;
        m_TxReady = ready;
    }

  private:
    void Transmit(uint32_t count);
    bool Receive(uint8_t byte);

    static constexpr uint32_t kWindowWords = kCapacity / 4;
    static constexpr size_t kSentLogLimit = 1u << 20;

    uint32_t m_Mode = kDefaultMode;
    uint32_t m_TxControl = 3;  // bit 0: transmitter enabled (ready)
    uint32_t m_RxControl = 3;  // bit 0: receiver enabled
    uint32_t m_RxStatus = 0;   // kRxOverrun sticks until written 0
    std::array<uint32_t, kWindowWords> m_TxWindow{};
    std::deque<uint8_t> m_Rx;
    std::deque<uint8_t> m_Sent;
    bool m_Loopback = true;
    uint32_t m_TxFreeLimit = kCapacity;
    bool m_TxReady = true;
};

}  // namespace tarnix::sim
