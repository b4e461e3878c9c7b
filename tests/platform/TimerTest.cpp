#include <gtest/gtest.h>
#include <platform/System.h>
#include <platform/Timer.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace {

using namespace std::chrono_literals;

// More than a whole line of cameras (128 ports) may wait for their reconnect at once; Wine's
// multimedia timer took only 16.
constexpr int kManyTimers = 200;

// Counts handler calls per timer id; tests wait on it instead of sleeping.
class Recorder {
  public:
    void Record(uint32_t id) {
        std::lock_guard<std::mutex> guard(m_Mutex);
        ++m_Calls[id];
        ++m_Total;
        m_Changed.notify_all();
    }

    bool WaitForTotal(int total, std::chrono::seconds timeout = 20s) {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Changed.wait_for(lock, timeout, [&] { return m_Total >= total; });
    }

    int Calls(uint32_t id) {
        std::lock_guard<std::mutex> guard(m_Mutex);
        auto it = m_Calls.find(id);
        return it == m_Calls.end() ? 0 : it->second;
    }

    int Total() {
        std::lock_guard<std::mutex> guard(m_Mutex);
        return m_Total;
    }

  private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::map<uint32_t, int> m_Calls;
    int m_Total = 0;
};

void RecordCall(uint32_t id, void* user) {
    static_cast<Recorder*>(user)->Record(id);
}

// Cancels what a test started when the test ends, failed assertions included, so no timer
// outlives the data it points to. Declare it after that data.
class ScopedTimers {
  public:
    ~ScopedTimers() {
        for (uint32_t id : m_Ids) tarnix::platform::TimerCancel(id);
    }
    uint32_t Start(uint32_t delayMs, tarnix::platform::TimerProc proc, void* user) {
        const uint32_t id = tarnix::platform::TimerStart(delayMs, proc, user);
        m_Ids.push_back(id);
        return id;
    }

  private:
    std::vector<uint32_t> m_Ids;
};

// Timers fire in order of due time, so once a later timer has fired, an earlier one that
// did not fire never will: that replaces sleeping and hoping.
void WaitForLaterTimer(uint32_t delayMs) {
    Recorder later;
    ScopedTimers timers;
    ASSERT_NE(timers.Start(delayMs, RecordCall, &later), 0u);
    ASSERT_TRUE(later.WaitForTotal(1));
}

TEST(TimerTest, FiresOnceWithItsIdAndUserData) {
    Recorder recorder;
    ScopedTimers timers;
    const uint32_t id = timers.Start(10, RecordCall, &recorder);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(recorder.WaitForTotal(1));
    WaitForLaterTimer(50);
    EXPECT_EQ(recorder.Calls(id), 1);
    EXPECT_EQ(recorder.Total(), 1);
}

TEST(TimerTest, IdsAreNonZeroAndNotReusedSoon) {
    Recorder recorder;
    ScopedTimers timers;
    std::set<uint32_t> ids;
    for (int round = 0; round < 3; ++round) {
        std::vector<uint32_t> batch;
        for (int i = 0; i < kManyTimers / 2; ++i) {
            batch.push_back(timers.Start(60000, RecordCall, &recorder));
        }
        for (uint32_t id : batch) {
            EXPECT_NE(id, 0u);
            EXPECT_TRUE(ids.insert(id).second) << "id " << id << " handed out twice";
            tarnix::platform::TimerCancel(id);
        }
    }
    tarnix::platform::TimerCancel(0);             // ignored
    tarnix::platform::TimerCancel(0xFFFFFFF0);    // unknown: ignored
    tarnix::platform::TimerCancel(*ids.begin());  // cancelled already: ignored
    EXPECT_EQ(recorder.Total(), 0);
}

TEST(TimerTest, RefusesWhatTheMultimediaTimerRefuses) {
    Recorder recorder;
    ScopedTimers timers;
    EXPECT_EQ(timers.Start(10, nullptr, nullptr), 0u);
    EXPECT_EQ(timers.Start(0, RecordCall, &recorder), 0u) << "a delay of 0";
    EXPECT_EQ(timers.Start(tarnix::platform::kTimerMaxDelayMs + 1, RecordCall, &recorder), 0u);
    // The whole range is taken on every platform (Wine's multimedia timer stopped at 65535).
    EXPECT_NE(timers.Start(65536, RecordCall, &recorder), 0u);
    EXPECT_NE(timers.Start(tarnix::platform::kTimerMaxDelayMs, RecordCall, &recorder), 0u);
}

