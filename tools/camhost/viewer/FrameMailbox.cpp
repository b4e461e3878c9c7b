#include "FrameMailbox.h"

#include <utility>

namespace tarnix::camhost {

void FrameMailbox::Reset(const FrameGeometry& geometry) {
    platform::MutexLock fill(m_FillLock);
    platform::MutexLock swap(m_SwapLock);
    const size_t room = size_t{geometry.width} * kMaxChannels * geometry.height;
    for (Slot& slot : m_Slots) {
        slot.pixels.assign(room, 0);
        slot.number = 0;
    }
    m_Geometry = geometry;
    m_ReadyIsNew = false;
    m_HasShown = false;
    m_Number = 0;
    m_Counts = {};
}

FrameGeometry FrameMailbox::Geometry() const {
    platform::MutexLock swap(m_SwapLock);
    return m_Geometry;
}

void FrameMailbox::Deliver(Filler& fill, Clock::time_point now) {
    platform::MutexLock hold(m_FillLock);
    FrameGeometry geometry;
    {
        platform::MutexLock swap(m_SwapLock);
        ++m_Counts.received;
        if (m_ReadyIsNew && now - m_ReadySince < kFreshFor) {
            ++m_Counts.dropped;
            return;
        }
        geometry = m_Geometry;
    }
    // The filling slot is the deliverer's alone: the window never looks at it, so the rows are
    // copied without holding the lock the window takes.
    Slot& slot = m_Slots[m_Filling];
    const bool whole = geometry.Bytes() > 0 && fill.Fill(slot.pixels.data(), geometry);
    platform::MutexLock swap(m_SwapLock);
    if (!whole) {
        ++m_Counts.incomplete;
        return;
    }
    slot.number = ++m_Number;
    if (m_ReadyIsNew) ++m_Counts.dropped;
    std::swap(m_Filling, m_Ready);
    m_ReadyIsNew = true;
    m_ReadySince = now;
}

bool FrameMailbox::Take(FrameView& frame) {
    platform::MutexLock swap(m_SwapLock);
    if (!m_ReadyIsNew) return false;
    std::swap(m_Ready, m_Showing);
    m_ReadyIsNew = false;
    m_HasShown = true;
    ++m_Counts.shown;
    frame = {m_Slots[m_Showing].pixels.data(), m_Geometry, m_Slots[m_Showing].number};
    return true;
}

bool FrameMailbox::Current(FrameView& frame) const {
    platform::MutexLock swap(m_SwapLock);
    if (!m_HasShown) return false;
    frame = {m_Slots[m_Showing].pixels.data(), m_Geometry, m_Slots[m_Showing].number};
    return true;
}

MailboxCounts FrameMailbox::Counts() const {
    platform::MutexLock swap(m_SwapLock);
    return m_Counts;
}

}  // namespace tarnix::camhost
