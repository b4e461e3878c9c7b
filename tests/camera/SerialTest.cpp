// The serial port and its "RS232." pseudo-properties against the simulated camera's UART and
// its loopback peer. The SDK table is the simulator's with the register calls recorded, so
// the tests see every register sequence the driver runs.
#include <base/Errors.h>
#include <camera/Camera.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInternals.h>
#include <harness/SdkTable.h>
#include <harness/SerialRegisters.h>
#include <pvsim.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using namespace serial;  // the register addresses

// One register call as the SDK saw it: the addresses asked for and the values that moved
// (written, or read back as far as the read completed).
struct RegisterCall {
    bool write;
    std::vector<uint32_t> addresses;
    std::vector<uint32_t> values;
    bool operator==(const RegisterCall&) const = default;
};

RegisterCall Read(std::vector<uint32_t> addresses, std::vector<uint32_t> values) {
    return {false, std::move(addresses), std::move(values)};
}
RegisterCall Write(std::vector<uint32_t> addresses, std::vector<uint32_t> values) {
    return {true, std::move(addresses), std::move(values)};
}

void PrintTo(const RegisterCall& call, std::ostream* out) {
    *out << (call.write ? "write" : "read") << std::hex;
    for (size_t i = 0; i < call.addresses.size(); ++i) {
        *out << " 0x" << call.addresses[i] << "=";
        if (i < call.values.size()) *out << "0x" << call.values[i];
    }
}

std::mutex g_LogMutex;
std::vector<RegisterCall> g_Log;
// What the transmit free-space register reports instead of the simulator's value.
std::optional<uint32_t> g_TxFreeReport;

tPvErr PVDECL RecordedRead(tPvHandle handle, uint32_t count, const uint32_t* addresses,
                           uint32_t* values, uint32_t* completed) {
    const tPvErr error = ::PvRegisterRead(handle, count, addresses, values, completed);
    const uint32_t done = error == ePvErrSuccess ? *completed : 0;
    for (uint32_t i = 0; i < done; ++i) {
        if (addresses[i] == kTxFree && g_TxFreeReport) values[i] = *g_TxFreeReport;
    }
    const std::lock_guard lock(g_LogMutex);
    g_Log.push_back(Read({addresses, addresses + count}, {values, values + done}));
    return error;
}

tPvErr PVDECL RecordedWrite(tPvHandle handle, uint32_t count, const uint32_t* addresses,
                            const uint32_t* values, uint32_t* completed) {
    {
        const std::lock_guard lock(g_LogMutex);
        g_Log.push_back(Write({addresses, addresses + count}, {values, values + count}));
    }
    return ::PvRegisterWrite(handle, count, addresses, values, completed);
}

SdkApi RecordingSdk() {
    SdkApi api = DirectSdk();
    api.PvRegisterRead = RecordedRead;
    api.PvRegisterWrite = RecordedWrite;
    return api;
}

[[maybe_unused]] ::testing::Environment* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new SimulatedSdk(RecordingSdk()));

// Camera 1001 open in a camera object, its UART fresh, the register log empty.
class SerialTest : public DebugLinesTest {
  protected:
    void SetUp() override {
        pvsim_reset();
        g_TxFreeReport.reset();
        ASSERT_EQ(Sdk().PvCameraOpen(kMono8CameraId, ePvAccessMaster, &m_Handle), ePvErrSuccess);
        m_Camera = std::make_unique<CCamera>(m_Handle);
        TakeRegisterLog();
        DebugLinesTest::SetUp();
    }
    void TearDown() override {
        DebugLinesTest::TearDown();
        m_Camera.reset();
        Sdk().PvCameraClose(m_Handle);
        g_TxFreeReport.reset();
    }

    CCamera& camera() { return *m_Camera; }
    SerialIo& serial() { return CameraInternals::Device(*m_Camera).Serial(); }

    static std::vector<RegisterCall> TakeRegisterLog() {
        const std::lock_guard lock(g_LogMutex);
        return std::exchange(g_Log, {});
    }
    // Reads a register around the log.
    uint32_t Register(uint32_t address) {
        const uint32_t value = CameraInternals::Device(camera()).ReadRegister(address);
        const std::lock_guard lock(g_LogMutex);
        g_Log.pop_back();
        return value;
    }
    void SetRegister(uint32_t address, uint32_t value) {
        CameraInternals::Device(camera()).WriteRegister(address, value);
        const std::lock_guard lock(g_LogMutex);
        g_Log.pop_back();
    }
    // What the camera put on the line.
    static std::vector<uint8_t> Sent() {
        std::vector<uint8_t> bytes(4096);
        bytes.resize(pvsim_serial_sent(kMono8CameraId, bytes.data(), 4096));
        return bytes;
    }
    uint32_t Get(const char* name) {
        uint32_t value = 0xDEADBEEFu;
        EXPECT_TRUE(camera().GetNamedProperty(name, value)) << name;
        return value;
    }

