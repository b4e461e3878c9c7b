// Runs against our functions on Linux and against the real Win32 ones on Windows, so every
// expectation here is what Windows does too.
#include <gtest/gtest.h>
#include <platform/Profile.h>
#include <platform/System.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <functional>
#endif

namespace {

std::string FileText(const std::string& path, bool keepCarriageReturns = false) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string result = text.str();
    if (!keepCarriageReturns) std::erase(result, '\r');
    return result;
}

void SetFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadString(const char* section, const char* key, const std::string& file,
                       const char* defaultValue = "<default>") {
    char buffer[256];
    const uint32_t copied = tarnix::platform::GetProfileString(section, key, defaultValue, buffer,
                                                               sizeof buffer, file.c_str());
    EXPECT_EQ(copied, std::string(buffer).size());
    return buffer;
}

// "T3K7" and the like. (Built with snprintf: GCC 12 warns wrongly about string concatenations
// of this kind at -O3.)
std::string Name(const char* prefix, int first, const char* infix, int second) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%d%s%d", prefix, first, infix, second);
    return name;
}

void Write(const char* section, const char* key, const char* value, const std::string& file) {
    ASSERT_TRUE(tarnix::platform::WriteProfileString(section, key, value, file.c_str()))
        << section << "/" << key;
}

class ProfileTest : public testing::Test {
  protected:
    // A fresh file in the current directory, by full path (on Windows a bare name would mean
    // the Windows directory), removed again after the test.
    std::string FreshFile(const std::string& name) {
        char folder[1024];
        EXPECT_NE(tarnix::platform::CurrentDirectory(folder, sizeof folder), 0u);
        const std::string path = std::string(folder) + tarnix::platform::kPathSeparator +
                                 "platform_profile_" + name + ".ini";
        std::remove(path.c_str());
        m_Files.push_back(path);
        return path;
    }

    void TearDown() override {
        for (const std::string& path : m_Files) std::remove(path.c_str());
    }

  private:
    std::vector<std::string> m_Files;
};

TEST_F(ProfileTest, MissingFileGivesTheDefaults) {
    const std::string file = FreshFile("missing");
    EXPECT_EQ(tarnix::platform::GetProfileInt("Cam", "Key", 42, file.c_str()), 42);
    EXPECT_EQ(ReadString("Cam", "Key", file, "fallback   "), "fallback");  // blanks dropped
    EXPECT_EQ(ReadString("Cam", "Key", file, nullptr), "");
}

TEST_F(ProfileTest, KeepsFileOrderAndUpdatesKeysWhereTheyStand) {
    const std::string file = FreshFile("layout");
    Write("Cam A", "First", "1", file);
    Write("Cam A", "Second", "2", file);
    Write("Cam B", "Only", "x", file);
    Write("Cam A", "Third", "3", file);    // appended to a section in the middle
    Write("cam a", "SECOND", "22", file);  // updated in place, spelling kept
    Write("Cam C", "Key", "with = sign", file);
    EXPECT_EQ(FileText(file),
              "[Cam A]\nFirst=1\nSecond=22\nThird=3\n"
              "[Cam B]\nOnly=x\n"
              "[Cam C]\nKey=with = sign\n");
    EXPECT_EQ(ReadString("CAM A", "second", file), "22");
    EXPECT_EQ(ReadString("Cam C", "Key", file), "with = sign");
#ifndef _WIN32
    EXPECT_EQ(FileText(file, true).find('\r'), std::string::npos) << "POSIX files end lines in LF";
#endif
}

TEST_F(ProfileTest, ReadsIntegersAsLeadingDecimalText) {
    const std::string file = FreshFile("integers");
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"12", 12},
        {"-7", -7},
        {"+5", 5},
        {"42abc", 42},
        {"abc", 0},
        {"- 3", 0},
        {"  8", 8},
        {"007", 7},
        {"4294967297", 1},
        {"-4294967297", -1},
        {"2147483648", INT32_MIN},
    };
    for (const auto& c : cases) {
        Write("Ints", "Value", c.text, file);
        EXPECT_EQ(tarnix::platform::GetProfileInt("Ints", "Value", 99, file.c_str()), c.value)
            << "\"" << c.text << "\"";
    }
    Write("Ints", "Empty", "", file);
    EXPECT_EQ(tarnix::platform::GetProfileInt("Ints", "Empty", 99, file.c_str()), 99)
        << "an empty value reads as missing";
    EXPECT_EQ(tarnix::platform::GetProfileInt("Ints", "Missing", -5, file.c_str()), -5);
}

