// The rules of the frame stream's slot and of the link-event thread, without a camera: a
// stream is destroyed only after every call on it returned, and never under a call on the
// destroying thread; handlers hear of events in order, after the action that goes before.
#include <gtest/gtest.h>
#include <harness/Wait.h>
#include <sdkcommon/LinkEvents.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "StreamSlot.h"

namespace tarnix::gige {
namespace {

using test::WaitUntil;

// A stream that records its end.
struct TestStream {
    explicit TestStream(std::atomic<int>& ends) : ends(ends) {}
    ~TestStream() { ++ends; }
    std::atomic<int>& ends;
};

TEST(GigeStreamSlot, CallsFindNoStreamOnceItIsTakenOut) {
    std::atomic<int> ends{0};
    BasicStreamSlot<TestStream> slot;
    EXPECT_TRUE(slot.Empty());
    EXPECT_EQ(slot.With([](TestStream&) { return 1; }, 7), 7);
    slot.Install(std::make_unique<TestStream>(ends));
    EXPECT_FALSE(slot.Empty());
    EXPECT_EQ(slot.With([](TestStream&) { return 1; }, 7), 1);
    slot.Destroy();
    EXPECT_EQ(ends.load(), 1);
    EXPECT_EQ(slot.With([](TestStream&) { return 1; }, 7), 7);
    slot.Destroy();  // nothing left to end
    EXPECT_EQ(ends.load(), 1);
}

TEST(GigeStreamSlot, ADestroyWaitsForACallOnAnotherThread) {
    std::atomic<int> ends{0};
    BasicStreamSlot<TestStream> slot;
    slot.Install(std::make_unique<TestStream>(ends));
    std::promise<void> inside;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::thread caller([&] {
        slot.With(
            [&](TestStream&) {
                inside.set_value();
                released.wait();
                return 0;
            },
            0);
    });
    inside.get_future().wait();
    std::atomic<bool> destroyed{false};
    std::thread destroyer([&] {
        slot.Destroy();
        destroyed = true;
    });
    // The destroyer took the stream out (new calls find none) but waits for the call.
    ASSERT_TRUE(WaitUntil([&] { return slot.Empty(); }));
    EXPECT_FALSE(destroyed.load());
    EXPECT_EQ(ends.load(), 0);
    release.set_value();
    destroyer.join();
    caller.join();
    EXPECT_TRUE(destroyed.load());
    EXPECT_EQ(ends.load(), 1);
}

TEST(GigeStreamSlot, ADestroyFromInsideACallEndsTheStreamWhenTheOutermostCallReturns) {
    std::atomic<int> ends{0};
    BasicStreamSlot<TestStream> slot;
    slot.Install(std::make_unique<TestStream>(ends));
    int endsInside = -1;
    slot.With(
        [&](TestStream& outer) {
            // A callback run by the call closes its camera, and queues again meanwhile.
            slot.With(
                [&](TestStream&) {
                    slot.Destroy();
                    return 0;
                },
                0);
            EXPECT_EQ(slot.With([](TestStream&) { return 1; }, 7), 7);
            endsInside = outer.ends.load();  // read through the stream: it is still whole
            return 0;
        },
        0);
    EXPECT_EQ(endsInside, 0);
    EXPECT_EQ(ends.load(), 1);
}

struct EventLog {
    std::mutex lock;
    std::vector<std::string> entries;
    void Add(std::string entry) {
        std::lock_guard guard(lock);
        entries.push_back(std::move(entry));
    }
    std::vector<std::string> Take() {
        std::lock_guard guard(lock);
        return std::move(entries);
    }
};

EventLog* g_Log = nullptr;

void PVDECL Handler(void* context, tPvInterface iface, tPvLinkEvent event, uint32_t id) {
    g_Log->Add(std::string(static_cast<const char*>(context)) + " " + std::to_string(iface) + " " +
               std::to_string(event) + " " + std::to_string(id));
}

void PVDECL OtherHandler(void*, tPvInterface, tPvLinkEvent event, uint32_t id) {
    g_Log->Add("other " + std::to_string(event) + " " + std::to_string(id));
}

TEST(GigeLinkEvents, HandlersHearEventsInOrderAfterTheActionBeforeThem) {
    EventLog log;
    g_Log = &log;
    sdk::LinkEvents events;
    events.Post(ePvLinkAdd, 1);  // not started: dropped
    events.Start();
    static char first[] = "first";
    static char second[] = "second";
    EXPECT_EQ(events.Register(Handler, ePvLinkAdd, first), ePvErrSuccess);
    EXPECT_EQ(events.Register(Handler, ePvLinkAdd, second), ePvErrSuccess);  // one, new context
    EXPECT_EQ(events.Register(Handler, ePvLinkRemove, first), ePvErrSuccess);
    EXPECT_EQ(events.Register(OtherHandler, ePvLinkRemove, nullptr), ePvErrSuccess);
    EXPECT_EQ(events.Register(Handler, 3, first), ePvErrBadParameter);
    EXPECT_EQ(events.Register(nullptr, ePvLinkAdd, first), ePvErrBadParameter);

    events.Post(ePvLinkAdd, 4);
    events.Post(ePvLinkRemove, 5, [&] { log.Add("before 5"); });
    events.Post(0, 6, [&] { log.Add("action alone"); });  // no handler hears event 0
    events.Flush();
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"second 2 1 4", "before 5", "first 2 2 5",
                                                    "other 2 5", "action alone"}));

    EXPECT_EQ(events.Unregister(Handler, ePvLinkAdd), ePvErrSuccess);
    EXPECT_EQ(events.Unregister(Handler, ePvLinkAdd), ePvErrNotFound);
    events.Post(ePvLinkAdd, 7);
    events.Flush();
    EXPECT_TRUE(log.Take().empty());

    events.Stop();  // forgets the handlers
    events.Start();
    events.Post(ePvLinkRemove, 8);
    events.Flush();
    EXPECT_TRUE(log.Take().empty());
    events.Stop();
    g_Log = nullptr;
}

std::promise<void>* g_Entered = nullptr;
std::shared_future<void>* g_Leave = nullptr;

void PVDECL SlowHandler(void*, tPvInterface, tPvLinkEvent, uint32_t) {
    g_Entered->set_value();
    g_Leave->wait();
}

TEST(GigeLinkEvents, UnregisterWaitsForTheRunningHandler) {
    std::promise<void> entered;
    std::promise<void> leave;
    std::shared_future<void> leaving = leave.get_future().share();
    g_Entered = &entered;
    g_Leave = &leaving;
    sdk::LinkEvents events;
    events.Start();
    ASSERT_EQ(events.Register(SlowHandler, ePvLinkAdd, nullptr), ePvErrSuccess);
    events.Post(ePvLinkAdd, 1);
    entered.get_future().wait();
    std::atomic<bool> unregistered{false};
    std::thread unregister([&] {
        EXPECT_EQ(events.Unregister(SlowHandler, ePvLinkAdd), ePvErrSuccess);
        unregistered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // give it a chance to be wrong
    EXPECT_FALSE(unregistered.load());
    leave.set_value();
    unregister.join();
    EXPECT_TRUE(unregistered.load());
    events.Stop();
}

}  // namespace
}  // namespace tarnix::gige