    tPvHandle m_Handle = 0;
    std::unique_ptr<CCamera> m_Camera;
};

TEST_F(SerialTest, LineParametersChangeOnlyTheirOwnBitsOfTheModeRegister) {
    SetRegister(kMode, 0xA5A5F000u | 3u);  // every bit outside the four fields set
    EXPECT_TRUE(camera().SetNamedProperty("RS232.BaudRate", 9600));
    EXPECT_THAT(TakeRegisterLog(),
                ElementsAre(Read({kMode}, {0xA5A5F003u}), Write({kMode}, {0xA5A5F005u})));
    EXPECT_TRUE(camera().SetNamedProperty("rs232.baudrate", 230400));
    EXPECT_EQ(Register(kMode), 0xA5A5F00Au);

    EXPECT_TRUE(camera().SetNamedProperty("RS232.DataBits", 8));
    EXPECT_EQ(Register(kMode), 0xA5A5FC0Au);  // 8 - 5 = 3 in bits 10-11
    EXPECT_TRUE(camera().SetNamedProperty("RS232.DataBits", 6));
    EXPECT_EQ(Register(kMode), 0xA5A5F40Au);
    EXPECT_TRUE(camera().SetNamedProperty("RS232.Parity", 2));
    EXPECT_EQ(Register(kMode), 0xA5A5F60Au);
    EXPECT_TRUE(camera().SetNamedProperty("RS232.StopBits", 0));
    EXPECT_EQ(Register(kMode), 0xA5A5C60Au);
    EXPECT_TRUE(camera().SetNamedProperty("RS232.StopBits", 1));
    EXPECT_EQ(Register(kMode), 0xA5A5D60Au);
    EXPECT_TRUE(camera().SetNamedProperty("RS232.StopBits", 2));
    EXPECT_EQ(Register(kMode), 0xA5A5E60Au);
    EXPECT_THAT(lines(), IsEmpty());

    // Every table rate has its index; rates outside it have none.
    const uint32_t rates[] = {300,   600,   1200,  2400,   4800,  9600,
                              19200, 38400, 57600, 115200, 230400};
    for (uint32_t index = 0; index < 11; ++index) {
        EXPECT_EQ(SerialIo::BaudRateIndex(rates[index]), index);
    }
    EXPECT_THROW(SerialIo::BaudRateIndex(0), std::invalid_argument);
}

TEST_F(SerialTest, BadLineParametersChangeNothing) {
    const uint32_t mode = Register(kMode);
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Parity", 3));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.DataBits", 4));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.DataBits", 9));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.StopBits", 3));
    // Taken as signed: the top half of the unsigned range is negative.
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Parity", 4294967295u));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.DataBits", 2147483653u));
    EXPECT_THAT(TakeRegisterLog(), IsEmpty());  // the range is checked before any access

    // A rate is looked up after the mode was read, and nothing is written.
    EXPECT_FALSE(camera().SetNamedProperty("RS232.BaudRate", 9601));
    EXPECT_THAT(TakeRegisterLog(), ElementsAre(Read({kMode}, {mode})));
    EXPECT_EQ(Register(kMode), mode);
    EXPECT_THAT(
        lines(),
        ElementsAre(
            "Failed to set property RS232.Parity = 3: SerialIo::SetParity: Invalid parity value\n",
            "Failed to set property RS232.DataBits = 4: SerialIo::SetDataBits: Invalid data bits "
            "value\n",
            "Failed to set property RS232.DataBits = 9: SerialIo::SetDataBits: Invalid data bits "
            "value\n",
            "Failed to set property RS232.StopBits = 3: SerialIo::SetStopBits: Invalid stop bits "
            "value\n",
            "Failed to set property RS232.Parity = 4294967295: SerialIo::SetParity: Invalid "
            "parity value\n",
            "Failed to set property RS232.DataBits = 2147483653: SerialIo::SetDataBits: Invalid "
            "data bits value\n",
            "Failed to set property RS232.BaudRate = 9601: Invalid baud rate\n"));
}