TEST_F(ProfileTest, StringsAreCutToTheBufferAndLoseTheirQuotes) {
    const std::string file = FreshFile("strings");
    Write("S", "Long", "abcdefghij", file);
    char buffer[16] = "untouched";
    EXPECT_EQ(tarnix::platform::GetProfileString("S", "Long", "", buffer, 11, file.c_str()), 10u);
    EXPECT_STREQ(buffer, "abcdefghij");
    EXPECT_EQ(tarnix::platform::GetProfileString("S", "Long", "", buffer, 10, file.c_str()), 9u);
    EXPECT_STREQ(buffer, "abcdefghi");
    EXPECT_EQ(tarnix::platform::GetProfileString("S", "Long", "", buffer, 1, file.c_str()), 0u);
    EXPECT_STREQ(buffer, "");
    std::snprintf(buffer, sizeof buffer, "untouched");
    EXPECT_EQ(tarnix::platform::GetProfileString("S", "Long", "", buffer, 0, file.c_str()), 0u);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(
        tarnix::platform::GetProfileString("S", "None", "defaultvalue", buffer, 5, file.c_str()),
        4u);
    EXPECT_STREQ(buffer, "defa");

    Write("S", "Quoted", "\"two words\"", file);
    EXPECT_EQ(ReadString("S", "Quoted", file), "two words");
    Write("S", "Empty", "", file);
    EXPECT_EQ(ReadString("S", "Empty", file), "") << "an empty value is not a missing one";
    Write("S", "Padded", "   padded", file);
    EXPECT_EQ(ReadString("S", "Padded", file), "padded");
}

TEST_F(ProfileTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
    const std::string file = FreshFile("remove");
    Write("A", "Keep", "1", file);
    Write("A", "Drop", "2", file);
    Write("B", "Gone", "3", file);
    Write("C", "Stay", "4", file);
    Write("A", "Drop", nullptr, file);
    Write("B", nullptr, nullptr, file);
    EXPECT_EQ(FileText(file), "[A]\nKeep=1\n[C]\nStay=4\n");
    EXPECT_EQ(ReadString("B", "Gone", file), "<default>");
}

TEST_F(ProfileTest, ReadsAndKeepsAHandWrittenFile) {
    const std::string file = FreshFile("handwritten");
    SetFileText(file,
                "; camera settings\n"
                "  [Cam A]  \n"
                "  Gain = 12  \n"
                "\n"
                "; the second camera\n"
                "[Cam B]\n"
                "Name = 'quoted text'\n");
    EXPECT_EQ(tarnix::platform::GetProfileInt("Cam A", "Gain", -1, file.c_str()), 12);
    EXPECT_EQ(ReadString("Cam B", "Name", file), "quoted text");

    Write("Cam A", "Added", "1", file);
    const std::string text = FileText(file);
    EXPECT_NE(text.find("; camera settings\n"), std::string::npos) << text;
    EXPECT_NE(text.find("; the second camera\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Added=1\n"), std::string::npos) << text;
    EXPECT_LT(text.find("Added=1"), text.find("[Cam B]")) << text;
    EXPECT_EQ(tarnix::platform::GetProfileInt("Cam A", "Gain", -1, file.c_str()), 12);
}

// A '[' line without its ']' is no header: the keys after it belong to the section before,
// and rewrites leave the file as it was.
TEST_F(ProfileTest, AnUnclosedHeaderLeavesTheKeysAfterItInTheSectionBefore) {
    const std::string file = FreshFile("unclosed");
    SetFileText(file, "[Cam]\nA=1\n[Broken\nB=2\n[\nOther]\nC=3\n");
    for (const char* value : {"x", "y", "x"}) {
        Write("Cam", "D", value, file);
        EXPECT_EQ(ReadString("Cam", "B", file), "2");
        EXPECT_EQ(ReadString("Cam", "C", file), "3");
        EXPECT_EQ(ReadString("Broken", "B", file), "<default>");
        EXPECT_EQ(ReadString("Other", "C", file), "<default>");
    }
    const std::string text = FileText(file);
    Write("Cam", "D", "y", file);
    Write("Cam", "D", "x", file);
    EXPECT_EQ(FileText(file), text);
}

TEST_F(ProfileTest, KeepsAUtf8Mark) {
    const std::string file = FreshFile("utf8mark");
    SetFileText(file, "\xEF\xBB\xBF[Cam]\nKey=1\n");
    EXPECT_EQ(tarnix::platform::GetProfileInt("Cam", "Key", -1, file.c_str()), 1);
    Write("Cam", "Other", "2", file);
    EXPECT_EQ(FileText(file), "\xEF\xBB\xBF[Cam]\nKey=1\nOther=2\n");
}

