#include <gtest/gtest.h>
#include <platform/System.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The address as its four bytes in network order, "none" for INADDR_NONE.
std::string Dotted(uint32_t address) {
    if (address == 0xFFFFFFFFu) return "none";
    unsigned char b[4];
    std::memcpy(b, &address, 4);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

TEST(SystemTest, InetAddrParsesAsTheSocketLibraryDoes) {
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("127.0.0.1")), "127.0.0.1");
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("192.168.10.254")), "192.168.10.254");
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("1.2.3")), "1.2.0.3");  // last part fills 16 bits
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("0x7f.1")), "127.0.0.1");  // hex, last part 24 bits
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("256.1.1.1")), "none");
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("1.2.3.4.5")), "none");
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("cam.local")), "none");
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr("")), "none");
    EXPECT_EQ(Dotted(tarnix::platform::InetAddr(nullptr)), "none");
}

TEST(SystemTest, CurrentDirectoryFitsOrGivesNothing) {
    char folder[1024];
    const uint32_t length = tarnix::platform::CurrentDirectory(folder, sizeof folder);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::strlen(folder), length);

    char small[2] = {'x', 'x'};
    EXPECT_EQ(tarnix::platform::CurrentDirectory(small, sizeof small), 0u);
    EXPECT_EQ(small[0], '\0');
    char exact[1024];
    EXPECT_EQ(tarnix::platform::CurrentDirectory(exact, length), 0u)
        << "no room for the terminator";
    EXPECT_EQ(tarnix::platform::CurrentDirectory(exact, length + 1), length);
    EXPECT_EQ(tarnix::platform::CurrentDirectory(nullptr, 0), 0u);
}

TEST(SystemTest, SleepMsSleeps) {
    const auto start = std::chrono::steady_clock::now();
    tarnix::platform::SleepMs(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10));
    tarnix::platform::SleepMs(0);
}

std::string TestLibraryPath() {
    char folder[1024];
    tarnix::platform::CurrentDirectory(folder, sizeof folder);
    return std::string(folder) + tarnix::platform::kPathSeparator + TEST_LIBRARY_FILE;
}

TEST(SystemTest, LoadsALibraryAndFindsItsFunctions) {
    tarnix::platform::LibraryHandle library =
        tarnix::platform::LoadSharedLibrary(TestLibraryPath().c_str());
    ASSERT_NE(library, nullptr);
    using BinaryFn = int (*)(int, int);
    auto add =
        reinterpret_cast<BinaryFn>(tarnix::platform::FindFunction(library, "tarnix_test_add"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(tarnix::platform::FindFunction(library, "no_such_function"), nullptr);
    EXPECT_EQ(tarnix::platform::FindFunction(library, nullptr), nullptr);
#ifdef _WIN32
    EXPECT_EQ(reinterpret_cast<BinaryFn>(tarnix::platform::FindFunctionByOrdinal(library, 7)), add);
    // Exported by ordinal only.
    EXPECT_EQ(tarnix::platform::FindFunction(library, "tarnix_test_multiply"), nullptr);
    auto multiply = reinterpret_cast<BinaryFn>(tarnix::platform::FindFunctionByOrdinal(library, 8));
    ASSERT_NE(multiply, nullptr);
    EXPECT_EQ(multiply(4, 5), 20);
    EXPECT_EQ(tarnix::platform::FindFunctionByOrdinal(library, 999), nullptr);
#else
    EXPECT_EQ(tarnix::platform::FindFunctionByOrdinal(library, 7), nullptr) << "no ordinals here";
#endif
    tarnix::platform::FreeSharedLibrary(library);
}

#ifdef _WIN32
TEST(SystemTest, BareLibraryNameIsFoundBesideTheProgram) {
    tarnix::platform::LibraryHandle library =
        tarnix::platform::LoadSharedLibrary(TEST_LIBRARY_FILE);
    ASSERT_NE(library, nullptr);
    tarnix::platform::FreeSharedLibrary(library);
}
#endif

TEST(SystemTest, MissingLibraryGivesNull) {
    EXPECT_EQ(tarnix::platform::LoadSharedLibrary("no_such_library_here.dll"), nullptr);
    EXPECT_EQ(tarnix::platform::LoadSharedLibrary(nullptr), nullptr);
    EXPECT_EQ(tarnix::platform::FindFunction(nullptr, "tarnix_test_add"), nullptr);
    tarnix::platform::FreeSharedLibrary(nullptr);
}

using StartTimerFn = uint32_t (*)(uint32_t delayMs, uint32_t handlerSleepMs,
                                  std::atomic<int>* state);

// A library whose timer is still pending when it is unloaded must not be called into later.
TEST(SystemTest, UnloadingWithAPendingTimerIsSafe) {
    tarnix::platform::LibraryHandle library =
        tarnix::platform::LoadSharedLibrary(TestLibraryPath().c_str());
    ASSERT_NE(library, nullptr);
    auto start = reinterpret_cast<StartTimerFn>(
        tarnix::platform::FindFunction(library, "tarnix_test_start_timer"));
    ASSERT_NE(start, nullptr);
    static std::atomic<int> state;
    state = 0;
    ASSERT_NE(start(150, 0, &state), 0u);
    tarnix::platform::FreeSharedLibrary(library);
    tarnix::platform::SleepMs(400);
    EXPECT_EQ(state.load(), 0);
}

// Unloading waits for a handler of the library that is running.
TEST(SystemTest, UnloadingWaitsForARunningTimerHandler) {
    tarnix::platform::LibraryHandle library =
        tarnix::platform::LoadSharedLibrary(TestLibraryPath().c_str());
    ASSERT_NE(library, nullptr);
    auto start = reinterpret_cast<StartTimerFn>(
        tarnix::platform::FindFunction(library, "tarnix_test_start_timer"));
    ASSERT_NE(start, nullptr);
    static std::atomic<int> state;
    state = 0;
    ASSERT_NE(start(1, 300, &state), 0u);
    for (int i = 0; i < 2000 && state.load() == 0; ++i) tarnix::platform::SleepMs(5);
    ASSERT_EQ(state.load(), 1);
    tarnix::platform::FreeSharedLibrary(library);
    EXPECT_EQ(state.load(), 2);
}

#ifndef _WIN32
TEST(SystemTest, MessageBoxWithoutDisplayGoesToStandardError) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    tarnix::platform::ShowMessageBox("Exception initializing!", "Tarnix");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tarnix: Exception initializing!\n");
}
#endif

}  // namespace
