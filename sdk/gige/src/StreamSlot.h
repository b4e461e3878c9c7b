// Holds a session's frame stream and lends it to calls. The stream is destroyed only once no
// other thread is inside a call on it, and never under a call on the same thread: a frame
// callback run by Clear may close its own camera, and the Clear must not find its stream gone.
// A template over the stream type, so that its rules are tested without a camera.
#pragma once

#include <platform/ThreadSafety.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "FrameStream.h"
#include "PixelFormats.h"

namespace tarnix::gige {

template <typename Stream>
class BasicStreamSlot {
  public:
    BasicStreamSlot() = default;
    ~BasicStreamSlot() { Destroy(); }
    BasicStreamSlot(const BasicStreamSlot&) = delete;
    BasicStreamSlot& operator=(const BasicStreamSlot&) = delete;

    bool Empty() EXCLUDES(m_Lock) {
        platform::MutexLock lock(m_Lock);
        return m_Stream == nullptr;
    }

    void Install(std::unique_ptr<Stream> stream) EXCLUDES(m_Lock) {
        platform::MutexLock lock(m_Lock);
        m_Stream = std::move(stream);
    }

    // Runs fn(stream) with the stream lent, or returns `absent` when there is none.
    template <typename Fn, typename Result = decltype(std::declval<Fn&>()(std::declval<Stream&>()))>
    Result With(Fn&& fn, std::type_identity_t<Result> absent) EXCLUDES(m_Lock) {
        Stream* stream = Borrow();
        if (stream == nullptr) return absent;
        struct GiveBackAtEnd {
            BasicStreamSlot* slot;
            ~GiveBackAtEnd() { slot->GiveBack(); }
        } giveBack{this};
        return fn(*stream);
    }

    // Takes the stream out (later calls find none) and destroys it once other threads have
    // given it back; when this thread has it lent, the outermost of its calls destroys it.
    void Destroy() EXCLUDES(m_Lock) {
        std::unique_ptr<Stream> stream;
        {
            platform::MutexLock lock(m_Lock);
            stream = std::move(m_Stream);
            if (stream == nullptr) return;
            while (LentToOthersLocked() != 0) m_Returned.wait(lock.Native());
            if (LentHereLocked() != 0) {
                m_Leaving = std::move(stream);
                return;
            }
        }
        // Destroyed outside the lock: the stream's end hands queued records back through
        // their callbacks, which may call into the slot again.
    }

  private:
    Stream* Borrow() EXCLUDES(m_Lock) {
        platform::MutexLock lock(m_Lock);
        if (m_Stream == nullptr) return nullptr;
        m_Borrowers.push_back(std::this_thread::get_id());
        return m_Stream.get();
    }

    void GiveBack() EXCLUDES(m_Lock) {
        std::unique_ptr<Stream> leaving;
        {
            platform::MutexLock lock(m_Lock);
            const auto it =
                std::find(m_Borrowers.begin(), m_Borrowers.end(), std::this_thread::get_id());
            if (it != m_Borrowers.end()) m_Borrowers.erase(it);
            if (m_Leaving != nullptr && LentHereLocked() == 0) leaving = std::move(m_Leaving);
            m_Returned.notify_all();
        }
    }

    size_t LentToOthersLocked() const REQUIRES(m_Lock) {
        const auto self = std::this_thread::get_id();
        return size_t(std::count_if(m_Borrowers.begin(), m_Borrowers.end(),
                                    [&](std::thread::id id) { return id != self; }));
    }

    size_t LentHereLocked() const REQUIRES(m_Lock) {
        return size_t(
            std::count(m_Borrowers.begin(), m_Borrowers.end(), std::this_thread::get_id()));
    }

    platform::Mutex m_Lock;
    std::condition_variable m_Returned;
    std::unique_ptr<Stream> m_Stream GUARDED_BY(m_Lock);
    // Taken out while this thread had it lent.
    std::unique_ptr<Stream> m_Leaving GUARDED_BY(m_Lock);
    // One entry per call in progress.
    std::vector<std::thread::id> m_Borrowers GUARDED_BY(m_Lock);
};

using StreamSlot = BasicStreamSlot<FrameStream>;

}  // namespace tarnix::gige
