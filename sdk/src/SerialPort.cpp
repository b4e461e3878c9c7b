#include "SerialPort.h"

#include <algorithm>

namespace tarnix::sim {

namespace {

bool InWindow(uint32_t address, uint32_t base, uint32_t words, uint32_t& index) {
    if (address < base || address >= base + 4 * words || (address - base) % 4 != 0) {
        return false;
    }
    index = (address - base) / 4;
    return true;
}

}  // namespace

bool SerialPort::Read(uint32_t address, uint32_t& value) const {
    uint32_t index = 0;
    switch (address) {
        case reg::kMode:
            value = m_Mode;
            return true;
        case reg::kTxFree:
            // Transmission is instantaneous, so the whole window is free unless a test says not.
            value = std::min(kCapacity, m_TxFreeLimit);
            return true;
        case reg::kTxStatus:
            value = m_TxReady ? m_TxControl & 1 : 0;
            return true;
        case reg::kTxControl:
            value = m_TxControl;
            return true;
        case reg::kTxLength:
            value = 0;  // nothing pending
            return true;
        case reg::kRxStatus:
            value = (m_RxStatus & ~kRxDataWaiting) | (m_Rx.empty() ? 0 : kRxDataWaiting);
            return true;
        case reg::kRxControl:
            value = m_RxControl;
            return true;
        case reg::kRxLength:
            value = uint32_t(m_Rx.size());
            return true;
        default:
            break;
    }
    if (InWindow(address, reg::kTxWindow, kWindowWords, index)) {
        value = m_TxWindow[index];
        return true;
    }
    if (InWindow(address, reg::kRxWindow, kWindowWords, index)) {
        // The waiting bytes from the FIFO head, first byte in the top bits.
        value = 0;
        for (uint32_t k = 0; k < 4; ++k) {
            const size_t pos = size_t(index) * 4 + k;
            const uint32_t byte = pos < m_Rx.size() ? m_Rx[pos] : 0;
            value |= byte << (24 - 8 * k);
        }
        return true;
    }
    return false;
}

bool SerialPort::Write(uint32_t address, uint32_t value) {
    uint32_t index = 0;
    switch (address) {
        case reg::kMode:
            m_Mode = value;
            return true;
        case reg::kTxControl:
            m_TxControl = value;
            return true;
        case reg::kTxLength:
            if (value > kCapacity) {
                return false;
            }
            Transmit(value);
            return true;
        case reg::kRxStatus:
            m_RxStatus = value & ~kRxDataWaiting;
            return true;
        case reg::kRxControl:
            m_RxControl = value;
            return true;
        case reg::kRxLength: {
            const size_t taken = std::min<size_t>(value, m_Rx.size());
            m_Rx.erase(m_Rx.begin(), m_Rx.begin() + std::ptrdiff_t(taken));
            return true;
        }
        default:
            break;
    }
    if (InWindow(address, reg::kTxWindow, kWindowWords, index)) {
        m_TxWindow[index] = value;
        return true;
    }
    return false;
}

void SerialPort::Transmit(uint32_t count) {
    if ((m_TxControl & 1) == 0) {
        return;  // transmitter disabled: the line stays silent
    }
    for (uint32_t k = 0; k < count; ++k) {
        const uint8_t byte = uint8_t(m_TxWindow[k / 4] >> (24 - 8 * (k % 4)));
        if (m_Sent.size() == kSentLogLimit) {
            m_Sent.pop_front();
        }
        m_Sent.push_back(byte);
        if (m_Loopback) {
            Receive(byte);
        }
    }
}

bool SerialPort::Receive(uint8_t byte) {
    if ((m_RxControl & 1) == 0) {
        return false;
    }
    if (m_Rx.size() >= kCapacity) {
        m_RxStatus |= kRxOverrun;
        return false;
    }
    m_Rx.push_back(byte);
    return true;
}

uint32_t SerialPort::TakeSent(uint8_t* buffer, uint32_t size) {
    const uint32_t count = uint32_t(std::min<size_t>(size, m_Sent.size()));
    std::copy_n(m_Sent.begin(), count, buffer);
    m_Sent.erase(m_Sent.begin(), m_Sent.begin() + count);
    return count;
}

uint32_t SerialPort::Inject(const uint8_t* data, uint32_t size) {
    uint32_t accepted = 0;
    for (uint32_t k = 0; k < size; ++k) {
        accepted += Receive(data[k]) ? 1 : 0;
    }
    return accepted;
}

}  // namespace tarnix::sim
