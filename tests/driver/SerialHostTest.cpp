// The camera's serial port through the driver's exports, as a host reaches it: "RS232."
// names in setProperty and getProperty, the simulated camera's loopback peer on the line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostTest.h>

#include <vector>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;

TEST_F(HostTest, TheSerialPortRoundTripsThroughTheExports) {
    uint32_t size[2] = {0, 0};
    ASSERT_EQ(driver().openCVLPort(0, 3, "127.0.1.1", size), 1);  // SimMono8
    LineLog::Clear();

    EXPECT_EQ(driver().setProperty(0, 3, "RS232.Open", 0), 1);
    EXPECT_EQ(driver().setProperty(0, 3, "RS232.BaudRate", 115200), 1);
    EXPECT_EQ(driver().setProperty(0, 3, "RS232.DataBits", 7), 1);
    EXPECT_EQ(driver().setProperty(0, 3, "RS232.Tx=48690A", 0), 1);
    EXPECT_EQ(driver().setProperty(0, 3, "RS232.Tx", '!'), 1);

    std::vector<uint8_t> sent(16);
    sent.resize(pvsim_serial_sent(kMono8CameraId, sent.data(), 16));
    EXPECT_THAT(sent, ElementsAre('H', 'i', '\n', '!'));

    uint32_t value = 0;
    ASSERT_EQ(driver().getProperty(0, 3, "RS232.RxLen", &value), 1);
    EXPECT_EQ(value, 4u);
    std::vector<uint32_t> received;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(driver().getProperty(0, 3, "rs232.rx", &value), 1);
        received.push_back(value);
    }
    EXPECT_THAT(received, ElementsAre('H', 'i', '\n', '!'));
    EXPECT_THAT(LineLog::Take(), ::testing::IsEmpty());

    // Failures are the driver's lines and 0 for the host.
    value = 77;
    EXPECT_EQ(driver().getProperty(0, 3, "RS232.Rx", &value), 0);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(driver().setProperty(0, 3, "RS232.BaudRate", 9601), 0);
    EXPECT_EQ(driver().setProperty(0, 3, "RS232.Tx=G4", 0), 0);
    EXPECT_THAT(
        LineLog::Take(),
        ElementsAre("Failed to get property RS232.Rx: SerialIo::ReadByte: No data in receive "
                    "buffer\n",
                    "Failed to set property RS232.BaudRate = 9601: Invalid baud rate\n",
                    "Failed to set property RS232.Tx=G4 = 0: Invalid hex data\n"));
}

}  // namespace
}  // namespace tarnix::test