TEST_F(ProfileTest, WriteIntoAMissingFolderFails) {
    const std::string file = FreshFile("nofolder") + tarnix::platform::kPathSeparator + "x.ini";
    EXPECT_FALSE(tarnix::platform::WriteProfileString("S", "K", "v", file.c_str()));
}

TEST_F(ProfileTest, ConcurrentWritersLoseNoKey) {
    const std::string file = FreshFile("threads");
    constexpr int kThreads = 4;
    constexpr int kKeys = 25;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&file, t] {
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = Name("T", t, "K", k);
                const std::string own = Name("Thread ", t, "", 0);
                tarnix::platform::WriteProfileString("Shared", key.c_str(),
                                                     std::to_string(k).c_str(), file.c_str());
                tarnix::platform::WriteProfileString(own.c_str(), key.c_str(), "x", file.c_str());
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = Name("T", t, "K", k);
            const std::string own = Name("Thread ", t, "", 0);
            EXPECT_EQ(tarnix::platform::GetProfileInt("Shared", key.c_str(), -1, file.c_str()), k)
                << key;
            EXPECT_EQ(ReadString(own.c_str(), key.c_str(), file), "x") << key;
        }
    }
}

TEST_F(ProfileTest, ReadersNeverSeeAHalfWrittenFile) {
    const std::string file = FreshFile("readers");
    Write("Fixed", "Sentinel", "present", file);
    std::atomic<bool> writing{true};
    std::atomic<int> misses{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (writing) {
            if (ReadString("Fixed", "Sentinel", file) != "present") ++misses;
            ++reads;
        }
    });
    const std::string longValue(300, 'v');
    for (int k = 0; k < 150; ++k) {
        const std::string key = Name("Key", k, "", 0);
        tarnix::platform::WriteProfileString("Growing", key.c_str(), longValue.c_str(),
                                             file.c_str());
    }
    writing = false;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(misses.load(), 0);
}

// More sections than are kept of one file, one of them larger than the first buffer a section
// is read into, read by several threads at once after the file has settled: every key reads
// as written, whichever thread keeps or evicts a section.
TEST_F(ProfileTest, ManySectionsReadBySeveralThreadsAtOnce) {
    const std::string file = FreshFile("many");
    constexpr int kSections = 300;
    constexpr int kBigKeys = 800;  // some 19 KB: read into a buffer of 4, 16 and then 64 KB
    const auto printed = [](const char* format, int value) {
        char text[64];
        std::snprintf(text, sizeof text, format, value, value, value);
        return std::string(text);
    };
    std::string text = "[Big]\n";
    for (int k = 0; k < kBigKeys; ++k) text += printed("Key%d=value of key %d\n", k);
    for (int s = 0; s < kSections; ++s) text += printed("[Cam %d]\nA=%d\nB=\"b %d\"\n", s);
    SetFileText(file, text);
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));

    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            for (int i = 0; i < kSections; ++i) {
                const int s = (i * 7 + t * 75) % kSections;  // each thread in an order of its own
                const std::string section = printed("Cam %d", s);
                const int k = s * 13 % kBigKeys;
                if (tarnix::platform::GetProfileInt(section.c_str(), "A", -1, file.c_str()) != s ||
                    ReadString(section.c_str(), "B", file) != printed("b %d", s) ||
                    ReadString("Big", printed("Key%d", k).c_str(), file) !=
                        printed("value of key %d", k)) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(wrong.load(), 0);
}

#ifndef _WIN32
TEST_F(ProfileTest, ConcurrentWriterProcessesLoseNoKey) {
    const std::string file = FreshFile("processes");
    constexpr int kProcesses = 3;
    constexpr int kKeys = 20;
    auto writeKeys = [&](int writer) {
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = Name("P", writer, "K", k);
            tarnix::platform::WriteProfileString("Shared", key.c_str(), std::to_string(k).c_str(),
                                                 file.c_str());
        }
    };
    std::vector<pid_t> children;
    for (int p = 1; p <= kProcesses; ++p) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            writeKeys(p);
            _exit(0);
        }
        children.push_back(child);
    }
    writeKeys(0);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p <= kProcesses; ++p) {
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = Name("P", p, "K", k);
            EXPECT_EQ(tarnix::platform::GetProfileInt("Shared", key.c_str(), -1, file.c_str()), k)
                << key;
        }
    }
}