TEST_F(SerialTest, AWriteChecksSpaceAndReadinessThenMovesAllWordsFirstByteOnTop) {
    // "Tx" sends the value's low byte: 321 is 0x141.
    EXPECT_TRUE(camera().SetNamedProperty("RS232.Tx", 321));
    EXPECT_THAT(TakeRegisterLog(),
                ElementsAre(Read({kTxFree}, {1024}), Read({kTxStatus}, {1}),
                            Write({kTxWindow}, {0x41000000u}), Write({kTxLength}, {1})));
    EXPECT_THAT(Sent(), ElementsAre(0x41));

    // The hex-data form; the value plays no part.
    EXPECT_TRUE(camera().SetNamedProperty("RS232.Tx=414243", 7));
    EXPECT_THAT(TakeRegisterLog(),
                ElementsAre(Read({kTxFree}, {1024}), Read({kTxStatus}, {1}),
                            Write({kTxWindow}, {0x41424300u}), Write({kTxLength}, {3})));
    EXPECT_THAT(Sent(), ElementsAre(0x41, 0x42, 0x43));

    // Five bytes take two words in one call; the separator is not looked at.
    EXPECT_TRUE(camera().SetNamedProperty("rs232.tX:0102030405", 0));
    EXPECT_THAT(TakeRegisterLog(),
                ElementsAre(Read({kTxFree}, {1024}), Read({kTxStatus}, {1}),
                            Write({kTxWindow, kTxWindow + 4}, {0x01020304u, 0x05000000u}),
                            Write({kTxLength}, {5})));
    EXPECT_THAT(Sent(), ElementsAre(1, 2, 3, 4, 5));

    // The whole window in one transfer, and an empty write touches nothing.
    std::vector<uint8_t> full(1024);
    for (size_t i = 0; i < full.size(); ++i) full[i] = static_cast<uint8_t>(i * 7);
    serial().Write(full.data(), 1024);
    serial().Write(full.data(), 0);
    const auto log = TakeRegisterLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2].addresses.size(), 256u);
    EXPECT_EQ(log[2].addresses.back(), kTxWindow + 1020);
    EXPECT_EQ(log[3], Write({kTxLength}, {1024}));
    EXPECT_EQ(Sent(), full);
    EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(SerialTest, BadHexDataSendsNothing) {
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Tx=4", 0));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Tx=zz", 0));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Tx=4142zz43", 0));  // found before sending
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Tx=", 0));          // too short to be hex
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Txx", 0));
    EXPECT_THAT(TakeRegisterLog(), IsEmpty());
    EXPECT_THAT(Sent(), IsEmpty());
    EXPECT_THAT(lines(), ElementsAre("Failed to set property RS232.Tx=4 = 0: Invalid hex data\n",
                                     "Failed to set property RS232.Tx=zz = 0: Invalid hex data\n",
                                     "Failed to set property RS232.Tx=4142zz43 = 0: Invalid hex "
                                     "data\n",
                                     "Failed to set property RS232.Tx= = 0: Uknown attribute\n",
                                     "Failed to set property RS232.Txx = 0: Uknown attribute\n"));

    // Longer hex data than the transmit buffer holds is decoded, then refused whole.
    const std::string longHex = "RS232.Tx=" + std::string(2 * 1025, 'a');
    EXPECT_FALSE(camera().SetNamedProperty(longHex.c_str(), 0));
    EXPECT_THAT(TakeRegisterLog(), ElementsAre(Read({kTxFree}, {1024})));
    EXPECT_THAT(Sent(), IsEmpty());
    ASSERT_EQ(lines().size(), 1u);
}

