// The serial port on the camera's registers, and the "RS232." pseudo-properties on it.
#include "camera/SerialIo.h"

#include <base/Assert.h>
#include <base/Errors.h>
#include <base/TextUtil.h>

#include <cstddef>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "camera/CameraDevice.h"

namespace tarnix {
namespace {

constexpr uint32_t kModeRegister = 0x16104;
constexpr uint32_t kTxFreeRegister = 0x16120;
constexpr uint32_t kTxStatusRegister = 0x16124;
constexpr uint32_t kTxControlRegister = 0x16128;
constexpr uint32_t kTxLengthRegister = 0x1612C;
constexpr uint32_t kRxStatusRegister = 0x16144;
constexpr uint32_t kRxControlRegister = 0x16148;
constexpr uint32_t kRxLengthRegister = 0x1614C;
constexpr uint32_t kTxWindow = 0x16400;
constexpr uint32_t kRxWindow = 0x16800;

constexpr uint32_t kControlEnable = 3;

constexpr uint32_t kBaudMask = 0xFFu;
constexpr uint32_t kParityShift = 8;
constexpr uint32_t kDataBitsShift = 10;
constexpr uint32_t kStopBitsShift = 12;
constexpr uint32_t kTwoBits = 3u;

// A zero ends the table.
constexpr uint32_t kBaudRates[] = {300,   600,   1200,  2400,   4800,   9600,
                                   19200, 38400, 57600, 115200, 230400, 0};

// Addresses of the first words of a buffer window.
std::vector<uint32_t> WindowAddresses(uint32_t base, size_t words) {
    std::vector<uint32_t> addresses(words);
    for (size_t i = 0; i < words; ++i) addresses[i] = base + static_cast<uint32_t>(4 * i);
    return addresses;
}

// Bits 24-31 for byte 0 of a word, then 16-23, 8-15, 0-7.
constexpr uint32_t ByteShift(size_t k) {
    return static_cast<uint32_t>(24 - 8 * (k % 4));
}

// The hex-data text of "RS232.Tx=<hex>", two characters a byte. Each pair is extracted as a
// hexadecimal number the way a stream reads one: blanks before it are skipped and it ends at
// the first character that is no hex digit.
std::vector<uint8_t> DecodeHex(const char* hex) {
    const size_t length = std::strlen(hex);
    if (length % 2 != 0) throw std::invalid_argument("Invalid hex data");
    std::vector<uint8_t> bytes;
    bytes.reserve(length / 2);
    for (size_t i = 0; i < length; i += 2) {
        std::istringstream pair(std::string(hex + i, 2));
        int16_t number = 0;
        if (!(pair >> std::hex >> number)) throw std::invalid_argument("Invalid hex data");
        bytes.push_back(static_cast<uint8_t>(number & 0xFF));
    }
    return bytes;
}

}  // namespace

void SerialIo::Open() {
    m_Device.SetRegisters({kTxControlRegister, kRxControlRegister},
                          {kControlEnable, kControlEnable});
}

uint32_t SerialIo::BaudRateIndex(uint32_t rate) {
    uint32_t index = 0;
    while (kBaudRates[index] != 0 && kBaudRates[index] != rate) ++index;
    if (kBaudRates[index] == 0) throw std::invalid_argument("Invalid baud rate");
    return index;
}

void SerialIo::SetBaudRate(uint32_t rate) {
    const uint32_t mode = GetMode();
    const uint32_t index = BaudRateIndex(rate);
    SetMode((mode & ~kBaudMask) | index);
}

void SerialIo::SetParity(int32_t code) {
    if (code < 0 || code > 2) {
        throw std::invalid_argument("SerialIo::SetParity: Invalid parity value");
    }
    SetModeBits(kTwoBits << kParityShift, static_cast<uint32_t>(code) << kParityShift);
}

void SerialIo::SetDataBits(int32_t bits) {
    if (bits < 5 || bits > 8) {
        throw std::invalid_argument("SerialIo::SetDataBits: Invalid data bits value");
    }
    SetModeBits(kTwoBits << kDataBitsShift, static_cast<uint32_t>(bits - 5) << kDataBitsShift);
}

void SerialIo::SetStopBits(int32_t code) {
    if (code < 0 || code > 2) {
        throw std::invalid_argument("SerialIo::SetStopBits: Invalid stop bits value");
    }
    SetModeBits(kTwoBits << kStopBitsShift, static_cast<uint32_t>(code) << kStopBitsShift);
}

void SerialIo::SetModeBits(uint32_t mask, uint32_t value) {
    SetMode((GetMode() & ~mask) | value);
}

void SerialIo::Write(const uint8_t* data, uint32_t length) {
    TARNIX_ASSERT(data != NULL, "Serial");
    if (length == 0) return;
    // The free space comes from the camera; the window's own size bounds it too, so a camera
    // that claims more never has us write past the window into the receive buffer's.
    if (TxFree() < length || length > kTxWindowBytes) {
        throw std::invalid_argument("SerialIo::Write: Transmit buffer overrun");
    }
    if (!TxReady()) throw io_error("SerialIo::Write: Transmitter not ready");

    const size_t words = (size_t{length} + 3) / 4;
    std::vector<uint32_t> values(words, 0);
    for (size_t k = 0; k < length; ++k) values[k / 4] |= uint32_t{data[k]} << ByteShift(k);
    if (m_Device.SetRegisters(WindowAddresses(kTxWindow, words), values) != words) {
        throw io_error("SerialIo::Write: Failed to write data to transmit buffer");
    }
    m_Device.WriteRegister(kTxLengthRegister, length);
}

void SerialIo::WriteByte(uint8_t byte) {
    Write(&byte, 1);
}

uint32_t SerialIo::Read(uint8_t* buffer, uint32_t length) {
    TARNIX_ASSERT(buffer != NULL, "Serial");
    TARNIX_ASSERT(length > 0, "Serial");
    const uint32_t waiting = RxLength();
    if (waiting == 0) return 0;
    uint32_t count = waiting < length ? waiting : length;

    const size_t words = (size_t{count} + 3) / 4;
    std::vector<uint32_t> values;
    const uint32_t read = m_Device.GetRegisters(WindowAddresses(kRxWindow, words), values);
    if (read < words) count = 4 * read;
    m_Device.WriteRegister(kRxLengthRegister, count);
    for (size_t k = 0; k < count; ++k) {
        buffer[k] = static_cast<uint8_t>(values[k / 4] >> ByteShift(k));
    }
    return count;
}

uint8_t SerialIo::ReadByte() {
    uint8_t byte = 0;
    if (Read(&byte, 1) == 0) throw io_error("SerialIo::ReadByte: No data in receive buffer");
    return byte;
}

uint32_t SerialIo::TxFree() {
    return m_Device.ReadRegister(kTxFreeRegister) & 0xFFFFu;
}

bool SerialIo::TxReady() {
    return (m_Device.ReadRegister(kTxStatusRegister) & 1u) != 0;
}

uint32_t SerialIo::RxLength() {
    return m_Device.ReadRegister(kRxLengthRegister);
}

uint32_t SerialIo::GetRxStatus() {
    return m_Device.ReadRegister(kRxStatusRegister);
}

void SerialIo::SetRxStatus(uint32_t value) {
    m_Device.WriteRegister(kRxStatusRegister, value);
}

uint32_t SerialIo::GetMode() {
    return m_Device.ReadRegister(kModeRegister);
}

void SerialIo::SetMode(uint32_t value) {
    m_Device.WriteRegister(kModeRegister, value);
}

// The "RS232." pseudo-properties: the suffix after the prefix picks the operation, without
// regard to letter case. Every failure is an exception for the property layer to report.
bool CameraDevice::SetSerialProperty(const char* text, uint32_t value) {
    const char* const suffix = text + std::strlen("RS232.");
    const auto is = [suffix](const char* name) { return EqualsIgnoreCase(suffix, name); };
    // Signed parameters take the value's bits: 2147483648 and above count as negative.
    const auto signedValue = static_cast<int32_t>(value);

    if (is("Tx")) {
        m_Serial.WriteByte(static_cast<uint8_t>(value & 0xFF));
    } else if (StartsWithIgnoreCase(suffix, "Tx") && std::strlen(suffix) > 3) {
        // "Tx", a separator ('=' in "RS232.Tx=414243") and the hex data; value is unused.
        // Everything is decoded before anything is sent.
        const std::vector<uint8_t> bytes = DecodeHex(suffix + 3);
        m_Serial.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    } else if (is("BaudRate")) {
        m_Serial.SetBaudRate(value);
    } else if (is("Parity")) {
        m_Serial.SetParity(signedValue);
    } else if (is("DataBits")) {
        m_Serial.SetDataBits(signedValue);
    } else if (is("StopBits")) {
        m_Serial.SetStopBits(signedValue);
    } else if (is("RxStatus")) {
        m_Serial.SetRxStatus(value);
    } else if (is("Open") || is("Close")) {
        // Closing performs the same register writes as opening.
        m_Serial.Open();
    } else {
        throw std::invalid_argument("Uknown attribute");
    }
    return true;
}

bool CameraDevice::GetSerialProperty(const char* name, uint32_t& value) {
    const char* const suffix = name + std::strlen("RS232.");
    if (EqualsIgnoreCase(suffix, "RxLen")) {
        value = m_Serial.RxLength();
    } else if (EqualsIgnoreCase(suffix, "RxStatus")) {
        value = m_Serial.GetRxStatus();
    } else if (EqualsIgnoreCase(suffix, "Rx")) {
        value = m_Serial.ReadByte();
    } else {
        throw std::invalid_argument("Uknown attribute");
    }
    return true;
}

}  // namespace tarnix