// The exit code of work done in a forked child, as another process would do it.
int InAnotherProcess(const std::function<int()>& work) {
    const pid_t child = fork();
    if (child == 0) _exit(work());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool SetTimes(const std::string& path, timespec modified) {
    const timespec times[2] = {modified, modified};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

int32_t Gain(const std::string& file) {
    return tarnix::platform::GetProfileInt("Cam", "Gain", -1, file.c_str());
}

std::string GainText(int32_t gain) {
    return "[Cam]\nGain=" + std::to_string(gain) + "\n";
}

struct stat Status(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0);
    return status;
}

bool ChangeTimeIs(const std::string& path, const timespec& changed) {
    const timespec now = Status(path).st_ctim;
    return now.tv_sec == changed.tv_sec && now.tv_nsec == changed.tv_nsec;
}

// Another process writes the text over the file's own bytes and sets its times.
void RewriteInPlace(const std::string& file, const std::string& text, timespec modified) {
    ASSERT_EQ(InAnotherProcess([&] {
                  std::fstream(file, std::ios::in | std::ios::out | std::ios::binary) << text;
                  return SetTimes(file, modified) ? 0 : 1;
              }),
              0);
}

// Two writes within one second can leave a file's size and times equal but for the
// nanoseconds, a writer may put the times back, and a file renamed over it may carry the old
// one's times: the next read must see the new text all the same.
TEST_F(ProfileTest, AFileAnotherProcessChangedIsReadAgain) {
    const std::string file = FreshFile("changed");
    const std::string replacement = FreshFile("changed_new");
    SetFileText(file, GainText(100));
    const timespec written{1700000000, 250000000};  // long settled: its parse is kept
    ASSERT_TRUE(SetTimes(file, written));
    ASSERT_EQ(Gain(file), 100);

    RewriteInPlace(file, GainText(200), timespec{written.tv_sec, 750000000});
    EXPECT_EQ(Gain(file), 200) << "rewritten in place within the second";

    // Only the change time tells then; a kernel that stamps with a coarse clock may leave that
    // as it was too, and then no status can tell.
    const struct stat before = Status(file);
    RewriteInPlace(file, GainText(201), before.st_mtim);
    if (!ChangeTimeIs(file, before.st_ctim)) {
        EXPECT_EQ(Gain(file), 201) << "rewritten with its times put back";
    }

    // Replaced by rename, as another program would, with the old file's times. The new file's
    // change time comes from such a clock, and only when it falls in the step of the old file's
    // last change does the inode alone tell the two apart. So the old file is changed (its
    // times set again) right before it is read, and the whole goes again until that happened.
    bool onlyTheInodeDiffered = false;
    for (int32_t gain = 202; gain < 240 && !onlyTheInodeDiffered; ++gain) {
        const timespec modified = Status(file).st_mtim;
        ASSERT_TRUE(SetTimes(file, modified));
        ASSERT_EQ(Gain(file), gain - 1);
        const struct stat old = Status(file);
        SetFileText(replacement, GainText(gain));
        ASSERT_TRUE(SetTimes(replacement, modified));
        ASSERT_EQ(std::rename(replacement.c_str(), file.c_str()), 0);
        ASSERT_EQ(Gain(file), gain) << "replaced by rename";
        onlyTheInodeDiffered = ChangeTimeIs(file, old.st_ctim);
    }
}

// A process that may open no more files reads from memory only. A file that had settled
// before it was read is answered from there; one written just before its read is read again,
// since another write within the same timestamp step could leave it looking unchanged.
TEST_F(ProfileTest, OnlyAFileThatHadSettledIsAnsweredFromMemory) {
    const std::string settled = FreshFile("settled");
    const std::string fresh = FreshFile("fresh");
    SetFileText(settled, "[Cam]\nGain=1\n");
    ASSERT_TRUE(SetTimes(settled, timespec{std::time(nullptr) - 60, 0}));
    EXPECT_EQ(InAnotherProcess([&] {
                  SetFileText(fresh, "[Cam]\nGain=2\n");
                  if (Gain(settled) != 1 || Gain(fresh) != 2) return 1;
                  const rlimit none{0, 0};
                  if (setrlimit(RLIMIT_NOFILE, &none) != 0) return 1;
                  if (Gain(settled) != 1) return 2;
                  return Gain(fresh) == -1 ? 0 : 3;
              }),
              0)
        << "2: the settled file was not kept; 3: the fresh one was";
}

TEST_F(ProfileTest, BareFileNameIsRelativeToTheCurrentDirectory) {
    const std::string file = FreshFile("bare");
    const std::string bare = file.substr(file.rfind('/') + 1);
    Write("S", "K", "here", bare);
    EXPECT_EQ(ReadString("S", "K", file), "here");
}
#endif

}  // namespace
