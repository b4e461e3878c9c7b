#include <gtest/gtest.h>
#include <platform/Lock.h>

#include <mutex>
#include <thread>
#include <vector>

namespace {

TEST(RecursiveLockTest, OwnerReentersAndOthersWaitForTheLastUnlock) {
    tarnix::platform::RecursiveLock lock;
    lock.lock();
    lock.lock();
    EXPECT_TRUE(lock.try_lock());

    auto tryFromOtherThread = [&] {
        bool acquired = false;
        std::thread([&] {
            acquired = lock.try_lock();
            if (acquired) lock.unlock();
        }).join();
        return acquired;
    };
    lock.unlock();
    lock.unlock();
    EXPECT_FALSE(tryFromOtherThread()) << "still held once by its owner";
    lock.unlock();
    EXPECT_TRUE(tryFromOtherThread());
}

TEST(RecursiveLockTest, ExcludesOtherThreads) {
    tarnix::platform::RecursiveLock lock;
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    long counter = 0;  // deliberately not atomic: only the lock protects it
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                std::lock_guard<tarnix::platform::RecursiveLock> outer(lock);
                std::lock_guard<tarnix::platform::RecursiveLock> inner(lock);
                ++counter;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(counter, static_cast<long>(kThreads) * kRounds);
}

}  // namespace
