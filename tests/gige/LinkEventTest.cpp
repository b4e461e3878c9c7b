// Link events of the Aravis-backed SDK from fake cameras that are started and killed: a new
// camera is announced, a vanished one too, and one that comes back keeps its id. Then cameras
// that die while open: their calls fail as unplugged within the SDK's time-out, and they hold
// up no other camera. This program's cameras: GVL0..GVL3, each started by its test.
#include <gtest/gtest.h>
#include <harness/Wait.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "GigeFixture.h"

namespace tarnix::test {
namespace {

[[maybe_unused]] auto* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new GigeEnvironment("GVL", 0));

// What the handlers and frame callbacks saw, in order.
class Log {
  public:
    void Add(std::string entry) {
        std::lock_guard lock(m_Lock);
        m_Entries.push_back(std::move(entry));
    }
    bool Has(const std::string& entry) {
        std::lock_guard lock(m_Lock);
        return std::find(m_Entries.begin(), m_Entries.end(), entry) != m_Entries.end();
    }
    bool WaitFor(const std::string& entry, size_t times = 1) {
        return WaitUntil([&] {
            std::lock_guard lock(m_Lock);
            return size_t(std::count(m_Entries.begin(), m_Entries.end(), entry)) >= times;
        });
    }
    std::vector<std::string> Entries() {
        std::lock_guard lock(m_Lock);
        return m_Entries;
    }

  private:
    std::mutex m_Lock;
    std::vector<std::string> m_Entries;
};

Log* g_Log = nullptr;

std::string Event(tPvLinkEvent event, uint32_t id) {
    return (event == ePvLinkAdd ? "plugged " : "unplugged ") + std::to_string(id);
}

void PVDECL OnLink(void* context, tPvInterface iface, tPvLinkEvent event, uint32_t id) {
    EXPECT_EQ(iface, uint32_t(ePvInterfaceEthernet));
    static_cast<Log*>(context)->Add(Event(event, id));
}

void PVDECL OnFrame(tPvFrame* frame) {
    g_Log->Add("frame status " + std::to_string(frame->Status));
}

class GigeLink : public ::testing::Test {
  protected:
    void SetUp() override {
        g_Log = &log;
        ASSERT_EQ(PvLinkCallbackRegister(OnLink, ePvLinkAdd, &log), ePvErrSuccess);
        ASSERT_EQ(PvLinkCallbackRegister(OnLink, ePvLinkRemove, &log), ePvErrSuccess);
    }
    void TearDown() override {
        EXPECT_EQ(PvLinkCallbackUnRegister(OnLink, ePvLinkAdd), ePvErrSuccess);
        EXPECT_EQ(PvLinkCallbackUnRegister(OnLink, ePvLinkRemove), ePvErrSuccess);
        g_Log = nullptr;
    }

    Log log;
};

TEST_F(GigeLink, ACameraIsAnnouncedWhenItComesAndGoesAndKeepsItsIdWhenBack) {
    auto camera = MakeFakeCamera("GVL", 0);
    ASSERT_TRUE(camera->Start());
    const auto record = WaitForListed(camera->Serial());
    ASSERT_TRUE(record.has_value());
    const uint32_t id = record->UniqueId;
    EXPECT_TRUE(log.WaitFor(Event(ePvLinkAdd, id)));

    camera->Kill();
    EXPECT_TRUE(log.WaitFor(Event(ePvLinkRemove, id)));
    EXPECT_TRUE(WaitForGone(camera->Serial()));
    tPvHandle handle = 0;
    EXPECT_EQ(PvCameraOpen(id, ePvAccessMaster, &handle), ePvErrNotFound);

    ASSERT_TRUE(camera->Start());
    const auto back = WaitForListed(camera->Serial());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->UniqueId, id);
    // The list may show the camera a moment before the event thread has announced it.
    EXPECT_TRUE(log.WaitFor(Event(ePvLinkAdd, id), 2));
    std::vector<std::string> ofThisCamera = log.Entries();
    std::erase_if(ofThisCamera, [&](const std::string& entry) {
        return entry != Event(ePvLinkAdd, id) && entry != Event(ePvLinkRemove, id);
    });
    EXPECT_EQ(ofThisCamera,
              (std::vector<std::string>{Event(ePvLinkAdd, id), Event(ePvLinkRemove, id),
                                        Event(ePvLinkAdd, id)}));
    OpenCamera reopened(id, ePvAccessMaster);
    EXPECT_EQ(reopened.Error(), ePvErrSuccess);
}