TEST_F(SerialTest, RefusedWritesReleaseNothing) {
    // Less space than data: refused before the ready bit is read. The upper half of the
    // free-space register does not count.
    g_TxFreeReport = 0x00010002u;
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Tx=414243", 0));
    EXPECT_THAT(TakeRegisterLog(), ElementsAre(Read({kTxFree}, {0x00010002u})));
    // A camera claiming more space than the window holds never has the data written past it.
    g_TxFreeReport = 0xFFFFu;
    const std::vector<uint8_t> tooLong(1025, 0x55);
    EXPECT_THROW(serial().Write(tooLong.data(), 1025), std::invalid_argument);
    EXPECT_THAT(TakeRegisterLog(), ElementsAre(Read({kTxFree}, {0xFFFFu})));
    g_TxFreeReport.reset();

    ASSERT_EQ(pvsim_serial_transmitter(kMono8CameraId, 1024, 0), 0u);
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Tx", 0x41));
    EXPECT_THAT(TakeRegisterLog(), ElementsAre(Read({kTxFree}, {1024}), Read({kTxStatus}, {0})));
    ASSERT_EQ(pvsim_serial_transmitter(kMono8CameraId, 1024, 1), 0u);

    // The camera takes one word of two: the length register is not written.
    ASSERT_EQ(pvsim_limit_registers(kMono8CameraId, 1), 0u);
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Tx=0102030405", 0));
    const auto log = TakeRegisterLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_TRUE(log[2].write);
    EXPECT_EQ(log[2].addresses.front(), kTxWindow);
    EXPECT_THAT(Sent(), IsEmpty());
    EXPECT_THAT(
        lines(),
        ElementsAre(
            "Failed to set property RS232.Tx=414243 = 0: SerialIo::Write: Transmit buffer "
            "overrun\n",
            "Failed to set property RS232.Tx = 65: SerialIo::Write: Transmitter not ready\n",
            "Failed to set property RS232.Tx=0102030405 = 0: SerialIo::Write: Failed to write "
            "data to transmit buffer\n"));
}

TEST_F(SerialTest, ReceivedBytesComeBackThroughTheLoopbackInOrder) {
    EXPECT_EQ(Get("RS232.RxLen"), 0u);
    EXPECT_TRUE(camera().SetNamedProperty("RS232.Tx=414243444546", 0));
    EXPECT_EQ(Get("rs232.rxlen"), 6u);
    TakeRegisterLog();

    // One byte: word 0 of the window, then 1 byte taken.
    EXPECT_EQ(Get("RS232.Rx"), 0x41u);
    EXPECT_THAT(TakeRegisterLog(),
                ElementsAre(Read({kRxLength}, {6}), Read({kRxWindow}, {0x41424344u}),
                            Write({kRxLength}, {1})));
    // The rest in one block, capped at the caller's buffer.
    uint8_t buffer[8] = {};
    EXPECT_EQ(serial().Read(buffer, 3), 3u);
    EXPECT_THAT(TakeRegisterLog(),
                ElementsAre(Read({kRxLength}, {5}), Read({kRxWindow}, {0x42434445u}),
                            Write({kRxLength}, {3})));
    EXPECT_EQ(serial().Read(buffer + 3, 5), 2u);
    EXPECT_THAT(buffer, ElementsAre('B', 'C', 'D', 'E', 'F', 0, 0, 0));

    // Nothing waiting: Read says 0 after one register read; Rx fails.
    TakeRegisterLog();
    EXPECT_EQ(serial().Read(buffer, 8), 0u);
    EXPECT_THAT(TakeRegisterLog(), ElementsAre(Read({kRxLength}, {0})));
    uint32_t value = 77;
    EXPECT_FALSE(camera().GetNamedProperty("RS232.Rx", value));
    EXPECT_EQ(value, 77u);
    EXPECT_THAT(lines(), ElementsAre("Failed to get property RS232.Rx: SerialIo::ReadByte: No "
                                     "data in receive buffer\n"));
}

TEST_F(SerialTest, APartialReadTakesOnlyTheWordsThatArrived) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(pvsim_serial_inject(kMono8CameraId, bytes, 6), 0u);
    ASSERT_EQ(pvsim_limit_registers(kMono8CameraId, 1), 0u);
    uint8_t buffer[8] = {};
    EXPECT_EQ(serial().Read(buffer, 8), 4u);
    EXPECT_THAT(buffer, ElementsAre(1, 2, 3, 4, 0, 0, 0, 0));
    ASSERT_EQ(pvsim_limit_registers(kMono8CameraId, 0xFFFFFFFFu), 0u);
    EXPECT_EQ(Get("RS232.RxLen"), 2u);
    EXPECT_EQ(Get("RS232.Rx"), 5u);
}