// One camera's short reconnect delay must not wait out another's long one: a timer started
// after a later one fires on its own time.
TEST(TimerTest, AShortTimerStartedAfterALongOneFiresOnTime) {
    Recorder longTimer;
    Recorder shortTimer;
    ScopedTimers timers;
    ASSERT_NE(timers.Start(20000, RecordCall, &longTimer), 0u);
    // Long enough for the timer's thread to have settled into waiting for the long one.
    std::this_thread::sleep_for(100ms);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_NE(timers.Start(20, RecordCall, &shortTimer), 0u);
    ASSERT_TRUE(shortTimer.WaitForTotal(1, 15s)) << "waited for the longer timer";
    // Late by a scheduler's hiccup at most, nowhere near the long timer's 20 s.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_EQ(longTimer.Total(), 0);
}

// Many timers pending with delays in no order each fire close to their own due time.
TEST(TimerTest, TimersStartedInAnyOrderFireInOrderOfDueTime) {
    struct Firing {
        std::mutex mutex;
        std::vector<uint32_t> order;
        std::map<uint32_t, std::chrono::steady_clock::time_point> firedAt;
    } firing;
    ScopedTimers timers;
    // A pending timer due long after the others, as another camera's long reconnect delay.
    Recorder longTimer;
    ASSERT_NE(timers.Start(20000, RecordCall, &longTimer), 0u);
    std::this_thread::sleep_for(100ms);
    const auto started = std::chrono::steady_clock::now();
    std::map<uint32_t, uint32_t> delayOf;
    for (uint32_t i = 0; i < 40; ++i) {
        const uint32_t delay = 30 + (i * 37) % 400;  // a scrambled order of distinct delays
        const uint32_t id = timers.Start(
            delay,
            [](uint32_t id, void* user) {
                auto* f = static_cast<Firing*>(user);
                std::lock_guard<std::mutex> guard(f->mutex);
                f->order.push_back(id);
                f->firedAt[id] = std::chrono::steady_clock::now();
            },
            &firing);
        ASSERT_NE(id, 0u);
        delayOf[id] = delay;
    }
    WaitForLaterTimer(900);
    std::lock_guard<std::mutex> guard(firing.mutex);
    ASSERT_EQ(firing.order.size(), delayOf.size());
    // Started within a few milliseconds of each other, so due times 30 ms or more apart keep
    // their order; closer ones may swap by the time it took to start them.
    for (size_t i = 1; i < firing.order.size(); ++i)
        EXPECT_LE(delayOf[firing.order[i - 1]], delayOf[firing.order[i]] + 30)
            << "timer of " << delayOf[firing.order[i - 1]] << " ms fired after one of "
            << delayOf[firing.order[i]] << " ms";
    // Each close to its own due time: late by a busy machine's hiccup at most, never by the
    // long timer's 20 s.
    for (const auto& [id, delay] : delayOf) {
        const auto late = firing.firedAt[id] - (started + std::chrono::milliseconds(delay));
        EXPECT_LT(late, 3s) << "timer of " << delay << " ms";
    }
    EXPECT_EQ(longTimer.Total(), 0);
}

TEST(TimerTest, CancelBeforeItIsDueKeepsItFromFiring) {
    Recorder recorder;
    ScopedTimers timers;
    const uint32_t id = timers.Start(500, RecordCall, &recorder);
    ASSERT_NE(id, 0u);
    tarnix::platform::TimerCancel(id);
    WaitForLaterTimer(700);
    EXPECT_EQ(recorder.Total(), 0);
}

struct SlowHandler {
    Recorder entered;
    std::atomic<bool> finished{false};
};

TEST(TimerTest, CancelWaitsForTheRunningHandler) {
    SlowHandler slow;
    ScopedTimers timers;
    const uint32_t id = timers.Start(
        1,
        [](uint32_t timerId, void* user) {
            auto* handler = static_cast<SlowHandler*>(user);
            handler->entered.Record(timerId);
            tarnix::platform::SleepMs(300);
            handler->finished = true;
        },
        &slow);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(slow.entered.WaitForTotal(1));
    tarnix::platform::TimerCancel(id);
    EXPECT_TRUE(slow.finished) << "TimerCancel returned while the handler was still running";
}

TEST(TimerTest, HandlerMayCancelItsOwnTimer) {
    Recorder recorder;
    ScopedTimers timers;
    const uint32_t id = timers.Start(
        1,
        [](uint32_t timerId, void* user) {
            tarnix::platform::TimerCancel(timerId);  // what the reconnect handler does first thing
            static_cast<Recorder*>(user)->Record(timerId);
        },
        &recorder);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(recorder.WaitForTotal(1)) << "the handler hung in TimerCancel";
}

struct Chain {
    uint32_t victim = 0;
    std::atomic<uint32_t> child{0};
    Recorder victimCalls;
    Recorder childCalls;
};