TEST_F(GigeLink, AKilledCameraFailsAsUnpluggedWithoutHoldingUpAnother) {
    auto doomed = MakeFakeCamera("GVL", 1);
    auto healthy = MakeFakeCamera("GVL", 2);
    ASSERT_TRUE(doomed->Start());
    ASSERT_TRUE(healthy->Start());
    const auto doomedRecord = WaitForListed(doomed->Serial());
    const auto healthyRecord = WaitForListed(healthy->Serial());
    ASSERT_TRUE(doomedRecord && healthyRecord);
    const uint32_t id = doomedRecord->UniqueId;
    OpenCamera dead(id, ePvAccessMaster);
    OpenCamera watcher(id, ePvAccessMonitor);
    OpenCamera live(healthyRecord->UniqueId, ePvAccessMaster);
    ASSERT_EQ(dead.Error(), ePvErrSuccess);
    ASSERT_EQ(watcher.Error(), ePvErrSuccess);
    ASSERT_EQ(live.Error(), ePvErrSuccess);
    ASSERT_EQ(PvCaptureStart(dead), ePvErrSuccess);
    tPvFrame frame{};
    ASSERT_EQ(PvCaptureQueueFrame(dead, &frame, OnFrame), ePvErrSuccess);

    doomed->Kill();
    // The first call meets the silence and waits out Aravis's retries; meanwhile the other
    // camera answers as ever.
    std::atomic<bool> done{false};
    tPvErr result = ePvErrSuccess;
    std::thread call([&] {
        uint32_t width = 0;
        result = PvAttrUint32Get(dead, "Width", &width);
        done = true;
    });
    uint32_t liveCalls = 0;
    bool doneAtFirstLiveCall = true;
    do {
        uint32_t width = 0;
        ASSERT_EQ(PvAttrUint32Get(live, "Width", &width), ePvErrSuccess);
        if (liveCalls++ == 0) doneAtFirstLiveCall = done.load();
    } while (!done.load());
    call.join();
    EXPECT_FALSE(doneAtFirstLiveCall);
    EXPECT_EQ(result, ePvErrUnplugged);

    // From now on every call of the camera's handles fails at once, but close.
    uint32_t width = 0;
    EXPECT_EQ(PvAttrUint32Get(dead, "Width", &width), ePvErrUnplugged);
    EXPECT_EQ(PvAttrUint32Get(watcher, "Width", &width), ePvErrUnplugged);
    EXPECT_EQ(PvCommandRun(dead, "AcquisitionStop"), ePvErrUnplugged);
    EXPECT_EQ(PvCaptureQueueFrame(dead, &frame, OnFrame), ePvErrUnplugged);
    tPvAttrListPtr names = nullptr;
    EXPECT_EQ(PvAttrList(dead, &names, nullptr), ePvErrUnplugged);
    // Its queued frame came back before the unplug was announced.
    ASSERT_TRUE(log.WaitFor(Event(ePvLinkRemove, id)));
    const auto entries = log.Entries();
    const auto frameEntry = std::find(entries.begin(), entries.end(),
                                      "frame status " + std::to_string(ePvErrUnplugged));
    const auto unplugEntry = std::find(entries.begin(), entries.end(), Event(ePvLinkRemove, id));
    EXPECT_LT(frameEntry, unplugEntry);
    EXPECT_EQ(PvCameraClose(dead), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(watcher), ePvErrSuccess);
    EXPECT_EQ(PvAttrUint32Get(live, "Width", &width), ePvErrSuccess);
    EXPECT_TRUE(WaitForGone(doomed->Serial()));
}

TEST_F(GigeLink, AMonitoredCameraThatVanishesFromTheListStaysDeadForItsOldHandles) {
    // A monitor holds no control channel, so no heartbeat notices; the device list does.
    auto camera = MakeFakeCamera("GVL", 3);
    ASSERT_TRUE(camera->Start());
    const auto record = WaitForListed(camera->Serial());
    ASSERT_TRUE(record.has_value());
    const uint32_t id = record->UniqueId;
    tPvHandle old = 0;
    ASSERT_EQ(PvCameraOpen(id, ePvAccessMonitor, &old), ePvErrSuccess);
    camera->Kill();
    ASSERT_TRUE(log.WaitFor(Event(ePvLinkRemove, id)));

    // Back at the same address: a new open reaches it, the old handle stays dead although
    // the same address answers again.
    ASSERT_TRUE(camera->Start());
    ASSERT_TRUE(log.WaitFor(Event(ePvLinkAdd, id), 2));
    OpenCamera fresh(id, ePvAccessMonitor);
    ASSERT_EQ(fresh.Error(), ePvErrSuccess);
    uint32_t width = 0;
    EXPECT_EQ(PvAttrUint32Get(fresh, "Width", &width), ePvErrSuccess);
    EXPECT_EQ(PvAttrUint32Get(old, "Width", &width), ePvErrUnplugged);
    EXPECT_EQ(PvCameraClose(old), ePvErrSuccess);
    EXPECT_EQ(PvAttrUint32Get(fresh, "Width", &width), ePvErrSuccess);
}

TEST(GigeLinkRegistration, HandlersAreKeptOnceAndUnknownOnesAreNotFound) {
    Log log;
    EXPECT_EQ(PvLinkCallbackRegister(OnLink, ePvLinkAdd, &log), ePvErrSuccess);
    EXPECT_EQ(PvLinkCallbackRegister(OnLink, ePvLinkAdd, &log), ePvErrSuccess);
    EXPECT_EQ(PvLinkCallbackUnRegister(OnLink, ePvLinkAdd), ePvErrSuccess);
    EXPECT_EQ(PvLinkCallbackUnRegister(OnLink, ePvLinkAdd), ePvErrNotFound);
    EXPECT_EQ(PvLinkCallbackRegister(OnLink, 7, &log), ePvErrBadParameter);
}

}  // namespace
}  // namespace tarnix::test