TEST_F(SerialTest, OpenCloseAndReceiveStatusPassTheCamerasBitsThrough) {
    SetRegister(kTxControl, 0);
    SetRegister(kRxControl, 0);
    EXPECT_TRUE(camera().SetNamedProperty("RS232.Open", 0));
    EXPECT_TRUE(camera().SetNamedProperty("rs232.CLOSE", 0));
    EXPECT_THAT(TakeRegisterLog(), ElementsAre(Write({kTxControl, kRxControl}, {3, 3}),
                                               Write({kTxControl, kRxControl}, {3, 3})));

    // An overrun sticks until the status is written.
    const std::vector<uint8_t> flood(1025, 0x33);
    EXPECT_EQ(pvsim_serial_inject(kMono8CameraId, flood.data(), 1025), ePvErrResources);
    EXPECT_EQ(Get("RS232.RxStatus"), 3u);  // data waiting, overrun
    EXPECT_TRUE(camera().SetNamedProperty("RS232.RxStatus", 0));
    EXPECT_EQ(Get("RS232.RxStatus"), 1u);
    EXPECT_EQ(Get("RS232.RxLen"), 1024u);
    EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(SerialTest, UnknownSuffixesAndReadsOfWriteOnlyNamesFail) {
    uint32_t value = 0;
    EXPECT_FALSE(camera().GetNamedProperty("RS232.BaudRate", value));
    EXPECT_FALSE(camera().GetNamedProperty("RS232.Tx", value));
    EXPECT_FALSE(camera().GetNamedProperty("RS232.", value));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Flush", 0));
    // The whole set text is the name: a value after '=' makes it another name.
    EXPECT_FALSE(camera().SetNamedProperty("RS232.BaudRate=9600", 9600));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.RxLen", 0));
    EXPECT_THAT(TakeRegisterLog(), IsEmpty());
    EXPECT_THAT(lines(), ElementsAre("Failed to get property RS232.BaudRate: Uknown attribute\n",
                                     "Failed to get property RS232.Tx: Uknown attribute\n",
                                     "Failed to get property RS232.: Uknown attribute\n",
                                     "Failed to set property RS232.Flush = 0: Uknown attribute\n",
                                     "Failed to set property RS232.BaudRate=9600 = 9600: Uknown "
                                     "attribute\n",
                                     "Failed to set property RS232.RxLen = 0: Uknown attribute\n"));
}

TEST_F(SerialTest, RegisterFailuresReachTheLineWithTheSdksCode) {
    ASSERT_EQ(pvsim_fail_registers(kMono8CameraId, ePvErrUnplugged), 0u);
    uint32_t value = 0;
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Open", 0));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.BaudRate", 9600));
    EXPECT_FALSE(camera().GetNamedProperty("RS232.RxLen", value));
    // Checks that need no register come first.
    EXPECT_FALSE(camera().SetNamedProperty("RS232.Parity", 7));
    EXPECT_THAT(lines(),
                ElementsAre("Failed to set property RS232.Open = 0: ERROR 8 Camera was "
                            "unplugged: CCamera::SetRegisters\n\n",
                            "Failed to set property RS232.BaudRate = 9600: ERROR 8 Camera was "
                            "unplugged: CCamera::GetRegisters\n\n",
                            "Failed to get property RS232.RxLen: ERROR 8 Camera was unplugged: "
                            "CCamera::GetRegisters\n\n",
                            "Failed to set property RS232.Parity = 7: SerialIo::SetParity: "
                            "Invalid parity value\n"));

    // A register the camera does not complete.
    ASSERT_EQ(pvsim_fail_registers(kMono8CameraId, ePvErrSuccess), 0u);
    ASSERT_EQ(pvsim_limit_registers(kMono8CameraId, 0), 0u);
    EXPECT_FALSE(camera().GetNamedProperty("RS232.RxStatus", value));
    EXPECT_FALSE(camera().SetNamedProperty("RS232.RxStatus", 0));
    EXPECT_THAT(lines(), ElementsAre("Failed to get property RS232.RxStatus: Failed to read "
                                     "camera register value\n",
                                     "Failed to set property RS232.RxStatus = 0: Failed to write "
                                     "data to camera register\n"));
}

#ifndef NDEBUG
TEST_F(SerialTest, NullBuffersAndEmptyReadsAreProgrammingErrors) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // the SDK runs threads of its own
    uint8_t byte = 0;
    EXPECT_DEATH(serial().Write(nullptr, 1), "Assertion failed: data != NULL, unit Serial");
    EXPECT_DEATH(serial().Read(nullptr, 1), "Assertion failed: buffer != NULL, unit Serial");
    EXPECT_DEATH(serial().Read(&byte, 0), "Assertion failed: length > 0, unit Serial");
}
#endif

}  // namespace
}  // namespace tarnix::test
