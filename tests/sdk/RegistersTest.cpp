// Register transfers and the serial port behind them.
#include <harness/SdkTest.h>
#include <harness/SerialRegisters.h>

#include <cstring>
#include <string>
#include <vector>

namespace tarnix::test {
namespace {

using namespace serial;  // the register addresses

class Registers : public SdkTest {
  protected:
    void SetUp() override {
        SdkTest::SetUp();
        m_Handle = Open(1001);
    }
    uint32_t Read(uint32_t address) {
        uint32_t value = 0, done = 0;
        EXPECT_EQ(PvRegisterRead(m_Handle, 1, &address, &value, &done), ePvErrSuccess);
        EXPECT_EQ(done, 1u);
        return value;
    }
    void Write(uint32_t address, uint32_t value) {
        uint32_t done = 0;
        EXPECT_EQ(PvRegisterWrite(m_Handle, 1, &address, &value, &done), ePvErrSuccess);
        EXPECT_EQ(done, 1u);
    }
    // Packs bytes into the transmit window, first byte in the top bits, and sends them.
    void Send(const std::string& bytes) {
        std::vector<uint32_t> addresses, words((bytes.size() + 3) / 4, 0);
        for (size_t k = 0; k < bytes.size(); ++k) {
            words[k / 4] |= uint32_t(uint8_t(bytes[k])) << (24 - 8 * (k % 4));
        }
        for (size_t i = 0; i < words.size(); ++i) {
            addresses.push_back(kTxWindow + 4 * uint32_t(i));
        }
        uint32_t done = 0;
        ASSERT_EQ(PvRegisterWrite(m_Handle, uint32_t(words.size()), addresses.data(), words.data(),
                                  &done),
                  ePvErrSuccess);
        ASSERT_EQ(done, words.size());
        Write(kTxLength, uint32_t(bytes.size()));
    }
    // Reads what is waiting, then takes it.
    std::string Receive() {
        const uint32_t waiting = Read(kRxLength);
        std::vector<uint32_t> addresses, words((waiting + 3) / 4);
        for (size_t i = 0; i < words.size(); ++i) {
            addresses.push_back(kRxWindow + 4 * uint32_t(i));
        }
        std::string bytes;
        if (waiting > 0) {
            uint32_t done = 0;
            EXPECT_EQ(PvRegisterRead(m_Handle, uint32_t(words.size()), addresses.data(),
                                     words.data(), &done),
                      ePvErrSuccess);
            for (uint32_t k = 0; k < waiting; ++k) {
                bytes += char(words[k / 4] >> (24 - 8 * (k % 4)));
            }
            Write(kRxLength, waiting);
        }
        return bytes;
    }
    tPvHandle m_Handle = 0;
};

TEST_F(Registers, PortStartsAt9600EightDataBitsAndIsReady) {
    EXPECT_EQ(Read(kMode) & 0xFF, 5u);
    EXPECT_EQ((Read(kMode) >> 10) & 3, 3u);
    EXPECT_EQ(Read(kTxFree) & 0xFFFF, 1024u);
    EXPECT_EQ(Read(kTxStatus) & 1, 1u);
    EXPECT_EQ(Read(kRxLength), 0u);
    Write(kMode, 0x1234);
    EXPECT_EQ(Read(kMode), 0x1234u);
}

TEST_F(Registers, LoopbackReturnsWhatWasSent) {
    Send("Hello");
    EXPECT_EQ(Read(kRxLength), 5u);
    EXPECT_EQ(Read(kRxStatus) & 1, 1u);  // data waiting
    EXPECT_EQ(Read(kRxWindow), 0x48656C6Cu);
    EXPECT_EQ(Read(kRxWindow + 4), 0x6F000000u);  // bytes past the data read as 0

    // Taking part of it moves the window on.
    Write(kRxLength, 1);
    EXPECT_EQ(Read(kRxWindow), 0x656C6C6Fu);
    EXPECT_EQ(Receive(), "ello");
    EXPECT_EQ(Read(kRxStatus) & 1, 0u);

    uint8_t sent[16];
    EXPECT_EQ(pvsim_serial_sent(1001, sent, sizeof sent), 5u);  // the line was tapped
    EXPECT_EQ(std::string(reinterpret_cast<char*>(sent), 5), "Hello");
    EXPECT_EQ(pvsim_serial_sent(1001, sent, sizeof sent), 0u);
}

TEST_F(Registers, PeerSeesSentBytesAndInjectsReceivedOnes) {
    ASSERT_EQ(pvsim_serial_loopback(1001, 0), ePvErrSuccess);
    Send("ABC");
    EXPECT_EQ(Read(kRxLength), 0u);
    uint8_t sent[2];
    ASSERT_EQ(pvsim_serial_sent(1001, sent, 2), 2u);
    EXPECT_EQ(sent[0], 'A');
    ASSERT_EQ(pvsim_serial_sent(1001, sent, 2), 1u);
    EXPECT_EQ(sent[0], 'C');

    const uint8_t reply[] = {'o', 'k', 0x00, 0xFF};
    ASSERT_EQ(pvsim_serial_inject(1001, reply, 4), ePvErrSuccess);
    EXPECT_EQ(Receive(), std::string("ok\0\xFF", 4));

    // The receive buffer holds 1024 bytes; the rest is lost and flagged.
    std::vector<uint8_t> flood(1030, 'x');
    EXPECT_EQ(pvsim_serial_inject(1001, flood.data(), 1030), ePvErrResources);
    EXPECT_EQ(Read(kRxLength), 1024u);
    EXPECT_NE(Read(kRxStatus) & 2, 0u);
    Write(kRxStatus, 0);
    EXPECT_EQ(Read(kRxStatus) & 2, 0u);
}

TEST_F(Registers, TransmitterStateFollowsControlAndTestSettings) {
    Write(kTxControl, 0);
    EXPECT_EQ(Read(kTxStatus) & 1, 0u);
    Send("zz");  // a disabled transmitter sends nothing
    EXPECT_EQ(Read(kRxLength), 0u);
    Write(kTxControl, 3);
    EXPECT_EQ(Read(kTxStatus) & 1, 1u);

    ASSERT_EQ(pvsim_serial_transmitter(1001, 3, 0), ePvErrSuccess);
    EXPECT_EQ(Read(kTxFree) & 0xFFFF, 3u);
    EXPECT_EQ(Read(kTxStatus) & 1, 0u);
    pvsim_reset();
    m_Handle = Open(1001);
    EXPECT_EQ(Read(kTxFree) & 0xFFFF, 1024u);
    EXPECT_EQ(Read(kTxStatus) & 1, 1u);
}

TEST_F(Registers, TransfersStopAtUnknownAddresses) {
    const uint32_t addresses[] = {kMode, kTxFree, 0x10000, kTxStatus};
    uint32_t values[4] = {};
    uint32_t done = 99;
    EXPECT_EQ(PvRegisterRead(m_Handle, 4, addresses, values, &done), ePvErrBadParameter);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(values[1], 1024u);

    // Read-only registers refuse writes the same way.
    const uint32_t writes[] = {kTxControl, kRxWindow};
    const uint32_t data[] = {3, 1};
    EXPECT_EQ(PvRegisterWrite(m_Handle, 2, writes, data, &done), ePvErrBadParameter);
    EXPECT_EQ(done, 1u);
    EXPECT_EQ(PvRegisterWrite(m_Handle, 1, &kTxLength, &data[0], nullptr), ePvErrSuccess);
    const uint32_t tooLong = 1025;
    EXPECT_EQ(PvRegisterWrite(m_Handle, 1, &kTxLength, &tooLong, &done), ePvErrBadParameter);

    const tPvHandle monitor = Open(1001, ePvAccessMonitor);
    EXPECT_EQ(PvRegisterRead(monitor, 1, addresses, values, &done), ePvErrSuccess);
    EXPECT_EQ(PvRegisterWrite(monitor, 1, writes, data, &done), ePvErrAccessDenied);
    EXPECT_EQ(done, 0u);
}

TEST_F(Registers, InjectedLimitsAndFailures) {
    const uint32_t addresses[] = {kMode, kTxFree, kTxStatus};
    uint32_t values[3] = {};
    uint32_t done = 0;
    ASSERT_EQ(pvsim_limit_registers(1001, 2), ePvErrSuccess);
    EXPECT_EQ(PvRegisterRead(m_Handle, 3, addresses, values, &done), ePvErrSuccess);
    EXPECT_EQ(done, 2u);
    ASSERT_EQ(pvsim_limit_registers(1001, 0), ePvErrSuccess);
    const uint32_t one = 1;
    EXPECT_EQ(PvRegisterWrite(m_Handle, 1, &kTxLength, &one, &done), ePvErrSuccess);
    EXPECT_EQ(done, 0u);
    ASSERT_EQ(pvsim_limit_registers(1001, 0xFFFFFFFFu), ePvErrSuccess);

    ASSERT_EQ(pvsim_fail_registers(1001, ePvErrTimeout), ePvErrSuccess);
    EXPECT_EQ(PvRegisterRead(m_Handle, 3, addresses, values, &done), ePvErrTimeout);
    EXPECT_EQ(done, 0u);
    ASSERT_EQ(pvsim_fail_registers(1001, 0), ePvErrSuccess);
    EXPECT_EQ(PvRegisterRead(m_Handle, 3, addresses, values, &done), ePvErrSuccess);
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(pvsim_fail_registers(4242, 1), ePvErrNotFound);
}

}  // namespace
}  // namespace tarnix::test