TEST(TimerTest, HandlerMayStartAndCancelOtherTimers) {
    Chain chain;
    ScopedTimers timers;
    chain.victim = timers.Start(300, RecordCall, &chain.victimCalls);
    ASSERT_NE(chain.victim, 0u);
    const uint32_t first = timers.Start(
        1,
        [](uint32_t, void* user) {
            auto* c = static_cast<Chain*>(user);
            tarnix::platform::TimerCancel(c->victim);
            // Due after the victim would have been.
            c->child = tarnix::platform::TimerStart(500, RecordCall, &c->childCalls);
        },
        &chain);
    ASSERT_NE(first, 0u);
    const bool childFired = chain.childCalls.WaitForTotal(1);
    tarnix::platform::TimerCancel(first);  // waits for the first handler, should it still run
    tarnix::platform::TimerCancel(chain.child);
    ASSERT_TRUE(childFired);
    EXPECT_NE(chain.child.load(), 0u);
    EXPECT_EQ(chain.childCalls.Calls(chain.child), 1);
    EXPECT_EQ(chain.victimCalls.Total(), 0);
}

// A handler's exception (a camera reopen running out of memory, say) must not end the host:
// it is dropped, a cancel of that timer returns, and the timers after it still fire.
TEST(TimerTest, AHandlerThatThrowsLeavesTheTimersWorking) {
    Recorder thrower;
    Recorder later;
    ScopedTimers timers;
    const uint32_t id = timers.Start(
        1,
        [](uint32_t timerId, void* user) {
            static_cast<Recorder*>(user)->Record(timerId);
            throw std::bad_alloc();
        },
        &thrower);
    ASSERT_NE(id, 0u);
    ASSERT_NE(timers.Start(50, RecordCall, &later), 0u);  // pending while the first one throws
    ASSERT_TRUE(thrower.WaitForTotal(1));
    tarnix::platform::TimerCancel(id);  // waits for the end of a handler that threw
    EXPECT_TRUE(later.WaitForTotal(1)) << "no timer fired after a handler threw";
}

TEST(TimerTest, ManyTimersEachFireOnceUnlessCancelled) {
    Recorder recorder;
    ScopedTimers timers;
    std::vector<uint32_t> kept;
    std::vector<uint32_t> cancelled;
    for (int i = 0; i < kManyTimers; ++i) {
        // The ones to cancel are due late enough to be cancelled first.
        const bool cancel = i % 2 == 1;
        const uint32_t delay =
            cancel ? 400u + static_cast<uint32_t>(i) : 1u + static_cast<uint32_t>(i % 40);
        const uint32_t id = timers.Start(delay, RecordCall, &recorder);
        ASSERT_NE(id, 0u);
        (cancel ? cancelled : kept).push_back(id);
    }
    for (uint32_t id : cancelled) tarnix::platform::TimerCancel(id);
    ASSERT_TRUE(recorder.WaitForTotal(static_cast<int>(kept.size())));
    WaitForLaterTimer(700);
    for (uint32_t id : kept) EXPECT_EQ(recorder.Calls(id), 1) << "timer " << id;
    for (uint32_t id : cancelled) EXPECT_EQ(recorder.Calls(id), 0) << "timer " << id;
    EXPECT_EQ(recorder.Total(), static_cast<int>(kept.size()));
}

#ifndef _WIN32
// A host may fork after using timers: the child's timers must fire there, the parent's must
// not fire a second time, and the child must exit normally.
TEST(TimerTest, ForkedChildHasTimersOfItsOwn) {
    Recorder parentTimer;
    ScopedTimers timers;
    ASSERT_NE(timers.Start(200, RecordCall, &parentTimer), 0u);  // the worker is running now
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 0;
#ifndef __SANITIZE_THREAD__  // ThreadSanitizer stops a forked child that starts threads
        Recorder mine;
        const uint32_t id = tarnix::platform::TimerStart(10, RecordCall, &mine);
        if (id == 0 || !mine.WaitForTotal(1, 10s)) code = 1;
        tarnix::platform::SleepMs(400);  // past the parent's timer
        if (parentTimer.Total() != 0) code = 2;
#endif
        std::exit(code);  // static destructors and all
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the child's timer did not fire; 2: the parent's did";
    EXPECT_TRUE(parentTimer.WaitForTotal(1));
}
#endif

// Left pending on purpose: the process must still end promptly, without calling it.
TEST(TimerTest, PendingTimerDoesNotHoldUpProcessExit) {
    static Recorder neverCalled;
    EXPECT_NE(tarnix::platform::TimerStart(60000, RecordCall, &neverCalled), 0u);
}

}  // namespace
