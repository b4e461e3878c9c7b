// Plug and unplug: link events, dead handles and frames ended by the unplug.
#include <harness/SdkTest.h>

#include <atomic>
#include <thread>

namespace tarnix::test {
namespace {

using namespace std::chrono_literals;

struct Event {
    void* context;
    tPvInterface iface;
    tPvLinkEvent event;
    uint32_t id;
    std::thread::id thread;
};

class LinkEvents : public SdkTest {
  protected:
    static void PVDECL OnLink(void* context, tPvInterface iface, tPvLinkEvent event, uint32_t id) {
        std::lock_guard lock(s_Lock);
        s_Events.push_back({context, iface, event, id, std::this_thread::get_id()});
    }
    static std::vector<Event> Events() {
        std::lock_guard lock(s_Lock);
        return s_Events;
    }
    void SetUp() override {
        SdkTest::SetUp();
        std::lock_guard lock(s_Lock);
        s_Events.clear();
    }

    static std::mutex s_Lock;
    static std::vector<Event> s_Events;
};
std::mutex LinkEvents::s_Lock;
std::vector<Event> LinkEvents::s_Events;

TEST_F(LinkEvents, UnplugAndPlugAreAnnouncedOnTheEventThread) {
    int context = 0;
    ASSERT_EQ(PvLinkCallbackRegister(&OnLink, ePvLinkAdd, &context), ePvErrSuccess);
    ASSERT_EQ(PvLinkCallbackRegister(&OnLink, ePvLinkRemove, &context), ePvErrSuccess);
    ASSERT_EQ(PvLinkCallbackRegister(&OnLink, ePvLinkRemove, &context),
              ePvErrSuccess);  // kept once
    EXPECT_EQ(PvLinkCallbackRegister(&OnLink, 3, &context), ePvErrBadParameter);

    ASSERT_EQ(pvsim_unplug(1003), ePvErrSuccess);
    ASSERT_EQ(pvsim_unplug(1003), ePvErrSuccess);  // already gone: no second event
    ASSERT_EQ(pvsim_plug(1003), ePvErrSuccess);
    const uint32_t added = AddCamera(ePvFmtMono8, 8, 8).id;
    pvsim_flush_events();
    const auto events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].context, &context);
    EXPECT_EQ(events[0].iface, uint32_t(ePvInterfaceEthernet));
    EXPECT_EQ(events[0].event, uint32_t(ePvLinkRemove));
    EXPECT_EQ(events[0].id, 1003u);
    EXPECT_EQ(events[1].event, uint32_t(ePvLinkAdd));
    EXPECT_EQ(events[2].id, added);
    EXPECT_NE(events[0].thread, std::this_thread::get_id());

    // Unregistered handlers hear nothing more.
    ASSERT_EQ(PvLinkCallbackUnRegister(&OnLink, ePvLinkRemove), ePvErrSuccess);
    EXPECT_EQ(PvLinkCallbackUnRegister(&OnLink, ePvLinkRemove), ePvErrNotFound);
    ASSERT_EQ(pvsim_unplug(1003), ePvErrSuccess);
    pvsim_flush_events();
    EXPECT_EQ(Events().size(), 3u);
}

// What the camera list offers for a camera (0 when it is not listed).
uint32_t PermittedAccess(uint32_t id) {
    tPvCameraInfo list[8]{};
    const uint32_t count = PvCameraList(list, 8, nullptr);
    for (uint32_t i = 0; i < count; ++i) {
        if (list[i].UniqueId == id) return list[i].PermittedAccess;
    }
    return 0;
}

TEST_F(LinkEvents, UnplugKillsHandlesAndEndsQueuedFrames) {
    const tPvHandle handle = Open(1001);
    ASSERT_EQ(PvCaptureStart(handle), ePvErrSuccess);
    FrameLog log(2, 16);
    log.QueueAll(handle);
    ASSERT_EQ(pvsim_unplug(1001), ePvErrSuccess);
    ASSERT_EQ(log.Count(), 2u);
    EXPECT_EQ(log.Log()[0].status, ePvErrUnplugged);
    EXPECT_EQ(log.Log()[1].status, ePvErrUnplugged);

    uint32_t width = 0;
    EXPECT_EQ(PvAttrUint32Get(handle, "Width", &width), ePvErrUnplugged);
    EXPECT_EQ(PvCaptureQueueFrame(handle, &log.Frame(0), &FrameLog::OnFrame), ePvErrUnplugged);
    EXPECT_EQ(PvCameraCount(), 4u);

    // Back again, the old handle stays dead; the camera must be opened anew.
    ASSERT_EQ(pvsim_plug(1001), ePvErrSuccess);
    EXPECT_EQ(PvAttrUint32Get(handle, "Width", &width), ePvErrUnplugged);
    // The dead master handle no longer holds the camera, in the list as at open.
    EXPECT_EQ(PermittedAccess(1001), uint32_t(ePvAccessMonitor | ePvAccessMaster));
    const tPvHandle fresh = Open(1001);
    EXPECT_EQ(GetUint(fresh, "Width"), 1360u);
    EXPECT_EQ(PermittedAccess(1001), uint32_t(ePvAccessMonitor));
    EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(fresh), ePvErrSuccess);

    // A removed camera's handle fails the same way.
    const tPvHandle doomed = Open(1002);
    pvsim_remove_all();
    EXPECT_EQ(PvAttrUint32Get(doomed, "Width", &width), ePvErrUnplugged);
    EXPECT_EQ(PvCameraClose(doomed), ePvErrSuccess);
}

TEST_F(LinkEvents, UnregisterWaitsForTheRunningHandler) {
    static std::atomic<bool> inside{false};
    static std::atomic<bool> entered{false};
    struct Slow {
        static void PVDECL OnLink(void*, tPvInterface, tPvLinkEvent, uint32_t) {
            inside = true;
            entered = true;
            std::this_thread::sleep_for(100ms);
            inside = false;
        }
    };
    inside = false;
    entered = false;
    ASSERT_EQ(PvLinkCallbackRegister(&Slow::OnLink, ePvLinkRemove, nullptr), ePvErrSuccess);
    ASSERT_EQ(pvsim_unplug(1004), ePvErrSuccess);
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    ASSERT_EQ(PvLinkCallbackUnRegister(&Slow::OnLink, ePvLinkRemove), ePvErrSuccess);
    EXPECT_FALSE(inside);
}

TEST_F(LinkEvents, HandlersMayCallTheSdk) {
    // What a driver does on an unplug: close the camera from the handler.
    static tPvHandle s_Handle = 0;
    static std::atomic<tPvErr> s_Close{99};
    struct Closer {
        static void PVDECL OnLink(void*, tPvInterface, tPvLinkEvent, uint32_t) {
            s_Close = PvCameraClose(s_Handle);
            PvLinkCallbackUnRegister(&Closer::OnLink, ePvLinkRemove);
        }
    };
    s_Handle = Open(1005);
    ASSERT_EQ(PvLinkCallbackRegister(&Closer::OnLink, ePvLinkRemove, nullptr), ePvErrSuccess);
    ASSERT_EQ(pvsim_unplug(1005), ePvErrSuccess);
    pvsim_flush_events();
    EXPECT_EQ(s_Close, ePvErrSuccess);
    EXPECT_EQ(PvLinkCallbackUnRegister(&Closer::OnLink, ePvLinkRemove), ePvErrNotFound);
}

}  // namespace
}  // namespace tarnix::test
