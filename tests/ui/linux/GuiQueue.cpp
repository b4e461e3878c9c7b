#include "GuiQueue.h"

#include <glib.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "harness/Wait.h"

namespace tarnix::test::gui {

class Job {
  public:
    explicit Job(std::function<void()> work) : m_Work(std::move(work)) {}

    void Execute() {
        m_Work();
        Finish(true);
    }
    void Finish(bool ran) {
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Finished = true;
            m_Ran = ran;
        }
        m_Done.notify_all();
    }
    bool Wait() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Done.wait_for(lock, kWaitLimit, [this] { return m_Finished; });
        return m_Ran;
    }

  private:
    std::function<void()> m_Work;
    std::mutex m_Mutex;
    std::condition_variable m_Done;
    bool m_Finished = false;
    bool m_Ran = false;
};

namespace {

// GLib hands nothing over between threads in a way the thread sanitizer sees, so the jobs
// themselves pass through this queue.
std::mutex g_QueueMutex;
std::deque<std::shared_ptr<Job>> g_Queue;
bool g_Showing = false;

gboolean RunNext(gpointer) {
    std::shared_ptr<Job> job;
    {
        std::lock_guard<std::mutex> lock(g_QueueMutex);
        if (g_Queue.empty()) return G_SOURCE_REMOVE;  // dropped
        job = std::move(g_Queue.front());
        g_Queue.pop_front();
    }
    job->Execute();
    return G_SOURCE_REMOVE;
}

}  // namespace

std::shared_ptr<Job> Post(std::function<void()> work) {
    auto job = std::make_shared<Job>(std::move(work));
    {
        std::lock_guard<std::mutex> lock(g_QueueMutex);
        if (!g_Showing) {
            job->Finish(false);
            return job;
        }
        g_Queue.push_back(job);
    }
    g_idle_add(RunNext, nullptr);
    return job;
}

bool Wait(const std::shared_ptr<Job>& job) {
    return job->Wait();
}

bool Run(std::function<void()> work) {
    return Wait(Post(std::move(work)));
}

void BeginShowing() {
    std::lock_guard<std::mutex> lock(g_QueueMutex);
    g_Showing = true;
}

void EndShowing() {
    std::deque<std::shared_ptr<Job>> dropped;
    {
        std::lock_guard<std::mutex> lock(g_QueueMutex);
        g_Showing = false;
        dropped.swap(g_Queue);
    }
    for (const auto& job : dropped) job->Finish(false);
}

}  // namespace tarnix::test::gui
