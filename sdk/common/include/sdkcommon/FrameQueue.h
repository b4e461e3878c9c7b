// The fixed-capacity queue of frame records a capturing camera fills in order.
#pragma once

#include <pvapi.h>

#include <array>
#include <cstdint>

namespace tarnix::sdk {

struct QueuedFrame {
    tPvFrame* frame;
    tPvFrameCallback callback;
};

class FrameQueue {
  public:
    static constexpr uint32_t kCapacity = 16;

    struct Batch {
        std::array<QueuedFrame, kCapacity> items;
        uint32_t count = 0;
    };

    bool Empty() const { return m_Size == 0; }
    bool Full() const { return m_Size == kCapacity; }
    bool Contains(const tPvFrame* frame) const {
        for (uint32_t i = 0; i < m_Size; ++i) {
            if (m_Items[(m_Head + i) % kCapacity].frame == frame) {
                return true;
            }
        }
        return false;
    }
    void Push(QueuedFrame item) {
        m_Items[(m_Head + m_Size) % kCapacity] = item;
        ++m_Size;
    }
    QueuedFrame Pop() {
        const QueuedFrame item = m_Items[m_Head];
        m_Head = (m_Head + 1) % kCapacity;
        --m_Size;
        return item;
    }
    // Moves every queued record, oldest first, into the batch.
    void TakeAll(Batch& batch) {
        while (!Empty()) {
            batch.items[batch.count++] = Pop();
        }
    }

  private:
    std::array<QueuedFrame, kCapacity> m_Items{};
    uint32_t m_Head = 0;
    uint32_t m_Size = 0;
};

}  // namespace tarnix::sdk
