// The camera's serial-port registers as the tests know them: written down once, apart from the
// driver's and the simulator's own tables, so that a wrong address on either side shows.
#pragma once

#include <cstdint>

namespace tarnix::test::serial {

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

}  // namespace tarnix::test::serial
