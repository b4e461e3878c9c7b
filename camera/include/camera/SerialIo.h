// The camera's serial port, driven through camera registers: a mode register for the baud
// rate and framing, status and length registers, and two register windows holding the
// transmit and receive buffers, four bytes a word, the first byte in the top bits.
#pragma once

#include <cstdint>

namespace tarnix {

class CameraDevice;

// One per camera device. Holds only a reference to it: the port's state lives in the camera's
// registers, so there is nothing else to keep. Every failure is an exception: those of the
// register layer (camera_error, runtime_error) and the ones named below. Nothing is locked:
// two threads on one camera's port can interleave their register sequences.
class SerialIo {
  public:
    explicit SerialIo(CameraDevice& device) : m_Device(device) {}

    // Enables transmitter and receiver: one register call writing 3 to both controls.
    void Open();

    // Line parameters: read-modify-write of the mode register. The range checks of parity
    // (0..2), data bits (5..8) and stop bits (0..2) come before any register access and throw
    // invalid_argument; a rate outside the table throws after the read, before any write.
    void SetBaudRate(uint32_t rate);
    void SetParity(int32_t code);
    void SetDataBits(int32_t bits);
    void SetStopBits(int32_t code);

    // Sends length bytes in one block transfer. invalid_argument when they do not fit the
    // transmit buffer; io_error when the transmitter is not ready or the camera took fewer
    // words than sent (the length register is then not written, so nothing is released).
    void Write(const uint8_t* data, uint32_t length);
    void WriteByte(uint8_t byte);

    // Takes up to length waiting bytes (one block transfer) and returns how many; 0 when
    // nothing waits. ReadByte throws io_error when nothing waits.
    uint32_t Read(uint8_t* buffer, uint32_t length);
    uint8_t ReadByte();

    uint32_t TxFree();
    bool TxReady();
    uint32_t RxLength();
    uint32_t GetRxStatus();
    void SetRxStatus(uint32_t value);
    uint32_t GetMode();
    void SetMode(uint32_t value);

    // Index 0..10 of a permitted rate (300 .. 230400); invalid_argument for any other.
    static uint32_t BaudRateIndex(uint32_t rate);

    // The transmit window ends where the receive window begins: no transfer is longer.
    static constexpr uint32_t kTxWindowBytes = 0x400;

  private:
    // Replaces the bits of mask in the mode register with value (already shifted).
    void SetModeBits(uint32_t mask, uint32_t value);

    CameraDevice& m_Device;
};

}  // namespace tarnix
